#!/usr/bin/env bash
# scripts/make-sounds.sh: the words of the clips, the files it makes, and
# that it never touches what is already there.
set -euo pipefail
script=$(cd "$(dirname "$0")/../.." && pwd)/scripts/make-sounds.sh
work=$(mktemp -d "${TMPDIR:-/tmp}/sonterra-sounds.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 143' TERM INT HUP

fail() { echo "FALHA: $*"; exit 1; }
ok() { echo "ok: $*"; }

# --- The words ---------------------------------------------------------------
texts=$("$script" --texts)
[ "$(printf '%s\n' "$texts" | wc -l)" -eq 780 ] || fail "--texts devia dar 780 linhas"
says() { # name words
  local got
  got=$(printf '%s\n' "$texts" | awk -F'\t' -v n="$1" '$1 == n { print $2 }')
  [ "$got" = "$2" ] || fail "$1 diz \"$got\", devia dizer \"$2\""
}
says 07H31M.WAV "São sete horas e trinta e um minutos"
says 01H00M.WAV "É uma hora em ponto"
says 12H00M.WAV "É meio-dia em ponto"
says 00H05M.WAV "É meia-noite e cinco minutos"
says 00H00M.WAV "É meia-noite em ponto"
says 02H01M.WAV "São duas horas e um minuto"
says 12H10M.WAV "É meio-dia e dez minutos"
says 01H45M.WAV "É uma hora e quarenta e cinco minutos"
says 11H59M.WAV "São onze horas e cinquenta e nove minutos"
says 04H20M.WAV "São quatro horas e vinte minutos"
says 09H16M.WAV "São nove horas e dezesseis minutos"
ok "as falas dizem a hora por extenso"

# --- A new folder, with two of the operator's own files already in it -------------
prog=$work/Sonterra
mkdir -p "$prog/AUDIO" "$prog/HORA"
printf 'meu sinal' >"$prog/AUDIO/sinal-curto.wav"
printf 'minha voz' >"$prog/HORA/07H30M.WAV"
"$script" "$prog" >"$work/first.log"
cat "$work/first.log"

[ "$(cat "$prog/AUDIO/sinal-curto.wav")" = "meu sinal" ] || fail "sobrescreveu AUDIO/sinal-curto.wav"
[ "$(cat "$prog/HORA/07H30M.WAV")" = "minha voz" ] || fail "sobrescreveu HORA/07H30M.WAV"
ok "os arquivos do operador ficaram como estavam"

for name in sinal-entrada sinal-curto sinal-saida; do
  for ext in mp3 wav; do
    f=$prog/AUDIO/$name.$ext
    [ "$f" = "$prog/AUDIO/sinal-curto.wav" ] && continue
    [ -s "$f" ] || fail "falta $f"
    seconds=$(soxi -D "$f")
    awk -v s="$seconds" 'BEGIN { exit !(s >= 0.8 && s <= 8) }' || fail "$f dura ${seconds}s"
  done
done
ok "os sinais que faltavam, em MP3 e WAV, de 0,8 a 8 s"

expected=$(printf '%s\n' "$texts" | cut -f1 | sort)
actual=$(find "$prog/HORA" -mindepth 1 -printf "%f\n" | sort)
[ "$expected" = "$actual" ] || fail "HORA/ não tem exatamente os 780 nomes: $(diff <(echo "$expected") <(echo "$actual") | head -5)"
for name in 00H00M.WAV 07H31M.WAV 12H59M.WAV; do
  [ "$(head -c 4 "$prog/HORA/$name")" = RIFF ] || fail "$name não é um WAV"
  seconds=$(soxi -D "$prog/HORA/$name")
  awk -v s="$seconds" 'BEGIN { exit !(s >= 0.8 && s <= 5) }' || fail "$name dura ${seconds}s"
done
[ -z "$(find "$prog" -name '.*.part*')" ] || fail "ficaram arquivos .part"
ok "HORA/ tem os 780 nomes, de 00H00M.WAV a 12H59M.WAV, em WAV"

# --- Again: nothing to do, nothing changed ----------------------------------------
before=$(cd "$prog" && find . -type f -printf '%p %s %T@\n' | sort)
"$script" "$prog" >"$work/second.log"
after=$(cd "$prog" && find . -type f -printf '%p %s %T@\n' | sort)
[ ! -s "$work/second.log" ] || fail "a segunda vez ainda gravou: $(cat "$work/second.log")"
[ "$before" = "$after" ] || fail "a segunda vez mexeu nos arquivos"
ok "a segunda vez não faz nada"

# --- One clip missing: only that one is made ----------------------------------
rm "$prog/HORA/12H59M.WAV" "$prog/AUDIO/sinal-saida.mp3"
"$script" "$prog" >"$work/third.log"
grep -qx "make-sounds: gravando 1 fala da hora em $prog/HORA" "$work/third.log" ||
  fail "devia gravar só uma fala: $(cat "$work/third.log")"
if [ ! -s "$prog/HORA/12H59M.WAV" ] || [ ! -s "$prog/AUDIO/sinal-saida.mp3" ]; then fail "não refez o que faltava"; fi
after2=$(cd "$prog" && find . -type f ! -name 12H59M.WAV ! -name sinal-saida.mp3 -printf '%p %s %T@\n' | sort)
[ "$after2" = "$(printf '%s\n' "$before" | grep -v -e '/12H59M.WAV ' -e '/sinal-saida.mp3 ')" ] ||
  fail "refez arquivos que existiam"
ok "refaz só o que falta"
echo passou
