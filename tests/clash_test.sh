#!/bin/sh
# Two hosts with clashing names save one after the other; the store keeps the
# last pair.  A process without the toolkit is refused at dlopen rather than
# ended at its first call into the plug-in.  One with the toolkit and without
# GConf registers the plug-in for GSettings, or, with no schema installed,
# is refused by it, with one line on stderr and the record left alone.  A
# process of another toolkit (GTK 4, where its library is here) is refused
# at dlopen, for a toolkit call it lacks:
#   clash_test.sh CLASH_HOST PLUGIN BARE_HOST TOOLKIT_LIBRARY [OTHER_TOOLKIT_LIBRARY]
#   (inside scripts/sandbox)
set -u
. "$(dirname "$0")/store.sh"
run=${ZORVANE_EMULATOR:-}
status=0
fail () { echo "FAIL: $*"; status=1; }
$run "$1" "$2" 9 1 || fail "first host"
$run "$1" "$2" 3 0 || fail "second host"
[ "$(store_get level)" = 3 ] || fail "level"
[ "$(store_get sound)" = 0 ] || fail "sound"

refusal=$($run "$3" "$2") || fail "loaded without the toolkit: $refusal"
case $refusal in
  *"undefined symbol: gconf_"* | *"undefined symbol: g_settings_"*)
    fail "refused for want of a store: $refusal" ;;
  *"undefined symbol: g"*) ;;
  *) fail "refusal: $refusal" ;;
esac
out=$($run "$3" "$2" "$4" 2>&1)
[ "$out" = "loaded, registered 1, record written" ] || fail "toolkit only: $out"
# No schema anywhere, neither the build's nor the machine's.
none=$(mktemp -d)
out=$(GSETTINGS_SCHEMA_DIR=$none XDG_DATA_DIRS=$none $run "$3" "$2" "$4" 2>"$none/err")
[ "$out" = "loaded, registered 0, record untouched" ] || fail "no store: $out"
[ "$(cat "$none/err")" = "zorvane_plugin.so: no settings store: the host has no GConf, and the GSettings schema org.tamrik.zorvane is not installed" ] ||
  fail "no store, said: $(cat "$none/err")"
rm -rf "$none"
if [ $# -gt 4 ] && [ -e "$5" ]; then
  out=$($run "$3" "$2" "$5" 2>&1) || fail "loaded beside $5: $out"
  case $out in
    *"undefined symbol: gtk_"*) ;;
    *) fail "beside $5: $out" ;;
  esac
fi
[ $status -eq 0 ] && echo "ok: both hosts untouched, last save kept; bare hosts refused or on GSettings"
exit $status
