#!/usr/bin/env bash
# Runs N seeded sessions of MINUTES minutes each of random user actions against the demo service
# (plus 200 kills of the program while it saves), printing each seed; a failing seed replays
# with: tests/soak/soak.py --seeds SEED ... Memory samples go to soak-memory.jsonl.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
sessions=${1:?usage: soak.sh SESSIONS MINUTES}
minutes=${2:?usage: soak.sh SESSIONS MINUTES}
build="${CORVANE_BUILD_DIR:-$root/build}"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$build"
cache_value() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
PYTHONDONTWRITEBYTECODE=1 xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" \
  python3 "$root/tests/soak/soak.py" --program "$build/bin/corvane" \
  --webapp-origin "$(cache_value CORVANE_WEBAPP_ORIGIN)" \
  --marketing-origin "$(cache_value CORVANE_MARKETING_ORIGIN)" \
  --sessions "$sessions" --seconds "$((minutes * 60))" --kill-saves 200 \
  --memory-log "${SOAK_MEMORY_LOG:-soak-memory.jsonl}"
