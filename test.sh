#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through CTest.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
./scripts/check-format.sh
./scripts/check-includes.sh
./scripts/build.sh
cd build
# The sounds the library's tests encode are kept for their Windows run.
SONTERRA_TEST_SOUNDS=$PWD/test-sounds ctest --output-on-failure --timeout 600 -j "$(nproc 2>/dev/null || echo 2)" "$@"
[ "${SONTERRA_QUICK:-0}" = 1 ] || ../scripts/test-sanitizers.sh
[ "${SONTERRA_QUICK:-0}" = 1 ] || ../scripts/test-windows.sh
[ "${SONTERRA_QUICK:-0}" = 1 ] || ../scripts/test-fuzz.sh
