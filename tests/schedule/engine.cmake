# Tests of the autostart shortcut and of the scheduler engine.
if(WIN32)
  add_executable(schedule_atalho_tests ${CMAKE_CURRENT_LIST_DIR}/atalho_windows_test.cpp)
  target_link_libraries(schedule_atalho_tests PRIVATE sonterra_atalho sonterra_core
    sonterra_test_platform GTest::gtest_main ole32 uuid)
else()
  add_executable(schedule_atalho_tests ${CMAKE_CURRENT_LIST_DIR}/atalho_xdg_test.cpp)
  target_link_libraries(schedule_atalho_tests PRIVATE sonterra_atalho sonterra_test_platform GTest::gtest_main)
endif()
gtest_discover_tests(schedule_atalho_tests DISCOVERY_MODE PRE_TEST TEST_PREFIX "schedule.atalho.")

if(SONTERRA_CORE_ONLY)
  return()
endif()

add_executable(schedule_engine_tests
  ${CMAKE_CURRENT_LIST_DIR}/engine_fixture.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine_activation_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine_tick_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine_spoken_time_test.cpp)
target_link_libraries(schedule_engine_tests PRIVATE sonterra_scheduler sonterra_test_platform GTest::gtest_main)
gtest_discover_tests(schedule_engine_tests DISCOVERY_MODE PRE_TEST TEST_PREFIX "schedule.engine.")

add_executable(schedule_phased_timer_tests ${CMAKE_CURRENT_LIST_DIR}/engine_phased_timer_test.cpp)
target_link_libraries(schedule_phased_timer_tests PRIVATE sonterra_scheduler Qt6::Core GTest::gtest_main)
sonterra_use_qt(schedule_phased_timer_tests)
gtest_discover_tests(schedule_phased_timer_tests DISCOVERY_MODE PRE_TEST TEST_PREFIX "schedule.engine."
  PROPERTIES ${SONTERRA_TIMING_TEST})
