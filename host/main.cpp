/* zorvane-host: a small stand-in for the game's start-up host.
 *
 * It loads the settings plug-in the way the real host does, calls its entries
 * in the documented order and shows the "Settings" menu, the panel and a
 * "Save" button in one window.  Closing the window (or Ctrl+Q) saves too. */
#define GLIB_DISABLE_DEPRECATION_WARNINGS
#include <dlfcn.h>
#include <gdk/gdkkeysyms.h>
#include <gtk/gtk.h>
#include <libintl.h>
#include <locale.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "screenshot.h"
#include "zorvane/plugin_host.h"

#define PROGRAM "zorvane-host"
#define PLUGIN_FILE "zorvane_plugin.so"
/* A game's host on a GConf desktop links GConf, and the plug-in keeps the
 * settings there.  This one takes GConf where the machine has it, so that its
 * package installs where GConf is gone too; the plug-in then uses GSettings. */
#define GCONF_LIBRARY "libgconf-2.so.4"
/* The plug-in's catalogue holds the host's texts too. */
#define TEXT_DOMAIN "zorvane-plugin"
#define _(text) gettext (text)

/* The real host's record is longer than the five fields the plug-in knows. */
struct HostRecord
{
  PluginRegistration registration;
  void *host_private[4];
};

static void *module;
static const PluginEntries *entries;
static gboolean trace_entries;
static gboolean open_menu;
static const char *screenshot_file;

/* The plug-in exports its widgets; a trace shows what panel and menu hold. */
static GtkWidget *
exported_widget (const char *name)
{
  GtkWidget **address = (GtkWidget **)dlsym (module, name);
  return address ? *address : NULL;
}

static void
trace (const char *entry, const char *result)
{
  GtkWidget *board_box, *sound_check, *sound_item;
  int level = 0;

  if (!trace_entries)
    return;
  board_box = exported_widget ("board_box");
  sound_check = exported_widget ("sound_check");
  sound_item = exported_widget ("sound_item");
  for (int n = PLUGIN_MIN_LEVEL; n <= PLUGIN_MAX_LEVEL && level == 0; n++)
    {
      char name[16];
      GtkWidget *item;

      g_snprintf (name, sizeof name, "level_%d_item", n);
      item = exported_widget (name);
      if (item && gtk_check_menu_item_get_active (GTK_CHECK_MENU_ITEM (item)))
        level = n;
    }
  fprintf (stderr, PROGRAM ": %s -> %s", entry, result);
  if (board_box && sound_check)
    fprintf (stderr, "; panel level %d, sound %s",
             gtk_spin_button_get_value_as_int (GTK_SPIN_BUTTON (board_box)),
             gtk_toggle_button_get_active (GTK_TOGGLE_BUTTON (sound_check))
                 ? "on"
                 : "off");
  if (level && sound_item)
    fprintf (stderr, "; menu Level %d, sound %s", level,
             gtk_check_menu_item_get_active (GTK_CHECK_MENU_ITEM (sound_item))
                 ? "on"
                 : "off");
  fputc ('\n', stderr);
}

static void
call_save (void)
{
  entries->save_settings ();
  trace ("save_settings", "done");
}

static void
call_sync (void)
{
  entries->sync_menu_from_panel ();
  trace ("sync_menu_from_panel", "done");
}

static void
on_save_clicked (GtkButton *button, gpointer user_data)
{
  (void)button;
  (void)user_data;
  call_save ();
}

/* Bring the menu in line with the panel each time it is about to open. */
static void
on_settings_activate (GtkMenuItem *item, gpointer user_data)
{
  (void)item;
  (void)user_data;
  call_sync ();
}

static gboolean
on_delete_event (GtkWidget *window, GdkEvent *event, gpointer user_data)
{
  (void)window;
  (void)event;
  (void)user_data;
  call_save ();
  gtk_main_quit ();
  return TRUE;
}

/* Ctrl+Q closes the window as a window manager would. */
static gboolean
on_key_press_event (GtkWidget *window, GdkEventKey *event, gpointer user_data)
{
  (void)user_data;
  if ((event->state & GDK_CONTROL_MASK)
      && (event->keyval == GDK_q || event->keyval == GDK_Q))
    return on_delete_event (window, (GdkEvent *)event, NULL);
  return FALSE;
}

/* FILE beside the program in a build tree, else INSTALLED: absolute, or
 * relative to the program's folder so that any prefix works. */
static char *
find_beside_or_installed (const char *file, const char *installed)
{
  char self[4096];
  ssize_t n = readlink ("/proc/self/exe", self, sizeof self - 1);
  char *dir, *path;

  if (n <= 0)
    return g_strdup (file);
  self[n] = '\0';
  dir = g_path_get_dirname (self);
  path = g_build_filename (dir, file, NULL);
  if (!g_file_test (path, G_FILE_TEST_EXISTS))
    {
      g_free (path);
      path = g_path_is_absolute (installed)
                 ? g_strdup (installed)
                 : g_build_filename (dir, installed, NULL);
    }
  g_free (dir);
  return path;
}

/* The host's own texts come from the plug-in's catalogue, which its package
 * installs; binding the domain first also shows the plug-in where a build
 * tree keeps it. */
static void
open_catalogue (void)
{
  char *dir = find_beside_or_installed ("locale", INSTALLED_LOCALE_DIR);

  setlocale (LC_ALL, "");
  if (g_file_test (dir, G_FILE_TEST_IS_DIR))
    bindtextdomain (TEXT_DOMAIN, dir);
  bind_textdomain_codeset (TEXT_DOMAIN, "UTF-8");
  textdomain (TEXT_DOMAIN);
  g_free (dir);
}

/* One line on standard error.  g_printerr, like g_print, converts the UTF-8
 * texts to the terminal's character set. */
static void G_GNUC_PRINTF (1, 2) complain (const char *format, ...)
{
  va_list args;
  char *message;

  va_start (args, format);
  message = g_strdup_vprintf (format, args);
  va_end (args);
  g_printerr ("%s: %s\n", PROGRAM, message);
  g_free (message);
}

static void
usage (void)
{
  g_print (_ ("Usage: %s [OPTION]...\n"
              "Shows the settings plug-in's panel and menu as the game's"
              " start-up host does.\n"
              "\n"
              "  --plugin PATH      plug-in to load (default: %s beside this\n"
              "                     program, or in the installed plug-in"
              " folder)\n"
              "  --screenshot FILE  show the window, write it as PNG and exit"
              " without saving\n"
              "  --open-menu        with --screenshot: open Settings >"
              " Difficulty first\n"
              "  --trace-entries    log each entry call, its result and the"
              " panel and menu\n"
              "                     state to standard error\n"),
           PROGRAM, PLUGIN_FILE);
}

static GtkWidget *
build_window (GtkWidget *panel, GtkWidget **items, int32_t count)
{
  GtkWidget *window, *vbox, *menu_bar, *buttons, *save_button;

  window = gtk_window_new (GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title (GTK_WINDOW (window), _ ("Zorvane start-up settings"));
  vbox = gtk_vbox_new (FALSE, 6);
  gtk_container_add (GTK_CONTAINER (window), vbox);

  menu_bar = gtk_menu_bar_new ();
  for (int i = 0; items != NULL && i < count && items[i] != NULL; i++)
    {
      gtk_menu_shell_append (GTK_MENU_SHELL (menu_bar), items[i]);
      g_signal_connect (items[i], "activate", G_CALLBACK (on_settings_activate),
                        NULL);
    }
  gtk_box_pack_start (GTK_BOX (vbox), menu_bar, FALSE, FALSE, 0);
  if (panel != NULL)
    gtk_box_pack_start (GTK_BOX (vbox), panel, FALSE, FALSE, 6);

  buttons = gtk_hbutton_box_new ();
  gtk_button_box_set_layout (GTK_BUTTON_BOX (buttons), GTK_BUTTONBOX_END);
  gtk_container_set_border_width (GTK_CONTAINER (buttons), 6);
  save_button = gtk_button_new_with_mnemonic (_ ("_Save"));
  gtk_container_add (GTK_CONTAINER (buttons), save_button);
  gtk_box_pack_end (GTK_BOX (vbox), buttons, FALSE, FALSE, 0);

  g_signal_connect (save_button, "clicked", G_CALLBACK (on_save_clicked), NULL);
  if (screenshot_file)
    screenshot_when_shown (window, menu_bar, screenshot_file, open_menu);
  else
    {
      g_signal_connect (window, "delete-event", G_CALLBACK (on_delete_event),
                        NULL);
      g_signal_connect (window, "key-press-event",
                        G_CALLBACK (on_key_press_event), NULL);
    }
  return window;
}

int
main (int argc, char **argv)
{
  char *plugin_path = NULL;
  char result[32];
  HostRecord record;
  PluginInitFunc init;
  GtkWidget *panel, **items;
  int32_t count = 0;
  int registered;

  open_catalogue ();
  for (int i = 1; i < argc; i++)
    {
      if (strcmp (argv[i], "--plugin") == 0 && i + 1 < argc)
        plugin_path = g_strdup (argv[++i]);
      else if (strcmp (argv[i], "--screenshot") == 0 && i + 1 < argc)
        screenshot_file = argv[++i];
      else if (strcmp (argv[i], "--open-menu") == 0)
        open_menu = TRUE;
      else if (strcmp (argv[i], "--trace-entries") == 0)
        trace_entries = TRUE;
      else if (strcmp (argv[i], "--help") == 0)
        {
          usage ();
          return 0;
        }
      else
        {
          complain (_ ("unknown or incomplete option '%s' (see --help)"),
                    argv[i]);
          return 2;
        }
    }
  if (plugin_path == NULL)
    plugin_path = find_beside_or_installed (
        PLUGIN_FILE, INSTALLED_PLUGIN_DIR G_DIR_SEPARATOR_S PLUGIN_FILE);

  if (!gtk_init_check (&argc, &argv))
    {
      complain (_ ("cannot open the X display '%s'"),
                g_getenv ("DISPLAY") ? g_getenv ("DISPLAY") : "");
      return 1;
    }

  dlopen (GCONF_LIBRARY, RTLD_LAZY | RTLD_GLOBAL);
  module = dlopen (plugin_path, RTLD_NOW | RTLD_LOCAL);
  if (module == NULL)
    {
      complain (_ ("cannot load plug-in: %s"), dlerror ());
      return 1;
    }
  init = (PluginInitFunc)dlsym (module, PLUGIN_INIT_SYMBOL);
  if (init == NULL)
    {
      complain (_ ("%s is not a settings plug-in (no %s)"), plugin_path,
                PLUGIN_INIT_SYMBOL);
      return 1;
    }

  memset (&record, 0, sizeof record);
  record.registration.host_data = &record;
  registered = init (&record.registration);
  trace (PLUGIN_INIT_SYMBOL, registered ? "1" : "0");
  entries = record.registration.entries;
  if (!registered || entries == NULL)
    {
      complain (_ ("%s refused to register"), plugin_path);
      return 1;
    }

  panel = entries->load_plugin ();
  fflush (stdout);
  trace ("load_plugin", panel ? "panel" : "null");
  entries->noop ();
  trace ("noop", "done");
  items = entries->build_settings_menu (&count);
  g_snprintf (result, sizeof result, "%d item(s)", (int)count);
  trace ("build_settings_menu", result);

  gtk_widget_show_all (build_window (panel, items, count));
  call_sync ();
  gtk_main ();
  g_free (plugin_path);
  if (screenshot_file && !screenshot_written ())
    return 1;
  if (screenshot_file)
    g_print ("%s: %s\n", PROGRAM,
             g_strdup_printf (_ ("wrote %s"), screenshot_file));
  return 0;
}
