# Writes the page: the template with the program's script in it, so that the
# page is one file that needs nothing else.
#   cmake -DPAGE=page.html -DSCRIPT=merong.js -DOUT=merong.html -P inline.cmake
file(READ ${PAGE} page)
file(READ ${SCRIPT} script)
# Nothing in the script may end the element that holds it.
string(REPLACE "</script" "<\\/script" script "${script}")
string(REPLACE "/* the program */" "${script}" page "${page}")
file(WRITE ${OUT} "${page}")
