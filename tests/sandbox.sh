#!/bin/sh
# Runs a command with a store, a session bus and an X display of its own, so
# that runs can go in parallel and never touch a real user's settings.
#   sandbox.sh COMMAND [ARG...]
# Set SANDBOX_NO_X=1 to leave DISPLAY alone.
set -u
home=$(mktemp -d "${TMPDIR:-/tmp}/zorvane-sandbox.XXXXXX") || exit 1
xpid=
cleanup () {
  [ -n "$xpid" ] && kill "$xpid" 2>/dev/null
  # gconfd may still be writing its files as the bus goes away.
  rm -rf "$home" 2>/dev/null || { sleep 1; rm -rf "$home"; }
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if [ "${SANDBOX_NO_X:-}" != 1 ]; then
  # -displayfd picks a free display and reports it once the server is ready.
  Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 \
    3>"$home/display" 2>"$home/xvfb.log" &
  xpid=$!
  tries=0
  while [ ! -s "$home/display" ]; do
    tries=$((tries + 1))
    if [ $tries -gt 200 ] || ! kill -0 "$xpid" 2>/dev/null; then
      echo "sandbox: Xvfb did not start:" >&2
      cat "$home/xvfb.log" >&2
      exit 1
    fi
    sleep 0.05
  done
  DISPLAY=:$(cat "$home/display")
  export DISPLAY
fi

HOME=$home
ZORVANE_SANDBOX=1
export HOME ZORVANE_SANDBOX
unset GCONF_CONFIG_SOURCE DBUS_SESSION_BUS_ADDRESS XAUTHORITY
dbus-run-session -- "$@"
