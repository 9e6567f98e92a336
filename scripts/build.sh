#!/usr/bin/env bash
# Configures and builds into build/ (the executable ends up at build/sonterra);
# with target names, builds only those.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
# Paths relative to the checkout, so every clone shares one compiler cache.
export CCACHE_BASEDIR=$PWD
# SONTERRA_WERROR=1 (./test.sh sets it) makes warnings errors, =0 not; an
# existing build/ takes the change too. Unset, build/ keeps what it has (off
# at first).
werror=
case ${SONTERRA_WERROR:-} in
  1) werror=ON ;;
  0) werror=OFF ;;
esac
if [ ! -f build/CMakeCache.txt ]; then
  launcher=()
  if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  fi
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" ${werror:+-DSONTERRA_WERROR=$werror} >/dev/null
elif [ -n "$werror" ] && ! grep -qxF "SONTERRA_WERROR:BOOL=$werror" build/CMakeCache.txt; then
  cmake -S . -B build -DSONTERRA_WERROR=$werror >/dev/null
fi
cmake --build build -j "$jobs" ${1:+--target "$@"}
