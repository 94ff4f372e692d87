#!/bin/sh
# Staged installation and the Debian package:
#   install_test.sh BUILD_DIR amd64|i386 SOURCE_DIR
set -u
build=$1 target=$2 source_dir=$3
run=${ZORVANE_EMULATOR:-}
status=0
fail () { echo "FAIL: $*"; status=1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

DESTDIR=$work/stage cmake --install "$build" --prefix /usr >/dev/null || fail "install"
plugin=$(find "$work/stage/usr/lib" -name zorvane_plugin.so)
case $plugin in */usr/lib/*zorvane/plugins/zorvane_plugin.so) ;; *) fail "plug-in at '$plugin'" ;; esac
cmp -s "$plugin" "$build/zorvane_plugin.so" || fail "installed plug-in differs"
[ -x "$work/stage/usr/bin/zorvane-host" ] || fail "no host in bin/"
schema=$work/stage/usr/share/gconf/schemas/zorvane.schemas
cmp -s "$schema" "$source_dir/data/zorvane.schemas" || fail "schema not installed"

# The installed host finds the installed plug-in by itself.
$run "$work/stage/usr/bin/zorvane-host" --screenshot "$work/shot.png" >/dev/null 2>&1 ||
  fail "installed host cannot run"

# Registered, the schema documents both keys without changing what is read.
GCONF_CONFIG_SOURCE=xml:readwrite:$HOME/.gconf \
  gconftool-2 --makefile-install-rule "$schema" >/dev/null || fail "schema rejected"
for key in level:1 sound:0; do
  got=$(gconftool-2 --get "/apps/tamrik/zorvane/${key%:*}")
  [ "$got" = "${key#*:}" ] || fail "default of ${key%:*} is '$got'"
  gconftool-2 --short-docs "/apps/tamrik/zorvane/${key%:*}" | grep -q . || fail "no docs"
done

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" >/dev/null) || fail "cpack"
deb=$(ls "$work"/*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || fail "no package"
[ "$(dpkg-deb -f "$deb" Architecture)" = "$target" ] || fail "package architecture"
contents=$(dpkg-deb -c "$deb")
for file in ./usr/bin/zorvane-host /zorvane/plugins/zorvane_plugin.so \
  ./usr/share/gconf/schemas/zorvane.schemas; do
  echo "$contents" | grep -q -F "$file" || fail "package lacks $file"
done
dpkg-deb -e "$deb" "$work/control"
grep -q -- --makefile-install-rule "$work/control/postinst" || fail "postinst"
grep -q -- --makefile-uninstall-rule "$work/control/prerm" || fail "prerm"
[ $status -eq 0 ] && echo "ok: staged install, schema, $(basename "$deb")"
exit $status
