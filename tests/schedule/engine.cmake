# Tests of the autostart shortcut and of the scheduler engine.
if(NOT WIN32)
  add_executable(sonterra_atalho_tests ${CMAKE_CURRENT_LIST_DIR}/atalho_xdg_tests.cpp)
  target_link_libraries(sonterra_atalho_tests PRIVATE sonterra_atalho GTest::gtest_main)
  gtest_discover_tests(sonterra_atalho_tests DISCOVERY_MODE PRE_TEST)
endif()
