# sonterra_usom: the main window TForm1 (layout in resources/usom.ui).
add_library(sonterra_usom STATIC
  ${CMAKE_CURRENT_LIST_DIR}/usom.h ${CMAKE_CURRENT_LIST_DIR}/usom.cpp
  ${CMAKE_CURRENT_LIST_DIR}/usom_listbox.h ${CMAKE_CURRENT_LIST_DIR}/usom_listbox.cpp
  ${CMAKE_CURRENT_LIST_DIR}/usom_semana.h ${CMAKE_CURRENT_LIST_DIR}/usom_semana.cpp
  ${CMAKE_SOURCE_DIR}/resources/usom.ui)
target_link_libraries(sonterra_usom
  PUBLIC sonterra_settings sonterra_scheduler sonterra_schedule_files sonterra_core
         sonterra_audio sonterra_widgets sonterra_windows sonterra_resources Qt6::Widgets)
sonterra_use_qt(sonterra_usom)
