#!/usr/bin/env bash
# End-to-end cases: the real program, a real sound server, a faked wall clock.
#   usage: cases.sh CASE       (CTest runs each case as its own test)
# Each sound is a steady sine of its own frequency; times in the checks are
# seconds relative to the real moment the program's clock crosses the minute.
# shellcheck source=tests/e2e/harness.sh
source "$(dirname "$0")/harness.sh"

# How late a bell may start after its minute and still pass: the program
# phases its ticks to the wall clock and rings within milliseconds; a tick
# that drifts to the next half second, or a wrong minute, fails. Generous,
# because the machine may be busy compiling.
LATE=0.45
# How long after the bell's end the spoken time may start: the player's
# watch timer looks every 60 ms.
CLIP_LATE=0.40
# Measuring error: the recording's anchor and the 10 ms analysis frames.
SLACK=0.03

DAY=$(date +%F)

expect_bell_then_clip() { # bell_seconds
  h_expect_tone bell -$SLACK $LATE
  local end
  end=$(h_end bell)
  h_between "$end" "$(h_calc "$(h_onset bell) + $1 - 0.1")" "$(h_calc "$(h_onset bell) + $1 + 0.1")" ||
    h_fail "o sino devia durar ${1}s e terminou em ${end}s"
  h_expect_tone clip "$(h_calc "$end - $SLACK")" "$(h_calc "$end + $CLIP_LATE")"
  h_expect_silent wrong_clip
}

# "07:30 + sino": rings at 07:30:00 and 07H30M.WAV follows right after it.
case_plus_entry_rings_then_speaks() {
  h_state "1"
  h_bell_and_clips 07 30 07H30M.WAV 1.0
  h_tone other_bell 900
  h_tone_file "$H_PROG/AUDIO/outro.wav" 900 1.0
  local at
  at=$(h_epoch "$DAY 07:30:00")
  h_write_lines "$(h_day_file "$at")" \
    "07:30 + $H_PROG/AUDIO/sino.wav" "07:31 - $H_PROG/AUDIO/outro.wav"
  h_run "$at" 3.0
  h_expect_covered_from -0.5
  expect_bell_then_clip 1.0
  h_expect_silent other_bell
}

# "07:30 - sino": rings, and no time is spoken.
case_minus_entry_rings_silently() {
  h_state "1"
  h_bell_and_clips 07 30 07H30M.WAV 1.0
  local at
  at=$(h_epoch "$DAY 07:30:00")
  h_write_lines "$(h_day_file "$at")" "07:30 - $H_PROG/AUDIO/sino.wav"
  h_run "$at" 2.8
  h_expect_tone bell -$SLACK $LATE
  h_expect_silent clip
  h_expect_silent wrong_clip
  h_expect_quiet_after "$(h_calc "$(h_end bell) + $SLACK")"
}

# The clip names the minute the sound ends, not the entry's: started at
# 07:30:55.5, the 07:30 entry rings at once, its 6 s bell ends after 07:31:00,
# and 07H31M.WAV follows while 07H30M.WAV stays silent.
case_clip_names_minute_sound_ended() {
  h_state "1"
  h_bell_and_clips 07 31 07H31M.WAV 6.0
  local at
  at=$(h_epoch "$DAY 07:31:00")
  h_write_lines "$(h_day_file "$at")" "07:30 + $H_PROG/AUDIO/sino.wav"
  h_run "$at" 6.0 4.5
  local end
  end=$(h_end bell)
  [ "$end" != none ] || h_fail "o sino não tocou"
  h_between "$end" 0.05 100 || h_fail "o sino terminou antes da virada do minuto (${end}s): o programa demorou a iniciar"
  h_expect_tone clip "$(h_calc "$end - $SLACK")" "$(h_calc "$end + $CLIP_LATE")"
  h_expect_silent wrong_clip
}

# The 12-hour dial: at 13:45 the clip is 01H45M.WAV; noon and midnight keep
# their own hours. Each row: the entry's hour and minute, the clip that must
# speak, and a decoy that must stay silent, made by the row itself ("made")
# where the clips around the minute do not make it.
twelve_hour_dial() { # hh mm clip decoy [made]
  h_state "1"
  h_bell_and_clips "$1" "$2" "$3" 0.5
  [ "${5:-}" != made ] || h_tone_file "$H_PROG/HORA/$4" 2500 0.6
  local at
  at=$(h_epoch "$DAY $1:$2:00")
  h_write_lines "$(h_day_file "$at")" "$1:$2 + $H_PROG/AUDIO/sino.wav"
  [ -e "$H_PROG/HORA/$4" ] || h_fail "falta o chamariz $4"
  h_run "$at" 2.5
  expect_bell_then_clip 0.5
}
case_twelve_hour_dial() {          twelve_hour_dial 13 45 01H45M.WAV 13H45M.WAV; }
case_twelve_hour_dial_noon() {     twelve_hour_dial 12 10 12H10M.WAV 00H10M.WAV; }
case_twelve_hour_dial_midnight() { twelve_hour_dial 00 05 00H05M.WAV 12H05M.WAV made; }

# SOM.INI must hold exactly "1": "1 " leaves the schedule off.
case_state_not_one_is_silent() {
  h_state $'1 \r\n'
  h_bell_and_clips 07 30 07H30M.WAV 1.0
  local at
  at=$(h_epoch "$DAY 07:30:00")
  h_write_lines "$(h_day_file "$at")" "07:30 + $H_PROG/AUDIO/sino.wav"
  h_run "$at" 2.5
  h_expect_covered_from -0.5
  h_expect_quiet_after -0.5
}

# An entry whose file is missing: nothing rings and no time is spoken.
case_missing_audio_is_silent() {
  h_state "1"
  h_bell_and_clips 07 30 07H30M.WAV 1.0
  local at
  at=$(h_epoch "$DAY 07:30:00")
  h_write_lines "$(h_day_file "$at")" "07:30 + $H_PROG/AUDIO/nao-existe.wav"
  h_run "$at" 2.5
  h_expect_covered_from -0.5
  h_expect_quiet_after -0.5
}

# A missing file is passed over whole: a later "+" line with a missing file
# neither cuts the bell of an earlier "-" line of the same minute nor makes
# it speak the time.
case_missing_audio_after_bell_changes_nothing() {
  h_state "1"
  h_bell_and_clips 07 30 07H30M.WAV 1.0
  local at
  at=$(h_epoch "$DAY 07:30:00")
  h_write_lines "$(h_day_file "$at")" \
    "07:30 - $H_PROG/AUDIO/sino.wav" "07:30 + $H_PROG/AUDIO/nao-existe.wav"
  h_run "$at" 2.8
  h_expect_tone bell -$SLACK $LATE
  h_between "$(h_end bell)" 0.9 "$(h_calc "$LATE + 1.1")" || h_fail "o sino foi cortado: terminou em $(h_end bell)s"
  h_expect_silent clip
  h_expect_silent wrong_clip
}

# Kept active over midnight: at Saturday 00:00 the Saturday file (07.PR2)
# rings, not Friday's (06.PR2).
case_new_weekday_after_midnight() {
  h_state "1"
  h_tone saturday 700
  h_tone friday 1100
  h_tone_file "$H_PROG/AUDIO/sabado.wav" 700 1.0
  h_tone_file "$H_PROG/AUDIO/sexta.wav" 1100 1.0
  local at
  at=$(h_epoch "2026-12-05 00:00:00")
  [ "$(h_day_file "$at")" = "$H_PROG/07.PR2" ] || h_fail "2026-12-05 devia ser um sábado"
  h_write_lines "$H_PROG/06.PR2" "00:00 - $H_PROG/AUDIO/sexta.wav"
  h_write_lines "$H_PROG/07.PR2" "00:00 - $H_PROG/AUDIO/sabado.wav"
  h_run "$at" 2.5
  h_expect_tone saturday -$SLACK $LATE
  h_expect_silent friday
}

# MP3, WAV and WMA files all ring, whole.
ring_format() { # extension
  h_state "1"
  h_tone bell 700
  h_tone_file "$H_PROG/AUDIO/sino.$1" 700 1.0
  local at
  at=$(h_epoch "$DAY 07:30:00")
  h_write_lines "$(h_day_file "$at")" "07:30 - $H_PROG/AUDIO/sino.$1"
  h_run "$at" 2.3
  h_expect_tone bell -$SLACK $LATE
  h_between "$(h_end bell)" "$(h_calc "$(h_onset bell) + 0.85")" "$(h_calc "$(h_onset bell) + 1.15")" ||
    h_fail "o sino devia durar 1 s e terminou em $(h_end bell)s"
}
case_format_mp3() { ring_format mp3; }
case_format_wav() { ring_format wav; }
case_format_wma() { ring_format wma; }

# A "+" entry that falls due while an earlier bell still plays cuts that bell
# and the time is spoken at once, over the new bell, and not again after it.
case_new_entry_cuts_playing_bell() {
  h_state "1"
  h_bell_and_clips 07 31 07H31M.WAV 8.0
  h_tone new_bell 900
  h_tone_file "$H_PROG/AUDIO/novo.wav" 900 1.0
  local at
  at=$(h_epoch "$DAY 07:31:00")
  h_write_lines "$(h_day_file "$at")" \
    "07:30 - $H_PROG/AUDIO/sino.wav" "07:31 + $H_PROG/AUDIO/novo.wav"
  h_run "$at" 2.5 4.0
  h_expect_covered_from -0.5
  h_between "$(h_end bell)" -$SLACK $LATE || h_fail "o sino anterior devia parar na virada e parou em $(h_end bell)s"
  h_log "ok: o sino anterior parou em $(h_end bell)s"
  h_expect_tone new_bell -$SLACK $LATE
  local on
  on=$(h_onset new_bell)
  h_expect_tone clip "$(h_calc "$on - 0.1")" "$(h_calc "$on + 0.1")"
  [ "$(printf '%s\n' "$H_SCAN" | grep -c '^tone clip ')" -eq 1 ] || h_fail "a hora foi falada mais de uma vez"
  h_expect_silent wrong_clip
}

# Out of the box: the bells and clips of scripts/make-sounds.sh play in the
# program. "07:30 + sinal-curto.mp3" rings at its minute and a spoken time of
# at least a second follows once the bell ends.
case_out_of_the_box_sounds() {
  h_state "1"
  "$H_ROOT/scripts/make-sounds.sh" "$H_PROG" >/dev/null
  local at bell=$H_PROG/AUDIO/sinal-curto.mp3 length onset spoken
  length=$(soxi -D "$bell")
  at=$(h_epoch "$DAY 07:30:00")
  h_write_lines "$(h_day_file "$at")" "07:30 + $bell"
  h_run "$at" "$(h_calc "$length + 4.0")"
  h_expect_covered_from -0.5
  onset=$(h_sound_onset_after -0.5)
  [ "$onset" != none ] || h_fail "nada tocou"
  h_between "$onset" -$SLACK $LATE || h_fail "o sinal começou em ${onset}s"
  h_log "ok: o sinal começou em ${onset}s"
  spoken=$(h_sound_onset_after "$(h_calc "$onset + $length - 0.15")")
  [ "$spoken" != none ] || h_fail "a hora não foi falada"
  h_between "$spoken" "$(h_calc "$onset + $length - 0.15")" "$(h_calc "$onset + $length + $CLIP_LATE")" ||
    h_fail "a fala começou em ${spoken}s; o sinal acabou em $(h_calc "$onset + $length")s"
  awk -v t="$spoken" '$1 == "sound" && $3 > t { e = $3 } END { exit !(e - t >= 1.0) }' <<<"$H_SCAN" ||
    h_fail "a fala durou menos de 1 s"
  h_log "ok: a hora falada começou em ${spoken}s"
}

# A box that nobody closes holds up no bell: 07:30 names a file the player
# cannot read (its load-error box opens and stays), 07:31 and 07:32 ring on
# their minutes all the same. The clock is set forward within each minute, so
# the three boundaries come 5 s apart: at 0, 5 and 10 s.
case_unread_box_delays_nothing() {
  h_state "1"
  h_tone b 900
  h_tone c 1100
  printf 'isto não é som\n' >"$H_PROG/AUDIO/ruim.mp3"
  h_tone_file "$H_PROG/AUDIO/b.wav" 900 1.0
  h_tone_file "$H_PROG/AUDIO/c.wav" 1100 1.0
  local at
  at=$(h_epoch "$DAY 07:30:00")
  h_write_lines "$(h_day_file "$at")" "07:30 - $H_PROG/AUDIO/ruim.mp3" \
    "07:31 - $H_PROG/AUDIO/b.wav" "07:32 - $H_PROG/AUDIO/c.wav"
  H_CLOCK_JUMPS="2:55 7:55" h_run "$at" 12.0
  h_expect_covered_from -0.5
  h_expect_tone b "$(h_calc "5 - $SLACK")" "$(h_calc "5 + $LATE")"
  h_expect_tone c "$(h_calc "10 - $SLACK")" "$(h_calc "10 + $LATE")"
}

# The clock set forward 299.75 s, 1.5 s before 07:30 (time synchronisation,
# a resume from sleep): 07:30 is skipped and never rung late; 07:35, now due
# 0.25 s after the boundary, rings on its new minute.
case_clock_step_forward_skips_entry() {
  h_state "1"
  h_tone skipped 700
  h_tone after 1100
  h_tone_file "$H_PROG/AUDIO/a.wav" 700 0.5
  h_tone_file "$H_PROG/AUDIO/b.wav" 1100 0.5
  local at due=0.25
  at=$(h_epoch "$DAY 07:30:00")
  h_write_lines "$(h_day_file "$at")" "07:30 - $H_PROG/AUDIO/a.wav" "07:35 - $H_PROG/AUDIO/b.wav"
  H_CLOCK_JUMPS="-1.5:299.75" h_run "$at" 3.0
  h_expect_covered_from -1.0
  h_expect_silent skipped
  h_expect_tone after "$(h_calc "$due - $SLACK")" "$(h_calc "$due + $LATE")"
}

# The clock set back 6.75 s, 1.5 s after a bell at 07:30: 07:30 comes round
# again 6.75 s after the boundary and its entry rings a second time, on time.
case_clock_step_back_rings_again() {
  h_state "1"
  h_tone bell 700
  h_tone_file "$H_PROG/AUDIO/a.wav" 700 0.5
  local at again=6.75 second
  at=$(h_epoch "$DAY 07:30:00")
  h_write_lines "$(h_day_file "$at")" "07:30 - $H_PROG/AUDIO/a.wav"
  H_CLOCK_JUMPS="1.5:-6.75" h_run "$at" 8.0
  h_expect_covered_from -0.5
  h_expect_tone bell -$SLACK $LATE
  second=$(h_onset_nth bell 2)
  [ "$second" != none ] || h_fail "o sino não tocou de novo depois do relógio atrasado"
  h_between "$second" "$(h_calc "$again - $SLACK")" "$(h_calc "$again + $LATE")" ||
    h_fail "o sino tocou de novo em ${second}s, fora de [$again, $again + $LATE]"
  h_log "ok: o sino tocou de novo em ${second}s"
  [ "$(h_onset_nth bell 3)" = none ] || h_fail "o sino tocou uma terceira vez"
}

# Sound files that are not sounds hold up no bell. At 07:30: an HLS playlist
# named .mp3 that names a FIFO, a file:// address of that FIFO whose relative
# twin exists (so the tick finds "a file"), an ffconcat script named .mp3
# that names the 07:31 bell, and a WAV that claims 1,000,000,000 Hz. The 07:31
# bell rings on its minute, and only then.
case_hostile_sounds_delay_nothing() {
  h_state "1"
  h_tone b 900
  h_tone_file "$H_PROG/AUDIO/b.wav" 900 1.0
  local fifo=$H_WORK/sounds/x.fifo
  mkfifo "$fifo"
  mkdir -p "$H_PROG/file:$H_WORK/sounds"
  : >"$H_PROG/file:$fifo"
  printf '#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXTINF:1.0,\n%s\n#EXT-X-ENDLIST\n' "$fifo" \
    >"$H_PROG/AUDIO/lista.mp3"
  printf 'ffconcat version 1.0\nfile b.wav\n' >"$H_PROG/AUDIO/roteiro.mp3"
  h_tone_file "$H_PROG/AUDIO/giga.wav" 1500 1.0
  printf '\x00\xca\x9a\x3b' | dd of="$H_PROG/AUDIO/giga.wav" bs=1 seek=24 conv=notrunc status=none
  local at
  at=$(h_epoch "$DAY 07:30:00")
  h_write_lines "$(h_day_file "$at")" "07:30 - $H_PROG/AUDIO/lista.mp3" \
    "07:30 - file://$fifo" "07:30 - $H_PROG/AUDIO/roteiro.mp3" \
    "07:30 - $H_PROG/AUDIO/giga.wav" "07:31 - $H_PROG/AUDIO/b.wav"
  H_CLOCK_JUMPS="2:55" h_run "$at" 7.0
  h_expect_covered_from -0.5
  h_expect_tone b "$(h_calc "5 - $SLACK")" "$(h_calc "5 + $LATE")"
}

# A paste gone wrong: one line 300 times at one minute. Each start closes the
# one before; every stream they open is closed again, and the next minute's
# bell rings on time.
count_streams() { H_STREAMS=$(pactl list short sink-inputs | wc -l); }
case_many_copies_of_one_line() {
  h_state "1"
  h_tone a 700
  h_tone b 900
  h_tone_file "$H_PROG/AUDIO/a.wav" 700 1.0
  h_tone_file "$H_PROG/AUDIO/b.wav" 900 1.0
  local at i lines=()
  at=$(h_epoch "$DAY 07:30:00")
  for i in $(seq 300); do lines+=("07:30 - $H_PROG/AUDIO/a.wav"); done
  h_write_lines "$(h_day_file "$at")" "${lines[@]}" "07:31 - $H_PROG/AUDIO/b.wav"
  H_BEFORE_STOP=count_streams H_CLOCK_JUMPS="2:55" h_run "$at" 7.0
  h_expect_covered_from -0.5
  h_expect_tone a -$SLACK $LATE
  h_expect_tone b "$(h_calc "5 - $SLACK")" "$(h_calc "5 + $LATE")"
  [ "$H_STREAMS" -eq 0 ] || h_fail "$H_STREAMS fluxos de som ficaram abertos no servidor"
  h_log "ok: nenhum fluxo ficou aberto"
}

# A 20 s bell whose sound goes to another sink 4.5 s in, as when the speakers are
# unplugged or the user picks another output: the program plays on "plug",
# the default, which then stops being the default or goes; "bell" hears the
# rest. The bell, opened ahead of its minute as every scheduled one is, ends
# at its true end there: nothing the old sink played is heard again.
moved_bell() { # default-changed | sink-removed
  h_state "1"
  h_tone bell 700
  h_tone_file "$H_PROG/AUDIO/sino.wav" 700 20.0
  local at
  at=$(h_epoch "$DAY 07:30:00")
  h_write_lines "$(h_day_file "$at")" "07:30 - $H_PROG/AUDIO/sino.wav"
  PLUG=$(pactl load-module module-null-sink sink_name=plug rate=48000 channels=2)
  pactl set-default-sink plug
  unset PULSE_SINK # the program follows the default, as in a desktop session
  # Someone listens to plug: a sink nobody listens to takes its sound in
  # bursts, far ahead, which no speaker does.
  parec -d plug.monitor --raw --latency-msec=10 >/dev/null &
  H_PIDS+=($!)
  MOVE=$1
  H_AFTER_START=move_while_ringing h_run "$at" 21.5
  local end
  end=$(h_end bell)
  [ "$end" != none ] || h_fail "o resto do sino não foi ouvido na outra saída"
  h_between "$end" "$(h_calc "20.0 - $SLACK")" "$(h_calc "20.0 + 0.12")" ||
    h_fail "o sino de 20 s, levado a outra saída, terminou em ${end}s"
  h_log "ok: o sino terminou em ${end}s"
}
move_while_ringing() {
  (
    h_sleep_until "$(h_calc "$H_BOUNDARY + 4.5")"
    if [ "$MOVE" = default-changed ]; then
      pactl set-default-sink bell
    else
      pactl unload-module "$PLUG"
    fi
  ) &
  H_PIDS+=($!)
}
case_moved_bell_default_changed() { moved_bell default-changed; }
case_moved_bell_sink_removed() { moved_bell sink-removed; }

# Waits until the copy PID holds its program folder: a write lock on the
# folder's lock file (an open-file-description lock, which /proc/locks shows
# without a PID), with that file open in the copy.
wait_for_folder_lock() { # pid folder
  local inode i
  for i in $(seq 200); do
    if inode=$(stat -c %i "$2/.sonterra.lock" 2>/dev/null) &&
      awk -v i=":$inode" '$2 == "OFDLCK" && $4 == "WRITE" && substr($6, length($6) - length(i) + 1) == i { f = 1 } END { exit !f }' /proc/locks &&
      grep -q '/\.sonterra\.lock$' <<<"$(ls -l "/proc/$1/fd" 2>/dev/null)"; then
      return 0
    fi
    h_running "$1" || h_fail "a cópia $1 saiu: $(cat "$H_WORK"/*.log)"
    sleep 0.05
  done
  h_fail "a cópia $1 não segurou a pasta $2"
}

# The program folder and the autostart folder, file by file.
folder_snapshot() {
  find "$H_PROG" "$XDG_CONFIG_HOME" -printf '%p %s %T@ %m\n' | sort
}

# One running copy per program folder. A copy killed outright (a crash)
# leaves nothing behind that keeps the next start out. With the schedule
# running, the same folder started again 1.5 s into the bell's minute ends at
# once, touching no file, and the bell rings once; a copy of another folder
# (another schedule) runs beside it and rings its own bell.
case_one_copy_per_folder() {
  h_state "1"
  h_tone bell 700
  h_tone other_bell 900
  h_tone_file "$H_PROG/AUDIO/sino.wav" 700 1.0
  local at
  at=$(h_epoch "$DAY 07:30:00")
  h_write_lines "$(h_day_file "$at")" "07:30 - $H_PROG/AUDIO/sino.wav"
  OTHER=$H_WORK/outra
  mkdir -p "$OTHER/AUDIO" "$OTHER/HORA"
  cp "$H_PROG/sonterra" "$OTHER/sonterra"
  printf 1 >"$OTHER/SOM.INI"
  h_tone_file "$OTHER/AUDIO/outro.wav" 900 1.0
  h_write_lines "$OTHER/$(basename "$(h_day_file "$at")")" "07:30 - $OTHER/AUDIO/outro.wav"

  H_OFFSET=$(h_calc "$at - 3600 - $(date +%s.%N)") # an hour before: rings nothing
  h_write_offset
  h_app_spawn "$H_PROG" "$H_WORK/crashed.log"
  local crashed=$H_SPAWNED_PID
  wait_for_folder_lock "$crashed" "$H_PROG"
  kill -KILL "$crashed"
  wait "$crashed" 2>/dev/null || true
  h_log "ok: a primeira cópia foi morta com SIGKILL"

  H_AFTER_START=second_start H_BEFORE_STOP=after_second_start h_run "$at" 4.0
  h_expect_covered_from -0.5
  h_expect_tone bell -$SLACK $LATE
  h_expect_tone other_bell -$SLACK $LATE
  [ "$(printf '%s\n' "$H_SCAN" | grep -c '^tone bell ')" -eq 1 ] || h_fail "o sino tocou mais de uma vez"
  h_between "$(h_end bell)" "$(h_calc "$(h_onset bell) + 0.9")" "$(h_calc "$(h_onset bell) + 1.1")" ||
    h_fail "o sino devia durar 1 s e terminou em $(h_end bell)s"
  h_log "ok: o sino tocou uma vez só"
}

second_start() {
  wait_for_folder_lock "$H_APP_PID" "$H_PROG"
  h_log "ok: a cópia seguinte à morta subiu e segura a pasta"
  h_app_spawn "$OTHER" "$H_WORK/other.log"
  wait_for_folder_lock "$H_SPAWNED_PID" "$OTHER"
  h_log "ok: a cópia de outra pasta roda ao lado"
  h_sleep_until "$(h_calc "$H_BOUNDARY + 1.5")"
  folder_snapshot >"$H_WORK/before"
  h_app_spawn "$H_PROG" "$H_WORK/second.log"
  SECOND=$H_SPAWNED_PID
}

after_second_start() {
  h_running "$SECOND" && h_fail "a segunda cópia da mesma pasta continua no ar"
  local status=0
  wait "$SECOND" || status=$?
  [ "$status" -eq 0 ] || h_fail "a segunda cópia saiu com $status: $(cat "$H_WORK/second.log")"
  folder_snapshot >"$H_WORK/after"
  diff "$H_WORK/before" "$H_WORK/after" || h_fail "a segunda cópia mexeu em arquivos"
  h_log "ok: a segunda cópia saiu com 0 sem mexer em nada"
}

# Started again inside the minute it rang (a logon, a crash, a setup), the
# program does not ring that minute a second time.
case_restart_inside_rung_minute() {
  h_state "1"
  h_tone bell 700
  h_tone_file "$H_PROG/AUDIO/a.wav" 700 0.5
  local at
  at=$(h_epoch "$DAY 07:30:00")
  h_write_lines "$(h_day_file "$at")" "07:30 - $H_PROG/AUDIO/a.wav"
  H_AFTER_START=restart_after_bell h_run "$at" 4.0
  h_expect_covered_from -0.5
  h_expect_tone bell -$SLACK $LATE
  h_expect_rung_once bell 0.5
}

restart_after_bell() {
  h_sleep_until "$(h_calc "$H_BOUNDARY + 1.0")"
  h_stop_pid "$H_APP_PID"
  h_app_spawn "$H_PROG" "$H_WORK/restart.log"
  H_APP_PID=$H_SPAWNED_PID
  h_log "programa reiniciado (pid $H_APP_PID) dentro do minuto tocado"
}

[ $# -eq 1 ] || { echo "uso: $0 CASO" >&2; exit 2; }
declare -F "case_$1" >/dev/null || { echo "caso desconhecido: $1" >&2; exit 2; }
run_case() {
  h_init
  h_pulse_start
  h_log "caso $1 com $(basename "$SONTERRA_BIN")"
  "case_$1"
  h_log "passou"
}
h_attempts run_case "$1"
