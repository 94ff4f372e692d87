#!/bin/sh
# Two hosts with clashing names save one after the other; the store keeps the
# last pair:   clash_test.sh CLASH_HOST PLUGIN     (inside scripts/sandbox)
set -u
run=${ZORVANE_EMULATOR:-}
status=0
fail () { echo "FAIL: $*"; status=1; }
$run "$1" "$2" 9 1 || fail "first host"
$run "$1" "$2" 3 0 || fail "second host"
[ "$(gconftool-2 --get /apps/tamrik/zorvane/level)" = 3 ] || fail "level"
[ "$(gconftool-2 --get /apps/tamrik/zorvane/sound)" = 0 ] || fail "sound"
[ $status -eq 0 ] && echo "ok: both hosts untouched, last save kept"
exit $status
