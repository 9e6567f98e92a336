#!/usr/bin/env bash
# A longer fuzz run by hand: ./scripts/fuzz.sh SECONDS (each target that long).
# What the runs find stays in build-fuzz/fuzz-corpus/ for the next run.
set -euo pipefail
[ $# -eq 1 ] && [ "$1" -gt 0 ] 2>/dev/null || { echo "usage: $0 SECONDS" >&2; exit 2; }
exec "$(dirname "$0")/test-fuzz.sh" "$1"
