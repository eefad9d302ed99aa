# Makes building TARGET build the libraries the plugin loads at run time (its
# companions), so that a program driving the plugin finds them beside it.
function(qlx_depend_on_runtime_libraries TARGET)
  foreach(_loaded qlxLUTPlugin KRPlatformOpenCL qlxAiFilterPlugin KROpenGLEffectMgr
                  KROpenGLEffectMgr-mesa)
    if(TARGET ${_loaded})
      add_dependencies(${TARGET} ${_loaded})
    endif()
  endforeach()
endfunction()
