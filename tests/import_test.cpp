// The reading of the player's GConf files (src/import.cpp, compiled in),
// without a display or a store.  Each file is also read by GConf itself,
// gconftool-2 --direct, which must agree: where it is not installed (Debian
// 13), that half is skipped.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#define GLIB_DISABLE_DEPRECATION_WARNINGS
#include "../src/plugin_private.h"
#include "command_output.h"

static std::string
make_home ()
{
  char *dir = g_dir_make_tmp ("zorvane-import-XXXXXX", nullptr);
  std::string home = dir;
  g_free (dir);
  return home;
}

static void
write_file (const std::string &path, const std::string &text)
{
  char *dir = g_path_get_dirname (path.c_str ());
  ASSERT_EQ (g_mkdir_with_parents (dir, 0700), 0);
  g_free (dir);
  ASSERT_TRUE (
      g_file_set_contents (path.c_str (), text.data (), text.size (), nullptr));
}

// The integer GConf reads for KEY from the store under DIR: "7", or "" for
// none (no value, or one of another type).
static std::string
gconf_reads (const std::string &dir, const char *key)
{
  std::string gconf
      = "HOME='" + dir
        + "' gconftool-2 --direct --config-source=xml:readonly:" + dir + " ";
  std::string name = std::string ("/apps/tamrik/zorvane/") + key;
  std::string command = gconf + "--get-type " + name
                        + " 2>/dev/null | grep -qx int && " + gconf + "--get "
                        + name + " 2>/dev/null";
  std::string out = command_output (command);
  if (!out.empty () && out.back () == '\n')
    out.pop_back ();
  return out;
}

static bool
have_oracle ()
{
  return system ("command -v gconftool-2 >/dev/null 2>&1") == 0;
}

static std::string
shown (bool have, int value)
{
  return have ? std::to_string (value) : "";
}

static int messages;
static std::string last_message;

static void
count_messages (const gchar *, GLogLevelFlags, const gchar *message, gpointer)
{
  messages++;
  last_message = message;
}

// One file's text: what the plug-in takes ("" for nothing), read as our own
// %gconf.xml or, with tree, as the merged %gconf-tree.xml at the top.
struct Contents
{
  const char *name;
  std::string text;
  const char *level, *sound;
  bool tree = false;
};

static void
PrintTo (const Contents &contents, std::ostream *out)
{
  *out << contents.name;
}

class GConfFileText : public ::testing::TestWithParam<Contents>
{
};

TEST_P (GConfFileText, ReadsWhatGConfReads)
{
  const Contents &row = GetParam ();
  static const char *const dirs[] = { "apps", "tamrik", "zorvane", nullptr };
  GConfValues found;
  GError *error = nullptr;
  parse_gconf_file (row.text.data (), row.text.size (),
                    row.tree ? dirs : nullptr, &found, &error);
  g_clear_error (&error);
  EXPECT_EQ (shown (found.have_level, found.level), row.level);
  EXPECT_EQ (shown (found.have_sound, found.sound), row.sound);

  // Where GConf is gone (Debian 13), the values above are the check.
  if (!have_oracle ())
    return;
  std::string home = make_home ();
  if (row.tree)
    write_file (home + "/%gconf-tree.xml", row.text);
  else
    {
      // GConf takes a folder to exist where its %gconf.xml does.
      write_file (home + "/apps/%gconf.xml", "");
      write_file (home + "/apps/tamrik/%gconf.xml", "");
      write_file (home + "/apps/tamrik/zorvane/%gconf.xml", row.text);
    }
  EXPECT_EQ (gconf_reads (home, "level"), row.level) << "GConf disagrees";
  EXPECT_EQ (gconf_reads (home, "sound"), row.sound) << "GConf disagrees";
  ASSERT_EQ (system (("rm -rf '" + home + "'").c_str ()), 0);
}

#define LEVEL(v)                                                               \
  "<entry name=\"level\" mtime=\"1\" type=\"int\" value=\"" v "\"/>"
#define SOUND(v) "<entry name=\"sound\" type=\"int\" value=\"" v "\"/>"
#define FILE_OF(entries)                                                       \
  "<?xml version=\"1.0\"?>\n<gconf>\n" entries "</gconf>\n"
#define OUR_DIRS(entries)                                                      \
  "<dir name=\"apps\"><dir name=\"tamrik\"><dir name=\"zorvane\">" entries     \
  "</dir></dir></dir>"
INSTANTIATE_TEST_SUITE_P (
    Import, GConfFileText,
    ::testing::Values (
        Contents{ "AsGConfWritesIt", FILE_OF (LEVEL ("7") SOUND ("1")), "7",
                  "1" },
        // Integers as GConf's parser reads them.
        Contents{ "TrailingBlank", FILE_OF (LEVEL ("7 ") SOUND ("1")), "7",
                  "1" },
        Contents{ "TrailingLetter", FILE_OF (LEVEL ("7x") SOUND ("1")), "7",
                  "1" },
        Contents{ "Decimal", FILE_OF (LEVEL ("7.0") SOUND ("1")), "7", "1" },
        Contents{ "LeadingBlanks", FILE_OF (LEVEL (" \t7") SOUND ("+1")), "7",
                  "1" },
        Contents{ "HexIsZero", FILE_OF (LEVEL ("0x7") SOUND ("08")), "0", "8" },
        Contents{ "Exponent", FILE_OF (LEVEL ("1e3") SOUND ("-0")), "1", "0" },
        Contents{ "CharacterReference", FILE_OF (LEVEL ("&#55;") SOUND ("1")),
                  "7", "1" },
        Contents{ "Extremes",
                  FILE_OF (LEVEL ("-2147483648") SOUND ("2147483647")),
                  "-2147483648", "2147483647" },
        // A value GConf cannot read ends its reading there.
        Contents{ "Beyond32Bits", FILE_OF (SOUND ("1") LEVEL ("99999999999")),
                  "", "1" },
        Contents{ "JustBeyond", FILE_OF (LEVEL ("2147483648") SOUND ("1")), "",
                  "" },
        Contents{ "NoDigits", FILE_OF (SOUND ("1") LEVEL ("x7")), "", "1" },
        Contents{ "Empty", FILE_OF (LEVEL ("") SOUND ("1")), "", "" },
        Contents{ "SignsOnly", FILE_OF (LEVEL ("+-7") SOUND ("1")), "", "" },
        // The first of two entries counts, whatever its type.
        Contents{ "TwiceTheFirst",
                  FILE_OF (LEVEL ("7") LEVEL ("3") SOUND ("1")), "7", "1" },
        Contents{ "FirstIsAString",
                  FILE_OF ("<entry name=\"level\" type=\"string\">"
                           "<stringvalue>9</stringvalue></entry>" LEVEL ("7")
                               SOUND ("1")),
                  "", "1" },
        Contents{
            "FirstHasNoValue",
            FILE_OF ("<entry name=\"level\" schema=\"/schemas/x\"/>" LEVEL ("5")
                         SOUND ("1")),
            "", "1" },
        Contents{
            "SchemaAndValue",
            FILE_OF ("<entry name=\"level\" schema=\"/schemas/x\" "
                     "muser=\"me\" type=\"int\" value=\"5\"/>" SOUND ("1")),
            "5", "1" },
        Contents{ "OtherEntriesAndMarkup",
                  "<!-- x --><gconf><?pi x?><![CDATA[y]]>"
                  "<entry name=\"l\" type=\"list\" ltype=\"int\"><li "
                  "type=\"int\" value=\"1\"/></entry><entry name=\"b\" "
                  "type=\"bool\" value=\"false\"/><entry name=\"f\" "
                  "type=\"float\" value=\" 2x\"/>" LEVEL ("7")
                      SOUND ("1") "</gconf>",
                  "7", "1" },
        Contents{ "OtherCase",
                  FILE_OF ("<entry name=\"Level\" type=\"int\" "
                           "value=\"7\"/>" SOUND ("1")),
                  "", "1" },
        // Damage after the entries: what came before stays.
        Contents{ "CutAfterTheEntries", "<gconf>" LEVEL ("7") SOUND ("1"), "7",
                  "1" },
        Contents{ "CutInAnEntry", "<gconf>" LEVEL ("7") SOUND ("1") "<entry n",
                  "7", "1" },
        Contents{ "NulPadding",
                  std::string (FILE_OF (LEVEL ("7") SOUND ("1")))
                      + std::string (64, '\0'),
                  "7", "1" },
        Contents{ "NulBetweenEntries",
                  std::string ("<gconf>" LEVEL ("7")) + '\0'
                      + SOUND ("1") "</gconf>",
                  "7", "1" },
        Contents{ "StrayBracket",
                  "<gconf>" LEVEL ("7") " < " SOUND ("1") "</gconf>", "7", "" },
        Contents{ "UndefinedEntityLater",
                  FILE_OF (LEVEL ("7") SOUND ("1") "<entry name=\"s\" "
                                                   "type=\"string\"><"
                                                   "stringvalue>&foo;</"
                                                   "stringvalue></entry>"),
                  "7", "1" },
        Contents{ "UndefinedEntityBefore",
                  FILE_OF ("<entry name=\"s\" type=\"string\"><stringvalue>&"
                           "foo;</stringvalue></entry>" LEVEL ("7")
                               SOUND ("1")),
                  "", "" },
        Contents{ "WrongClosingTag",
                  "<gconf>" LEVEL ("7") SOUND ("1") "</gconfx>", "7", "1" },
        // What GConf checks in the markup stops it where it is.
        Contents{ "UnknownAttributeBetween",
                  FILE_OF (LEVEL (
                      "7") "<entry name=\"x\" locale=\"C\"/>" SOUND ("1")),
                  "7", "" },
        Contents{ "ContentInAnInteger",
                  FILE_OF ("<entry name=\"level\" type=\"int\" value=\"7\">"
                           "<longdesc/></entry>" SOUND ("1")),
                  "7", "" },
        Contents{ "TextBetween", FILE_OF (LEVEL ("7") "text" SOUND ("1")), "7",
                  "" },
        Contents{
            "BadBoolBefore",
            FILE_OF ("<entry name=\"b\" type=\"bool\" value=\"TRUE\"/>" LEVEL (
                "7") SOUND ("1")),
            "", "" },
        Contents{
            "BadFloatBefore",
            FILE_OF (
                "<entry name=\"f\" type=\"float\" value=\"1e400\"/>" LEVEL ("7")
                    SOUND ("1")),
            "", "" },
        Contents{ "ListWithoutType",
                  FILE_OF ("<entry name=\"l\" type=\"list\"/>" LEVEL ("7")
                               SOUND ("1")),
                  "", "" },
        Contents{ "UnknownType",
                  FILE_OF ("<entry name=\"x\" type=\"wat\"/>" LEVEL ("7")
                               SOUND ("1")),
                  "", "" },
        Contents{ "NoName",
                  FILE_OF ("<entry type=\"int\" value=\"1\"/>" LEVEL ("7")
                               SOUND ("1")),
                  "", "" },
        Contents{ "FolderInOurFile",
                  FILE_OF ("<dir name=\"a\"/>" LEVEL ("7") SOUND ("1")), "",
                  "" },
        Contents{ "OtherRoot",
                  "<settings>" LEVEL ("7") SOUND ("1") "</settings>", "", "" },
        Contents{ "ByteOrderMark", "\xEF\xBB\xBF" FILE_OF (LEVEL ("7")), "",
                  "" },
        Contents{ "Latin1Before",
                  FILE_OF ("<entry name=\"s\" type=\"string\"><stringvalue>\xE9"
                           "</stringvalue></entry>" LEVEL ("7")),
                  "", "" },
        Contents{ "Blank", " \n", "", "" },
        // The merged form, as gconf-merge-tree leaves it.
        Contents{ "Merged",
                  FILE_OF (OUR_DIRS (SOUND ("1") LEVEL (
                      "7")) "<dir name=\"apps\"><dir name=\"x\"/></dir>"),
                  "7", "1", true },
        Contents{ "MergedFirstFolderOfAName",
                  FILE_OF ("<dir name=\"apps\"><dir name=\"tamrik\"><dir "
                           "name=\"zorvane\">" SOUND (
                               "1") "</dir><dir "
                                    "name=\"zorvane\">" LEVEL (
                                        "4") "</dir></dir></dir>"),
                  "", "1", true },
        Contents{ "MergedSubfolderNotOurs",
                  FILE_OF (OUR_DIRS ("<dir name=\"sub\">" LEVEL (
                      "6") "</dir>" LEVEL ("8")) LEVEL ("2")),
                  "8", "", true },
        Contents{ "MergedDamageLater",
                  FILE_OF (OUR_DIRS (LEVEL ("8") SOUND ("0")) "<foo/>"), "8",
                  "0", true },
        Contents{ "MergedFolderWithoutName",
                  FILE_OF ("<dir>" OUR_DIRS (LEVEL ("8")) "</dir>"), "", "",
                  true }),
    [] (const ::testing::TestParamInfo<Contents> &info) {
      return std::string (info.param.name);
    });

// Which file GConf reads, under a home laid out as FILES (path, text): our
// own %gconf.xml, or a merged file above it, which then wins.  A FIFO or a
// device is passed over without waiting, with one message.
struct Layout
{
  const char *name;
  std::vector<std::pair<std::string, std::string>> files;
  const char *level, *sound;
  int messages;
};

static void
PrintTo (const Layout &layout, std::ostream *out)
{
  *out << layout.name;
}

class GConfHome : public ::testing::TestWithParam<Layout>
{
};

#define OURS ".gconf/apps/tamrik/zorvane/%gconf.xml"
#define PARENTS                                                                \
  { ".gconf/apps/%gconf.xml", "" }, { ".gconf/apps/tamrik/%gconf.xml", "" }
#define TREE ".gconf/%gconf-tree.xml"

TEST_P (GConfHome, ReadsTheFileGConfReads)
{
  const Layout &row = GetParam ();
  std::string home = make_home ();
  for (auto &file : row.files)
    {
      std::string path = home + "/" + file.first;
      if (file.second == "FIFO" || file.second == "ZERO")
        {
          char *dir = g_path_get_dirname (path.c_str ());
          g_mkdir_with_parents (dir, 0700);
          g_free (dir);
          if (file.second == "FIFO")
            ASSERT_EQ (mkfifo (path.c_str (), 0600), 0);
          else
            ASSERT_EQ (symlink ("/dev/zero", path.c_str ()), 0);
        }
      else if (file.second == "HUGE")
        write_file (path, FILE_OF (LEVEL ("7")) + std::string (1 << 20, ' '));
      else
        write_file (path, file.second);
    }
  messages = 0;
  g_log_set_handler (nullptr, G_LOG_LEVEL_MESSAGE, count_messages, nullptr);
  GConfValues found;
  read_gconf_files (home.c_str (), &found);
  EXPECT_EQ (shown (found.have_level, found.level), row.level);
  EXPECT_EQ (shown (found.have_sound, found.sound), row.sound);
  EXPECT_EQ (messages, row.messages);
  // A FIFO or a device is not read at all.
  for (auto &file : row.files)
    if (file.second == "FIFO" || file.second == "ZERO")
      {
        EXPECT_NE (last_message.find (": not a regular file"),
                   std::string::npos)
            << last_message;
      }
  // GConf would wait on a FIFO, and reads files of any size.
  bool special = false;
  for (auto &file : row.files)
    special = special || file.second == "FIFO" || file.second == "ZERO"
              || file.second == "HUGE";
  if (have_oracle () && !special)
    {
      EXPECT_EQ (gconf_reads (home + "/.gconf", "level"), row.level);
      EXPECT_EQ (gconf_reads (home + "/.gconf", "sound"), row.sound);
    }
  ASSERT_EQ (system (("rm -rf '" + home + "'").c_str ()), 0);
}

INSTANTIATE_TEST_SUITE_P (
    Import, GConfHome,
    ::testing::Values (
        Layout{ "None", {}, "", "", 0 },
        Layout{ "OurOwnFile",
                { PARENTS, { OURS, FILE_OF (LEVEL ("7") SOUND ("1")) } },
                "7",
                "1",
                0 },
        Layout{ "NoFileOnTheWay",
                { { OURS, FILE_OF (LEVEL ("7") SOUND ("1")) } },
                "",
                "",
                0 },
        Layout{ "MergedWinsOverOurOwn",
                { PARENTS,
                  { OURS, FILE_OF (LEVEL ("3")) },
                  { TREE, FILE_OF (OUR_DIRS (LEVEL ("7") SOUND ("1"))) } },
                "7",
                "1",
                0 },
        Layout{ "MergedWithoutUs",
                { PARENTS,
                  { OURS, FILE_OF (LEVEL ("3")) },
                  { TREE, FILE_OF ("<dir name=\"apps\"/>") } },
                "",
                "",
                0 },
        Layout{ "MergedDamaged",
                { PARENTS, { OURS, FILE_OF (LEVEL ("3")) }, { TREE, "junk" } },
                "",
                "",
                1 },
        Layout{
            "MergedBelowTheTop",
            { { ".gconf/apps/%gconf-tree.xml",
                FILE_OF ("<dir name=\"tamrik\"><dir name=\"zorvane\">" LEVEL (
                    "5") "</dir></dir>") } },
            "5",
            "",
            0 },
        Layout{ "Empty", { PARENTS, { OURS, "" } }, "", "", 1 },
        Layout{ "Fifo", { PARENTS, { OURS, "FIFO" } }, "", "", 1 },
        Layout{ "DeviceLink", { PARENTS, { OURS, "ZERO" } }, "", "", 1 },
        Layout{ "FifoAsMerged", { { TREE, "FIFO" } }, "", "", 1 },
        Layout{ "OverAMebibyte", { PARENTS, { OURS, "HUGE" } }, "", "", 1 }),
    [] (const ::testing::TestParamInfo<Layout> &info) {
      return std::string (info.param.name);
    });

TEST (GConfHomeUnset, ImportsNothing)
{
  std::string cwd = make_home ();
  write_file (cwd + "/" OURS, FILE_OF (LEVEL ("7")));
  write_file (cwd + "/.gconf/apps/%gconf.xml", "");
  write_file (cwd + "/.gconf/apps/tamrik/%gconf.xml", "");
  ASSERT_EQ (chdir (cwd.c_str ()), 0);
  GConfValues found;
  for (const char *home : { "", (const char *)nullptr })
    {
      read_gconf_files (home, &found);
      EXPECT_FALSE (found.have_level);
    }
  read_gconf_files (".", &found);
  EXPECT_TRUE (found.have_level) << "the file is there";
}
