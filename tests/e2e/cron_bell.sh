#!/usr/bin/env bash
# The simplest bell an administrator could set up without Sonterra: a loop
# that sleeps until each minute boundary and plays today's entries with
# paplay, followed by the spoken time for entries marked "+". It reads the
# same files from the folder it lives in. The end-to-end harness runs it in
# the program's place to check itself, and the benchmarks race it.
set -uo pipefail
cd "$(dirname "$0")" || exit 1

while :; do
  # Bash's own clock, so that waking costs no extra process.
  now=${EPOCHREALTIME/[.,]/}
  next=$(((now / 60000000 + 1) * 60000000))
  wait_us=$((next - now))
  printf -v pause '%d.%06d' $((wait_us / 1000000)) $((wait_us % 1000000))
  sleep "$pause"

  printf -v key '%(%H:%M)T' -1
  printf -v day '%(%w)T' -1
  printf -v file '%02d.PR2' $((day + 1))
  [ -f "$file" ] || continue
  while IFS= read -r line || [ -n "$line" ]; do
    line=${line%$'\r'}
    [ "${line:0:5}" = "$key" ] || continue
    path=${line:8:255}
    [ -f "$path" ] || continue
    paplay "$path"
    if [ "${line:6:1}" = "+" ]; then
      printf -v h '%(%H)T' -1
      printf -v m '%(%M)T' -1
      h=$((10#$h))
      [ "$h" -le 12 ] || h=$((h - 12))
      printf -v clip 'HORA/%02dH%sM.WAV' "$h" "$m"
      [ -f "$clip" ] && paplay "$clip"
    fi
  done <"$file"
done
