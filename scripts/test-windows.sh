#!/usr/bin/env bash
# The Windows job: cross-builds the Qt-free core and its tests with MinGW-w64
# into build-windows/ and runs them under Wine through CTest. Arguments go to
# ctest (e.g. -R schedule.files.).
set -euo pipefail
cd "$(dirname "$0")/.."
export CCACHE_BASEDIR=$PWD

wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
[ -x "$wine" ] || wine=$(command -v wine64 || true)
[ -x "$wineserver" ] || wineserver=$(command -v wineserver || true)
if [ -z "$wine" ] || [ -z "$wineserver" ]; then
  echo "test-windows: wine64 is missing (scripts/install-deps.sh installs it)" >&2
  exit 1
fi

if [ ! -f build-windows/CMakeCache.txt ]; then
  launcher=()
  if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  fi
  cmake -S . -B build-windows -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DSONTERRA_CORE_ONLY=ON \
    -DSONTERRA_WINE64="$wine" "${launcher[@]}" >/dev/null
fi
cmake --build build-windows -j "$(nproc 2>/dev/null || echo 2)"

# A prefix of our own each run; Wine rewrites the International values when
# the locale changes, so the locale is pinned (Brazilian, as in the schools).
prefix=$(mktemp -d /tmp/sonterra-wine-XXXXXX)
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
export LANG=pt_BR.UTF-8 LC_ALL=pt_BR.UTF-8
stop() {
  WINEPREFIX=$prefix "$wineserver" -k 2>/dev/null || true
  rm -rf "$prefix"
}
trap stop EXIT

# Start the session first, quietly: otherwise Wine's services, started by the
# first test, hold CTest's output pipes open and it waits for them.
"$wineserver" -p 60
"$wine" cmd /c exit >/dev/null 2>&1 || true

ctest --test-dir build-windows --output-on-failure --timeout 120 \
  -j "$(nproc 2>/dev/null || echo 2)" "$@"
