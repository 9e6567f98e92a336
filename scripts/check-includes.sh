#!/usr/bin/env bash
# Fails when a file includes a header of a folder above its own, naming the
# include. The floors, lowest first: core; audio/bass; audio, widgets;
# schedule; forms; app. A folder may include its own headers and those of
# the folders listed for it below, nothing else of ours. Tests may include any
# folder of the program, their own folder's helpers and tests/support/; the
# helpers in tests/support/ only the program and each other. Benchmarks may
# include anything. Includes without a folder are Qt's generated ui_*.h.
# core/ includes no Qt header: it is what the Qt-free builds stand on.
# ctest runs this too (the check-includes test).
set -euo pipefail
cd "$(dirname "$0")/.."

program="core audio/bass audio widgets schedule forms app"
declare -A allowed=(
  [core]="core"
  [audio/bass]="audio/bass core"
  [audio]="audio audio/bass core"
  [widgets]="widgets core"
  [schedule]="schedule audio core"
  [forms]="forms schedule audio widgets core"
  [app]="app forms schedule audio widgets core"
  [tests/support]="tests/support $program"
)

# The folder of a path: the longest key of `allowed` it lies in, else the
# first two parts for tests (tests/<folder>), else its first part.
folder_of() {
  local path=$1 best="" key
  for key in "${!allowed[@]}"; do
    if [[ $path == "$key"/* && ${#key} -gt ${#best} ]]; then best=$key; fi
  done
  if [ -n "$best" ]; then echo "$best"; return; fi
  if [[ $path == tests/* ]]; then
    local rest=${path#tests/}
    echo "tests/${rest%%/*}"
    return
  fi
  echo "${path%%/*}"
}

if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files '*.cpp' '*.h')
else
  mapfile -t files < <(find core app audio schedule widgets forms tests bench \
                         -name '*.cpp' -o -name '*.h' | sort)
fi

bad=0
for f in "${files[@]}"; do
  from=$(folder_of "$f")
  [[ $from == bench ]] && continue
  while IFS=: read -r line inc; do
    [[ $inc == */* ]] || continue
    to=$(folder_of "$inc")
    if [[ $from == tests/* && $from != tests/support ]]; then
      # A test: the program, tests/support/ and its own folder (and below).
      [[ $to == tests/* && $to != tests/support && $inc != "$from"/* ]] || continue
    else
      ok=0
      for a in ${allowed[$from]:-}; do [[ $to == "$a" ]] && ok=1; done
      [ $ok = 1 ] && continue
    fi
    echo "check-includes: $f:$line includes \"$inc\" ($from may not include $to)" >&2
    bad=1
  done < <(grep -n -o '^#include "[^"]*"' "$f" | sed -E 's/^([0-9]+):#include "(.*)"/\1:\2/')
  if [[ $from == core ]]; then
    while IFS=: read -r line inc; do
      echo "check-includes: $f:$line includes <$inc> (core may not include Qt)" >&2
      bad=1
    done < <(grep -n -o '^#include <Q[^>]*>' "$f" | sed -E 's/^([0-9]+):#include <(.*)>/\1:\2/')
  fi
done
[ $bad = 0 ] || exit 1
echo "check-includes: ${#files[@]} files include only their own floor and those below"
