#!/usr/bin/env bash
# The recorder's anchor when the server loses samples: each stretch between
# losses keeps its own anchor, a stall that loses nothing is no loss, and the
# lost stretch is named. First on chunk lists made to measure, then through a
# pipe from a stand-in recorder that stops sending for 0.5 s.
#   needs PCM_TAP in the environment
set -euo pipefail

# The stand-in recorder: N chunks of 50 ms of silence on a schedule, nothing
# for GAP seconds, then N more.
if [ "${1:-}" = generate ]; then
  t0=$EPOCHREALTIME
  for ((k = 0; k < 2 * $2; k++)); do
    d=$(awk -v t="$t0" -v k="$k" -v n="$2" -v g="$3" -v now="$EPOCHREALTIME" \
      'BEGIN { d = t + (k + 1) * 0.05 + (k >= n ? g : 0) - now; print (d > 0 ? d : 0) }')
    sleep "$d"
    head -c 9600 /dev/zero
  done
  exit 0
fi

: "${PCM_TAP:?}"
work=$(mktemp -d "${TMPDIR:-/tmp}/sonterra-tap.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "FALHA: $*"; cat "$work/anchor"; exit 1; }

# 300 chunks of 10 ms at 192000 bytes/s from moment 100, each 0 to 2 ms late;
# chunk K (from 0) arrives at ARRIVAL(K) more.
chunks() { # awk expression of k: extra delay
  awk "BEGIN { for (k = 0; k < 300; k++) printf \"%.6f 1920\\n\", 100 + (k + 1) * 0.01 + (k * 7 % 5) * 0.0005 + ($1) }"
}
replay() { # awk expression
  chunks "$1" >"$work/chunks"
  "$PCM_TAP" --replay "$work/chunks" "$work/anchor" 192000
}
has() { grep -qx "$1" "$work/anchor" || fail "falta \"$1\""; }
count() { [ "$(grep -c "^$1 " "$work/anchor" || true)" -eq "$2" ] || fail "$2 linhas \"$1\" esperadas"; }

replay 0
has "start 100.000000"
count segment 1
count drop 0
echo "ok: sem perdas, uma âncora"

# 0.5 s lost after the first second: the sounds after it keep their moment.
replay "(k >= 100 ? 0.5 : 0)"
has "start 100.000000"
has "segment 0.000000 1.000000 100.000000"
has "segment 1.010000 3.000000 100.500000"
has "drop 0.500000 1.000000 1.010000"
count drop 1
echo "ok: 0,5 s perdidos depois de 1 s"

# Chunks 100 to 129 held back and handed over at once: nothing lost.
replay "(k >= 100 && k < 130 ? 1.31 - (k + 1) * 0.01 : 0)"
count segment 1
count drop 0
echo "ok: atraso sem perda"

# The same, and 0.3 s lost somewhere in the held-back stretch: where cannot
# be told, so the whole stretch is the drop.
replay "(k >= 100 && k < 130 ? 1.61 - (k + 1) * 0.01 : (k >= 130 ? 0.3 : 0))"
has "drop 0.300000 1.000000 1.310000"
has "segment 1.310000 3.000000 100.300000"
count drop 1
echo "ok: perda dentro de um atraso"

# Through the pipe, on the machine's own clock.
"$PCM_TAP" "$work/out.raw" "$work/anchor" 192000 -- bash "$0" generate 20 0.5
[ "$(stat -c %s "$work/out.raw")" -eq 384000 ] || fail "bytes gravados"
awk '$1 == "drop" && $2 > 0.4 && $2 < 0.6 && $3 > 0.95 && $3 < 1.05 { f = 1 } END { exit !f }' \
  "$work/anchor" || fail "a perda de 0,5 s em 1 s não foi vista"
echo "ok: perda vista pelo tubo"
echo passou
