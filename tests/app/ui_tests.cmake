# Tests of the program's windows.  They use the stand-in interface libraries
# of core_tests.cmake.

rq36_qtest(connection_dialog_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/interface/connection_dialog_test.cpp ${CMAKE_CURRENT_LIST_DIR}/ui_test_support.h
  LIBS rq36_ui)
rq36_qtest(main_window_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/main_window_test.cpp ${CMAKE_CURRENT_LIST_DIR}/ui_test_support.h
  LIBS rq36_ui)
rq36_qtest(plain_text_delegate_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/interface/plain_text_delegate_test.cpp
  LIBS rq36_ui)
# A whole connection through every kind, against the simulated hardware and
# the libraries of this build's bin folder.
rq36_qtest(connection_e2e_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/e2e/connection_e2e_test.cpp ${CMAKE_CURRENT_LIST_DIR}/ui_test_support.h
  LIBS rq36_ui)
rq36_qtest(live_views_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/live/live_views_test.cpp ${CMAKE_CURRENT_LIST_DIR}/ui_test_support.h
          ${CMAKE_CURRENT_LIST_DIR}/scripted_module.h
  LIBS rq36_ui)
rq36_qtest(live_e2e_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/e2e/live_e2e_test.cpp ${CMAKE_CURRENT_LIST_DIR}/ui_test_support.h
  LIBS rq36_ui)
foreach(t connection_dialog_test main_window_test connection_e2e_test live_views_test live_e2e_test)
  target_include_directories(${t} PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${CMAKE_CURRENT_LIST_DIR}/fakes)
  target_compile_definitions(${t} PRIVATE
    RQ36_FAKE_ORS_DIR="${RQ36_FAKE_ORS_DIR}" RQ36_UI_SHOTS_DIR="${CMAKE_CURRENT_BINARY_DIR}/screenshots")
endforeach()
add_dependencies(connection_dialog_test rq36_fake_orsa rq36_fake_orsb rq36_fake_orse rq36_fake_orsg)
add_dependencies(main_window_test rq36_fake_orsa rq36_fake_orse)
# The configuration dialogs and the restart dialog, against a scripted
# module and end to end against the simulated module.
rq36_qtest(config_dialogs_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/module/config_dialogs_test.cpp ${CMAKE_CURRENT_LIST_DIR}/scripted_module.h
          ${CMAKE_CURRENT_LIST_DIR}/ui_test_support.h
  LIBS rq36_ui)
target_include_directories(config_dialogs_test PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${CMAKE_CURRENT_LIST_DIR}/fakes)
target_compile_definitions(config_dialogs_test PRIVATE
  RQ36_FAKE_ORS_DIR="${RQ36_FAKE_ORS_DIR}" RQ36_UI_SHOTS_DIR="${CMAKE_CURRENT_BINARY_DIR}/screenshots")
rq36_qtest(config_dialogs_e2e_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/e2e/config_dialogs_e2e_test.cpp ${CMAKE_CURRENT_LIST_DIR}/ui_test_support.h
  LIBS rq36_ui)
target_include_directories(config_dialogs_e2e_test PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${CMAKE_CURRENT_LIST_DIR}/fakes)
target_compile_definitions(config_dialogs_e2e_test PRIVATE RQ36_FAKE_ORS_DIR="${RQ36_FAKE_ORS_DIR}")
foreach(t connection_e2e_test config_dialogs_e2e_test)
  add_dependencies(${t} ORSA ORSB ORSC ORSD ORSE ORSF ORSG VARNEL_OX952)
endforeach()
rq36_qtest(desktop_integration_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/desktop_integration_test.cpp
  LIBS rq36_ui)

# The calibration dialog over a scripted module, and whole calibrations
# against the simulated module through real interface libraries.
rq36_qtest(calibration_dialog_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/calibration/calibration_dialog_test.cpp ${CMAKE_CURRENT_LIST_DIR}/scripted_module.h
          ${CMAKE_CURRENT_LIST_DIR}/ui_test_support.h
  LIBS rq36_ui)
target_include_directories(calibration_dialog_test PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${CMAKE_CURRENT_LIST_DIR}/fakes)
target_compile_definitions(calibration_dialog_test PRIVATE RQ36_FAKE_ORS_DIR="${RQ36_FAKE_ORS_DIR}")
rq36_qtest(calibration_e2e_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/calibration/calibration_e2e_test.cpp ${CMAKE_CURRENT_LIST_DIR}/ui_test_support.h
  LIBS rq36_ui rq36_sim_model)
target_include_directories(calibration_e2e_test PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${CMAKE_CURRENT_LIST_DIR}/fakes)
target_compile_definitions(calibration_e2e_test PRIVATE
  RQ36_FAKE_ORS_DIR="${RQ36_FAKE_ORS_DIR}" RQ36_UI_SHOTS_DIR="${CMAKE_CURRENT_BINARY_DIR}/screenshots")
add_dependencies(calibration_e2e_test ORSA ORSG VARNEL_OX952)
add_dependencies(live_e2e_test ORSA ORSG VARNEL_OX952)

# Snapshots against the simulated module through the COM-port library.
rq36_gtest(snapshot_e2e_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/e2e/snapshot_e2e_test.cpp
  LIBS rq36_ui)
add_dependencies(snapshot_e2e_test ORSA VARNEL_OX952)
rq36_qtest(snapshot_dialogs_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/module/snapshot_dialogs_test.cpp ${CMAKE_CURRENT_LIST_DIR}/scripted_module.h
  LIBS rq36_ui)
target_include_directories(snapshot_dialogs_test PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_compile_definitions(snapshot_dialogs_test PRIVATE RQ36_UI_SHOTS_DIR="${CMAKE_CURRENT_BINARY_DIR}/screenshots")

# The scan window against the simulated hardware: a stand-in line, an ORS-G
# channel and rq36-modbus-sim on a pseudo-terminal.
rq36_qtest(scan_e2e_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/e2e/scan_e2e_test.cpp ${CMAKE_CURRENT_LIST_DIR}/ui_test_support.h
          ${CMAKE_CURRENT_LIST_DIR}/../orsf/modbus_simulator.h
  LIBS rq36_ui)
target_include_directories(scan_e2e_test PRIVATE
  ${CMAKE_CURRENT_LIST_DIR} ${CMAKE_CURRENT_LIST_DIR}/fakes ${CMAKE_CURRENT_LIST_DIR}/../orsf)
target_compile_definitions(scan_e2e_test PRIVATE
  RQ36_FAKE_ORS_DIR="${RQ36_FAKE_ORS_DIR}" RQ36_UI_SHOTS_DIR="${CMAKE_CURRENT_BINARY_DIR}/screenshots"
  RQ36_MODBUS_SIM="$<TARGET_FILE:rq36_modbus_sim>")
add_dependencies(scan_e2e_test ORSA ORSF ORSG VARNEL_OX952 rq36_modbus_sim)

# The traffic monitor and ORSG's diagnostic window beside a live view,
# against the simulated module behind ORSG.
rq36_qtest(traffic_e2e_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/e2e/traffic_e2e_test.cpp ${CMAKE_CURRENT_LIST_DIR}/ui_test_support.h
  LIBS rq36_ui)
target_include_directories(traffic_e2e_test PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${CMAKE_CURRENT_LIST_DIR}/fakes)
target_compile_definitions(traffic_e2e_test PRIVATE RQ36_FAKE_ORS_DIR="${RQ36_FAKE_ORS_DIR}")
target_compile_definitions(traffic_e2e_test PRIVATE RQ36_UI_SHOTS_DIR="${CMAKE_CURRENT_BINARY_DIR}/screenshots")
add_dependencies(traffic_e2e_test ORSG VARNEL_OX952)

# The recorder against the simulated module; its file read back by Python.
rq36_qtest(recorder_e2e_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/e2e/recorder_e2e_test.cpp ${CMAKE_CURRENT_LIST_DIR}/ui_test_support.h
  LIBS rq36_ui)
target_include_directories(recorder_e2e_test PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${CMAKE_CURRENT_LIST_DIR}/fakes)
target_compile_definitions(recorder_e2e_test PRIVATE
  RQ36_FAKE_ORS_DIR="${RQ36_FAKE_ORS_DIR}" RQ36_UI_SHOTS_DIR="${CMAKE_CURRENT_BINARY_DIR}/screenshots"
  RQ36_READ_RECORDING_SCRIPT="${CMAKE_CURRENT_LIST_DIR}/live/read_recording.py"
  RQ36_RECORDER_SAMPLES=$<IF:$<BOOL:${RQ36_SANITIZE}>,50000,100000>)
add_dependencies(recorder_e2e_test ORSA VARNEL_OX952)

# The plot widget offscreen.
rq36_qtest(plot_widget_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/live/plot_widget_test.cpp ${CMAKE_CURRENT_LIST_DIR}/ui_test_support.h
  LIBS rq36_ui)
target_include_directories(plot_widget_test PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${CMAKE_CURRENT_LIST_DIR}/fakes)
target_compile_definitions(plot_widget_test PRIVATE
  RQ36_FAKE_ORS_DIR="${RQ36_FAKE_ORS_DIR}" RQ36_UI_SHOTS_DIR="${CMAKE_CURRENT_BINARY_DIR}/screenshots")
