# Fails unless the library's dynamic symbol table defines exactly the twelve entry points.
# Called as: cmake -DNM=<nm> -DLIBRARY=<file> -P exported_symbols.cmake
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
set(_expected
  CreateNLEAIEffectFilterFromGUID DeleteNLEAIEffectFilter NLEEffectFilterGetAIResData
  NLEEffectFilterGetGUID NLEEffectFilterGetParameter NLEEffectFilterSetCurrentTime
  NLEEffectFilterSetFrameRate NLEEffectFilterSetParameter NLEEffectFilterSetTotalTime
  NLEEffectFilterTransform NLEEffectFilterTransformChannels SetNLEAIEffectFilterLogCallback)
if(NOT _names STREQUAL _expected)
  message(FATAL_ERROR "exported: ${_names}\nexpected: ${_expected}")
endif()
