#!/usr/bin/env bash
# Builds the fuzz targets with clang and the sanitizers into build-fuzz/ (only
# them and the plain C++ libraries they test) and runs each for SECONDS (30
# unless given) as the CTest tests labelled "fuzz". Findings are saved in
# build-fuzz/fuzz-findings/; replay one with build-fuzz/tests/fuzz/<target> <file>.
set -euo pipefail
cd "$(dirname "$0")/.."
export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1  # as scripts/build.sh
seconds=${1:-30}
cmake --preset fuzz -DSONTERRA_FUZZ_SECONDS="$seconds" >/dev/null
cmake --build build-fuzz -j "$(nproc 2>/dev/null || echo 2)" \
  --target fuzz_day_file fuzz_id3v1 fuzz_datetime_text fuzz_desktop_entry
ctest --test-dir build-fuzz -L fuzz --output-on-failure -j "$(nproc 2>/dev/null || echo 2)"
