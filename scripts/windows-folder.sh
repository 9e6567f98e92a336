#!/usr/bin/env bash
# Gathers the Windows program folder a school copies to its PC: sonterra.exe,
# the DLLs it loads (found by walking the import tables, so no others), Qt's
# windows platform and JPEG plugins, Qt's Brazilian Portuguese texts, the
# sample bells and the spoken-time clips.
#   usage: scripts/windows-folder.sh BUILD_DIR DEPS_PREFIX OUT_DIR
set -euo pipefail
build=$1 deps=$2 out=$3
here=$(cd "$(dirname "$0")" && pwd)
objdump=x86_64-w64-mingw32-objdump
gcc_dir=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
dll_dirs=("$deps/bin" "$gcc_dir" /usr/x86_64-w64-mingw32/lib)

mkdir -p "$out/platforms" "$out/imageformats" "$out/styles" "$out/translations"
# Without its debugging sections (20 MB of the 20.5).
x86_64-w64-mingw32-strip -o "$out/sonterra.exe" "$build/sonterra.exe"
cp -f "$deps/plugins/platforms/qwindows.dll" "$out/platforms/"
cp -f "$deps/plugins/imageformats/qjpeg.dll" "$out/imageformats/"
if [ -f "$deps/plugins/styles/qwindowsvistastyle.dll" ]; then
  cp -f "$deps/plugins/styles/qwindowsvistastyle.dll" "$out/styles/"
fi
cp -f /usr/share/qt6/translations/qtbase_pt_BR.qm "$out/translations/"
# Qt looks for its plugins and texts beside the program, not in the prefix
# it was built for.
printf '[Paths]\nPrefix=.\nPlugins=.\nTranslations=translations\n' >"$out/qt.conf"

# The DLLs the program and its plugins import, and theirs, that are not the
# system's own.
declare -A seen=()
queue=("$out/sonterra.exe" "$out"/platforms/*.dll "$out"/imageformats/*.dll "$out"/styles/*.dll)
while [ ${#queue[@]} -gt 0 ]; do
  file=${queue[0]}; queue=("${queue[@]:1}")
  [ -e "$file" ] || continue
  while read -r dll; do
    key=${dll,,}
    [ -z "${seen[$key]:-}" ] || continue
    seen[$key]=1
    for d in "${dll_dirs[@]}"; do
      if [ -f "$d/$dll" ]; then
        cp -f "$d/$dll" "$out/"
        queue+=("$out/$dll")
        break
      fi
    done
  done < <("$objdump" -p "$file" | sed -n 's/^\s*DLL Name: //p')
done

"$here/make-sounds.sh" "$out" >/dev/null
echo "$out"
