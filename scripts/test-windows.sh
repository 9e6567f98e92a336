#!/usr/bin/env bash
# The Windows jobs, run under Wine:
#  1. the Qt-free core and its tests, cross-built with MinGW-w64 into
#     build-windows/ (static runtime, no other libraries);
#  2. the whole program into build-windows-full/ on Qt, FFmpeg and SDL2 built
#     from Debian's sources (scripts/build-windows-deps.sh): its Qt unit tests,
#     the program folder, the setup program, and the real sonterra.exe on
#     Xvfb ringing into a PulseAudio null sink (tests/e2e/wine_cases.sh).
# Arguments go to the core job's ctest (e.g. -R schedule.files.).
# SONTERRA_WINDOWS_FULL=0 stops after job 1 (a quicker edit-build loop); the
# first job 2 on a machine builds the libraries' prefix (docs/windows.md).
set -euo pipefail
cd "$(dirname "$0")/.."
export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1  # as scripts/build.sh
jobs=$(nproc 2>/dev/null || echo 2)

wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
[ -x "$wine" ] || wine=$(command -v wine64 || true)
[ -x "$wineserver" ] || wineserver=$(command -v wineserver || true)
if [ -z "$wine" ] || [ -z "$wineserver" ]; then
  echo "test-windows: wine64 is missing (scripts/install-deps.sh installs it)" >&2
  exit 1
fi

# SONTERRA_WERROR=1 (./test.sh sets it) makes warnings errors in both builds,
# =0 not; an existing build folder takes the change too (scripts/build.sh).
werror=()
case ${SONTERRA_WERROR:-} in
  1) werror=(-DSONTERRA_WERROR=ON) ;;
  0) werror=(-DSONTERRA_WERROR=OFF) ;;
esac
werror_configure() { # build folder
  [ ${#werror[@]} -gt 0 ] || return 0
  grep -qxF "${werror[0]/#-DSONTERRA_WERROR=/SONTERRA_WERROR:BOOL=}" "$1/CMakeCache.txt" ||
    cmake -S . -B "$1" "${werror[@]}" >/dev/null
}

# A Wine prefix of our own per job; Wine rewrites the International values
# when the locale changes, so the locale is pinned (Brazilian, as in the
# schools). The session is started first, quietly: otherwise Wine's services,
# started by the first test, hold CTest's output pipes open and it waits.
# Each job runs its tests in a subshell that calls wine_session, so the
# prefix goes when that subshell ends.
wine_session() {
  WINEPREFIX=$(mktemp -d /tmp/sonterra-wine-XXXXXX)
  export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
  export LANG=pt_BR.UTF-8 LC_ALL=pt_BR.UTF-8
  trap '"$wineserver" -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
  "$wineserver" -p 60
  "$wine" cmd /c exit >/dev/null 2>&1 || true
}

# --- 1. The core ----------------------------------------------------------
if [ ! -f build-windows/CMakeCache.txt ]; then
  cmake --preset windows-core "${werror[@]}" >/dev/null
fi
werror_configure build-windows
cmake --build build-windows -j "$jobs"
(
  wine_session
  ctest --test-dir build-windows --output-on-failure --timeout 120 -j "$jobs" "$@"
)
[ "${SONTERRA_WINDOWS_FULL:-1}" = 1 ] || exit 0

# --- 2. The whole program -------------------------------------------------
deps=$(./scripts/build-windows-deps.sh)
full=build-windows-full
if [ ! -f $full/CMakeCache.txt ] ||
  ! grep -qxF "SONTERRA_WINDOWS_DEPS:PATH=$deps" $full/CMakeCache.txt; then
  rm -rf $full
  cmake --preset windows -DSONTERRA_WINDOWS_DEPS="$deps" "${werror[@]}" >/dev/null
fi
werror_configure $full
cmake --build $full -j "$jobs"

folder=$full/Sonterra
./scripts/windows-folder.sh $full $folder >/dev/null
echo "test-windows: program folder $folder ($(du -sh $folder | cut -f1))"
# The setup program carries the project's version, as the program does.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' $full/CMakeCache.txt)
makensis -V2 -DFOLDER="$PWD/$folder" -DOUTFILE="$PWD/$full/sonterra-setup.exe" \
  -DVERSION="$version" installer/sonterra.nsi
echo "test-windows: setup program $full/sonterra-setup.exe ($(du -h $full/sonterra-setup.exe | cut -f1))"

# The library's tests take their encoded sounds from the Linux run of the
# same tests (no ffmpeg command on Windows); made now if that has not run.
sounds=build/test-sounds
if [ -z "$(ls -A $sounds 2>/dev/null)" ]; then
  ./scripts/build.sh bass_init_tests bass_decode_tests bass_playback_tests bass_output_tests \
    bass_hostile_tests >/dev/null
  SONTERRA_TEST_SOUNDS=$PWD/$sounds ctest --test-dir build -R '^audio_bass[.]Bass' -j "$jobs" >/dev/null
fi

# The Qt unit tests under Wine; their DLLs come from the prefix and MinGW.
(
  wine_session
  gcc_dir=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
  winpath() { printf 'Z:%s' "${1//\//\\}"; }
  SONTERRA_TEST_SOUNDS=$(winpath "$PWD/$sounds")
  export SONTERRA_TEST_SOUNDS
  WINEPATH="$(winpath "$deps/bin");$(winpath "$gcc_dir");$(winpath /usr/x86_64-w64-mingw32/lib)"
  export WINEPATH
  # Those that need Qt, FFmpeg or SDL2; the rest ran in job 1.
  # Left to Linux: the engine's activation cases read the freedesktop entry
  # (the Windows shortcut has its own tests and the Wine case below), and the
  # library's output cases read SDL's disk file, which SDL opens unshared on
  # Windows (Wine's sound path is recorded by the Wine cases instead).
  ctest --test-dir $full --output-on-failure --timeout 180 -j "$jobs" \
    -R '^(widgets|forms|audio|audio_bass|schedule[.]engine)[.]' \
    -E '^(schedule[.]engine[.]Activation|audio_bass[.]BassOutput)[.]'
)

# The real program and the setup program under Wine; ./test.sh runs them
# itself beside the sanitizer builds (SONTERRA_WINDOWS_CASES=0).
[ "${SONTERRA_WINDOWS_CASES:-1}" = 0 ] || exec ./scripts/test-windows-cases.sh
