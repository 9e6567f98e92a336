#!/usr/bin/env bash
# The real sonterra.exe and its setup program under Wine, from the folder and
# setup program that scripts/test-windows.sh made in build-windows-full/,
# recorded with the Linux build's tools. Most of it waits for real minutes
# (Wine keeps the real clock), so ./test.sh runs it beside other work.
set -euo pipefail
cd "$(dirname "$0")/.."
full=build-windows-full
for f in $full/Sonterra/sonterra.exe $full/sonterra-setup.exe; do
  [ -f "$f" ] || { echo "test-windows-cases: $f is missing (scripts/test-windows.sh makes it)" >&2; exit 1; }
done
if [ ! -x build/tests/e2e/e2e_tone_scan ] || [ ! -x build/tests/e2e/e2e_pcm_tap ]; then
  ./scripts/build.sh e2e_tone_scan e2e_pcm_tap
fi
export TONE_SCAN=$PWD/build/tests/e2e/e2e_tone_scan PCM_TAP=$PWD/build/tests/e2e/e2e_pcm_tap
# The main window and a box, as Wine draws them, are kept for a person to see.
W_SHOTS=$PWD/$full/wine-shots W_SETUP=$PWD/$full/sonterra-setup.exe bash tests/e2e/wine_cases.sh $full/Sonterra startup second_start \
  regional_en_us activate_logon_bell setup_upgrade_bell
bash tests/e2e/wine_setup_test.sh $full/sonterra-setup.exe
