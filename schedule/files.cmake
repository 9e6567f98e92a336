# sonterra_schedule_files: the state file, the weekday program files and the
# program's folders (no Qt).
add_library(sonterra_schedule_files STATIC
  ${CMAKE_CURRENT_LIST_DIR}/schedule_files.h ${CMAKE_CURRENT_LIST_DIR}/schedule_files.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file_system.h ${CMAKE_CURRENT_LIST_DIR}/file_system.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file_system_platform.h
  ${CMAKE_CURRENT_LIST_DIR}/current_folder.h ${CMAKE_CURRENT_LIST_DIR}/current_folder.cpp)
if(WIN32)
  target_sources(sonterra_schedule_files PRIVATE ${CMAKE_CURRENT_LIST_DIR}/file_system_windows.cpp
    ${CMAKE_CURRENT_LIST_DIR}/file_read_windows.cpp)
else()
  target_sources(sonterra_schedule_files PRIVATE ${CMAKE_CURRENT_LIST_DIR}/file_system_posix.cpp
    ${CMAKE_CURRENT_LIST_DIR}/file_read_posix.cpp)
endif()
target_link_libraries(sonterra_schedule_files PUBLIC sonterra_settings sonterra_core)
