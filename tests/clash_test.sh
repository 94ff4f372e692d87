#!/bin/sh
# Two hosts with clashing names save one after the other; the store keeps the
# last pair.  A process without the toolkit, or without GConf, is refused at
# dlopen rather than ended at its first call into the plug-in:
#   clash_test.sh CLASH_HOST PLUGIN BARE_HOST TOOLKIT_LIBRARY  (inside scripts/sandbox)
set -u
run=${ZORVANE_EMULATOR:-}
status=0
fail () { echo "FAIL: $*"; status=1; }
$run "$1" "$2" 9 1 || fail "first host"
$run "$1" "$2" 3 0 || fail "second host"
[ "$(gconftool-2 --get /apps/tamrik/zorvane/level)" = 3 ] || fail "level"
[ "$(gconftool-2 --get /apps/tamrik/zorvane/sound)" = 0 ] || fail "sound"
for with in "" "$4"; do
  refusal=$($run "$3" "$2" $with) || fail "loaded ${with:-without the toolkit}: $refusal"
  case $refusal in
    *"undefined symbol: gconf_"*) ;;
    *"undefined symbol: g"*) [ -z "$with" ] || fail "refused for $refusal" ;;
    *) fail "refusal: $refusal" ;;
  esac
done
[ $status -eq 0 ] && echo "ok: both hosts untouched, last save kept; bare hosts refused"
exit $status
