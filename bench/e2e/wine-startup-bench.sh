#!/usr/bin/env bash
# Start-up of the Windows program under Wine, as a school PC starts it: from
# the moment just before `wine sonterra.exe` to the moment the X server maps
# the main window ("Quorvel Sonterra V2"), seen by bench_window_probe on a
# private Xvfb. Two figures, min/median/max of RUNS each: cold (Wine's server
# not running, as at logon) and warm (its server already up). The goal is
# under 1 s cold.
#
#   usage: bench/e2e/wine-startup-bench.sh [WINDOWS_FOLDER] [RUNS]
#   (the folder from scripts/test-windows.sh: build-windows-full/Sonterra;
#    the probe: cmake --build build --target bench_window_probe)
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
folder=$(cd "${1:-$root/build-windows-full/Sonterra}" && pwd)
runs=${2:-5}
probe=$root/build/bench/e2e/bench_window_probe
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
[ -x "$wine" ] || wine=$(command -v wine64)
[ -x "$wineserver" ] || wineserver=$(command -v wineserver)
for f in "$folder/sonterra.exe" "$probe"; do
  [ -x "$f" ] || [ -f "$f" ] || { echo "wine-startup-bench: falta $f" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/sonterra-wine-start.XXXXXX")
export WINEPREFIX=$work/wine WINEDEBUG=-all HOME=$work/home
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
# No sound card here: SDL's silent output, or the player's box would come first.
export SDL_AUDIODRIVER=dummy
mkdir -p "$HOME"
pids=()
cleanup() {
  "$wineserver" -k 2>/dev/null || true
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' TERM INT HUP
# shellcheck source=tests/tools/xvfb.sh
. "$root/tests/tools/xvfb.sh"
xvfb_start "$work"
pids+=("$XVFB_PID")
export DISPLAY=$XVFB_DISPLAY
wine_pt() { LANG=pt_BR.UTF-8 LC_ALL=pt_BR.UTF-8 "$wine" "$@"; }
wine_pt wineboot -i >/dev/null 2>&1 || true
"$wineserver" -w

cp -r "$folder" "$work/prog"
printf '0' >"$work/prog/SOM.INI" # inactive: the window stays up

# The sonterra.exe of this prefix, by its pid.
stop_program() {
  local p
  for p in /proc/[0-9]*; do
    grep -qi 'sonterra\.exe' <<<"$( { tr '\0' ' ' <"$p/cmdline"; } 2>/dev/null)" || continue
    grep -qxF "WINEPREFIX=$WINEPREFIX" <<<"$( { tr '\0' '\n' <"$p/environ"; } 2>/dev/null)" || continue
    kill "${p#/proc/}" 2>/dev/null || true
  done
}

# One start: seconds to the main window, or "failed".
one_start() {
  local ready word at title t0 main=''
  coproc PROBE { exec "$probe" "Quorvel Sonterra V2" 30; }
  read -r ready <&"${PROBE[0]}"
  [ "$ready" = ready ] || { echo failed; return; }
  t0=$EPOCHREALTIME
  (cd "$work/prog" && exec env LANG=pt_BR.UTF-8 LC_ALL=pt_BR.UTF-8 "$wine" sonterra.exe \
    >>"$work/app.log" 2>&1) &
  local app=$!
  while read -r word at title; do
    [ "$word" = mapped ] && [ "$title" = "Quorvel Sonterra V2" ] && main=$at
  done <&"${PROBE[0]}"
  stop_program
  wait "$app" 2>/dev/null || true
  [ -n "$main" ] || { echo failed; return; }
  awk -v t0="${t0/,/.}" -v m="$main" 'BEGIN { printf "%.3f\n", m - t0 }'
}

# The program's end takes the last icon from Wine's tray, whose window then
# closes; on a desktop with no window manager that holds Wine's desktop for
# 2 s, and a start in that time waits for it (a school PC starts the program
# once). The next warm start comes after the tray has gone.
tray_gone() {
  local _
  for _ in $(seq 50); do
    xdotool search --name '^Wine System Tray$' >/dev/null 2>&1 || return 0
    sleep 0.1
  done
}

figures() { # label times...
  local label=$1; shift
  printf '%s\n' "$@" | grep -v failed | sort -g | awk -v l="$label" '
    { v[NR] = $1 * 1000 }
    END {
      if (NR == 0) { printf "%s: nenhuma partida medida\n", l; exit }
      m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
      printf "%s: %.0f / %.0f / %.0f ms (mín/mediana/máx de %d)\n", l, v[1], m, v[NR], NR }'
}

cold=()
for run in $(seq "$runs"); do
  "$wineserver" -k 2>/dev/null || true
  "$wineserver" -w
  cold+=("$(one_start)")
  echo "  fria $run: ${cold[-1]} s" >&2
done
"$wineserver" -k 2>/dev/null || true
"$wineserver" -w
"$wineserver" -p 600
wine_pt cmd /c exit >/dev/null 2>&1 || true
warm=()
for run in $(seq "$runs"); do
  warm+=("$(one_start)")
  echo "  quente $run: ${warm[-1]} s" >&2
  tray_gone
done
figures "Partida sob Wine, servidor parado" "${cold[@]}"
figures "Partida sob Wine, servidor rodando" "${warm[@]}"
