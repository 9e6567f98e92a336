#!/usr/bin/env bash
# A private PulseAudio daemon with one null sink, "bell", for tests that need
# real sound out of a real program. Works as root and without a terminal.
#
#   pulse-env.sh start DIR    start a daemon kept under DIR (created, mode 700)
#                             and print the environment for its clients as
#                             export lines: eval "$(pulse-env.sh start DIR)"
#   pulse-env.sh stop DIR     stop that daemon by its PID and remove its files;
#                             harmless when nothing runs
#   pulse-env.sh run CMD ...  start a daemon in a fresh folder, run CMD with its
#                             environment, stop the daemon however CMD ends;
#                             exits with CMD's status
#
# Clients get XDG_RUNTIME_DIR and PULSE_SERVER pointing at the daemon and
# SDL_AUDIODRIVER=pulseaudio, so SDL never falls back quietly to ALSA.
# Record the sink with: parec -d bell.monitor --raw --format=s16le --rate=48000 --channels=2
set -euo pipefail

SERVER=pulse
PID_FILE=pulse.pid
# shellcheck source=tests/tools/server-env-common.sh
source "$(dirname "${BASH_SOURCE[0]}")/server-env-common.sh"

start() {
    local dir
    dir=$(realpath -m "$1")
    [ -e "$dir/pulse.pid" ] && stop "$dir"
    mkdir -p "$dir/runtime/pulse" "$dir/home" "$dir/state"
    chmod 700 "$dir" "$dir/runtime" "$dir/runtime/pulse"
    command -v pulseaudio >/dev/null || die "pulseaudio is not installed (scripts/install-deps.sh)"

    # The daemon's own HOME and state keep the caller's ~/.config/pulse untouched.
    env -i PATH="$PATH" HOME="$dir/home" XDG_RUNTIME_DIR="$dir/runtime" \
        PULSE_RUNTIME_PATH="$dir/runtime/pulse" PULSE_STATE_PATH="$dir/state" \
        XDG_CONFIG_HOME="$dir/home/.config" \
        pulseaudio --daemonize=yes -n --exit-idle-time=-1 --disallow-exit --use-pid-file=yes \
        --disable-shm=yes --log-target="file:$dir/pulse.log" \
        -L "module-native-protocol-unix auth-anonymous=1 socket=$dir/runtime/pulse/native" \
        -L "module-null-sink sink_name=bell rate=48000 channels=2" \
        </dev/null >/dev/null 2>>"$dir/pulse.log" || die "pulseaudio did not start; see $dir/pulse.log"

    local pid=""
    for _ in $(seq 1 100); do
        [ -s "$dir/runtime/pulse/pid" ] && pid=$(tr -dc '0-9' <"$dir/runtime/pulse/pid") && break
        sleep 0.1
    done
    [ -n "$pid" ] || die "pulseaudio wrote no PID; see $dir/pulse.log"
    echo "$pid" >"$dir/pulse.pid"

    server_answers "$dir" || { stop "$dir"; die "pulseaudio did not answer pactl info"; }
    XDG_RUNTIME_DIR="$dir/runtime" PULSE_SERVER="unix:$dir/runtime/pulse/native" \
        pactl set-default-sink bell >/dev/null
    env_lines "$dir" | tee "$dir/env"
}

main "$@"
