# Windows and dialogs of the program (static library rq36_ui), including the
# connection dialog's conversions and its initialisation procedure.
set(RQ36_UI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/main_window.h
  ${CMAKE_CURRENT_LIST_DIR}/main_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/about_box.h
  ${CMAKE_CURRENT_LIST_DIR}/about_box.cpp
  ${CMAKE_CURRENT_LIST_DIR}/desktop_integration.h
  ${CMAKE_CURRENT_LIST_DIR}/desktop_integration.cpp
  ${CMAKE_CURRENT_LIST_DIR}/interface/connection_dialog.h
  ${CMAKE_CURRENT_LIST_DIR}/interface/connection_dialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/interface/connection_logic.h
  ${CMAKE_CURRENT_LIST_DIR}/interface/connection_logic.cpp
)
