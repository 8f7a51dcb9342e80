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
# One GoogleTest program. Its main() (tests/common/TestMain.cpp) creates a QApplication on the
# offscreen platform, forces the no-sound output and gives each test process private program,
# settings and temporary folders under build/testhome, so tests need no display or sound card
# and never touch the user's files.
function(spinwave_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE spinwave_testmain ${T_LIBS} GTest::gtest GTest::gmock)
  gtest_discover_tests(${T_NAME}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 120)
endfunction()

# spinwave_add_benchmark(NAME name SOURCES ... LIBS ...)
function(spinwave_add_benchmark)
  cmake_parse_arguments(B "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${B_NAME} ${B_SOURCES})
  target_link_libraries(${B_NAME} PRIVATE ${B_LIBS} benchmark::benchmark)
endfunction()
