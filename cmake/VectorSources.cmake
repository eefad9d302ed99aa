# Vector kernels. A source file ending in _sse41, _avx2 or _avx512 is compiled
# with the -m flags of that instruction-set family, and no other file is; the
# code picks the family at run time from the CPU's features, so the library
# still runs on any x86-64 CPU. On other CPUs and compilers the files are left
# out and the dispatching files see no QLX_VECTOR_KERNELS.
set(QLX_VECTOR_FLAGS_sse41 "-msse4.1")
set(QLX_VECTOR_FLAGS_avx2 "-mavx2;-mfma")
set(QLX_VECTOR_FLAGS_avx512 "-mavx512f;-mavx512bw;-mavx512vl;-mavx512dq")

# qlx_vector_sources(target DISPATCH files... KERNELS files...), paths relative
# to the current source folder.
function(qlx_vector_sources target)
  cmake_parse_arguments(ARG "" "" "DISPATCH;KERNELS" ${ARGN})
  if(NOT (CMAKE_SYSTEM_PROCESSOR MATCHES "x86_64|AMD64|amd64"
          AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang"))
    return()
  endif()
  foreach(_file ${ARG_KERNELS})
    if(NOT _file MATCHES "_(sse41|avx2|avx512)\\.cpp$")
      message(FATAL_ERROR "${_file}: a vector kernel's name ends in _sse41, _avx2 or _avx512")
    endif()
    set(_path ${CMAKE_CURRENT_SOURCE_DIR}/${_file})
    target_sources(${target} PRIVATE ${_path})
    set_source_files_properties(${_path} TARGET_DIRECTORY ${target}
      PROPERTIES COMPILE_OPTIONS "${QLX_VECTOR_FLAGS_${CMAKE_MATCH_1}}")
  endforeach()
  foreach(_file ${ARG_DISPATCH})
    set_source_files_properties(${CMAKE_CURRENT_SOURCE_DIR}/${_file} TARGET_DIRECTORY ${target}
      PROPERTIES COMPILE_DEFINITIONS QLX_VECTOR_KERNELS)
  endforeach()
endfunction()
