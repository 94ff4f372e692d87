#!/bin/sh
# The shipped file's ELF facts:
#   elf_facts.sh PLUGIN amd64|i386 SOURCE_DIR shipped|sanitized LIBDIR
# A sanitized build is never shipped: it needs the sanitizers' runtimes and
# names its source for their reports, so NEEDED and paths are not checked.
set -u
plugin=$1 target=$2 source_dir=$3 build=$4 libdir=$5
status=0
fail () { echo "FAIL: $*"; status=1; }

case $target in
  i386) class=ELF32 machine='Intel 80386' ;;
  *) class=ELF64 machine='Advanced Micro Devices X86-64' ;;
esac
header=$(readelf -h "$plugin")
echo "$header" | grep -q "Class: *$class" || fail "not $class"
echo "$header" | grep -q "Machine: *$machine" || fail "not $machine"

dynamic=$(readelf -d "$plugin")
needed=$(echo "$dynamic" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | tr '\n' ' ')
[ "$build" = sanitized ] || [ "$needed" = "libc.so.6 " ] || fail "NEEDED is '$needed'"
echo "$dynamic" | grep -q '(SONAME).*\[zorvane_plugin.so\]' || fail "soname"
# Bound at load: a host that lacks a symbol is refused by dlopen.
echo "$dynamic" | grep -q '(FLAGS_1).* NOW' || fail "not bound at load (-z now)"

expected="board_box difficulty_item difficulty_menu gcc group level_10_item
level_11_item level_12_item level_1_item level_2_item level_3_item level_4_item
level_5_item level_6_item level_7_item level_8_item level_9_item menu_items
plugin_entries settings_item settings_menu sound_check sound_item
startup_init_plugin"
exported=$(nm -D --defined-only "$plugin" | awk '{print $3}' | LC_ALL=C sort | tr '\n' ' ')
want=$(echo $expected | tr ' ' '\n' | LC_ALL=C sort | tr '\n' ' ')
[ "$exported" = "$want" ] || fail "exports differ: $exported"

[ "$build" = shipped ] && grep -q -F "$source_dir" "$plugin" && fail "contains the build path $source_dir"

# One file for GTK+ 2 and GTK 3 hosts: each toolkit call it imports is
# exported by both toolkits' libraries under that name, so that neither
# host's dlopen refuses it.  A name is what can be checked here; that the
# headers of either toolkit compile the same call is the reproducible
# build's check, and what each call does, the suite's in both toolkits'
# hosts.  Where a call behaves differently, the plug-in or the host rules
# deal with it:
#   gtk_toggle_button_set_active: GTK 3 notifies "active" after the
#     "clicked" in which a host may destroy the check box (src/sync.cpp
#     holds it across the call);
#   gtk_spin_button_set_value: GTK 3 goes on with the spin button after its
#     "value-changed", so a host must not destroy it there (README);
#   gtk_widget_get_accessible: GTK 3 has its accessible objects built in,
#     GTK+ 2 through the gail module.
# GLib, GObject, GIO, ATK and GConf are the same libraries under both.
exports_of () {
  for library in "$@"; do
    nm -D --defined-only "$libdir/$library" 2>/dev/null | awk '{print $3}'
  done | sed 's/@.*//' | LC_ALL=C sort -u
}
imports=$(nm -D --undefined-only "$plugin" | awk '{print $NF}' | sed 's/@.*//' |
  grep -E '^(gtk|gdk|atk|g|gconf)_' | LC_ALL=C sort -u)
checked= unchecked=
for toolkit in "libgtk-x11-2.0.so.0 libgdk-x11-2.0.so.0" "libgtk-3.so.0 libgdk-3.so.0"; do
  set -- $toolkit
  if [ ! -e "$libdir/$1" ]; then
    # A machine without one of them checks the plug-in against the other,
    # and says so; the suite on a machine with both checks both.
    echo "note: $1 is not in $libdir: its exports not checked"
    unchecked="$unchecked, not against $1, which is not installed"
    continue
  fi
  exports_of $toolkit libatk-1.0.so.0 libgobject-2.0.so.0 libglib-2.0.so.0 \
    libgio-2.0.so.0 libgconf-2.so.4 >"${TMPDIR:-/tmp}/exports.$$"
  missing=$(echo "$imports" | LC_ALL=C comm -23 - "${TMPDIR:-/tmp}/exports.$$" | tr '\n' ' ')
  rm -f "${TMPDIR:-/tmp}/exports.$$"
  # GConf 2 is gone from Debian 13: its three calls are weak and checked
  # where it is.
  [ -e "$libdir/libgconf-2.so.4" ] || missing=$(echo "$missing" | sed 's/gconf_[a-z_]* //g')
  [ -z "$missing" ] || fail "imports what $1 lacks: $missing"
  checked="$checked $1"
done
[ -n "$checked" ] || fail "neither toolkit's libraries in $libdir"
[ $status -eq 0 ] && echo "ok: $class, $machine, soname, NEEDED, exports, toolkit calls in$checked$unchecked"
exit $status
