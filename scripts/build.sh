#!/usr/bin/env bash
# Configures and builds the project into build/ (or the folder given as first argument).
# Further arguments are passed to CMake's configure step.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build"}
shift || true
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" "${generator[@]}" "$@" >/dev/null
else
  cmake -S "$root" -B "$build" "$@" >/dev/null
fi
cmake --build "$build" -j2
