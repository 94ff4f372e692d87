// Faults from outside: a store that goes away, entries in any order.
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
