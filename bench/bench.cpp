/* zorvane-bench: one measured run of the plug-in's path or of its bare twin,
 * built here straight on the toolkit.  scripts/bench runs it many times, each
 * in a fresh process under callgrind, which counts only between the two
 * CALLGRIND_TOGGLE_COLLECT marks (process start and gtk_init stay out).
 *
 *   zorvane-bench PLUGIN startup|panel|menu plugin|bare
 *   zorvane-bench PLUGIN store load|save
 *   zorvane-bench PLUGIN memory */
#define GLIB_DISABLE_DEPRECATION_WARNINGS
#include <dlfcn.h>
#include <gconf/gconf-client.h>
#include <gtk/gtk.h>
#include <libintl.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>
#include <valgrind/callgrind.h>

#include "zorvane/plugin_host.h"

#define ACTIONS 1000

static void *module;
static const PluginEntries *entries;
static GtkWidget *spin, *level_item[PLUGIN_MAX_LEVEL + 1], *sound_item;

static GtkWidget *
exported (const char *name)
{
  return *(GtkWidget **)dlsym (module, name);
}

static void
plugin_path (void)
{
  PluginRegistration record = {};
  int32_t count;
  char name[16];

  ((PluginInitFunc)dlsym (module, PLUGIN_INIT_SYMBOL)) (&record);
  entries = record.entries;
  entries->load_plugin ();
  entries->build_settings_menu (&count);
  entries->sync_menu_from_panel ();
  spin = exported ("board_box");
  sound_item = exported ("sound_item");
  for (int n = PLUGIN_MIN_LEVEL; n <= PLUGIN_MAX_LEVEL; n++)
    {
      g_snprintf (name, sizeof name, "level_%d_item", n);
      level_item[n] = exported (name);
    }
}

/* The same widgets, reads and menu as the plug-in, with no handlers. */
static void
bare_path (void)
{
  GConfClient *client;
  GtkWidget *game_hbox, *row, *label, *check, *settings_item, *settings_menu,
      *difficulty_item, *difficulty_menu, *plain;
  GSList *group = NULL;
  char text[16];
  int level, sound;

  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  g_type_init ();
  G_GNUC_END_IGNORE_DEPRECATIONS
  client = gconf_client_get_default ();
  level = gconf_client_get_int (client, PLUGIN_LEVEL_KEY, NULL);
  sound = gconf_client_get_int (client, PLUGIN_SOUND_KEY, NULL);
  game_hbox = gtk_hbox_new (TRUE, 0);
  row = gtk_hbox_new (FALSE, 4);
  spin = gtk_spin_button_new_with_range (PLUGIN_MIN_LEVEL, PLUGIN_MAX_LEVEL, 1);
  gtk_spin_button_set_value (GTK_SPIN_BUTTON (spin), level);
  gtk_box_pack_end (GTK_BOX (row), spin, FALSE, FALSE, 0);
  label = gtk_label_new ("Starting level");
  gtk_label_set_mnemonic_widget (GTK_LABEL (label), spin);
  atk_object_set_name (gtk_widget_get_accessible (spin), "Starting level");
  gtk_widget_set_tooltip_text (spin, "The level a new game starts at");
  gtk_box_pack_end (GTK_BOX (row), label, FALSE, FALSE, 0);
  gtk_box_pack_start (GTK_BOX (game_hbox), row, FALSE, FALSE, 2);
  row = gtk_hbox_new (FALSE, 4);
  check = gtk_check_button_new ();
  gtk_toggle_button_set_active (GTK_TOGGLE_BUTTON (check), sound != 0);
  gtk_box_pack_end (GTK_BOX (row), check, FALSE, FALSE, 0);
  label = gtk_label_new ("Sound");
  gtk_label_set_mnemonic_widget (GTK_LABEL (label), check);
  atk_object_set_name (gtk_widget_get_accessible (check), "Sound");
  gtk_widget_set_tooltip_text (check, "Whether the game plays sound");
  gtk_box_pack_end (GTK_BOX (row), label, FALSE, FALSE, 0);
  gtk_box_pack_start (GTK_BOX (game_hbox), row, FALSE, FALSE, 2);

  settings_item = gtk_menu_item_new_with_label ("Settings");
  settings_menu = gtk_menu_new ();
  gtk_menu_item_set_submenu (GTK_MENU_ITEM (settings_item), settings_menu);
  difficulty_menu = gtk_menu_new ();
  difficulty_item = gtk_menu_item_new_with_label ("Difficulty");
  gtk_menu_item_set_submenu (GTK_MENU_ITEM (difficulty_item), difficulty_menu);
  gtk_menu_shell_append (GTK_MENU_SHELL (settings_menu), difficulty_item);
  for (int n = PLUGIN_MIN_LEVEL; n <= PLUGIN_MAX_LEVEL; n++)
    {
      g_snprintf (text, sizeof text, "Level %d", n);
      level_item[n] = gtk_radio_menu_item_new_with_label (group, text);
      gtk_menu_shell_append (GTK_MENU_SHELL (difficulty_menu), level_item[n]);
      group
          = gtk_radio_menu_item_get_group (GTK_RADIO_MENU_ITEM (level_item[n]));
    }
  plain = gtk_menu_item_new ();
  atk_object_set_role (gtk_widget_get_accessible (plain), ATK_ROLE_SEPARATOR);
  gtk_menu_shell_append (GTK_MENU_SHELL (settings_menu), plain);
  sound_item = gtk_check_menu_item_new_with_label ("Sound");
  gtk_menu_shell_append (GTK_MENU_SHELL (settings_menu), sound_item);
  gtk_check_menu_item_set_active (GTK_CHECK_MENU_ITEM (sound_item), sound != 0);
  /* What entry 5 does for the menu. */
  if (level >= PLUGIN_MIN_LEVEL && level <= PLUGIN_MAX_LEVEL)
    gtk_check_menu_item_set_active (GTK_CHECK_MENU_ITEM (level_item[level]),
                                    TRUE);
}

static void
panel_change (int i)
{
  gtk_spin_button_set_value (GTK_SPIN_BUTTON (spin),
                             PLUGIN_MIN_LEVEL + i % PLUGIN_MAX_LEVEL);
}

static void
menu_pick (int i)
{
  gtk_check_menu_item_set_active (
      GTK_CHECK_MENU_ITEM (
          level_item[PLUGIN_MIN_LEVEL + (i * 5) % PLUGIN_MAX_LEVEL]),
      TRUE);
}

static long
resident_kib (void)
{
  long pages = 0, resident = 0;
  FILE *statm = fopen ("/proc/self/statm", "r");
  if (statm && fscanf (statm, "%ld %ld", &pages, &resident) != 2)
    resident = 0;
  if (statm)
    fclose (statm);
  return resident * (sysconf (_SC_PAGESIZE) / 1024);
}

int
main (int argc, char **argv)
{
  const char *what = argc > 2 ? argv[2] : "";
  const char *side = argc > 3 ? argv[3] : "";
  gboolean bare = strcmp (side, "bare") == 0;

  gtk_init (&argc, &argv);
  /* The plug-in's catalogues beside the build, as a host that ships them. */
  char *catalogues
      = g_build_filename (g_path_get_dirname (argv[1]), "locale", NULL);
  bindtextdomain ("zorvane-plugin", catalogues);
  module = dlopen (argv[1], RTLD_NOW | RTLD_LOCAL);
  if (module == NULL)
    {
      fprintf (stderr, "zorvane-bench: %s\n", dlerror ());
      return 1;
    }
  /* The panel's trace line is not part of what is measured. */
  if (!freopen ("/dev/null", "w", stdout))
    return 1;

  if (strcmp (what, "startup") == 0)
    {
      CALLGRIND_TOGGLE_COLLECT;
      bare ? bare_path () : plugin_path ();
      CALLGRIND_TOGGLE_COLLECT;
    }
  else if (strcmp (what, "panel") == 0 || strcmp (what, "menu") == 0)
    {
      void (*action) (int) = what[0] == 'p' ? panel_change : menu_pick;
      bare ? bare_path () : plugin_path ();
      CALLGRIND_TOGGLE_COLLECT;
      for (int i = 0; i < ACTIONS; i++)
        action (i);
      CALLGRIND_TOGGLE_COLLECT;
    }
  else if (strcmp (what, "store") == 0)
    {
      /* Markers on the bus let the monitor count only what lies between. */
      gconf_client_get_int (gconf_client_get_default (), "/bench/start", NULL);
      plugin_path ();
      if (strcmp (side, "save") == 0)
        {
          gconf_client_get_int (gconf_client_get_default (), "/bench/save",
                                NULL);
          entries->save_settings ();
        }
      gconf_client_get_int (gconf_client_get_default (), "/bench/end", NULL);
    }
  else if (strcmp (what, "memory") == 0)
    {
      long after_1000 = 0;
      plugin_path ();
      for (int i = 1; i <= 100000; i++)
        {
          switch (i % 4)
            {
            case 0:
              panel_change (i);
              break;
            case 1:
              menu_pick (i);
              break;
            case 2:
              gtk_check_menu_item_set_active (
                  GTK_CHECK_MENU_ITEM (sound_item),
                  !gtk_check_menu_item_get_active (
                      GTK_CHECK_MENU_ITEM (sound_item)));
              break;
            default:
              entries->sync_menu_from_panel ();
            }
          if (i == 1000)
            after_1000 = resident_kib ();
        }
      fprintf (stderr, "rss %ld %ld\n", after_1000, resident_kib ());
    }
  else
    {
      fprintf (stderr, "zorvane-bench: unknown measurement '%s'\n", what);
      return 2;
    }
  return 0;
}
