#!/bin/sh
# The stand-in host as an integrator runs it:  host_test.sh HOST NOT_A_PLUGIN
set -u
. "$(dirname "$0")/store.sh"
host=$1 not_a_plugin=$2
run=${ZORVANE_EMULATOR:-}
status=0
fail () { echo "FAIL: $*"; status=1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for bad in /nonexistent/zorvane_plugin.so "$not_a_plugin"; do
  if $run "$host" --plugin "$bad" >"$work/out" 2>"$work/err"; then
    fail "accepted $bad"
  fi
  [ "$(wc -l <"$work/err")" -eq 1 ] || fail "not one error line for $bad"
  grep -q '^zorvane-host: ' "$work/err" || fail "unclear error for $bad"
  cat "$work/err"
done

# Without an X display to fall back on, a run that works is a Wayland one.
if [ "${SANDBOX_WAYLAND:-}" = 1 ] && [ -n "${DISPLAY:-}" ]; then
  fail "an X display beside the compositor: $DISPLAY"
fi

store_set level 7
$run "$host" --trace-entries --screenshot "$work/shot.png" >"$work/out" 2>"$work/err" ||
  fail "screenshot run failed: $(cat "$work/err")"
# A picture of a few byte values once inflated is one colour, not the window.
/usr/bin/python3 - "$work/shot.png" <<'EOF' || fail "no PNG, or a blank one"
import sys, zlib
data, pos, pixels = open(sys.argv[1], "rb").read(), 8, b""
while data.startswith(b"\x89PNG") and pos < len(data):
    size, kind = int.from_bytes(data[pos:pos + 4], "big"), data[pos + 4:pos + 8]
    pixels += data[pos + 8:pos + 8 + size] if kind == b"IDAT" else b""
    pos += 12 + size
sys.exit(not pixels or len(set(zlib.decompress(pixels))) < 16)
EOF
grep -q ' : load_plugin : ' "$work/out" || fail "no trace line"
order=$(sed -n 's/^zorvane-host: \([a-z_]*\) ->.*/\1/p' "$work/err" | tr '\n' ' ')
[ "$order" = "startup_init_plugin load_plugin noop build_settings_menu sync_menu_from_panel " ] ||
  fail "entry order: $order"
[ "$(store_own sound)" = "" ] ||
  fail "screenshot run saved"
# Opening the menus for the picture is no cause for a toolkit warning.  On
# Wayland only the compositor knows where they are: the run says it has no
# picture and fails.
if [ "${SANDBOX_WAYLAND:-}" = 1 ]; then
  ! $run "$host" --open-menu --screenshot "$work/menu.png" >/dev/null 2>"$work/err" &&
    grep -q "^zorvane-host: cannot write $work/menu.png: no image of the window\$" "$work/err" ||
    fail "menu screenshot on Wayland: $(cat "$work/err")"
else
  G_DEBUG=fatal-warnings $run "$host" --open-menu --screenshot "$work/menu.png" \
    >/dev/null 2>"$work/err" || fail "menu screenshot run failed: $(cat "$work/err")"
fi
[ $status -eq 0 ] && echo "ok: refusals, screenshots, entry order"
exit $status
