#!/usr/bin/env bash
# Runs a command on a virtual X display of its own (Xvfb picks a free number), stopped when
# the command ends. Ends with 77, skipped, when no X server can start here.
set -u
if ! command -v Xvfb >/dev/null || ! command -v xprop >/dev/null; then
  echo "skipped: Xvfb and xprop (packages xvfb, x11-utils) are needed"
  exit 77
fi
number=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$number" >/dev/null 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; rm -f "$number"' EXIT
for _ in $(seq 100); do
  [ -s "$number" ] && break
  kill -0 "$server" 2>/dev/null || break
  sleep 0.1
done
if [ ! -s "$number" ]; then
  echo "skipped: no X server could start"
  exit 77
fi
DISPLAY=:$(head -n1 "$number") QT_QPA_PLATFORM=xcb "$@"
