#!/usr/bin/env bash
# The sanitizer runs, after the normal suite: the unit tests (everything but
# the e2e and fuzz labels) under AddressSanitizer + UndefinedBehaviorSanitizer
# in build-asan/, and the threaded parts (the audio library and its player,
# the threaded timer, the scheduler engine) under ThreadSanitizer in
# build-tsan/. Each build folder holds only what its run needs. Any report
# fails the run.
#
#   usage: scripts/test-sanitizers.sh [asan] [tsan]    (both when none given)
set -euo pipefail
cd "$(dirname "$0")/.."
export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1  # as scripts/build.sh
root=$PWD
jobs=$(nproc 2>/dev/null || echo 2)
supp=$root/tests/sanitizers

say() { printf '[sanitizers %s] %s\n' "$(date +%T)" "$*"; }

configure() { # preset (CMakePresets.json), built into build-PRESET
  [ -f "build-$1/CMakeCache.txt" ] || cmake --preset "$1" >/dev/null
}

asan() {
  say "ASan+UBSan: build"
  configure asan
  cmake --build build-asan -j "$jobs"
  say "ASan+UBSan: unit tests"
  ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:check_initialization_order=1:strict_init_order=1 \
    UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    LSAN_OPTIONS=suppressions=$supp/lsan.supp:print_suppressions=0 \
    ctest --test-dir build-asan --output-on-failure --timeout 600 -j "$jobs" -LE 'e2e|fuzz'
}

# The audio tests with their helper programs, and the engine's.
tsan_targets=(tests/audio/all tests/audio/bass/all schedule_engine_tests schedule_phased_timer_tests)
# A test program of these left unbuilt shows as TARGET_NOT_BUILT and fails.
tsan_tests='^(audio_bass|schedule\.engine)\.|^audio\.(ThreadedTimer|DarvoBass)|^(audio|bass|schedule_engine|schedule_phased)[a-z_]*_NOT_BUILT$'
# Their bound on resident memory cannot hold with TSan's shadow memory; and
# PipeWire's 21 ms cycle does not wait for a mixer TSan slows down many times,
# so the tone comes out broken (seen with older code as well): a finding about
# speed, not threads, and the plain build checks the tone.
tsan_skip='\.TenMinuteMp3PlaysWithBoundedMemory$|^audio_bass\.PipeWireNullSinkCarriesTheTone$'

tsan() {
  say "TSan: build"
  configure tsan
  cmake --build build-tsan -j "$jobs" --target "${tsan_targets[@]}"
  say "TSan: audio library, player, threaded timer, engine"
  TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$supp/tsan.supp \
    ctest --test-dir build-tsan --output-on-failure --timeout 600 -j "$jobs" -R "$tsan_tests" -E "$tsan_skip"
}

runs=("$@")
[ ${#runs[@]} -gt 0 ] || runs=(asan tsan)
for run in "${runs[@]}"; do
  case $run in
    asan | tsan) "$run" ;;
    *) echo "usage: $0 [asan] [tsan]" >&2; exit 2 ;;
  esac
done
say "no sanitizer report"
