/* What the plug-in's files share: the module state and the few calls between
 * its subsystems.  Nothing here is exported; the host sees only what
 * exports.map names.
 *
 *   registration.cpp  startup_init_plugin and the entries table
 *   store.cpp         the two settings in GConf or GSettings
 *   import.cpp        the player's GConf files, read for GSettings
 *   plugin.cpp        the panel: entry 1 (load) and entry 3 (save)
 *   menu.cpp          the "Settings" menu: entry 4
 *   sync.cpp          panel and menu in step: the handlers and entry 5
 *   language.cpp      the player's language and screen readers
 *
 * Everything runs on the host's GUI thread. */
#ifndef ZORVANE_PLUGIN_PRIVATE_H
#define ZORVANE_PLUGIN_PRIVATE_H

#define GLIB_DISABLE_DEPRECATION_WARNINGS
#include <gtk/gtk.h>
#include <libintl.h>

#include "zorvane/plugin_host.h"

#define PLUGIN_EXPORT __attribute__ ((visibility ("default")))

/* The plug-in's own text domain: the locale and the default domain are the
 * host's.  libc's dgettext, as GLib's needs 2.18. */
#define TEXT_DOMAIN "zorvane-plugin"
#define _(text) dgettext (TEXT_DOMAIN, text)

/* Menu tags travel in the user-data pointer: a level item carries its level,
 * the Sound item this fixed tag (outside 1..12, and not the next number). */
#define SOUND_ITEM_TAG 15
static_assert (SOUND_ITEM_TAG > PLUGIN_MAX_LEVEL, "the Sound tag is no level");

extern "C"
{
  /* GConf's client, declared here so that building needs no GConf headers
   * (Debian 13 has none); see store.cpp. */
  typedef struct _GConfClient GConfClient;

  /* Module state that more than one file uses, exported under these names
   * for hosts that inspect it; menu.cpp has the rest of the menu's.  A
   * widget variable is null until its widget is built and again once the
   * host destroys it. */
  extern PLUGIN_EXPORT GConfClient *gcc;
  extern PLUGIN_EXPORT GtkWidget *board_box;
  extern PLUGIN_EXPORT GtkWidget *sound_check;
  extern PLUGIN_EXPORT GtkWidget *sound_item;
}

/* Store (store.cpp).  find_store tells which store the host process has,
 * or none, with WHY, the first time it is asked and the same ever after;
 * open_store opens that store once, for load_plugin. */
enum
{
  STORE_NONE,
  STORE_GCONF,
  STORE_GSETTINGS
};
int find_store (const char **why);
void open_store (void);
gboolean store_is_open (void);
int read_level (void);
int read_sound (void);
/* Level, clamped to the range, then sound, as every save writes them, in
 * one change; a save that does not reach the store says so on stderr. */
void write_settings (int level, int sound);

/* The player's GConf values (import.cpp), for a host without GConf. */
struct GConfValues
{
  gboolean have_level, have_sound;
  int level, sound;
};
/* Reads TEXT, LENGTH bytes of a GConf file, as GConf does: DIRS names the
 * folders from the file's own down to ours, NULL for our own %gconf.xml.
 * FALSE with ERROR where GConf stops reading; what came before stays. */
gboolean parse_gconf_file (const char *text, gsize length,
                           const char *const *dirs, GConfValues *found,
                           GError **error);
/* What GConf would read for us from HOME's files; one message where a file
 * cannot be read. */
void read_gconf_files (const char *home, GConfValues *found);

/* The entries of the table in registration.cpp. */
GtkWidget *load_plugin (void);
void save_settings (void);
GtkWidget **build_settings_menu (int32_t *count);
void sync_menu_from_panel (void);

/* The level item variable for LEVEL, PLUGIN_MIN_LEVEL to PLUGIN_MAX_LEVEL,
 * and the level a menu item stands for, 0 for a host's own (menu.cpp). */
GtkWidget **level_slot (int level);
int item_level (GtkWidget *item);

/* Synchronisation (sync.cpp): each connection is made where its widget is
 * built, by these. */
void watch_level (GtkWidget *spin_button);
void watch_sound (GtkWidget *check_button);
void watch_menu_item (GtkWidget *item, int tag);
/* The Sound item's first state, what a save writes: its handler runs, but
 * nothing settles. */
void start_sound_item (GtkWidget *item);
/* The host destroyed CONTROL, until now board_box's or sound_check's widget,
 * whose variable plugin.cpp has emptied. */
void panel_control_destroyed (GtkWidget *control);
/* What a save writes: the panel's level and sound or, for a control the
 * host destroyed, the player's last choice. */
void settings_to_save (int *level, gboolean *sound);

/* Language and screen readers (language.cpp). */
void bind_catalogue (void);
void name_for_screen_readers (GtkWidget *control, const char *name,
                              const char *description);

#endif
