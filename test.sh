#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through CTest.
set -euo pipefail
cd "$(dirname "$0")"
# Its builds treat warnings as errors (scripts/build.sh, scripts/test-windows.sh).
export SONTERRA_WERROR=1
./scripts/install-deps.sh
./scripts/check-format.sh
./scripts/check-includes.sh
./scripts/build.sh
# The sounds the library's tests encode are kept for their Windows run.
(cd build && SONTERRA_TEST_SOUNDS=$PWD/test-sounds ctest --output-on-failure --timeout 600 \
  -j "$(nproc 2>/dev/null || echo 2)" "$@")
[ "${SONTERRA_QUICK:-0}" = 1 ] && exit 0

SONTERRA_WINDOWS_CASES=0 ./scripts/test-windows.sh
# The Windows program's cases under Wine spend minutes waiting for real
# minutes: they run beside the sanitizer and fuzz builds, which are niced so
# that Wine gets the processor whenever it asks.
cases_pid=
cases_log=build/windows-cases.log
if [ "${SONTERRA_WINDOWS_FULL:-1}" = 1 ]; then
  echo "test.sh: the Wine cases run beside the sanitizers, into $cases_log"
  # A group of its own, so that a failure here stops its Xvfb and Wine too.
  setsid ./scripts/test-windows-cases.sh >"$cases_log" 2>&1 </dev/null &
  cases_pid=$!
  trap 'kill -- "-$cases_pid" 2>/dev/null || true' EXIT
fi
rc=0
nice -n 10 ./scripts/test-sanitizers.sh || rc=$?
[ "$rc" != 0 ] || nice -n 10 ./scripts/test-fuzz.sh || rc=$?
if [ -n "$cases_pid" ]; then
  cases_rc=0
  wait "$cases_pid" || cases_rc=$?
  trap - EXIT
  echo "=== the Wine cases ($cases_log) ==="
  cat "$cases_log"
  [ "$cases_rc" = 0 ] || { echo "test.sh: the Wine cases failed ($cases_rc)" >&2; rc=1; }
fi
exit "$rc"
