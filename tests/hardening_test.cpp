// Faults from outside: a store that goes away, entries in any order, a host
// that unloads the module, passes null or saves after destroying the widgets.
#include <dlfcn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
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

// A save that does not reach the store says so in one line, never a
// warning, and panel and menu keep the player's choice: GSettings' keyfile
// in a read-only folder (as root, a read-only mount keeps root out too), or
// GConf without the session bus its daemon is reached on.
TEST_F (Hardening, SaveThatDoesNotReachTheStoreSaysSo)
{
  store_set (LEVEL_KEY, "int", "6");
  if (gsettings_store ())
    {
      std::string dir
          = std::string (getenv ("XDG_CONFIG_HOME")) + "/glib-2.0/settings";
      if (getuid () != 0)
        ASSERT_EQ (chmod (dir.c_str (), 0500), 0);
      else if (getenv ("ZORVANE_STORE_SHARED"))
        SKIP_TEST ("no private mount namespace for a read-only mount");
      else
        ASSERT_EQ (system (("mount --bind " + dir + " " + dir
                            + " && mount -o remount,ro,bind " + dir)
                               .c_str ()),
                   0);
    }
  else
    {
      setenv ("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus", 1);
      allow_store_warnings = true;
    }
  load ();
  build_menu ();
  entries->sync_menu_from_panel ();
  pick (level_item (9));
  // GConf's own complaints aside, one line of ours.
  std::string said = capture_stderr (entries->save_settings), ours;
  for (size_t at = said.find ("zorvane_plugin.so:"); at != std::string::npos;
       at = said.find ("zorvane_plugin.so:", at + 1))
    ours += said.substr (at, said.find ('\n', at) + 1 - at);
  EXPECT_EQ (ours.rfind ("zorvane_plugin.so: settings not saved: ", 0), 0u)
      << said;
  EXPECT_EQ (std::count (ours.begin (), ours.end (), '\n'), 1) << said;
  expect_agreement (9, false);
  // Known to be read-only, the keys are not written at all.
  if (gsettings_store ())
    {
      EXPECT_EQ (ours, "zorvane_plugin.so: settings not saved: the settings "
                       "store is read-only\n");
      EXPECT_EQ (store_get (LEVEL_KEY), "int\n6\n");
      // The sandbox removes its home as it ends.
      if (getuid () == 0)
        {
          EXPECT_EQ (
              system (("umount " + std::string (getenv ("XDG_CONFIG_HOME"))
                       + "/glib-2.0/settings")
                          .c_str ()),
              0);
        }
    }
}

// Careless hosts: handlers of their own on the plug-in's widgets, connected
// after the plug-in's, that adjust values or destroy a side.
static int host_cap = 12;
static bool host_sound_at_cap, host_rebuilds_menu, host_adjusting;

static void
host_adjusts_level (GtkSpinButton *spin, gpointer)
{
  int level = gtk_spin_button_get_value_as_int (spin);
  GtkWidget *check = plugin_widget ("sound_check");
  host_adjusting = true;
  if (level > host_cap)
    gtk_spin_button_set_value (spin, host_cap);
  else if (level == host_cap && host_sound_at_cap && check)
    gtk_toggle_button_set_active (GTK_TOGGLE_BUTTON (check), TRUE);
  if (host_rebuilds_menu && plugin_widget ("settings_item"))
    {
      host_rebuilds_menu = false;
      gtk_widget_destroy (plugin_widget ("settings_item"));
      int32_t count;
      entries->build_settings_menu (&count);
      entries->sync_menu_from_panel ();
    }
  host_adjusting = false;
}

// Sound off, then the host's handler on the level: what follows a pick.
static void
host_watches_the_level ()
{
  gtk_button_clicked (GTK_BUTTON (plugin_widget ("sound_check")));
  g_signal_connect (plugin_widget ("board_box"), "value-changed",
                    G_CALLBACK (host_adjusts_level), nullptr);
}

static void
host_destroys_menu (GtkWidget *, gpointer)
{
  gtk_widget_destroy (plugin_widget ("settings_item"));
}

// Not from inside the spin button's own "value-changed": there the toolkit
// itself would go on with a dead widget.
static void
host_destroys_panel (GtkWidget *control, gpointer)
{
  if (!host_adjusting)
    gtk_widget_destroy (
        gtk_widget_get_parent (gtk_widget_get_parent (control)));
}

// A host's question or notice from a handler of its own: a main loop of its
// own, in which the player goes on with the actions armed for it (once).
static std::function<void ()> in_host_loop;
static int armed;

static gboolean
player_acts_in_host_loop (gpointer loop)
{
  std::function<void ()> actions;
  actions.swap (in_host_loop);
  actions ();
  g_main_loop_quit ((GMainLoop *)loop);
  return FALSE;
}

static void
host_asks (GtkWidget *, gpointer arming)
{
  if (!in_host_loop || host_adjusting || GPOINTER_TO_INT (arming) != armed)
    return;
  GMainLoop *loop = g_main_loop_new (nullptr, FALSE);
  g_idle_add (player_acts_in_host_loop, loop);
  g_main_loop_run (loop);
  g_main_loop_unref (loop);
}

static void
host_asks_on (const char *widget, const char *signal,
              std::function<void ()> actions)
{
  g_signal_connect (plugin_widget (widget), signal, G_CALLBACK (host_asks),
                    GINT_TO_POINTER (++armed));
  in_host_loop = actions;
}

// Entries called in and out of order between the player's actions, by a
// host with handlers of its own that adjust values or destroy and rebuild
// either side.  After every step, each side that exists shows the player's
// last choice as the host adjusted it, and a save writes that.
// A save is in the store once save_settings returns: a host killed right
// after it (no exit handlers, no main loop to finish a write) loses nothing.
// GSettings runs on dconf here, which writes from a thread of its own.  The
// host is this test run again, which saves and kills itself.
TEST_F (Hardening, SaveSurvivesAKillRightAfterIt)
{
  if (gsettings_store ())
    {
#if defined(__i386__)
      const char *dconf = "/usr/lib/i386-linux-gnu/gio/modules";
#else
      const char *dconf = "/usr/lib/x86_64-linux-gnu/gio/modules";
#endif
      if (!g_file_test ((std::string (dconf) + "/libdconfsettings.so").c_str (),
                        G_FILE_TEST_EXISTS))
        SKIP_TEST ("no dconf-gsettings-backend for this architecture");
      setenv ("GSETTINGS_BACKEND", "dconf", 1);
    }
  if (getenv ("ZORVANE_SAVE_THEN_DIE"))
    {
      load ();
      set_level (9);
      gtk_button_clicked (GTK_BUTTON (plugin_widget ("sound_check")));
      entries->save_settings ();
      raise (SIGKILL);
    }
  store_set (LEVEL_KEY, "int", "4");
  char *self = g_file_read_link ("/proc/self/exe", nullptr);
  const char *emulator = getenv ("ZORVANE_EMULATOR");
  std::string filter
      = std::string ("--gtest_filter=")
        + ::testing::UnitTest::GetInstance ()
              ->current_test_info ()
              ->test_suite_name ()
        + "."
        + ::testing::UnitTest::GetInstance ()->current_test_info ()->name ();
  char *argv[] = { (char *)(emulator && *emulator ? emulator : self), self,
                   (char *)filter.c_str (), nullptr };
  int status = 0;
  setenv ("ZORVANE_SAVE_THEN_DIE", "1", 1);
  ASSERT_TRUE (g_spawn_sync (nullptr, emulator && *emulator ? argv : argv + 1,
                             nullptr, G_SPAWN_DEFAULT, nullptr, nullptr,
                             nullptr, nullptr, &status, nullptr));
  unsetenv ("ZORVANE_SAVE_THEN_DIE");
  g_free (self);
  ASSERT_TRUE (WIFSIGNALED (status) && WTERMSIG (status) == SIGKILL) << status;
  EXPECT_EQ (store_get (LEVEL_KEY), "int\n9\n");
  EXPECT_EQ (store_get (SOUND_KEY), "int\n1\n");
}

TEST_F (Hardening, SurvivesAnyOrderOfEntries)
{
  const unsigned seed = 7;
  std::mt19937 random (seed);
  int level = 1, saved_level = 1;
  bool sound = false, saved_sound = false;
  // The player's actions, 6 to 13; the model first, as a host's main loop
  // inside an action sees its effect already.
  std::function<void (int, int)> player = [&] (int what, int target) {
    GtkWidget *panel = plugin_widget ("board_box");
    bool built = plugin_widget ("settings_item") != nullptr;
    if (what <= 9)
      {
        if (what < 8 ? !panel : !built)
          return;
        int was = level;
        level = target;
        // The host's handler runs only where the panel's level changed.
        if (panel && target != was)
          {
            level = std::min (target, host_cap);
            sound |= host_sound_at_cap && level == host_cap
                     && plugin_widget ("sound_check");
          }
        if (what < 8)
          gtk_spin_button_set_value (GTK_SPIN_BUTTON (panel), target);
        else
          pick (level_item (target));
      }
    // Each flips what its side shows: inside the check box's own "toggled"
    // the menu has not followed yet.
    else if (what <= 11 && panel)
      {
        sound = !panel_sound ();
        gtk_button_clicked (GTK_BUTTON (plugin_widget ("sound_check")));
      }
    else if (built)
      {
        sound = !menu_sound ();
        pick (plugin_widget ("sound_item"));
      }
  };
  for (int step = 0; step < 3000 && !HasFailure (); step++)
    {
      SCOPED_TRACE ("seed " + std::to_string (seed) + ", step "
                    + std::to_string (step));
      int target = 1 + (int)(random () % 12), what = random () % 15;
      GtkWidget *panel = plugin_widget ("board_box");
      bool built = plugin_widget ("settings_item") != nullptr;
      switch (what)
        {
        case 0:
          if (step % 4 == 0 && plugin_widget ("gcc"))
            {
              entries->save_settings ();
              EXPECT_EQ (store_get (LEVEL_KEY),
                         "int\n" + std::to_string (level) + "\n");
              EXPECT_EQ (store_get (SOUND_KEY),
                         sound ? "int\n1\n" : "int\n0\n");
              saved_level = level, saved_sound = sound;
            }
          break;
        case 1:
          entries->sync_menu_from_panel ();
          entries->noop ();
          break;
        case 2:
          // The host's own handler destroys a side at the next change.
          if (panel && step % 2)
            g_signal_connect (plugin_widget ("sound_check"), "toggled",
                              G_CALLBACK (host_destroys_panel), nullptr);
          else if (built)
            g_signal_connect (level_item (target), "toggled",
                              G_CALLBACK (host_destroys_menu), nullptr);
          break;
        case 3:
          host_cap = step % 3 ? 12 : 10;
          host_sound_at_cap = step % 2;
          host_rebuilds_menu = step % 5 == 0;
          break;
        case 4:
          if (built && step % 2)
            host_destroys_menu (nullptr, nullptr);
          else if (panel)
            host_destroys_panel (panel, nullptr);
          break;
        case 5:
          if (!panel && step % 3 == 0)
            {
              capture_stdout ([] { entries->load_plugin (); });
              g_signal_connect (plugin_widget ("board_box"), "value-changed",
                                G_CALLBACK (host_adjusts_level), nullptr);
              level = saved_level, sound = saved_sound;
              entries->sync_menu_from_panel ();
            }
          else if (!built)
            {
              build_menu ();
              entries->sync_menu_from_panel ();
            }
          break;
        case 14:
          // The host asks at the next change of a control, and the player
          // goes on meanwhile; in the spin button's own "value-changed" only
          // with sound and the menu's opening (the toolkit defers the rest).
          if (panel)
            {
              bool on_level = step % 2;
              host_asks_on (on_level ? "board_box" : "sound_check",
                            on_level ? "value-changed" : "toggled",
                            [&, on_level] {
                              for (int n = 0; n < 3 && !HasFailure (); n++)
                                {
                                  int inner = on_level ? 10 + random () % 5
                                                       : 6 + random () % 9;
                                  if (inner == 14)
                                    entries->sync_menu_from_panel ();
                                  else
                                    player (inner, 1 + (int)(random () % 12));
                                  expect_shown (level, sound);
                                }
                            });
            }
          break;
        default:
          player (what, target);
        }
      if (plugin_widget ("board_box") || plugin_widget ("settings_item"))
        expect_shown (level, sound);
    }
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
  pick (seven);
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
                      pick (level_item (5));
                      click (plugin_widget ("sound_check"));
                      gtk_widget_destroy (plugin_widget ("settings_item"));
                      gtk_widget_destroy (gtk_widget_get_toplevel (panel));
                    },
                    5, false },
        // Entry 5 with half the panel gone keeps the menu as it was.
        BeforeSave{ "CheckBoxDestroyed", true,
                    [] (GtkWidget *) {
                      pick (level_item (4));
                      click (plugin_widget ("sound_check"));
                      gtk_widget_destroy (plugin_widget ("sound_check"));
                      entries->sync_menu_from_panel ();
                    },
                    4, false },
        BeforeSave{ "SpinButtonDestroyed", true,
                    [] (GtkWidget *) {
                      pick (level_item (2));
                      gtk_widget_destroy (plugin_widget ("board_box"));
                      entries->sync_menu_from_panel ();
                    },
                    2, true },
        // Hosts acting inside the plug-in's own signals.
        BeforeSave{ "MenuBuiltOnceThePanelWasGone", false,
                    [] (GtkWidget *panel) {
                      gtk_spin_button_set_value (
                          GTK_SPIN_BUTTON (plugin_widget ("board_box")), 9);
                      gtk_widget_destroy (panel);
                      entries->build_settings_menu (nullptr);
                      EXPECT_TRUE (menu_sound ());
                      entries->sync_menu_from_panel ();
                      EXPECT_EQ (active_level (), 9);
                      pick (level_item (1));
                    },
                    1, true },
        BeforeSave{ "HostCapsTheLevelAndTurnsSoundOn", true,
                    [] (GtkWidget *) {
                      host_cap = 10, host_sound_at_cap = true;
                      host_watches_the_level ();
                      pick (level_item (12));
                    },
                    10, true },
        BeforeSave{ "HostRebuildsItsMenuInAPick", true,
                    [] (GtkWidget *) {
                      // With Sound off, building runs no handler.
                      host_rebuilds_menu = true;
                      host_watches_the_level ();
                      pick (level_item (11));
                    },
                    11, false },
        BeforeSave{
            "HostDestroysThePanelOnTheSoundToggle", true,
            [] (GtkWidget *) {
              g_signal_connect (plugin_widget ("sound_check"), "toggled",
                                G_CALLBACK (host_destroys_panel), 0);
              gtk_button_clicked (GTK_BUTTON (plugin_widget ("sound_check")));
            },
            6, false },
        BeforeSave{ "HostDestroysTheMenuInAPick", true,
                    [] (GtkWidget *) {
                      g_signal_connect (level_item (6), "toggled",
                                        G_CALLBACK (host_destroys_menu), 0);
                      pick (level_item (3));
                    },
                    3, true },
        // Each item the host adds moves the group's head.
        BeforeSave{
            "HostAddsRadioItems", true,
            [] (GtkWidget *) {
              GSList **group = (GSList **)plugin_symbol ("group");
              for (int n = 0; n < 2; n++)
                {
                  gtk_menu_shell_append (
                      GTK_MENU_SHELL (plugin_widget ("difficulty_menu")),
                      gtk_radio_menu_item_new (*group));
                  EXPECT_EQ (*group, gtk_radio_menu_item_get_group (
                                         GTK_RADIO_MENU_ITEM (level_item (1))));
                }
              EXPECT_EQ (g_slist_length (*group), 14u);
              pick (level_item (8));
              gtk_spin_button_set_value (
                  GTK_SPIN_BUTTON (plugin_widget ("board_box")), 2);
            },
            2, true },
        // The player goes on while the host asks inside the plug-in's copy.
        BeforeSave{ "NoticeWhileSoundIsPickedTwiceAndTheLevelCapped", true,
                    [] (GtkWidget *) {
                      host_cap = 10;
                      g_signal_connect (plugin_widget ("board_box"),
                                        "value-changed",
                                        G_CALLBACK (host_adjusts_level), 0);
                      host_asks_on ("sound_check", "toggled", [] {
                        pick (plugin_widget ("sound_item"));
                        pick (level_item (12));
                        expect_shown (10, true);
                      });
                      pick (plugin_widget ("sound_item"));
                    },
                    10, true },
        BeforeSave{ "QuestionOnTheLevelWhileSoundIsPicked", true,
                    [] (GtkWidget *) {
                      host_asks_on ("board_box", "value-changed", [] {
                        pick (plugin_widget ("sound_item"));
                        expect_shown (10, false);
                      });
                      pick (level_item (10));
                    },
                    10, false },
        BeforeSave{ "NoticeWhileTheLevelRisesAndTheMenuOpens", true,
                    [] (GtkWidget *) {
                      host_asks_on ("sound_check", "toggled", [] {
                        gtk_spin_button_spin (
                            GTK_SPIN_BUTTON (plugin_widget ("board_box")),
                            GTK_SPIN_STEP_FORWARD, 1);
                        entries->sync_menu_from_panel ();
                        EXPECT_EQ (active_level (), 7);
                        pick (level_item (6));
                      });
                      pick (plugin_widget ("sound_item"));
                    },
                    6, false },
        // A toggle in an earlier menu, before and after the newer one goes.
        BeforeSave{ "SoundPickedInAnEarlierMenu", true,
                    [] (GtkWidget *) {
                      GtkWidget *first = plugin_widget ("sound_item");
                      entries->build_settings_menu (nullptr);
                      pick (first);
                      EXPECT_FALSE (panel_sound ());
                      gtk_widget_destroy (plugin_widget ("settings_item"));
                      pick (first);
                    },
                    6, true },
        // A radio item of the host's own in the group is no level: picking
        // it changes nothing, changing the level moves the menu back.
        BeforeSave{
            "HostPicksItsOwnRadioItem", true,
            [] (GtkWidget *) {
              GtkWidget *own = gtk_radio_menu_item_new (
                  *(GSList **)plugin_symbol ("group"));
              gtk_menu_shell_append (
                  GTK_MENU_SHELL (plugin_widget ("difficulty_menu")), own);
              pick (own);
              gtk_button_clicked (GTK_BUTTON (plugin_widget ("sound_check")));
              EXPECT_EQ (active_level (), 0);
              entries->save_settings ();
              EXPECT_EQ (store_get (LEVEL_KEY), "int\n6\n");
              for (int n = 1; n <= 12; n++)
                {
                  pick (own);
                  set_level (n);
                  EXPECT_EQ (active_level (), n);
                  pick (own);
                  entries->sync_menu_from_panel ();
                  EXPECT_EQ (active_level (), n);
                }
            },
            12, false },
        // The same in a menu entry 5 has not brought in line yet: the item
        // turned off ("Level 1") is no pick either.
        BeforeSave{ "HostPicksItsOwnRadioItemInAMenuNotYetSynced", false,
                    [] (GtkWidget *) {
                      entries->build_settings_menu (nullptr);
                      GtkWidget *own = gtk_radio_menu_item_new (
                          *(GSList **)plugin_symbol ("group"));
                      gtk_menu_shell_append (
                          GTK_MENU_SHELL (plugin_widget ("difficulty_menu")),
                          own);
                      pick (own);
                      EXPECT_EQ (panel_level (), 6);
                      EXPECT_EQ (active_level (), 0);
                      entries->save_settings ();
                      EXPECT_EQ (store_get (LEVEL_KEY), "int\n6\n");
                      entries->sync_menu_from_panel ();
                    },
                    6, true },
        BeforeSave{ "HostSendsTheLevelBackToOneInAPick", true,
                    [] (GtkWidget *) {
                      host_cap = 1;
                      host_watches_the_level ();
                      pick (level_item (5));
                    },
                    1, false },
        BeforeSave{
            "HostDestroysTheCheckBoxOnItsToggle", true,
            [] (GtkWidget *) {
              g_signal_connect (plugin_widget ("sound_check"), "toggled",
                                G_CALLBACK (gtk_widget_destroy), 0);
              gtk_button_clicked (GTK_BUTTON (plugin_widget ("sound_check")));
            },
            6, false },
        BeforeSave{ "HostDestroysTheMenuOnTheSoundToggle", true,
                    [] (GtkWidget *) {
                      g_signal_connect (plugin_widget ("sound_item"), "toggled",
                                        G_CALLBACK (host_destroys_menu), 0);
                      pick (plugin_widget ("sound_item"));
                    },
                    6, false },
        // The menu cannot show that level and still carries Sound across.
        BeforeSave{ "LevelItemDestroyedThenThatLevelSet", true,
                    [] (GtkWidget *) {
                      gtk_widget_destroy (level_item (3));
                      set_level (3);
                      pick (plugin_widget ("sound_item"));
                      gtk_widget_destroy (plugin_widget ("settings_item"));
                    },
                    3, false },
        // A level no item stands for leaves the menu as it was, and a save
        // brings it into range.
        BeforeSave{ "HostWidensTheLevelRange", true,
                    [] (GtkWidget *) {
                      GtkSpinButton *spin
                          = GTK_SPIN_BUTTON (plugin_widget ("board_box"));
                      gtk_spin_button_set_range (spin, -5, 20);
                      for (int level : { 15, 0, -5, 20 })
                        {
                          gtk_spin_button_set_value (spin, level);
                          entries->sync_menu_from_panel ();
                          EXPECT_EQ (active_level (), 6) << level;
                        }
                      entries->save_settings ();
                      EXPECT_EQ (store_get (LEVEL_KEY), "int\n12\n");
                      set_level (12);
                    },
                    12, true },
        // Building runs no handler; a stored level out of range counts as
        // the panel showed it, also once the panel is gone.
        BeforeSave{ "PanelLoadedAgainWhileAMenuExists", true,
                    [] (GtkWidget *) {
                      pick (plugin_widget ("sound_item"));
                      store_set (LEVEL_KEY, "int", "20");
                      store_set (SOUND_KEY, "int", "1");
                      static GtkWidget *again;
                      capture_stdout ([] { again = entries->load_plugin (); });
                      EXPECT_TRUE (active_level () == 6 && !menu_sound ());
                      gtk_widget_destroy (again);
                      entries->sync_menu_from_panel ();
                    },
                    12, true },
        BeforeSave{ "TypedWithoutLeavingTheField", true,
                    [] (GtkWidget *) { type_level ("9"); }, 9, true },
        // As on leaving the field: the toolkit reads no number as 0, shown 1.
        BeforeSave{ "TypedNoNumber", true,
                    [] (GtkWidget *) { type_level ("nine"); }, 1, true }),
    [] (const ::testing::TestParamInfo<BeforeSave> &info) {
      return std::string (info.param.name);
    });
