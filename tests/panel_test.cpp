// Registration, the panel built from the store, and saving it back.
#include <dlfcn.h>
#include <libintl.h>
#include <locale.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>

#include "harness.h"

using Registration = PluginTest;

TEST_F (Registration, WritesItsFieldsAndNothingElse)
{
  struct
  {
    PluginRegistration known;
    void *beyond[3];
  } record;
  for (int call = 0; call < 2; call++)
    {
      memset (&record, 0xA5, sizeof record);
      const void *pattern = record.beyond[0];
      ASSERT_EQ (
          ((PluginInitFunc)plugin_symbol (PLUGIN_INIT_SYMBOL)) (&record.known),
          1);
      EXPECT_EQ (record.known.entries, plugin_symbol ("plugin_entries"));
      EXPECT_EQ (record.known.host_data, pattern);
      EXPECT_EQ (record.known.reserved_4, nullptr);
      EXPECT_EQ (record.known.reserved_5, nullptr);
      for (void *word : record.beyond)
        EXPECT_EQ (word, pattern);
      void **block = (void **)record.known.host_block;
      ASSERT_NE (block, nullptr);
      EXPECT_TRUE (block[0] == nullptr && block[1] == nullptr
                   && block[2] == nullptr);
    }
  const PluginEntries *table = record.known.entries;
  EXPECT_TRUE (table->load_plugin && table->noop && table->save_settings
               && table->build_settings_menu && table->sync_menu_from_panel);
  EXPECT_EQ (table->unused_6, nullptr);
  EXPECT_EQ (table->unused_7, nullptr);
  table->noop ();
  // All three words of the block are the host's to use.
  void **block = (void **)record.known.host_block;
  block[0] = block[1] = block[2] = &record;
  // The plug-in works beside them, and leaves them alone.
  load ();
  build_menu ();
  pick (level_item (4));
  entries->save_settings ();
  expect_agreement (4, false);
  EXPECT_TRUE (block[0] == &record && block[1] == &record
               && block[2] == &record);
}

// The panel shows the stored pair; building it writes nothing.
struct Stored
{
  const char *name;
  const char *level_type, *level, *sound_type, *sound;
  int shown_level;
  bool shown_sound;
};

static void
PrintTo (const Stored &stored, std::ostream *out)
{
  *out << stored.name;
}

class Panel : public PluginTest, public ::testing::WithParamInterface<Stored>
{
};

TEST_P (Panel, ShowsTheStoredSettingsAndSavesThemAsIntegers)
{
  const Stored &stored = GetParam ();
  if (stored.level)
    store_set (LEVEL_KEY, stored.level_type, stored.level);
  if (stored.sound)
    store_set (SOUND_KEY, stored.sound_type, stored.sound);
  std::string level_before = store_own (LEVEL_KEY);
  std::string sound_before = store_own (SOUND_KEY);

  ASSERT_NE (load (), nullptr);
  EXPECT_EQ (panel_level (), stored.shown_level);
  EXPECT_EQ (panel_sound (), stored.shown_sound);
  build_menu ();
  entries->sync_menu_from_panel ();
  expect_agreement (stored.shown_level, stored.shown_sound);
  EXPECT_EQ (store_own (LEVEL_KEY), level_before);
  EXPECT_EQ (store_own (SOUND_KEY), sound_before);

  for (int save = 0; save < 2; save++)
    {
      entries->save_settings ();
      EXPECT_EQ (store_get (LEVEL_KEY),
                 "int\n" + std::to_string (stored.shown_level) + "\n");
      EXPECT_EQ (store_get (SOUND_KEY),
                 stored.shown_sound ? "int\n1\n" : "int\n0\n");
    }
}

INSTANTIATE_TEST_SUITE_P (
    Store, Panel,
    ::testing::Values (
        Stored{ "Unset", "int", nullptr, "int", nullptr, 1, false },
        Stored{ "TooHighAndTwo", "int", "20", "int", "2", 12, true },
        Stored{ "Negative", "int", "-3", "int", "0", 1, false },
        Stored{ "Seven", "int", "7", "int", "1", 7, true },
        Stored{ "StringAndBool", "string", "9", "bool", "true", 1, false },
        Stored{ "FloatAndString", "float", "4.0", "string", "on", 1, false },
        Stored{ "ZeroAndMinusOne", "int", "0", "int", "-1", 1, true },
        Stored{ "Thirteen", "int", "13", "int", "0", 12, false },
        Stored{ "Extremes", "int", "-2147483648", "int", "2147483647", 1,
                true },
        Stored{ "Maximum", "int", "2147483647", "int", "-2147483648", 12,
                true },
        Stored{ "Lists", "list --list-type=int", "[3,4]",
                "list --list-type=int", "[1]", 1, false },
        Stored{ "Pairs", "pair --car-type=int --cdr-type=int", "(5,6)",
                "pair --car-type=int --cdr-type=int", "(1,1)", 1, false },
        Stored{ "SchemaDefaults", "schema", "5", "schema", "1", 5, true }),
    [] (const ::testing::TestParamInfo<Stored> &info) {
      return std::string (info.param.name);
    });

// A player whose GSettings store holds no value of a key sees what GConf's
// files hold for it; building the panel writes nothing, and the first save
// writes both keys and the mark, after which GConf's files are not read
// again.  GConf is not written.
struct GConfFile
{
  const char *name, *xml, *sound_held;
  int shown_level;
  bool shown_sound;
  int messages;
  // A save has set the mark before (and the keys were reset since).
  bool marked = false;
};

static void
PrintTo (const GConfFile &file, std::ostream *out)
{
  *out << file.name;
}

class Import : public PluginTest,
               public ::testing::WithParamInterface<GConfFile>
{
};

TEST_P (Import, ShowsTheGConfFileWhereGSettingsHoldsNothing)
{
  const GConfFile &file = GetParam ();
  std::string dir = std::string (getenv ("HOME")) + "/.gconf/apps";
  std::string path = dir + "/tamrik/zorvane/%gconf.xml";
  char *after = nullptr;
  ASSERT_EQ (g_mkdir_with_parents ((dir + "/tamrik/zorvane").c_str (), 0700),
             0);
  // GConf takes a folder to exist where its own file does.
  for (const char *folder : { "/%gconf.xml", "/tamrik/%gconf.xml" })
    ASSERT_TRUE (g_file_set_contents ((dir + folder).c_str (), "", 0, nullptr));
  ASSERT_TRUE (g_file_set_contents (path.c_str (), file.xml, -1, nullptr));
  if (file.sound_held)
    store_set (SOUND_KEY, "int", file.sound_held);
  if (file.marked)
    {
      ASSERT_EQ (system ("gsettings set " PLUGIN_GSETTINGS_SCHEMA
                         " imported-from-gconf true"),
                 0);
    }
  std::string held = store_own (SOUND_KEY);
  load ();
  EXPECT_EQ (panel_level (), file.shown_level);
  EXPECT_EQ (panel_sound (), file.shown_sound);
  EXPECT_EQ (store_own (LEVEL_KEY), "");
  EXPECT_EQ (store_own (SOUND_KEY), held);
  EXPECT_EQ (logged_messages, file.messages);
  entries->save_settings ();
  EXPECT_EQ (store_own (LEVEL_KEY), std::to_string (file.shown_level) + "\n");
  EXPECT_EQ (store_own (SOUND_KEY), file.shown_sound ? "1\n" : "0\n");
  EXPECT_EQ (store_own ("/apps/tamrik/zorvane/imported-from-gconf"), "true\n");
  ASSERT_TRUE (g_file_get_contents (path.c_str (), &after, nullptr, nullptr));
  EXPECT_STREQ (after, file.xml);
}

#define GCONF_ENTRIES(level, sound)                                            \
  "<?xml version=\"1.0\"?>\n<gconf>\n\t<entry name=\"level\" mtime=\"1\" "     \
  "type=\"int\" value=\"" level "\">\n\t</entry>\n\t<entry name=\"sound\" "    \
  "mtime=\"1\" type=\"int\" value=\"" sound "\"/>\n</gconf>\n"
INSTANTIATE_TEST_SUITE_P (
    Import, Import,
    ::testing::Values (
        GConfFile{ "Valid", GCONF_ENTRIES ("20", "2"), nullptr, 12, true, 0 },
        GConfFile{ "LevelOnly",
                   "<gconf><entry name=\"level\" type=\"int\" value=\"0\"/>"
                   "<entry name=\"other\" type=\"int\" value=\"1\"/></gconf>",
                   nullptr, 1, false, 0 },
        GConfFile{
            "OtherTypesAndSchemas",
            "<gconf><entry name=\"level\" schema=\"/schemas/l\"/>"
            "<entry name=\"level\" type=\"float\" value=\"9\"/>"
            "<entry name=\"sound\" type=\"list\" "
            "ltype=\"int\"><li type=\"int\" value=\"1\"/></entry></gconf>",
            nullptr, 1, false, 0 },
        // GConf keeps what comes before the damage.
        GConfFile{ "CutShort",
                   "<gconf><entry name=\"level\" type=\"int\" value=\"7\"/>"
                   "<entry name=",
                   nullptr, 7, false, 0 },
        GConfFile{ "Malformed", "<gconf><entry name=\"level\" value=\"<7\"/>",
                   nullptr, 1, false, 1 },
        GConfFile{ "Empty", "", nullptr, 1, false, 1 },
        // Per key: what GSettings holds stays.
        GConfFile{ "GSettingsHoldsTheSound", GCONF_ENTRIES ("7", "1"), "0", 7,
                   false, 0 },
        GConfFile{ "GSettingsHoldsTheSoundOn", GCONF_ENTRIES ("7", "0"), "1", 7,
                   true, 0 },
        // Reset after a save: GConf's values do not come back.
        GConfFile{ "MarkedDone", GCONF_ENTRIES ("7", "1"), nullptr, 1, false, 0,
                   true }),
    [] (const ::testing::TestParamInfo<GConfFile> &info) {
      return std::string (info.param.name);
    });

// A GSettings schema of another layout is no store: registration refuses it
// with one line that says what is wrong, and writes nothing into the record.
// The mark is optional.
struct Layout
{
  const char *name, *path, *keys, *said;
};

static void
PrintTo (const Layout &layout, std::ostream *out)
{
  *out << layout.name;
}

class Schema : public ::testing::TestWithParam<Layout>
{
};

#define KEY(name, type)                                                        \
  "<key name=\"" name "\" type=\"" type "\"><default>"                         \
  "false</default></key>"
#define INT_KEY(name, type)                                                    \
  "<key name=\"" name "\" type=\"" type "\">"                                  \
  "<default>1</default></key>"

TEST_P (Schema, OfAnotherLayoutIsRefusedNotFatal)
{
  const Layout &layout = GetParam ();
  std::string dir = std::string (getenv ("HOME")) + "/schemas";
  std::string xml
      = std::string ("<schemalist><schema id=\"" PLUGIN_GSETTINGS_SCHEMA "\"")
        + layout.path + ">" + layout.keys + "</schema></schemalist>";
  ASSERT_EQ (g_mkdir_with_parents (dir.c_str (), 0700), 0);
  ASSERT_TRUE (g_file_set_contents (
      (dir + "/" PLUGIN_GSETTINGS_SCHEMA ".gschema.xml").c_str (), xml.c_str (),
      -1, nullptr));
  ASSERT_EQ (system (("glib-compile-schemas " + dir).c_str ()), 0);
  setenv ("GSETTINGS_SCHEMA_DIR", dir.c_str (), 1);
  module = dlopen (ZORVANE_PLUGIN_FILE, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE (module, nullptr) << dlerror ();
  struct
  {
    PluginRegistration known;
    void *beyond;
  } record, pattern;
  memset (&record, 0xA5, sizeof record);
  memset (&pattern, 0xA5, sizeof pattern);
  int registered = 0;
  std::string said = capture_stderr ([&] {
    registered
        = ((PluginInitFunc)plugin_symbol (PLUGIN_INIT_SYMBOL)) (&record.known);
  });
  if (layout.said)
    {
      EXPECT_EQ (registered, 0);
      EXPECT_EQ (memcmp (&record, &pattern, sizeof record), 0);
      EXPECT_EQ (said, std::string ("zorvane_plugin.so: no settings store: ")
                           + layout.said + "\n");
      return;
    }
  ASSERT_EQ (registered, 1) << said;
  EXPECT_EQ (said, "");
  entries = record.known.entries;
  capture_stdout ([] { entries->load_plugin (); });
  set_level (5);
  entries->save_settings ();
  EXPECT_EQ (store_get (LEVEL_KEY), "int\n5\n");
}

INSTANTIATE_TEST_SUITE_P (
    Schema, Schema,
    ::testing::Values (
        Layout{ "NoPath", "", INT_KEY ("level", "i") INT_KEY ("sound", "i"),
                "the GSettings schema " PLUGIN_GSETTINGS_SCHEMA
                " has no path" },
        Layout{ "NoSound", " path=\"" PLUGIN_GSETTINGS_PATH "\"",
                INT_KEY ("level", "i"),
                "the GSettings schema " PLUGIN_GSETTINGS_SCHEMA
                " has no integer key sound" },
        Layout{ "BooleanLevel", " path=\"" PLUGIN_GSETTINGS_PATH "\"",
                KEY ("level", "b") INT_KEY ("sound", "i"),
                "the GSettings schema " PLUGIN_GSETTINGS_SCHEMA
                " has no integer key level" },
        Layout{ "WideSound", " path=\"" PLUGIN_GSETTINGS_PATH "\"",
                INT_KEY ("level", "i") INT_KEY ("sound", "x"),
                "the GSettings schema " PLUGIN_GSETTINGS_SCHEMA
                " has no integer key sound" },
        Layout{ "WithoutTheMark", " path=\"" PLUGIN_GSETTINGS_PATH "\"",
                INT_KEY ("level", "i") INT_KEY ("sound", "i"), nullptr },
        Layout{ "MarkOfAnotherType", " path=\"" PLUGIN_GSETTINGS_PATH "\"",
                INT_KEY ("level", "i") INT_KEY ("sound", "i")
                    INT_KEY ("imported-from-gconf", "i"),
                nullptr }),
    [] (const ::testing::TestParamInfo<Layout> &info) {
      return std::string (info.param.name);
    });

TEST_F (Panel, IsOneRowOfLabelledControls)
{
  GtkWidget *game_hbox = load ();
  ASSERT_TRUE (GTK_IS_HBOX (game_hbox));
  EXPECT_TRUE (gtk_box_get_homogeneous (GTK_BOX (game_hbox)));
  EXPECT_EQ (gtk_box_get_spacing (GTK_BOX (game_hbox)), 0);
  GList *rows = gtk_container_get_children (GTK_CONTAINER (game_hbox));
  ASSERT_EQ (g_list_length (rows), 2u);
  const char *labels[] = { "Starting level", "Sound" };
  GtkWidget *controls[]
      = { plugin_widget ("board_box"), plugin_widget ("sound_check") };
  ASSERT_TRUE (GTK_IS_SPIN_BUTTON (controls[0]));
  ASSERT_TRUE (GTK_IS_CHECK_BUTTON (controls[1]));
  EXPECT_EQ (gtk_bin_get_child (GTK_BIN (controls[1])), nullptr);
  double low, high, step, page;
  gtk_spin_button_get_range (GTK_SPIN_BUTTON (controls[0]), &low, &high);
  gtk_spin_button_get_increments (GTK_SPIN_BUTTON (controls[0]), &step, &page);
  EXPECT_TRUE (low == 1 && high == 12 && step == 1);
  show (game_hbox);
  for (int i = 0; i < 2; i++)
    {
      GtkWidget *row = GTK_WIDGET (g_list_nth_data (rows, i));
      gboolean expand, fill;
      guint padding;
      GtkPackType pack;
      gtk_box_query_child_packing (GTK_BOX (game_hbox), row, &expand, &fill,
                                   &padding, &pack);
      EXPECT_TRUE (!expand && !fill && padding == 2 && pack == GTK_PACK_START);
      EXPECT_EQ (gtk_box_get_spacing (GTK_BOX (row)), 4);
      EXPECT_FALSE (gtk_box_get_homogeneous (GTK_BOX (row)));
      GList *children = gtk_container_get_children (GTK_CONTAINER (row));
      ASSERT_EQ (g_list_length (children), 2u);
      // Left to right: the label, then its control.
      GtkWidget *label = GTK_WIDGET (g_list_nth_data (children, 0));
      EXPECT_EQ (g_list_nth_data (children, 1), controls[i]);
      EXPECT_STREQ (gtk_label_get_text (GTK_LABEL (label)), labels[i]);
      for (GtkWidget *child : { controls[i], label })
        {
          gtk_box_query_child_packing (GTK_BOX (row), child, &expand, &fill,
                                       &padding, &pack);
          EXPECT_TRUE (!expand && !fill && padding == 0
                       && pack == GTK_PACK_END);
        }
      GtkAllocation label_at, control_at;
      gtk_widget_get_allocation (label, &label_at);
      gtk_widget_get_allocation (controls[i], &control_at);
      EXPECT_LT (label_at.x, control_at.x);
    }
}

TEST_F (Panel, NamesEachControlAfterItsLabel)
{
  load ();
  const char *names[][2]
      = { { "board_box", "Starting level" }, { "sound_check", "Sound" } };
  for (auto &name : names)
    {
      AtkObject *control = gtk_widget_get_accessible (plugin_widget (name[0]));
      AtkRelationSet *set = atk_object_ref_relation_set (control);
      AtkRelation *labelled = atk_relation_set_get_relation_by_type (
          set, ATK_RELATION_LABELLED_BY);
      ASSERT_NE (labelled, nullptr) << name[0];
      GPtrArray *labels = atk_relation_get_target (labelled);
      ASSERT_EQ (labels->len, 1u);
      AtkObject *label = ATK_OBJECT (g_ptr_array_index (labels, 0));
      EXPECT_STREQ (atk_object_get_name (label), name[1]);
      AtkRelationSet *back = atk_object_ref_relation_set (label);
      EXPECT_TRUE (atk_relation_set_contains_target (
          back, ATK_RELATION_LABEL_FOR, control));
      g_object_unref (back);
      g_object_unref (set);
    }
}

// A second build opens the store no second time: the GConf client is
// taken once.
TEST_F (Panel, TracesOneLineFromItsOwnSourcePerBuild)
{
  // A second build takes no second reference on GConf's client (none where
  // the settings are in GSettings).
  static GObject *client;
  static guint references;
  std::string out = capture_stdout ([] {
    entries->load_plugin ();
    client = (GObject *)plugin_widget ("gcc");
    references = client ? client->ref_count : 0;
    entries->load_plugin ();
  });
  EXPECT_EQ (client ? client->ref_count : 0, references);
  size_t end = out.find ('\n');
  ASSERT_NE (end, std::string::npos);
  std::string line = out.substr (0, end + 1);
  EXPECT_EQ (out, line + line);
  EXPECT_EQ (line.rfind ("src/plugin.cpp : load_plugin : ", 0), 0u) << line;
  EXPECT_GT (atoi (line.c_str () + line.rfind (' ')), 0);
}

TEST_F (Panel, SavesWhatTheUserChanged)
{
  load ();
  gtk_spin_button_set_value (GTK_SPIN_BUTTON (plugin_widget ("board_box")), 5);
  gtk_button_clicked (GTK_BUTTON (plugin_widget ("sound_check")));
  entries->save_settings ();
  EXPECT_EQ (store_get (LEVEL_KEY), "int\n5\n");
  EXPECT_EQ (store_get (SOUND_KEY), "int\n1\n");
}

TEST_F (Panel, SaveBeforeLoadKeepsTheStore)
{
  store_set (LEVEL_KEY, "int", "9");
  EXPECT_EQ (capture_stdout (entries->save_settings), "");
  entries->noop ();
  EXPECT_EQ (store_get (LEVEL_KEY), "int\n9\n");
  EXPECT_EQ (store_own (SOUND_KEY), "");
  EXPECT_EQ (plugin_widget ("gcc"), nullptr);
}

TEST_F (Panel, WithoutAStoreStillComesUpPromptly)
{
  setenv ("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus", 1);
  allow_store_warnings = true;
  time_t start = time (nullptr);
  ASSERT_NE (load (), nullptr);
  build_menu ();
  entries->sync_menu_from_panel ();
  entries->save_settings ();
  EXPECT_LE (time (nullptr) - start, 2);
  expect_agreement (1, false);
}

// The player's language from the plug-in's own domain, valid UTF-8 even in a
// legacy 8-bit locale, with the host's own domain left alone.  The controls'
// accessible names are their labels; their tooltips, the schema's short
// descriptions.
struct Language
{
  const char *locale;
  const char *texts[9];
  // The host builds the menu before the panel.
  bool menu_first = false;
};

static void
PrintTo (const Language &language, std::ostream *out)
{
  *out << language.locale;
}

class Translated : public PluginTest,
                   public ::testing::WithParamInterface<Language>
{
};

TEST_P (Translated, ShowsThePlayersLanguage)
{
  const Language &language = GetParam ();
  setenv ("LOCPATH", ZORVANE_TEST_LOCALES, 1);
  unsetenv ("LANGUAGE");
  ASSERT_NE (setlocale (LC_ALL, language.locale), nullptr) << language.locale;
  // A host that keeps the catalogues beside it binds the domain first.
  bindtextdomain ("zorvane-plugin", ZORVANE_CATALOGUES);
  textdomain ("the-host");
  if (language.menu_first)
    build_menu ();
  GtkWidget *panel = load ();
  if (!language.menu_first)
    build_menu ();
  GList *rows = gtk_container_get_children (GTK_CONTAINER (panel));
  auto label_of = [] (GtkWidget *widget) {
    GtkWidget *label
        = GTK_IS_BIN (widget)
              ? gtk_bin_get_child (GTK_BIN (widget))
              : GTK_WIDGET (g_list_nth_data (
                  gtk_container_get_children (GTK_CONTAINER (widget)), 0));
    return gtk_label_get_text (GTK_LABEL (label));
  };
  auto name_of = [] (const char *control) {
    return atk_object_get_name (
        gtk_widget_get_accessible (plugin_widget (control)));
  };
  const char *shown[] = {
    label_of (GTK_WIDGET (g_list_nth_data (rows, 0))),
    label_of (GTK_WIDGET (g_list_nth_data (rows, 1))),
    label_of (plugin_widget ("settings_item")),
    label_of (plugin_widget ("difficulty_item")),
    label_of (level_item (9)),
    name_of ("board_box"),
    name_of ("sound_check"),
    gtk_widget_get_tooltip_text (plugin_widget ("board_box")),
    gtk_widget_get_tooltip_text (plugin_widget ("sound_check")),
  };
  for (int i = 0; i < 9; i++)
    {
      EXPECT_TRUE (g_utf8_validate (shown[i], -1, nullptr)) << i;
      EXPECT_STREQ (shown[i], language.texts[i]) << i;
    }
  EXPECT_STREQ (label_of (plugin_widget ("sound_item")), language.texts[1]);
  EXPECT_STREQ (textdomain (nullptr), "the-host");
}

#define GERMAN                                                                 \
  {                                                                            \
    "Startstufe", "Ton", "Einstellungen", "Schwierigkeitsgrad", "Stufe 9",     \
        "Startstufe", "Ton", "Die Stufe, mit der ein neues Spiel beginnt",     \
        "Legt fest, ob das Spiel Klänge abspielt"                             \
  }
INSTANTIATE_TEST_SUITE_P (
    Locales, Translated,
    ::testing::Values (
        Language{ "C",
                  { "Starting level", "Sound", "Settings", "Difficulty",
                    "Level 9", "Starting level", "Sound",
                    "The level a new game starts at",
                    "Whether the game plays sound" } },
        Language{ "de_DE.UTF-8", GERMAN },
        Language{ "de_DE.ISO-8859-1", GERMAN },
        Language{ "pl_PL.ISO-8859-2",
                  { "Poziom początkowy", "Dźwięk", "Ustawienia",
                    "Poziom trudności", "Poziom 9", "Poziom początkowy",
                    "Dźwięk", "Poziom, od którego zaczyna się nowa gra",
                    "Określa, czy gra odtwarza dźwięk" } },
        Language{ "ru_RU.KOI8-R",
                  { "Начальный уровень", "Звук", "Настройки", "Сложность",
                    "Уровень 9", "Начальный уровень", "Звук",
                    "Уровень, с которого начинается новая игра",
                    "Определяет, воспроизводит ли игра звук" } },
        // The menu first, in a host that binds no codeset of its own.
        Language{ "fr_FR.ISO-8859-1",
                  { "Niveau de départ", "Son", "Paramètres", "Difficulté",
                    "Niveau 9", "Niveau de départ", "Son",
                    "Le niveau auquel commence une nouvelle partie",
                    "Indique si le jeu émet du son" },
                  true }),
    [] (const ::testing::TestParamInfo<Language> &info) {
      std::string name = info.param.locale;
      std::replace_if (
          name.begin (), name.end (),
          [] (char c) { return !isalnum ((unsigned char)c); }, '_');
      return name;
    });
