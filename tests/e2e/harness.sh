# shellcheck shell=bash
# Shared by the end-to-end cases and the benchmarks; source it, never run it.
#
# One run: a private PulseAudio server with a null sink "bell", a program
# folder in a temporary place, the program started under a faked wall clock a
# few seconds before a chosen minute, the sink's monitor recorded meanwhile,
# and the recording turned into a list of tones with their times relative to
# that minute's boundary.
#
# Needs in the environment: SONTERRA_BIN (the program, or a stand-in),
# TONE_SCAN and PCM_TAP (the two tools built beside this file).

set -euo pipefail

H_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
H_RATE=48000
if [ -z "${H_FAKETIME_LIB:-}" ]; then
  for H_FAKETIME_LIB in /usr/lib/*/faketime/libfaketimeMT.so.1 /usr/lib/faketime/libfaketimeMT.so.1 ""; do
    [ ! -e "$H_FAKETIME_LIB" ] || break
  done
fi
H_PIDS=()

h_log() { printf '[e2e %s] %s\n' "$(date +%T.%3N)" "$*"; }
h_fail() { h_log "FALHA: $*"; exit 1; }
h_calc() { awk "BEGIN { printf \"%.6f\", $1 }"; }

h_init() {
  : "${SONTERRA_BIN:?}" "${TONE_SCAN:?}" "${PCM_TAP:?}"
  [ -n "$H_FAKETIME_LIB" ] || h_fail "libfaketimeMT.so.1 não encontrada (pacote faketime)"
  H_WORK=$(mktemp -d "${TMPDIR:-/tmp}/sonterra-e2e.XXXXXX")
  trap h_cleanup EXIT
  trap 'exit 143' TERM INT HUP
  export HOME=$H_WORK/home XDG_CONFIG_HOME=$H_WORK/config
  export XDG_RUNTIME_DIR=$H_WORK/run
  mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
  chmod 700 "$XDG_RUNTIME_DIR"
  H_PROG=$H_WORK/prog
  mkdir -p "$H_PROG/AUDIO" "$H_PROG/HORA" "$H_WORK/sounds"
  cp "$SONTERRA_BIN" "$H_PROG/sonterra"
  H_TONES=()
}

h_cleanup() {
  local i
  for ((i = ${#H_PIDS[@]} - 1; i >= 0; i--)); do
    h_stop_pid "${H_PIDS[$i]}"
  done
  [ -z "${H_PULSE_DIR:-}" ] || "$H_SERVER_ENV" stop "$H_PULSE_DIR" >/dev/null 2>&1 || true
  if [ -n "${E2E_KEEP:-}" ]; then
    h_log "kept $H_WORK"
  else
    rm -rf "$H_WORK"
  fi
}

# A private PulseAudio server with a 48 kHz stereo null sink named "bell"; its
# environment (XDG_RUNTIME_DIR, PULSE_SERVER, ...) reaches every client.
# SONTERRA_SOUND_SERVER=pipewire puts a headless PipeWire in its place.
H_SERVER_ENV=$H_ROOT/tests/tools/pulse-env.sh
[ "${SONTERRA_SOUND_SERVER:-pulseaudio}" != pipewire ] || H_SERVER_ENV=$H_ROOT/tests/tools/pipewire-env.sh
h_pulse_start() {
  H_PULSE_DIR=$H_WORK/pulse
  H_PULSE_T0=$(date +%s.%N)
  eval "$("$H_SERVER_ENV" start "$H_PULSE_DIR")"
}

# A sound file holding one steady sine, amplitude one half: the file's
# fingerprint in the recording. Frequencies are multiples of 100 Hz.
# The format follows the extension (wav, mp3, wma).
h_tone_file() { # path hz seconds
  local path=$1 hz=$2 seconds=$3 wav=$H_WORK/sounds/$RANDOM$RANDOM.wav
  sox -q -n -r "$H_RATE" -c 2 -b 16 "$wav" synth "$seconds" sine "$hz" vol 0.5
  mkdir -p "$(dirname "$path")"
  case ${path##*.} in
    wav | WAV) cp "$wav" "$path" ;;
    mp3) sox -q "$wav" -C 192 "$path" ;;
    wma) ffmpeg -loglevel error -y -i "$wav" -c:a wmav2 -b:a 128k "$path" ;;
    *) h_fail "formato desconhecido: $path" ;;
  esac
}

# Names a tone for the analysis.
h_tone() { # name hz
  H_TONES+=("$1=$2")
}

# A bell of one tone and the spoken-time clips around a minute: bell 700 Hz,
# the clip the case expects tone "clip" (1500 Hz), every other clip nearby,
# on the 24- and 12-hour dials, tone "wrong_clip" (2500 Hz).
h_bell_and_clips() { # hh mm expected_clip_name bell_seconds [bell_file]
  local hh=$1 mm=$2 want=$3 seconds=$4 bell=${5:-$H_PROG/AUDIO/sino.wav}
  h_tone_file "$bell" 700 "$seconds"
  h_tone bell 700
  h_tone clip 1500
  h_tone wrong_clip 2500
  local h m name
  for h in "$((10#$hh))" $((10#$hh % 12)) $((10#$hh > 12 ? 10#$hh - 12 : 10#$hh)); do
    for m in $((10#$mm - 1)) $((10#$mm)) $((10#$mm + 1)); do
      ((m >= 0 && m <= 59)) || continue
      printf -v name '%02dH%02dM.WAV' "$h" "$m"
      [ -e "$H_PROG/HORA/$name" ] && continue
      if [ "$name" = "$want" ]; then
        h_tone_file "$H_PROG/HORA/$name" 1500 0.6
      else
        h_tone_file "$H_PROG/HORA/$name" 2500 0.6
      fi
    done
  done
  [ -e "$H_PROG/HORA/$want" ] || h_tone_file "$H_PROG/HORA/$want" 1500 0.6
}

# Writes lines with CR LF, as the program does.
h_write_lines() { # file line...
  local file=$1; shift
  : >"$file"
  [ $# -eq 0 ] || printf '%s\r\n' "$@" >"$file"
}

h_state() { # exact bytes of SOM.INI
  printf '%s' "$1" >"$H_PROG/SOM.INI"
}

# Unix time of a local date and time, for instance "2026-12-04 07:30:00".
h_epoch() { date -d "$1" +%s; }

# Day file of the date at a Unix time: 01.PR2 (Sunday) ... 07.PR2 (Saturday).
h_day_file() { # epoch
  local n
  n=$(date -d "@$1" +%w)
  printf '%s/%02d.PR2' "$H_PROG" $((n + 1))
}

# Starts the recorder; returns at once. The null sink drops the first second
# or two of a new recording: start it well before anything must be heard.
h_record_start() {
  "$PCM_TAP" "$H_WORK/rec.raw" "$H_WORK/rec.anchor" $((H_RATE * 4)) -- \
    parec -d bell.monitor --raw --format=s16le --rate=$H_RATE --channels=2 \
    --latency-msec=10 &
  H_PIDS+=($!)
  H_REC_PID=$!
}

h_record_stop() {
  kill -TERM "$H_REC_PID" 2>/dev/null || true
  wait "$H_REC_PID" 2>/dev/null || true
  H_REC_START=$(awk '$1 == "start" { print $2 }' "$H_WORK/rec.anchor")
  [ "$H_REC_START" != none ] || h_fail "a gravação ficou vazia"
  # The anchor holds through a step; the log says there was one.
  awk '$1 == "clock_step" && ($2 > 0.005 || $2 < -0.005) {
    printf "    o relógio do sistema andou %+.3f s durante a gravação\n", $2 }' "$H_WORK/rec.anchor"
}

# Starts the program so that its clock reads the Unix time $1 at the real
# moment $2 (both in seconds, fractions allowed). Sets H_APP_PID. The offset
# lives in a file that h_clock_forward may change while the program runs.
h_app_start() { # fake_epoch real_epoch
  H_OFFSET=$(h_calc "$1 - $2")
  h_write_offset
  h_app_spawn "$H_PROG" "$H_WORK/app.log"
  H_APP_PID=$H_SPAWNED_PID
}

# One more copy of the program in a folder of its own, on the same faked
# clock. Sets H_SPAWNED_PID.
h_app_spawn() { # program_folder log
  (
    cd "$1"
    unset LC_ALL LANGUAGE FAKETIME
    # libfaketime reads a changed offset with atof() in the program's locale:
    # a decimal comma there would drop the offset's fraction.
    exec env LANG=C.UTF-8 LC_TIME=pt_BR.UTF-8 LC_NUMERIC=C QT_QPA_PLATFORM=offscreen \
      LD_PRELOAD="$H_FAKETIME_LIB" FAKETIME_TIMESTAMP_FILE="$H_WORK/faketime" \
      FAKETIME_DONT_FAKE_MONOTONIC=1 FAKETIME_NO_CACHE=1 \
      ./sonterra >"$2" 2>&1
  ) &
  H_SPAWNED_PID=$!
  H_PIDS+=("$H_SPAWNED_PID")
}

h_write_offset() {
  local offset=$H_OFFSET
  case $offset in -*) ;; *) offset=+$offset ;; esac
  printf '%s\n' "$offset" >"$H_WORK/faketime.new"
  mv "$H_WORK/faketime.new" "$H_WORK/faketime"
}

# Sets the program's clock forward at once; Qt's timers run on the real
# monotonic clock and go on as they were.
h_clock_forward() { # seconds
  H_OFFSET=$(h_calc "$H_OFFSET + $1")
  h_write_offset
}

h_app_alive() {
  kill -0 "$H_APP_PID" 2>/dev/null || {
    h_log "o programa saiu antes da hora; sua saída:"
    cat "$H_WORK/app.log" || true
    h_fail "o programa não ficou no ar"
  }
}

# SIGTERM first; a program that ignores it gets SIGKILL after 2 s.
h_app_stop() {
  h_stop_pid "$H_APP_PID"
}

# Alive and not a zombie waiting to be reaped.
h_running() { # pid
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
  stat=${stat##*) }
  [ "${stat:0:1}" != Z ]
}

h_stop_pid() { # pid
  kill -TERM "$1" 2>/dev/null || return 0
  local i
  for i in $(seq 40); do
    h_running "$1" || break
    [ "$i" -lt 40 ] || kill -KILL "$1" 2>/dev/null || true
    sleep 0.05
  done
  wait "$1" 2>/dev/null || true
}

h_sleep_until() { # real epoch
  local d
  d=$(h_calc "$1 - $(date +%s.%N)")
  case $d in -*) ;; *) sleep "$d" ;; esac
}

# The whole run: the program's clock reaches fake_boundary LEAD seconds after
# the recorder starts; the run listens LISTEN seconds past the boundary, then
# stops the program. H_CLOCK_JUMPS ("2:55 7:55") sets the program's clock
# forward by 55 s at 2 s and at 7 s of real time past the boundary ("-1.5:-60"
# sets it back 60 s 1.5 s before the boundary). It then
# stops the program (running H_BEFORE_STOP first, when set) and the recorder
# and analyses what the sink heard.
# Afterwards H_BOUNDARY is the real moment of the boundary and H_SCAN the
# analysis, every time relative to that boundary.
h_run() { # fake_boundary_epoch listen_seconds [lead_seconds]
  local fake=$1 listen=$2 lead=${3:-3.5} least
  # A new null sink hands a recorder nothing for about its first 2 s: keep
  # the boundary well clear of that.
  least=$(h_calc "${H_PULSE_T0:-0} + 4.5 - $(date +%s.%N)")
  lead=$(awk -v a="$lead" -v b="$least" 'BEGIN { print (a > b ? a : b) }')
  h_record_start
  H_BOUNDARY=$(h_calc "$(date +%s.%N) + $lead")
  h_app_start "$fake" "$H_BOUNDARY"
  h_log "programa no ar (pid $H_APP_PID), fronteira em ${lead}s"
  [ -z "${H_AFTER_START:-}" ] || "$H_AFTER_START"
  local jump
  for jump in ${H_CLOCK_JUMPS:-}; do
    h_sleep_until "$(h_calc "$H_BOUNDARY + ${jump%%:*}")"
    h_clock_forward "${jump#*:}"
  done
  h_sleep_until "$(h_calc "$H_BOUNDARY + $listen")"
  h_app_alive
  [ -z "${H_BEFORE_STOP:-}" ] || "$H_BEFORE_STOP"
  h_app_stop
  h_record_stop
  h_analyse
}

# Tone spans relative to the boundary: "tone NAME START END LEVEL" and
# "sound START END"; also written to the log. Each moment is placed by the
# stretch of the recording it lies in (pcm_tap: a server short of CPU loses
# samples, and the stretches after the loss are anchored by their own
# chunks). A start or an end within the lost stretch cannot be placed: the
# recording is not to be trusted, and the run ends with H_UNTRUSTED for its
# caller to record again.
H_UNTRUSTED=75
h_analyse() {
  H_SCAN=$("$TONE_SCAN" "$H_WORK/rec.raw" --rate $H_RATE --channels 2 \
    --gap "${H_SCAN_GAP:-0.05}" "${H_TONES[@]}" |
    awk -v b="$H_BOUNDARY" -v anchor="$H_WORK/rec.anchor" -v margin=0.02 '
      BEGIN {
        while ((getline line < anchor) > 0) {
          split(line, f, " ")
          if (f[1] == "segment") { n++; from[n] = f[2]; to[n] = f[3]; shift[n] = f[4] - b }
          if (f[1] == "drop") { d++; lost[d] = f[2]; dfrom[d] = f[3]; dto[d] = f[4] }
        }
        for (i = 1; i <= d; i++)
          printf "drop %.3f between %.3f and %.3f\n", lost[i], dfrom[i] + shift[i], dto[i] + shift[i + 1]
      }
      function at(t,   i) {
        for (i = 1; i <= d; i++)
          if (t > dfrom[i] - margin && t < dto[i] + margin) untrusted = 1
        for (i = n; i > 1 && t < from[i]; i--) {}
        return t + shift[i]
      }
      $1 == "sound" { printf "sound %.4f %.4f\n", at($2), at($3) }
      $1 == "tone" { printf "tone %s %.3f %.3f %s\n", $2, at($3), at($4), $5 }
      $1 == "samples" { printf "recorded %.3f s from %.3f\n", $2 / 48000, shift[1] }
      END { if (untrusted) print "untrusted" }')
  printf '%s\n' "$H_SCAN" | sed 's/^/    /'
  if grep -qx untrusted <<<"$H_SCAN"; then
    h_log "gravação não confiável: um som começa ou acaba onde o servidor perdeu amostras"
    exit "$H_UNTRUSTED"
  fi
}

# Runs "$@" (a case) in a subshell of its own and again, up to twice more,
# while its recording cannot be trusted.
h_attempts() { # command...
  local attempt rc child
  for attempt in 1 2 3; do
    (
      set -e
      "$@"
    ) &
    child=$!
    # shellcheck disable=SC2064 # this attempt's subshell
    trap "kill -TERM $child 2>/dev/null; wait $child; exit 143" TERM INT HUP
    rc=0
    wait "$child" || rc=$?
    trap - TERM INT HUP
    [ "$rc" -eq "$H_UNTRUSTED" ] || return "$rc"
    [ "$attempt" -lt 3 ] || break
    h_log "gravação não confiável (amostras perdidas no servidor): repetindo"
  done
  h_log "FALHA: três gravações seguidas perderam amostras no servidor; o programa não chegou a ser posto à prova"
  return 1
}

# --- What the run must show ------------------------------------------------

# Start of the first span of tone NAME, or "none".
h_onset() { # name
  awk -v n="$1" '$1 == "tone" && $2 == n { print $3; f = 1; exit } END { if (!f) print "none" }' <<<"$H_SCAN"
}
# Start of the Nth span (1, 2, ...) of tone NAME, or "none".
h_onset_nth() { # name n
  awk -v n="$1" -v k="$2" '$1 == "tone" && $2 == n && ++i == k { print $3; f = 1; exit } END { if (!f) print "none" }' <<<"$H_SCAN"
}
# End of the last span of tone NAME, or "none".
h_end() { # name
  awk -v n="$1" '$1 == "tone" && $2 == n { e = $4 } END { print (e == "" ? "none" : e) }' <<<"$H_SCAN"
}
# First sample of sound at or after a moment (sample precision), or "none".
h_sound_onset_after() { # seconds relative to the boundary
  awk -v t="$1" '$1 == "sound" && $3 > t { print ($2 > t ? $2 : t); f = 1; exit } END { if (!f) print "none" }' <<<"$H_SCAN"
}

h_between() { # value low high
  awk -v v="$1" -v lo="$2" -v hi="$3" 'BEGIN { exit !(v >= lo && v <= hi) }'
}

h_expect_tone() { # name earliest latest  (onset, relative to the boundary)
  local on
  on=$(h_onset "$1")
  [ "$on" != none ] || h_fail "$1 não tocou"
  h_between "$on" "$2" "$3" || h_fail "$1 começou em ${on}s, fora de [$2, $3]"
  h_log "ok: $1 começou em ${on}s"
}

# Rung once: every span of tone NAME ends within one ring of its first onset.
# A loaded recorder may split one ring in two; a second ring runs past it.
h_expect_rung_once() { # name seconds-long
  local on end
  on=$(h_onset "$1")
  end=$(h_end "$1")
  [ "$on" != none ] || h_fail "$1 não tocou"
  h_between "$end" "$on" "$(h_calc "$on + $2 + 0.25")" ||
    h_fail "$1 tocou de novo: soou de ${on}s a ${end}s, mais que um toque de ${2}s"
  h_log "ok: $1 tocou uma vez só (${on}s a ${end}s)"
}

h_expect_silent() { # name
  local on
  on=$(h_onset "$1")
  [ "$on" = none ] || h_fail "$1 tocou em ${on}s e não devia"
  h_log "ok: $1 não tocou"
}

# Nothing at all reached the sink from a moment on.
h_expect_quiet_after() { # seconds relative to the boundary
  local on
  on=$(h_sound_onset_after "$1")
  [ "$on" = none ] || h_fail "houve som em ${on}s"
  h_log "ok: silêncio a partir de ${1}s"
}

# The recording must cover the moments a case looks at, or silence proves
# nothing.
h_expect_covered_from() { # seconds relative to the boundary
  local from
  from=$(printf '%s\n' "$H_SCAN" | awk '$1 == "recorded" { print $5 }')
  h_between "$from" -1000 "$1" || h_fail "a gravação só começa em ${from}s"
}
