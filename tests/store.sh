# The store that the hosts under test keep the settings in, for the test
# scripts, which source this file (inside scripts/sandbox):
#   store_get NAME   store_set NAME VALUE   store_type NAME   store_own NAME
# NAME is level or sound.  GConf where the machine has it, as the hosts built
# here then link or load it; else GSettings: the sandbox's keyfile, and the
# schema in GSETTINGS_SCHEMA_DIR.
own_value=$(dirname "$0")/own_value.sh
if command -v gconftool-2 >/dev/null 2>&1; then
  store_get () { gconftool-2 --get "/apps/tamrik/zorvane/$1"; }
  store_set () { gconftool-2 --set --type=int "/apps/tamrik/zorvane/$1" "$2"; }
  store_type () { gconftool-2 --get-type "/apps/tamrik/zorvane/$1"; }
  store_own () { sh "$own_value" "/apps/tamrik/zorvane/$1"; }
else
  store_get () { gsettings get org.tamrik.zorvane "$1"; }
  store_set () { gsettings set org.tamrik.zorvane "$1" "$2"; }
  store_type () { gsettings range org.tamrik.zorvane "$1" | sed -n 's/^type i$/int/p'; }
  store_own () { sh "$own_value" "$1"; }
fi
