#!/usr/bin/env bash
# Takes Sonterra out: the menu entry, its icon, the automatic start at logon
# and the program file. The schedule (SOM.INI, the .PR2 files), AUDIO/ and
# HORA/ stay in the program folder unless --purge is given.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=scripts/install-lib.sh
. "$repo/scripts/install-lib.sh"

usage() {
  cat <<EOF
uso: $0 [--purge] [PASTA]          (PASTA: ~/Sonterra)
     $0 --system [--prefix PREFIXO] [--purge] [PASTA]   (PASTA: /opt/Sonterra)
     --purge   apaga também SOM.INI, os .PR2, AUDIO/ e HORA/
EOF
}

parse_install_args uninstall "$@"

removed=()
# The menu entry and the icons belong to the folder the entry starts; an
# entry that starts another folder's program is left alone.
entry=$apps_dir/$entry_name
if [ -f "$entry" ] && ! entry_is_for_folder "$entry" "$folder"; then
  echo "uninstall: $entry inicia o Sonterra de outra pasta ($(entry_value "$entry" Path)); ficou"
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

if entry_is_for_folder "$autostart_file" "$folder"; then
  rm -f "$autostart_file"
  removed+=("$autostart_file")
fi

if [ -d "$folder" ]; then
  for pid_dir in /proc/[0-9]*; do
    # Also one started before the last install replaced its file.
    case $(readlink "$pid_dir/exe" 2>/dev/null) in
      "$folder/sonterra" | "$folder/sonterra (deleted)")
        echo "uninstall: o Sonterra ainda está aberto (PID ${pid_dir#/proc/}); feche-o" ;;
    esac
  done
  for f in sonterra .sonterra.new; do
    if [ -e "$folder/$f" ]; then
      rm -f "$folder/$f"
      removed+=("$folder/$f")
    fi
  done
fi

for r in "${removed[@]}"; do echo "uninstall: removido: $r"; done
[ ${#removed[@]} -gt 0 ] || echo "uninstall: nada instalado para $folder"

[ -d "$folder" ] || exit 0
data=()
for f in SOM.INI 01.PR2 02.PR2 03.PR2 04.PR2 05.PR2 06.PR2 07.PR2 auto_execute.exe AUDIO HORA; do
  [ -e "$folder/$f" ] && data+=("$f")
done
if [ "$purge" = 0 ]; then
  if [ ${#data[@]} -gt 0 ]; then
    echo "uninstall: mantidos em $folder: ${data[*]} (para apagar também: --purge)"
  fi
  exit 0
fi
for f in "${data[@]}"; do rm -rf "${folder:?}/$f"; done
[ ${#data[@]} -eq 0 ] || echo "uninstall: apagados de $folder: ${data[*]}"
if rmdir "$folder" 2>/dev/null; then
  echo "uninstall: pasta $folder removida"
else
  echo "uninstall: $folder ficou; ainda tem: $(find "$folder" -mindepth 1 -maxdepth 1 -printf '%f ')"
fi
