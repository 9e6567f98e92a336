#!/usr/bin/env bash
# The sound server freezes (SIGSTOP) in the middle of a sound: the sound's end
# is still reported within seconds, and once the server goes on (SIGCONT) the
# next sound comes out through it.
# usage: pulse_freeze_test.sh BASS_TOOL PULSE_ENV_SCRIPT
set -euo pipefail
. "$(dirname "$0")/pulse_test_common.sh" freeze "$1" "$2"

"$tool" tone "$work/tone.wav" 660 6.0
eval "$("$pulse_env" start "$work/pulse")"
server=$(cat "$work/pulse/pulse.pid")
# Six seconds of tone, then again after a pause. The first can only end by
# the library giving the frozen server up: no more of it is ever played.
"$tool" play-again 1 "$work/tone.wav" x 4 >"$work/tool.log" 2>&1 &
player=$!
sleep 1
kill -STOP "$server"
# Wait for the first round's end, reported while the server is still frozen.
for _ in $(seq 1 100); do
    grep -q "inactive after" "$work/tool.log" && break
    sleep 0.1
done
grep -q "inactive after" "$work/tool.log" || { cat "$work/tool.log"; echo "no end while the server was frozen"; exit 1; }
kill -CONT "$server"
server=""
start_recording
check_recording 660 6.0
