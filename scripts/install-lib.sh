# What install.sh and uninstall.sh agree on: where the program folder, the
# menu entry, the icons and the autostart entry live. Sourced, not run.

# shellcheck shell=bash disable=SC2034  # the variables are the sourcing script's
entry_name=sonterra.desktop
icon_name=sonterra
autostart_name='Quorvel STV2.desktop'  # written by the program on "Ativar"

pointer_name=sonterra.pasta           # in a shared install: where the schedule is
place_files=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/place-files
entry_folder=$(dirname "$place_files")/entry-folder

# Sets: system (0/1), prefix, group, purge, force, build_dir, folder (the
# program's), data (the schedule's: the same folder for one user), data_dir,
# apps_dir, icons_dir, autostart_file. $1 is the script's name for messages.
parse_install_args() {
  local me=$1; shift
  system=0 prefix=/usr/local group=sonterra purge=0 force=0 build_dir='' folder='' data=''
  while [ $# -gt 0 ]; do
    case $1 in
      --system) system=1 ;;
      --prefix) prefix=${2:?"$me: --prefix pede uma pasta"}; shift ;;
      --group) group=${2:?"$me: --group pede um grupo"}; shift ;;
      --data) data=${2:?"$me: --data pede uma pasta"}; shift ;;
      --build-dir) build_dir=${2:?"$me: --build-dir pede uma pasta"}; shift ;;
      --purge) purge=1 ;;
      --force) force=1 ;;
      -h | --help) usage; exit 0 ;;
      --) shift; folder=${1:-}; break ;;
      -*) echo "$me: opção desconhecida: $1" >&2; usage >&2; exit 2 ;;
      *) [ -z "$folder" ] || { usage >&2; exit 2; }; folder=$1 ;;
    esac
    shift
  done

  if [ -z "$folder" ]; then
    if [ "$system" = 1 ]; then folder=/opt/Sonterra; else folder=$HOME/Sonterra; fi
  fi
  if [ "$system" = 1 ]; then
    [ -n "$data" ] || data=/var/opt/Sonterra
  else
    [ -z "$data" ] || { echo "$me: --data só com --system" >&2; exit 2; }
    data=$folder
  fi
  folder=$(full_path "$folder")
  data=$(full_path "$data")

  if [ "$system" = 1 ]; then
    data_dir=$prefix/share
  else
    data_dir=${XDG_DATA_HOME:-}
    case $data_dir in /*) ;; *) data_dir=$HOME/.local/share ;; esac
  fi
  apps_dir=$data_dir/applications
  icons_dir=$data_dir/icons/hicolor

  # The program writes its autostart entry where this user's session looks.
  local config=${XDG_CONFIG_HOME:-}
  case $config in /*) ;; *) config=$HOME/.config ;; esac
  autostart_file=$config/autostart/$autostart_name
}

# The menu entry and the autostart entry need the full path; no trailing /.
full_path() {
  local f=$1
  case $f in /*) ;; *) f=$PWD/$f ;; esac
  while [ "${#f}" -gt 1 ] && [ "${f%/}" != "$f" ]; do f=${f%/}; done
  printf '%s' "$f"
}

# Names Sonterra puts in a program folder (kind "program": the program of a
# shared install alone; "data": the shared schedule; "user": both, one user's;
# "shared": an existing shared folder, where the operators' files are theirs).
# The hidden ones are the program's one-copy lock, the temporary files of the
# program and of this script, and .sonterra.new of older installers.
sonterra_name() { # kind name
  case $1:$2 in
    program:sonterra | program:"$pointer_name" | user:sonterra) return 0 ;;
    data:SOM.INI | data:0[1-7].PR2 | data:AUDIO | data:HORA | data:auto_execute.exe) return 0 ;;
    user:SOM.INI | user:0[1-7].PR2 | user:AUDIO | user:HORA | user:auto_execute.exe) return 0 ;;
    data:.sonterra.lock | user:.sonterra.lock) return 0 ;;
    *:.sonterra.new | *:.*.part | *:.SOM.INI.tmp* | *:.0[1-7].PR2.tmp*) return 0 ;;
  esac
  return 1
}

# The folders no installer may take as its own: the system's and every home.
system_or_home_folder() { # path (full, no trailing /)
  local real home p
  real=$(realpath -m -- "$1" 2>/dev/null || printf '%s' "$1")
  for p in "$1" "$real"; do
    [[ $p =~ ^/[^/]*$ || $p =~ ^/(usr|var)/[^/]+$ ]] && return 0
    case $p in
      /usr/local/bin | /usr/local/sbin | /usr/local/lib | /usr/local/lib64 | /usr/local/share | \
        /usr/local/etc | /usr/local/include | /usr/local/src | /usr/local/games | /usr/local/man | \
        /usr/local/libexec) return 0 ;;
    esac
    [ "$p" = "${HOME%/}" ] && return 0
    while IFS= read -r home; do
      [ -n "$home" ] && [ "$p" = "${home%/}" ] && return 0
    done < <(getent passwd | cut -d: -f6)
  done
  return 1
}

# Refuses (exit 1, Portuguese and English, nothing changed) a FOLDER that is a
# system or home folder, a link, not a folder, or holds what is not Sonterra's.
check_own_folder() { # me kind folder
  local me=$1 kind=$2 f=$3 name foreign=()
  if system_or_home_folder "$f"; then
    refuse "$me" "$f é uma pasta do sistema ou de um usuário; escolha uma pasta só do Sonterra" \
      "$f is a system or home folder; choose a folder of Sonterra's own"
  fi
  if [ -L "$f" ] || { [ -e "$f" ] && [ ! -d "$f" ]; }; then
    refuse "$me" "$f não é uma pasta (é um link ou um arquivo)" "$f is not a folder (a link or a file)"
  fi
  [ -d "$f" ] && [ "$kind" != shared ] || return 0
  while IFS= read -r -d '' name; do
    sonterra_name "$kind" "$name" || foreign+=("$name")
  done < <(find "$f" -mindepth 1 -maxdepth 1 -printf '%f\0')
  if [ ${#foreign[@]} -gt 0 ]; then
    refuse "$me" "$f tem arquivos que não são do Sonterra: ${foreign[*]}" \
      "$f holds files that are not Sonterra's: ${foreign[*]}"
  fi
}

# A shared install is only as safe as the folders above it: each must be
# root's and writable by no one else (or sticky, like /tmp).
check_root_path() { # me folder
  local me=$1 p owner mode kind
  p=$(dirname -- "$2")
  while :; do
    if [ -e "$p" ] || [ -L "$p" ]; then
      read -r owner mode kind < <(stat -c '%u %a %F' -- "$p")
      if [ "$owner" != 0 ] || [ "$kind" != directory ] ||
        { [ $((8#$mode & 022)) -ne 0 ] && [ $((8#$mode & 01000)) -eq 0 ]; }; then
        refuse "$me" "$p pode ser trocada por outra conta além do root (dono $owner, modo $mode)" \
          "$p can be swapped by an account other than root (owner $owner, mode $mode)"
      fi
    fi
    [ "$p" = / ] && break
    p=$(dirname -- "$p")
  done
}

refuse() { # me portuguese english
  echo "$1: recusado: $2" >&2
  echo "$1: refused: $3" >&2
  echo "$1: nada foi mudado / nothing was changed" >&2
  exit 1
}

# The value of KEY in the [Desktop Entry] group of FILE, with the string
# escapes undone (\s \n \t \r \\); at most 64 KiB of FILE is read.
entry_value() { # file key
  "$entry_folder" "$1" "$2"
}

# True when the desktop entry FILE starts the program in FOLDER, in any of
# the forms the program writes (Path=, env -C, the base64 shell line), with
# or without the trailing separator.
entry_is_for_folder() { # file folder
  local path
  [ -f "$1" ] || return 1
  path=$("$entry_folder" "$1") || return 1
  [ -n "$path" ] && [ "${path%/}" = "$2" ]
}
