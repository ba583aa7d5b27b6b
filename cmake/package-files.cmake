# Run by CPack on the files it has staged, before it packs them
# (CPACK_PRE_BUILD_SCRIPTS): what Debian's packaging tools would do.
#  - The compilers' names go from the ELF binaries (.comment), as dh_strip
#    does (merong.exe is packed as it was linked).
#  - Every file takes the time of the last commit (SOURCE_DATE_EPOCH), so that
#    the same source makes the same package, byte for byte.
file(GLOB_RECURSE staged LIST_DIRECTORIES true "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(path ${staged})
  if(path MATCHES "/(merong|merong-gtk\\.so)$" AND NOT IS_DIRECTORY ${path})
    execute_process(COMMAND ${CPACK_MERONG_OBJCOPY} --remove-section=.comment ${path}
      RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "objcopy failed on ${path}")
    endif()
  endif()
endforeach()
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  execute_process(COMMAND touch -h -d @$ENV{SOURCE_DATE_EPOCH} ${staged}
    ${CPACK_TEMPORARY_INSTALL_DIRECTORY} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "could not set the files' times")
  endif()
endif()
