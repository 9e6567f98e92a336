# What install.sh and uninstall.sh agree on: where the program folder, the
# menu entry, the icons and the autostart entry live. Sourced, not run.

# shellcheck shell=bash disable=SC2034  # the variables are the sourcing script's
entry_name=sonterra.desktop
icon_name=sonterra
autostart_name='Quorvel STV2.desktop'  # written by the program on "Ativar"

# Sets: system (0/1), prefix, group, purge, build_dir, folder, data_dir,
# apps_dir, icons_dir, autostart_file. $1 is the script's name for messages.
parse_install_args() {
  local me=$1; shift
  system=0 prefix=/usr/local group=users purge=0 build_dir='' folder=''
  while [ $# -gt 0 ]; do
    case $1 in
      --system) system=1 ;;
      --prefix) prefix=${2:?"$me: --prefix pede uma pasta"}; shift ;;
      --group) group=${2:?"$me: --group pede um grupo"}; shift ;;
      --build-dir) build_dir=${2:?"$me: --build-dir pede uma pasta"}; shift ;;
      --purge) purge=1 ;;
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
  # The menu entry and the autostart entry need the full path.
  case $folder in /*) ;; *) folder=$PWD/$folder ;; esac
  while [ "${#folder}" -gt 1 ] && [ "${folder%/}" != "$folder" ]; do folder=${folder%/}; done

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

# The value of KEY in the [Desktop Entry] group of FILE, with the string
# escapes undone (\s \n \t \r \\).
entry_value() { # file key
  awk -v key="$2" '
    /^\[/ { group = $0; next }
    group == "[Desktop Entry]" && index($0, key "=") == 1 {
      v = substr($0, length(key) + 2); out = ""
      for (i = 1; i <= length(v); i++) {
        c = substr(v, i, 1)
        if (c == "\\" && i < length(v)) {
          d = substr(v, ++i, 1)
          if (d == "s") c = " "; else if (d == "n") c = "\n"
          else if (d == "t") c = "\t"; else if (d == "r") c = "\r"; else c = d
        }
        out = out c
      }
      print out; exit
    }' "$1"
}

# True when the desktop entry FILE starts the program in FOLDER: its Path is
# the folder, with or without the trailing separator.
entry_is_for_folder() { # file folder
  local path
  [ -f "$1" ] || return 1
  path=$(entry_value "$1" Path)
  [ "${path%/}" = "$2" ]
}
