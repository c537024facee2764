#!/bin/sh
# Starts Valvora from its program folder, where it finds its pictures (data/), its help
# and its licence by their relative names. Arguments are passed on, a job sheet's relative
# name made whole first, since the program starts in another folder.
case ${1:-/} in
  /*) ;;
  *)
    sheet=$PWD/$1
    shift
    set -- "$sheet" "$@"
    ;;
esac
folder=$(dirname "$(readlink -f "$0")")/../lib/valvora
cd "$folder" || exit 1
exec ./valvora "$@"
