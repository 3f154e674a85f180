#!/usr/bin/env bash
# Builds the client, starts the local demo service on loopback and runs the client against it.
# CORVANE_BUILD_DIR chooses another build folder than build/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${CORVANE_BUILD_DIR:-$root/build}"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$build"

cache_value() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
python3 "$root/demo_service/server.py" \
  --webapp-origin "$(cache_value CORVANE_WEBAPP_ORIGIN)" \
  --marketing-origin "$(cache_value CORVANE_MARKETING_ORIGIN)" &
service=$!
trap 'kill $service 2>/dev/null; wait $service 2>/dev/null || true' EXIT
# The client's first page comes from the service: start it once the service listens.
for _ in $(seq 1 100); do
  (exec 3<>"/dev/tcp/127.0.0.1/$(cache_value CORVANE_WEBAPP_ORIGIN | sed 's/.*://')") 2>/dev/null && break
  sleep 0.1
done
"$build/bin/corvane"
# The service keeps its accounts and logins while it runs, so a restarted client finds them.
while [ -t 0 ] && read -r -p "Press Enter to start the client again, Ctrl+C to end the demo. "; do
  "$build/bin/corvane"
done
