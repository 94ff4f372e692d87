/* zorvane-host: a small stand-in for the game's start-up host.
 *
 * It loads the settings plug-in the way the real host does, calls its entries
 * in the documented order and shows the panel and the "Settings" menu in a
 * window with a "Save" button.  Closing the window saves as well. */
#define GLIB_DISABLE_DEPRECATION_WARNINGS
#include <dlfcn.h>
#include <gconf/gconf-client.h>
#include <gtk/gtk.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "zorvane/plugin_host.h"

#define PROGRAM "zorvane-host"
#define PLUGIN_FILE "zorvane_plugin.so"

/* The real host's record is longer than the five fields the plug-in knows. */
struct HostRecord
{
  PluginRegistration registration;
  void *host_private[4];
};

static const PluginEntries *entries;
static gboolean trace_entries;
static const char *screenshot_file;
static int exit_status;

static void
trace (const char *entry, const char *result)
{
  if (trace_entries)
    fprintf (stderr, PROGRAM ": %s -> %s\n", entry, result);
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

static gboolean
take_screenshot (gpointer user_data)
{
  GtkWidget *window = GTK_WIDGET (user_data);
  GdkPixbuf *pixbuf;
  GError *error = NULL;

  gdk_window_process_all_updates ();
  gdk_flush ();
  pixbuf = gdk_pixbuf_get_from_drawable (NULL, window->window, NULL, 0, 0, 0, 0,
                                         window->allocation.width,
                                         window->allocation.height);
  if (pixbuf == NULL
      || !gdk_pixbuf_save (pixbuf, screenshot_file, "png", &error, NULL))
    {
      fprintf (stderr, PROGRAM ": cannot write %s: %s\n", screenshot_file,
               error ? error->message : "no image of the window");
      exit_status = 1;
    }
  if (error)
    g_error_free (error);
  if (pixbuf)
    g_object_unref (pixbuf);
  gtk_main_quit ();
  return FALSE;
}

/* A mapped window is not yet drawn; give the first expose a moment. */
static gboolean
on_map_event (GtkWidget *window, GdkEvent *event, gpointer user_data)
{
  (void)event;
  (void)user_data;
  g_timeout_add (300, take_screenshot, window);
  return FALSE;
}

/* Beside the program in a build tree, in the plug-in folder once installed. */
static char *
default_plugin_path (void)
{
  char self[4096];
  ssize_t n = readlink ("/proc/self/exe", self, sizeof self - 1);
  char *dir, *path;

  if (n <= 0)
    return g_strdup (PLUGIN_FILE);
  self[n] = '\0';
  dir = g_path_get_dirname (self);
  path = g_build_filename (dir, PLUGIN_FILE, NULL);
  if (!g_file_test (path, G_FILE_TEST_EXISTS))
    {
      g_free (path);
      path = g_build_filename (dir, INSTALLED_PLUGIN_DIR, PLUGIN_FILE, NULL);
    }
  g_free (dir);
  return path;
}

static void
usage (FILE *out)
{
  fprintf (out, "Usage: " PROGRAM " [--plugin PATH] [--screenshot FILE]"
                " [--trace-entries]\n"
                "  --plugin PATH      plug-in to load (default: " PLUGIN_FILE
                " beside this program\n"
           "                     or in the installed plug-in folder)\n"
                "  --screenshot FILE  show the window, write it as PNG and exit"
                " without saving\n"
                "  --trace-entries    log each entry call to standard error\n");
}

int
main (int argc, char **argv)
{
  char *plugin_path = NULL;
  HostRecord record;
  PluginInitFunc init;
  GtkWidget *window, *vbox, *menu_bar, *panel, *buttons, *save_button;
  GtkWidget **items;
  int32_t count = 0;
  void *module;
  int i;

  for (i = 1; i < argc; i++)
    {
      if (strcmp (argv[i], "--plugin") == 0 && i + 1 < argc)
        plugin_path = g_strdup (argv[++i]);
      else if (strcmp (argv[i], "--screenshot") == 0 && i + 1 < argc)
        screenshot_file = argv[++i];
      else if (strcmp (argv[i], "--trace-entries") == 0)
        trace_entries = TRUE;
      else if (strcmp (argv[i], "--help") == 0)
        {
          usage (stdout);
          return 0;
        }
      else
        {
          fprintf (stderr, PROGRAM ": unknown or incomplete option '%s'\n",
                   argv[i]);
          usage (stderr);
          return 2;
        }
    }
  if (plugin_path == NULL)
    plugin_path = default_plugin_path ();

  if (!gtk_init_check (&argc, &argv))
    {
      fprintf (stderr, PROGRAM ": cannot open the X display '%s'\n",
               g_getenv ("DISPLAY") ? g_getenv ("DISPLAY") : "");
      return 1;
    }

  module = dlopen (plugin_path, RTLD_NOW | RTLD_LOCAL);
  if (module == NULL)
    {
      fprintf (stderr, PROGRAM ": cannot load plug-in: %s\n", dlerror ());
      return 1;
    }
  init = (PluginInitFunc)dlsym (module, PLUGIN_INIT_SYMBOL);
  if (init == NULL)
    {
      fprintf (stderr, PROGRAM ": %s is not a settings plug-in (no %s)\n",
               plugin_path, PLUGIN_INIT_SYMBOL);
      return 1;
    }

  memset (&record, 0, sizeof record);
  record.registration.host_data = &record;
  i = init (&record.registration);
  trace (PLUGIN_INIT_SYMBOL, i ? "1" : "0");
  entries = record.registration.entries;
  if (!i || entries == NULL)
    {
      fprintf (stderr, PROGRAM ": %s refused to register\n", plugin_path);
      return 1;
    }

  panel = entries->load_plugin ();
  fflush (stdout);
  trace ("load_plugin", panel ? "panel" : "null");
  entries->noop ();
  trace ("noop", "done");
  items = entries->build_settings_menu (&count);
  {
    char result[32];
    g_snprintf (result, sizeof result, "%d item(s)", (int)count);
    trace ("build_settings_menu", result);
  }

  window = gtk_window_new (GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title (GTK_WINDOW (window), "Zorvane start-up settings");
  vbox = gtk_vbox_new (FALSE, 6);
  gtk_container_add (GTK_CONTAINER (window), vbox);

  menu_bar = gtk_menu_bar_new ();
  for (i = 0; items != NULL && i < count && items[i] != NULL; i++)
    {
      gtk_menu_shell_append (GTK_MENU_SHELL (menu_bar), items[i]);
      g_signal_connect (items[i], "activate", G_CALLBACK (on_settings_activate),
                        NULL);
    }
  gtk_box_pack_start (GTK_BOX (vbox), menu_bar, FALSE, FALSE, 0);
  call_sync ();

  if (panel != NULL)
    gtk_box_pack_start (GTK_BOX (vbox), panel, FALSE, FALSE, 6);

  buttons = gtk_hbutton_box_new ();
  gtk_button_box_set_layout (GTK_BUTTON_BOX (buttons), GTK_BUTTONBOX_END);
  gtk_container_set_border_width (GTK_CONTAINER (buttons), 6);
  save_button = gtk_button_new_with_label ("Save");
  gtk_container_add (GTK_CONTAINER (buttons), save_button);
  gtk_box_pack_end (GTK_BOX (vbox), buttons, FALSE, FALSE, 0);

  g_signal_connect (save_button, "clicked", G_CALLBACK (on_save_clicked), NULL);
  if (screenshot_file)
    g_signal_connect (window, "map-event", G_CALLBACK (on_map_event), NULL);
  else
    g_signal_connect (window, "delete-event", G_CALLBACK (on_delete_event),
                      NULL);

  gtk_widget_show_all (window);
  gtk_main ();
  if (screenshot_file && exit_status == 0)
    printf (PROGRAM ": wrote %s\n", screenshot_file);
  g_free (plugin_path);
  return exit_status;
}
