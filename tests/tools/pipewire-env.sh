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

SERVER=pipewire
PID_FILE=pids
# shellcheck source=tests/tools/server-env-common.sh
source "$(dirname "${BASH_SOURCE[0]}")/server-env-common.sh"

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

    server_answers "$dir" || { stop "$dir"; die "pipewire-pulse did not answer pactl info"; }
    local client=(env -u PULSE_SINK XDG_RUNTIME_DIR="$dir/runtime"
        PULSE_SERVER="unix:$dir/runtime/pulse/native")
    "${client[@]}" pactl load-module module-null-sink sink_name=bell rate=48000 channels=2 >/dev/null
    # The sink appears through WirePlumber a moment later.
    for _ in $(seq 1 100); do
        "${client[@]}" pactl set-default-sink bell >/dev/null 2>&1 &&
            grep -q '[[:space:]]bell[[:space:]]' <<<"$("${client[@]}" pactl list short sinks 2>/dev/null)" && break
        sleep 0.1
    done
    env_lines "$dir" | tee "$dir/env"
}

main "$@"
