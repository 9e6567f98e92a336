#!/usr/bin/env bash
# scripts/install.sh and scripts/uninstall.sh, for one user and for all: the
# files they place, the menu entry started by a real launcher (gio launch)
# under Xvfb, a second install over a schedule, and what uninstalling keeps.
#   SONTERRA_BUILD_DIR: the build folder holding sonterra and sonterra-formats
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
# The Exec lines for that folder, written out by hand: quoted, with \ " $ `
# escaped inside the quotes, % doubled, and then every \ doubled once more.
# shellcheck disable=SC2016
exec_env='Exec=env -C "'"$work"'/Escola d'"'"'Ana \\"x=1\\" \\$HOME %%u/Sonterra" -u LC_ALL LC_TIME=pt_BR.UTF-8 ./sonterra'
# shellcheck disable=SC2016
exec_plain='Exec=env -C "'"$work"'/Escola d'"'"'Ana \\"x=1\\" \\$HOME %%u/Sonterra" ./sonterra'

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
exec 3>&-
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "o Xvfb não subiu: $(cat "$work/xvfb.log")"
DISPLAY=:$(cat "$work/display")
export DISPLAY

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
    app_pid=$(program_pid "$2") && xwininfo -root -tree | grep -q '"Quorvel Sonterra V2"' &&
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
snapshot() { # folder
  (cd "$1" && find . -type f ! -name sonterra -printf '%p %s %T@ %i\n' | sort &&
    find . -type f ! -name sonterra -exec sha256sum {} + | sort -k2)
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
grep -qxF "$exec_env" "$entry" || fail "Exec: $(grep ^Exec "$entry")"
grep -q "com LC_TIME=pt_BR.UTF-8" "$work/install1.log" || fail "não disse que usa LC_TIME"
ok "instalado em $folder: programa, sons, 9 ícones, entrada válida com LC_TIME=pt_BR.UTF-8"

# A session with LC_ALL set to formats the program refuses.
LC_ALL=en_US.UTF-8 launch "$entry" "$folder"
tr '\0' '\n' <"/proc/$app_pid/environ" | grep -qx LC_TIME=pt_BR.UTF-8 || fail "o programa não recebeu LC_TIME"
ok "gio launch abre a janela principal, na pasta do programa, com LC_TIME=pt_BR.UTF-8, mesmo com LC_ALL=en_US.UTF-8"

# --- Again over a schedule, while the program runs -----------------------------------
printf '1' >"$folder/SOM.INI"
printf '07:30 + %s\r\n12:00 - %s\r\n' "$folder/AUDIO/sinal-entrada.mp3" "$folder/AUDIO/meu sino.wav" >"$folder/02.PR2"
printf 'meu sino' >"$folder/AUDIO/meu sino.wav"
printf 'minha voz' >"$folder/HORA/07H30M.WAV"
printf '[Desktop Entry]\nType=Application\nName=Quorvel STV2\nExec=%s\nPath=%s/\n' \
  "\"$folder/sonterra\"" "$folder" >"$work/autostart"
mkdir -p "$(dirname "$autostart")"
cp "$work/autostart" "$autostart"
before=$(snapshot "$folder")
inode=$(stat -c %i "$folder/sonterra")

LC_TIME=pt_BR.UTF-8 "$repo/scripts/install.sh" --build-dir "$build" "$folder" >"$work/install2.log"
[ "$(snapshot "$folder")" = "$before" ] || fail "a segunda instalação mexeu na programação: $(diff <(echo "$before") <(snapshot "$folder"))"
[ "$(stat -c %i "$folder/sonterra")" != "$inode" ] || fail "o programa foi regravado no lugar, não renomeado"
cmp -s "$build/sonterra" "$folder/sonterra" || fail "o programa novo não é o compilado"
kill -0 "$app_pid" 2>/dev/null || fail "o programa aberto caiu com a reinstalação"
[ "$(readlink "/proc/$app_pid/exe")" = "$folder/sonterra (deleted)" ] || fail "o programa aberto não ficou com o arquivo antigo"
validate "$entry"
grep -qxF "$exec_plain" "$entry" || fail "Exec com formatos aceitos: $(grep ^Exec "$entry")"
ok "a segunda instalação troca só o programa (novo inode) e o aberto segue rodando"

stop_program
LC_TIME=pt_BR.UTF-8 launch "$entry" "$folder"
ok "gio launch também abre sem trocar LC_TIME"

# --- Uninstall, then purge -----------------------------------------------------------
"$repo/scripts/uninstall.sh" "$folder" >"$work/uninstall.log"
cat "$work/uninstall.log"
grep -qxF "uninstall: o Sonterra ainda está aberto (PID $app_pid); feche-o" "$work/uninstall.log" ||
  fail "não avisou que o programa estava aberto"
stop_program
[ ! -e "$entry" ] || fail "a entrada do menu ficou"
[ -z "$(find "$HOME/.local/share/icons" -name 'sonterra.png')" ] || fail "ficaram ícones"
[ ! -e "$autostart" ] || fail "a entrada de início automático ficou"
[ ! -e "$folder/sonterra" ] || fail "o programa ficou"
[ "$(snapshot "$folder")" = "$before" ] || fail "a desinstalação mexeu na programação"
grep -qxF "uninstall: mantidos em $folder: SOM.INI 02.PR2 AUDIO HORA (para apagar também: --purge)" "$work/uninstall.log" ||
  fail "não disse o que manteve"
ok "desinstalado: menu, ícones, início automático e programa saíram; SOM.INI, 02.PR2, AUDIO/ e HORA/ ficaram intactos"

# The menu entry of another folder is not this folder's to remove.
cp -a "$folder/AUDIO" "$folder/HORA" "$work/" # saves making the clips again
mkdir -p "$work/outra"
cp -a "$work/AUDIO" "$work/HORA" "$work/outra/"
"$repo/scripts/install.sh" --build-dir "$build" "$work/outra" >/dev/null
printf 'notas' >"$folder/notas.txt"
"$repo/scripts/uninstall.sh" --purge "$folder" >"$work/purge.log"
cat "$work/purge.log"
[ -f "$entry" ] || fail "apagou a entrada do menu de outra pasta"
[ "$(ls -A "$folder")" = notas.txt ] || fail "--purge deixou: $(ls -A "$folder")"
rm "$folder/notas.txt"
"$repo/scripts/uninstall.sh" --purge "$work/outra" >/dev/null
if [ -e "$work/outra" ] || [ -e "$entry" ]; then fail "--purge de uma pasta só com o programa"; fi
ok "--purge apaga a programação e deixa o que não é dela"

# --- For all users --------------------------------------------------------------------
prefix=$work/usr/local
sysfolder=$work/opt/Sonterra
group=$(id -gn)
[ "$(id -u)" -ne 0 ] || ! getent group users >/dev/null || group=users
mkdir -p "$sysfolder"
cp -a "$work/AUDIO" "$work/HORA" "$sysfolder/"
printf '0' >"$sysfolder/SOM.INI"
LC_TIME=pt_BR.UTF-8 "$repo/scripts/install.sh" --system --group "$group" --prefix "$prefix" \
  --build-dir "$build" "$sysfolder" >"$work/system.log"
cat "$work/system.log"
sysentry=$prefix/share/applications/sonterra.desktop
validate "$sysentry"
for s in $sizes; do
  [ -f "$prefix/share/icons/hicolor/${s}x${s}/apps/sonterra.png" ] || fail "ícone ${s}x${s} do sistema"
done
[ ! -e "$entry" ] || fail "a instalação para todos escreveu no menu do usuário"
[ "$(entry_path=$(grep ^Path= "$sysentry") && echo "${entry_path#Path=}")" = "$sysfolder" ] || fail "Path"
bad=$(find "$sysfolder" \( ! -group "$group" -o ! -perm -g+rw \) -printf '%p ')
[ -z "$bad" ] || fail "fora do grupo $group ou sem escrita para ele: $bad"
bad=$(find "$sysfolder" -type d ! -perm -g+s -printf '%p ')
[ -z "$bad" ] || fail "pastas sem o bit de grupo: $bad"
ok "para todos: entrada e ícones em $prefix/share, pasta gravável pelo grupo $group"

sysbefore=$(snapshot "$sysfolder")
"$repo/scripts/uninstall.sh" --system --prefix "$prefix" "$sysfolder" >"$work/sysun.log"
cat "$work/sysun.log"
[ ! -e "$sysentry" ] || fail "a entrada do sistema ficou"
[ -z "$(find "$prefix/share/icons" -name 'sonterra.png')" ] || fail "ficaram ícones do sistema"
[ ! -e "$sysfolder/sonterra" ] || fail "o programa do sistema ficou"
[ "$(snapshot "$sysfolder")" = "$sysbefore" ] || fail "a desinstalação do sistema mexeu nos dados"
ok "desinstalado para todos; SOM.INI, AUDIO/ e HORA/ ficaram"
echo passou
