# QLX_SANITIZE builds every target (companions included, so the plugin and the
# libraries it loads are checked together) under a sanitizer:
#   address  AddressSanitizer with UndefinedBehaviorSanitizer; every undefined
#            behaviour report ends the program
#   thread   ThreadSanitizer
# tools/run-tests.sh runs the suite in build-asan and the threaded tests in
# build-tsan; the suppressions for third-party libraries are in tools/sanitizers/.
set(QLX_SANITIZE "" CACHE STRING "Sanitizer build: address, thread or empty")
if(QLX_SANITIZE STREQUAL "address")
  set(_qlx_sanitize_flags -fsanitize=address,undefined -fno-sanitize-recover=undefined
                          -fno-omit-frame-pointer)
elseif(QLX_SANITIZE STREQUAL "thread")
  set(_qlx_sanitize_flags -fsanitize=thread -fno-omit-frame-pointer)
elseif(NOT QLX_SANITIZE STREQUAL "")
  message(FATAL_ERROR "QLX_SANITIZE must be address, thread or empty, not ${QLX_SANITIZE}")
endif()
if(_qlx_sanitize_flags)
  add_compile_options(${_qlx_sanitize_flags})
  add_link_options(${_qlx_sanitize_flags})
endif()


# The ThreadSanitizer runs preload this library (tools/run-tests.sh).
if(QLX_SANITIZE STREQUAL "thread")
  add_library(qlx_opencv_one_thread SHARED ${PROJECT_SOURCE_DIR}/tools/sanitizers/opencv_one_thread.cpp)
  set_target_properties(qlx_opencv_one_thread PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  target_link_libraries(qlx_opencv_one_thread PRIVATE opencv::core)
endif()
