# Sources of rq36_core (Qt Core only): settings record and file, interface
# library binding, request call, module command set and transfer procedures.
list(APPEND RQ36_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/connection_settings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/settings_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/settings_file.h
  ${CMAKE_CURRENT_LIST_DIR}/interface/binding.cpp
  ${CMAKE_CURRENT_LIST_DIR}/interface/binding_table.h
  ${CMAKE_CURRENT_LIST_DIR}/interface/module_request.cpp
  ${CMAKE_CURRENT_LIST_DIR}/interface/platform/platform.h
)
if(WIN32)
  list(APPEND RQ36_CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/interface/platform/platform_windows.cpp)
else()
  list(APPEND RQ36_CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/interface/platform/platform_posix.cpp)
endif()
foreach(f module/command_set module/config_transfer)
  if(EXISTS ${CMAKE_CURRENT_LIST_DIR}/${f}.cpp)
    list(APPEND RQ36_CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/${f}.cpp ${CMAKE_CURRENT_LIST_DIR}/${f}.h)
  endif()
endforeach()
