// Faults from outside: a store that goes away, entries in any order, a host
// that unloads the module, passes null or saves after destroying the widgets.
#include <dlfcn.h>

#include <random>

#include "harness.h"

using Hardening = PluginTest;

static bool
store_daemon_running ()
{
  return system ("dbus-send --session --print-reply --dest=org.freedesktop.DBus"
                 " / org.freedesktop.DBus.NameHasOwner string:org.gnome.GConf"
                 " | grep -q 'boolean true'")
         == 0;
}

TEST_F (Hardening, SaveLandsAfterTheStoreDaemonRestarts)
{
  store_set (LEVEL_KEY, "int", "4");
  load ();
  ASSERT_TRUE (store_daemon_running ());
  ASSERT_EQ (system ("gconftool-2 --shutdown 2>/dev/null"), 0);
  for (int wait = 0; wait < 100 && store_daemon_running (); wait++)
    g_usleep (50000);
  ASSERT_FALSE (store_daemon_running ());
  gtk_spin_button_set_value (GTK_SPIN_BUTTON (plugin_widget ("board_box")), 11);
  gtk_button_clicked (GTK_BUTTON (plugin_widget ("sound_check")));
  entries->save_settings ();
  EXPECT_EQ (store_get (LEVEL_KEY), "int\n11\n");
  EXPECT_EQ (store_get (SOUND_KEY), "int\n1\n");
}

// Entries called in and out of order, repeated, between user actions.  After
// the host's own calls of entry 1 or 4 it brings the menu in line (entry 5),
// as a host that shows the menu does; from then on both sides must agree.
TEST_F (Hardening, SurvivesAnyOrderOfEntries)
{
  const unsigned seed = 7;
  std::mt19937 random (seed);
  bool loaded = false, built = false;
  for (int step = 0; step < 3000 && !HasFailure (); step++)
    {
      SCOPED_TRACE ("seed " + std::to_string (seed) + ", step "
                    + std::to_string (step));
      int target = 1 + (int)(random () % 12);
      switch (random () % 12)
        {
        case 0:
          if (step % 10 == 0)
            {
              capture_stdout ([] { entries->load_plugin (); });
              loaded = true;
              if (built)
                entries->sync_menu_from_panel ();
            }
          break;
        case 1:
          if (step % 5 == 0)
            {
              // A host replacing its menu destroys the old one first.
              if (built)
                gtk_widget_destroy (plugin_widget ("settings_item"));
              build_menu ();
              built = true;
              entries->sync_menu_from_panel ();
            }
          break;
        case 2:
          entries->sync_menu_from_panel ();
          break;
        case 3:
          if (step % 20 == 0)
            entries->save_settings ();
          break;
        case 4:
          entries->noop ();
          break;
        case 5:
        case 6:
          if (loaded)
            gtk_spin_button_set_value (
                GTK_SPIN_BUTTON (plugin_widget ("board_box")), target);
          break;
        case 7:
        case 8:
          if (built)
            gtk_menu_item_activate (GTK_MENU_ITEM (level_item (target)));
          break;
        case 9:
          if (loaded)
            gtk_button_clicked (GTK_BUTTON (plugin_widget ("sound_check")));
          break;
        default:
          if (built)
            gtk_menu_item_activate (
                GTK_MENU_ITEM (plugin_widget ("sound_item")));
        }
      if (loaded && built)
        expect_agreement (panel_level (), panel_sound ());
    }
  EXPECT_TRUE (loaded && built);
}

// Widgets in the host's window call into the module after the host has
// closed it: it stays mapped, and opening it again gives the same copy.
TEST_F (Hardening, StaysResidentWhenTheHostUnloadsIt)
{
  GtkWidget *panel = load ();
  show (panel);
  build_menu ();
  entries->sync_menu_from_panel ();
  GtkWidget *seven = level_item (7);
  ASSERT_EQ (dlclose (module), 0);
  gtk_menu_item_activate (GTK_MENU_ITEM (seven));
  module = dlopen (ZORVANE_PLUGIN_FILE, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE (module, nullptr) << dlerror ();
  EXPECT_EQ (register_plugin (), entries);
  expect_agreement (7, false);
  gtk_spin_button_set_value (GTK_SPIN_BUTTON (plugin_widget ("board_box")), 3);
  expect_agreement (3, false);
  gtk_widget_destroy (gtk_widget_get_toplevel (panel));
  EXPECT_EQ (plugin_widget ("board_box"), nullptr);
}

TEST_F (Hardening, RefusesOrSkipsNullArguments)
{
  EXPECT_EQ (((PluginInitFunc)plugin_symbol (PLUGIN_INIT_SYMBOL)) (nullptr), 0);
  load ();
  GtkWidget **items = entries->build_settings_menu (nullptr);
  EXPECT_EQ (items, plugin_symbol ("menu_items"));
  EXPECT_EQ (items[0], plugin_widget ("settings_item"));
  EXPECT_EQ (items[1], nullptr);
}

// What the host does between the player's last action and its save; the
// store must get what the player chose.
struct BeforeSave
{
  const char *name;
  bool with_menu;
  void (*act) (GtkWidget *panel);
  int level;
  bool sound;
};

static void
PrintTo (const BeforeSave &before, std::ostream *out)
{
  *out << before.name;
}

class Saving : public PluginTest,
               public ::testing::WithParamInterface<BeforeSave>
{
};

static void
type_level (const char *text)
{
  gtk_entry_set_text (GTK_ENTRY (plugin_widget ("board_box")), text);
}

TEST_P (Saving, KeepsWhatThePlayerChose)
{
  const BeforeSave &before = GetParam ();
  store_set (LEVEL_KEY, "int", "6");
  store_set (SOUND_KEY, "int", "2");
  GtkWidget *panel = load ();
  show (panel);
  if (before.with_menu)
    {
      build_menu ();
      entries->sync_menu_from_panel ();
    }
  before.act (panel);
  entries->save_settings ();
  EXPECT_EQ (store_get (LEVEL_KEY),
             "int\n" + std::to_string (before.level) + "\n");
  EXPECT_EQ (store_get (SOUND_KEY), before.sound ? "int\n1\n" : "int\n0\n");
  expect_shown (before.level, before.sound);
}

INSTANTIATE_TEST_SUITE_P (
    Hardening, Saving,
    ::testing::Values (
        BeforeSave{ "PanelChangedThenDestroyed", false,
                    [] (GtkWidget *panel) {
                      gtk_spin_button_set_value (
                          GTK_SPIN_BUTTON (plugin_widget ("board_box")), 8);
                      click (plugin_widget ("sound_check"));
                      gtk_widget_destroy (gtk_widget_get_toplevel (panel));
                    },
                    8, false },
        // What the panel showed: the stored 2 as 1.
        BeforeSave{ "PanelDestroyedUnchanged", false,
                    [] (GtkWidget *panel) { gtk_widget_destroy (panel); }, 6,
                    true },
        BeforeSave{ "WindowAndMenuDestroyed", true,
                    [] (GtkWidget *panel) {
                      gtk_menu_item_activate (GTK_MENU_ITEM (level_item (5)));
                      click (plugin_widget ("sound_check"));
                      gtk_widget_destroy (plugin_widget ("settings_item"));
                      gtk_widget_destroy (gtk_widget_get_toplevel (panel));
                    },
                    5, false },
        // Entry 5 with half the panel gone keeps the menu as it was.
        BeforeSave{ "CheckBoxDestroyed", true,
                    [] (GtkWidget *) {
                      gtk_menu_item_activate (GTK_MENU_ITEM (level_item (4)));
                      click (plugin_widget ("sound_check"));
                      gtk_widget_destroy (plugin_widget ("sound_check"));
                      entries->sync_menu_from_panel ();
                    },
                    4, false },
        BeforeSave{ "SpinButtonDestroyed", true,
                    [] (GtkWidget *) {
                      gtk_menu_item_activate (GTK_MENU_ITEM (level_item (2)));
                      gtk_widget_destroy (plugin_widget ("board_box"));
                      entries->sync_menu_from_panel ();
                    },
                    2, true },
        BeforeSave{ "TypedWithoutLeavingTheField", true,
                    [] (GtkWidget *) { type_level ("9"); }, 9, true },
        // As on leaving the field: the toolkit reads no number as 0, shown 1.
        BeforeSave{ "TypedNoNumber", true,
                    [] (GtkWidget *) { type_level ("nine"); }, 1, true }),
    [] (const ::testing::TestParamInfo<BeforeSave> &info) {
      return std::string (info.param.name);
    });
