# The Windows program folder, which the setup program (installer/sonterra.nsi)
# is made from: sonterra.exe; the DLLs that it and its Qt plugins load, and
# theirs, found by CMake in their import tables (no other DLL, and none of
# Windows' own); the plugins; Qt's Brazilian Portuguese texts and a qt.conf
# that makes Qt look beside the program; the sample bells and the clips.
set(deps ${SONTERRA_WINDOWS_DEPS})
install(TARGETS sonterra RUNTIME DESTINATION . COMPONENT program)
set(plugins ${deps}/plugins/platforms/qwindows.dll ${deps}/plugins/imageformats/qjpeg.dll)
install(FILES ${deps}/plugins/platforms/qwindows.dll DESTINATION platforms COMPONENT program)
install(FILES ${deps}/plugins/imageformats/qjpeg.dll DESTINATION imageformats COMPONENT program)
if(EXISTS ${deps}/plugins/styles/qwindowsvistastyle.dll)
  list(APPEND plugins ${deps}/plugins/styles/qwindowsvistastyle.dll)
  install(FILES ${deps}/plugins/styles/qwindowsvistastyle.dll DESTINATION styles COMPONENT program)
endif()
install(FILES /usr/share/qt6/translations/qtbase_pt_BR.qm DESTINATION translations
  COMPONENT program)
file(CONFIGURE OUTPUT qt.conf CONTENT "[Paths]\nPrefix=.\nPlugins=.\nTranslations=translations\n")
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/qt.conf DESTINATION . COMPONENT program)

# Where the DLLs are: the libraries' prefix and MinGW's runtime.
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-libgcc-file-name
  OUTPUT_VARIABLE libgcc OUTPUT_STRIP_TRAILING_WHITESPACE)
get_filename_component(gcc_dir "${libgcc}" DIRECTORY)
find_program(SONTERRA_OBJDUMP NAMES x86_64-w64-mingw32-objdump REQUIRED)
install(CODE "
  set(OBJDUMP \"${SONTERRA_OBJDUMP}\")
  set(PROGRAM \"$<TARGET_FILE:sonterra>\")
  set(MODULES \"${plugins}\")
  set(DLL_DIRS \"${deps}/bin;${gcc_dir};/usr/x86_64-w64-mingw32/lib\")
  set(NAMES_DIR \"${CMAKE_CURRENT_BINARY_DIR}/dll-names\")
  include(\"${CMAKE_CURRENT_SOURCE_DIR}/windows_dlls.cmake\")
" COMPONENT program)

install(DIRECTORY ${sounds}/AUDIO ${sounds}/HORA DESTINATION . COMPONENT sounds)
