# Fails unless LIBRARY is named FILE_NAME and its dynamic symbol table defines exactly the
# entry points of EXPECTED, plain C names, nothing else.
# Called as: cmake -DNM=<nm> -DLIBRARY=<file> -DFILE_NAME=<name> "-DEXPECTED=<a;b;...>"
#                  -P exported_symbols.cmake
get_filename_component(_file_name "${LIBRARY}" NAME)
if(NOT _file_name STREQUAL FILE_NAME)
  message(FATAL_ERROR "the library is named ${_file_name}, not ${FILE_NAME}")
endif()
execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY}
                OUTPUT_VARIABLE _table RESULT_VARIABLE _rc)
if(NOT _rc EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(REGEX MATCHALL "[^\n]+" _lines "${_table}")
set(_names)
foreach(_line ${_lines})
  string(REGEX REPLACE "^.* [A-Za-z] " "" _name "${_line}")
  list(APPEND _names ${_name})
endforeach()
list(SORT _names)
set(_expected ${EXPECTED})
list(SORT _expected)
if(NOT _names STREQUAL _expected)
  message(FATAL_ERROR "exported: ${_names}\nexpected: ${_expected}")
endif()
