# Tests of the main window and the start-up sequence, on Qt's offscreen
# platform with SDL's dummy audio output.
add_executable(forms_usom_tests
  ${CMAKE_CURRENT_LIST_DIR}/usom_test_main.cpp
  ${CMAKE_CURRENT_LIST_DIR}/usom_support.h
  ${CMAKE_CURRENT_LIST_DIR}/usom_form_fixture.h
  ${CMAKE_CURRENT_LIST_DIR}/usom_widgets_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/usom_edit_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/usom_window_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/usom_startup_test.cpp)
target_link_libraries(forms_usom_tests PRIVATE sonterra_forms sonterra_startup sonterra_test_sounds
  sonterra_test_platform Qt6::Test GTest::gtest)
sonterra_use_qt(forms_usom_tests)
gtest_discover_tests(forms_usom_tests DISCOVERY_MODE PRE_TEST TEST_PREFIX "forms.usom."
  PROPERTIES TIMEOUT 60)
sonterra_tests_environment(forms_usom_tests QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy)
add_test(NAME forms.usom.TextsFitAtFonts125 COMMAND forms_usom_tests
  --gtest_filter=FormTest.EveryTextFitsItsBoxWithoutTheNarrowFont)
set_tests_properties(forms.usom.TextsFitAtFonts125 PROPERTIES TIMEOUT 60
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen;SDL_AUDIODRIVER=dummy;QT_FONT_DPI=120")

# Qt's own command-line options, given to the application object.
add_executable(forms_usom_arguments_tests ${CMAKE_CURRENT_LIST_DIR}/usom_arguments_test.cpp)
target_link_libraries(forms_usom_arguments_tests PRIVATE sonterra_startup GTest::gtest)
sonterra_use_qt(forms_usom_arguments_tests)
gtest_discover_tests(forms_usom_arguments_tests DISCOVERY_MODE PRE_TEST TEST_PREFIX "forms.usom.")
