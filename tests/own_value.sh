#!/bin/sh
# The type and value that KEY holds in the sandbox's own store, empty when it
# was never written there, whatever the machine's defaults say:
#   own_value.sh KEY                                  (inside scripts/sandbox)
# Where the sandbox shares the machine's sources (ZORVANE_STORE_SHARED=1), the
# store's files are read, once gconfd has written them out on leaving.  A key
# of the plug-in's GSettings schema (level, sound) gives the value in the
# sandbox's keyfile, which holds only what was written.
set -u
key=$1
case $key in
  /*) ;;
  *) sed -n "/^\[org\/tamrik\/zorvane\]\$/,/^\[/s/^$key=//p" \
       "$XDG_CONFIG_HOME/glib-2.0/settings/keyfile" 2>/dev/null
     exit 0 ;;
esac
if [ "${ZORVANE_STORE_SHARED:-}" = 1 ]; then
  gconftool-2 --shutdown 2>/dev/null
  while dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
    org.freedesktop.DBus.NameHasOwner string:org.gnome.GConf 2>/dev/null |
    grep -q 'boolean true'; do
    sleep 0.05
  done
  set -- --direct --config-source="xml:readonly:$HOME/.gconf"
else
  set --
fi
gconftool-2 "$@" --get-type "$key" 2>/dev/null
gconftool-2 "$@" --get "$key" 2>/dev/null
exit 0
