// Test rig: the real plug-in loaded with dlopen, real widgets on Xvfb and a
// real gconfd on a private bus (see scripts/sandbox).  Module state has no
// tear-down, so every test runs in a process of its own, as ctest runs them.
#pragma once
#define GLIB_DISABLE_DEPRECATION_WARNINGS
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <functional>
#include <string>

#include "zorvane/plugin_host.h"

#define LEVEL_KEY "/apps/tamrik/zorvane/level"
#define SOUND_KEY "/apps/tamrik/zorvane/sound"

extern bool allow_store_warnings;
// Messages (g_message) logged so far.
extern int logged_messages;
extern void *module;
extern const PluginEntries *entries;

void *plugin_symbol (const char *name);
const PluginEntries *register_plugin ();
GtkWidget *plugin_widget (const char *name);
GtkWidget *level_item (int n);

// The tag of the one active level item, or 0 if not exactly one is active.
int active_level ();
int panel_level ();
bool panel_sound ();
bool menu_sound ();
// Panel and menu agree on (level, sound).
void expect_agreement (int level, bool sound);
// Each side the host has not destroyed shows (level, sound).
void expect_shown (int level, bool sound);

void click (GtkWidget *toggle);
// A menu item activated, as a pick with the mouse or keyboard does.
void pick (GtkWidget *item);
// The store the plug-in uses in this process: GSettings where the process
// has no GConf.  The helpers below take GConf keys either way.
bool gsettings_store ();
void set_level (int level);
std::string store_get (const char *key);
std::string store_own (const char *key);
void store_set (const char *key, const char *type, const char *value);
std::string capture_stdout (void (*fn) ());
std::string capture_stderr (const std::function<void ()> &fn);

// Skips the test with a line "skipped: REASON", which scripts/test's summary
// reads.
#define SKIP_TEST(reason)                                                      \
  do                                                                           \
    {                                                                          \
      printf ("skipped: %s\n", reason);                                        \
      GTEST_SKIP () << reason;                                                 \
    }                                                                          \
  while (0)

class PluginTest : public ::testing::Test
{
protected:
  void SetUp () override;
  GtkWidget *load ();
  GtkWidget **build_menu (int32_t *count = nullptr);
  void show (GtkWidget *panel);
};
