/* The host's way in: startup_init_plugin hands over the entries table.
 *
 * The host calls startup_init_plugin once, then entry 1 (load_plugin) before
 * any other, entry 4 (build_settings_menu) once per load, and entries 5, 3
 * and 2 at any time after those; <zorvane/plugin_host.h> states the order.
 * Calls out of that order do no harm. */
#include <stdio.h>

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

/* Refuses, writing nothing, a host with neither store: its players' settings
 * would be lost at every save.  The line is for integrators, untranslated. */
extern "C" PLUGIN_EXPORT int
startup_init_plugin (PluginRegistration *registration)
{
  const char *why = NULL;

  if (registration == NULL)
    return 0;
  if (find_store (&why) == STORE_NONE)
    {
      fprintf (stderr, "zorvane_plugin.so: no settings store: %s\n", why);
      return 0;
    }
  registration->entries = &plugin_entries;
  registration->host_block = host_block;
  registration->reserved_4 = NULL;
  registration->reserved_5 = NULL;
  return 1;
}
