#!/usr/bin/env bash
# Configures and builds into build/ (the executable ends up at build/sonterra);
# with target names, builds only those.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
if [ ! -f build/CMakeCache.txt ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build build -j "$jobs" ${1:+--target "$@"}
