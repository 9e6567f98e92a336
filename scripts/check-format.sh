#!/usr/bin/env bash
# Fails when a C++ file of ours differs from what .clang-format makes of it;
# with --fix, formats those files instead.
set -euo pipefail
cd "$(dirname "$0")/.."

if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files '*.cpp' '*.h')
else
  mapfile -t files < <(find core app audio schedule widgets forms tests bench \
                         -name '*.cpp' -o -name '*.h' | sort)
fi

bad=()
for f in "${files[@]}"; do
  clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done

if [ ${#bad[@]} -gt 0 ]; then
  if [ "${1:-}" = --fix ]; then
    clang-format -i "${bad[@]}"
    echo "check-format: formatted ${bad[*]}"
    exit 0
  fi
  more=""
  [ ${#bad[@]} -gt 1 ] && more=" and $((${#bad[@]} - 1)) more"
  echo "check-format: ${bad[0]}$more not formatted by .clang-format; run scripts/check-format.sh --fix" >&2
  exit 1
fi
echo "check-format: ${#files[@]} files formatted"
