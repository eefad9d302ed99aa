# The build installed into a fresh prefix: its qlxhost finds the plugin, its companions and
# the bundled LUT folder without options. cmake -DBUILD_DIR=.. -DWORK_DIR=.. -P this file
file(REMOVE_RECURSE ${WORK_DIR})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/prefix
                RESULT_VARIABLE installed OUTPUT_QUIET ERROR_VARIABLE install_errors)
if(NOT installed EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${install_errors}")
endif()
foreach(_companion qlxLUTPlugin.qlx qlxAiFilterPlugin.qlx libKRPlatformOpenCL.so
                   KROpenGLEffectMgr-mesa.so)
  if(NOT EXISTS ${WORK_DIR}/prefix/lib/qlxLUTPlugin/${_companion})
    message(FATAL_ERROR "${_companion} is not installed beside the plugin")
  endif()
endforeach()
execute_process(COMMAND ${WORK_DIR}/prefix/bin/qlxhost list
                WORKING_DIRECTORY ${WORK_DIR} RESULT_VARIABLE listed OUTPUT_VARIABLE listing
                ERROR_VARIABLE list_errors)
if(NOT listed EQUAL 0 OR NOT listing MATCHES "share/qlxLUTPlugin/qlx_effect/plugin/LUT"
   OR NOT listing MATCHES "\\(loads\\)")
  message(FATAL_ERROR "the installed qlxhost list failed: ${list_errors}\n${listing}")
endif()
file(REMOVE_RECURSE ${WORK_DIR})
