#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12 (with --run:
# building and running only); does nothing when everything is already there.
# Safe to run as root without a terminal.
#   usage: scripts/install-deps.sh [--run] [--list]
set -euo pipefail

# What building and running the program need (./run.sh: --run)...
run_packages=(
  build-essential cmake ninja-build pkg-config ccache
  qt6-base-dev qt6-base-dev-tools libqt6svg6 qt6-qpa-plugins qt6-translations-l10n
  libavformat-dev libavcodec-dev libswresample-dev libavutil-dev
  libsdl2-dev libpulse-dev
  sox libsox-fmt-mp3 espeak-ng  # the sample bells and spoken-time clips
  locales  # Brazil's formats to run with; the package compiles its own copy from it
  perl-base  # scripts/place-files; part of every Debian system
)
# ...and what testing needs too: sound servers, X, Wine, MinGW, NSIS, clang,
# the package's checks.
test_packages=(
  libgtest-dev libgmock-dev
  pulseaudio pulseaudio-utils
  pipewire pipewire-pulse wireplumber dbus-daemon
  xvfb xauth x11-apps trayer imagemagick xdotool xclip
  faketime ffmpeg
  desktop-file-utils libglib2.0-bin x11-utils
  systemd
  clang libclang-rt-14-dev clang-format
  g++-mingw-w64-x86-64 g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
  wine64 fonts-wine googletest  # fonts-wine: Wine draws its Tahoma, not a serif stand-in
  dpkg-dev patch nsis
  lintian debootstrap strace
)
packages=("${run_packages[@]}")
[ "${1:-}" = --run ] || packages+=("${test_packages[@]}")
# --list (after --run or alone) names them and installs nothing.
if [ "${2:-${1:-}}" = --list ]; then
  printf '%s\n' "${packages[@]}"
  exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

missing=()
for p in "${packages[@]}"; do
  if ! grep -q 'install ok installed' <<<"$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null)"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The program refuses regional formats other than day/month/year with a 24-hour
# clock; pt_BR is what it is run with, en_US is used by the tests, ru_RU gives
# the Windows tests under Wine a Cyrillic ANSI code page (1251).
need_locales=()
for l in pt_BR.utf8 en_US.utf8 ru_RU.utf8; do
  grep -qx "$l" <<<"$(locale -a 2>/dev/null)" || need_locales+=("$l")
done
if [ ${#need_locales[@]} -gt 0 ]; then
  "${sudo_cmd[@]}" sed -i -E 's/^# ?(pt_BR.UTF-8 UTF-8|en_US.UTF-8 UTF-8|ru_RU.UTF-8 UTF-8)/\1/' /etc/locale.gen
  "${sudo_cmd[@]}" locale-gen >/dev/null
fi
