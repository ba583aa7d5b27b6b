# Run by CPack (CPACK_PROJECT_CONFIG_FILE): the Debian package's
# relationships, read off the binaries by dpkg-shlibdeps as Debian's own
# packages have them. What the program links is a dependency; what the
# desktop module links is recommended, since without it the boxes are drawn
# on the terminal.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()

function(shlibdeps field binary out)
  # dpkg-shlibdeps works from a source package's tree.
  set(tree ${CPACK_MERONG_BUILD_DIR}/shlibdeps)
  file(MAKE_DIRECTORY ${tree}/debian)
  file(TOUCH ${tree}/debian/control)
  execute_process(COMMAND dpkg-shlibdeps -O -d${field} -e${binary}
    WORKING_DIRECTORY ${tree}
    OUTPUT_VARIABLE found ERROR_VARIABLE errors RESULT_VARIABLE status
    OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT status EQUAL 0 OR NOT found MATCHES "^shlibs:${field}=(.*)")
    message(FATAL_ERROR "dpkg-shlibdeps ${binary}: ${errors}")
  endif()
  set(${out} ${CMAKE_MATCH_1} PARENT_SCOPE)
endfunction()

shlibdeps(Depends ${CPACK_MERONG_PROGRAM} CPACK_DEBIAN_PACKAGE_DEPENDS)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS ${CPACK_MERONG_RECOMMENDS})
if(CPACK_MERONG_MODULE)
  shlibdeps(Recommends ${CPACK_MERONG_MODULE} recommends)
  # The C library is a dependency already.
  string(REGEX REPLACE "libc6 \\([^)]*\\), " "" recommends "${recommends}")
  string(PREPEND CPACK_DEBIAN_PACKAGE_RECOMMENDS "${recommends}, ")
endif()
