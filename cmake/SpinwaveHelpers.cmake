# add_subdirectory for every child folder of DIR that has a CMakeLists.txt (except tests/common,
# which the top level adds first).
function(spinwave_add_subdirectories dir)
  file(GLOB children LIST_DIRECTORIES true RELATIVE ${CMAKE_SOURCE_DIR}/${dir} ${CMAKE_SOURCE_DIR}/${dir}/*)
  list(SORT children)
  foreach(child IN LISTS children)
    if(NOT "${dir}/${child}" STREQUAL "tests/common"
       AND IS_DIRECTORY ${CMAKE_SOURCE_DIR}/${dir}/${child}
       AND EXISTS ${CMAKE_SOURCE_DIR}/${dir}/${child}/CMakeLists.txt)
      add_subdirectory(${dir}/${child})
    endif()
  endforeach()
endfunction()

# spinwave_add_test(NAME name SOURCES a.cpp b.cpp LIBS lib1 lib2)
# One GoogleTest program; its main() creates a QApplication on the offscreen platform, so widget
# tests need no display. Every test case runs with the no-sound output and with the program and
# settings folders pointed into a fresh temporary folder of the build tree.
function(spinwave_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE spinwave_testmain ${T_LIBS} GTest::gtest GTest::gmock)
  set(home ${CMAKE_BINARY_DIR}/testhome/${T_NAME})
  gtest_discover_tests(${T_NAME}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES
      TIMEOUT 120
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;SPINWAVE_OUTPUT=nosound;SPINWAVE_TEST_TMP=${home};SPINWAVE_HOME=${home}/program/;XDG_CONFIG_HOME=${home}/config;XDG_DATA_HOME=${home}/data;XDG_RUNTIME_DIR=${home}/run;ASAN_OPTIONS=detect_leaks=1:abort_on_error=0;LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/.ci/lsan.supp;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
endfunction()

# spinwave_add_benchmark(NAME name SOURCES ... LIBS ...)
function(spinwave_add_benchmark)
  cmake_parse_arguments(B "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${B_NAME} ${B_SOURCES})
  target_link_libraries(${B_NAME} PRIVATE ${B_LIBS} benchmark::benchmark)
endfunction()
