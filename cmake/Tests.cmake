# vornix_gtest(<name> SOURCES ... LIBS ... [ENV NAME=value ...]): one GoogleTest program whose
# cases are registered with CTest one by one. A program without sources is a
# configuration error; the fuzz build builds no test programs.
find_package(GTest REQUIRED)
include(GoogleTest)
function(vornix_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;ENV" ${ARGN})
  if(NOT T_SOURCES)
    message(FATAL_ERROR "test program ${name} holds no sources")
  endif()
  if(VORNIX_FUZZ)
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  # Test programs stay out of bin/, which holds only what a user runs; the
  # libraries (and what they load from beside them) are found through rpath.
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${T_LIBS} vornix_testing GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    VORNIX_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    VORNIX_PYTHON="${VORNIX_PYTHON}")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "VORNIX_REGISTRY_DIR=${CMAKE_BINARY_DIR}/test-registry;${T_ENV}")
endfunction()
