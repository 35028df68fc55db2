# cmake -DMODULE=<target> -DFOLDER=<dir> -DFORBIDDEN=<folder;...> -DSTAMP=<file>
#       -P CheckLayerIncludes.cmake
# Fails when a source of FOLDER includes a header from one of the FORBIDDEN folders, by its
# path from the project root or relative to the including file, or a header of a dialogs/
# folder (the window-layer units of a headless module, themselves not searched); touches
# STAMP otherwise.
file(GLOB files ${FOLDER}/*.cpp ${FOLDER}/*.h)
set(alternatives "")
foreach(folder ${FORBIDDEN})
  get_filename_component(last ${folder} NAME)
  list(APPEND alternatives "(\\.\\./)*${folder}" "(\\.\\./)+${last}")
endforeach()
list(JOIN alternatives "|" alternatives)
set(patterns "^[ \t]*#[ \t]*include[ \t]*[\"<](${alternatives})/")
# (A second expression: the regular expressions of CMake hold at most nine groups.)
list(APPEND patterns "^[ \t]*#[ \t]*include[ \t]*[\"<]([^\">]*/)?dialogs/")
set(found "")
foreach(file ${files})
  foreach(pattern ${patterns})
    file(STRINGS ${file} lines REGEX "${pattern}")
    foreach(line ${lines})
      list(APPEND found "  ${file}: ${line}")
    endforeach()
  endforeach()
endforeach()
if(found)
  list(JOIN found "\n" found)
  message(FATAL_ERROR "${MODULE} is headless but includes the window layer:\n${found}")
endif()
file(TOUCH ${STAMP})
