#!/usr/bin/env bash
# The sound server restarts while the program runs (device 1 lost under it):
# the next sound must still come out, through the new server.
# usage: pulse_restart_test.sh BASS_TOOL PULSE_ENV_SCRIPT
set -euo pipefail
. "$(dirname "$0")/pulse_test_common.sh" restart "$1" "$2"

"$tool" tone "$work/tone.wav" 880 1.0
eval "$("$pulse_env" start "$work/pulse")"
# Plays once, then again once the flag is there; the server is replaced in
# between. Each step waits for the one before, not for a time: a busy
# machine only makes it slower.
"$tool" play-again 1 "$work/tone.wav" "$work/again" >"$work/tool.log" 2>&1 &
player=$!
until grep -q "inactive after" "$work/tool.log"; do
    kill -0 "$player" 2>/dev/null || { cat "$work/tool.log"; echo "the player ended early"; exit 1; }
    sleep 0.05
done
"$pulse_env" stop "$work/pulse"
eval "$("$pulse_env" start "$work/pulse")"
start_recording
# An idle null sink hands a new recorder nothing at first: the second sound
# starts once sound (silence) reaches the recording.
until [ -s "$work/rec.raw" ]; do sleep 0.05; done
touch "$work/again"
check_recording 880 1.0
