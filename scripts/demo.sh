#!/usr/bin/env bash
# Builds the client, starts the local demo service on loopback and runs the client against it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$build"

cache_value() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
python3 "$root/demo_service/server.py" \
  --webapp-origin "$(cache_value CORVANE_WEBAPP_ORIGIN)" \
  --marketing-origin "$(cache_value CORVANE_MARKETING_ORIGIN)" &
service=$!
trap 'kill $service 2>/dev/null; wait $service 2>/dev/null || true' EXIT
"$build/bin/corvane"
