#!/bin/sh
# A host without GConf (the integrators' example, which saves right after
# showing the settings) and the player's GConf file, on GSettings' keyfile
# and on dconf:  import_host_test.sh EXAMPLE_HOST
# Two first starts at once both show the file's values; a FIFO or a device
# at its path is passed over at once; a store that cannot be written keeps
# the values for the session and says so in one line, and a host under
# fatal warnings starts beside it (and on the keyfile saves too: dconf warns
# of a failed write itself).
set -u
host=$1
run=${ZORVANE_EMULATOR:-}
status=0
fail () { echo "FAIL: $*"; status=1; }
work=$(mktemp -d)
dir=
trap '[ -z "$dir" ] || umount "$dir" 2>/dev/null; rm -rf "$work"' EXIT
case $(readelf -h "$host") in
  *ELF32*) triplet=i386-linux-gnu ;;
  *) triplet=x86_64-linux-gnu ;;
esac
gconf=$HOME/.gconf/apps/tamrik/zorvane/%gconf.xml
shown_7_on="panel: level 7, sound on
menu: Level 7, sound on"

shown () { grep -E '^(panel|menu): ' "$1"; }

# The store's folder read-only, for root too (the sandbox's mount namespace).
read_only () {
  mkdir -p "$1"
  if [ "$(id -u)" != 0 ]; then chmod 0500 "$1"
  elif [ "${ZORVANE_STORE_SHARED:-}" = 1 ]; then return 1
  else mount --bind "$1" "$1" && mount -o remount,ro,bind "$1"
  fi
}

for backend in keyfile dconf; do
  if [ $backend = dconf ] && ! [ -e "/usr/lib/$triplet/gio/modules/libdconfsettings.so" ]; then
    echo "dconf: no dconf-gsettings-backend for this architecture, skipped"
    continue
  fi
  export GSETTINGS_BACKEND=$backend
  rm -rf "$HOME/.gconf" "$XDG_CONFIG_HOME"
  mkdir -p "$(dirname "$gconf")" "$XDG_CONFIG_HOME"
  : >"$HOME/.gconf/apps/%gconf.xml"
  : >"$HOME/.gconf/apps/tamrik/%gconf.xml"
  printf '<gconf><entry name="level" type="int" value="7"/><entry name="sound" type="int" value="1"/></gconf>\n' >"$gconf"

  # Two first starts at once.
  $run "$host" >"$work/a" 2>&1 & a=$!
  $run "$host" >"$work/b" 2>&1 & b=$!
  wait $a; wait $b
  for out in a b; do
    [ "$(shown "$work/$out")" = "$shown_7_on" ] ||
      fail "$backend: a first start at once: $(cat "$work/$out")"
  done
  [ "$(gsettings get org.tamrik.zorvane level) $(gsettings get org.tamrik.zorvane sound)" = "7 1" ] ||
    fail "$backend: the import not saved"

  # A FIFO and a device at the file's path: skipped with one message, at
  # once (the time limit is only a guard against a hang).
  for special in fifo device; do
    gsettings reset-recursively org.tamrik.zorvane
    rm -f "$gconf"
    if [ $special = fifo ]; then mkfifo "$gconf"; else ln -s /dev/zero "$gconf"; fi
    timeout 60 $run "$host" >"$work/out" 2>&1 || fail "$backend: $special: $(cat "$work/out")"
    grep -q '^panel: level 1, sound off$' "$work/out" || fail "$backend: $special shown"
    [ "$(grep -c 'settings not imported from' "$work/out")" = 1 ] ||
      fail "$backend: $special: not one message: $(cat "$work/out")"
  done

  # An unwritable store: the file's values for the session, one line of
  # ours, nothing saved; under fatal warnings on the keyfile.
  rm -f "$gconf"
  printf '<gconf><entry name="level" type="int" value="7"/><entry name="sound" type="int" value="1"/></gconf>\n' >"$gconf"
  gsettings reset-recursively org.tamrik.zorvane
  if [ $backend = dconf ]; then
    gsettings get org.tamrik.zorvane level >/dev/null
    dir=$XDG_CONFIG_HOME/dconf fatal=
  else
    dir=$XDG_CONFIG_HOME/glib-2.0/settings fatal=fatal-warnings
  fi
  if read_only "$dir"; then
    G_DEBUG=$fatal $run "$host" >"$work/out" 2>&1 || fail "$backend: read-only store: host failed: $(cat "$work/out")"
    [ "$(shown "$work/out")" = "$shown_7_on" ] || fail "$backend: read-only store shown: $(cat "$work/out")"
    [ "$(grep -c '^zorvane_plugin.so: settings not saved: ' "$work/out")" = 1 ] ||
      fail "$backend: read-only store: not one line: $(cat "$work/out")"
    grep -q '^saved: level 1, sound 0$' "$work/out" || fail "$backend: read-only store written"
    sed -n 's/^zorvane_plugin.so: //p' "$work/out"
    # dconf reports the failed write of the save in a warning of its own,
    # which ends a host under fatal warnings then; starting writes nothing.
    if [ $backend = dconf ]; then
      # Line-buffered, so that what it showed is not lost with it (stdbuf's
      # preloaded library comes before the sanitizers' runtime).
      G_DEBUG=fatal-warnings \
        ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0" \
        stdbuf -oL $run "$host" >"$work/out" 2>&1
      [ "$(shown "$work/out")" = "$shown_7_on" ] ||
        fail "dconf: read-only store: no start under fatal warnings: $(cat "$work/out")"
    fi
    umount "$dir" 2>/dev/null || chmod 0700 "$dir"
  else
    echo "$backend: no private mount namespace for a read-only store, skipped"
  fi
done
[ $status -eq 0 ] && echo "ok: first starts at once, FIFO and device, read-only store"
exit $status
