#!/usr/bin/env bash
# The sound server restarts while the program runs (device 1 lost under it):
# the next sound must still come out, through the new server.
# usage: pulse_restart_test.sh BASS_TOOL PULSE_ENV_SCRIPT
set -euo pipefail
. "$(dirname "$0")/pulse_test_common.sh" restart "$1" "$2"

"$tool" tone "$work/tone.wav" 880 1.0
eval "$("$pulse_env" start "$work/pulse")"
# Plays once now, then again 6 s later; the server is replaced in between.
"$tool" play-again 1 "$work/tone.wav" x 6 &
player=$!
sleep 2.5
"$pulse_env" stop "$work/pulse"
sleep 1
eval "$("$pulse_env" start "$work/pulse")"
start_recording
check_recording 880 1.0
