# Debian's build flags (dpkg-buildflags, all hardening on) for every target of
# ours where Debian builds it: the package is made from this same build, and a
# Debian program is expected to carry them (fortified libc calls, the stack
# protector, relocations made read-only once bound at start). The optimisation
# and debug levels stay the build type's; the prefix map is left out, so that
# every checkout shares one compiler cache. Sanitizer builds check more than
# fortification does and keep their own flags.
if(WIN32 OR CMAKE_CROSSCOMPILING OR SONTERRA_SANITIZE)
  return()
endif()
find_program(SONTERRA_DPKG_BUILDFLAGS dpkg-buildflags)
if(NOT SONTERRA_DPKG_BUILDFLAGS)
  return()
endif()

function(sonterra_debian_flags kind out)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
            ${SONTERRA_DPKG_BUILDFLAGS} --get ${kind}
    OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  separate_arguments(flags UNIX_COMMAND "${flags}")
  list(FILTER flags EXCLUDE REGEX "^-O|^-g$|^-ffile-prefix-map=")
  set(${out} ${flags} PARENT_SCOPE)
endfunction()

sonterra_debian_flags(CPPFLAGS cppflags)
sonterra_debian_flags(CXXFLAGS cxxflags)
sonterra_debian_flags(LDFLAGS ldflags)
# Fortification needs the optimiser: a Debug build would only be warned.
list(TRANSFORM cppflags REPLACE "^(-D_FORTIFY_SOURCE=.*)$" "$<$<NOT:$<CONFIG:Debug>>:\\1>")
target_compile_options(sonterra_settings INTERFACE ${cppflags} ${cxxflags})
target_link_options(sonterra_settings INTERFACE ${ldflags})
