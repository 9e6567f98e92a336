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
grep -qxF "$exec_plain" "$entry" || fail "Exec com formatos aceitos: $(grep ^Exec "$entry")"
# A source that cannot be read (here a folder) is an error, not an empty file.
mkdir "$work/pf"
if "$repo/scripts/place-files" put 644 "$work/pf" "$work/home" 2>/dev/null || [ -n "$(ls -A "$work/pf")" ]; then
  fail "place-files instalou o que não conseguiu ler: $(ls -A "$work/pf")"
fi
ok "a segunda instalação troca só o programa (novo inode) e o aberto segue rodando"

stop_program
LC_TIME=pt_BR.UTF-8 launch "$entry" "$folder"
ok "gio launch também abre sem trocar LC_TIME"

# --- Uninstall while it runs, then purge -------------------------------------------
if "$repo/scripts/uninstall.sh" "$folder" </dev/null >"$work/uninstall.log" 2>&1; then
  fail "desinstalou com o programa aberto: $(cat "$work/uninstall.log")"
fi
grep -qF "o Sonterra ainda está aberto (PID $app_pid); feche-o ou use --force; nada foi removido" \
  "$work/uninstall.log" || fail "não recusou com o programa aberto: $(cat "$work/uninstall.log")"
kill -0 "$app_pid" 2>/dev/null || fail "a recusa fechou o programa"
[ -e "$entry" ] && [ -e "$folder/sonterra" ] && [ -e "$autostart" ] || fail "a recusa removeu alguma coisa"
"$repo/scripts/uninstall.sh" --force "$folder" >"$work/uninstall.log"
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
"$repo/scripts/uninstall.sh" --purge "$folder" >"$work/purge.log"
cat "$work/purge.log"
[ -f "$entry" ] || fail "apagou a entrada do menu de outra pasta"
[ "$(cd "$folder" && find . -mindepth 1 | sort | tr '\n' ' ')" = "./AUDIO ./AUDIO/meu sino.wav ./notas.txt " ] ||
  fail "--purge deixou ou apagou demais: $(cd "$folder" && find . -mindepth 1)"
grep -qF "ainda tem: AUDIO/meu sino.wav, notas.txt" "$work/purge.log" || fail "--purge não disse o que ficou"
rm -r "$folder"
"$repo/scripts/uninstall.sh" --purge "$work/outra" >/dev/null
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

# --- For all users: what no operator can change, and the one shared schedule -----------
if [ "$(id -u)" -ne 0 ]; then
  echo "passou (sem root: a instalação para todos não foi testada)"
  exit 0
fi
chmod 755 "$work" # the test's accounts must reach the folders
prefix=$work/usr/local
sysfolder=$work/opt/Sonterra
sysdata=$work/var/opt/Sonterra
group=sonterra-t$$
a=sonterra-a$$ b=sonterra-b$$
marks=$work/marcas
mkdir -m 1777 "$marks"
cleanup_accounts() {
  for u in "$a" "$b"; do
    for _ in $(seq 30); do pgrep -u "$u" >/dev/null 2>&1 || break; sleep 0.1; done
    userdel "$u" 2>/dev/null || true
  done
  groupdel "$group" 2>/dev/null || true
}
trap 'cleanup; cleanup_accounts' EXIT

usr_local_before=$(ls -la --time-style=full-iso /usr/local)
if "$repo/scripts/install.sh" --system --group "$group" --prefix "$prefix" --data "$sysdata" \
  --build-dir "$build" /usr/local >"$work/refuse.log" 2>&1; then
  fail "instalou para todos em /usr/local"
fi
refused "$work/refuse.log" || fail "recusa de /usr/local sem motivo claro: $(cat "$work/refuse.log")"
[ "$(ls -la --time-style=full-iso /usr/local)" = "$usr_local_before" ] || fail "a recusa mexeu em /usr/local"
! getent group "$group" >/dev/null && [ ! -e "$sysdata" ] || fail "a recusa criou o grupo ou a pasta"
if "$repo/scripts/install.sh" --system --group users --prefix "$prefix" --data "$sysdata" \
  --build-dir "$build" "$sysfolder" >"$work/refuse.log" 2>&1; then
  fail "aceitou o grupo users"
fi
refused "$work/refuse.log" || fail "recusa do grupo users sem motivo claro"
ok "para todos: recusa /usr/local e o grupo users, sem mexer em nada"

mkdir -p "$sysdata"
cp -a "$work/HORA" "$sysdata/"
LC_TIME=pt_BR.UTF-8 "$repo/scripts/install.sh" --system --group "$group" --prefix "$prefix" \
  --data "$sysdata" --build-dir "$build" "$sysfolder" >"$work/system.log"
cat "$work/system.log"
getent group "$group" >/dev/null || fail "o grupo $group não foi criado"
grep -qF "sudo gpasswd -a NOME $group" "$work/system.log" || fail "não disse como incluir uma pessoa no grupo"
sysentry=$prefix/share/applications/sonterra.desktop
validate "$sysentry"
for s in $sizes; do
  [ -f "$prefix/share/icons/hicolor/${s}x${s}/apps/sonterra.png" ] || fail "ícone ${s}x${s} do sistema"
done
[ ! -e "$entry" ] || fail "a instalação para todos escreveu no menu do usuário"
grep -qxF "Path=$sysfolder" "$sysentry" || fail "Path: $(grep ^Path= "$sysentry")"
[ "$(cat "$sysfolder/sonterra.pasta")" = "$sysdata" ] || fail "o ponteiro não leva a $sysdata"
[ "$(stat -c '%U:%G %a' "$sysdata")" = "root:$group 2770" ] || fail "pasta da programação: $(stat -c '%U:%G %a' "$sysdata")"
ok "para todos: programa em $sysfolder, programação em $sysdata do grupo $group (criado), menu em $prefix/share"

# Two operators, in the group by the installer's own words, and, as on Debian,
# in users too.
for u in "$a" "$b"; do
  useradd -M -N -d "$work/home-$u" -s /bin/sh "$u"
  gpasswd -a "$u" "$group" >/dev/null
  mkdir -m 700 "$work/home-$u" "$work/home-$u/run"
  chown -R "$u:" "$work/home-$u"
done
as() { # account command...: with its own groups, home and umask 077
  local u=$1; shift
  setpriv --reuid "$u" --regid users --init-groups -- env HOME="$work/home-$u" \
    XDG_RUNTIME_DIR="$work/home-$u/run" sh -c 'umask 077; exec "$@"' sh "$@"
}
cp "$SCHEDULE_EDIT" "$PLANTED_PLUGIN" "$work/"
chmod 755 "$work/$(basename "$SCHEDULE_EDIT")" "$work/$(basename "$PLANTED_PLUGIN")"
edit=$work/$(basename "$SCHEDULE_EDIT")
plugin=$work/$(basename "$PLANTED_PLUGIN")

# The first operator tries to make the second run its code: a wrapper in
# place of the program, Qt plugins and qt.conf where Qt looks, links where
# root writes on the next install.
cp "$build/sonterra" "$work/home-$a/sonterra"
printf '#!/bin/sh\nid -u >>%s/wrapper\nexec %s/home-%s/sonterra "$@"\n' "$marks" "$work" "$a" >"$work/home-$a/wrapper"
printf '[Paths]\nPlugins=%s/home-%s/plugins\n' "$work" "$a" >"$work/home-$a/qt.conf"
mkdir -p "$work/home-$a/plugins/platformthemes"
cp "$plugin" "$work/home-$a/plugins/platformthemes/"
chown -R "$a:" "$work/home-$a"
chmod -R a+rX "$work/home-$a"
printf 'intacto' >"$work/alvo-1"
printf 'intacto' >"$work/alvo-2"
# shellcheck disable=SC2016
as "$a" sh -c '
  cp "$1/wrapper" "$2/sonterra" || cat "$1/wrapper" >"$2/sonterra" ||
    { cp "$1/wrapper" "$2/.w" && mv -f "$2/.w" "$2/sonterra"; }
  for d in "$2" "$3"; do
    mkdir -p "$d/platformthemes" && cp "$4" "$d/platformthemes/" && chmod -R a+rX "$d/platformthemes"
    cp "$1/qt.conf" "$d/qt.conf" && chmod a+r "$d/qt.conf"
  done
  ln -s "$5/alvo-1" "$2/.sonterra.new"
  rm -f "$3/AUDIO/sinal-curto.wav" && ln -s "$5/alvo-2" "$3/AUDIO/.sinal-curto.part.wav"
  true' sh "$work/home-$a" "$sysfolder" "$sysdata" "$plugin" "$work" >/dev/null 2>&1
[ -z "$(find "$sysfolder" -mindepth 1 ! -user root)" ] || fail "$a mudou a pasta do programa: $(ls -la "$sysfolder")"

# An operator swaps HORA/ for a folder of its own: root writes no clip there.
as "$a" sh -c 'mv "$1/HORA" "$1/HORA-velha" && mkdir "$1/HORA"' sh "$sysdata" || fail "$a não trocou HORA/"
if LC_TIME=pt_BR.UTF-8 "$repo/scripts/install.sh" --system --group "$group" --prefix "$prefix" \
  --data "$sysdata" --build-dir "$build" "$sysfolder" >"$work/hora.log" 2>&1; then
  fail "instalou com HORA/ de $a"
fi
refused "$work/hora.log" && [ -z "$(ls -A "$sysdata/HORA")" ] || fail "gravou falas na HORA/ de $a: $(cat "$work/hora.log")"
rmdir "$sysdata/HORA" && mv "$sysdata/HORA-velha" "$sysdata/HORA"
ok "a instalação não grava falas numa HORA/ que $a pôs no lugar"

# Root installs again over what was planted.
LC_TIME=pt_BR.UTF-8 "$repo/scripts/install.sh" --system --group "$group" --prefix "$prefix" \
  --data "$sysdata" --build-dir "$build" "$sysfolder" >"$work/system2.log"
[ "$(cat "$work/alvo-1")$(cat "$work/alvo-2")" = intactointacto ] || fail "a reinstalação escreveu através de um link"
[ ! -L "$sysfolder/sonterra" ] && [ "$(stat -c %U "$sysfolder/sonterra")" = root ] || fail "o programa virou link ou de outra conta"
[ -f "$sysdata/AUDIO/sinal-curto.wav" ] && [ ! -L "$sysdata/AUDIO/sinal-curto.wav" ] || fail "o sinal que faltava não foi refeito"
ok "a reinstalação não segue os links que $a plantou"

# The second operator starts the program from the menu.
as "$b" env LC_TIME=pt_BR.UTF-8 QT_QPA_PLATFORM=offscreen PLANTED_MARK="$marks/plugin" \
  gio launch "$sysentry" >"$work/gio-b.log" 2>&1 || fail "gio launch como $b: $(cat "$work/gio-b.log")"
b_pid=
for _ in $(seq 100); do
  [ -s "$marks/wrapper" ] || [ -s "$marks/plugin" ] && break
  b_pid=$(pgrep -u "$b" -x sonterra | head -1) && [ -n "$b_pid" ] && [ -d "/proc/$b_pid" ] &&
    [ "$(readlink "/proc/$b_pid/exe")" = "$sysfolder/sonterra" ] && sleep 2 && break
  sleep 0.1
done
[ ! -s "$marks/wrapper" ] || fail "o programa trocado por $a rodou como $b (uid $(cat "$marks/wrapper"))"
[ ! -s "$marks/plugin" ] || fail "o plugin plantado por $a rodou como $b (uid $(cat "$marks/plugin"))"
[ -n "$b_pid" ] && kill -0 "$b_pid" 2>/dev/null || fail "o programa de $b não ficou aberto"
pids+=("$b_pid")
# The plugin does run where Qt is told to look: its silence above means something.
as "$b" env LC_TIME=pt_BR.UTF-8 QT_QPA_PLATFORM=offscreen PLANTED_MARK="$marks/control" \
  QT_PLUGIN_PATH="$work/home-$a/plugins" timeout 10 "$sysfolder/sonterra" >/dev/null 2>&1 &
control=$!
for _ in $(seq 100); do [ -s "$marks/control" ] && break; sleep 0.1; done
kill "$control" 2>/dev/null || true
[ "$(cat "$marks/control" 2>/dev/null)" = "$(id -u "$b")" ] || fail "o plugin de teste não carrega nem onde o Qt procura"
ok "nem um programa trocado nem um plugin plantado por $a rodam como $b"
as "$a" rm -rf "$sysdata/platformthemes" "$sysdata/qt.conf" "$sysdata/AUDIO/.sinal-curto.part.wav"

# The shared schedule: what one adds, the other deletes, umask 077 or not.
as "$b" "$edit" "$sysfolder/sonterra" add 3 07:30 "$sysdata/AUDIO/sinal-curto.wav" || fail "$b não acrescentou"
[ -f "$sysdata/03.PR2" ] || fail "o programa não escreveu na pasta da programação"
as "$a" "$edit" "$sysfolder/sonterra" delete 3 07:30 || fail "$a não apagou o horário de $b"
as "$b" "$edit" "$sysfolder/sonterra" add 3 08:00 "$sysdata/AUDIO/sinal-curto.wav" || fail "$b não acrescentou depois de $a"
as "$a" "$edit" "$sysfolder/sonterra" delete 3 08:00 || fail "$a não apagou o segundo horário de $b"
[ "$(stat -c '%G %a' "$sysdata/03.PR2")" = "$group 660" ] || fail "03.PR2: $(stat -c '%G %a' "$sysdata/03.PR2")"
ok "o que $b acrescenta $a apaga, com umask 077, e o arquivo fica do grupo"

# --- Uninstall for all: running copies, other accounts, what stays ---------------------
# Written by the program itself, as each operator's "Ativar" does: with
# LC_TIME set, as the menu entry sets it, in the env -C form.
for u in "$a" "$b"; do
  as "$u" env LC_TIME=pt_BR.UTF-8 "$edit" "$sysfolder/sonterra" autostart || fail "$u: sem entrada de início automático"
done
grep -q '^Exec=env -C ' "$work/home-$b/.config/autostart/Quorvel STV2.desktop" ||
  fail "forma inesperada: $(grep ^Exec= "$work/home-$b/.config/autostart/Quorvel STV2.desktop")"
chown root: "$work/home-$a/.config/autostart/Quorvel STV2.desktop" # not plainly $a's own
# 1 GiB, sparse: uninstall reads only the start of an account's entry.
truncate -s 1G "$work/home-$a/.config/autostart/Quorvel STV2.desktop"
printf 'gravação' >"$sysdata/AUDIO/hino da escola.mp3"
if "$repo/scripts/uninstall.sh" --system --prefix "$prefix" --data "$sysdata" --purge "$sysfolder" \
  </dev/null >"$work/sysun.log" 2>&1; then
  fail "desinstalou para todos com o programa de $b aberto"
fi
[ -e "$sysfolder/sonterra" ] && [ -e "$sysentry" ] && [ -e "$sysdata/03.PR2" ] || fail "a recusa apagou"
"$repo/scripts/uninstall.sh" --system --prefix "$prefix" --data "$sysdata" --purge --force "$sysfolder" \
  >"$work/sysun.log"
cat "$work/sysun.log"
! kill -0 "$b_pid" 2>/dev/null || fail "--force não fechou o programa de $b"
[ ! -e "$sysentry" ] || fail "a entrada do sistema ficou"
[ -z "$(find "$prefix/share/icons" -name 'sonterra.png')" ] || fail "ficaram ícones do sistema"
[ ! -e "$sysfolder" ] || fail "a pasta do programa ficou: $(ls -A "$sysfolder")"
[ ! -e "$work/home-$b/.config/autostart/Quorvel STV2.desktop" ] || fail "ficou o início automático de $b"
grep -qF "ficou a entrada de início automático de outra conta: $(printf %q "$work/home-$a/.config/autostart/Quorvel STV2.desktop")" \
  "$work/sysun.log" || fail "não disse que ficou a entrada de $a"
[ "$(cd "$sysdata" && find . -mindepth 1 | sort | tr '\n' ' ')" = "./AUDIO ./AUDIO/hino da escola.mp3 " ] ||
  fail "--purge deixou ou apagou demais: $(cd "$sysdata" && find . -mindepth 1)"
grep -qF "ainda tem: AUDIO/hino da escola.mp3" "$work/sysun.log" || fail "não disse o que ficou"
ok "desinstalado para todos: fecha o programa aberto, tira o início automático de $b, nomeia o que ficou"
echo passou
