# Run at install time (packaging/windows.cmake): copies beside sonterra.exe
# the DLLs it and its plugins (MODULES) load, and theirs, found in DLL_DIRS;
# Windows' own DLLs are found on every PC and are left out.
#
# CMake looks an imported DLL up under its name in lower case, as Windows
# would find it; among Linux's file names that misses Qt6Core.dll. So it
# looks them up through links named in lower case, and each DLL is installed
# under its own name.
set(CMAKE_GET_RUNTIME_DEPENDENCIES_PLATFORM windows+pe)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_TOOL objdump)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_COMMAND "${OBJDUMP}")

file(REMOVE_RECURSE "${NAMES_DIR}")
file(MAKE_DIRECTORY "${NAMES_DIR}")
foreach(dir IN LISTS DLL_DIRS)
  file(GLOB found "${dir}/*.dll")
  foreach(dll IN LISTS found)
    get_filename_component(name "${dll}" NAME)
    string(TOLOWER "${name}" name)
    if(NOT EXISTS "${NAMES_DIR}/${name}") # the first directory wins
      file(CREATE_LINK "${dll}" "${NAMES_DIR}/${name}" SYMBOLIC)
    endif()
  endforeach()
endforeach()

file(GET_RUNTIME_DEPENDENCIES
  EXECUTABLES "${PROGRAM}"
  MODULES ${MODULES}
  DIRECTORIES "${NAMES_DIR}"
  RESOLVED_DEPENDENCIES_VAR dlls
  UNRESOLVED_DEPENDENCIES_VAR windows_dlls)
foreach(dll IN LISTS dlls)
  file(REAL_PATH "${dll}" dll)
  file(INSTALL "${dll}" DESTINATION "${CMAKE_INSTALL_PREFIX}")
endforeach()
