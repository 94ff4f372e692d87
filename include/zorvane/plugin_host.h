/* The interface between the start-up host and the settings plug-in.
 *
 * The host dlopen()s zorvane_plugin.so, resolves startup_init_plugin and calls
 * it once with a PluginRegistration of its own.  From then on it calls only
 * through the entries table written into that record, in this order:
 *
 *   1. load_plugin            before anything else; returns the panel
 *   4. build_settings_menu    once per load, after entry 1
 *   5. sync_menu_from_panel   any time after entries 1 and 4
 *   3. save_settings          any time after entry 1
 *   2. noop                   any time
 *
 * Entries 6 and 7 are null and part of the table.  Everything runs on the
 * host's GUI thread.
 *
 * The plug-in also exports its state (gcc, board_box, sound_check, the menu
 * widgets, group, menu_items): read it with dlsym() on the module handle.  A
 * host linked against the .so at build time gets copies that the plug-in
 * never writes, since it binds its own references.  A widget variable is null
 * until its widget is built and again once the widget is destroyed.  The
 * module stays loaded after dlclose(), as the widgets still call into it.
 *
 * The layout below is fixed by the shipped 32-bit hosts: every field is
 * pointer-sized, so it is four bytes wide there. */
#ifndef ZORVANE_PLUGIN_HOST_H
#define ZORVANE_PLUGIN_HOST_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C"
{
#endif

  /* The toolkit's widget type, named by its tag: a typedef of our own would
   * clash with <gtk/gtk.h> in the C dialects before C11. */
  typedef struct _GtkWidget *(*PluginLoadFunc) (void);
  typedef void (*PluginNoopFunc) (void);
  typedef void (*PluginSaveFunc) (void);
  typedef struct _GtkWidget **(*PluginBuildMenuFunc) (int32_t *count);
  typedef void (*PluginSyncFunc) (void);

  typedef struct PluginEntries
  {
    PluginLoadFunc load_plugin;
    PluginNoopFunc noop;
    PluginSaveFunc save_settings;
    PluginBuildMenuFunc build_settings_menu;
    PluginSyncFunc sync_menu_from_panel;
    void *unused_6;
    void *unused_7;
  } PluginEntries;

  /* The plug-in knows only these five leading fields; a host's record may go on
   * past them and the plug-in never touches the rest. */
  typedef struct PluginRegistration
  {
    const PluginEntries *entries; /* written by the plug-in */
    void *host_data;              /* the host's own, never touched */
    void *host_block;             /* written: a block the host may use */
    void *reserved_4;             /* written: 0 */
    void *reserved_5;             /* written: 0 */
  } PluginRegistration;

  typedef int (*PluginInitFunc) (PluginRegistration *registration);

#define PLUGIN_INIT_SYMBOL "startup_init_plugin"

/* The two settings, integers a host may read: the starting level, from
 * PLUGIN_MIN_LEVEL to PLUGIN_MAX_LEVEL (level_1_item .. level_12_item), and
 * sound, 1 on and 0 off.  A save writes both: to these GConf keys where the
 * host process has GConf, else to the keys "level" and "sound" of the
 * GSettings schema PLUGIN_GSETTINGS_SCHEMA, at PLUGIN_GSETTINGS_PATH. */
#define PLUGIN_LEVEL_KEY "/apps/tamrik/zorvane/level"
#define PLUGIN_SOUND_KEY "/apps/tamrik/zorvane/sound"
#define PLUGIN_GSETTINGS_SCHEMA "org.tamrik.zorvane"
#define PLUGIN_GSETTINGS_PATH "/org/tamrik/zorvane/"
#define PLUGIN_MIN_LEVEL 1
#define PLUGIN_MAX_LEVEL 12

  int startup_init_plugin (PluginRegistration *registration);

#ifdef __cplusplus
}
#endif

/* The layout is checked wherever the header is compiled.  Where the dialect
 * has no static assertion (C89, C99, C++98), a file-scope array type whose
 * size is negative when the condition fails does the same. */
#if defined(__cplusplus) && __cplusplus >= 201103L
#define PLUGIN_LAYOUT_CHECK_(name, cond) static_assert (cond, #name)
#elif !defined(__cplusplus) && defined(__STDC_VERSION__)                       \
    && __STDC_VERSION__ >= 201112L
#define PLUGIN_LAYOUT_CHECK_(name, cond) _Static_assert(cond, #name)
#else
#define PLUGIN_LAYOUT_CHECK_(name, cond)                                       \
  typedef char plugin_layout_##name[(cond) ? 1 : -1]
#endif
PLUGIN_LAYOUT_CHECK_ (entries_first,
                      offsetof (PluginRegistration, entries) == 0);
PLUGIN_LAYOUT_CHECK_ (host_data_second, offsetof (PluginRegistration, host_data)
                                            == 1 * sizeof (void *));
PLUGIN_LAYOUT_CHECK_ (host_block_third,
                      offsetof (PluginRegistration, host_block)
                          == 2 * sizeof (void *));
PLUGIN_LAYOUT_CHECK_ (reserved_4_fourth,
                      offsetof (PluginRegistration, reserved_4)
                          == 3 * sizeof (void *));
PLUGIN_LAYOUT_CHECK_ (reserved_5_fifth,
                      offsetof (PluginRegistration, reserved_5)
                          == 4 * sizeof (void *));
PLUGIN_LAYOUT_CHECK_ (five_fields,
                      sizeof (PluginRegistration) == 5 * sizeof (void *));
PLUGIN_LAYOUT_CHECK_ (seven_slots,
                      sizeof (PluginEntries) == 7 * sizeof (void *));
PLUGIN_LAYOUT_CHECK_ (slots_pointer_sized,
                      sizeof (PluginLoadFunc) == sizeof (void *));
PLUGIN_LAYOUT_CHECK_ (count_32_bits, sizeof (int32_t) == 4);
#if defined(__i386__)
PLUGIN_LAYOUT_CHECK_ (i386_reserved_5_at_16,
                      offsetof (PluginRegistration, reserved_5) == 16);
PLUGIN_LAYOUT_CHECK_ (i386_table_28_bytes, sizeof (PluginEntries) == 28);
#endif
#undef PLUGIN_LAYOUT_CHECK_

#endif
