#!/usr/bin/env bash
# Gives a program folder the sounds it needs out of the box: a few bells in
# AUDIO/ and the 780 spoken-time clips in HORA/ (00H00M.WAV ... 12H59M.WAV).
# Only missing files are made, so the operator's own files always win and a
# second run costs next to nothing. Everything is made in a private folder
# and then put in place by place-files, which never follows a link another
# account may have planted in the program folder.
#   usage: scripts/make-sounds.sh PROGRAM_FOLDER
#          scripts/make-sounds.sh --texts    (what each clip says)
set -euo pipefail

# What each clip says.
units=(zero um dois três quatro cinco seis sete oito nove dez onze doze treze
       catorze quinze dezesseis dezessete dezoito dezenove)
tens=("" "" vinte trinta quarenta cinquenta)
hours=(meia-noite "uma hora" "duas horas" "três horas" "quatro horas"
       "cinco horas" "seis horas" "sete horas" "oito horas" "nove horas"
       "dez horas" "onze horas" meio-dia)

minutes_text() { # 1..59, masculine
  local m=$1
  if [ "$m" -lt 20 ]; then
    printf '%s' "${units[$m]}"
  elif [ $((m % 10)) -eq 0 ]; then
    printf '%s' "${tens[$((m / 10))]}"
  else
    printf '%s e %s' "${tens[$((m / 10))]}" "${units[$((m % 10))]}"
  fi
}

# "É uma hora em ponto", "São sete horas e trinta e um minutos",
# "É meia-noite e cinco minutos".
clip_text() { # hour 0..12, minute 0..59
  local h=$1 m=$2 verb=São text
  case $h in 0 | 1 | 12) verb=É ;; esac
  text="$verb ${hours[$h]}"
  if [ "$m" -eq 0 ]; then
    text+=" em ponto"
  elif [ "$m" -eq 1 ]; then
    text+=" e um minuto"
  else
    text+=" e $(minutes_text "$m") minutos"
  fi
  printf '%s' "$text"
}

# --texts prints every clip's name and words, and touches nothing.
if [ "${1:-}" = --texts ]; then
  for h in $(seq 0 12); do
    for m in $(seq 0 59); do
      printf '%02dH%02dM.WAV\t%s\n' "$h" "$m" "$(clip_text "$h" "$m")"
    done
  done
  exit 0
fi

if [ $# -ne 1 ]; then
  echo "uso: $0 PASTA_DO_PROGRAMA" >&2
  exit 2
fi
folder=$1
audio=$folder/AUDIO
hora=$folder/HORA
place_files=$(cd "$(dirname "$0")" && pwd)/place-files
for d in "$audio" "$hora"; do
  if [ -L "$d" ] || { [ -e "$d" ] && [ ! -d "$d" ]; }; then
    echo "make-sounds: recusado: $d não é uma pasta (é um link ou um arquivo); nada foi mudado" >&2
    echo "make-sounds: refused: $d is not a folder (a link or a file); nothing was changed" >&2
    exit 1
  fi
done
mkdir -p -- "$folder"
# In a folder that its group may write and that passes its group on (a shared
# install's), the operators may add sounds to AUDIO/ too; HORA/ stays the
# installer's.
if [ ! -d "$audio" ]; then
  if [ -g "$folder" ] && [ $((8#$(stat -c %a -- "$folder") & 020)) -ne 0 ]; then
    (umask 002 && mkdir -- "$audio")
  else
    mkdir -- "$audio"
  fi
fi
[ -d "$hora" ] || mkdir -- "$hora"

for tool in sox espeak-ng; do
  if ! command -v "$tool" >/dev/null; then
    echo "make-sounds: '$tool' não encontrado; rode scripts/install-deps.sh" >&2
    exit 1
  fi
done

# --- Bells ---------------------------------------------------------------

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

calc() { awk "BEGIN { print $1 }"; }

# One struck-bell note: a few partials (one slightly inharmonic, as a real
# bell has) under a logarithmic decay, delayed by $3 seconds.
bell_note() { # freq seconds delay out
  local f=$1 len=$2 delay=$3 out=$4
  sox -q -n -r 44100 -c 1 -b 16 "$out" \
    synth "$len" sine "$f" sine mix "$(calc "$f*2")" \
    sine mix "$(calc "$f*3")" sine mix "$(calc "$f*4.2")" \
    gain -6 fade l 0.004 "$len" "$(calc "$len-0.004")" pad "$delay"
}

# Mixes the notes in $work/notes-*.wav into $work/final.wav, with a little
# room around them.
mix_notes() {
  local notes=("$work"/notes-*.wav)
  if [ ${#notes[@]} -eq 1 ]; then
    cp "${notes[0]}" "$work/mixed.wav"
  else
    sox -q -m "${notes[@]}" "$work/mixed.wav"
  fi
  sox -q "$work/mixed.wav" -r 44100 -c 2 "$work/final.wav" \
    reverb 30 50 60 norm -3 pad 0 0.2
  rm -f "$work"/notes-*.wav "$work/mixed.wav"
}

make_bell() { # name recipe...
  local name=$1; shift
  local want=()
  [ -e "$audio/$name.wav" ] || want+=(wav)
  [ -e "$audio/$name.mp3" ] || want+=(mp3)
  [ ${#want[@]} -gt 0 ] || return 0
  "$@"
  mix_notes
  mkdir -p "$work/out"
  for ext in "${want[@]}"; do
    sox -q "$work/final.wav" "$work/out/$name.$ext"
    "$place_files" add 644 "$audio" "$work/out/$name.$ext"
  done
  rm -f "$work/final.wav" "$work/out"/*
}

# School chime: ding-dong, twice.
chime() {
  bell_note 659.25 1.6 0.0 "$work/notes-1.wav"
  bell_note 523.25 2.2 0.7 "$work/notes-2.wav"
  bell_note 659.25 1.6 1.6 "$work/notes-3.wav"
  bell_note 523.25 2.6 2.3 "$work/notes-4.wav"
}
# Short signal: two quick high strikes.
short_signal() {
  bell_note 880 0.6 0.0 "$work/notes-1.wav"
  bell_note 880 0.9 0.25 "$work/notes-2.wav"
}
# End of the day: a slow descending major arpeggio, ending low and long.
end_of_day() {
  bell_note 783.99 1.8 0.0 "$work/notes-1.wav"
  bell_note 659.25 1.8 0.6 "$work/notes-2.wav"
  bell_note 523.25 1.8 1.2 "$work/notes-3.wav"
  bell_note 392.00 3.5 1.8 "$work/notes-4.wav"
}

make_bell sinal-entrada chime
make_bell sinal-curto short_signal
make_bell sinal-saida end_of_day

# --- Spoken time ---------------------------------------------------------

# Leftovers of an interrupted run (ours: plain files of this account) are
# never taken for finished clips.
find "$hora" -mindepth 1 -maxdepth 1 -type f -name '.*.part*' -user "$(id -u)" -delete

jobs_file=$work/clips
: >"$jobs_file"
for h in $(seq 0 12); do
  for m in $(seq 0 59); do
    printf -v name '%02dH%02dM.WAV' "$h" "$m"
    [ -e "$hora/$name" ] && continue
    printf '%s\n%s\n' "$name" "$(clip_text "$h" "$m")" >>"$jobs_file"
  done
done

if [ -s "$jobs_file" ]; then
  count=$(($(wc -l <"$jobs_file") / 2))
  if [ "$count" -eq 1 ]; then
    echo "make-sounds: gravando 1 fala da hora em $hora"
  else
    echo "make-sounds: gravando $count falas da hora em $hora"
  fi
  clips=$work/spoken
  mkdir "$clips"
  export clips
  # shellcheck disable=SC2016
  xargs -d '\n' -n 2 -P 2 sh -c 'espeak-ng -v pt-br -s 150 -w "$clips/$0" "$1"' <"$jobs_file"
  find "$clips" -type f -print0 | xargs -0 -r "$place_files" add 644 "$hora"
fi
