# Tests of the program's windows and of the connection dialog's logic.

# Fake interface libraries that misbehave on request (tests only; each in a
# folder of its own, because the program finds a library by its file name).
foreach(variant good noversion)
  add_library(rq36_ui_fake_${variant} SHARED ${CMAKE_CURRENT_LIST_DIR}/ui_fakes/fake_interface.cpp)
  set_target_properties(rq36_ui_fake_${variant} PROPERTIES
    OUTPUT_NAME ORSA
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/ui_fakes/${variant}
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  target_link_libraries(rq36_ui_fake_${variant} PRIVATE rq36_contract)
endforeach()
target_compile_definitions(rq36_ui_fake_noversion PRIVATE FAKE_OMIT_VERSION)

set(RQ36_UI_TEST_DEFINITIONS
  RQ36_UI_FAKES_DIR="${CMAKE_CURRENT_BINARY_DIR}/ui_fakes"
  RQ36_UI_SHOTS_DIR="${CMAKE_CURRENT_BINARY_DIR}/screenshots")

rq36_gtest(connection_logic_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/interface/connection_logic_test.cpp
  LIBS rq36_ui)

rq36_qtest(connection_dialog_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/interface/connection_dialog_test.cpp ${CMAKE_CURRENT_LIST_DIR}/ui_test_support.h
  LIBS rq36_ui)
rq36_qtest(main_window_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/main_window_test.cpp ${CMAKE_CURRENT_LIST_DIR}/ui_test_support.h
  LIBS rq36_ui)
foreach(t connection_dialog_test main_window_test)
  target_include_directories(${t} PRIVATE ${CMAKE_CURRENT_LIST_DIR})
  target_compile_definitions(${t} PRIVATE ${RQ36_UI_TEST_DEFINITIONS})
  add_dependencies(${t} rq36_ui_fake_good rq36_ui_fake_noversion)
endforeach()

# A whole connection through every kind, against the simulated hardware and
# the libraries of this build's bin folder.
rq36_qtest(connection_e2e_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/e2e/connection_e2e_test.cpp ${CMAKE_CURRENT_LIST_DIR}/ui_test_support.h
  LIBS rq36_ui)
target_include_directories(connection_e2e_test PRIVATE ${CMAKE_CURRENT_LIST_DIR})
foreach(lib ORSA ORSB ORSC ORSD ORSE ORSF ORSG VARNEL_OX952)
  if(TARGET ${lib})
    add_dependencies(connection_e2e_test ${lib})
  endif()
endforeach()
