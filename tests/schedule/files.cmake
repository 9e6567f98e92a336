# Tests of the schedule files (state file, day files, folders, failed writes).
add_executable(schedule_files_tests
  ${CMAKE_CURRENT_LIST_DIR}/files_day_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/files_entry_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/files_failure_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/files_path_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/files_state_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/files_text_test.cpp)
target_link_libraries(schedule_files_tests PRIVATE sonterra_schedule_files sonterra_test_platform
  GTest::gtest_main)
set(_files_tests_home ${CMAKE_CURRENT_BINARY_DIR}/files_home)
file(MAKE_DIRECTORY ${_files_tests_home})
gtest_discover_tests(schedule_files_tests DISCOVERY_MODE PRE_TEST TEST_PREFIX "schedule.files.")
sonterra_tests_environment(schedule_files_tests HOME=${_files_tests_home}
  XDG_CONFIG_HOME=${_files_tests_home}/.config)

# Tests that start and kill processes of their own (fork, kill), or make
# FIFOs: POSIX only.
if(NOT WIN32)
  target_sources(schedule_files_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/files_temporary_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/files_hostile_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/files_permissions_test.cpp)

  # The crash-during-write trial: its driver writes in a loop, the test kills it.
  add_executable(files_crash_driver ${CMAKE_CURRENT_LIST_DIR}/files_crash_driver.cpp)
  target_link_libraries(files_crash_driver PRIVATE sonterra_schedule_files)
  target_sources(schedule_files_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/files_crash_test.cpp)
  target_compile_definitions(schedule_files_tests PRIVATE
    SONTERRA_CRASH_DRIVER="$<TARGET_FILE:files_crash_driver>")
  add_dependencies(schedule_files_tests files_crash_driver)
endif()
