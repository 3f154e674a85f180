#!/usr/bin/env bash
# Builds the Debian package corvane_<version>_<arch>.deb in build-package/ (or the build folder
# given first) and prints its path. Further arguments go to CMake's configure step; a
# production package names the service's origins there:
#   scripts/package.sh build-package -DCORVANE_WEBAPP_ORIGIN=https://... \
#     -DCORVANE_MARKETING_ORIGIN=https://...
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-"$root/build-package"}")
shift || true
"$root/scripts/build.sh" "$build" "$@"
rm -f "$build"/package/corvane_*.deb
(cd "$build" && cpack -G DEB -B "$build/package" >/dev/null)
ls "$build"/package/corvane_*.deb
