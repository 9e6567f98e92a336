# GoogleTest: the installed one on Linux; for a cross build, compiled here from
# the sources of Debian's googletest package (no Windows binaries exist).
if(CMAKE_CROSSCOMPILING)
  set(SONTERRA_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
  if(NOT EXISTS ${SONTERRA_GOOGLETEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR "No GoogleTest sources at ${SONTERRA_GOOGLETEST_SOURCE} (Debian package googletest)")
  endif()
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(${SONTERRA_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
else()
  find_package(GTest REQUIRED)
endif()

# The environment of the tests gtest_discover_tests finds. Its PROPERTIES
# option splits a list on the way through GoogleTest's module, so ENVIRONMENT
# "A=1;B=2" would reach the tests as A alone: the variables are set instead
# from a file CTest reads after the discovered tests' own.
function(sonterra_tests_environment target)
  set(file ${CMAKE_CURRENT_BINARY_DIR}/${target}_environment.cmake)
  file(WRITE ${file}
    "if(${target}_TESTS)\n"
    "  set_tests_properties(\${${target}_TESTS} PROPERTIES ENVIRONMENT [==[${ARGN}]==])\n"
    "endif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${file})
endfunction()
