#!/usr/bin/env bash
# Installs Sonterra for one user, for everyday use: the program into a
# program folder of the user's, where the schedule lives too, with a menu
# entry and its icon. The sample bells and spoken-time clips are made when
# missing. Run again to update: only the program file is replaced.
# For every user of the machine, the Debian package is the install.
set -euo pipefail
umask 022
repo=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=scripts/install-lib.sh
. "$repo/scripts/install-lib.sh"

usage() {
  cat <<EOF
uso: $0 [--build-dir DIR] [PASTA]
     instala para este usuário em PASTA (padrão ~/Sonterra); com --build-dir,
     o programa já compilado em DIR
$for_everyone
EOF
}

parse_install_args install "$@"
check_own_folder install "$folder"

if [ -z "$build_dir" ]; then
  "$repo/scripts/install-deps.sh" --run
  SONTERRA_TESTS=0 "$repo/scripts/build.sh" sonterra sonterra-formats sonterra-entry
  build_dir=$repo/build
fi
[ -x "$build_dir/sonterra" ] || { echo "install: $build_dir/sonterra não existe; compile antes" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# What an install holds is listed once, in the install rules (packaging/),
# which the Debian package follows too: staged here, then placed below.
stage=$work/stage
cmake --install "$build_dir" --component program --prefix "$stage" >/dev/null

# --- The program folder ---------------------------------------------------------
# place-files writes each file under a fresh name of its own and renames it
# into place: a running program keeps its old file, a half-copied one is never
# started, and no link planted in the folder is followed.
mkdir -p -- "$folder"
"$place_files" put 755 "$folder" "$stage/lib/sonterra/sonterra"
"$repo/scripts/make-sounds.sh" "$folder"

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

lc_time=() lc_note=
if ! "$stage/lib/sonterra/sonterra-formats" >/dev/null 2>&1; then
  lc_time=(pt_BR.UTF-8)
  lc_note=" com LC_TIME=pt_BR.UTF-8 (os formatos regionais deste usuário seriam recusados)"
fi
mkdir -p "$apps_dir"
entry=$apps_dir/$entry_name
# The entry's text is the package's too (packaging/sonterra.desktop.in); the
# program's own writer of its logon entry fills in the keys that start the
# program of this folder.
"$stage/lib/sonterra/sonterra-entry" menu "$folder/sonterra" "$folder" "${lc_time[@]}" \
  <"$repo/packaging/sonterra.desktop.in" >"$work/$entry_name"
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
