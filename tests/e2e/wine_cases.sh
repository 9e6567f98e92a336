#!/usr/bin/env bash
# The Windows program under Wine: the real sonterra.exe from the Windows
# folder (scripts/windows-folder.sh), on Xvfb, its sound going through Wine's
# PulseAudio driver into the same private null sink the Linux cases record.
# Wine keeps the real wall clock, so the bells are put at the next real minute.
#   usage: wine_cases.sh WINDOWS_FOLDER CASE...
#   needs: TONE_SCAN and PCM_TAP (the host tools of tests/e2e), wine64
# shellcheck source=tests/e2e/harness.sh
source "$(dirname "${BASH_SOURCE[0]}")/harness.sh"
# shellcheck source=tests/tools/xvfb.sh
source "$(dirname "${BASH_SOURCE[0]}")/../tools/xvfb.sh"

# Wine's sound path (WASAPI over PulseAudio) adds its own buffering to the
# program's; a busy machine adds more.
LATE=1.0
CLIP_LATE=1.0
SLACK=0.05
MAIN_TITLE="Quorvel Sonterra V2"
# Boxes carry the title the program takes from its file name; once the main
# window is made, its full Windows path (w_running_title).
W_TITLE=Sonterra

W_WINE=/usr/lib/wine/wine64
W_WINESERVER=/usr/lib/wine/wineserver
[ -x "$W_WINE" ] || W_WINE=$(command -v wine64)
[ -x "$W_WINESERVER" ] || W_WINESERVER=$(command -v wineserver)

w_init() { # windows_folder
  : "${TONE_SCAN:?}" "${PCM_TAP:?}"
  # Without Wine's own fonts every text is drawn in a serif stand-in, and the
  # screenshots show nothing a school PC shows (scripts/install-deps.sh).
  [ -f /usr/share/wine/fonts/tahoma.ttf ] || h_fail "sem as fontes do próprio Wine (pacote fonts-wine)"
  H_WORK=$(mktemp -d "${TMPDIR:-/tmp}/sonterra-wine-e2e.XXXXXX")
  trap w_cleanup EXIT
  trap 'exit 143' TERM INT HUP
  export HOME=$H_WORK/home
  mkdir -p "$HOME" "$H_WORK/sounds"
  W_FOLDER=$1
  export WINEPREFIX=$H_WORK/wine WINEDEBUG=-all
  export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
  unset SDL_AUDIODRIVER QT_QPA_PLATFORM
  xvfb_start "$H_WORK"
  H_PIDS+=("$XVFB_PID")
  [ -n "$XVFB_DISPLAY" ] || h_fail "o Xvfb não subiu: $(cat "$H_WORK/xvfb.log")"
  export DISPLAY=$XVFB_DISPLAY
  h_pulse_start
  unset SDL_AUDIODRIVER # the pulseaudio driver is SDL's Linux one
  w_wine wineboot -i >/dev/null 2>&1 || true
  "$W_WINESERVER" -w
  "$W_WINESERVER" -p 60
  W_STARTUP=$(w_unix "$(w_reg_read 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders' Startup)")
  [ -n "$W_STARTUP" ] || h_fail "o Wine não tem pasta de inicialização"
}

# Wine rewrites the regional values when the locale changes: Brazilian, as in
# the schools, for Wine alone (the harness's arithmetic wants a decimal point).
w_wine() { LANG=pt_BR.UTF-8 LC_ALL=pt_BR.UTF-8 "$W_WINE" "$@"; }

w_cleanup() {
  "$W_WINESERVER" -k 2>/dev/null || true
  h_cleanup
}

w_unix() { w_wine winepath -u "$1" 2>/dev/null | tr -d '\r'; }
w_windows() { w_wine winepath -w "$1" 2>/dev/null | tr -d '\r'; }

w_reg_read() { # key value
  w_wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
    awk -v v="$2" '$1 == v { sub(/^[ \t]*[^ \t]+[ \t]+REG_[A-Z_]+[ \t]+/, ""); print; exit }'
}

# A fresh program folder: the Windows folder without its sounds (each case
# makes the tones it listens for), SOM.INI as given.
w_program_folder() { # state
  H_PROG=$H_WORK/prog
  rm -rf "$H_PROG"
  mkdir -p "$H_PROG/AUDIO" "$H_PROG/HORA"
  local f
  for f in "$W_FOLDER"/*; do
    case ${f##*/} in AUDIO | HORA) ;; *) cp -r "$f" "$H_PROG/" ;; esac
  done
  printf '%s' "$1" >"$H_PROG/SOM.INI"
  H_TONES=()
}

# Day file lines for today, with the program's own Windows paths.
w_entry() { # hh:mm sign file
  printf '%s %s %s' "$1" "$2" "$(w_windows "$3")"
}

# The recording around the minute AT: the bell on its minute, then the right
# spoken-time clip at its end, and no clip of another minute.
w_expect_bell_then_clip() { # at
  H_BOUNDARY=$1
  h_analyse
  h_expect_covered_from -1
  h_expect_tone bell -$SLACK $LATE
  local end
  end=$(h_end bell)
  h_expect_tone clip "$(h_calc "$end - $SLACK")" "$(h_calc "$end + $CLIP_LATE")"
  h_expect_silent wrong_clip
}

w_start() { # command... (run in the program folder)
  (cd "$H_PROG" && LANG=pt_BR.UTF-8 LC_ALL=pt_BR.UTF-8 exec "$W_WINE" "$@" >"$H_WORK/app.log" 2>&1) &
  H_APP_PID=$!
  H_PIDS+=("$H_APP_PID")
}

# The running sonterra.exe of this test's Wine prefix, whoever started it (a
# shortcut goes through start.exe): their Unix pids, and the first one's.
# Another one on the machine is not this test's to count or stop.
w_program_pids() {
  local p
  for p in /proc/[0-9]*; do
    grep -qi 'sonterra\.exe' <<<"$( { tr '\0' ' ' <"$p/cmdline"; } 2>/dev/null)" || continue
    grep -qi 'start\.exe' "$p/cmdline" 2>/dev/null && continue
    grep -qxF "WINEPREFIX=$WINEPREFIX" <<<"$( { tr '\0' '\n' <"$p/environ"; } 2>/dev/null)" || continue
    echo "${p#/proc/}"
  done
}
w_program_pid() {
  local pids
  pids=$(w_program_pids)
  [ -n "$pids" ] && echo "${pids%%$'\n'*}"
}

w_stop_program() {
  local pid
  while pid=$(w_program_pid); do h_stop_pid "$pid"; done
  [ -z "${H_APP_PID:-}" ] || h_stop_pid "$H_APP_PID"
}

# X windows by exact name; "visible" ones are mapped.
w_window() { # [--visible] name
  local only=()
  if [ "$1" = --visible ]; then only=(--onlyvisible); shift; fi
  local exact
  exact=$(printf '%s' "$1" | sed 's/[][\\.^$*+?(){}|]/\\&/g')
  xdotool search "${only[@]}" --name "^$exact\$" 2>/dev/null | sed -n 1p
}

w_wait_window() { # seconds [--visible] name
  local tries=$(($1 * 10)) id; shift
  for _ in $(seq "$tries"); do
    id=$(w_window "$@") && [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

# A mapped window of exactly this size (the splash has no title).
w_wait_sized_window() { # seconds WxH
  local tries=$(($1 * 10)) id
  for _ in $(seq "$tries"); do
    for id in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
      [ "$(w_size "$id")" = "$2" ] && { echo "$id"; return 0; }
    done
    sleep 0.1
  done
  return 1
}

w_size() { # window id
  xwininfo -id "$1" 2>/dev/null | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }'
}

# The text of the box on top, the way Windows copies a message box: Ctrl+C.
w_box_text() { # window id
  xclip -selection clipboard -i </dev/null
  xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowfocus --sync "$1" 2>/dev/null || true
  xdotool key --window "$1" ctrl+c 2>/dev/null || true
  sleep 0.5
  xclip -selection clipboard -o 2>/dev/null | tr -d '\r'
}

# The next real minute at least $1 seconds away: "epoch hh:mm".
w_next_minute() { # lead_seconds
  local now next
  now=$(date +%s)
  next=$(((now + $1 + 59) / 60 * 60))
  echo "$next $(date -d "@$next" +%H:%M)"
}

# The bell and the clips around the minute at `epoch` (harness.sh).
w_bell_and_clips() { # epoch bell_seconds
  local hh mm want
  hh=$(date -d "@$1" +%H) mm=$(date -d "@$1" +%M)
  # The program speaks the afternoon on the 12-hour clock (13:45 -> 01H45M).
  printf -v want '%02dH%02dM.WAV' "$((10#$hh > 12 ? 10#$hh - 12 : 10#$hh))" "$((10#$mm))"
  h_bell_and_clips "$hh" "$mm" "$want" "$2"
}

# --- Cases --------------------------------------------------------------

# Windows mapped on the screen, in order, with their sizes: "WxH" per line,
# from the X server's own events (the splash may be up for a moment only).
w_watch_maps_start() {
  xev -root -event substructure >"$H_WORK/xev.log" 2>&1 &
  H_PIDS+=($!)
  W_XEV_PID=$!
  sleep 0.3
}
w_mapped_sizes() {
  awk '
    /^(CreateNotify|ConfigureNotify) event/ { kind = $1; next }
    kind != "" && match($0, /window 0x[0-9a-f]+, \(-?[0-9]+,-?[0-9]+\), width [0-9]+, height [0-9]+/) {
      split(substr($0, RSTART, RLENGTH), f, /[ ,]+/)
      size[f[2]] = f[6] "x" f[8]; kind = ""; next
    }
    /^MapNotify event/ { map = 1; next }
    map && match($0, /window 0x[0-9a-f]+/) {
      w = substr($0, RSTART + 7, RLENGTH - 7); print (w in size ? size[w] : "?"); map = 0; next
    }
    { kind = kind == "" ? "" : kind }
  ' "$H_WORK/xev.log"
}

# A window's picture, kept in W_SHOTS (named in the log) for a person to look at.
w_keep_shot() { # window_id name
  [ -n "${W_SHOTS:-}" ] || return 0
  mkdir -p "$W_SHOTS"
  /usr/bin/import -window "$1" "$W_SHOTS/$2.png" 2>/dev/null || h_fail "sem captura de $2"
  h_log "captura: $W_SHOTS/$2.png"
}

# How many pixels of a screenshot have exactly this colour.
w_colour_count() { # png r,g,b
  /usr/bin/convert "$1" -depth 8 txt:- | grep -c "srgb($2)" || true
}

# Start-up: the splash, then the main window at its designed size, drawn.
case_startup() {
  w_program_folder "0"
  w_watch_maps_start
  w_start sonterra.exe
  local main shot
  main=$(w_wait_window 90 --visible "$MAIN_TITLE") || h_fail "a janela principal não apareceu"
  sleep 1
  local maps
  maps=$(w_mapped_sizes | tr '\n' ' ')
  h_log "janelas mapeadas: $maps"
  case " $maps" in
    *" 339x123 "*609x530*) h_log "ok: a abertura (339x123) antes da janela principal" ;;
    *) h_fail "a abertura 339x123 não veio antes da janela principal 609x530" ;;
  esac
  [ "$(w_size "$main")" = 609x530 ] || h_fail "a janela principal mede $(w_size "$main"), não 609x530"
  h_log "ok: janela principal 609x530"
  shot=$H_WORK/main.png
  /usr/bin/import -window "$main" "$shot" 2>/dev/null || h_fail "sem captura da janela"
  [ -z "${W_SHOTS:-}" ] || { mkdir -p "$W_SHOTS" && cp "$shot" "$W_SHOTS/janela-principal.png" &&
    h_log "captura: $W_SHOTS/janela-principal.png"; }
  # Drawn as designed: the dark green of the first page's top panel and the
  # cream of its list.
  local c n
  for c in "2,49,49" "254,248,233"; do
    n=$(w_colour_count "$shot" "$c")
    h_log "pixels rgb($c): $n"
    [ "$n" -ge 500 ] || h_fail "a janela quase não tem a cor rgb($c) ($n pixels)"
  done
  w_stop_program
}

# The boxes on top, one after another, until the program is gone; each box's
# text (Ctrl+C) goes into W_BOXES, separated by lines of "=====".
w_answer_boxes_until_exit() { # seconds
  W_BOXES=
  local deadline=$(($(date +%s) + $1)) id text
  while [ "$(date +%s)" -lt "$deadline" ]; do
    if ! w_program_pid >/dev/null; then return 0; fi
    id=$(w_window --visible "$W_TITLE") || true
    if [ -n "$id" ]; then
      text=$(w_box_text "$id")
      # A box closing as we looked gives no text: it was counted already.
      [ -z "$text" ] || W_BOXES+="$text"$'\n=====\n'
      xdotool key --window "$id" Return 2>/dev/null || true
      # Wine unmaps a closed box a moment later; wait for it to go.
      for _ in $(seq 30); do
        grep -qx "$id" <<<"$(xdotool search --onlyvisible --name "^$W_TITLE\$" 2>/dev/null)" || break
        sleep 0.1
      done
    else
      sleep 0.2
    fi
  done
  return 1
}

# US formats in the registry: the check's boxes, then the program ends
# without its main window.
case_regional_en_us() {
  w_program_folder "0"
  local key='HKCU\Control Panel\International' v
  for v in "sShortDate=M/d/yyyy" "sDate=/" "sTime=:" "iTime=0" "iTLZero=0" "s1159=AM" \
    "s2359=PM" "sTimeFormat=h:mm:ss tt"; do
    w_wine reg add "$key" /v "${v%%=*}" /t REG_SZ /d "${v#*=}" /f >/dev/null 2>&1
  done
  w_start sonterra.exe
  local first
  first=$(w_wait_window 90 --visible "$W_TITLE") || h_fail "nenhuma caixa apareceu"
  sleep 0.5
  w_keep_shot "$first" caixa-formato-de-hora
  w_answer_boxes_until_exit 60 || h_fail "o programa não terminou depois das caixas"
  printf '%s' "$W_BOXES" | sed 's/^/    /'
  [ -z "$(w_window --visible "$MAIN_TITLE")" ] || h_fail "a janela principal apareceu"
  local n want
  n=$(printf '%s' "$W_BOXES" | grep -c '^=====$' || true)
  [ "$n" -eq 4 ] || h_fail "$n caixas em vez de 4"
  for want in "O Formato de HORA Padrão do Windows está em modo incompatível" \
    "FORMATO DE HORA ATUAL: h:mm AMPM" \
    "O Formato de DATA Padrão do Windows está em modo incompatível" \
    "FORMATO DE DATA ATUAL: M/d/yyyy"; do
    grep -qF "$want" <<<"$W_BOXES" || h_fail "faltou a caixa \"$want\""
  done
  h_log "ok: as 4 caixas da verificação regional, e o programa saiu"
  # Back to Brazil for the cases after this one.
  for v in "sShortDate=dd/MM/yyyy" "sDate=/" "sTime=:" "iTime=1" "iTLZero=1" "s1159=" \
    "s2359=" "sTimeFormat=HH:mm:ss"; do
    w_wine reg add "$key" /v "${v%%=*}" /t REG_SZ /d "${v#*=}" /f >/dev/null 2>&1
  done
}

# "Ativar" writes the Startup shortcut and hides the window; the shortcut,
# started as a logon would, brings the program up hidden and active. At the
# next minute a file that cannot be decoded gives the Portuguese box, and
# the bell of the minute after rings and the time is spoken.
case_activate_logon_bell() {
  w_program_folder "0"
  rm -f "$W_STARTUP/Quorvel STV2.lnk" # left by an attempt whose recording lost samples
  local at next bad
  read -r at _ <<<"$(w_next_minute 75)"
  next=$((at + 60))
  w_bell_and_clips "$next" 1.5
  bad=$H_PROG/AUDIO/ruim.mp3
  printf 'isto não é som\n' >"$bad"
  local f
  for f in "$(h_day_file "$at")" "$(h_day_file "$next")"; do
    h_write_lines "$f" "$(w_entry "$(date -d "@$at" +%H:%M)" - "$bad")" \
      "$(w_entry "$(date -d "@$next" +%H:%M)" + "$H_PROG/AUDIO/sino.wav")"
  done

  w_start sonterra.exe
  local main lnk
  main=$(w_wait_window 90 --visible "$MAIN_TITLE") || h_fail "a janela principal não apareceu"
  sleep 1
  # The centre of "Ativar" in the window's layout (resources/usom.ui).
  xdotool mousemove --window "$main" 99 433 click 1
  lnk="$W_STARTUP/Quorvel STV2.lnk"
  for _ in $(seq 100); do [ -f "$lnk" ] && break; sleep 0.1; done
  [ -f "$lnk" ] || h_fail "\"Ativar\" não criou $lnk"
  grep -qa 'sonterra.exe' "$lnk" || h_fail "o atalho não aponta para sonterra.exe"
  h_log "ok: \"Ativar\" criou o atalho de inicialização"
  for _ in $(seq 50); do [ -z "$(w_window --visible "$MAIN_TITLE")" ] && break; sleep 0.1; done
  [ -z "$(w_window --visible "$MAIN_TITLE")" ] || h_fail "a janela continuou à vista depois de \"Ativar\""
  [ "$(tr -d "\r" <"$H_PROG/SOM.INI")" = 1 ] || h_fail "SOM.INI não ficou ativo"
  w_stop_program

  # As at logon: the shell opens the shortcut.
  w_start start "$(w_windows "$lnk")"
  for _ in $(seq 300); do w_program_pid >/dev/null && break; sleep 0.1; done
  w_program_pid >/dev/null || h_fail "o atalho não iniciou o programa"
  h_sleep_until "$(h_calc "$(date +%s.%N) + 5")"
  [ -z "$(w_window --visible "$MAIN_TITLE")" ] || h_fail "iniciado pelo atalho, a janela apareceu"
  h_log "ok: pelo atalho, o programa subiu oculto"
  [ "$(date +%s)" -lt $((at - 4)) ] || h_fail "a preparação passou do minuto $(date -d "@$at" +%T)"

  local box text
  box=$(w_wait_window $((at + 30 - $(date +%s))) --visible "$(w_windows "$H_PROG/sonterra.exe")") ||
    h_fail "nenhuma caixa para o arquivo que não é som"
  text=$(w_box_text "$box")
  printf '%s\n' "$text" | sed 's/^/    /'
  grep -qF "ERRO AO CARREGAR CANAL:" <<<"$text" || h_fail "a caixa não é a do canal"
  grep -qF "ruim.mp3" <<<"$text" || h_fail "a caixa não diz o arquivo"
  h_log "ok: caixa em português para o arquivo que não é som"
  # A short recording around the bell: less for a busy machine to disturb.
  h_sleep_until "$(h_calc "$next - 10")"
  h_record_start
  h_sleep_until "$(h_calc "$next + 4.5")"
  w_program_pid >/dev/null || h_fail "o programa saiu"
  w_stop_program
  h_record_stop
  w_expect_bell_then_clip "$next"
}

# A second start of the same folder, as a second click: it ends by itself
# and the first copy runs on alone, its window still there.
case_second_start() {
  w_program_folder "0"
  w_start sonterra.exe
  w_wait_window 90 --visible "$MAIN_TITLE" >/dev/null || h_fail "a janela principal não apareceu"
  local first rc=0
  first=$(w_program_pid)
  (cd "$H_PROG" && LANG=pt_BR.UTF-8 LC_ALL=pt_BR.UTF-8 timeout 60 "$W_WINE" sonterra.exe \
    >"$H_WORK/second.log" 2>&1) || rc=$?
  [ "$rc" -eq 0 ] || h_fail "a segunda cópia saiu com $rc (124: não saiu em 60 s)"
  local n
  n=$(w_program_pids | wc -l)
  [ "$n" -eq 1 ] || h_fail "$n cópias de sonterra.exe rodando"
  [ "$(w_program_pid)" = "$first" ] || h_fail "a primeira cópia não é a que ficou"
  [ -n "$(w_window --visible "$MAIN_TITLE")" ] || h_fail "a janela da primeira cópia sumiu"
  h_log "ok: a segunda cópia saiu sozinha e a primeira continua"
  w_stop_program
}

# The setup program (W_SETUP) installed into C:\Sonterra, the schedule made
# active and the program running hidden, as at a school after "Ativar"; a
# silent upgrade, as IT pushes it during the day, closes that copy and starts
# it again, hidden and active, and the next minute's bell rings with its
# spoken time.
case_setup_upgrade_bell() {
  : "${W_SETUP:?}"
  local sys32=$WINEPREFIX/drive_c/windows/system32
  # Wine's icacls is a stub: a stand-in that agrees (wine_setup_test.sh).
  x86_64-w64-mingw32-gcc -O2 -o "$sys32/icacls.exe" "$H_ROOT/tests/e2e/icacls_stub.c"
  export WINEDLLOVERRIDES="${WINEDLLOVERRIDES%;icacls.exe=n};icacls.exe=n"
  H_PROG=$WINEPREFIX/drive_c/Sonterra
  w_stop_program
  rm -rf "$H_PROG"
  w_wine "$W_SETUP" /S >>"$H_WORK/wine.log" 2>&1 || h_fail "a primeira instalação falhou"
  [ -f "$H_PROG/sonterra.exe" ] || h_fail "a instalação não pôs sonterra.exe em C:\\Sonterra"
  # The minute's tones in place of the shipped sounds and clips (the upgrade
  # puts back only the clips of other names).
  rm -f "$H_PROG"/HORA/* "$H_PROG"/AUDIO/*
  H_TONES=()
  local at
  read -r at _ <<<"$(w_next_minute 80)"
  w_bell_and_clips "$at" 1.5
  h_write_lines "$(h_day_file "$at")" "$(w_entry "$(date -d "@$at" +%H:%M)" + "$H_PROG/AUDIO/sino.wav")"
  printf '1' >"$H_PROG/SOM.INI"

  w_start sonterra.exe
  local first
  for _ in $(seq 300); do first=$(w_program_pid) && break; sleep 0.1; done
  [ -n "$first" ] || h_fail "o programa não subiu"
  # The splash, then the window, hidden at the first tick: a busy PC is slow.
  sleep 10
  [ -z "$(w_window --visible "$MAIN_TITLE")" ] || h_fail "ativo, o programa abriu a janela"

  local t0 rc=0 second
  t0=$(date +%s.%N)
  w_wine "$W_SETUP" /S >>"$H_WORK/wine.log" 2>&1 || rc=$?
  [ "$rc" -eq 0 ] || h_fail "a atualização silenciosa terminou com $rc"
  h_log "atualização silenciosa: $(h_calc "$(date +%s.%N) - $t0") s"
  ! kill -0 "$first" 2>/dev/null || h_fail "a cópia aberta não foi fechada"
  for _ in $(seq 300); do second=$(w_program_pid) && break; sleep 0.1; done
  [ -n "$second" ] || h_fail "depois da atualização silenciosa o Sonterra não voltou a rodar"
  [ "$(w_program_pids | wc -l)" -eq 1 ] || h_fail "$(w_program_pids | wc -l) cópias rodando"
  h_sleep_until "$(h_calc "$(date +%s.%N) + 10")"
  [ -z "$(w_window --visible "$MAIN_TITLE")" ] || h_fail "reaberto pela atualização, a janela apareceu"
  [ "$(cat "$H_PROG/SOM.INI")" = 1 ] || h_fail "a atualização mudou SOM.INI"
  h_log "ok: a atualização fechou o programa e o abriu de novo, oculto e ativo"
  [ "$(date +%s)" -lt $((at - 4)) ] || h_fail "a preparação passou do minuto $(date -d "@$at" +%T)"

  h_sleep_until "$(h_calc "$at - 10")"
  h_record_start
  h_sleep_until "$(h_calc "$at + 4.5")"
  w_program_pid >/dev/null || h_fail "o programa saiu"
  # Upgraded again inside the minute it rang: back, and that minute not rung twice.
  w_wine "$W_SETUP" /S >>"$H_WORK/wine.log" 2>&1 || h_fail "a segunda atualização silenciosa falhou"
  local third
  for _ in $(seq 300); do third=$(w_program_pid) && break; sleep 0.1; done
  [ -n "$third" ] || h_fail "depois da segunda atualização o Sonterra não voltou a rodar"
  sleep 8
  [ "$(date +%s)" -lt $((at + 58)) ] || h_fail "a segunda atualização passou do minuto $(date -d "@$at" +%T)"
  w_stop_program
  h_record_stop
  w_expect_bell_then_clip "$at"
  h_expect_rung_once bell 1.5
}

# Sourced (to try a function by hand), it only defines.
[ "${BASH_SOURCE[0]}" = "$0" ] || return 0
[ $# -ge 2 ] || { echo "uso: $0 PASTA_WINDOWS CASO..." >&2; exit 2; }
folder=$(cd "$1" && pwd); shift
for c in "$@"; do
  declare -F "case_$c" >/dev/null || { echo "caso desconhecido: $c" >&2; exit 2; }
done
w_init "$folder"
for c in "$@"; do
  h_log "caso $c (Wine)"
  h_attempts "case_$c"
  h_log "passou: $c"
done
