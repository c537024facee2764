#!/bin/sh
# Starts Valvora from its program folder, where it finds its pictures (data/), its help
# and its licence by their relative names. Arguments are passed on.
folder=$(dirname "$(readlink -f "$0")")/../lib/valvora
cd "$folder" || exit 1
exec ./valvora "$@"
