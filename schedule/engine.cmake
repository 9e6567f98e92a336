# sonterra_atalho: the autostart shortcut, plain C++ (a desktop entry here, a
# shell link on Windows).
# sonterra_scheduler: the scheduler engine and its wall-clock phased timer.
if(WIN32)
  add_library(sonterra_atalho STATIC ${CMAKE_CURRENT_LIST_DIR}/atalho_windows.cpp)
  target_link_libraries(sonterra_atalho PRIVATE sonterra_core ole32 uuid)
else()
  add_library(sonterra_atalho STATIC ${CMAKE_CURRENT_LIST_DIR}/atalho_xdg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/desktop_entry_xdg.h ${CMAKE_CURRENT_LIST_DIR}/desktop_entry_xdg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/desktop_entry_read_xdg.cpp)
  # The desktop entry is replaced the same safe way as the schedule files.
  target_link_libraries(sonterra_atalho PRIVATE sonterra_schedule_files)
endif()
target_link_libraries(sonterra_atalho PUBLIC sonterra_settings)

if(SONTERRA_CORE_ONLY)
  return()
endif()

add_library(sonterra_scheduler STATIC
  ${CMAKE_CURRENT_LIST_DIR}/scheduler.cpp
  ${CMAKE_CURRENT_LIST_DIR}/phased_timer.cpp)
target_link_libraries(sonterra_scheduler
  PUBLIC sonterra_settings sonterra_atalho sonterra_core sonterra_schedule_files sonterra_audio_player
  PRIVATE Qt6::Core)
sonterra_use_qt(sonterra_scheduler)
