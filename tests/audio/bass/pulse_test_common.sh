# Sourced by the PulseAudio tests of the audio library: skips where PulseAudio
# is missing, names the tool and the server script, makes the work folder and
# cleans up whatever the test left running ($server, $rec, $player); gives
# start_recording and check_recording.
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
    [ -n "$rec" ] && kill $rec 2>/dev/null || true
    [ -n "$player" ] && kill "$player" 2>/dev/null || true
    "$pulse_env" stop "$work/pulse" || true
    rm -rf "$work"
}
trap cleanup EXIT

# Records the null sink "bell" into $work/rec.raw.
start_recording() {
    parec -d bell.monitor --raw --format=s16le --rate=48000 --channels=2 --latency-msec=10 >"$work/rec.raw" &
    rec=$!
}

# usage: check_recording FREQ SECONDS
# Waits for $player (showing $work/tool.log, if it wrote one), stops the
# recording and checks it holds the tone, whole.
check_recording() {
    local status=0
    wait "$player" || status=$?
    player=""
    [ ! -f "$work/tool.log" ] || cat "$work/tool.log"
    [ "$status" -eq 0 ] || { echo "the player failed ($status)"; exit 1; }
    sleep 0.7
    kill "$rec"
    wait "$rec" 2>/dev/null || true
    rec=""
    "$tool" detect "$work/rec.raw" 48000 "$1" "$2"
}
