#!/usr/bin/env bash
# The program starts before the sound server (a logon): the output cannot be
# opened, yet once the server is up the next load opens it and the sound
# comes out, with no restart.
# usage: pulse_late_test.sh BASS_TOOL PULSE_ENV_SCRIPT
set -euo pipefail
. "$(dirname "$0")/pulse_test_common.sh" late "$1" "$2"

"$tool" tone "$work/tone.wav" 880 1.0
# The clients' environment names a server that is not there yet.
export XDG_RUNTIME_DIR="$work/pulse/runtime" PULSE_SERVER="unix:$work/pulse/runtime/pulse/native"
export PULSE_SINK=bell SDL_AUDIODRIVER=pulseaudio
"$tool" late-server 1 "$work/tone.wav" "$work/server-up" >"$work/tool.log" 2>&1 &
player=$!
sleep 1
eval "$("$pulse_env" start "$work/pulse")"
start_recording
sleep 2.5 # an idle null sink delivers its first data late
touch "$work/server-up"
check_recording 880 1.0
