#!/usr/bin/env bash
# Installs the built package into a fresh Debian 12 root folder and uses it as a technician
# would: the program starts from the menu's command as an ordinary user with no error box,
# "Enregistrer" writes the user's ~/.config/valvora/valvora.ini (six data sheet sections,
# 42 bias keys), "Charger" reads it back, and purging the package leaves none of its files.
#
# Usage: tests/package/install_test.sh <valvora_*.deb> <work folder>
# The work folder (inside the build tree) holds the root folder while the test runs; it is
# removed on every way out. Exit 0 also when this machine cannot build a root folder (not
# root, no debootstrap, no chroot or mount rights, no Debian mirror): it says "skipped: ...".
set -euo pipefail

deb=$(readlink -f "$1")
work=$2
title="Valvora Suite 1.5"

skip() {
  echo "skipped: $*"
  exit 0
}
fail() {
  echo "FAILED: $*" >&2
  exit 1
}

[ -f "$deb" ] || fail "no package at $1"
[ "$(id -u)" -eq 0 ] || skip "a root folder needs root rights"
command -v debootstrap >/dev/null || skip "debootstrap is not installed"
chroot / true 2>/dev/null || skip "chroot is not allowed here"

# The mirror this machine installs from (Debian's archive is the one network CI reaches).
mirror=${VALVORA_DEBIAN_MIRROR:-$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list \
  /etc/apt/sources.list.d/*.sources 2>/dev/null |
  grep -oE 'https?://[^ ]+/debian/?( |$)' | grep -v security | head -n 1 | tr -d ' ' || true)}
mirror=${mirror:-http://deb.debian.org/debian}
host=$(echo "$mirror" | sed -E 's#^https?://([^/:]+).*#\1#')
port=80
case $mirror in https://*) port=443 ;; esac
timeout 20 bash -c "exec 3<>/dev/tcp/$host/$port" 2>/dev/null ||
  skip "the Debian mirror $mirror cannot be reached"

root=$(mkdir -p "$work" && cd "$work" && pwd)/root
cleanup() {
  for m in dev/shm dev/pts proc; do
    mountpoint -q "$root/$m" 2>/dev/null && umount -l "$root/$m"
  done
  rm -rf --one-file-system "$root"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
cleanup

echo "install_test: debootstrap bookworm from $mirror"
if ! debootstrap --variant=minbase bookworm "$root" "$mirror" >"$work/debootstrap.log" 2>&1; then
  tail -n 5 "$work/debootstrap.log"
  skip "debootstrap could not build a root folder (log: $work/debootstrap.log)"
fi
mount -t proc proc "$root/proc" || skip "cannot mount /proc in the root folder"
mount -t devpts -o newinstance,ptmxmode=0666 devpts "$root/dev/pts" 2>/dev/null || true
mount -t tmpfs -o mode=1777 tmpfs "$root/dev/shm"

in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"; }

# What the package's files are, to find any left behind by the purge.
package_files=$(dpkg-deb -c "$deb" | awk '{print $6}' | sed 's#^\./#/#' | grep -v '/$')

cp "$deb" "$root/tmp/"
echo "install_test: apt-get install ./$(basename "$deb")"
in_root sh -c "cd /tmp && apt-get update -qq && DEBIAN_FRONTEND=noninteractive \
  apt-get install -y -qq ./$(basename "$deb") xvfb xauth xdotool x11-utils" \
  >"$work/apt.log" 2>&1 || { tail -n 20 "$work/apt.log"; fail "apt-get install"; }
for f in /usr/bin/valvora /usr/lib/valvora/valvora /usr/lib/valvora/valvora.ini \
  /usr/lib/valvora/data/splash4.jpg /usr/lib/valvora/Valvora.html /usr/lib/valvora/Nouveautes.html \
  /usr/lib/valvora/licence.txt /usr/share/man/man1/valvora.1.gz \
  /usr/share/applications/org.example.valvora.desktop \
  /usr/share/mime/packages/org.example.valvora.mime.xml; do
  [ -e "$root$f" ] || fail "$f is not installed"
done
grep -q '^Exec=valvora %f$' "$root/usr/share/applications/org.example.valvora.desktop" ||
  fail "the menu entry does not start valvora"

in_root useradd --create-home --shell /bin/sh tech
cat >"$root/tmp/session.sh" <<'SESSION'
#!/bin/sh
# Runs inside xvfb-run as the user: starts the program as the menu does, presses its keys.
title=$1
ini=$HOME/.config/valvora/valvora.ini
cd "$HOME"
valvora >/tmp/valvora.out 2>&1 &
program=$!

# Every visible window: "id width height title".
windows() {
  for w in $(xdotool search --onlyvisible --name '.*' 2>/dev/null); do
    geometry=$(xdotool getwindowgeometry "$w" | sed -n 's/.*Geometry: //p')
    echo "$w ${geometry%x*} ${geometry#*x} $(xdotool getwindowname "$w")"
  done
}
# The main window is the one large window; a message box (error or not) is small.
main=""
for _ in $(seq 120); do
  main=$(windows | awk -v t="$title" '$2 >= 700 && $3 >= 500 && index($0, t) { print $1 }' | head -n 1)
  [ -n "$main" ] && break
  sleep 0.5
done
if [ -z "$main" ]; then
  echo "no main window; windows:"; windows; cat /tmp/valvora.out; exit 1
fi
sleep 2
others=$(windows | awk -v m="$main" '$1 != m && NF >= 4')
if [ -n "$others" ]; then
  echo "a box is open beside the main window:"; echo "$others"; exit 1
fi

xdotool windowfocus --sync "$main"
# Keys to the focused window, with a pause after each for boxes to open and close.
press() {
  for k in "$@"; do
    xdotool key "$k"
    sleep 0.5
  done
}
# From the page tabs, Shift+Tab goes back through Fermer, Aide, A propos, Atelier, then the
# bias page's buttons from the last: Etat HTML, Schéma, Charger, Enregistrer.
back() {
  for _ in $(seq "$1"); do press shift+Tab; done
}
enregistrer() {
  back 8
  press space Return Return
}
charger() {
  back 7
  press space Return Return
}
# Five pages on from "2 HP" is "Taux de Bias"; the focus is then on the page tabs.
press ctrl+Tab ctrl+Tab ctrl+Tab ctrl+Tab ctrl+Tab
enregistrer
[ -f "$ini" ] || { echo "Enregistrer wrote no $ini"; windows; exit 1; }
cp "$ini" /tmp/saved.ini
# A value only the file holds: "Charger" must bring it into the page, and the next
# "Enregistrer" writes it back from there.
sed -i '/^\[6L6\]/,/^\[/ s/^Anode=235/Anode=777/' "$ini"
grep -q '^Anode=777' "$ini" || { echo "no Anode=235 in the [6L6] section"; exit 1; }
press ctrl+Tab ctrl+shift+Tab  # back on the page tabs
charger
press ctrl+Tab ctrl+shift+Tab
enregistrer
cp "$ini" /tmp/reloaded.ini
others=$(windows | awk -v m="$main" '$1 != m && NF >= 4')
[ -z "$others" ] || { echo "a box is still open:"; echo "$others"; exit 1; }
kill "$program"
SESSION
chmod 755 "$root/tmp/session.sh"

echo "install_test: valvora as an ordinary user under xvfb-run"
display=$((200 + RANDOM % 700))  # the X socket namespace is the host's
if ! chroot --userspec=tech:tech "$root" /usr/bin/env -i HOME=/home/tech USER=tech \
  PATH=/usr/bin:/bin LANG=C.UTF-8 sh -c "cd && xvfb-run -n $display \
  -s '-screen 0 1280x800x24' /tmp/session.sh '$title'" >"$work/session.log" 2>&1; then
  cat "$work/session.log"
  fail "the session as a user"
fi

# What "Enregistrer" wrote: the shipped data sheet sections copied whole, the 42 bias keys.
saved=$root/tmp/saved.ini
for s in 6L6 6V6 EL34 EL84 KT88 6L6GC; do
  grep -q "^\[${s}DataSheet\]" "$saved" || fail "no [${s}DataSheet] section in the user's file"
done
keys=$(awk '/^\[/ { s = $0 } s !~ /DataSheet/ && /^(Anode|Cathode|Grille|C9|R19|R20|Impedance)=/' \
  "$saved" | wc -l)
[ "$keys" -eq 42 ] || fail "$keys bias keys in the user's file, not 42"
grep -q '^Anode=235' "$saved" || fail "the 6L6 anode was not saved"
grep -q '^Anode=777' "$root/tmp/reloaded.ini" || fail "\"Charger\" did not read the file back"
[ "$(in_root stat -c %U /home/tech/.config/valvora/valvora.ini)" = tech ] ||
  fail "the user's file is not the user's"
in_root dpkg --verify valvora || fail "the installed files changed (the shipped settings file?)"

echo "install_test: apt-get purge valvora"
in_root sh -c "DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq valvora" >>"$work/apt.log" 2>&1 ||
  fail "apt-get purge"
left=""
for f in $package_files /usr/lib/valvora /usr/share/doc/valvora; do
  [ -e "$root$f" ] && left="$left $f"
done
[ -z "$left" ] || fail "left behind by the purge:$left"
! in_root dpkg -s valvora >/dev/null 2>&1 || fail "the package is still known to dpkg"

echo "install_test: passed"
