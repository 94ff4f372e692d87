#!/bin/sh
# The host's screenshot run, menus open, under valgrind's memory checker:
#   valgrind_test.sh HOST       (inside scripts/sandbox)
set -u
shot=$(mktemp)
trap 'rm -f "$shot"' EXIT
valgrind --error-exitcode=1 -q "$1" --open-menu --screenshot "$shot" >/dev/null &&
  echo "ok: no invalid read or write"
