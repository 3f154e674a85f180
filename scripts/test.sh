#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test: unit, end-to-end and ABI checks under
# a virtual X server, then the unit tests once more with AddressSanitizer and UBSan.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"

"$root/scripts/build.sh" "$root/build"
(cd "$root/build" &&
  xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --output-on-failure -j2 --timeout 600)

# Sanitizer pass: libraries and unit tests only, to keep it fast.
"$root/scripts/build.sh" "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DCORVANE_SANITIZE=ON \
  -DCORVANE_UNIT_TESTS_ONLY=ON
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd "$root/build-asan" &&
  xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --output-on-failure -j2 -L unit --timeout 600)
