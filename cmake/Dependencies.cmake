# Debian ships OpenCV without a CMake package in the -core/-imgproc/-imgcodecs
# split, so the three libraries are imported by hand.
find_path(OPENCV_INCLUDE_DIR opencv2/core.hpp PATH_SUFFIXES opencv4 REQUIRED)
foreach(_cv core imgproc imgcodecs dnn)
  find_library(OPENCV_${_cv}_LIBRARY opencv_${_cv} REQUIRED)
  add_library(opencv::${_cv} UNKNOWN IMPORTED)
  set_target_properties(opencv::${_cv} PROPERTIES
    IMPORTED_LOCATION ${OPENCV_${_cv}_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${OPENCV_INCLUDE_DIR})
endforeach()
target_link_libraries(opencv::imgproc INTERFACE opencv::core)
target_link_libraries(opencv::imgcodecs INTERFACE opencv::imgproc)
target_link_libraries(opencv::dnn INTERFACE opencv::core)

find_package(tinyxml2 REQUIRED)
find_package(nlohmann_json 3.6 REQUIRED)
find_package(OpenCL REQUIRED)
find_package(Threads REQUIRED)
if(QLX_BUILD_TESTS)
  find_package(GTest REQUIRED)
endif()
if(QLX_BUILD_BENCH)
  find_package(benchmark REQUIRED)
endif()
