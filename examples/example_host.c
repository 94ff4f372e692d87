/* A minimal start-up host for the settings plug-in, built against the
 * installed kit (zorvane-plugin-dev of the host's architecture):
 *
 * x86_64:
 *   cc -o example_host $(pkg-config --cflags zorvane-plugin gtk+-2.0) \
 *     -DPLUGINS_DIR="\"$(pkg-config --variable=pluginsdir zorvane-plugin)\"" \
 *     example_host.c $(pkg-config --libs gtk+-2.0) -ldl
 *
 * 32-bit x86:
 *   lib=/usr/lib/i386-linux-gnu
 *   export PKG_CONFIG_LIBDIR=$lib/pkgconfig:/usr/share/pkgconfig
 *   cc -m32 -o example_host $(pkg-config --cflags zorvane-plugin gtk+-2.0) \
 *     -DPLUGINS_DIR="\"$(pkg-config --variable=pluginsdir zorvane-plugin)\"" \
 *     example_host.c $(pkg-config --libs gtk+-2.0) -ldl
 *
 * A GTK 3 host names gtk+-3.0 in place of gtk+-2.0 in these lines.
 *
 * It registers the plug-in, builds its panel and menu, prints what they show,
 * saves, and reads the saved settings back.  The plug-in takes GTK+ from its
 * host, which therefore links it, and keeps the settings in GConf if the host
 * links that too; this host does not, so they go to GSettings, whose schema
 * zorvane-plugin installs.  A host that keeps them in GConf puts
 * -Wl,--no-as-needed before the libraries (and links gconf-2.0, or
 * $lib/libgconf-2.so.4 on 32-bit x86): Debian's compiler links with
 * --as-needed, which would drop a GConf that the host never calls itself. */
#define GLIB_DISABLE_DEPRECATION_WARNINGS
/* The calls here are those GTK+ 2 and GTK 3 both have; GTK 3 would call a
 * few of them old. */
#define GDK_DISABLE_DEPRECATION_WARNINGS 1
#include <dlfcn.h>
#include <gtk/gtk.h>
#include <stdio.h>
#include <zorvane/plugin_host.h>

static void *module;

/* The plug-in's own variables, read through the module handle. */
static GtkWidget *
exported (const char *name)
{
  GtkWidget **variable = (GtkWidget **)dlsym (module, name);
  return variable ? *variable : NULL;
}

static const char *
on_off (gboolean active)
{
  return active ? "on" : "off";
}

int
main (int argc, char **argv)
{
  PluginRegistration record = { 0 };
  PluginInitFunc init = NULL;
  int32_t count = 0;
  int level = 0;

  if (gtk_init_check (&argc, &argv))
    module = dlopen (PLUGINS_DIR "/zorvane_plugin.so", RTLD_NOW | RTLD_LOCAL);
  if (module)
    init = (PluginInitFunc)dlsym (module, PLUGIN_INIT_SYMBOL);
  if (init == NULL || !init (&record))
    return fprintf (stderr, "example_host: no display or no plug-in\n"), 1;

  GtkWidget *window = gtk_window_new (GTK_WINDOW_TOPLEVEL);
  GtkWidget *vbox = gtk_vbox_new (FALSE, 0), *menu_bar = gtk_menu_bar_new ();
  gtk_container_add (GTK_CONTAINER (window), vbox);
  gtk_box_pack_start (GTK_BOX (vbox), menu_bar, FALSE, FALSE, 0);
  gtk_box_pack_start (GTK_BOX (vbox), record.entries->load_plugin (), FALSE,
                      FALSE, 0);
  GtkWidget **items = record.entries->build_settings_menu (&count);
  for (int32_t i = 0; i < count; i++)
    gtk_menu_shell_append (GTK_MENU_SHELL (menu_bar), items[i]);
  record.entries->sync_menu_from_panel ();
  gtk_widget_show_all (window);

  for (int n = PLUGIN_MIN_LEVEL; n <= PLUGIN_MAX_LEVEL; n++)
    {
      char name[16];
      g_snprintf (name, sizeof name, "level_%d_item", n);
      if (gtk_check_menu_item_get_active (
              GTK_CHECK_MENU_ITEM (exported (name))))
        level = n;
    }
  printf ("panel: level %d, sound %s\nmenu: Level %d, sound %s\n",
          gtk_spin_button_get_value_as_int (
              GTK_SPIN_BUTTON (exported ("board_box"))),
          on_off (gtk_toggle_button_get_active (
              GTK_TOGGLE_BUTTON (exported ("sound_check")))),
          level,
          on_off (gtk_check_menu_item_get_active (
              GTK_CHECK_MENU_ITEM (exported ("sound_item")))));

  record.entries->save_settings ();
  GSettings *store = g_settings_new (PLUGIN_GSETTINGS_SCHEMA);
  printf ("saved: level %d, sound %d\n", g_settings_get_int (store, "level"),
          g_settings_get_int (store, "sound"));
  return 0;
}
