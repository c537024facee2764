#!/usr/bin/env bash
# Starts the program with a job sheet, which it opens; then a second copy: without a file the
# second must end at once with code 0, without disturbing the first; with a sheet it hands it
# to the first, which opens it, and ends with code 0 too. Both run in a user and mount namespace of their own, over empty
# /tmp, /run/user and home folder: the lock they meet is theirs, never that of a copy the
# user has open, nor that of another run of this test.
set -u
exe=$1
source=$2

if [ "${VALVORA_OWN_LOCK_PLACE:-}" != 1 ]; then
  if ! unshare --user --map-root-user --mount true 2>/dev/null; then
    echo "skipped: no user namespace can be made here"
    exit 77
  fi
  exec unshare --user --map-root-user --mount env VALVORA_OWN_LOCK_PLACE=1 bash "$0" "$@"
fi

HOME=$(getent passwd "$(id -u)" | cut -d: -f6)
# The folders the test replaces may hold the program and its data (a clone under /tmp): they
# are set aside on a private stash first and put back at their places afterwards.
keep=()
for path in "$(realpath "$(dirname "$exe")")" "$(realpath "$source")"; do
  case $path/ in /tmp/* | /run/user/* | "$HOME"/*) keep+=("$path") ;; esac
done
stash=/mnt
if [ "${#keep[@]}" -gt 0 ]; then
  mount -t tmpfs tmpfs "$stash" || exit 1
  for i in "${!keep[@]}"; do
    mkdir -p "$stash/$i" && mount --bind "${keep[$i]}" "$stash/$i" || exit 1
  done
fi
mount -t tmpfs -o mode=1777 tmpfs /tmp || exit 1
if [ -d /run/user ]; then mount -t tmpfs -o mode=755 tmpfs /run/user || exit 1; fi
# Every reading of a file marks its access time there: that the first copy read a sheet.
mount -t tmpfs -o mode=700,strictatime tmpfs "$HOME" || exit 1
for i in "${!keep[@]}"; do
  mkdir -p "${keep[$i]}" && mount --bind "$stash/$i" "${keep[$i]}" || exit 1
done
export HOME
unset XDG_RUNTIME_DIR XDG_CACHE_HOME XDG_CONFIG_HOME XDG_DATA_HOME

# Sheets read long ago, as far as their access times tell.
mkdir -p "$HOME/fiches"
for name in a b; do
  printf '; Valvora fiche 1\n[Fiche]\nedFiAmp=Ampli %s\n' "$name" >"$HOME/fiches/$name.vfiche"
  touch -a -d @1000000000 "$HOME/fiches/$name.vfiche"
done
# Waits up to five seconds for the first copy to read that sheet.
read_by_first() {
  for _ in $(seq 50); do
    [ "$(stat -c %X "$1")" != 1000000000 ] && return 0
    sleep 0.1
  done
  return 1
}

cd "$source" || exit 1
trap 'kill "$first" 2>/dev/null; wait "$first" 2>/dev/null' EXIT
# The second start runs without the first's environment: the lock is per user, not per
# session.
XDG_RUNTIME_DIR=$(mktemp -d) "$exe" "$HOME/fiches/a.vfiche" >/dev/null 2>&1 &
first=$!
# The lock is taken before any window; give the first copy time to reach that point. Every
# place it may use is private here, so any lock held there is the first copy's.
for _ in $(seq 50); do
  while IFS= read -r -d '' lock; do
    flock -n "$lock" true || break 2
  done < <(find /tmp /run/user "$HOME" -maxdepth 3 -name '*.lock' -print0 2>/dev/null)
  sleep 0.1
done

start=$(date +%s%N)
timeout 5 "$exe" >/dev/null 2>&1
code=$?
elapsed_ms=$(( ($(date +%s%N) - start) / 1000000 ))

fail=0
if ! read_by_first "$HOME/fiches/a.vfiche"; then echo "the sheet named at start was not read"; fail=1; fi
if [ "$code" -ne 0 ]; then echo "second start ended with code $code"; fail=1; fi
if [ "$elapsed_ms" -gt 1000 ]; then echo "second start took ${elapsed_ms} ms"; fail=1; fi
if ! kill -0 "$first" 2>/dev/null; then echo "the first instance did not survive"; fail=1; fi
# From another folder, by a relative name: the first copy is handed the whole path.
(cd "$HOME/fiches" && timeout 5 "$exe" b.vfiche >/dev/null 2>&1)
code=$?
if [ "$code" -ne 0 ]; then echo "second start with a sheet ended with code $code"; fail=1; fi
if ! read_by_first "$HOME/fiches/b.vfiche"; then echo "the sheet handed over was not read"; fail=1; fi
if ! kill -0 "$first" 2>/dev/null; then echo "the first instance did not survive the sheet"; fail=1; fi

[ "$fail" -eq 0 ] && echo "second starts ended with code 0 (${elapsed_ms} ms without a sheet); both sheets read; first still running"
exit "$fail"
