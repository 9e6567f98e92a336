#!/usr/bin/env bash
# Idle CPU of the real program, per thread: the schedule active, nothing due
# for half an hour, the real clock, a private PulseAudio null sink. Two
# setups: no notification area (the offscreen platform: the window is kept
# minimised) and a notification area (Xvfb with trayer: the window is kept
# hidden). Beside them the paplay loop (tests/e2e/cron_bell.sh) over the
# same span. CPU time and wake-ups (context switches) come from
# /proc/PID/task/*/schedstat and status, read before and after.
#
#   usage: bench/e2e/idle-bench.sh [PROGRAM] [SECONDS]
#   (PROGRAM defaults to build/sonterra; SECONDS to 60)
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
program=$(realpath "${1:-$root/build/sonterra}")
seconds=${2:-60}
export SONTERRA_BIN=$program TONE_SCAN=/bin/true PCM_TAP=/bin/true
# shellcheck source=tests/e2e/harness.sh
source "$root/tests/e2e/harness.sh"
h_init
h_pulse_start
h_state "1"
h_tone_file "$H_PROG/AUDIO/sino.wav" 700 0.5
later=$(date -d '+30 min' +%H:%M)
h_write_lines "$(h_day_file "$(date +%s)")" "$later + $H_PROG/AUDIO/sino.wav"
cp "$H_ROOT/tests/e2e/cron_bell.sh" "$H_PROG/cron_bell.sh"

# "TID NAME RUNTIME_NS SWITCHES" for each thread of a process.
threads() { # pid
  local t
  for t in /proc/"$1"/task/*; do
    printf '%s %s %s %s\n' "${t##*/}" "$(tr ' ' _ <"$t/comm")" "$(cut -d' ' -f1 "$t/schedstat")" \
      "$(awk '/ctxt_switches/ { s += $2 } END { print s }' "$t/status")"
  done
}

# Prints one row per thread and a total: name, % of a core, wake-ups/s.
measure() { # label pid
  local before after s1 s2
  sleep 5 # start-up and the first ticks are not idle
  before=$(threads "$2")
  s1=$(date +%s.%N)
  sleep "$seconds"
  after=$(threads "$2")
  s2=$(date +%s.%N)
  awk -v label="$1" -v span="$(h_calc "$s2 - $s1")" '
    NR == FNR { ns[$1] = $3; sw[$1] = $4; next }
    { d = $3 - ns[$1]; w = $4 - sw[$1]; if (!($1 in ns)) { d = $3; w = $4 }
      printf "| %s | %s | %.4f %% | %.2f |\n", label, $2, 100 * d / 1e9 / span, w / span
      td += d; tw += w }
    END { printf "| %s | **all threads** | **%.4f %%** | **%.2f** |\n", label, 100 * td / 1e9 / span, tw / span }
  ' <(printf '%s\n' "$before") <(printf '%s\n' "$after")
}

run_app() { # platform
  (cd "$H_PROG" && unset LC_ALL LANGUAGE &&
    exec env LANG=C.UTF-8 LC_TIME=pt_BR.UTF-8 QT_QPA_PLATFORM="$1" ./sonterra >>"$H_WORK/app.log" 2>&1) &
  echo $!
}

echo "| setup | thread | CPU, % of a core | wake-ups/s |"
echo "|---|---|---|---|"

pid=$(run_app offscreen)
H_PIDS+=("$pid")
measure "no notification area (offscreen)" "$pid"
h_stop_pid "$pid"

if command -v Xvfb >/dev/null && command -v trayer >/dev/null; then
  display=:$((70 + RANDOM % 200))
  Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  H_PIDS+=($!)
  sleep 1
  DISPLAY=$display trayer --edge top --align right --widthtype request --height 24 \
    --SetDockType true >/dev/null 2>&1 &
  H_PIDS+=($!)
  sleep 1
  export DISPLAY=$display
  pid=$(run_app xcb)
  H_PIDS+=("$pid")
  measure "notification area (Xvfb, trayer)" "$pid"
  h_stop_pid "$pid"
fi

(cd "$H_PROG" && exec bash ./cron_bell.sh >/dev/null 2>&1) &
H_PIDS+=($!)
measure "paplay loop" "$!"
