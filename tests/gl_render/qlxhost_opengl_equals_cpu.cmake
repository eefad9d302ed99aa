# qlxhost apply through the OpenGL renderer writes the same bytes as through the
# CPU renderer, on the shared photos, for .CUBE looks (inside and outside 0..1,
# a DOMAIN other than 0..1) and .3DL looks, with and without skin protection.
# Run as: cmake -DQLXHOST=... -DTESTDATA=... -DWORK_DIR=... -P qlxhost_opengl_equals_cpu.cmake
if(NOT EXISTS ${TESTDATA}/images OR NOT EXISTS ${TESTDATA}/luts)
  message("SKIP: the shared test photos and LUTs are absent (${TESTDATA})")
  return()
endif()
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
file(GLOB _photos ${TESTDATA}/images/*)
# A look is "--filter=NAME" (bundled) or "--lut=FILE" (shared corpus).
set(_looks
  "--filter=Teal and Orange"
  "--filter=Bleach Bypass"
  "--filter=Sepia"
  "--lut=${TESTDATA}/luts/openshot_noir_era.cube"
  "--lut=${TESTDATA}/luts/colour_iridas_eotf_sRGB_3D.cube"
  "--lut=${TESTDATA}/luts/ocio_lustre_33x33x33.3dl")
set(_compared 0)
foreach(_photo ${_photos})
  get_filename_component(_name ${_photo} NAME_WE)
  set(_look_index 0)
  foreach(_look ${_looks})
    # Skin protection where there is skin to spare.
    set(_skins 0)
    if(_name MATCHES "^people")
      list(APPEND _skins 60)
    endif()
    foreach(_skin ${_skins})
      foreach(_renderer cpu opengl)
        set(_out ${WORK_DIR}/${_name}-${_look_index}-${_skin}-${_renderer}.png)
        execute_process(COMMAND ${QLXHOST} apply "${_look}" --alpha 85 --skin-protect ${_skin}
                                --renderer ${_renderer} ${_photo} ${_out}
                        RESULT_VARIABLE _result ERROR_VARIABLE _errors OUTPUT_QUIET)
        if(NOT _result EQUAL 0)
          message(FATAL_ERROR "qlxhost apply ${_look} --renderer ${_renderer} on ${_photo} "
                              "failed: ${_errors}")
        endif()
      endforeach()
      execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files
                              ${WORK_DIR}/${_name}-${_look_index}-${_skin}-cpu.png
                              ${WORK_DIR}/${_name}-${_look_index}-${_skin}-opengl.png
                      RESULT_VARIABLE _differ)
      if(NOT _differ EQUAL 0)
        message(FATAL_ERROR "${_photo} with ${_look}, skin protection ${_skin}: the OpenGL "
                            "renderer's file differs from the CPU renderer's")
      endif()
      math(EXPR _compared "${_compared} + 1")
    endforeach()
    math(EXPR _look_index "${_look_index} + 1")
  endforeach()
endforeach()
message("${_compared} pictures identical")
file(REMOVE_RECURSE ${WORK_DIR})
