#!/bin/sh
# Staged installation, the integrators' kit and the Debian packages, one part
# a test, so that ctest runs them side by side:
#   install_test.sh PART BUILD_DIR amd64|i386 SOURCE_DIR
# stage and packages make what the other parts read, in BUILD_DIR/tests/install
# (tests/CMakeLists.txt orders them with fixtures):
#   stage      cmake --install into stage/usr, and what is there
#   gsettings  the GSettings schema, compiled as GLib's trigger does    (stage)
#   gconf      the GConf schema, registered where GConf is              (stage)
#   host       the installed host finds its plug-in and catalogues      (stage)
#   example    the shipped example host, built with its own lines       (stage)
#   header     the header in each C and C++ dialect                     (stage)
#   packages   the packages, made twice into deb1/ and deb2/, and
#              their fields, which name this machine's Debian release
#   lintian    lintian on each package                               (packages)
#   apt        apt-get would install them here                       (packages)
#   multiarch  what lies outside the architecture's folder           (packages)
#   plain      a plain configure packages the same plug-in      (stage, packages)
#   abi        the oldest host userland the plug-in loads in
# Those that run a host run inside scripts/sandbox.
set -u
part=$1 build=$2 target=$3 source_dir=$4
run=${ZORVANE_EMULATOR:-}
status=0
fail () { echo "FAIL: $*"; status=1; }
skip () { echo "skipped: $*"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
case $target in
  i386) triplet=i386-linux-gnu glibc_floor=2.2 ;;
  *) triplet=x86_64-linux-gnu glibc_floor=2.2.5 ;;
esac
# Staged under a prefix of its own, which the kit's .pc file then names.
shared=$build/tests/install
stage=$shared/stage/usr
libdir=$stage/lib/$triplet
plugin=$libdir/zorvane/plugins/zorvane_plugin.so
example=$stage/share/doc/zorvane-plugin-dev/examples/example_host.c
schema=$stage/share/gconf/schemas/zorvane.schemas
gschema=$stage/share/glib-2.0/schemas/org.tamrik.zorvane.gschema.xml
# The packages' version names the Debian release they are built on, which
# decides whether they carry GConf's part: Debian 13 and later have no GConf.
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
release=$(. /etc/os-release && echo "${VERSION_ID:-}")
distro=$(. /etc/os-release && echo "$PRETTY_NAME")
case $release in
  [0-9] | 1[0-2]) with_gconf=1 ;;
  *) with_gconf= ;;
esac
debs=$shared/deb1
deb () { echo "$debs/${1}_${version}_$target.deb"; }
# A stand-in host per toolkit the build made hosts for (zorvane-host for
# GTK+ 2, zorvane-host-gtk3), as its packages name them: a host left on disk
# by an earlier configure is not one of them.
hosts=$(sed -n 's/^set(CPACK_COMPONENTS_ALL "\(.*\)")$/\1/p' "$build/CPackConfig.cmake" |
  tr ';' '\n' | sed -n 's/^host/zorvane-host/p' | tr '\n' ' ')
# The toolkit of each, by its pkg-config name.
toolkit_of () {
  case $1 in *-gtk3) echo gtk+-3.0 ;; *) echo gtk+-2.0 ;; esac
}
# Runs a command in a locale that the build compiled for the tests.
locale_env () {
  lang=$1
  shift
  env LOCPATH="$build/tests/locales" LANG="$lang" LANGUAGE= LC_ALL= "$@"
}
# The GSettings schema as GLib's trigger compiles it from the staged tree.
compile_schema () {
  mkdir "$work/schemas"
  glib-compile-schemas --strict --targetdir="$work/schemas" "${gschema%/*}" ||
    fail "GSettings schema rejected"
  export GSETTINGS_SCHEMA_DIR=$work/schemas
}

case $part in
stage)
  rm -rf "$shared/stage"
  cmake --install "$build" --prefix "$stage" >/dev/null || fail "install"
  cmp -s "$plugin" "$build/zorvane_plugin.so" || fail "no plug-in at $plugin"
  cmp -s "$stage/include/zorvane/plugin_host.h" "$source_dir/include/zorvane/plugin_host.h" ||
    fail "no header"
  [ -n "$hosts" ] || fail "no host built"
  for host in $hosts; do
    [ -x "$stage/bin/$host" ] || fail "no $host in bin/"
    [ -s "$stage/share/man/man1/$host.1.gz" ] || fail "no man page of $host"
  done
  cmp -s "$example" "$source_dir/examples/example_host.c" || fail "no example"
  cmp -s "$gschema" "$source_dir/data/org.tamrik.zorvane.gschema.xml" ||
    fail "GSettings schema not installed"
  if [ -n "$with_gconf" ]; then
    cmp -s "$schema" "$build/data/zorvane.schemas" || fail "translated schema not installed"
  else
    [ ! -e "$stage/share/gconf" ] || fail "GConf schema installed on $distro"
  fi
  # A catalogue per language, the same bytes as its committed source makes.
  for language in $(sed 's/#.*//' "$source_dir/po/LINGUAS"); do
    msgfmt -o - "$source_dir/po/$language.po" |
      cmp -s - "$stage/share/locale/$language/LC_MESSAGES/zorvane-plugin.mo" ||
      fail "no catalogue for $language"
  done
  ;;

gsettings)
  # The GSettings schema, compiled as GLib's trigger does, is what the hosts
  # find: the header's id and path, the defaults level 1 and sound 0, and the
  # GConf schema's texts.
  compile_schema
  define () { sed -n "s/^#define $1 \"\(.*\)\"\$/\1/p" "$source_dir/include/zorvane/plugin_host.h"; }
  grep -q "<schema id=\"$(define PLUGIN_GSETTINGS_SCHEMA)\" path=\"$(define PLUGIN_GSETTINGS_PATH)\">" "$gschema" ||
    fail "GSettings schema id or path is not the header's"
  [ "$(gsettings get org.tamrik.zorvane level) $(gsettings get org.tamrik.zorvane sound)" = "1 0" ] ||
    fail "GSettings defaults"
  texts () { sed -n "/<locale name=\"[^C]/,/<\/locale>/d; s/.*<$1>\(.*\)<\/$1>.*/\1/p" "$2"; }
  [ "$(texts summary "$gschema")" = "$(texts short "$build/data/zorvane.schemas")" ] &&
    [ "$(texts description "$gschema")" = "$(texts long "$build/data/zorvane.schemas")" ] ||
    fail "GSettings texts differ from GConf's"
  ;;

gconf)
  [ -n "$with_gconf" ] || skip "$distro has no GConf, and the packages no GConf schema"
  command -v gconftool-2 >/dev/null || skip "no gconftool-2 (scripts/install-deps installs it)"
  # Registered, the schema documents both keys without changing what is read.
  GCONF_CONFIG_SOURCE=xml:readwrite:$HOME/.gconf \
    gconftool-2 --makefile-install-rule "$schema" >/dev/null || fail "schema rejected"
  # Its short descriptions are the controls' tooltips.
  for key in "level:1:The level a new game starts at" \
    "sound:0:Whether the game plays sound"; do
    name=${key%%:*} rest=${key#*:}
    got=$(gconftool-2 --get "/apps/tamrik/zorvane/$name")
    [ "$got" = "${rest%%:*}" ] || fail "default of $name is '$got'"
    got=$(gconftool-2 --short-docs "/apps/tamrik/zorvane/$name")
    [ "$got" = "${rest#*:}" ] || fail "short description of $name: '$got'"
  done
  # And in the player's language, short and long (without a long description
  # GConf's system-wide merge drops a language).
  docs () { locale_env "$1" gconftool-2 "$2" "/apps/tamrik/zorvane/$3" | iconv -f "${1#*.}" -t UTF-8; }
  [ "$(docs de_DE.UTF-8 --short-docs sound)" = "Legt fest, ob das Spiel Klänge abspielt" ] ||
    fail "German short description: $(docs de_DE.UTF-8 --short-docs sound)"
  case $(docs de_DE.UTF-8 --long-docs level) in
    "Die Stufe, mit der ein neues Spiel beginnt, von 1 "*) ;;
    *) fail "German long description: $(docs de_DE.UTF-8 --long-docs level)" ;;
  esac
  [ "$(docs ru_RU.KOI8-R --short-docs level)" = "Уровень, с которого начинается новая игра" ] ||
    fail "Russian short description: $(docs ru_RU.KOI8-R --short-docs level)"
  ;;

host)
  # Each installed host finds the installed plug-in and catalogues by itself,
  # and the player's picks, made with real X input, are saved: into GConf
  # where the machine has it (the host loads it then), else into GSettings.
  . "$source_dir/tests/store.sh"
  for host in $hosts; do
    $run "$stage/bin/$host" --screenshot "$work/shot.png" >/dev/null 2>&1 ||
      fail "installed $host cannot run"
    [ "$(locale_env de_DE.UTF-8 $run "$stage/bin/$host" --help | head -n 1)" = \
      "Aufruf: zorvane-host [OPTION]..." ] || fail "installed $host does not speak German"
    store_set level 1 && store_set sound 0 &&
      sh "$source_dir/tests/e2e_test.sh" "$stage/bin/$host" ||
      fail "installed $host driven with X input"
  done
  ;;

example)
  # The shipped example host, in C, built against the staged kit alone with
  # the build line its opening comment gives for this target (strict C on top).
  export PKG_CONFIG_PATH=$libdir/pkgconfig
  pluginsdir=$(pkg-config --variable=pluginsdir zorvane-plugin)
  [ "$pluginsdir" = "$stage/lib/$triplet/zorvane/plugins" ] || fail "pluginsdir is $pluginsdir"
  case $target in i386) heading='32-bit x86' ;; *) heading=x86_64 ;; esac
  build_line=$(sed -n "/^ \* $heading/,/^ \*\$/{ /^ \*   /s/^ \*   //p }" "$example")
  [ -n "$build_line" ] || fail "no build line for $heading in the example"
  readme_line=$(sed -n '/^## For integrators/,/^## /{/^cc -o gconf_host/,/[^\\]$/p}' "$source_dir/README.md")
  [ -n "$readme_line" ] || fail "no GConf build line in the README"
  build_in () { (cd "$1" && cc () { command cc -std=c11 -Wall -Wextra -Werror "$@"; } &&
    eval "$2") || fail "example host does not build with: $2"; }
  compile_schema
  # The lines name GTK+ 2; a GTK 3 host takes gtk+-3.0 in their place, as the
  # example says.  Once for each toolkit the hosts here are built for.
  for toolkit in $(for host in $hosts; do toolkit_of "$host"; done); do
    line=$(echo "$build_line" | sed "s/gtk+-2\.0/$toolkit/g")
    mkdir "$work/$toolkit"
    cp "$example" "$work/$toolkit" && build_in "$work/$toolkit" "$line"
    # Linked with the toolkit alone, it keeps the settings in GSettings.
    gsettings set org.tamrik.zorvane level 4
    # Image loaders that run in a bubblewrap sandbox say so where it cannot
    # (in a chroot): that line is the machine's, not the host's.
    out=$($run "$work/$toolkit/example_host" 2>&1 |
      grep -v -e ' : load_plugin : ' -e '^WARNING: Glycin running without sandbox')
    [ "$out" = "panel: level 4, sound off
menu: Level 4, sound off
saved: level 4, sound 0" ] || fail "example host built with '$line' printed: $out"
    # A host that keeps the settings in GConf, built with the README's line
    # (x86_64, where gconf-2.0.pc is): it calls no GConf itself, yet needs
    # it, and the plug-in in it reads and writes that store.
    if [ $target = amd64 ] && command -v gconftool-2 >/dev/null; then
      line=$(echo "$readme_line" | sed "s/gtk+-2\.0/$toolkit/g")
      mkdir "$work/$toolkit/gconf"
      sed '/GSettings \*store/,/"sound"));/d' "$example" >"$work/$toolkit/gconf/gconf_host.c"
      build_in "$work/$toolkit/gconf" "$line"
      readelf -d "$work/$toolkit/gconf/gconf_host" | grep -q 'NEEDED.*\[libgconf-2\.so\.4\]' ||
        fail "GConf not needed by the host built with: $line"
      gconftool-2 --set --type=int /apps/tamrik/zorvane/level 4
      gconftool-2 --set --type=int /apps/tamrik/zorvane/sound 5
      out=$($run "$work/$toolkit/gconf/gconf_host" 2>&1 | grep -v ' : load_plugin : ')
      [ "$out" = "panel: level 4, sound on
menu: Level 4, sound on" ] && [ "$(gconftool-2 --get /apps/tamrik/zorvane/sound)" = 1 ] ||
        fail "host built with '$line' printed: $out"
    fi
  done
  ;;

header)
  # The header compiles quietly in each dialect a host may use, after the
  # toolkit's own GtkWidget typedef, and a copy with a field too many fails
  # its layout checks in each.
  export PKG_CONFIG_PATH=$libdir/pkgconfig
  cflags=$(pkg-config --cflags zorvane-plugin) || fail "no zorvane-plugin.pc"
  mkdir -p "$work/broken/zorvane"
  sed 's/^\( *\)void \*host_data;.*/&\n\1void *extra;/' "$stage/include/zorvane/plugin_host.h" \
    >"$work/broken/zorvane/plugin_host.h"
  [ $target = i386 ] && m32=-m32 || m32=
  tu () { printf 'typedef struct _GtkWidget GtkWidget;\n#include <zorvane/plugin_host.h>\n' |
    command cc $m32 -x "$language" \
    -std="$std" -Wall -Wextra -pedantic -Werror "$@" -c -o /dev/null - 2>&1; }
  for std in c89 gnu89 c99 gnu99 c11 c++98 c++03 c++11 c++17; do
    case $std in c++*) language=c++ ;; *) language=c ;; esac
    out=$(tu $cflags) || fail "header in $std: $out"
    tu -I"$work/broken" | grep -q five_fields || fail "a broken layout passes in $std"
  done
  ;;

packages)
  # The packages; the same bytes from a second run, a second later.
  rm -rf "$shared/deb1" "$shared/deb2" "$shared"/root-*
  [ -n "$version" ] || fail "no package version in $build/CPackConfig.cmake"
  for round in 1 2; do
    mkdir -p "$shared/deb$round"
    (cd "$shared/deb$round" && cpack -G DEB --config "$build/CPackConfig.cmake" >/dev/null) ||
      fail "cpack"
    [ $round = 1 ] && sleep 1
  done
  # Named for the Debian release they are built on: a later release's build
  # of the same source sorts after, and testing's and unstable's after the
  # last release's.
  case $release in
    '') want='dpkg --compare-versions "$version" gt "${version%+deb*}+deb13"' ;;
    *) want='[ "$version" = "${version%+deb*}+deb$release" ]' ;;
  esac
  case $version in *+deb[0-9]*) eval "$want" ;; *) false ;; esac ||
    fail "version $version does not name $distro"
  for name in zorvane-plugin zorvane-plugin-dev $hosts; do
    file=$(deb $name)
    [ -f "$file" ] || { fail "no $name package $file"; continue; }
    cmp -s "$file" "$shared/deb2/${file##*/}" || fail "$name differs between two runs"
    [ "$(dpkg-deb -f "$file" Architecture)" = "$target" ] || fail "$name architecture"
    [ "$(dpkg-deb -f "$file" Version)" = "$version" ] || fail "$name version"
    dpkg-deb -e "$file" "$work/control-$name"
    [ "$(ls "$work/control-$name" | tr '\n' ' ')" = "control md5sums " ] ||
      fail "$name has maintainer scripts"
    dpkg-deb -x "$file" "$shared/root-$name"
    # GConf only recommended, and only where the release has it: the
    # packages install where it is gone, and carry nothing that nothing reads.
    case $(dpkg-deb -f "$file" Depends) in *gconf*) fail "$name depends on GConf" ;; esac
    recommends=$(dpkg-deb -f "$file" Recommends)
    case $with_gconf:$name:$recommends in
      1:zorvane-plugin:gconf2 | 1:zorvane-host*:libgconf-2-4 | *:zorvane-plugin-dev:) ;;
      :*:*gconf*) fail "$name recommends $recommends on $distro" ;;
      1:*) fail "$name recommends '$recommends'" ;;
    esac
  done
  # Their file times: the last commit's, or without git's history the date
  # of the changelog's latest entry, as Debian's own builds take it.
  mkdir -p "$work/no-history/packaging"
  cp "$source_dir/packaging/changelog" "$work/no-history/packaging/"
  printf 'set(CPACK_ZORVANE_SOURCE_DIR "%s")\ninclude("%s")\nmessage("$ENV{SOURCE_DATE_EPOCH}")\n' \
    "$work/no-history" "$source_dir/packaging/CPackTimes.cmake" >"$work/times.cmake"
  entry=$(sed -n 's/^ -- .*>  //p' "$source_dir/packaging/changelog" | head -n 1)
  [ "$(env -u SOURCE_DATE_EPOCH cmake -P "$work/times.cmake" 2>&1)" = "$(date -u -d "$entry" +%s)" ] ||
    fail "a tree without history does not take the changelog's date ($entry)"
  for name in zorvane-plugin-dev $hosts; do
    case $(dpkg-deb -f "$(deb $name)" Depends) in
      *"zorvane-plugin (= $version)"*) ;;
      *) fail "$name does not depend on zorvane-plugin $version" ;;
    esac
  done
  depends=$(dpkg-deb -f "$(deb zorvane-plugin)" Depends)
  for want in "libc6 (>= $glibc_floor)" "libglib2.0-0 (>= 2.16)" "libgtk2.0-0 | libgtk-3-0" \
    "dconf-gsettings-backend | gsettings-backend"; do
    case ", $depends," in *", $want,"*) ;; *) fail "plug-in does not depend on $want: $depends" ;; esac
  done
  gconf_schema=$shared/root-zorvane-plugin/usr/share/gconf/schemas/zorvane.schemas
  if [ -n "$with_gconf" ]; then
    cmp -s "$gconf_schema" "$build/data/zorvane.schemas" || fail "no GConf schema in the plug-in's package"
  else
    [ ! -e "$shared/root-zorvane-plugin/usr/share/gconf" ] ||
      fail "GConf schema in the plug-in's package on $distro"
  fi
  ;;

lintian)
  # One run for them all: most of lintian's time is its start.
  lintian --fail-on error,warning "$(deb zorvane-plugin)" "$(deb zorvane-plugin-dev)" \
    $(for name in $hosts; do deb $name; done) || fail "lintian"
  ;;

apt)
  # apt-get takes them all on this release, with what they depend on from
  # its archive (simulated: nothing is installed).
  out=$(apt-get install -s "$(deb zorvane-plugin)" "$(deb zorvane-plugin-dev)" \
    $(for name in $hosts; do deb $name; done) 2>&1) ||
    fail "apt-get install refused them: $out"
  for name in zorvane-plugin zorvane-plugin-dev $hosts; do
    # Another architecture's are named with it (zorvane-plugin:i386).
    echo "$out" | grep -q -F -e "Conf $name ($version " -e "Conf $name:$target ($version " ||
      fail "apt-get would not set up $name: $out"
  done
  ;;

multiarch)
  # Side by side with the other architecture: what lies outside the
  # architecture's own folder is the same bytes on both.
  for name in zorvane-plugin zorvane-plugin-dev; do
    [ "$(dpkg-deb -f "$(deb $name)" Multi-Arch)" = same ] || fail "$name is not Multi-Arch: same"
    root=$shared/root-$name
    [ -d "$root/usr" ] || fail "$name not unpacked"
    find "$root" -type f ! -path "$root/usr/lib/$triplet/*" | while read -r file; do
      case $file in
        */changelog.gz) gzip -dc "$file" | cmp -s - "$source_dir/packaging/changelog" &&
          [ "$(od -An -tx1 -j4 -N4 "$file" | tr -d ' ')" = 00000000 ] ;;
        */copyright) cmp -s "$file" "$source_dir/packaging/copyright" ;;
        */zorvane.schemas) cmp -s "$file" "$build/data/zorvane.schemas" ;;
        */org.tamrik.zorvane.gschema.xml) cmp -s "$file" "$source_dir/data/org.tamrik.zorvane.gschema.xml" ;;
        */plugin_host.h) cmp -s "$file" "$source_dir/include/zorvane/plugin_host.h" ;;
        */example_host.c) cmp -s "$file" "$source_dir/examples/example_host.c" ;;
        */zorvane-plugin.mo) language=${file%/LC_MESSAGES/*}
          msgfmt -o - "$source_dir/po/${language##*/}.po" | cmp -s - "$file" ;;
        *) false ;;
      esac || echo "FAIL: $name: ${file#"$root"} may differ between architectures"
    done | grep . && status=1
  done
  ;;

plain)
  # Without the presets: a plain configure packages the same plug-in; with a
  # prefix of its own, the package installs there, and there the plug-in
  # finds its catalogues in a host that binds none (the host's package alone
  # has no catalogues beside it).
  plain=$work/plain toolchain=
  [ "$target" = i386 ] && toolchain=$source_dir/cmake/i386-linux-gnu.cmake
  package_plain () {
    { cmake -S "$source_dir" -B "$plain" -DBUILD_TESTING=OFF \
      ${toolchain:+"-DCMAKE_TOOLCHAIN_FILE=$toolchain"} "$@" &&
      cmake --build "$plain" &&
      (cd "$plain" && cpack -G DEB -D CPACK_COMPONENTS_ALL=plugin); } >"$work/log" 2>&1 ||
      { tail -n 20 "$work/log"; false; }
  }
  package_plain || fail "plain configure, build or cpack"
  file=$(deb zorvane-plugin)
  cmp -s "$plain/${file##*/}" "$file" || fail "a plain configure packages another plug-in"
  package_plain -DCMAKE_INSTALL_PREFIX="$work/prefix" &&
    dpkg-deb -x "$plain/${file##*/}" "$work/plain-root" &&
    mv "$work/plain-root$work/prefix" "$work/prefix" ||
    fail "the package does not install under the configured prefix"
  set -- $hosts
  out=$(locale_env de_DE.UTF-8 $run "$shared/root-$1/usr/bin/$1" \
    --screenshot "$work/de.png" --plugin "$(find "$work/prefix" -name zorvane_plugin.so)" | tail -n 1)
  [ "$out" = "zorvane-host: $work/de.png geschrieben" ] ||
    fail "a host that binds no catalogue printed: $out"
  ;;

abi)
  # The oldest host userland it loads in: glibc $glibc_floor, GLib 2.16, GTK+
  # 2.12 with the ATK 1.20 it shipped with, and GConf 2, going by the
  # versions in Debian's symbols files; without GConf, GLib 2.40 for
  # GSettings.  glibc: every version the plug-in needs, weak references
  # included.
  plugin=$build/zorvane_plugin.so
  floor () { printf '%s\n%s\n' "$1" "$2" | sort -V | tail -n 1 | grep -qx "$2"; }
  readelf -V "$plugin" | sed -n 's/.*Name: GLIBC_\([0-9.]*\) .*/\1/p' |
    while read -r need; do
      floor "$need" "$glibc_floor" || echo "FAIL: needs glibc $need"
    done | grep . && status=1
  # The rest: every import libc does not version, but the toolchain's own
  # hooks.  Weak are exactly the store's calls, made only where they
  # resolved: GConf's three, which a host may lack, and those newer than GLib
  # 2.16 that only GSettings needs.  Every strong import is in GLib 2.16, GTK+
  # 2.12 or ATK 1.20.  (Debian 13 renamed the libraries with a t64 suffix.)
  weak="gconf_client_get_default gconf_client_get_int gconf_client_set_int
g_settings_apply g_settings_delay g_settings_get_boolean g_settings_get_int
g_settings_get_user_value g_settings_is_writable g_settings_new_full
g_settings_schema_get_key g_settings_schema_get_path g_settings_schema_has_key
g_settings_schema_key_get_value_type g_settings_schema_key_unref
g_settings_schema_source_get_default g_settings_schema_source_lookup
g_settings_schema_unref g_settings_set_boolean g_settings_set_int
g_settings_sync g_variant_type_equal g_variant_unref"
  imports=$(objdump -T "$plugin" | awk '/\*UND\*/ && !/\(GLIBC_/ { print $2, $NF }' |
    grep -v -e ' _ITM_' -e ' __gmon_start__$')
  [ "$(echo "$imports" | sed -n 's/^w //p' | sort | tr '\n' ' ')" = "$(echo $weak | tr ' ' '\n' | sort | tr '\n' ' ')" ] ||
    fail "weak imports: $(echo "$imports" | sed -n 's/^w //p' | tr '\n' ' ')"
  # GTK+ 2's floor is read from its symbols file; a machine without GTK+ 2
  # checks the rest and says it left that out.
  symbols () { cat "/var/lib/dpkg/info/$1:$target.symbols" "/var/lib/dpkg/info/${1}t64:$target.symbols" 2>/dev/null; }
  gtk2=libgtk2.0-0:2.12.0
  [ -n "$(symbols libgtk2.0-0 | head -n 1)" ] || gtk2=
  echo "$imports" | while read -r kind symbol; do
    case $kind:$symbol in w:gconf_*) continue ;; esac
    case $gtk2:$symbol in :gtk_* | :gdk_*) echo "$symbol" >>"$work/unchecked"; continue ;; esac
    libs="libglib2.0-0:2.16.0 $gtk2 libatk1.0-0:1.20.0"
    [ "$kind" = w ] && libs=libglib2.0-0:2.40.0
    found=
    for lib in $libs; do
      since=$(symbols "${lib%:*}" | awk -v s="$symbol@Base" '$1 == s { print $2; exit }')
      [ -n "$since" ] && found=$lib && break
    done
    [ -n "$found" ] && floor "${since%%-*}" "${found#*:}" ||
      echo "FAIL: $symbol is not in ${libs} (${found%:*} ${since:-none})"
  done | grep . && status=1
  if [ $status -eq 0 ] && [ -s "$work/unchecked" ]; then
    skip "GTK+ 2.12 as the floor of $(wc -l <"$work/unchecked") toolkit calls: libgtk2.0-0's symbols are not installed for $target (the floors of glibc, GLib and ATK hold)"
  fi
  ;;

*)
  echo "install_test.sh: no part $part" >&2
  exit 2
  ;;
esac

[ $status -eq 0 ] && echo "ok: $part"
exit $status
