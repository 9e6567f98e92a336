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

die() { echo "pulse-env: $*" >&2; exit 1; }

env_lines() {
    local dir=$1
    printf 'export XDG_RUNTIME_DIR=%q\n' "$dir/runtime"
    printf 'export PULSE_SERVER=%q\n' "unix:$dir/runtime/pulse/native"
    printf 'export PULSE_SINK=bell\n'
    printf 'export SDL_AUDIODRIVER=pulseaudio\n'
}

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

    local ready=""
    for _ in $(seq 1 100); do
        if env -u PULSE_SINK XDG_RUNTIME_DIR="$dir/runtime" PULSE_SERVER="unix:$dir/runtime/pulse/native" \
            pactl info >/dev/null 2>&1; then
            ready=1
            break
        fi
        sleep 0.1
    done
    [ -n "$ready" ] || { stop "$dir"; die "pulseaudio did not answer pactl info"; }
    XDG_RUNTIME_DIR="$dir/runtime" PULSE_SERVER="unix:$dir/runtime/pulse/native" \
        pactl set-default-sink bell >/dev/null
    env_lines "$dir" | tee "$dir/env"
}

stop() {
    local dir
    dir=$(realpath -m "$1")
    local pid=""
    [ -s "$dir/pulse.pid" ] && pid=$(tr -dc '0-9' <"$dir/pulse.pid")
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
        kill -TERM "$pid" 2>/dev/null || true
        for _ in $(seq 1 50); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -KILL "$pid" 2>/dev/null || true
    fi
    rm -f "$dir/pulse.pid" "$dir/env"
    rm -rf "$dir/runtime"
}

run() {
    local dir
    dir=$(mktemp -d "${TMPDIR:-/tmp}/sonterra-pulse-XXXXXX")
    # shellcheck disable=SC2064 # the folder is fixed now
    trap "stop '$dir'; rm -rf '$dir'" EXIT
    trap 'exit 130' INT TERM HUP
    start "$dir" >/dev/null
    # shellcheck disable=SC1091
    source "$dir/env"
    local status=0
    "$@" || status=$?
    return "$status"
}

case "${1:-}" in
start) [ $# -eq 2 ] || die "usage: $0 start DIR"; start "$2" ;;
stop) [ $# -eq 2 ] || die "usage: $0 stop DIR"; stop "$2" ;;
run) shift; [ $# -ge 1 ] || die "usage: $0 run CMD ..."; run "$@" ;;
*) die "usage: $0 start DIR | stop DIR | run CMD ..." ;;
esac
