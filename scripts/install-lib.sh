# What install.sh and uninstall.sh agree on: where the program folder, the
# menu entry, the icons and the autostart entry live. Sourced, not run.

# shellcheck shell=bash disable=SC2034  # the variables are the sourcing script's
entry_name=sonterra.desktop
icon_name=sonterra
autostart_name='Quorvel STV2.desktop'  # written by the program on "Ativar"

place_files=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/place-files
# shellcheck disable=SC2016  # the command as the user types it
for_everyone='para todos os usuários da máquina, o pacote Debian:
  sudo apt install "$(scripts/package.sh deb)"; sudo apt remove sonterra (ou purge)'

# Sets: purge, force, build_dir, folder (the program's, where the schedule
# lives too), apps_dir, icons_dir, autostart_file. $1 is the script's name
# for messages.
parse_install_args() {
  local me=$1; shift
  purge=0 force=0 build_dir='' folder=''
  while [ $# -gt 0 ]; do
    case $1 in
      --build-dir) build_dir=${2:?"$me: --build-dir pede uma pasta"}; shift ;;
      --purge) purge=1 ;;
      --force) force=1 ;;
      --system)
        # One install for all, the package: apt installs, upgrades and removes it.
        echo "$me: --system deu lugar ao pacote Debian; $for_everyone" >&2
        echo "$me: --system gave way to the Debian package (apt installs and removes it)" >&2
        exit 2 ;;
      -h | --help) usage; exit 0 ;;
      --) shift; folder=${1:-}; break ;;
      -*) echo "$me: opção desconhecida: $1" >&2; usage >&2; exit 2 ;;
      *) [ -z "$folder" ] || { usage >&2; exit 2; }; folder=$1 ;;
    esac
    shift
  done
  folder=$(full_path "${folder:-$HOME/Sonterra}")

  local data_dir=${XDG_DATA_HOME:-}
  case $data_dir in /*) ;; *) data_dir=$HOME/.local/share ;; esac
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

# Names Sonterra puts in a program folder. The hidden ones are the program's
# one-copy lock, the temporary files of the program and of this script, and
# .sonterra.new of older installers.
sonterra_name() { # name
  case $1 in
    sonterra | SOM.INI | 0[1-7].PR2 | AUDIO | HORA | auto_execute.exe | .sonterra.lock) return 0 ;;
    .sonterra.new | .*.part | .SOM.INI.tmp* | .0[1-7].PR2.tmp*) return 0 ;;
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
check_own_folder() { # me folder
  local me=$1 f=$2 name foreign=()
  if system_or_home_folder "$f"; then
    refuse "$me" "$f é uma pasta do sistema ou de um usuário; escolha uma pasta só do Sonterra" \
      "$f is a system or home folder; choose a folder of Sonterra's own"
  fi
  if [ -L "$f" ] || { [ -e "$f" ] && [ ! -d "$f" ]; }; then
    refuse "$me" "$f não é uma pasta (é um link ou um arquivo)" "$f is not a folder (a link or a file)"
  fi
  [ -d "$f" ] || return 0
  while IFS= read -r -d '' name; do
    sonterra_name "$name" || foreign+=("$name")
  done < <(find "$f" -mindepth 1 -maxdepth 1 -printf '%f\0')
  if [ ${#foreign[@]} -gt 0 ]; then
    refuse "$me" "$f tem arquivos que não são do Sonterra: ${foreign[*]}" \
      "$f holds files that are not Sonterra's: ${foreign[*]}"
  fi
}

refuse() { # me portuguese english
  echo "$1: recusado: $2" >&2
  echo "$1: refused: $3" >&2
  echo "$1: nada foi mudado / nothing was changed" >&2
  exit 1
}
