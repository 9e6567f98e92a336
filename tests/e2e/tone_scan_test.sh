#!/usr/bin/env bash
# The analysis tool on recordings made to measure: it names the right tones
# at the right times, to the sample for the start of a sound, and the hard
# cut from one tone to another does not pass for a third one.
#   needs TONE_SCAN in the environment
set -euo pipefail
: "${TONE_SCAN:?}"
work=$(mktemp -d "${TMPDIR:-/tmp}/sonterra-scan.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "FALHA: $*"; printf '%s\n' "$out"; exit 1; }

raw() { # out, then sox synth arguments for one piece, pieces separated by --
  local out=$1 n=0 piece=()
  shift
  pieces=()
  for a in "$@" --; do
    if [ "$a" = -- ]; then
      n=$((n + 1))
      sox -q -n -r 48000 -c 2 -b 16 "$work/p$n.wav" "${piece[@]}"
      pieces+=("$work/p$n.wav")
      piece=()
    else
      piece+=("$a")
    fi
  done
  sox -q "${pieces[@]}" -t raw -e signed -b 16 -r 48000 -c 2 "$out"
}

# 0.5037 s of silence, 1 s of 700 Hz, cut hard to 0.6 s of 1500 Hz, silence.
raw "$work/a.raw" trim 0 0.5037 -- synth 1.0 sine 700 vol 0.5 -- \
  synth 0.6 sine 1500 vol 0.5 -- trim 0 0.5
out=$("$TONE_SCAN" "$work/a.raw" a=700 b=900 c=1500 d=1100)
grep -qx 'samples 124978' <<<"$out" || fail "contagem de amostras"
grep -qx 'sound 0.503729 2.103708' <<<"$out" || fail "início e fim do som, à amostra"
grep -q '^tone a 0.500 1.500 ' <<<"$out" || fail "tom a"
grep -q '^tone c 1.500 2.110 ' <<<"$out" || fail "tom c"
! grep -q '^tone [bd] ' <<<"$out" || fail "um tom que não tocou"
echo "ok: tons em sequência, corte seco"

# Two tones at once, both heard; then a quiet hum under the threshold, not
# heard.
sox -q -n -r 48000 -c 2 -b 16 "$work/900.wav" synth 0.5 sine 900 vol 0.25
sox -q -n -r 48000 -c 2 -b 16 "$work/1500.wav" synth 0.5 sine 1500 vol 0.25
sox -q -m -v 1 "$work/900.wav" -v 1 "$work/1500.wav" "$work/both.wav"
raw "$work/hum.raw" trim 0 0.25 -- synth 0.5 sine 700 vol 0.01 -- trim 0 0.25
sox -q "$work/p1.wav" "$work/both.wav" "$work/p2.wav" "$work/p3.wav" \
  -t raw -e signed -b 16 -r 48000 -c 2 "$work/b.raw"
out=$("$TONE_SCAN" "$work/b.raw" a=700 b=900 c=1500)
grep -q '^tone b 0.250 0.750 ' <<<"$out" || fail "tom b junto com c"
grep -q '^tone c 0.250 0.750 ' <<<"$out" || fail "tom c junto com b"
! grep -q '^tone a ' <<<"$out" || fail "o zumbido abaixo do limiar"
echo "ok: dois tons juntos; zumbido ignorado"

# A gap shorter than --gap joins two sounds; a longer one splits them.
raw "$work/c.raw" synth 0.2 sine 700 vol 0.5 -- trim 0 0.02 -- synth 0.2 sine 700 vol 0.5
[ "$("$TONE_SCAN" "$work/c.raw" --gap 0.05 | grep -c '^sound ')" -eq 1 ] || fail "--gap 0.05 devia juntar"
[ "$("$TONE_SCAN" "$work/c.raw" --gap 0.005 | grep -c '^sound ')" -eq 2 ] || fail "--gap 0.005 devia separar"
echo "ok: --gap"
echo passou
