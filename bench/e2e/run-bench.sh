#!/usr/bin/env bash
# Figures of the real program on a real (null) sound server, printed as a
# Markdown table: bell onset after the minute boundary, bell end to spoken
# time, idle CPU, peak memory and start-up time; beside them the same onset
# and gap for the simplest alternative, a shell loop that wakes at each
# minute and runs paplay (tests/e2e/cron_bell.sh), measured in the same way
# and in the same run, turn about.
#
#   usage: bench/e2e/run-bench.sh [BUILD_DIR] [RUNS]
#   (build first: cmake --build BUILD_DIR --target sonterra e2e_tone_scan
#    e2e_pcm_tap bench_window_probe)
#   BENCH_LOAD=full: the onset runs go on at full load, as a school PC at a
#   heavy update: 4 busy loops, 2 loops compiling a C++ file and a loop
#   writing 512 MB with fsync. BENCH_ONSET_ONLY=1: the onset runs only, on
#   PulseAudio and on PipeWire (BENCH_SERVERS="pulseaudio pipewire"). A
#   PipeWire without realtime priority, as here, loses its own cycles at full
#   load: every run of both players comes out untrusted there.
#   Onsets are read off the sink's monitor, which on a PulseAudio null sink
#   reads some ms ahead of the sink's own clock.
# shellcheck disable=SC2030,SC2031,SC2317 # subshells on purpose; helpers called indirectly
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
runs=${2:-10}
program=$build/sonterra
export TONE_SCAN=$build/tests/e2e/e2e_tone_scan PCM_TAP=$build/tests/e2e/e2e_pcm_tap
probe=$build/bench/e2e/bench_window_probe
for f in "$program" "$TONE_SCAN" "$PCM_TAP"; do
  [ -x "$f" ] || { echo "run-bench: falta $f; compile antes" >&2; exit 1; }
done
logs=$(mktemp -d "${TMPDIR:-/tmp}/sonterra-bench.XXXXXX")

# --- Onset and gap ----------------------------------------------------------

# One run: "07:30 + sino" with a 0.5 s bell and a 0.3 s clip; prints
# "ONSET GAP HWM_KB" (seconds; HWM "-" for the shell loop) or "failed".
onset_run() { # program log
  (
    export SONTERRA_BIN=$1
    # shellcheck source=tests/e2e/harness.sh
    source "$root/tests/e2e/harness.sh"
    h_init
    h_pulse_start
    h_state "1"
    h_tone bell 700
    h_tone clip 1500
    h_tone_file "$H_PROG/AUDIO/sino.wav" 700 0.5
    h_tone_file "$H_PROG/HORA/07H30M.WAV" 1500 0.3
    at=$(h_epoch "$(date +%F) 07:30:00")
    h_write_lines "$(h_day_file "$at")" "07:30 + $H_PROG/AUDIO/sino.wav"
    hwm=-
    read_hwm() {
      [ "$(basename "$SONTERRA_BIN")" = cron_bell.sh ] ||
        hwm=$(awk '$1 == "VmHWM:" { print $2 }' "/proc/$H_APP_PID/status")
    }
    H_BEFORE_STOP=read_hwm
    H_SCAN_GAP=0.005
    h_run "$at" 1.8 >>"$2" 2>&1
    # Sample-exact spans of sound; the tone spans say which is which.
    printf '%s\n' "$H_SCAN" | awk -v hwm="$hwm" -v bell="$(h_onset bell)" -v clip="$(h_onset clip)" '
      $1 == "sound" && $3 > -0.5 { n++; s[n] = $2; e[n] = $3 }
      END {
        if (n < 2 || bell == "none" || clip == "none" ||
            s[1] - bell > 0.02 || bell - s[1] > 0.02 || s[2] - clip > 0.02 || clip - s[2] > 0.02) {
          print "failed"; exit
        }
        printf "%.6f %.6f %s\n", s[1], s[2] - e[1], hwm
      }'
  ) || echo failed
}

# "median worst" in ms of a column of seconds.
stats() {
  sort -g | awk '{ v[NR] = $1 * 1000 } END {
    if (NR == 0) { print "- -"; exit }
    m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf "%.1f %.1f\n", m, v[NR] }'
}

load_pids=()
stop_load() {
  local p
  for p in "${load_pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${load_pids[@]}"; do wait "$p" 2>/dev/null || true; done
  load_pids=()
  rm -f "$logs"/big "$logs"/load*.o
}
trap 'stop_load; rm -rf "$logs"' EXIT
if [ "${BENCH_LOAD:-}" = full ]; then
  printf '#include <iostream>\n#include <map>\n#include <regex>\nint main() { std::map<std::string, std::regex> m{{"a", std::regex("a+b*")}}; std::cout << std::regex_match("aab", m["a"]); }\n' >"$logs/load.cpp"
  for i in 1 2 3 4; do (while :; do :; done) & load_pids+=($!); done
  for i in 1 2; do (while :; do c++ -O2 -c "$logs/load.cpp" -o "$logs/load$i.o"; done) & load_pids+=($!); done
  (while :; do dd if=/dev/zero of="$logs/big" bs=1M count=512 conv=fsync status=none; rm -f "$logs/big"; done) &
  load_pids+=($!)
  echo "Carga: 4 laços ocupados, 2 compilando, 1 escrevendo 512 MB com fsync" >&2
  sleep 10
fi

# The onset runs on one sound server; sets the figures below, adds a row to $rows.
rows=""
onset_on() { # server
  export SONTERRA_SOUND_SERVER=$1
  echo "Medindo $runs vezes cada no $1: o Sonterra e o laço com paplay, alternados..." >&2
  : >"$logs/sonterra.txt"
  : >"$logs/loop.txt"
  for i in $(seq "$runs"); do
    onset_run "$program" "$logs/run.log" >>"$logs/sonterra.txt"
    onset_run "$root/tests/e2e/cron_bell.sh" "$logs/run.log" >>"$logs/loop.txt"
    echo "  rodada $i: sonterra $(tail -1 "$logs/sonterra.txt" | cut -d' ' -f1-2), laço $(tail -1 "$logs/loop.txt" | cut -d' ' -f1-2)" >&2
  done
  failed_s=$(grep -c failed "$logs/sonterra.txt" || true)
  failed_l=$(grep -c failed "$logs/loop.txt" || true)
  read -r onset_min < <(grep -v failed "$logs/sonterra.txt" | cut -d' ' -f1 | sort -g | awk 'NR == 1 { printf "%.1f\n", $1 * 1000 }') || onset_min=-
  read -r onset_med onset_worst < <(grep -v failed "$logs/sonterra.txt" | cut -d' ' -f1 | stats)
  read -r gap_med gap_worst < <(grep -v failed "$logs/sonterra.txt" | cut -d' ' -f2 | stats)
  read -r loop_onset_med loop_onset_worst < <(grep -v failed "$logs/loop.txt" | cut -d' ' -f1 | stats)
  read -r loop_gap_med loop_gap_worst < <(grep -v failed "$logs/loop.txt" | cut -d' ' -f2 | stats)
  ring_hwm=$(grep -v failed "$logs/sonterra.txt" | awk '$3 != "-" && $3 > m { m = $3 } END { printf "%.1f", m / 1024 }')
  rows+="| $1: bell onset after the minute boundary | ${onset_min:--} ms | $onset_med ms | $onset_worst ms | $loop_onset_med ms | $loop_onset_worst ms | ≤ 5 ms worst (≤ 10 ms at full load) |
| $1: bell end → spoken-time clip onset | | $gap_med ms | $gap_worst ms | $loop_gap_med ms | $loop_gap_worst ms | ≤ 80 ms |
| $1: failed runs (Sonterra, loop) | $failed_s, $failed_l | | | | | |
"
}
# BENCH_SERVERS: the servers of an onset-only run, PulseAudio first.
servers=pulseaudio
[ -z "${BENCH_ONSET_ONLY:-}" ] || servers=${BENCH_SERVERS:-pulseaudio pipewire}
for server in $(printf '%s\n' $servers | tac); do onset_on "$server"; done
export SONTERRA_SOUND_SERVER=pulseaudio

load_note=""
if [ "${BENCH_LOAD:-}" = full ]; then
  load_note=" at full load (load average $(cut -d' ' -f1-3 /proc/loadavg) at the end)"
  stop_load
fi
if [ -n "${BENCH_ONSET_ONLY:-}" ]; then
  cat <<EOF

Machine: $(nproc) cores, $(uname -r), $(date -u +%F); $runs onset runs each on each server$load_note.

| figure | Sonterra best | Sonterra median | Sonterra worst | paplay loop median | paplay loop worst | goal |
|---|---|---|---|---|---|---|
$rows
EOF
  exit 0
fi

# --- Idle CPU and memory ------------------------------------------------------

# Active, nothing due for the next minutes, the real clock: CPU time over
# 60 s from /proc/PID/stat (utime + stime of every thread).
echo "Medindo a CPU parada por 60 s..." >&2
idle=$(
  export SONTERRA_BIN=$program
  # shellcheck source=tests/e2e/harness.sh
  source "$root/tests/e2e/harness.sh"
  h_init
  h_pulse_start
  h_state "1"
  h_tone_file "$H_PROG/AUDIO/sino.wav" 700 0.5
  later=$(date -d '+30 min' +%H:%M)
  h_write_lines "$(h_day_file "$(date +%s)")" "$later + $H_PROG/AUDIO/sino.wav"
  (cd "$H_PROG" && unset LC_ALL LANGUAGE &&
    exec env LANG=C.UTF-8 LC_TIME=pt_BR.UTF-8 QT_QPA_PLATFORM=offscreen ./sonterra >"$H_WORK/app.log" 2>&1) &
  pid=$!
  H_PIDS+=("$pid")
  sleep 3
  ticks() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
  t1=$(ticks)
  s1=$(date +%s.%N)
  sleep 60
  t2=$(ticks)
  s2=$(date +%s.%N)
  hz=$(getconf CLK_TCK)
  awk -v t="$((t2 - t1))" -v hz="$hz" -v s1="$s1" -v s2="$s2" \
    'BEGIN { printf "%.3f ", 100 * t / hz / (s2 - s1) }'
  awk '$1 == "VmHWM:" { printf "%.1f ", $2 / 1024 } $1 == "VmRSS:" { printf "%.1f\n", $2 / 1024 }' "/proc/$pid/status"
)
read -r idle_cpu idle_hwm idle_rss <<<"$idle"

# --- Start-up ---------------------------------------------------------------

# Under Xvfb: from the moment just before the process is started to the
# moment the X server maps the splash ("Quorvel Sonterra") and the main
# window ("Quorvel Sonterra V2"), as seen by an X client listening to the
# root window; any other window (a message box) spoils the run. Inactive
# schedule, so the window stays up. Nothing of the program's own is timed.
startup_runs=5
startups=()
splashes=()
if [ -x "$probe" ] && command -v Xvfb >/dev/null; then
  echo "Medindo a partida $startup_runs vezes sob Xvfb..." >&2
  for run in $(seq "$startup_runs"); do
    out=$(
      work=$(mktemp -d "${TMPDIR:-/tmp}/sonterra-start.XXXXXX")
      # shellcheck source=tests/e2e/harness.sh
      source "$root/tests/e2e/harness.sh"
      pids=()
      cleanup() {
        local j
        for ((j = ${#pids[@]} - 1; j >= 0; j--)); do h_stop_pid "${pids[$j]}"; done
        "$root/tests/tools/pulse-env.sh" stop "$work/pulse" >/dev/null 2>&1 || true
        rm -rf "$work"
      }
      trap cleanup EXIT
      trap 'exit 143' TERM INT HUP
      # A sound server, as on a desktop: without one the player reports its
      # failed start in a message box before the window.
      H_WORK=$work
      h_pulse_start >/dev/null
      display=:$((70 + RANDOM % 200))
      Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
      pids+=($!)
      mkdir -p "$work/prog" "$work/home" "$work/config"
      cp "$program" "$work/prog/sonterra"
      printf '0\r\n' >"$work/prog/SOM.INI"
      coproc PROBE { DISPLAY=$display exec "$probe" "Quorvel Sonterra V2" 20; }
      pids+=("$PROBE_PID")
      read -r ready <&"${PROBE[0]}"
      [ "$ready" = ready ] || exit 1
      cd "$work/prog"
      t0=$EPOCHREALTIME
      HOME=$work/home XDG_CONFIG_HOME=$work/config DISPLAY=$display LANG=C.UTF-8 \
        LC_TIME=pt_BR.UTF-8 LC_ALL='' QT_QPA_PLATFORM=xcb ./sonterra >/dev/null 2>&1 &
      pids+=($!)
      main='' splash=''
      while read -r word at title; do
        [ "$word" = mapped ] || continue
        echo "    $title" >&2
        case $title in
          "Quorvel Sonterra V2") main=$at ;;
          "Quorvel Sonterra") splash=$at ;;
          *) echo "    janela inesperada: $title" >&2; exit 1 ;;
        esac
      done <&"${PROBE[0]}"
      [ -n "$main" ] && [ -n "$splash" ] || exit 1
      awk -v t0="${t0/,/.}" -v a="$splash" -v b="$main" 'BEGIN { printf "%.6f %.6f\n", b - t0, a - t0 }'
    ) || out=failed
    echo "  partida $run: $out" >&2
    [ "$out" = failed ] && continue
    startups+=("${out%% *}")
    splashes+=("${out##* }")
  done
fi
read -r start_med start_worst < <(printf '%s\n' "${startups[@]}" | grep . | stats || echo "- -")
read -r splash_med splash_worst < <(printf '%s\n' "${splashes[@]}" | grep . | stats || echo "- -")

# "Sonterra ÷ loop (difference)"; no ratio when the loop is within 1 ms of 0.
ratio() {
  awk -v s="$1" -v l="$2" 'BEGIN {
    if (s == "-" || l == "-") { print "-"; exit }
    d = sprintf("%+.1f ms", s - l)
    if (l > 1) printf "%.1f× (%s)\n", s / l, d; else print d }'
}

cat <<EOF

Machine: $(nproc) cores, $(uname -r), $(date -u +%F); $runs onset runs each ($failed_s failed for Sonterra, $failed_l for the loop).

| figure | Sonterra median | Sonterra worst | paplay loop median | paplay loop worst | Sonterra ÷ loop (medians) | goal |
|---|---|---|---|---|---|---|
| bell onset after the minute boundary | $onset_med ms | $onset_worst ms | $loop_onset_med ms | $loop_onset_worst ms | $(ratio "$onset_med" "$loop_onset_med") | ≤ 20 ms worst |
| bell end → spoken-time clip onset | $gap_med ms | $gap_worst ms | $loop_gap_med ms | $loop_gap_worst ms | $(ratio "$gap_med" "$loop_gap_med") | ≤ 80 ms |
| idle CPU, active, over 60 s | $idle_cpu % of a core | | | | | < 0.1 % |
| peak memory (VmHWM) | idle $idle_hwm MB (RSS $idle_rss MB) | after ringing $ring_hwm MB | | | | < 80 MB |
| start-up to main window mapped (Xvfb) | $start_med ms | $start_worst ms | | | | < 500 ms |
| start-up to first window (splash) mapped | $splash_med ms | $splash_worst ms | | | | |

Onset: first sample above 2 % of full scale at the null sink's monitor, after the real moment the
program's faked clock crossed the minute. The recording's time base comes from its earliest-arriving
chunk; the sink renders up to one block (parec asks for 10 ms) ahead of the wall clock, so each
figure is good to about ±10 ms, the same for both columns (a negative loop figure is that error).
EOF
