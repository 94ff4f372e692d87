#!/bin/sh
# The shipped file's ELF facts:
#   elf_facts.sh PLUGIN amd64|i386 SOURCE_DIR shipped|sanitized
# A sanitized build is never shipped: it needs the sanitizers' runtimes and
# names its source for their reports, so NEEDED and paths are not checked.
set -u
plugin=$1 target=$2 source_dir=$3 build=$4
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
[ $status -eq 0 ] && echo "ok: $class, $machine, soname, NEEDED, exports"
exit $status
