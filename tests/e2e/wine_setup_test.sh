#!/usr/bin/env bash
# The setup program under Wine, silently as an administrator would run it on
# many PCs: the default folder outside Program Files, the files and the
# Start-menu entry in place, a reinstall over a schedule, and what the
# uninstaller keeps (and removes when told /TUDO). The running program (on
# Xvfb) is closed by both, and a file held open stops either from calling the
# job done.
#   usage: wine_setup_test.sh SETUP_EXE
set -euo pipefail
setup=$(realpath "$1")
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
[ -x "$wine" ] || wine=$(command -v wine64)
[ -x "$wineserver" ] || wineserver=$(command -v wineserver)

work=$(mktemp -d "${TMPDIR:-/tmp}/sonterra-wine-setup.XXXXXX")
export WINEPREFIX=$work/wine WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
export LANG=pt_BR.UTF-8 LC_ALL=pt_BR.UTF-8 HOME=$work/home
mkdir -p "$HOME" "$WINEPREFIX"
pids=()
cleanup() {
  "$wineserver" -k 2>/dev/null || true
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' TERM INT HUP

fail() { echo "FALHA: $*"; exit 1; }
ok() { echo "ok: $*"; }
run() { "$wine" "$@" >>"$work/wine.log" 2>&1 || true; "$wineserver" -w; }
# The exit code; a program left running fails the wait instead of hanging it.
run_code() {
  local code=0
  "$wine" "$@" >>"$work/wine.log" 2>&1 || code=$?
  timeout 120 "$wineserver" -w || fail "algo ficou rodando depois de $*"
  return $code
}
# The installed program, up with its main window (the schedule inactive);
# SDL's silent output stands in for a sound card, whose absence is a box.
start_program() {
  printf '0' >"$dir/SOM.INI"
  (cd "$dir" && SDL_AUDIODRIVER=dummy exec "$wine" sonterra.exe >>"$work/app.log" 2>&1) &
  app=$!
  pids+=("$app")
  for _ in $(seq 900); do
    xdotool search --onlyvisible --name '^Quorvel Sonterra V2$' >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  cat "$work/app.log"
  for id in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
    echo "janela: $(xdotool getwindowname "$id" 2>/dev/null)"
  done
  fail "o Sonterra não abriu"
}
# The sonterra.exe processes of this prefix, whoever started them.
program_pids() {
  local p
  for p in /proc/[0-9]*; do
    grep -qi 'sonterra\.exe' <<<"$( { tr '\0' ' ' <"$p/cmdline"; } 2>/dev/null)" || continue
    grep -qxF "WINEPREFIX=$WINEPREFIX" <<<"$( { tr '\0' '\n' <"$p/environ"; } 2>/dev/null)" || continue
    echo "${p#/proc/}"
  done
}
stop_programs() {
  local p
  for p in $(program_pids); do kill "$p" 2>/dev/null || true; done
  timeout 60 "$wineserver" -w 2>/dev/null || true
}
# Started again by the setup, one copy, its main window shown as before.
reopened() { # who
  for _ in $(seq 600); do
    if [ -n "$(program_pids)" ] &&
      xdotool search --onlyvisible --name '^Quorvel Sonterra V2$' >/dev/null 2>&1; then break; fi
    sleep 0.1
  done
  [ -n "$(program_pids)" ] || fail "$1 não abriu de novo o programa que fechou"
  [ "$(program_pids | wc -l)" = 1 ] || fail "$1 deixou $(program_pids | wc -l) cópias"
  xdotool search --onlyvisible --name '^Quorvel Sonterra V2$' >/dev/null 2>&1 ||
    fail "$1 abriu o programa sem a janela que ele mostrava"
}
# Every file of the program itself was written after a date stamped on it.
all_replaced() {
  find "$dir" -type f ! -path '*/AUDIO/*' ! -path '*/HORA/*' ! -name SOM.INI ! -name '*.PR2' \
    ! -newermt 2001-01-01 | sed -n 1,3p
}
unix_path() { "$wine" winepath -u "$1" 2>/dev/null | tr -d '\r'; }
reg_value() { # key value
  "$wine" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
    awk -v v="$2" '$1 == v { sub(/^[ \t]*[^ \t]+[ \t]+REG_[A-Z_]+[ \t]+/, ""); print; exit }'
}
shell_folder() { reg_value 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders' "$1"; }
wait_window() { # exact name
  local id
  for _ in $(seq 300); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1)
    [ -z "$id" ] || { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
press() { # window key, with the window focused (Xvfb has no window manager)
  xdotool windowfocus --sync "$1" 2>/dev/null || true
  xdotool key "$2" 2>/dev/null || true
}
# A shell link's flags: HasIconLocation is bit 6 (MS-SHLLINK 2.1.1).
has_icon() { # lnk
  local flags
  flags=$(od -An -tu4 -j20 -N4 "$1" | tr -d ' ')
  [ $((flags & 64)) -ne 0 ]
}

# shellcheck source=tests/tools/xvfb.sh
. "$(dirname "$0")/../tools/xvfb.sh"
xvfb_start "$work"
pids+=("$XVFB_PID")
[ -n "$XVFB_DISPLAY" ] || fail "o Xvfb não subiu: $(cat "$work/xvfb.log")"
export DISPLAY=$XVFB_DISPLAY

run wineboot -i
# Wine's icacls changes nothing: a stand-in records what the setup asks for
# and, when told, fails.
sys32=$WINEPREFIX/drive_c/windows/system32
x86_64-w64-mingw32-gcc -O2 -o "$work/icacls.exe" "$(dirname "$0")/icacls_stub.c"
cp "$work/icacls.exe" "$sys32/icacls.exe"
export ICACLS_LOG='C:\icacls.log' WINEDLLOVERRIDES="$WINEDLLOVERRIDES;icacls.exe=n"
icacls_log=$WINEPREFIX/drive_c/icacls.log
programs=$(unix_path "$(shell_folder Programs)")
[ -n "$programs" ] || fail "sem pasta Programas no menu Iniciar"

# 1. The default folder: C:\Sonterra, writable, outside Program Files.
run "$setup" /S
dir=$WINEPREFIX/drive_c/Sonterra
for f in sonterra.exe Qt6Core.dll Qt6Widgets.dll platforms/qwindows.dll imageformats/qjpeg.dll \
  translations/qtbase_pt_BR.qm qt.conf AUDIO/sinal-entrada.wav HORA/07H30M.WAV uninstall.exe; do
  [ -e "$dir/$f" ] || fail "faltou $f em C:\\Sonterra"
done
ok "instalado em C:\\Sonterra com $(find "$dir" -type f | wc -l) arquivos"
# The folder is this account's, inherits nothing from C:\, and only this
# account, the administrators and the system may change it.
grep -qF '"C:\Sonterra" /setowner ' "$icacls_log" || fail "não tomou a pasta: $(cat "$icacls_log")"
grep -qF '"C:\Sonterra" /inheritance:r /grant:r ' "$icacls_log" &&
  grep -qF '"*S-1-5-32-544:(OI)(CI)F" "*S-1-5-18:(OI)(CI)F" "*S-1-5-11:(OI)(CI)RX"' "$icacls_log" ||
  fail "direitos da pasta: $(cat "$icacls_log")"
ok "a pasta do programa só é mudada pela conta que instala e pelos administradores"
lnk="$programs/Sonterra/Sonterra.lnk"
[ -f "$lnk" ] || fail "sem atalho no menu Iniciar ($lnk)"
has_icon "$lnk" || fail "o atalho do menu Iniciar não tem ícone"
grep -qa 'sonterra.exe' "$lnk" || fail "o atalho não aponta para sonterra.exe"
ok "atalho no menu Iniciar, com ícone"

# 2. A reinstall keeps the schedule and the operator's own sounds.
printf '1' >"$dir/SOM.INI"
printf '07:30 + C:\\Sonterra\\AUDIO\\sinal-entrada.wav\r\n' >"$dir/02.PR2"
printf 'meu sino' >"$dir/AUDIO/sinal-curto.wav"
printf 'minha fala' >"$dir/HORA/07H30M.WAV"
run "$setup" /S
[ "$(cat "$dir/SOM.INI")" = 1 ] || fail "a reinstalação mudou SOM.INI"
grep -q '07:30 +' "$dir/02.PR2" || fail "a reinstalação mudou 02.PR2"
[ "$(cat "$dir/AUDIO/sinal-curto.wav")" = "meu sino" ] || fail "a reinstalação trocou um som do operador"
[ "$(cat "$dir/HORA/07H30M.WAV")" = "minha fala" ] || fail "a reinstalação trocou uma fala do operador"
ok "reinstalação manteve a programação e os sons"

# 2b. Over the running program: a silent setup closes it as "Sair" would
# (asked with a question when not silent), replaces every file and starts it
# again as it was (here inactive, its window shown); clicked through, it is
# back before the last page is closed, and that page does not start another.
find "$dir" -type f -exec touch -d 2000-01-01 {} +
start_program
# (SDL's silent output reaches the copy the setup starts through its environment.)
code=0
SDL_AUDIODRIVER=dummy "$wine" "$setup" /S >>"$work/wine.log" 2>&1 || code=$?
[ "$code" = 0 ] || fail "a instalação sobre o programa aberto terminou com $code"
! kill -0 "$app" 2>/dev/null || fail "o programa aberto continuou rodando"
[ -z "$(all_replaced)" ] || fail "não substituiu $(all_replaced)"
[ "$(cat "$dir/SOM.INI")" = 0 ] || fail "a instalação mudou SOM.INI"
reopened "a instalação silenciosa"
ok "instalação silenciosa sobre o programa aberto: fechou-o, trocou todos os arquivos e o abriu de novo"
stop_programs
start_program
SDL_AUDIODRIVER=dummy "$wine" "$setup" >>"$work/wine.log" 2>&1 &
clicked=$!
pids+=("$clicked")
page=$(wait_window 'Instalação do Sonterra ') || fail "a instalação não abriu sua janela"
press "$page" Return
box=$(wait_window 'Instalação do Sonterra') || fail "a instalação não perguntou se fecha o programa"
press "$box" Return
reopened "a instalação clicada, ainda na última página,"
# The program's window is on top and holds the focus, and the last page may
# still be coming: "Concluir" is clicked until the setup ends.
for _ in $(seq 30); do
  sleep 1
  kill -0 "$clicked" 2>/dev/null || break
  xdotool windowraise "$page" 2>/dev/null || true
  xdotool mousemove --window "$page" 421 338 click 1 2>/dev/null || true
done
wait "$clicked" || true
sleep 2
[ "$(program_pids | wc -l)" = 1 ] || fail "$(program_pids | wc -l) cópias depois de \"Concluir\""
ok "instalação clicada sobre o programa aberto: ele voltou antes de \"Concluir\", e só uma vez"
stop_programs

# 2c. A file some other program holds: the setup ends with an error and the
# uninstaller stops before its entries go, so it can be run again.
x86_64-w64-mingw32-gcc -municode -O2 -o "$work/hold.exe" "$(dirname "$0")/hold_file_stub.c"
"$wine" "$work/hold.exe" 'C:\Sonterra\Qt6Core.dll' >>"$work/wine.log" 2>&1 &
hold=$!
pids+=("$hold")
sleep 2
code=0
"$wine" "$setup" /S >>"$work/wine.log" 2>&1 || code=$?
[ "$code" != 0 ] || fail "a instalação com Qt6Core.dll preso disse que completou"
"$wine" "$dir/uninstall.exe" /S '_?=C:\Sonterra' >>"$work/wine.log" 2>&1 || true
for f in Qt6Core.dll uninstall.exe; do [ -e "$dir/$f" ] || fail "a desinstalação incompleta apagou $f"; done
[ -f "$programs/Sonterra/Sonterra.lnk" ] || fail "a desinstalação incompleta tirou o atalho"
kill "$hold"
"$wineserver" -w
ok "com um arquivo preso, nem a instalação (código $code) nem a desinstalação se dão por completas"
run "$setup" /S

# 3. Uninstalling, while the program runs, closes it and keeps the schedule,
# the sounds and the clips.
start_program
run_code "$dir/uninstall.exe" /S
! kill -0 "$app" 2>/dev/null || fail "a desinstalação deixou o programa rodando"
for f in sonterra.exe Qt6Core.dll platforms qt.conf uninstall.exe; do
  [ ! -e "$dir/$f" ] || fail "a desinstalação deixou $f"
done
for f in SOM.INI 02.PR2 AUDIO/sinal-curto.wav HORA/07H30M.WAV HORA/12H59M.WAV; do
  [ -e "$dir/$f" ] || fail "a desinstalação apagou $f"
done
[ ! -e "$lnk" ] || fail "a desinstalação deixou o atalho do menu Iniciar"
kept=$(iconv -f UTF-16 -t UTF-8 "$dir/un-log.txt" 2>/dev/null | tr -d '\r') || true
[ "$kept" = "Ficaram em C:\Sonterra a programação (SOM.INI e os arquivos .PR2; ela está desativada), \
os sons (AUDIO) e as falas da hora (HORA). No registro ficou HKCU\Software\Sonterra\InstallDir \
(C:\Sonterra). Se não forem mais precisos, a pasta pode ser apagada." ] ||
  fail "un-log.txt não diz o que ficou: $kept"
ok "desinstalação manteve SOM.INI, os .PR2, os sons e as falas, e disse onde"

# A folder whose rights cannot be set gets no program.
ICACLS_EXIT=5 run "$setup" /S '/D=C:\Alheia'
[ ! -e "$WINEPREFIX/drive_c/Alheia/sonterra.exe" ] || fail "instalou numa pasta que não conseguiu proteger"
ok "uma pasta que não dá para proteger fica sem programa"

# 4. A second folder: clicked through, the setup says that it takes over the
# first one's entries (a box on leaving the folder page), and anything but
# "Sim" changes nothing (Wine's boxes here take Esc, not the "Não" key, from
# xdotool); silently it takes them, and
# uninstalling the first folder then leaves them to the second. /TUDO
# removes everything.
run "$setup" /S
other="$WINEPREFIX/drive_c/Escola/Sinal"
"$wine" "$setup" '/D=C:\Escola\Sinal' >>"$work/wine.log" 2>&1 &
pids+=($!)
page=$(wait_window 'Instalação do Sonterra ') || fail "a instalação não abriu sua janela"
press "$page" Return
box=$(wait_window 'Instalação do Sonterra') || fail "a instalação numa segunda pasta não perguntou"
press "$box" Escape
for _ in $(seq 50); do
  grep -qx "$box" <<<"$(xdotool search --onlyvisible --name '.' 2>/dev/null)" || break
  sleep 0.1
done
press "$page" Escape
timeout 60 "$wineserver" -w || fail "a instalação não terminou depois da pergunta"
[ ! -e "$other" ] || fail "sem o \"Sim\" da pergunta, a instalação mudou $other"
# "Ativar" in the first folder: its logon start goes with its uninstaller,
# though the second folder owns the entries by then.
start_program
main=$(wait_window 'Quorvel Sonterra V2') || fail "sem janela principal"
xdotool mousemove --window "$main" 99 433 click 1 # "Ativar" (resources/usom.ui)
logon="$(unix_path "$(shell_folder Startup)")/Quorvel STV2.lnk"
for _ in $(seq 100); do [ -f "$logon" ] && break; sleep 0.1; done
[ -f "$logon" ] || fail "\"Ativar\" não criou $logon"
stop_programs
code=0
run_code "$setup" /S '/D=C:\Escola\Sinal' || code=$?
[ -f "$other/sonterra.exe" ] || {
  echo "--- icacls:"; tail -4 "$icacls_log" || true
  echo "--- wine.log:"; tail -20 "$work/wine.log"; df -h "$work"
  fail "não instalou na pasta escolhida (código $code; aberto: $(program_pids | wc -l))"
}
run "$dir/uninstall.exe" /S
[ ! -e "$logon" ] || fail "desinstalar C:\Sonterra deixou o início com o Windows apontando para ele"
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Sonterra'
[ "$(reg_value "$key" InstallLocation)" = 'C:\Escola\Sinal' ] && grep -qa 'Sinal' "$lnk" ||
  fail "desinstalar a primeira pasta tirou as entradas da segunda"
ok "segunda pasta: avisa que substitui a primeira, cujo desinstalador não tira as entradas da segunda, mas tira o próprio início com o Windows"
printf '1' >"$other/SOM.INI"
run "$other/uninstall.exe" /S /TUDO
[ ! -e "$other" ] || fail "/TUDO deixou $(find "$other" | head -5)"
[ ! -e "$lnk" ] && [ -z "$(reg_value "$key" InstallLocation)" ] || fail "/TUDO deixou as entradas"
ok "pasta escolhida; /TUDO apagou tudo"
