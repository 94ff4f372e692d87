#!/bin/sh
# The stand-in host read and driven by a real assistive-technology client:
#   a11y_test.sh HOST          (inside scripts/sandbox)
# The session bus starts the accessibility bus on the client's first call.
set -u
run=${ZORVANE_EMULATOR:-}
GTK_MODULES=gail:atk-bridge
export GTK_MODULES
unset NO_AT_BRIDGE
$run "$1" >/dev/null 2>&1 &
host=$!
/usr/bin/python3 "$(dirname "$0")/a11y_test.py"
status=$?
kill "$host" 2>/dev/null
wait "$host" 2>/dev/null
exit $status
