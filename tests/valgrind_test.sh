#!/bin/sh
# The host's screenshot run, menus open, under valgrind's memory checker:
#   valgrind_test.sh HOST       (inside scripts/sandbox)
set -u
if [ -n "${ZORVANE_EMULATOR:-}" ]; then
  echo "skipped: valgrind cannot run a program under $(basename "$ZORVANE_EMULATOR")"
  exit 77
fi
shot=$(mktemp)
trap 'rm -f "$shot"' EXIT
valgrind --error-exitcode=1 -q "$1" --open-menu --screenshot "$shot" >/dev/null &&
  echo "ok: no invalid read or write"
