// A host whose executable exports globals and a function under the
// plug-in's names.  It registers the plug-in, sets the panel to LEVEL and
// SOUND through the toolkit, checks the menu followed, saves, and checks that
// its own globals are untouched:   clash_host PLUGIN LEVEL SOUND
#define GLIB_DISABLE_DEPRECATION_WARNINGS
#include <dlfcn.h>
#include <gtk/gtk.h>
#include <stdio.h>
#include <stdlib.h>

#include "zorvane/plugin_host.h"

extern "C"
{
  int group = 4242;
  long gcc = 77;
  void *menu_items[2] = { &group, &gcc };
  int
  load_plugin (void)
  {
    return 99;
  }
}

static void *module;

static GtkWidget *
widget (const char *name)
{
  return *(GtkWidget **)dlsym (module, name);
}

static int
check (bool ok, const char *what)
{
  if (!ok)
    fprintf (stderr, "FAIL: %s\n", what);
  return ok ? 0 : 1;
}

int
main (int argc, char **argv)
{
  PluginRegistration record = {};
  int32_t count = 0;
  char name[16];
  int failures = 0;

  gtk_init (&argc, &argv);
  if (argc != 4 || !(module = dlopen (argv[1], RTLD_NOW | RTLD_LOCAL)))
    return check (false, "usage: clash_host PLUGIN LEVEL SOUND");
  int level = atoi (argv[2]), sound = atoi (argv[3]);
  ((PluginInitFunc)dlsym (module, PLUGIN_INIT_SYMBOL)) (&record);
  record.entries->load_plugin ();
  record.entries->build_settings_menu (&count);
  record.entries->sync_menu_from_panel ();

  gtk_menu_item_activate (GTK_MENU_ITEM (widget ("level_12_item")));
  failures += check (
      gtk_spin_button_get_value_as_int (GTK_SPIN_BUTTON (widget ("board_box")))
          == 12,
      "menu to panel");
  gtk_spin_button_set_value (GTK_SPIN_BUTTON (widget ("board_box")), level);
  g_snprintf (name, sizeof name, "level_%d_item", level);
  failures += check (
      gtk_check_menu_item_get_active (GTK_CHECK_MENU_ITEM (widget (name))),
      "panel to menu");
  if (gtk_toggle_button_get_active (GTK_TOGGLE_BUTTON (widget ("sound_check")))
      != (sound != 0))
    gtk_button_clicked (GTK_BUTTON (widget ("sound_check")));
  failures += check (gtk_check_menu_item_get_active (
                         GTK_CHECK_MENU_ITEM (widget ("sound_item")))
                         == (sound != 0),
                     "sound to menu");
  record.entries->save_settings ();

  failures += check (group == 4242 && gcc == 77, "host's group or gcc changed");
  failures += check (menu_items[0] == &group && menu_items[1] == &gcc,
                     "host's menu_items changed");
  failures += check (load_plugin () == 99, "host's load_plugin replaced");
  failures += check (*(GSList **)dlsym (module, "group") != NULL,
                     "plug-in's own group unset");
  return failures ? 1 : 0;
}
