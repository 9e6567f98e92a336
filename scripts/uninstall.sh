#!/usr/bin/env bash
# Takes Sonterra out of a user's program folder: the menu entry, its icon,
# the automatic start at logon and the program file (the Debian package goes
# with apt). The schedule (SOM.INI, the .PR2 files), AUDIO/ and HORA/ stay
# unless --purge is given, and even then only what Sonterra made goes: the
# schedule, the spoken-time clips and the sample bells; the school's own
# files stay, listed.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=scripts/install-lib.sh
. "$repo/scripts/install-lib.sh"

usage() {
  cat <<EOF
uso: $0 [--purge] [--force] [--build-dir DIR] [PASTA]    (PASTA: ~/Sonterra)
     --purge      apaga também a programação (SOM.INI, os .PR2), as falas de
                  HORA/ e os sinais de exemplo de AUDIO/; o resto fica
     --force      fecha sem perguntar os Sonterra abertos desta pasta
     --build-dir  lê as entradas com o sonterra-entry já compilado em DIR
$for_everyone
EOF
}

parse_install_args uninstall "$@"
# The menu and logon entries are read by the program's own reader.
if [ -z "$build_dir" ]; then
  build_dir=$repo/build
  [ -x "$build_dir/sonterra-entry" ] || SONTERRA_TESTS=0 "$repo/scripts/build.sh" sonterra-entry >/dev/null
fi
entries=$build_dir/sonterra-entry
[ -x "$entries" ] || { echo "uninstall: $entries não existe; compile antes" >&2; exit 1; }
# True when the desktop entry FILE starts its program in FOLDER, in any of the
# forms the program and its installers write; at most 64 KiB of it is read.
entry_is_for_folder() { # file folder
  local path
  [ -f "$1" ] && path=$("$entries" folder "$1") && [ -n "$path" ] && [ "${path%/}" = "$2" ]
}

# --- Running copies: nothing is removed under them ------------------------------
# A copy left running would write its autostart entry again on "OK".
running=()
for pid_dir in /proc/[0-9]*; do
  # Also one started before the last install replaced its file.
  case $(readlink "$pid_dir/exe" 2>/dev/null) in
    "$folder/sonterra" | "$folder/sonterra (deleted)") running+=("${pid_dir#/proc/}") ;;
  esac
done
if [ ${#running[@]} -gt 0 ]; then
  close=$force
  if [ "$close" = 0 ] && [ -t 0 ] && [ -t 1 ]; then
    read -r -p "uninstall: o Sonterra está aberto (PID ${running[*]}); fechá-lo e desinstalar? [s/N] " answer
    case $answer in s | S | sim | y | yes) close=1 ;; esac
  fi
  if [ "$close" = 0 ]; then
    echo "uninstall: o Sonterra ainda está aberto (PID ${running[*]}); feche-o ou use --force; nada foi removido" >&2
    echo "uninstall: Sonterra is still running (PID ${running[*]}); close it or use --force; nothing was removed" >&2
    exit 1
  fi
  kill -TERM "${running[@]}" 2>/dev/null || true
  for _ in $(seq 50); do
    alive=()
    for p in "${running[@]}"; do kill -0 "$p" 2>/dev/null && alive+=("$p"); done
    [ ${#alive[@]} -gt 0 ] || break
    sleep 0.1
  done
  [ ${#alive[@]} -eq 0 ] || kill -KILL "${alive[@]}" 2>/dev/null || true
  echo "uninstall: fechado: PID ${running[*]}"
fi

removed=()
# The menu entry and the icons belong to the folder the entry starts; an
# entry that starts another folder's program is left alone.
entry=$apps_dir/$entry_name
if [ -f "$entry" ] && ! entry_is_for_folder "$entry" "$folder"; then
  echo "uninstall: $entry inicia o Sonterra de outra pasta ($("$entries" folder "$entry")); ficou"
else
  if [ -f "$entry" ]; then
    rm -f "$entry"
    removed+=("$entry")
    if command -v update-desktop-database >/dev/null; then
      update-desktop-database -q "$apps_dir" 2>/dev/null || true
    fi
  fi
  icons=("$icons_dir"/*/apps/"$icon_name".png)
  if [ -e "${icons[0]}" ]; then
    rm -f "${icons[@]}"
    removed+=("${#icons[@]} ícones em $icons_dir")
    if [ -f "$icons_dir/icon-theme.cache" ] && command -v gtk-update-icon-cache >/dev/null; then
      gtk-update-icon-cache -q -f -t "$icons_dir" || true
    fi
  fi
fi

# The program's autostart entry starts it in this folder.
if entry_is_for_folder "$autostart_file" "$folder"; then
  rm -f "$autostart_file"
  removed+=("$autostart_file")
fi
if [ -d "$folder" ] && [ ! -L "$folder" ]; then
  while IFS= read -r f; do removed+=("$folder/$f"); done < <("$place_files" remove "$folder" sonterra .sonterra.new)
fi

for r in "${removed[@]}"; do echo "uninstall: removido: $r"; done
[ ${#removed[@]} -gt 0 ] || echo "uninstall: nada instalado para $folder"

[ -d "$folder" ] && [ ! -L "$folder" ] || exit 0
schedule=(SOM.INI 01.PR2 02.PR2 03.PR2 04.PR2 05.PR2 06.PR2 07.PR2)
kept=()
for f in "${schedule[@]}" auto_execute.exe AUDIO HORA; do
  [ -e "$folder/$f" ] && kept+=("$f")
done
if [ "$purge" = 0 ]; then
  if [ ${#kept[@]} -gt 0 ]; then
    echo "uninstall: mantidos em $folder: ${kept[*]} (para apagar também: --purge)"
  fi
  exit 0
fi

# What Sonterra made: the program's schedule, the clips and sample bells of
# make-sounds.sh. Removed through the folders' own descriptors: a link planted
# in place of AUDIO/ or HORA/ is never followed.
gone=()
while IFS= read -r f; do gone+=("$f"); done < <("$place_files" remove "$folder" "${schedule[@]}")
# The program's one-copy lock: nothing to list.
"$place_files" remove "$folder" .sonterra.lock >/dev/null
if [ -d "$folder/HORA" ] && [ ! -L "$folder/HORA" ]; then
  clips=$("$repo/scripts/make-sounds.sh" --texts | cut -f1 |
    xargs -d '\n' "$place_files" remove "$folder/HORA" | wc -l)
  [ "$clips" -eq 0 ] || gone+=("$clips falas de HORA/")
  rmdir -- "$folder/HORA" 2>/dev/null && gone+=("HORA/")
fi
if [ -d "$folder/AUDIO" ] && [ ! -L "$folder/AUDIO" ]; then
  while IFS= read -r f; do gone+=("AUDIO/$f"); done < <("$place_files" remove "$folder/AUDIO" \
    sinal-entrada.wav sinal-entrada.mp3 sinal-curto.wav sinal-curto.mp3 sinal-saida.wav sinal-saida.mp3)
  rmdir -- "$folder/AUDIO" 2>/dev/null && gone+=("AUDIO/")
fi
[ ${#gone[@]} -eq 0 ] || echo "uninstall: apagados de $folder: ${gone[*]}"
if rmdir -- "$folder" 2>/dev/null; then
  echo "uninstall: pasta $folder removida"
else
  echo "uninstall: $folder ficou; ainda tem: $(find "$folder" -mindepth 1 \( ! -type d -o -empty \) -printf '%P\n' |
    sort | paste -sd '|' | sed 's/|/, /g')"
  echo "uninstall: $folder stays; it still holds the files above, which Sonterra did not make"
fi
