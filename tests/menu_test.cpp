// The "Settings" menu and its two-way agreement with the panel, driven
// through the toolkit's own signals.
#include <random>

#include "harness.h"

using Menu = PluginTest;
using Sync = PluginTest;

static const char *
label_of (GtkWidget *item)
{
  GtkWidget *child = gtk_bin_get_child (GTK_BIN (item));
  return child ? gtk_label_get_text (GTK_LABEL (child)) : nullptr;
}

static GList *
children_of (GtkWidget *menu)
{
  return gtk_container_get_children (GTK_CONTAINER (menu));
}

static int emissions;

static void
count_emission (GtkWidget *, gpointer)
{
  emissions++;
}

TEST_F (Menu, HasTheSettingsTree)
{
  store_set (SOUND_KEY, "int", "1");
  store_set (LEVEL_KEY, "int", "5");
  load ();
  int32_t count = -1;
  GtkWidget **items = build_menu (&count);
  EXPECT_EQ (items, plugin_symbol ("menu_items"));
  ASSERT_EQ (count, 1);
  EXPECT_EQ (items[1], nullptr);
  GtkWidget *settings = plugin_widget ("settings_item");
  ASSERT_EQ (items[0], settings);
  EXPECT_STREQ (label_of (settings), "Settings");
  EXPECT_EQ (gtk_menu_item_get_submenu (GTK_MENU_ITEM (settings)),
             plugin_widget ("settings_menu"));

  GList *under = children_of (plugin_widget ("settings_menu"));
  ASSERT_EQ (g_list_length (under), 3u);
  GtkWidget *difficulty = GTK_WIDGET (g_list_nth_data (under, 0));
  GtkWidget *plain = GTK_WIDGET (g_list_nth_data (under, 1));
  EXPECT_EQ (difficulty, plugin_widget ("difficulty_item"));
  EXPECT_STREQ (label_of (difficulty), "Difficulty");
  EXPECT_EQ (G_OBJECT_TYPE (plain), GTK_TYPE_MENU_ITEM);
  EXPECT_EQ (label_of (plain), nullptr);
  EXPECT_EQ (g_list_nth_data (under, 2), plugin_widget ("sound_item"));
  EXPECT_STREQ (label_of (plugin_widget ("sound_item")), "Sound");
  EXPECT_TRUE (menu_sound ());

  GtkWidget *levels = plugin_widget ("difficulty_menu");
  EXPECT_EQ (gtk_menu_item_get_submenu (GTK_MENU_ITEM (difficulty)), levels);
  GList *level_list = children_of (levels);
  ASSERT_EQ (g_list_length (level_list), 12u);
  GSList *group = *(GSList **)plugin_symbol ("group");
  EXPECT_EQ (group, gtk_radio_menu_item_get_group (
                        GTK_RADIO_MENU_ITEM (level_item (12))));
  EXPECT_EQ (g_slist_length (group), 12u);
  for (int n = 1; n <= 12; n++)
    {
      GtkWidget *item = level_item (n);
      EXPECT_EQ (g_list_nth_data (level_list, n - 1), item);
      EXPECT_EQ (label_of (item), "Level " + std::to_string (n));
      EXPECT_NE (g_slist_find (group, item), nullptr);
    }
  // The menu shows the panel's level only once entry 5 has run.
  entries->noop ();
  EXPECT_EQ (active_level (), 1);
  entries->sync_menu_from_panel ();
  expect_agreement (5, true);
}

// The four walks through the handlers, and the guard released after each.
TEST_F (Sync, CopiesEachChangeToTheOtherSide)
{
  show (load ());
  build_menu ();
  set_level (3);
  entries->sync_menu_from_panel ();
  expect_agreement (3, false);

  g_signal_connect (plugin_widget ("board_box"), "value-changed",
                    G_CALLBACK (count_emission), nullptr);
  gtk_spin_button_spin (GTK_SPIN_BUTTON (plugin_widget ("board_box")),
                        GTK_SPIN_STEP_FORWARD, 1);
  EXPECT_EQ (emissions, 1) << "the menu echoed the change back";
  expect_agreement (4, false);
  pick (level_item (7));
  expect_agreement (7, false);
  click (plugin_widget ("sound_check"));
  expect_agreement (7, true);
  pick (plugin_widget ("sound_item"));
  expect_agreement (7, false);
  pick (level_item (2));
  gtk_button_clicked (GTK_BUTTON (plugin_widget ("sound_check")));
  expect_agreement (2, true);
}

TEST_F (Sync, LeavesTheAlreadyActiveLevelAlone)
{
  store_set (LEVEL_KEY, "int", "6");
  load ();
  build_menu ();
  entries->sync_menu_from_panel ();
  g_signal_connect (plugin_widget ("board_box"), "value-changed",
                    G_CALLBACK (count_emission), nullptr);
  for (int n = 1; n <= 12; n++)
    g_signal_connect (level_item (n), "toggled", G_CALLBACK (count_emission),
                      nullptr);
  g_signal_connect (plugin_widget ("sound_item"), "toggled",
                    G_CALLBACK (count_emission), nullptr);
  pick (level_item (6));
  entries->sync_menu_from_panel ();
  set_level (6);
  EXPECT_EQ (emissions, 0);
  expect_agreement (6, false);
}

// Thousands of mixed actions against a two-value model.
TEST_F (Sync, AgreesAfterEveryStepOfARandomWalk)
{
  show (load ());
  build_menu ();
  entries->sync_menu_from_panel ();
  GtkWidget *board_box = plugin_widget ("board_box");
  GtkWidget *sound_check = plugin_widget ("sound_check");
  int level = 1;
  bool sound = false;
  const unsigned seed = 20261208;
  std::mt19937 random (seed);
  for (int step = 0; step < 4000 && !HasFailure (); step++)
    {
      int target = 1 + (int)(random () % 12);
      switch (random () % 7)
        {
        case 0:
          set_level (target);
          level = target;
          break;
        case 1:
          gtk_spin_button_spin (GTK_SPIN_BUTTON (board_box),
                                GTK_SPIN_STEP_BACKWARD, 1);
          level = level > 1 ? level - 1 : 1;
          break;
        case 2:
        case 3:
          pick (level_item (target));
          level = target;
          break;
        case 4:
          if (step % 50 == 0)
            click (sound_check);
          else
            gtk_button_clicked (GTK_BUTTON (sound_check));
          sound = !sound;
          break;
        case 5:
          pick (plugin_widget ("sound_item"));
          sound = !sound;
          break;
        default:
          entries->sync_menu_from_panel ();
        }
      SCOPED_TRACE ("seed " + std::to_string (seed) + ", step "
                    + std::to_string (step));
      expect_agreement (level, sound);
    }
}

// Calls out of the documented order: no crash, no toolkit warning.
TEST_F (Sync, SurvivesCallsOutOfOrder)
{
  entries->sync_menu_from_panel ();
  entries->save_settings ();
  build_menu ();
  EXPECT_FALSE (menu_sound ());
  pick (level_item (9));
  pick (plugin_widget ("sound_item"));
  store_set (SOUND_KEY, "int", "1");
  load ();
  entries->sync_menu_from_panel ();
  expect_agreement (1, true);
}

TEST_F (Sync, PanelWorksBeforeTheMenuExists)
{
  store_set (SOUND_KEY, "int", "1");
  load ();
  set_level (8);
  gtk_button_clicked (GTK_BUTTON (plugin_widget ("sound_check")));
  entries->sync_menu_from_panel ();
  build_menu ();
  EXPECT_EQ (active_level (), 1);
  EXPECT_FALSE (menu_sound ());
  entries->sync_menu_from_panel ();
  expect_agreement (8, false);
}

// The host builds its new menu before it destroys the old one.
TEST_F (Sync, ASecondMenuStartsAFreshGroup)
{
  load ();
  GtkWidget *first_settings = build_menu ()[0];
  GtkWidget *first_level_1 = level_item (1), *first_level_3 = level_item (3);
  set_level (5);
  build_menu ();
  // A pick in the earlier menu goes straight to the panel, whatever the newer
  // menu shows.
  g_signal_connect (plugin_widget ("board_box"), "value-changed",
                    G_CALLBACK (count_emission), nullptr);
  pick (first_level_3);
  EXPECT_EQ (emissions, 1);
  // Each menu keeps its own check.
  entries->sync_menu_from_panel ();
  EXPECT_EQ (active_level (), 3);
  EXPECT_TRUE (
      gtk_check_menu_item_get_active (GTK_CHECK_MENU_ITEM (first_level_3)));
  gtk_widget_destroy (first_settings);
  for (const char *name : { "settings_item", "settings_menu", "difficulty_item",
                            "difficulty_menu", "level_1_item", "sound_item" })
    EXPECT_NE (plugin_widget (name), nullptr) << name;
  EXPECT_NE (level_item (1), first_level_1);
  EXPECT_EQ (g_slist_length (*(GSList **)plugin_symbol ("group")), 12u);
  pick (level_item (10));
  expect_agreement (10, false);
  set_level (3);
  expect_agreement (3, false);
  // group is set while any level item is left.
  for (int n = 1; n <= 12; n++)
    {
      EXPECT_NE (*(GSList **)plugin_symbol ("group"), nullptr) << n;
      gtk_widget_destroy (level_item (n));
    }
  EXPECT_EQ (*(GSList **)plugin_symbol ("group"), nullptr);
}

// The host owns the widgets: after it destroys either side, the other side
// keeps working and nothing reaches the dead widgets.
TEST_F (Sync, OutlivesWidgetsTheHostDestroyed)
{
  GtkWidget *panel = load ();
  GtkWidget **items = build_menu ();
  GSList **group = (GSList **)plugin_symbol ("group");
  gtk_widget_destroy (level_item (12));
  EXPECT_EQ (*group, gtk_radio_menu_item_get_group (
                         GTK_RADIO_MENU_ITEM (level_item (1))));
  EXPECT_EQ (g_slist_length (*group), 11u);
  gtk_widget_destroy (items[0]);
  set_level (6);
  gtk_button_clicked (GTK_BUTTON (plugin_widget ("sound_check")));
  entries->sync_menu_from_panel ();
  for (const char *name : { "settings_item", "settings_menu", "difficulty_item",
                            "difficulty_menu", "level_6_item", "sound_item" })
    EXPECT_EQ (plugin_widget (name), nullptr) << name;
  EXPECT_EQ (items[0], nullptr);
  EXPECT_EQ (*group, nullptr);

  build_menu ();
  entries->sync_menu_from_panel ();
  expect_agreement (6, true);
  gtk_widget_destroy (panel);
  EXPECT_EQ (plugin_widget ("board_box"), nullptr);
  EXPECT_EQ (g_slist_length (*group), 12u);
  pick (level_item (3));
  pick (plugin_widget ("sound_item"));
  entries->sync_menu_from_panel ();
  entries->save_settings ();
  EXPECT_EQ (active_level (), 3);
  // With the panel gone, the menu holds the player's choice.
  EXPECT_EQ (store_get (LEVEL_KEY), "int\n3\n");
  EXPECT_EQ (store_get (SOUND_KEY), "int\n0\n");
}
