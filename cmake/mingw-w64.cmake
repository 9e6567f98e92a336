# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 and runs the
# results under Wine (CTest and test discovery go through the emulator).
# The -posix compilers: the default (win32 threads) ones lack std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

# SONTERRA_WINDOWS_DEPS: the prefix of scripts/build-windows-deps.sh (Qt,
# FFmpeg, SDL2 for MinGW); without it only the core-only build is possible.
set(SONTERRA_WINDOWS_DEPS "" CACHE PATH "Prefix with Qt, FFmpeg and SDL2 built for MinGW")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES SONTERRA_WINDOWS_DEPS)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${SONTERRA_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

if(SONTERRA_WINDOWS_DEPS)
  # FFmpeg's .pc files, never the host's (the host's libpulse included).
  set(ENV{PKG_CONFIG_LIBDIR} ${SONTERRA_WINDOWS_DEPS}/lib/pkgconfig)
  set(ENV{PKG_CONFIG_PATH} "")
  # That Qt runs its generators from the host's Qt of the same version.
  set(QT_HOST_PATH /usr CACHE PATH "")
  set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "")
  # Qt's DLLs use the shared C++ runtime, so the program does too: one
  # runtime in the process (its DLLs ship beside sonterra.exe).
else()
  # No MinGW runtime DLLs to ship beside each .exe (winpthread included).
  set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
endif()

# Debian puts the 64-bit loader outside PATH.
find_program(SONTERRA_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(SONTERRA_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${SONTERRA_WINE64})
endif()
