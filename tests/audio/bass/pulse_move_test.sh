#!/usr/bin/env bash
# A bell playing when its sound goes to another sink, because the default
# changed or the playing sink went: on the new sink it ends at its true end,
# not later (the server plays again what the old sink held), and so nothing
# of it is heard twice there; opened ahead, as a scheduled bell is, or not.
# usage: pulse_move_test.sh BASS_TOOL PULSE_ENV_SCRIPT PCM_TAP TONE_SCAN
set -euo pipefail
. "$(dirname "$0")/pulse_test_common.sh" move "$1" "$2"
pcm_tap=$3
tone_scan=$4
# A build that made only the library's tools (the thread sanitizer's) has no recorder.
for t in "$pcm_tap" "$tone_scan"; do
    [ -x "$t" ] || { echo "skipped: $t is not built"; exit 77; }
done
length=6

"$tool" tone "$work/tone.wav" 880 "$length"
for run in play:default-changed play:sink-removed play-ahead:default-changed play-ahead:sink-removed; do
    how=${run#*:}
    eval "$("$pulse_env" start "$work/pulse")"
    unset PULSE_SINK
    pactl load-module module-null-sink sink_name=other rate=48000 channels=2 >/dev/null
    "$pcm_tap" "$work/rec.raw" "$work/rec.anchor" 192000 -- parec -d other.monitor --raw \
        --format=s16le --rate=48000 --channels=2 --latency-msec=10 &
    rec=$!
    until [ -s "$work/rec.raw" ]; do
        kill -0 "$rec" 2>/dev/null || { echo "$run: the recorder ended"; exit 1; }
        sleep 0.05
    done
    "$tool" "${run%%:*}" 1 "$work/tone.wav" >"$work/tool.log" 2>&1 &
    player=$!
    until grep -q "played at" "$work/tool.log"; do sleep 0.02; done
    sleep 2
    if [ "$how" = default-changed ]; then
        pactl set-default-sink other
    else
        pactl unload-module "$(pactl list short modules | awk '/sink_name=bell/ { print $1 }')"
    fi
    wait "$player" || { cat "$work/tool.log"; echo "$run: the player failed"; exit 1; }
    player=""
    sleep 0.7
    kill "$rec"
    wait "$rec" 2>/dev/null || true
    rec=""
    start=$(awk '$1 == "start" { print $2 }' "$work/rec.anchor")
    played=$(awk '$1 == "played" { print $3 }' "$work/tool.log")
    span=$("$tone_scan" "$work/rec.raw" --rate 48000 --channels 2 bell=880 | awk '$1 == "tone" { print $3, $4 }' | tail -n 1)
    [ -n "$span" ] || { echo "$run: nothing heard on the new sink"; exit 1; }
    late=$(awk -v s="$start" -v p="$played" -v l="$length" -v span="$span" \
        'BEGIN { split(span, t, " "); printf "%.3f", s + t[2] - (p + l) }')
    echo "$run: heard on the new sink until ${late}s after the bell's true end"
    # The true end is taken from the moment Play was called, so the few ms a
    # new stream takes to be heard are inside the upper bound (paplay: 20-50).
    awk -v d="$late" 'BEGIN { exit !(d >= -0.05 && d <= 0.08) }' ||
        { cat "$work/tool.log"; echo "$run: the bell must end with its true end"; exit 1; }
    "$pulse_env" stop "$work/pulse"
done
