#!/usr/bin/env bash
# Configures and builds into build/ (the executable ends up at build/sonterra);
# with target names, builds only those.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
# Paths relative to the checkout, and not the build folder's own (which a
# debugging build would hash), so every clone shares one compiler cache.
export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
# SONTERRA_WERROR=1 (./test.sh sets it) makes warnings errors, =0 not; an
# existing build/ takes the change too. Unset, build/ keeps what it has (off
# at first).
werror=
case ${SONTERRA_WERROR:-} in
  1) werror=ON ;;
  0) werror=OFF ;;
esac
# SONTERRA_TESTS=0 (./run.sh) leaves the tests and benchmarks out of a new
# build/, so that GoogleTest need not be installed; a build/ that has them
# keeps them, and one without them takes them back for anything else.
tests=ON
[ "${SONTERRA_TESTS:-1}" != 0 ] || tests=OFF
if [ ! -f build/CMakeCache.txt ]; then
  cmake --preset default -DBUILD_TESTING=$tests ${werror:+-DSONTERRA_WERROR=$werror} >/dev/null
elif [ -n "$werror" ] && ! grep -qxF "SONTERRA_WERROR:BOOL=$werror" build/CMakeCache.txt; then
  cmake -S . -B build -DSONTERRA_WERROR=$werror >/dev/null
fi
if [ "$tests" = ON ] && grep -qxF BUILD_TESTING:BOOL=OFF build/CMakeCache.txt; then
  cmake -S . -B build -DBUILD_TESTING=ON >/dev/null
fi
cmake --build build -j "$jobs" ${1:+--target "$@"}
