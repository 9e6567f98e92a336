#!/usr/bin/env bash
# Gathers the Windows program folder a school copies to its PC by the install
# rules of packaging/windows.cmake (sonterra.exe, the DLLs it loads, Qt's
# plugins and texts, the sample bells and the spoken-time clips), without
# debugging sections in anything that ships (libstdc++ alone: 23.7 MB with
# them, 2 MB without).
#   usage: scripts/windows-folder.sh BUILD_DIR OUT_DIR
set -euo pipefail
build=$1 out=$2
cmake --build "$build" --target sonterra_sounds >/dev/null
cmake --install "$build" --prefix "$out" >/dev/null
find "$out" \( -name '*.dll' -o -name '*.exe' \) -exec x86_64-w64-mingw32-strip --strip-unneeded {} +
echo "$out"
