#!/bin/sh
# With the plug-in's schema registered in the machine's defaults, as installing
# the package does, each sandbox's store still starts empty, with or without a
# mount namespace of its own:   private_store_test.sh TESTS SCHEMA SANDBOX
set -u
tests=$1 schema=$2 sandbox=$3
run=${ZORVANE_EMULATOR:-}
status=0
fail () { echo "FAIL: $*"; status=1; }
key=/apps/tamrik/zorvane/level
if [ -z "${PRIVATE_STORE_TEST_INSIDE:-}" ]; then
  unshare --mount true 2>/dev/null ||
    { echo "skipped: no mount namespace here to lay defaults over the machine's"; exit 77; }
  PRIVATE_STORE_TEST_INSIDE=1 exec unshare --mount --propagation private \
    sh "$0" "$@"
fi

# The machine's defaults source, seen only inside this namespace.
defaults=$(mktemp -d)
trap 'rm -rf "$defaults"' EXIT
GCONF_CONFIG_SOURCE=xml:merged:$defaults \
  gconftool-2 --makefile-install-rule "$schema" >/dev/null || fail "schema"
mount --bind "$defaults" /var/lib/gconf/defaults || exit 1
[ "$(ZORVANE_STORE_SHARED=1 SANDBOX_NO_X=1 sh "$sandbox" gconftool-2 --get $key 2>/dev/null)" = 1 ] ||
  fail "a sandbox sharing the machine's sources does not see its defaults"
[ "$(SANDBOX_NO_X=1 sh "$sandbox" gconftool-2 --get $key 2>/dev/null)" = "" ] ||
  fail "a sandbox sees the machine's defaults"

# One test a process, as the rig requires.
for shared in 0 1; do
  for test in Panel.SaveBeforeLoadKeepsTheStore Store/Panel.*/Unset; do
    ZORVANE_STORE_SHARED=$shared $run "$tests" --gtest_filter="$test" ||
      fail "$test with ZORVANE_STORE_SHARED=$shared"
  done
done
[ $status -eq 0 ] && echo "ok: private stores stay empty beside the machine's defaults"
exit $status
