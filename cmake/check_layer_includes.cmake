# Fails when a source file of one layer includes a header of a layer above it.
# Run by the build (cmake -P) for every layer library, whenever one of its
# files changes:
#   LAYER   the folder under src/ being checked
#   LAYERS  every layer folder, with "," between them
#   ALLOWED the folders it may include from, its own and those below it, with
#           "," between them
#   FILES   its source files, with "," between them
#   STAMP   written when every include is allowed
cmake_minimum_required(VERSION 3.21)
string(REPLACE "," ";" LAYERS "${LAYERS}")
string(REPLACE "," ";" ALLOWED "${ALLOWED}")
string(REPLACE "," ";" FILES "${FILES}")
set(wrong "")
foreach(file IN LISTS FILES)
  file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<][^\">]+/")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[\"<]([^\">/]+)/.*$" "\\1" folder "${line}")
    # A path up and out of the folder would reach any layer unchecked.
    if(folder STREQUAL ".." OR (folder IN_LIST LAYERS AND NOT folder IN_LIST ALLOWED))
      string(APPEND wrong "\n  ${file}: ${line}")
    endif()
  endforeach()
endforeach()
if(wrong)
  message(FATAL_ERROR "src/${LAYER} may include only from ${ALLOWED}; these go above it:${wrong}")
endif()
file(WRITE "${STAMP}" "")
