# Tests of the main window and the start-up sequence, on Qt's offscreen
# platform with SDL's dummy audio output.
add_executable(sonterra_usom_tests
  ${CMAKE_CURRENT_LIST_DIR}/usom_test_main.cpp
  ${CMAKE_CURRENT_LIST_DIR}/usom_support.h
  ${CMAKE_CURRENT_LIST_DIR}/usom_form_fixture.h
  ${CMAKE_CURRENT_LIST_DIR}/usom_widgets_tests.cpp
  ${CMAKE_CURRENT_LIST_DIR}/usom_edit_tests.cpp
  ${CMAKE_CURRENT_LIST_DIR}/usom_window_tests.cpp
  ${CMAKE_CURRENT_LIST_DIR}/usom_startup_tests.cpp)
target_link_libraries(sonterra_usom_tests PRIVATE sonterra_usom Qt6::Test GTest::gtest)
gtest_discover_tests(sonterra_usom_tests DISCOVERY_MODE PRE_TEST TEST_PREFIX "usom."
  PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;SDL_AUDIODRIVER=dummy" TIMEOUT 60)

# Qt's own command-line options, given to the application object.
add_executable(sonterra_usom_arguments_test ${CMAKE_CURRENT_LIST_DIR}/usom_arguments_test.cpp)
target_link_libraries(sonterra_usom_arguments_test PRIVATE sonterra_usom GTest::gtest)
gtest_discover_tests(sonterra_usom_arguments_test DISCOVERY_MODE PRE_TEST TEST_PREFIX "usom.")
