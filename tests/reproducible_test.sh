#!/bin/sh
# Two copies of the sources, built apart, give the same plug-in byte for byte,
# and neither names its folders.  Where both toolkits are here, the second
# copy is built from the other toolkit's headers, which must not change a
# byte either; where one toolkit alone is here, both copies are built from its
# headers, and the line it ends with says so:
#   reproducible_test.sh SOURCE_DIR PRESET BUILT_PLUGIN BUILT_TOOLKIT TOOLKITS
set -u
source_dir=$1 preset=$2 built=$3 toolkit=$4 toolkits=$5
status=0
fail () { echo "FAIL: $*"; status=1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

other=$toolkit
for present in $toolkits; do
  [ "$present" = "$toolkit" ] || other=$present
done
for copy in first second-copy; do
  with=$toolkit
  [ "$copy" = first ] || with=$other
  mkdir -p "$work/$copy"
  (cd "$source_dir" && tar cf - --exclude='./build*' --exclude=./.git .) |
    (cd "$work/$copy" && tar xf -)
  (cd "$work/$copy" && cmake --preset "$preset" -DBUILD_TESTING=OFF \
    -DZORVANE_TOOLKIT="$with" >/dev/null &&
    cmake --build --preset "$preset" --target zorvane_plugin >/dev/null) ||
    fail "build in $copy with $with"
done
plugin=zorvane_plugin.so
case $preset in i386) out=build-i386 ;; *) out=build ;; esac
cmp "$work/first/$out/$plugin" "$work/second-copy/$out/$plugin" || fail "copies differ"
cmp "$work/first/$out/$plugin" "$built" || fail "differs from $built"
grep -q -F "$work" "$work/first/$out/$plugin" && fail "names its build folder"
alone=
[ "$other" != "$toolkit" ] || alone=", the only toolkit here ($toolkits)"
[ $status -eq 0 ] &&
  echo "ok: identical in $work/first ($toolkit) and $work/second-copy ($other$alone)"
exit $status
