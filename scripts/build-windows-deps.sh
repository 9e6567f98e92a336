#!/usr/bin/env bash
# Builds Qt (qtbase), FFmpeg and SDL2 for 64-bit Windows with Debian's MinGW
# compilers, from Debian's own source packages, into a prefix outside the
# checkout, and prints that prefix on stdout (progress goes to stderr).
# The prefix is keyed by the Debian source versions, the MinGW compiler and
# the recipe (scripts/windows-deps/), and reused while the key holds.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
recipe_dir=$here/windows-deps
say() { echo "build-windows-deps: $*" >&2; }

# The sources are the versions of the host's own packages: qtbase must match
# the host Qt whose tools (moc, rcc, uic) build it.
srcver() { dpkg-query -W -f='${source:Version}' "$1"; }
qt_ver=$(srcver qt6-base-dev)
ffmpeg_ver=$(srcver libavcodec-dev)
sdl_ver=$(srcver libsdl2-dev)
gcc_ver=$(dpkg-query -W -f='${Version}' g++-mingw-w64-x86-64-posix)
recipe_hash=$(cat "$recipe_dir"/* | sha256sum | cut -c1-12)
key=$(printf '%s\n' "$qt_ver" "$ffmpeg_ver" "$sdl_ver" "$gcc_ver" "$recipe_hash" |
  sha256sum | cut -c1-16)

cache=${SONTERRA_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/sonterra}
prefix=$cache/mingw-$key
mkdir -p "$cache"

# One builder at a time; a second caller waits and then reuses its result.
exec 9>"$cache/mingw.lock"
flock 9

if [ -f "$prefix/.complete" ]; then
  say "reusing $prefix (built in $(cat "$prefix/.complete") s)"
  echo "$prefix"
  exit 0
fi

# apt-get source needs deb-src entries beside the system's deb ones: they go
# in a file of our own, and the system's files stay as they are.
if ! grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    # Each stanza of deb entries again, for deb-src.
    awk 'BEGIN { RS = ""; ORS = "\n\n" }
         /(^|\n)Types:[^\n]*deb([ \t]|\n|$)/ {
           sub(/(^|\n)Types:[^\n]*/, "\nTypes: deb-src"); sub(/^\n/, ""); print }' \
      /etc/apt/sources.list.d/debian.sources |
      "${sudo_cmd[@]}" tee /etc/apt/sources.list.d/sonterra-src.sources >/dev/null
  else
    grep -E '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' |
      "${sudo_cmd[@]}" tee /etc/apt/sources.list.d/sonterra-src.list >/dev/null
  fi
  say "added deb-src entries"
  "${sudo_cmd[@]}" apt-get update -qq
fi

# An interrupted build resumes: each library's build folder and a mark for
# each library installed stay until the whole prefix is complete.
work=$cache/work-$key
mkdir -p "$work" "$prefix"
log=$cache/mingw-$key.log
failed() {
  local rc=$?
  if [ "$rc" -ne 0 ] && [ -s "$log" ]; then
    tail -n 40 "$log" >&2
    say "failed; the whole log is $log"
  fi
}
trap failed EXIT
src=$work/src
mkdir -p "$src"
for p in "qt6-base=$qt_ver" "ffmpeg=$ffmpeg_ver" "libsdl2=$sdl_ver"; do
  name=${p%%=*}
  [ ! -d "$src/$name" ] || continue
  say "fetching the $name source ($p)"
  (cd "$src" && apt-get source -qq --download-only "$p" >/dev/null 2>&1 ||
    { apt-get update -qq && apt-get source -qq --download-only "$p" >/dev/null; })
  dsc=$(ls "$src"/"$name"_*.dsc)
  rm -rf "$src/$name.tmp"
  dpkg-source --no-check -x "$dsc" "$src/$name.tmp" >/dev/null 2>>"$log"
  for patch in "$recipe_dir/$name"--*.patch; do
    [ -e "$patch" ] || continue
    say "applying $(basename "$patch")"
    patch -d "$src/$name.tmp" -p1 <"$patch" >/dev/null
  done
  mv "$src/$name.tmp" "$src/$name"
done

jobs=$(nproc 2>/dev/null || echo 2)
export CCACHE_DISABLE=1
# shellcheck source=windows-deps/recipe.sh
. "$recipe_dir"/recipe.sh
# The compilers' warnings go to the log, shown when a build fails.
for lib in ffmpeg sdl qt; do
  [ ! -f "$prefix/.built-$lib" ] || continue
  t=$(date +%s)
  say "building $lib (log: $log)"
  "build_$lib" 2>>"$log"
  echo "$(($(date +%s) - t))" >"$prefix/.built-$lib"
  say "$lib built in $(cat "$prefix/.built-$lib") s"
done
rm -rf "$work"

took=$(cat "$prefix"/.built-* | awk '{ s += $1 } END { print s }')
echo "$took" >"$prefix/.complete"
rm -f "$log"
say "built $prefix in $took s ($(du -sh "$prefix" | cut -f1))"
echo "$prefix"
