/* The host's way in: startup_init_plugin hands over the entries table.
 *
 * The host calls startup_init_plugin once, then entry 1 (load_plugin) before
 * any other, entry 4 (build_settings_menu) once per load, and entries 5, 3
 * and 2 at any time after those; <zorvane/plugin_host.h> states the order.
 * Calls out of that order do no harm. */
#include "plugin_private.h"

/* Handed to the host, which may use it; never read or written here. */
static void *host_block[3];

/* Entry 2: nothing, at any time. */
static void
noop_entry (void)
{
}

extern "C" PLUGIN_EXPORT const PluginEntries plugin_entries = {
  load_plugin,          noop_entry, save_settings, build_settings_menu,
  sync_menu_from_panel, NULL,       NULL,
};

/* Refuses, writing nothing, a host with neither store, or with a GSettings
 * schema that lacks what the plug-in reads and writes: its players' settings
 * would be lost at every save. */
extern "C" PLUGIN_EXPORT int
startup_init_plugin (PluginRegistration *registration)
{
  const char *why = NULL;

  if (registration == NULL)
    return 0;
  bind_catalogue ();
  if (find_store (&why) == STORE_NONE)
    {
      /* TRANSLATORS: %s says what is missing, e.g. "the host has no GConf,
         and the GSettings schema org.tamrik.zorvane is not installed". */
      char *line = g_strdup_printf (_ ("no settings store: %s"), why);
      /* In the terminal's character set, which g_printerr converts to. */
      g_printerr ("zorvane_plugin.so: %s\n", line);
      g_free (line);
      return 0;
    }
  registration->entries = &plugin_entries;
  registration->host_block = host_block;
  registration->reserved_4 = NULL;
  registration->reserved_5 = NULL;
  return 1;
}
