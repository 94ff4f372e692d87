#!/bin/sh
# The catalogues as a release needs them, for every language of po/LINGUAS:
#   catalogue_lint.sh HOST SOURCE_DIR TEMPLATE TEST_LOCALES
# complete (nothing untranslated or fuzzy), with a team to write to and
# honest dates, and a --help whose every line fits 79 columns (East Asian
# wide characters count two) and starts each option's description in column
# 22, apart from its argument.  In a legacy 8-bit locale the host's messages
# show no '?' for a character the charset lacks.  Every text of the template
# has a note for translators, and po/POTFILES.in names every file with texts.
set -u
host=$1 source_dir=$2 template=$3 locales=$4
run=${ZORVANE_EMULATOR:-}
status=0
fail () { echo "FAIL: $*"; status=1; }
languages=$(sed 's/#.*//' "$source_dir/po/LINGUAS")
LOCPATH=$locales
export LOCPATH
english=$(LC_ALL=C LANGUAGE= $run "$host" --help)

for language in $languages; do
  po=$source_dir/po/$language.po
  msgcmp "$po" "$template" || fail "$language: texts untranslated or fuzzy"
  grep -q '^"Language-Team: [^<]*<[^@>]*@[^>]*>\\n"$' "$po" ||
    fail "$language: no address in Language-Team"
  created=$(sed -n 's/^"POT-Creation-Date: \(.*\)\\n"$/\1/p' "$po")
  revised=$(sed -n 's/^"PO-Revision-Date: \(.*\)\\n"$/\1/p' "$po")
  [ "$(printf '%s\n' "$created" "$revised" | sort | head -n 1)" = "$created" ] ||
    fail "$language: revised $revised, before the template of $created"
  # Any UTF-8 locale but C's, which newer C libraries read LANGUAGE in no
  # more.
  help=$(LC_ALL=de_DE.UTF-8 LANGUAGE=$language $run "$host" --help)
  [ "$help" != "$english" ] || fail "$language: --help is not translated"
  width=$(printf '%s\n' "$help" | LC_ALL=de_DE.UTF-8 wc -L)
  [ "$width" -le 79 ] || fail "$language: --help is $width columns wide:
$help"
  # Two spaces at least after the argument, or the description on a line of
  # its own.
  misplaced=$(printf '%s\n' "$help" | LC_ALL=de_DE.UTF-8 sed -n -E \
    -e '/^  --[^ ]+( [^ ]+)?$/d' -e 's/^(  --[^ ]+( [^ ]+)?  +)[^ ].*/\1/p' \
    -e t -e '/^  --/p' | while IFS= read -r start; do
      [ "$(printf '%s\n' "$start" | LC_ALL=de_DE.UTF-8 wc -L)" -eq 21 ] ||
        echo "$start"
    done)
  [ -z "$misplaced" ] || fail "$language: an option's description does not start in column 22:
$misplaced"
done

# Each in its own charset: quotes it has, or plain ones; neither GLib's '?'
# nor iconv's ',,' for "„".
for locale in de_DE.ISO-8859-1 pl_PL.ISO-8859-2 ru_RU.KOI8-R; do
  echo "$languages" | grep -qx "${locale%%_*}" || continue
  out=$(LC_ALL=$locale LANGUAGE= $run "$host" --bogus 2>&1;
    LC_ALL=$locale LANGUAGE= $run "$host" --help)
  case $out in
    *"unknown or incomplete option"*) fail "$locale: the host speaks English" ;;
    *'?'* | *,,*) fail "$locale: '?' or ',,' for a character:
$(echo "$out" | iconv -f "${locale#*.}" -t UTF-8)" ;;
  esac
done

# msggrep matches nothing in a template whose charset is not named yet.
unexplained=$(sed 's/charset=CHARSET/charset=UTF-8/' "$template" |
  msggrep -v -X -e 'TRANSLATORS:' - | msgattrib --no-wrap --no-location - |
  sed -n '/^msgid/,/^msgstr/{ /^msgid ""$/d; /^msgstr/d; p; }')
[ -z "$unexplained" ] || fail "no TRANSLATORS comment for:
$unexplained"

cd "$source_dir" || exit 1
listed=$(sed 's/#.*//' po/POTFILES.in)
for file in $listed; do
  [ -f "$file" ] || fail "po/POTFILES.in names $file, which does not exist"
done
# Sources that mark texts with _ (), and the schemas, whose descriptions are
# texts.
for file in $( (grep -rE '(^|[^[:alnum:]_])_ ?\(' src host include examples bench |
  grep -v '#define _(' | cut -d: -f1
  grep -rlE '<(short|long|summary|description)>' data) | sort -u); do
  echo "$listed" | grep -qx "$file" ||
    fail "$file has texts to translate but is missing from po/POTFILES.in"
done

[ $status -eq 0 ] && echo "ok: $(echo $languages | wc -w) catalogues complete, --help fits and lines up, legacy charsets, comments, POTFILES.in"
exit $status
