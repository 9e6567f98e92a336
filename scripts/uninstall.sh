#!/usr/bin/env bash
# Takes Sonterra out: the menu entry, its icon, the automatic start at logon
# and the program file (for all: also the pointer and the program folder).
# The schedule (SOM.INI, the .PR2 files), AUDIO/ and HORA/ stay unless --purge
# is given, and even then only what Sonterra made goes: the schedule, the
# spoken-time clips and the sample bells; the school's own files stay, listed.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=scripts/install-lib.sh
. "$repo/scripts/install-lib.sh"

usage() {
  cat <<EOF
uso: $0 [--purge] [--force] [PASTA]          (PASTA: ~/Sonterra)
     $0 --system [--data DADOS] [--prefix PREFIXO] [--purge] [--force] [PASTA]
                                             (PASTA: /opt/Sonterra, DADOS: /var/opt/Sonterra)
     --purge   apaga também a programação (SOM.INI, os .PR2), as falas de HORA/
               e os sinais de exemplo de AUDIO/; o resto fica
     --force   fecha sem perguntar os Sonterra abertos desta pasta
EOF
}

parse_install_args uninstall "$@"
if [ "$system" = 1 ] && [ "$(id -u)" -ne 0 ]; then
  echo "uninstall: --system precisa do root (sudo $0 --system ...)" >&2
  echo "uninstall: --system needs root (sudo $0 --system ...)" >&2
  exit 1
fi

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
  echo "uninstall: $entry inicia o Sonterra de outra pasta ($("$entry_folder" "$entry")); ficou"
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

# The program writes its autostart entry with the schedule's folder as Path.
for_this() { entry_is_for_folder "$1" "$folder" || entry_is_for_folder "$1" "$data"; }
if for_this "$autostart_file"; then
  rm -f "$autostart_file"
  removed+=("$autostart_file")
fi
# Every operator of a shared install may have one. Root removes those that
# are plainly that account's own file; any other is named.
if [ "$system" = 1 ]; then
  while IFS=: read -r _ _ uid _ _ home _; do
    f=$home/.config/autostart/$autostart_name
    if [ -z "$home" ] || [ "$f" = "$autostart_file" ] || ! for_this "$f"; then continue; fi
    if [ ! -L "$f" ] && [ "$(stat -c %u -- "$f")" = "$uid" ] &&
      [ -n "$("$place_files" remove "$home/.config/autostart" "$autostart_name" 2>/dev/null)" ]; then
      removed+=("$f")
    else
      # An account's file name may hold anything, escapes for root's terminal too.
      printf 'uninstall: ficou a entrada de início automático de outra conta: %q (apague-a)\n' "$f"
      printf "uninstall: another account's autostart entry remains: %q (delete it)\n" "$f"
    fi
  done < <(getent passwd)
fi

program_files=(sonterra .sonterra.new)
[ "$system" = 0 ] || program_files+=("$pointer_name")
if [ -d "$folder" ] && [ ! -L "$folder" ]; then
  while IFS= read -r f; do removed+=("$folder/$f"); done < <("$place_files" remove "$folder" "${program_files[@]}")
  if [ "$system" = 1 ] && rmdir -- "$folder" 2>/dev/null; then removed+=("pasta $folder"); fi
fi

for r in "${removed[@]}"; do echo "uninstall: removido: $r"; done
[ ${#removed[@]} -gt 0 ] || echo "uninstall: nada instalado para $folder"

[ -d "$data" ] && [ ! -L "$data" ] || exit 0
schedule=(SOM.INI 01.PR2 02.PR2 03.PR2 04.PR2 05.PR2 06.PR2 07.PR2)
kept=()
for f in "${schedule[@]}" auto_execute.exe AUDIO HORA; do
  [ -e "$data/$f" ] && kept+=("$f")
done
if [ "$purge" = 0 ]; then
  if [ ${#kept[@]} -gt 0 ]; then
    echo "uninstall: mantidos em $data: ${kept[*]} (para apagar também: --purge)"
  fi
  exit 0
fi

# What Sonterra made: the program's schedule, the clips and sample bells of
# make-sounds.sh. Removed through the folders' own descriptors: a link planted
# in place of AUDIO/ or HORA/ is never followed.
gone=()
while IFS= read -r f; do gone+=("$f"); done < <("$place_files" remove "$data" "${schedule[@]}")
# The program's one-copy lock: nothing to list.
"$place_files" remove "$data" .sonterra.lock >/dev/null
if [ -d "$data/HORA" ] && [ ! -L "$data/HORA" ]; then
  clips=$("$repo/scripts/make-sounds.sh" --texts | cut -f1 |
    xargs -d '\n' "$place_files" remove "$data/HORA" | wc -l)
  [ "$clips" -eq 0 ] || gone+=("$clips falas de HORA/")
  rmdir -- "$data/HORA" 2>/dev/null && gone+=("HORA/")
fi
if [ -d "$data/AUDIO" ] && [ ! -L "$data/AUDIO" ]; then
  while IFS= read -r f; do gone+=("AUDIO/$f"); done < <("$place_files" remove "$data/AUDIO" \
    sinal-entrada.wav sinal-entrada.mp3 sinal-curto.wav sinal-curto.mp3 sinal-saida.wav sinal-saida.mp3)
  rmdir -- "$data/AUDIO" 2>/dev/null && gone+=("AUDIO/")
fi
[ ${#gone[@]} -eq 0 ] || echo "uninstall: apagados de $data: ${gone[*]}"
if rmdir -- "$data" 2>/dev/null; then
  echo "uninstall: pasta $data removida"
else
  echo "uninstall: $data ficou; ainda tem: $(find "$data" -mindepth 1 \( ! -type d -o -empty \) -printf '%P\n' |
    sort | paste -sd '|' | sed 's/|/, /g')"
  echo "uninstall: $data stays; it still holds the files above, which Sonterra did not make"
fi
