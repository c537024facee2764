#!/usr/bin/env bash
# Starts the program, then a second copy: the second must end at once with code 0, without
# disturbing the first.
set -u
exe=$1
cd "$2" || exit 1
runtime=$(mktemp -d)
trap 'kill "$first" 2>/dev/null; wait "$first" 2>/dev/null; rm -rf "$runtime"' EXIT
export XDG_RUNTIME_DIR=$runtime

"$exe" >/dev/null 2>&1 &
first=$!
# The lock is taken before any window; give the first copy time to reach that point.
for _ in $(seq 50); do
  [ -n "$(ls -A "$runtime")" ] && break
  sleep 0.1
done

start=$(date +%s%N)
timeout 5 "$exe" >/dev/null 2>&1
code=$?
elapsed_ms=$(( ($(date +%s%N) - start) / 1000000 ))

fail=0
if [ "$code" -ne 0 ]; then echo "second start ended with code $code"; fail=1; fi
if [ "$elapsed_ms" -gt 1000 ]; then echo "second start took ${elapsed_ms} ms"; fail=1; fi
if ! kill -0 "$first" 2>/dev/null; then echo "the first instance did not survive"; fail=1; fi
[ "$fail" -eq 0 ] && echo "second start ended with code 0 after ${elapsed_ms} ms; first still running"
exit "$fail"
