#!/usr/bin/env bash
# Speakers unplugged during a bell: a 20 s tone plays on a sink "plug", the
# default output, which is removed UNPLUG_AT (10) s in; the server moves the
# stream to the sink left, "bell". One recorder starts on plug's monitor and
# is moved with the stream, so it hears what a listener hears: 20 s of tone,
# none of it twice, none lost. A second recorder on bell's monitor hears the
# part after the move. The audio library on device 1
# and paplay, turn about, RUNS times each; prints one line per run and a
# Markdown table.
#
#   usage: bench/e2e/unplug-bench.sh [BUILD_DIR] [RUNS]
#   (PLAY=play-ahead opens the file and readies the output a second before, as
#   the program does with a scheduled bell)
#   (build first: cmake --build BUILD_DIR --target bass_tool e2e_tone_scan)
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
runs=${2:-5}
tool=$build/tests/audio/bass/bass_tool
scan=$build/tests/e2e/e2e_tone_scan
for f in "$tool" "$scan"; do
  [ -x "$f" ] || { echo "unplug-bench: $f is missing; build first" >&2; exit 1; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/sonterra-unplug.XXXXXX")
pids=()
cleanup() {
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  "$root/tests/tools/pulse-env.sh" stop "$work/pulse" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

"$tool" tone "$work/tone.wav" 900 20.0 >/dev/null
seconds=20.0

# Seconds of 900 Hz in a recording; fractional seconds.
heard() { # raw
  "$scan" "$1" --rate 48000 --channels 2 --gap 0.005 t=900 |
    awk '$1 == "tone" { s += $4 - $3 } END { printf "%.3f\n", s }'
}

one_run() { # player: lib | paplay
  eval "$("$root/tests/tools/pulse-env.sh" start "$work/pulse")"
  export PULSE_SINK=plug # as a user's session names its output
  local module
  module=$(pactl load-module module-null-sink sink_name=plug rate=48000 channels=2)
  pactl set-default-sink plug
  parec -d plug.monitor --raw --format=s16le --rate=48000 --channels=2 --latency-msec=10 >"$work/plug.raw" &
  pids+=($!)
  local rec_plug=$!
  parec -d bell.monitor --raw --format=s16le --rate=48000 --channels=2 --latency-msec=10 >"$work/bell.raw" &
  pids+=($!)
  local rec_bell=$!
  sleep 2.5 # an idle null sink hands a recorder nothing at first
  if [ "$1" = lib ]; then
    "$tool" "${PLAY:-play}" 1 "$work/tone.wav" >/dev/null &
  else
    paplay "$work/tone.wav" &
  fi
  local player=$!
  sleep "${UNPLUG_AT:-10}"
  pactl unload-module "$module"
  wait "$player" || true
  sleep 0.7
  kill "$rec_plug" "$rec_bell" 2>/dev/null || true
  wait "$rec_plug" "$rec_bell" 2>/dev/null || true
  local a b
  a=$(heard "$work/plug.raw")
  b=$(heard "$work/bell.raw")
  "$root/tests/tools/pulse-env.sh" stop "$work/pulse" >/dev/null
  awk -v a="$a" -v b="$b" -v n="$seconds" 'BEGIN { printf "%.3f %.3f %+.3f\n", a, b, a - n }'
}

echo "run player heard after_move heard-20s" >&2
: >"$work/lib.txt"
: >"$work/paplay.txt"
for i in $(seq "$runs"); do
  for p in lib paplay; do
    line=$(one_run "$p")
    echo "$i $p $line" >&2
    echo "$line" >>"$work/$p.txt"
  done
done

# "median worst" of the extra seconds (absolute), in ms.
stats() {
  awk '{ v = $3 < 0 ? -$3 : $3; print v * 1000 }' "$1" | sort -g |
    awk '{ v[NR] = $1 } END { m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.0f ms | %.0f ms", m, v[NR] }'
}
echo
echo "| figure ($runs runs each) | Sonterra median | Sonterra worst | paplay median | paplay worst |"
echo "|---|---|---|---|---|"
echo "| tone heard beyond (or short of) its 20 s, default output removed at ${UNPLUG_AT:-10} s | $(stats "$work/lib.txt") | $(stats "$work/paplay.txt") |"
