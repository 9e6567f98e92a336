#!/usr/bin/env bash
# Configures and builds into build/ (the executable ends up at build/sonterra);
# with target names, builds only those.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
# Paths relative to the checkout, so every clone shares one compiler cache.
export CCACHE_BASEDIR=$PWD
if [ ! -f build/CMakeCache.txt ]; then
  launcher=()
  if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  fi
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
fi
cmake --build build -j "$jobs" ${1:+--target "$@"}
