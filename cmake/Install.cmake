# `cmake --install` lays the product out the way qlxhost finds it without options:
#   <prefix>/bin/qlxhost                                (its own rule: hostapp/qlxhost)
#   <prefix>/lib/qlxLUTPlugin/   the plugin and the libraries it loads, side by side
#                                (the plugin's $ORIGIN run path finds them there)
#   <prefix>/share/qlxLUTPlugin/qlx_effect/plugin/LUT   the bundled LUT folder
# The rules are added when the top directory has been processed, so this file may
# be included from anywhere in the root CMakeLists.txt.
function(qlx_add_install_rules)
  set(_plugin_dir lib/qlxLUTPlugin)
  foreach(_target qlxLUTPlugin KRPlatformOpenCL qlxAiFilterPlugin KROpenGLEffectMgr
                  KROpenGLEffectMgr-mesa)
    if(TARGET ${_target})
      install(TARGETS ${_target}
        LIBRARY DESTINATION ${_plugin_dir}
        RUNTIME DESTINATION ${_plugin_dir})
    endif()
  endforeach()
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/qlx_effect DESTINATION share/qlxLUTPlugin)
endfunction()

cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL qlx_add_install_rules)
