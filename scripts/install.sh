#!/usr/bin/env bash
# Installs Sonterra for everyday use: the program into a program folder of
# the operator's choosing (where the schedule lives), the sample bells and
# spoken-time clips there when missing, and a menu entry with its icon.
# Run again to update: only the program file is replaced.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=scripts/install-lib.sh
. "$repo/scripts/install-lib.sh"

usage() {
  cat <<EOF
uso: $0 [PASTA]                 instala para este usuário (PASTA: ~/Sonterra)
     $0 --system [--group GRUPO] [--prefix PREFIXO] [PASTA]
                                 instala para todos (PASTA: /opt/Sonterra,
                                 gravável pelo GRUPO, padrão users; menu em
                                 PREFIXO/share, padrão /usr/local)
     --build-dir DIR             usa o programa já compilado em DIR
EOF
}

parse_install_args install "$@"

if [ -z "$build_dir" ]; then
  "$repo/scripts/install-deps.sh"
  "$repo/scripts/build.sh" sonterra sonterra-formats
  build_dir=$repo/build
fi
program=$build_dir/sonterra
[ -x "$program" ] || { echo "install: $program não existe; compile antes" >&2; exit 1; }
if [ "$system" = 1 ] && ! mkdir -p "$apps_dir" 2>/dev/null; then
  echo "install: sem permissão em $data_dir; rode como root (sudo $0 --system ...)" >&2
  exit 1
fi
if [ "$system" = 1 ] && ! getent group "$group" >/dev/null; then
  echo "install: o grupo '$group' não existe (escolha outro com --group)" >&2
  exit 1
fi

# --- The program folder ------------------------------------------------------
mkdir -p "$folder"
# A new name first and then a rename: a running program keeps its old file,
# and a half-copied program is never started.
cp -f "$program" "$folder/.sonterra.new"
chmod 755 "$folder/.sonterra.new"
mv -f -T "$folder/.sonterra.new" "$folder/sonterra"
"$repo/scripts/make-sounds.sh" "$folder"

if [ "$system" = 1 ]; then
  # Every operator of the group edits the same schedule. The program replaces
  # its files by renaming, which the folder's write permission allows; the
  # set-group bit keeps new files in the group.
  chgrp -R "$group" "$folder"
  chmod -R g+rwX "$folder"
  find "$folder" -type d -exec chmod g+s {} +
fi

# --- The menu entry and its icon ---------------------------------------------
for png in "$repo"/resources/icons/hicolor/*/apps/"$icon_name".png; do
  size=$(basename "$(dirname "$(dirname "$png")")")
  install -D -m 644 "$png" "$icons_dir/$size/apps/$icon_name.png"
done
if [ -f "$icons_dir/icon-theme.cache" ] && command -v gtk-update-icon-cache >/dev/null; then
  gtk-update-icon-cache -q -f -t "$icons_dir" || true
else
  touch "$icons_dir"
fi

# String values of a desktop entry escape \, newlines, tabs and returns.
escape_value() {
  local s=${1//\\/\\\\}
  s=${s//$'\n'/\\n}; s=${s//$'\t'/\\t}; s=${s//$'\r'/\\r}
  printf '%s' "$s"
}
# One quoted Exec argument: ", `, $ and \ escaped inside the quotes, % doubled;
# the string escapes come on top, in escape_value.
exec_argument() {
  local s=${1//\\/\\\\}
  s=${s//\"/\\\"}; s=${s//\`/\\\`}; s=${s//\$/\\\$}; s=${s//%/%%}
  printf '"%s"' "$s"
}

# env -C takes the folder as an option's value: a folder name with "=" is
# never read as one more variable, no launcher has to honour Path, and what
# launchers check before starting (the first word, unexpanded) is plain.
exec_line="env -C $(exec_argument "$folder")"
formats=$build_dir/sonterra-formats
lc_note=
if ! [ -x "$formats" ] || ! "$formats" >/dev/null 2>&1; then
  # LC_ALL, when the session sets it, would win over LC_TIME.
  exec_line+=" -u LC_ALL LC_TIME=pt_BR.UTF-8"
  lc_note=" com LC_TIME=pt_BR.UTF-8 (os formatos regionais deste usuário seriam recusados)"
fi
exec_line+=" ./sonterra"

mkdir -p "$apps_dir"
entry=$apps_dir/$entry_name
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/$entry_name" <<EOF
[Desktop Entry]
Type=Application
Version=1.4
Name=Sonterra
GenericName=Sinais escolares
GenericName[en]=School bells
Comment=Toca os sinais nos horários de cada dia da semana e fala a hora certa
Comment[en]=Rings the bells at each weekday's times and speaks the time
Icon=$icon_name
TryExec=$(escape_value "$folder/sonterra")
Exec=$(escape_value "$exec_line")
Path=$(escape_value "$folder")
Terminal=false
StartupWMClass=sonterra
Categories=Utility;Clock;
Keywords=sinal;sirene;campainha;horário;escola;hora certa;
Keywords[en]=bell;school;schedule;timetable;
EOF
if command -v desktop-file-validate >/dev/null && ! desktop-file-validate "$work/$entry_name"; then
  echo "install: a entrada do menu saiu inválida" >&2
  exit 1
fi
install -m 644 "$work/$entry_name" "$entry.new"
mv -f -T "$entry.new" "$entry"
if command -v update-desktop-database >/dev/null; then
  update-desktop-database -q "$apps_dir" 2>/dev/null || true
fi

echo "install: Sonterra instalado em $folder"
echo "install: entrada do menu $entry$lc_note"
if [ "$system" = 1 ]; then
  echo "install: a pasta $folder é gravável pelo grupo $group"
fi
