# Tests of rq36_core: settings file, binding, request call, the connection's
# initialisation, command set and transfer procedures.

# Stand-in interface libraries for the binding and request tests, in a folder
# of their own (never the program's folder): one per name and call shape.
set(RQ36_FAKE_ORS_DIR ${CMAKE_CURRENT_BINARY_DIR}/fake_ors)
function(rq36_fake_ors target name init)
  add_library(${target} SHARED ${CMAKE_CURRENT_SOURCE_DIR}/fakes/fake_ors.c)
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME ${name}
    LIBRARY_OUTPUT_DIRECTORY ${RQ36_FAKE_ORS_DIR}
    C_VISIBILITY_PRESET hidden)
  target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/fakes)
  target_compile_definitions(${target} PRIVATE FAKE_PREFIX=${name}_ FAKE_INIT=${init} ${ARGN})
  target_link_libraries(${target} PRIVATE rq36_contract)
endfunction()
rq36_fake_ors(rq36_fake_orsa ORSA 0 FAKE_MODBUS=0)
rq36_fake_ors(rq36_fake_orsb ORSB 0 FAKE_MODBUS=0 FAKE_NO_VERSION)
rq36_fake_ors(rq36_fake_orsc ORSC 1 FAKE_MODBUS=0)
rq36_fake_ors(rq36_fake_orse ORSE 2 FAKE_MODBUS=0)
rq36_fake_ors(rq36_fake_orsf ORSF 0 FAKE_MODBUS=1)
rq36_fake_ors(rq36_fake_orsg ORSG 2 FAKE_MODBUS=0)

rq36_gtest(test_app_settings
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/settings_test.cpp ${CMAKE_CURRENT_SOURCE_DIR}/ini_document_test.cpp
  LIBS rq36_core)

rq36_gtest(test_app_interface
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/interface/binding_test.cpp
          ${CMAKE_CURRENT_SOURCE_DIR}/interface/module_request_test.cpp
          ${CMAKE_CURRENT_SOURCE_DIR}/interface/bus_scan_test.cpp
          ${CMAKE_CURRENT_SOURCE_DIR}/interface/traffic_ring_test.cpp
  LIBS rq36_core)
target_include_directories(test_app_interface PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/fakes)
target_compile_definitions(test_app_interface PRIVATE RQ36_FAKE_ORS_DIR="${RQ36_FAKE_ORS_DIR}")
add_dependencies(test_app_interface
  rq36_fake_orsa rq36_fake_orsb rq36_fake_orsc rq36_fake_orse rq36_fake_orsf rq36_fake_orsg)

rq36_gtest(connection_logic_test
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/interface/connection_logic_test.cpp
          ${CMAKE_CURRENT_SOURCE_DIR}/interface/connection_overview_test.cpp
  LIBS rq36_core)

rq36_gtest(test_app_module
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/module/command_set_test.cpp
          ${CMAKE_CURRENT_SOURCE_DIR}/module/config_transfer_test.cpp
          ${CMAKE_CURRENT_SOURCE_DIR}/module/range_table_test.cpp
          ${CMAKE_CURRENT_SOURCE_DIR}/module/value_format_test.cpp
          ${CMAKE_CURRENT_SOURCE_DIR}/module/snapshot_test.cpp
          ${CMAKE_CURRENT_SOURCE_DIR}/scripted_module.h
  LIBS rq36_core)
target_include_directories(test_app_module PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})

rq36_gtest(test_app_calibration
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/calibration/calibration_math_test.cpp
          ${CMAKE_CURRENT_SOURCE_DIR}/calibration/calibration_procedure_test.cpp
          ${CMAKE_CURRENT_SOURCE_DIR}/scripted_module.h
  LIBS rq36_core)
target_include_directories(test_app_calibration PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})

rq36_gtest(test_app_live
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/live/live_values_test.cpp
          ${CMAKE_CURRENT_SOURCE_DIR}/live/live_ticks_test.cpp
          ${CMAKE_CURRENT_SOURCE_DIR}/live/recorder_test.cpp
          ${CMAKE_CURRENT_SOURCE_DIR}/live/trace_history_test.cpp
          ${CMAKE_CURRENT_SOURCE_DIR}/live/plot_ticks_test.cpp
          ${CMAKE_CURRENT_SOURCE_DIR}/scripted_module.h
  LIBS rq36_core)
target_include_directories(test_app_live PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
