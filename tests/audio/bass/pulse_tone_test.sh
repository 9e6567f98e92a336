#!/usr/bin/env bash
# Real sound through PulseAudio: a private daemon with a null sink, the audio
# library playing a 880 Hz tone on device 1, the sink's monitor recorded with
# parec, and the recording checked for the tone and its length.
# usage: pulse_tone_test.sh BASS_TOOL PULSE_ENV_SCRIPT
set -euo pipefail
. "$(dirname "$0")/pulse_test_common.sh" tone "$1" "$2"

"$tool" tone "$work/tone.wav" 880 1.0

export tool work
"$pulse_env" run bash -c '
    set -euo pipefail
    parec -d bell.monitor --raw --format=s16le --rate=48000 --channels=2 --latency-msec=10 >"$work/rec.raw" &
    rec=$!
    trap "kill $rec 2>/dev/null || true" EXIT
    sleep 2.5 # an idle null sink delivers its first data late
    # Started as the device is prepared: once the tone is freed, none of the
    # tool'"'"'s streams stays in the server while it is still connected.
    "$tool" play-prepared 1 "$work/tone.wav" "$work/looked" >"$work/tool.log" &
    tool_pid=$!
    for _ in $(seq 600); do grep -q freed "$work/tool.log" && break; sleep 0.05; done
    grep -q freed "$work/tool.log" || { touch "$work/looked"; echo "the tone did not end"; exit 1; }
    for _ in $(seq 200); do
        streams=$(pactl list short sink-inputs | wc -l)
        [ "$streams" = 0 ] && break
        sleep 0.1
    done
    touch "$work/looked"
    wait "$tool_pid"
    [ "$streams" = 0 ] || { echo "$streams streams left in the server"; pactl list sink-inputs; exit 1; }
    sleep 0.7
    kill "$rec"
    wait "$rec" 2>/dev/null || true
'
"$tool" detect "$work/rec.raw" 48000 880 1.0
