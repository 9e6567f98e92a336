#!/usr/bin/env bash
# Installs Sonterra for everyday use, with a menu entry and its icon.
# For one user: the program into a program folder of the user's, where the
# schedule lives too. For all (--system, as root): the program in PASTA,
# root's and read-only, so that no operator can change what another one runs;
# the one shared schedule in DADOS, which the operators' group may change; and
# in PASTA a pointer, root's too, that sends the program there.
# The sample bells and spoken-time clips are made when missing. Run again to
# update: only the program file is replaced.
set -euo pipefail
umask 022
repo=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=scripts/install-lib.sh
. "$repo/scripts/install-lib.sh"

usage() {
  cat <<EOF
uso: $0 [PASTA]                 instala para este usuário (PASTA: ~/Sonterra)
     $0 --system [--group GRUPO] [--data DADOS] [--prefix PREFIXO] [PASTA]
                                 instala para todos: o programa em PASTA
                                 (padrão /opt/Sonterra), só do root; a
                                 programação em DADOS (padrão /var/opt/Sonterra),
                                 que o GRUPO (padrão sonterra, criado se faltar)
                                 pode mudar; menu em PREFIXO/share (/usr/local)
     --build-dir DIR             usa o programa já compilado em DIR
EOF
}

parse_install_args install "$@"

# --- Checks: nothing changes unless all pass -----------------------------------
if [ "$system" = 1 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "install: --system precisa do root (sudo $0 --system ...)" >&2
    echo "install: --system needs root (sudo $0 --system ...)" >&2
    exit 1
  fi
  case $group in
    users | root | adm | sudo | staff | wheel)
      refuse install "o grupo $group não é só dos operadores do Sonterra; use um grupo próprio (--group)" \
        "group $group is not the Sonterra operators' own; use a group of its own (--group)" ;;
  esac
  case $data/ in "$folder"/*) same=1 ;; *) same=0 ;; esac
  case $folder/ in "$data"/*) same=1 ;; esac
  [ "$same" = 0 ] || refuse install "PASTA ($folder) e DADOS ($data) têm de ser pastas separadas" \
    "PASTA ($folder) and DADOS ($data) must be separate folders"
  check_own_folder install program "$folder"
  # Once it is the group's shared folder, what operators put there is
  # theirs: the installer touches none of it.
  case $(stat -c '%u %G %a' -- "$data" 2>/dev/null) in
    "0 $group 2775" | "0 $group 2770") check_own_folder install shared "$data" ;;
    *) check_own_folder install data "$data" ;;
  esac
  # Any operator may rename HORA/ away and make a folder of its own in its
  # place: the clips are written only into root's own.
  if [ -L "$data/HORA" ] || { [ -e "$data/HORA" ] &&
    [ "$(stat -c '%u %F' -- "$data/HORA")" != "0 directory" ]; }; then
    refuse install "$data/HORA não é uma pasta do root (dono $(stat -c %U -- "$data/HORA")); renomeie-a e instale de novo" \
      "$data/HORA is not a folder of root's (owner $(stat -c %U -- "$data/HORA")); rename it and install again"
  fi
  check_root_path install "$folder"
  check_root_path install "$data"
else
  check_own_folder install user "$folder"
fi

if [ -z "$build_dir" ]; then
  "$repo/scripts/install-deps.sh" --run
  SONTERRA_TESTS=0 "$repo/scripts/build.sh" sonterra sonterra-formats
  build_dir=$repo/build
fi
[ -x "$build_dir/sonterra" ] || { echo "install: $build_dir/sonterra não existe; compile antes" >&2; exit 1; }
if [ "$system" = 1 ] && ! mkdir -p "$apps_dir" 2>/dev/null; then
  echo "install: sem permissão em $data_dir" >&2
  exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# What an install holds is listed once, in the install rules (packaging/),
# which the Debian package follows too: staged here, then placed below.
stage=$work/stage
cmake --install "$build_dir" --component program --prefix "$stage" >/dev/null
program=$stage/lib/sonterra/sonterra

# --- The program folder and the schedule's -------------------------------------
# place-files writes each file under a fresh name of its own and renames it
# into place: a running program keeps its old file, a half-copied one is never
# started, and no link planted in the folder is followed.
if [ "$system" = 1 ]; then
  if ! getent group "$group" >/dev/null; then
    groupadd --system "$group"
    echo "install: grupo $group criado / group $group created"
  fi
  # Only root may change what the program is and what it loads: the program,
  # and the folder where Qt also looks for plugins and qt.conf.
  mkdir -p -- "$(dirname -- "$folder")" "$(dirname -- "$data")"
  [ -d "$folder" ] || mkdir -- "$folder"
  chown -h root:root -- "$folder"
  chmod 755 -- "$folder"
  # The operators replace the schedule's files by renaming, which the
  # folder's write permission allows; the set-group bit keeps what they
  # write in the group. Closed to other accounts, which may not ring it.
  [ -d "$data" ] || mkdir -- "$data"
  chown -h root:"$group" -- "$data"
  chmod 2770 -- "$data"
  "$place_files" put 755 "$folder" "$program"
  printf '%s\n' "$data" >"$work/$pointer_name"
  "$place_files" put 644 "$folder" "$work/$pointer_name"
else
  mkdir -p -- "$folder"
  "$place_files" put 755 "$folder" "$program"
fi
"$repo/scripts/make-sounds.sh" "$data"

# --- The menu entry and its icon ---------------------------------------------
for png in "$stage"/share/icons/hicolor/*/apps/"$icon_name".png; do
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
formats=$stage/lib/sonterra/sonterra-formats
lc_note=
if ! [ -x "$formats" ] || ! "$formats" >/dev/null 2>&1; then
  # LC_ALL, when the session sets it, would win over LC_TIME.
  exec_line+=" -u LC_ALL LC_TIME=pt_BR.UTF-8"
  lc_note=" com LC_TIME=pt_BR.UTF-8 (os formatos regionais deste usuário seriam recusados)"
fi
exec_line+=" ./sonterra"

mkdir -p "$apps_dir"
entry=$apps_dir/$entry_name
# The entry's text is the package's too (packaging/sonterra.desktop.in); here
# it starts the program of this folder. No & in a value may stand for the
# match (bash 5.2).
shopt -u patsub_replacement 2>/dev/null || true
text=$(<"$repo/packaging/sonterra.desktop.in")
text=${text//@DESKTOP_TRYEXEC@/$(escape_value "$folder/sonterra")}
text=${text//@DESKTOP_EXEC@/$(escape_value "$exec_line")}
text=${text//@DESKTOP_PATH@/$(escape_value "$folder")}
printf '%s\n' "$text" >"$work/$entry_name"
if command -v desktop-file-validate >/dev/null && ! desktop-file-validate "$work/$entry_name"; then
  echo "install: a entrada do menu saiu inválida" >&2
  exit 1
fi
"$place_files" put 644 "$apps_dir" "$work/$entry_name"
if command -v update-desktop-database >/dev/null; then
  update-desktop-database -q "$apps_dir" 2>/dev/null || true
fi

echo "install: Sonterra instalado em $folder"
echo "install: entrada do menu $entry$lc_note"
if [ "$system" = 1 ]; then
  echo "install: o programa em $folder só o root muda; a programação em $data, o grupo $group"
  echo "install: only root may change the program in $folder; group $group, the schedule in $data"
  echo "install: para incluir uma pessoa no grupo: sudo gpasswd -a NOME $group (vale a partir do próximo login)"
  echo "install: to add a person to the group: sudo gpasswd -a NAME $group (from their next login)"
fi
