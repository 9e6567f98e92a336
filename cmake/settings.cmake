# sonterra_settings: what every target of ours shares. Each library and
# executable links it, so a setting changes here once for the whole tree.
add_library(sonterra_settings INTERFACE)

# The language: C++20 everywhere (designated initializers, <span>, defaulted
# comparisons).
target_compile_features(sonterra_settings INTERFACE cxx_std_20)

# Includes name their folder from the top of the checkout ("core/clock.h"),
# so a reader sees at once which floor a header comes from.
target_include_directories(sonterra_settings INTERFACE ${CMAKE_SOURCE_DIR})

# Qt's safety switches:
# - QT_NO_CAST_FROM_ASCII: no silent char* -> QString; every literal says its
#   encoding (QStringLiteral, fromUtf8), which matters with ANSI text on Windows;
# - QT_NO_CONTEXTLESS_CONNECT: every connect to a lambda names the object whose
#   lifetime ends the connection;
# - QT_NO_KEYWORDS: Q_SIGNALS/Q_SLOTS/Q_EMIT, no `signals`/`slots`/`emit`
#   macros to collide with other libraries' names.
target_compile_definitions(sonterra_settings INTERFACE
  QT_NO_CAST_FROM_ASCII QT_NO_CONTEXTLESS_CONNECT QT_NO_KEYWORDS)

if(MSVC)
  # /W4: the compiler's high warning level; /utf-8: our sources are UTF-8.
  target_compile_options(sonterra_settings INTERFACE /W4 /utf-8)
else()
  target_compile_options(sonterra_settings INTERFACE
    # The common set: questionable constructs, unused names, sign mixes.
    -Wall
    -Wextra
    # Only standard C++: no compiler extensions slip in unnoticed.
    -Wpedantic
    # A class with virtual functions and a public non-virtual destructor:
    # deleting through a base pointer would leak the derived part.
    -Wnon-virtual-dtor
    # A derived function that hides a base overload instead of overriding it.
    -Woverloaded-virtual
    # A local name that hides another (a member, a parameter, an outer local):
    # the classic cause of writing to the wrong variable.
    -Wshadow
    # A C cast, which may quietly drop const or reinterpret bits: the named
    # casts say which conversion is meant, and a reader can find them.
    -Wold-style-cast
    # Off: our aggregates have default member values, and code that fills
    # one names only the fields that differ (DateTime, MessageBoxRequest,
    # the test tones); -Wextra would call each of those a missing field.
    -Wno-missing-field-initializers)
endif()

# Warnings as errors: ./test.sh turns it on, so the suite stays warning-free,
# while a developer's build with a newer compiler (new warnings) still builds.
option(SONTERRA_WERROR "Treat compiler warnings in our code as errors" OFF)
if(SONTERRA_WERROR)
  if(MSVC)
    target_compile_options(sonterra_settings INTERFACE /WX)
  else()
    target_compile_options(sonterra_settings INTERFACE -Werror)
  endif()
endif()
