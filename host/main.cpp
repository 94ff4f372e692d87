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
      && (event->keyval == GDK_KEY_q || event->keyval == GDK_KEY_Q))
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

/* Typographic quotes, and the plain ones that stand in for them where the
 * terminal's character set lacks them. */
#define DOUBLE_QUOTES "\u201c\u201d\u201e\u00ab\u00bb"
#define SINGLE_QUOTES "\u2018\u2019\u201a\u2039\u203a"

/* TEXT, in UTF-8, as the terminal's character set can show it.  GLib's own
 * conversion (g_print) puts '?' for each character the set lacks, which in a
 * legacy 8-bit locale hits the quotes of most languages; iconv's
 * transliteration alone would make "„" two commas. */
static char *
for_terminal (const char *text)
{
  const char *charset;
  GString *plain;
  char *target, *converted;

  if (g_get_charset (&charset) || !g_utf8_validate (text, -1, NULL))
    return g_strdup (text);
  plain = g_string_new (NULL);
  for (const char *p = text; *p != '\0'; p = g_utf8_next_char (p))
    {
      gunichar c = g_utf8_get_char (p);
      gsize length = g_utf8_next_char (p) - p;
      gboolean quote = g_utf8_strchr (DOUBLE_QUOTES, -1, c) != NULL
                       || g_utf8_strchr (SINGLE_QUOTES, -1, c) != NULL;
      char *kept
          = quote ? g_convert (p, length, charset, "UTF-8", NULL, NULL, NULL)
                  : NULL;

      if (quote && kept == NULL)
        g_string_append_c (plain,
                           g_utf8_strchr (DOUBLE_QUOTES, -1, c) ? '"' : '\'');
      else
        g_string_append_len (plain, p, length);
      g_free (kept);
    }
  target = g_strconcat (charset, "//TRANSLIT", NULL);
  converted = g_convert_with_fallback (plain->str, -1, target, "UTF-8", "?",
                                       NULL, NULL, NULL);
  g_free (target);
  if (converted == NULL)
    converted = g_strdup (plain->str);
  g_string_free (plain, TRUE);
  return converted;
}

/* The host's one way to print: TEXT and a newline, in the terminal's
 * character set. */
static void
write_line (FILE *stream, const char *text)
{
  char *shown = for_terminal (text);

  fprintf (stream, "%s\n", shown);
  g_free (shown);
}

static void G_GNUC_PRINTF (2, 3)
    print_line (FILE *stream, const char *format, ...)
{
  va_list args;
  char *text;

  va_start (args, format);
  text = g_strdup_vprintf (format, args);
  va_end (args);
  write_line (stream, text);
  g_free (text);
}

/* One line on standard error, after the program's name. */
void
complain (const char *format, ...)
{
  va_list args;
  char *message;

  va_start (args, format);
  message = g_strdup_vprintf (format, args);
  va_end (args);
  print_line (stderr, "%s: %s", PROGRAM, message);
  g_free (message);
}

/* One message per option, so that changing an option costs the translators
 * one text. */
static void
usage (void)
{
  /* TRANSLATORS: the first line of --help; %s is the program's name,
     zorvane-host.  Each line of --help must fit 79 columns. */
  print_line (stdout, _ ("Usage: %s [OPTION]..."), PROGRAM);
  /* TRANSLATORS: the second line of --help.  Break it into lines of at most
     79 columns (East Asian wide characters count two). */
  write_line (stdout, _ ("Shows the settings plug-in's panel and menu as the"
                         " game's start-up host does."));
  write_line (stdout, "");
  print_line (
      stdout,
      /* TRANSLATORS: one option of --help, as are the three after it.  Keep
         the option's name; translate PATH and FILE alike, or keep both.  Each
         line must fit 79 columns with %s filled in (zorvane_plugin.so, 17
         columns), East Asian wide characters counting two.  The description
         starts in column 22, and so does each further line; break lines
         wherever you need to. */
      _ ("  --plugin PATH      plug-in to load (default: %s beside this\n"
         "                     program, or in the installed plug-in folder)"),
      PLUGIN_FILE);
  /* TRANSLATORS: an option of --help: at most 79 columns a line, the
     description in column 22 (a longer FILE may push it to a line of its
     own). */
  write_line (stdout, _ ("  --screenshot FILE  show the window, write it as"
                         " PNG and exit without saving"));
  /* TRANSLATORS: an option of --help: at most 79 columns a line, the
     description in column 22.  "Settings" and "Difficulty" are the menu's
     texts: use their translations. */
  write_line (stdout, _ ("  --open-menu        with --screenshot: open"
                         " Settings > Difficulty first"));
  /* TRANSLATORS: an option of --help: at most 79 columns a line, the
     description in column 22.  An entry is an entry point of the plug-in, a
     function of it that the host calls; not an input field, not a list
     item. */
  write_line (stdout, _ ("  --trace-entries    log each entry call, its result"
                         " and the panel and menu\n"
                         "                     state to standard error"));
}

static GtkWidget *
build_window (GtkWidget *panel, GtkWidget **items, int32_t count)
{
  GtkWidget *window, *vbox, *menu_bar, *buttons, *save_button;

  window = gtk_window_new (GTK_WINDOW_TOPLEVEL);
  /* TRANSLATORS: the title of the stand-in host's window: the settings that
     the game shows when it starts.  Zorvane is the game's name: keep it in
     Latin letters (it may take your language's endings). */
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
  /* TRANSLATORS: the button that saves both settings now (closing the
     window saves them too).  The underscore goes before the access key's
     letter; pick one that is in the translation. */
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
          /* TRANSLATORS: %s is the argument as typed on the command line,
             such as --bogus, or --plugin without its PATH.  Use your
             language's own quotation marks; keep --help as it is. */
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
      /* TRANSLATORS: %s is the display's name from the DISPLAY variable,
         such as :0, or nothing where it is unset.  Use your language's own
         quotation marks. */
      complain (_ ("cannot open the X display '%s'"),
                g_getenv ("DISPLAY") ? g_getenv ("DISPLAY") : "");
      return 1;
    }

  dlopen (GCONF_LIBRARY, RTLD_LAZY | RTLD_GLOBAL);
  module = dlopen (plugin_path, RTLD_NOW | RTLD_LOCAL);
  if (module == NULL)
    {
      /* TRANSLATORS: %s is the system loader's own message, in English,
         which names the file and what is wrong with it. */
      complain (_ ("cannot load plug-in: %s"), dlerror ());
      return 1;
    }
  init = (PluginInitFunc)dlsym (module, PLUGIN_INIT_SYMBOL);
  if (init == NULL)
    {
      /* TRANSLATORS: the first %s is the path of the file that was loaded,
         the second the name of the function it lacks, startup_init_plugin.
         Write %1$s and %2$s where your language needs the other order. */
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
      /* TRANSLATORS: %s is the plug-in's path.  The plug-in itself declined
         to register (its startup_init_plugin returned 0): it refused, nobody
         refused it. */
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
    {
      /* TRANSLATORS: printed once the screenshot is written; %s is the
         path of its file. */
      char *done = g_strdup_printf (_ ("wrote %s"), screenshot_file);

      print_line (stdout, "%s: %s", PROGRAM, done);
      g_free (done);
    }
  return 0;
}
