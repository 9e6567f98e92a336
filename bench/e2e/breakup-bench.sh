#!/usr/bin/env bash
# Break-ups under load: a 20 s tone played through the audio library (device
# 1, the program's own output path) and through paplay, turn about, on a
# private PulseAudio null sink while 2 × cores busy processes run at the same
# priority as the players. Each play is recorded with parec and every silence
# of 3 ms or more inside the sound is counted as a gap. Prints a Markdown table.
#
#   usage: bench/e2e/breakup-bench.sh [BUILD_DIR] [RUNS]
#   (build first: cmake --build BUILD_DIR --target bass_tool e2e_tone_scan)
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
runs=${2:-10}
tool=$build/tests/audio/bass/bass_tool
scan=$build/tests/e2e/e2e_tone_scan
seconds=20
for f in "$tool" "$scan"; do
  [ -x "$f" ] || { echo "breakup-bench: falta $f; compile antes" >&2; exit 1; }
done
for c in pulseaudio parec paplay; do
  command -v "$c" >/dev/null || { echo "breakup-bench: falta $c" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/sonterra-breakup.XXXXXX")
busy=()
cleanup() {
  local p
  for p in "${busy[@]}"; do kill "$p" 2>/dev/null || true; done
  "$root/tests/tools/pulse-env.sh" stop "$work/pulse" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

"$tool" tone "$work/tone.wav" 440 "$seconds"
eval "$("$root/tests/tools/pulse-env.sh" start "$work/pulse")" >/dev/null

# One recorded play; prints "GAPS LONGEST_MS HEARD_S".
record() { # command...
  parec -d bell.monitor --raw --format=s16le --rate=48000 --channels=2 --latency-msec=10 >"$work/rec.raw" &
  local rec=$!
  sleep 2.5 # an idle null sink delivers its first data late
  "$@" >/dev/null 2>&1 || true
  sleep 0.5
  kill "$rec"
  wait "$rec" 2>/dev/null || true
  "$scan" "$work/rec.raw" --rate 48000 --channels 2 --threshold 0.02 --gap 0.003 t=440 |
    awk '$1 == "sound" { n++; s[n] = $2; e[n] = $3 }
      END {
        longest = 0
        for (i = 2; i <= n; i++) if (s[i] - e[i - 1] > longest) longest = s[i] - e[i - 1]
        gaps = (n > 0) ? n - 1 : 0
        heard = (n > 0) ? e[n] - s[1] : 0
        printf "%d %.1f %.3f\n", gaps, longest * 1000, heard }'
}

# The load: shell loops that never sleep, at the players' own priority.
cores=$(nproc)
for _ in $(seq $((2 * cores))); do
  (while :; do :; done) &
  busy+=($!)
done
sleep 1

: >"$work/sonterra.txt"
: >"$work/paplay.txt"
echo "Tocando $runs vezes cada, ${seconds} s de tom, com $((2 * cores)) processos ocupados..." >&2
for i in $(seq "$runs"); do
  record "$tool" play 1 "$work/tone.wav" >>"$work/sonterra.txt"
  record paplay "$work/tone.wav" >>"$work/paplay.txt"
  echo "  rodada $i: sonterra $(tail -1 "$work/sonterra.txt"), paplay $(tail -1 "$work/paplay.txt") (lacunas, maior ms, s ouvidos); carga $(cut -d' ' -f1-3 /proc/loadavg)" >&2
done

# "total gaps, runs with a gap, longest ms, shortest heard s"
summary() {
  awk '{ g += $1; if ($1 > 0) r++; if ($2 > m) m = $2; if (NR == 1 || $3 < h) h = $3 }
    END { printf "%d %d %.1f %.3f\n", g, r, m, h }' "$1"
}
read -r s_gaps s_runs s_long s_heard < <(summary "$work/sonterra.txt")
read -r p_gaps p_runs p_long p_heard < <(summary "$work/paplay.txt")

cat <<EOF

Machine: $cores cores, $(uname -r), $(date -u +%F); $runs runs each of a ${seconds} s tone, $((2 * cores)) busy processes.

| figure | Sonterra | paplay | goal |
|---|---|---|---|
| gaps ≥ 3 ms in $runs × ${seconds} s under load | $s_gaps (in $s_runs runs) | $p_gaps (in $p_runs runs) | 0 |
| longest gap | $s_long ms | $p_long ms | |
| shortest sound heard (of ${seconds} s) | $s_heard s | $p_heard s | |
EOF
