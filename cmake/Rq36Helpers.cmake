# rq36_interface_library(<target> <sources>...)
# A shared library that speaks the interface library contract: C exports only,
# everything else hidden, found by its neighbours in the same folder.
function(rq36_interface_library target)
  add_library(${target} SHARED ${ARGN})
  set_target_properties(${target} PROPERTIES
    C_VISIBILITY_PRESET hidden
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    BUILD_RPATH "$ORIGIN"
    INSTALL_RPATH "$ORIGIN")
  target_link_libraries(${target} PRIVATE rq36_contract)
endfunction()

# What every test runs with: offscreen windows, instant simulated lines, a
# module memory that never touches the disk, no front-panel sockets (a test
# of the panel names its own folder), and a data folder of the build's own
# (calibration backups never land in the user's home).
set(RQ36_TEST_ENVIRONMENT
    "QT_QPA_PLATFORM=offscreen;RQ36_SIM_INSTANT=1;RQ36_SIM_STATE=:memory:;RQ36_SIM_PANEL_DIR=off;XDG_DATA_HOME=${CMAKE_BINARY_DIR}/test_data_home")

# rq36_gtest(<target> SOURCES ... LIBS ...)
# A GoogleTest executable registered with CTest; RQ36_BIN_DIR tells it where
# the program's folder (program, ORSG, stand-ins) is.  Tests run offscreen, with
# instant simulated lines and a module memory that never touches the disk
# (a test that wants a state file names its own).
function(rq36_gtest target)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${target} ${T_SOURCES})
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  target_link_libraries(${target} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  target_compile_definitions(${target} PRIVATE RQ36_BIN_DIR="${RQ36_BIN_DIR}")
  # The discovered tests take their properties as a flat list, so the
  # environment's own separators must be escaped or only its first entry
  # would reach the tests.
  string(REPLACE ";" "\\;" environment "${RQ36_TEST_ENVIRONMENT}")
  gtest_discover_tests(${target}
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "${environment}")
endfunction()

# rq36_qtest(<target> SOURCES ... LIBS ...)
# A Qt Test executable, run offscreen.
function(rq36_qtest target)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${target} ${T_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/threads_at_exit.cpp)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  target_link_libraries(${target} PRIVATE ${T_LIBS} Qt6::Test)
  target_compile_definitions(${target} PRIVATE RQ36_BIN_DIR="${RQ36_BIN_DIR}")
  add_test(NAME ${target} COMMAND ${target})
  set_tests_properties(${target} PROPERTIES
    ENVIRONMENT "${RQ36_TEST_ENVIRONMENT}")
endfunction()
