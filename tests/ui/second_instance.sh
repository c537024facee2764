#!/usr/bin/env bash
# Starts the program, then a second copy: the second must end at once with code 0, without
# disturbing the first.
set -u
exe=$1
cd "$2" || exit 1
trap 'kill "$first" 2>/dev/null; wait "$first" 2>/dev/null' EXIT
# The second start runs without the first's environment: the lock is per user, not per
# session.

XDG_RUNTIME_DIR=$(mktemp -d) "$exe" >/dev/null 2>&1 &
first=$!
# The lock is taken before any window; give the first copy time to reach that point.
uid=$(id -u)
home=$(getent passwd "$uid" | cut -d: -f6)
for _ in $(seq 50); do
  for lock in "$home/.cache/valvora/Nom de l application@$(hostname).lock" \
    "/run/user/$uid/Nom de l application.lock" "/tmp/valvora-$uid/Nom de l application.lock"; do
    [ -f "$lock" ] && ! flock -n "$lock" true && break 2
  done
  sleep 0.1
done

start=$(date +%s%N)
env -u XDG_RUNTIME_DIR timeout 5 "$exe" >/dev/null 2>&1
code=$?
elapsed_ms=$(( ($(date +%s%N) - start) / 1000000 ))

fail=0
if [ "$code" -ne 0 ]; then echo "second start ended with code $code"; fail=1; fi
if [ "$elapsed_ms" -gt 1000 ]; then echo "second start took ${elapsed_ms} ms"; fail=1; fi
if ! kill -0 "$first" 2>/dev/null; then echo "the first instance did not survive"; fail=1; fi
[ "$fail" -eq 0 ] && echo "second start ended with code 0 after ${elapsed_ms} ms; first still running"
exit "$fail"
