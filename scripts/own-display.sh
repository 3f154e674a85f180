#!/usr/bin/env bash
# Runs a command on a virtual X server of its own. The server picks a free display number
# itself, so two of these starting at the same moment never end up on one server, as two
# "xvfb-run -a" can.
set -euo pipefail
coproc XSERVER { exec Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp -noreset 2>/dev/null; }
trap 'kill "$XSERVER_PID" 2>/dev/null || true' EXIT
if ! read -r -t 60 display <&"${XSERVER[0]}"; then
  echo "own-display: the X server did not start" >&2
  exit 1
fi
DISPLAY=":$display" "$@"
