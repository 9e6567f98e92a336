#!/usr/bin/env bash
# scripts/install.sh and scripts/uninstall.sh: the files they place, the menu
# entry started by a real launcher (gio launch) under Xvfb, a second install
# over a schedule, and what uninstalling keeps.
#   SONTERRA_BUILD_DIR: the build folder holding sonterra, sonterra-formats
#   and sonterra-entry
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
build=${SONTERRA_BUILD_DIR:?}
work=$(mktemp -d "${TMPDIR:-/tmp}/sonterra-install.XXXXXX")
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' TERM INT HUP

fail() { echo "FALHA: $*"; exit 1; }
ok() { echo "ok: $*"; }

export HOME=$work/home
unset XDG_DATA_HOME XDG_CONFIG_HOME LC_ALL LANGUAGE QT_QPA_PLATFORM WAYLAND_DISPLAY
export LANG=C.UTF-8 SDL_AUDIODRIVER=dummy
export XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

# Every character a desktop entry must quote or escape, and "=" for env.
folder="$work/Escola d'Ana \"x=1\" \$HOME %u/Sonterra"
apps=$HOME/.local/share/applications
entry=$apps/sonterra.desktop
autostart="$HOME/.config/autostart/Quorvel STV2.desktop"
sizes="16 22 24 32 48 64 128 256 512"
# shellcheck source=tests/tools/xvfb.sh
. "$repo/tests/tools/xvfb.sh"
xvfb_start "$work"
pids+=("$XVFB_PID")
[ -n "$XVFB_DISPLAY" ] || fail "o Xvfb não subiu: $(cat "$work/xvfb.log")"
export DISPLAY=$XVFB_DISPLAY

program_pid() { # folder: the pid of the program started from it
  local p
  for p in /proc/[0-9]*; do
    case $(readlink "$p/exe" 2>/dev/null) in
      "$1/sonterra" | "$1/sonterra (deleted)") echo "${p#/proc/}"; return 0 ;;
    esac
  done
  return 1
}

# Starts the program the way a menu does and waits for its main window, which
# only appears once the regional formats have been accepted. Sets app_pid.
launch() { # entry folder
  local window=
  gio launch "$1" >"$work/gio.log" 2>&1 || fail "gio launch: $(cat "$work/gio.log")"
  for _ in $(seq 300); do
    app_pid=$(program_pid "$2") && grep -q '"Quorvel Sonterra V2"' <<<"$(xwininfo -root -tree)" &&
      { window=1; break; }
    sleep 0.1
  done
  [ -n "${app_pid:-}" ] || fail "o menu não iniciou $2/sonterra"
  pids+=("$app_pid")
  [ -n "$window" ] || fail "a janela principal não apareceu: $(xwininfo -root -tree | grep '"' | head -5)"
  [ "$(readlink "/proc/$app_pid/cwd")" = "$2" ] || fail "o programa não roda na pasta $2"
}

stop_program() {
  kill "$app_pid"
  for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
  ! kill -0 "$app_pid" 2>/dev/null || fail "o programa não terminou"
}

# Name, size, mtime, inode and checksum of every file but the program: a
# rewrite, even with the same bytes, shows.
# The program's one-copy lock is no schedule: each start writes its user into it.
snapshot() { # folder
  (cd "$1" && find . -type f ! -name sonterra ! -name .sonterra.lock -printf '%p %s %T@ %i\n' | sort &&
    find . -type f ! -name sonterra ! -name .sonterra.lock -exec sha256sum {} + | sort -k2)
}

validate() { # entry
  local out
  out=$(desktop-file-validate "$1" 2>&1) || fail "desktop-file-validate: $out"
  [ -z "$out" ] || fail "desktop-file-validate reclama: $out"
}

# --- For this user, with formats the program refuses -------------------------------
LC_TIME=C "$repo/scripts/install.sh" --build-dir "$build" "$folder" >"$work/install1.log"
cat "$work/install1.log"
cmp -s "$build/sonterra" "$folder/sonterra" || fail "o programa instalado não é o compilado"
[ -x "$folder/sonterra" ] || fail "o programa não ficou executável"
[ "$(find "$folder/AUDIO" -type f | wc -l)" -eq 6 ] || fail "AUDIO/ não tem os 6 sinais"
[ "$(find "$folder/HORA" -name '*.WAV' | wc -l)" -eq 780 ] || fail "HORA/ não tem as 780 falas"
[ -z "$(find "$folder" -name '.*')" ] || fail "ficaram arquivos temporários: $(find "$folder" -name '.*')"
for s in $sizes; do
  icon=$HOME/.local/share/icons/hicolor/${s}x${s}/apps/sonterra.png
  [ "$(identify -format '%m %wx%h' "$icon")" = "PNG ${s}x${s}" ] || fail "ícone $icon"
done
validate "$entry"
grep -qx 'Name=Sonterra' "$entry" || fail "Name"
grep -qx 'Categories=Utility;Clock;' "$entry" || fail "Categories"
grep -q '^Comment=Toca os sinais' "$entry" || fail "Comment em português"
grep -q "com LC_TIME=pt_BR.UTF-8" "$work/install1.log" || fail "não disse que usa LC_TIME"
ok "instalado em $folder: programa, sons, 9 ícones, entrada válida com LC_TIME=pt_BR.UTF-8"

# A session with LC_ALL set to formats the program refuses.
LC_ALL=en_US.UTF-8 launch "$entry" "$folder"
grep -qx LC_TIME=pt_BR.UTF-8 <<<"$(tr '\0' '\n' <"/proc/$app_pid/environ")" || fail "o programa não recebeu LC_TIME"
ok "gio launch abre a janela principal, na pasta do programa, com LC_TIME=pt_BR.UTF-8, mesmo com LC_ALL=en_US.UTF-8"

# --- Again over a schedule, while the program runs -----------------------------------
printf '1' >"$folder/SOM.INI"
printf '07:30 + %s\r\n12:00 - %s\r\n' "$folder/AUDIO/sinal-entrada.mp3" "$folder/AUDIO/meu sino.wav" >"$folder/02.PR2"
printf 'meu sino' >"$folder/AUDIO/meu sino.wav"
printf 'minha voz' >"$folder/HORA/07H30M.WAV"
# The logon entry as the program writes it on "Ativar" (for this folder, the
# base64 shell form); a copy in the older Path= form is taken out too.
LC_TIME=pt_BR.UTF-8 "$SCHEDULE_EDIT" "$folder/sonterra" autostart || fail "a entrada de início automático não foi escrita"
grep -q '^Exec=/bin/sh -c "echo ' "$autostart" || fail "forma inesperada: $(grep ^Exec= "$autostart")"
before=$(snapshot "$folder")
inode=$(stat -c %i "$folder/sonterra")

LC_TIME=pt_BR.UTF-8 "$repo/scripts/install.sh" --build-dir "$build" "$folder" >"$work/install2.log"
[ "$(snapshot "$folder")" = "$before" ] || fail "a segunda instalação mexeu na programação: $(diff <(echo "$before") <(snapshot "$folder"))"
[ "$(stat -c %i "$folder/sonterra")" != "$inode" ] || fail "o programa foi regravado no lugar, não renomeado"
cmp -s "$build/sonterra" "$folder/sonterra" || fail "o programa novo não é o compilado"
kill -0 "$app_pid" 2>/dev/null || fail "o programa aberto caiu com a reinstalação"
[ "$(readlink "/proc/$app_pid/exe")" = "$folder/sonterra (deleted)" ] || fail "o programa aberto não ficou com o arquivo antigo"
validate "$entry"
# A source that cannot be read (here a folder) is an error, not an empty file.
mkdir "$work/pf"
if "$repo/scripts/place-files" put 644 "$work/pf" "$work/home" 2>/dev/null || [ -n "$(ls -A "$work/pf")" ]; then
  fail "place-files instalou o que não conseguiu ler: $(ls -A "$work/pf")"
fi
ok "a segunda instalação troca só o programa (novo inode) e o aberto segue rodando"

stop_program
LC_TIME='' LC_ALL=pt_BR.UTF-8 launch "$entry" "$folder"
grep -qx LC_ALL=pt_BR.UTF-8 <<<"$(tr '\0' '\n' <"/proc/$app_pid/environ")" ||
  fail "a entrada tirou os formatos da sessão, que o programa aceita"
ok "gio launch também abre sem trocar os formatos, quando são aceitos"

# --- Uninstall while it runs, then purge -------------------------------------------
if "$repo/scripts/uninstall.sh" --build-dir "$build" "$folder" </dev/null >"$work/uninstall.log" 2>&1; then
  fail "desinstalou com o programa aberto: $(cat "$work/uninstall.log")"
fi
grep -qF "o Sonterra ainda está aberto (PID $app_pid); feche-o ou use --force; nada foi removido" \
  "$work/uninstall.log" || fail "não recusou com o programa aberto: $(cat "$work/uninstall.log")"
kill -0 "$app_pid" 2>/dev/null || fail "a recusa fechou o programa"
[ -e "$entry" ] && [ -e "$folder/sonterra" ] && [ -e "$autostart" ] || fail "a recusa removeu alguma coisa"
"$repo/scripts/uninstall.sh" --build-dir "$build" --force "$folder" >"$work/uninstall.log"
cat "$work/uninstall.log"
! kill -0 "$app_pid" 2>/dev/null || fail "--force não fechou o programa aberto"
[ ! -e "$entry" ] || fail "a entrada do menu ficou"
[ -z "$(find "$HOME/.local/share/icons" -name 'sonterra.png')" ] || fail "ficaram ícones"
[ ! -e "$autostart" ] || fail "a entrada de início automático ficou"
[ ! -e "$folder/sonterra" ] || fail "o programa ficou"
[ "$(snapshot "$folder")" = "$before" ] || fail "a desinstalação mexeu na programação"
grep -qxF "uninstall: mantidos em $folder: SOM.INI 02.PR2 AUDIO HORA (para apagar também: --purge)" "$work/uninstall.log" ||
  fail "não disse o que manteve"
ok "aberto, a desinstalação recusa sem mexer em nada; com --force fecha o programa e tira menu, ícones, início automático e programa; a programação fica"

# The menu entry of another folder is not this folder's to remove; --purge
# takes only what Sonterra made: the school's own recording and notes stay.
cp -a "$folder/HORA" "$work/" # saves making the clips again
mkdir -p "$work/outra"
cp -a "$work/HORA" "$work/outra/"
"$repo/scripts/install.sh" --build-dir "$build" "$work/outra" >/dev/null
printf 'notas' >"$folder/notas.txt"
"$repo/scripts/uninstall.sh" --build-dir "$build" --purge "$folder" >"$work/purge.log"
cat "$work/purge.log"
[ -f "$entry" ] || fail "apagou a entrada do menu de outra pasta"
[ "$(cd "$folder" && find . -mindepth 1 | sort | tr '\n' ' ')" = "./AUDIO ./AUDIO/meu sino.wav ./notas.txt " ] ||
  fail "--purge deixou ou apagou demais: $(cd "$folder" && find . -mindepth 1)"
grep -qF "ainda tem: AUDIO/meu sino.wav, notas.txt" "$work/purge.log" || fail "--purge não disse o que ficou"
rm -r "$folder"
"$repo/scripts/uninstall.sh" --build-dir "$build" --purge "$work/outra" >/dev/null
if [ -e "$work/outra" ] || [ -e "$entry" ]; then fail "--purge de uma pasta só com o programa"; fi
ok "--purge apaga a programação, as falas e os sinais de exemplo; o que a escola pôs fica, listado"

# --- Folders no installer may take, links it must not follow ------------------------
refused() { # log: the refusal in both languages
  grep -q 'recusado' "$1" && grep -q 'refused' "$1" && grep -q 'nada foi mudado / nothing was changed' "$1"
}
home_before=$(find "$HOME" -printf '%p %m %U %T@\n' | sort)
if "$repo/scripts/install.sh" --build-dir "$build" "$HOME" >"$work/refuse.log" 2>&1; then
  fail "instalou na pasta pessoal"
fi
refused "$work/refuse.log" || fail "recusa sem motivo claro: $(cat "$work/refuse.log")"
[ "$(find "$HOME" -printf '%p %m %U %T@\n' | sort)" = "$home_before" ] || fail "a recusa mexeu em $HOME"
mkdir -p "$work/ferramentas/bin"
printf '#!/bin/sh\n' >"$work/ferramentas/bin/tool"
chmod 755 "$work/ferramentas/bin/tool"
if "$repo/scripts/install.sh" --build-dir "$build" "$work/ferramentas" >"$work/refuse.log" 2>&1; then
  fail "instalou numa pasta com arquivos de outro programa"
fi
refused "$work/refuse.log" && grep -q 'bin' "$work/refuse.log" || fail "não disse o que não é do Sonterra"
[ "$(stat -c %a "$work/ferramentas/bin/tool")" = 755 ] && [ ! -e "$work/ferramentas/sonterra" ] ||
  fail "a recusa mexeu na pasta"
ok "recusa a pasta pessoal e uma pasta com arquivos de outro programa, em português e inglês, sem mexer em nada"

# --- For every user: the Debian package ------------------------------------------
if "$repo/scripts/install.sh" --system >"$work/system.log" 2>&1; then fail "--system instalou"; fi
grep -qF 'sudo apt install "$(scripts/package.sh deb)"' "$work/system.log" ||
  fail "--system não levou ao pacote: $(cat "$work/system.log")"
ok "--system leva ao pacote Debian"
echo passou
