#!/usr/bin/env bash
# A private, headless PipeWire (pipewire, wireplumber, pipewire-pulse on a
# session bus of its own) with one null sink, "bell": the same interface and
# the same client environment as pulse-env.sh, so a test written for one runs
# on the other. Works as root and without a terminal.
#
#   pipewire-env.sh start DIR   start it under DIR; print the export lines
#   pipewire-env.sh stop DIR    stop its four processes by PID; harmless when none runs
#   pipewire-env.sh run CMD ... start, run CMD with its environment, stop
set -euo pipefail

die() { echo "pipewire-env: $*" >&2; exit 1; }

env_lines() {
    local dir=$1
    printf 'export XDG_RUNTIME_DIR=%q\n' "$dir/runtime"
    printf 'export PULSE_SERVER=%q\n' "unix:$dir/runtime/pulse/native"
    printf 'export PULSE_SINK=bell\n'
    printf 'export SDL_AUDIODRIVER=pulseaudio\n'
}

# Starts one process in the background with the private environment.
spawn() { # dir name command...
    local dir=$1 name=$2
    shift 2
    env -i PATH="$PATH" HOME="$dir/home" XDG_RUNTIME_DIR="$dir/runtime" \
        XDG_CONFIG_HOME="$dir/home/.config" XDG_STATE_HOME="$dir/state" \
        DBUS_SESSION_BUS_ADDRESS="$(cat "$dir/bus.address")" \
        PIPEWIRE_RUNTIME_DIR="$dir/runtime" \
        "$@" </dev/null >>"$dir/$name.log" 2>&1 &
    echo $! >>"$dir/pids"
}

start() {
    local dir
    dir=$(realpath -m "$1")
    [ -e "$dir/pids" ] && stop "$dir"
    for c in pipewire wireplumber pipewire-pulse dbus-daemon pactl; do
        command -v "$c" >/dev/null || die "$c is not installed (scripts/install-deps.sh)"
    done
    mkdir -p "$dir/runtime" "$dir/home" "$dir/state"
    chmod 700 "$dir" "$dir/runtime"
    : >"$dir/pids"

    # WirePlumber needs a session bus; without one it exits and every stream hangs.
    dbus-daemon --session --fork --nopidfile --print-address=1 --print-pid=3 \
        >"$dir/bus.address" 3>"$dir/bus.pid" </dev/null 2>>"$dir/dbus.log" ||
        die "dbus-daemon did not start"
    tr -dc '0-9' <"$dir/bus.pid" >>"$dir/pids"
    echo >>"$dir/pids"
    sed -i -n 1p "$dir/bus.address"

    spawn "$dir" pipewire pipewire
    for _ in $(seq 1 100); do
        [ -S "$dir/runtime/pipewire-0" ] && break
        sleep 0.05
    done
    spawn "$dir" wireplumber wireplumber
    spawn "$dir" pipewire-pulse pipewire-pulse

    local client=(env -u PULSE_SINK XDG_RUNTIME_DIR="$dir/runtime"
        PULSE_SERVER="unix:$dir/runtime/pulse/native")
    local ready=""
    for _ in $(seq 1 100); do
        if "${client[@]}" pactl info >/dev/null 2>&1; then
            ready=1
            break
        fi
        sleep 0.1
    done
    [ -n "$ready" ] || { stop "$dir"; die "pipewire-pulse did not answer pactl info"; }
    "${client[@]}" pactl load-module module-null-sink sink_name=bell rate=48000 channels=2 >/dev/null
    # The sink appears through WirePlumber a moment later.
    for _ in $(seq 1 100); do
        "${client[@]}" pactl set-default-sink bell >/dev/null 2>&1 &&
            "${client[@]}" pactl list short sinks 2>/dev/null | grep -q '[[:space:]]bell[[:space:]]' && break
        sleep 0.1
    done
    env_lines "$dir" | tee "$dir/env"
}

stop() {
    local dir pid
    dir=$(realpath -m "$1")
    if [ -s "$dir/pids" ]; then
        # Last started first.
        for pid in $(tac "$dir/pids"); do
            kill -TERM "$pid" 2>/dev/null || true
        done
        while read -r pid; do
            for _ in $(seq 1 50); do
                kill -0 "$pid" 2>/dev/null || break
                sleep 0.1
            done
            kill -KILL "$pid" 2>/dev/null || true
        done <"$dir/pids"
    fi
    rm -f "$dir/pids" "$dir/env"
    rm -rf "$dir/runtime"
}

run() {
    local dir
    dir=$(mktemp -d "${TMPDIR:-/tmp}/sonterra-pipewire-XXXXXX")
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
