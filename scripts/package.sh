#!/usr/bin/env bash
# Makes the Debian package by the install rules of packaging/, from build/
# (built here by scripts/build.sh) or from the build folder in
# SONTERRA_BUILD_DIR: <build>/package/sonterra_<version>-<release>_amd64.deb,
# whose path it prints. RELEASE (1) is the Debian revision: an upgrade
# raises it.
#   usage: scripts/package.sh deb [RELEASE]
set -euo pipefail
cd "$(dirname "$0")/.."
[ "${1:-}" = deb ] || { echo "uso: $0 deb [REVISÃO]" >&2; exit 2; }
release=${2:-1}
targets=(sonterra sonterra-formats sonterra_sounds sonterra_locale)
if [ -n "${SONTERRA_BUILD_DIR:-}" ]; then
  build=$SONTERRA_BUILD_DIR
  cmake --build "$build" --target "${targets[@]}" >/dev/null
else
  build=build
  ./scripts/build.sh "${targets[@]}" >/dev/null
fi
cd "$build"
mkdir -p package
log=package/cpack-$release.log
if ! cpack -G DEB -D CPACK_DEBIAN_PACKAGE_RELEASE="$release" >"$log" 2>&1; then
  cat "$log" >&2
  exit 1
fi
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' CPackConfig.cmake)
echo "$PWD/package/sonterra_${version}-${release}_amd64.deb"
