#!/usr/bin/env bash
# Installs what is missing, builds, and starts Sonterra from its program
# folder Sonterra/ (kept out of git: the schedule lives there).
set -euo pipefail
# ./run.sh --install [FOLDER] and --uninstall [FOLDER], for everyday use; a
# relative FOLDER is taken from where the command was typed.
case ${1:-} in
  --install) shift; exec "$(dirname "$0")/scripts/install.sh" "$@" ;;
  --uninstall) shift; exec "$(dirname "$0")/scripts/uninstall.sh" "$@" ;;
esac
cd "$(dirname "$0")"
# Only what building and running need: the test tools come with ./test.sh.
./scripts/install-deps.sh --run
SONTERRA_TESTS=0 ./scripts/build.sh sonterra sonterra-formats
mkdir -p Sonterra
cp -f build/sonterra Sonterra/sonterra.new
mv -f Sonterra/sonterra.new Sonterra/sonterra
if [ -x scripts/make-sounds.sh ]; then
  ./scripts/make-sounds.sh Sonterra
fi

# The program only accepts day/month/year dates and a 24-hour clock with
# leading zeros; when the user's own formats are otherwise, use Brazil's.
if ! build/sonterra-formats >/dev/null 2>&1; then
  export LC_TIME=pt_BR.UTF-8
  echo "run.sh: your regional formats would be refused; starting with LC_TIME=pt_BR.UTF-8"
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  export QT_QPA_PLATFORM=offscreen
  echo "run.sh: no display found; running on Qt's offscreen platform"
fi
cd Sonterra
exec ./sonterra
