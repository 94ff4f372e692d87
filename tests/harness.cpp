#include "harness.h"

#include "command_output.h"

#include <dlfcn.h>
#include <string.h>
#if GTK_CHECK_VERSION(3, 0, 0)
#include <X11/extensions/XTest.h>
#include <gdk/gdkwayland.h>
#include <gdk/gdkx.h>
#endif

#include <algorithm>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

bool allow_store_warnings;
int logged_messages;
void *module;
const PluginEntries *entries;
static int tests_in_process;

void *
plugin_symbol (const char *name)
{
  void *address = dlsym (module, name);
  EXPECT_NE (address, nullptr) << name << " is not exported";
  return address;
}

const PluginEntries *
register_plugin ()
{
  PluginRegistration record = {};
  EXPECT_EQ (((PluginInitFunc)plugin_symbol (PLUGIN_INIT_SYMBOL)) (&record), 1);
  return record.entries;
}

GtkWidget *
plugin_widget (const char *name)
{
  return *(GtkWidget **)plugin_symbol (name);
}

GtkWidget *
level_item (int n)
{
  return plugin_widget (("level_" + std::to_string (n) + "_item").c_str ());
}

int
active_level ()
{
  int active = 0;
  for (int n = 1; n <= 12; n++)
    if (gtk_check_menu_item_get_active (GTK_CHECK_MENU_ITEM (level_item (n))))
      active = active ? -1 : n;
  return active < 0 ? 0 : active;
}

int
panel_level ()
{
  return gtk_spin_button_get_value_as_int (
      GTK_SPIN_BUTTON (plugin_widget ("board_box")));
}

bool
panel_sound ()
{
  return gtk_toggle_button_get_active (
      GTK_TOGGLE_BUTTON (plugin_widget ("sound_check")));
}

bool
menu_sound ()
{
  return gtk_check_menu_item_get_active (
      GTK_CHECK_MENU_ITEM (plugin_widget ("sound_item")));
}

void
expect_agreement (int level, bool sound)
{
  EXPECT_EQ (panel_level (), level);
  EXPECT_EQ (active_level (), level);
  EXPECT_EQ (panel_sound (), sound);
  EXPECT_EQ (menu_sound (), sound);
}

void
expect_shown (int level, bool sound)
{
  bool panel = plugin_widget ("board_box") != nullptr;
  bool check = plugin_widget ("sound_check") != nullptr;
  bool menu = plugin_widget ("sound_item") != nullptr;
  EXPECT_TRUE (!panel || panel_level () == level) << panel_level ();
  EXPECT_TRUE (!check || panel_sound () == sound);
  EXPECT_TRUE (!menu || (active_level () == level && menu_sound () == sound))
      << active_level ();
}

bool
gsettings_store ()
{
  return dlsym (RTLD_DEFAULT, "gconf_client_get_default") == nullptr;
}

// GSettings has the GConf key's last part in the plug-in's schema.
static std::string
gsettings_key (const char *key)
{
  return std::string (PLUGIN_GSETTINGS_SCHEMA " ") + (strrchr (key, '/') + 1);
}

// Read from outside the process, past this process's GConf client.
std::string
store_get (const char *key)
{
  if (gsettings_store ())
    return "int\n" + command_output ("gsettings get " + gsettings_key (key));
  return command_output (std::string ("gconftool-2 --get-type ") + key
                         + " 2>/dev/null; gconftool-2 --get " + key
                         + " 2>/dev/null");
}

// What the private store itself holds for KEY: empty when nothing wrote it,
// even where the machine's defaults are visible (see scripts/sandbox).
std::string
store_own (const char *key)
{
  return command_output (std::string ("sh " ZORVANE_OWN_VALUE_SCRIPT " ")
                         + (gsettings_store () ? strrchr (key, '/') + 1 : key));
}

static bool
on_wayland ()
{
#if GTK_CHECK_VERSION(3, 0, 0)
  return GDK_IS_WAYLAND_DISPLAY (gdk_display_get_default ());
#else
  return false;
#endif
}

// GTK 3 on Wayland reads its own settings through GSettings from the start,
// so this process's GSettings hears of another program's write only from
// its main loop, as a host does: until then the plug-in reads the old value.
static void
await_gsettings (const char *key, int value)
{
  GSettingsSchema *schema = g_settings_schema_source_lookup (
      g_settings_schema_source_get_default (), PLUGIN_GSETTINGS_SCHEMA, TRUE);
  ASSERT_TRUE (schema && g_settings_schema_has_key (schema, key));
  GSettings *settings = g_settings_new_full (schema, nullptr, nullptr);
  for (int wait = 0; wait < 400 && g_settings_get_int (settings, key) != value;
       wait++)
    {
      while (g_main_context_iteration (nullptr, FALSE))
        ;
      g_usleep (5000);
    }
  EXPECT_EQ (g_settings_get_int (settings, key), value) << "never arrived";
  g_object_unref (settings);
  g_settings_schema_unref (schema);
}

// Type "schema" installs only a schema whose default is the value.
void
store_set (const char *key, const char *type, const char *value)
{
  std::string command = std::string ("gconftool-2 --set --type=") + type
                        + " -- " + key + " '" + value + "'";
  if (gsettings_store ())
    {
      ASSERT_STREQ (type, "int") << "the GSettings schema holds integers";
      command = "gsettings set " + gsettings_key (key) + " '" + value + "'";
    }
  if (strcmp (type, "schema") == 0)
    {
      const char *home = getenv ("HOME");
      ASSERT_NE (home, nullptr) << "HOME is unset: the private store needs it";
      std::string file
          = std::string (home) + "/" + strrchr (key, '/') + ".schemas";
      FILE *out = fopen (file.c_str (), "w");
      ASSERT_NE (out, nullptr);
      fprintf (
          out,
          "<gconfschemafile><schemalist><schema>"
          "<key>/schemas%s</key><applyto>%s</applyto><type>int</type>"
          "<default>%s</default><locale name=\"C\"><short>test</short></locale>"
          "</schema></schemalist></gconfschemafile>\n",
          key, key, value);
      fclose (out);
      command = "GCONF_CONFIG_SOURCE=xml:readwrite:$HOME/.gconf gconftool-2 "
                "--makefile-install-rule "
                + file + " >/dev/null";
    }
  ASSERT_EQ (system (command.c_str ()), 0) << command;
  if (gsettings_store () && on_wayland ())
    await_gsettings (strrchr (key, '/') + 1, atoi (value));
}

static std::string
capture (int fd, FILE *stream, const std::function<void ()> &fn)
{
  FILE *file = tmpfile ();
  int saved = dup (fd);
  fflush (stream);
  dup2 (fileno (file), fd);
  fn ();
  fflush (stream);
  dup2 (saved, fd);
  close (saved);
  std::string out;
  rewind (file);
  for (int c; (c = fgetc (file)) != EOF;)
    out += (char)c;
  fclose (file);
  return out;
}

std::string
capture_stdout (void (*fn) ())
{
  return capture (1, stdout, fn);
}

std::string
capture_stderr (const std::function<void ()> &fn)
{
  return capture (2, stderr, fn);
}

void
PluginTest::SetUp ()
{
  ASSERT_EQ (++tests_in_process, 1)
      << "module state cannot be reset: run one test per process (ctest does)";
  module = dlopen (ZORVANE_PLUGIN_FILE, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE (module, nullptr) << dlerror ();
  entries = register_plugin ();
}

static GtkWidget *loaded_panel;

// load_plugin, with a check of its one trace line.
GtkWidget *
PluginTest::load ()
{
  std::string out
      = capture_stdout ([] { loaded_panel = entries->load_plugin (); });
  EXPECT_EQ (out.find ("src/plugin.cpp : load_plugin : "), 0u) << out;
  EXPECT_EQ (std::count (out.begin (), out.end (), '\n'), 1) << out;
  return loaded_panel;
}

GtkWidget **
PluginTest::build_menu (int32_t *count)
{
  int32_t n = 0;
  return entries->build_settings_menu (count ? count : &n);
}

// Panel in a mapped window, so that real clicks reach it.
void
PluginTest::show (GtkWidget *panel)
{
  GtkWidget *window = gtk_window_new (GTK_WINDOW_TOPLEVEL);
  gtk_container_add (GTK_CONTAINER (window), panel);
  // Until the X server has mapped it: GTK 3 marks the widget mapped before
  // that, and a click sent meanwhile goes to the root window.
  static bool on_screen, placed;
  g_signal_connect (window, "map-event",
                    G_CALLBACK (+[] (GtkWidget *, GdkEvent *, gpointer) {
                      on_screen = true;
                      return FALSE;
                    }),
                    nullptr);
  // Wayland tells no client where its window is; a full-screen one starts
  // at the output's corner, where the pointer's coordinates start.
  placed = !on_wayland ();
  if (!placed)
    {
      gtk_window_fullscreen (GTK_WINDOW (window));
      g_signal_connect (
          window, "window-state-event",
          G_CALLBACK (+[] (GtkWidget *, GdkEventWindowState *event, gpointer) {
            placed = event->new_window_state & GDK_WINDOW_STATE_FULLSCREEN;
            return FALSE;
          }),
          nullptr);
    }
  gtk_widget_show_all (window);
  while (!on_screen || !placed || gtk_events_pending ())
    gtk_main_iteration ();
}

void
pick (GtkWidget *item)
{
  gtk_menu_item_activate (GTK_MENU_ITEM (item));
}

void
set_level (int level)
{
  gtk_spin_button_set_value (GTK_SPIN_BUTTON (plugin_widget ("board_box")),
                             level);
}

#if GTK_CHECK_VERSION(3, 0, 0)
// The X server whose input reaches the widget: the display GTK draws on, or
// under Wayland the one the compositor's seat takes its pointer from, with
// the compositor's output at its top left corner (scripts/sandbox).
static Display *
input_display (GtkWidget *widget)
{
  GdkDisplay *display = gtk_widget_get_display (widget);
  if (GDK_IS_X11_DISPLAY (display))
    return GDK_DISPLAY_XDISPLAY (display);
  static Display *seat;
  const char *name = getenv ("SANDBOX_SEAT_DISPLAY");
  if (!seat && name && (seat = XOpenDisplay (name)))
    {
      // Outside the compositor's window, so that the next move enters it
      // where the compositor sees it.
      int screen = DefaultScreen (seat);
      XTestFakeMotionEvent (seat, screen, DisplayWidth (seat, screen) - 1,
                            DisplayHeight (seat, screen) - 1, CurrentTime);
    }
  return seat;
}

// Dispatches what has come until the widget's state has FLAG, for a second
// at most.  With MOVE, points at the widget's middle, wherever it is by then:
// a full-screen window may still be taking its size.
static bool
reached (GtkWidget *widget, GtkStateFlags flag, Display *move)
{
  int sent_x = -1, sent_y = -1;
  for (int wait = 0; wait < 200; wait++)
    {
      while (gtk_events_pending ())
        gtk_main_iteration ();
      if (gtk_widget_get_state_flags (widget) & flag)
        return true;
      GtkAllocation at;
      int x, y;
      gtk_widget_get_allocation (widget, &at);
      gdk_window_get_origin (gtk_widget_get_window (widget), &x, &y);
      x += at.x + at.width / 2;
      y += at.y + at.height / 2;
      if (move && (x != sent_x || y != sent_y))
        {
          XTestFakeMotionEvent (move, -1, x, y, CurrentTime);
          XFlush (move);
          sent_x = x, sent_y = y;
        }
      g_usleep (5000);
    }
  return false;
}

// GTK 3 reads the pointer through XInput 2 and ignores the core button
// events that gtk_test_widget_click sends: the X server's own input (XTest)
// reaches it, at the middle of the widget.  A Wayland compositor sends the
// buttons to the window the pointer entered, so each step waits until the
// widget has seen the one before.
static bool
send_click (GtkWidget *widget)
{
  Display *display = input_display (widget);
  if (!display)
    {
      ADD_FAILURE () << "no X server feeds this display's pointer";
      return false;
    }
  return reached (widget, GTK_STATE_FLAG_PRELIGHT, display)
         && XTestFakeButtonEvent (display, 1, True, CurrentTime)
         && XFlush (display) && reached (widget, GTK_STATE_FLAG_ACTIVE, nullptr)
         && XTestFakeButtonEvent (display, 1, False, CurrentTime)
         && XFlush (display);
}
#else
static bool
send_click (GtkWidget *widget)
{
  return gtk_test_widget_click (widget, 1, GdkModifierType (0));
}
#endif

// A real pointer click, given time to arrive and be dispatched.
void
click (GtkWidget *toggle)
{
  bool before = gtk_toggle_button_get_active (GTK_TOGGLE_BUTTON (toggle));
  ASSERT_TRUE (send_click (toggle));
  for (int wait = 0; wait < 200; wait++)
    {
      while (gtk_events_pending ())
        gtk_main_iteration ();
      if (gtk_toggle_button_get_active (GTK_TOGGLE_BUTTON (toggle)) != before)
        return;
      g_usleep (5000);
    }
  ADD_FAILURE () << "the click did not arrive";
}

// Every message of the process passes here: GLib's log handlers hand theirs
// to the structured writer, and GTK 3 logs to the writer straight away.
static GLogWriterOutput
fail_on_warning (GLogLevelFlags level, const GLogField *fields, gsize n_fields,
                 gpointer)
{
  const char *domain = nullptr, *message = "";
  for (gsize i = 0; i < n_fields; i++)
    if (strcmp (fields[i].key, "GLIB_DOMAIN") == 0)
      domain = (const char *)fields[i].value;
    else if (strcmp (fields[i].key, "MESSAGE") == 0)
      message = (const char *)fields[i].value;
  bool store = domain && strcmp (domain, "GConf") == 0;
  logged_messages += (level & G_LOG_LEVEL_MESSAGE) != 0;
  if ((level & (G_LOG_LEVEL_WARNING | G_LOG_LEVEL_CRITICAL))
      && !(store && allow_store_warnings))
    ADD_FAILURE () << (domain ? domain : "") << ": " << message;
  return g_log_writer_default (level, fields, n_fields, nullptr);
}

#if defined(__SANITIZE_ADDRESS__)
// The toolkit keeps what it allocates until exit, as the plug-in does.
extern "C" const char *
__asan_default_options ()
{
  return "detect_leaks=0:abort_on_error=1";
}
extern "C" const char *
__ubsan_default_options ()
{
  return "print_stacktrace=1:halt_on_error=1";
}
#endif

int
main (int argc, char **argv)
{
  // InitGoogleTest consumes its flags; the sandboxed run needs them again,
  // after the sandbox and, where the machine needs one, the emulator.
  const char *emulator = getenv ("ZORVANE_EMULATOR");
  int before = emulator && *emulator ? 3 : 2;
  char **original = g_new0 (char *, argc + before + 1);
  for (int i = 0; i < argc; i++)
    original[i + before] = argv[i];
  testing::InitGoogleTest (&argc, argv);
  if (testing::GTEST_FLAG (list_tests))
    {
      g_free (original);
      return RUN_ALL_TESTS ();
    }
  if (!getenv ("ZORVANE_SANDBOX"))
    {
      // The plug-in's GSettings schema, as this build compiled it.
      setenv ("GSETTINGS_SCHEMA_DIR", ZORVANE_SCHEMA_DIR, 1);
      char self[4096];
      ssize_t n = readlink ("/proc/self/exe", self, sizeof self - 1);
      if (n > 0)
        {
          self[n] = '\0';
          original[0] = (char *)"sh";
          original[1] = (char *)ZORVANE_SANDBOX_SCRIPT;
          original[2] = (char *)emulator;
          original[before] = self;
          execv ("/bin/sh", original);
        }
      perror ("cannot start the test sandbox");
      return 1;
    }
    // Assistive technology's view of the widgets, as a desktop session has it.
    // GTK+ 2 needs its gail module for that.  GTK 3 has it built in and loads
    // its AT-SPI bridge by itself, which the tests, reading the widgets' ATK
    // objects in the process, do without (the screen-reader test has it).
#if GTK_CHECK_VERSION(3, 0, 0)
  setenv ("NO_AT_BRIDGE", "1", 0);
#else
  setenv ("GTK_MODULES", "gail", 0);
#endif
  g_log_set_writer_func (fail_on_warning, nullptr, nullptr);
  gtk_init (&argc, &argv);
#if GTK_CHECK_VERSION(3, 0, 0)
  // A run meant for Wayland that lands on X would pass without testing it.
  if (g_strcmp0 (getenv ("SANDBOX_WAYLAND"), "1") == 0
      && !GDK_IS_WAYLAND_DISPLAY (gdk_display_get_default ()))
    {
      fprintf (stderr, "not on Wayland: the display is %s\n",
               G_OBJECT_TYPE_NAME (gdk_display_get_default ()));
      return 1;
    }
#endif
  return RUN_ALL_TESTS ();
}
