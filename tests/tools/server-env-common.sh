# shellcheck shell=bash disable=SC2154  # SERVER and PID_FILE are the sourcing script's
# What pulse-env.sh and pipewire-env.sh share, sourced by both: the clients'
# environment, the wait for the server to answer, the stop by PID, `run` and
# the command line. The sourcing script sets SERVER (its name in messages and
# folder names) and PID_FILE (the file below DIR that lists its processes,
# one a line, in the order started), and defines start DIR.

die() { echo "$SERVER-env: $*" >&2; exit 1; }

env_lines() {
    local dir=$1
    printf 'export XDG_RUNTIME_DIR=%q\n' "$dir/runtime"
    printf 'export PULSE_SERVER=%q\n' "unix:$dir/runtime/pulse/native"
    printf 'export PULSE_SINK=bell\n'
    printf 'export SDL_AUDIODRIVER=pulseaudio\n'
}

# True once the server under DIR answers pactl info; false after 10 s.
server_answers() {
    local dir=$1
    for _ in $(seq 1 100); do
        if env -u PULSE_SINK XDG_RUNTIME_DIR="$dir/runtime" PULSE_SERVER="unix:$dir/runtime/pulse/native" \
            pactl info >/dev/null 2>&1; then
            return 0
        fi
        sleep 0.1
    done
    return 1
}

stop() {
    local dir pid
    dir=$(realpath -m "$1")
    if [ -s "$dir/$PID_FILE" ]; then
        # Last started first.
        for pid in $(tac "$dir/$PID_FILE"); do
            kill -TERM "$pid" 2>/dev/null || true
        done
        while read -r pid; do
            for _ in $(seq 1 50); do
                kill -0 "$pid" 2>/dev/null || break
                sleep 0.1
            done
            kill -KILL "$pid" 2>/dev/null || true
        done <"$dir/$PID_FILE"
    fi
    rm -f "$dir/$PID_FILE" "$dir/env"
    rm -rf "$dir/runtime"
}

run() {
    local dir
    dir=$(mktemp -d "${TMPDIR:-/tmp}/sonterra-$SERVER-XXXXXX")
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

main() {
    case "${1:-}" in
    start) [ $# -eq 2 ] || die "usage: $0 start DIR"; start "$2" ;;
    stop) [ $# -eq 2 ] || die "usage: $0 stop DIR"; stop "$2" ;;
    run) shift; [ $# -ge 1 ] || die "usage: $0 run CMD ..."; run "$@" ;;
    *) die "usage: $0 start DIR | stop DIR | run CMD ..." ;;
    esac
}
