#!/bin/sh
# The stand-in host read and driven by a real assistive-technology client,
# in English or in LANGUAGE, whose texts come from the CATALOGUES folder:
#   a11y_test.sh HOST [LANGUAGE CATALOGUES LOCALES]     (inside scripts/sandbox)
# The session bus starts the accessibility bus on the client's first call.
set -u
run=${ZORVANE_EMULATOR:-}
# GTK+ 2 reaches AT-SPI through two modules; GTK 3 (zorvane-host-gtk3) has
# both built in and loads its bridge by itself.
case $(basename "$1") in
  *-gtk3) unset GTK_MODULES ;;
  *) GTK_MODULES=gail:atk-bridge && export GTK_MODULES ;;
esac
unset NO_AT_BRIDGE
# The name the host goes by on the accessibility bus: its program's.
ZORVANE_HOST_NAME=$(basename "$1")
export ZORVANE_HOST_NAME
if [ $# -gt 1 ]; then
  LANGUAGE=$2 ZORVANE_CATALOGUES=$3 LOCPATH=$4 LC_ALL=de_DE.UTF-8
  export LANGUAGE ZORVANE_CATALOGUES LOCPATH LC_ALL
fi
$run "$1" >/dev/null 2>&1 &
host=$!
/usr/bin/python3 "$(dirname "$0")/a11y_test.py"
status=$?
kill "$host" 2>/dev/null
wait "$host" 2>/dev/null
exit $status
