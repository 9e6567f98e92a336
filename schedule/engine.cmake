# sonterra_scheduler: the scheduler engine, its wall-clock phased timer and the
# autostart shortcut (a desktop entry here, a shell link on Windows).
add_library(sonterra_scheduler STATIC
  ${CMAKE_CURRENT_LIST_DIR}/scheduler.cpp
  ${CMAKE_CURRENT_LIST_DIR}/phased_timer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/current_folder.cpp)
if(WIN32)
  target_sources(sonterra_scheduler PRIVATE ${CMAKE_CURRENT_LIST_DIR}/atalho_windows.cpp)
  target_link_libraries(sonterra_scheduler PRIVATE ole32 uuid)
else()
  target_sources(sonterra_scheduler PRIVATE ${CMAKE_CURRENT_LIST_DIR}/atalho_xdg.cpp)
endif()
target_link_libraries(sonterra_scheduler
  PUBLIC sonterra_settings sonterra_app sonterra_schedule_files
  PRIVATE Qt6::Core)
