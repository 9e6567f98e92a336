# Sourced by the PulseAudio tests of the audio library: skips where PulseAudio
# is missing, names the tool and the server script, makes the work folder and
# cleans up whatever the test left running ($server, $rec, $player).
# usage: . pulse_test_common.sh NAME BASS_TOOL PULSE_ENV_SCRIPT
for c in pulseaudio pactl parec; do
    command -v "$c" >/dev/null || { echo "skipped: $c is not installed"; exit 77; }
done
tool=$(realpath "$2")
pulse_env=$(realpath "$3")
work=$(mktemp -d "${TMPDIR:-/tmp}/sonterra-pulse-$1-XXXXXX")
player=""
rec=""
server=""
cleanup() {
    [ -n "$server" ] && kill -CONT "$server" 2>/dev/null || true
    [ -n "$rec" ] && kill "$rec" 2>/dev/null || true
    [ -n "$player" ] && kill "$player" 2>/dev/null || true
    "$pulse_env" stop "$work/pulse" || true
    rm -rf "$work"
}
trap cleanup EXIT
