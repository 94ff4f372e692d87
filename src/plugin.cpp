/* The settings plug-in: a panel with the starting level and the sound switch,
 * a "Settings" menu that mirrors it, and the two settings behind both, in
 * GConf or GSettings.
 *
 * Everything runs on the host's GUI thread.  The toolkit, GLib and the store
 * are resolved from the host process; this module links nothing but libc. */
#define GLIB_DISABLE_DEPRECATION_WARNINGS
#include <gtk/gtk.h>
#include <libintl.h>
#include <stdio.h>
#include <string.h>

#include "zorvane/plugin_host.h"

/* The store's calls are bound weakly, so that dlopen takes a host with either
 * store: GConf where the host links it, else GSettings where its GLib has
 * what is called below (2.40).  The three GConf calls are declared here, so
 * that building needs no GConf headers (Debian 13 has none). */
extern "C"
{
  typedef struct _GConfClient GConfClient;

  GConfClient *gconf_client_get_default (void) __attribute__ ((weak));
  gint gconf_client_get_int (GConfClient *client, const gchar *key,
                             GError **err) __attribute__ ((weak));
  gboolean gconf_client_set_int (GConfClient *client, const gchar *key,
                                 gint val, GError **err) __attribute__ ((weak));

  GSettingsSchemaSource *g_settings_schema_source_get_default (void)
      __attribute__ ((weak));
  GSettingsSchema *
  g_settings_schema_source_lookup (GSettingsSchemaSource *source,
                                   const gchar *schema_id, gboolean recursive)
      __attribute__ ((weak));
  void g_settings_schema_unref (GSettingsSchema *schema) __attribute__ ((weak));
  GSettings *g_settings_new_full (GSettingsSchema *schema,
                                  GSettingsBackend *backend, const gchar *path)
      __attribute__ ((weak));
  gint g_settings_get_int (GSettings *settings, const gchar *key)
      __attribute__ ((weak));
  gboolean g_settings_set_int (GSettings *settings, const gchar *key,
                               gint value) __attribute__ ((weak));
  GVariant *g_settings_get_user_value (GSettings *settings, const gchar *key)
      __attribute__ ((weak));
  void g_settings_sync (void) __attribute__ ((weak));
  void g_variant_unref (GVariant *value) __attribute__ ((weak));
  /* In every GLib, but versioned 2.36 since it follows HOME; called on the
   * GSettings path only. */
  const gchar *g_get_home_dir (void) __attribute__ ((weak));
}

#define PLUGIN_EXPORT __attribute__ ((visibility ("default")))

#define LEVEL_COUNT (PLUGIN_MAX_LEVEL - PLUGIN_MIN_LEVEL + 1)

/* The plug-in's own text domain: the locale and the default domain are the
 * host's.  libc's dgettext, as GLib's needs 2.18. */
#define TEXT_DOMAIN "zorvane-plugin"
#define _(text) dgettext (TEXT_DOMAIN, text)
/* Where libc looks for a domain that nobody has bound. */
#define LIBC_LOCALE_DIR "/usr/share/locale"
/* The two keys in PLUGIN_GSETTINGS_SCHEMA; GConf's files name the entries of
 * PLUGIN_LEVEL_KEY and PLUGIN_SOUND_KEY the same. */
#define GSETTINGS_LEVEL_KEY "level"
#define GSETTINGS_SOUND_KEY "sound"
/* Where GConf's per-user store keeps the folder of PLUGIN_LEVEL_KEY, under the
 * player's home. */
#define GCONF_STORE_FILE ".gconf/apps/tamrik/zorvane/%gconf.xml"
/* Menu tags travel in the user-data pointer: a level item carries its level,
 * the Sound item this fixed tag (outside 1..12, and not the next number). */
#define SOUND_ITEM_TAG 15

/* g_assert() would report the decorated C++ signature; the report must name
 * the plain function, with no log domain. */
#define PLUGIN_ASSERT(expr)                                                    \
  do                                                                           \
    {                                                                          \
      if (G_LIKELY (expr))                                                     \
        ;                                                                      \
      else                                                                     \
        g_assertion_message_expr (NULL, __FILE__, __LINE__, __func__, #expr);  \
    }                                                                          \
  while (0)

extern "C"
{
  /* Module state, exported under these names for hosts that inspect it. */
  PLUGIN_EXPORT GConfClient *gcc;
  PLUGIN_EXPORT GtkWidget *board_box;
  PLUGIN_EXPORT GtkWidget *sound_check;
  PLUGIN_EXPORT GtkWidget *settings_item;
  PLUGIN_EXPORT GtkWidget *settings_menu;
  PLUGIN_EXPORT GtkWidget *difficulty_item;
  PLUGIN_EXPORT GtkWidget *difficulty_menu;
  PLUGIN_EXPORT GtkWidget *level_1_item;
  PLUGIN_EXPORT GtkWidget *level_2_item;
  PLUGIN_EXPORT GtkWidget *level_3_item;
  PLUGIN_EXPORT GtkWidget *level_4_item;
  PLUGIN_EXPORT GtkWidget *level_5_item;
  PLUGIN_EXPORT GtkWidget *level_6_item;
  PLUGIN_EXPORT GtkWidget *level_7_item;
  PLUGIN_EXPORT GtkWidget *level_8_item;
  PLUGIN_EXPORT GtkWidget *level_9_item;
  PLUGIN_EXPORT GtkWidget *level_10_item;
  PLUGIN_EXPORT GtkWidget *level_11_item;
  PLUGIN_EXPORT GtkWidget *level_12_item;
  PLUGIN_EXPORT GSList *group;
  PLUGIN_EXPORT GtkWidget *sound_item;
  PLUGIN_EXPORT GtkWidget *menu_items[2];
}

/* Handed to the host, which may use it; never read or written here. */
static void *host_block[3];

/* Which store the host process has, found at registration (or, for a host
 * that never registered, when the store is opened). */
enum
{
  STORE_NONE,
  STORE_GCONF,
  STORE_GSETTINGS
};
static int store_kind;
/* The GSettings store where the host has no GConf; gcc then stays null. */
static GSettings *settings_store;
/* Set once load_plugin has opened the store, whichever it is. */
static int store_opened;

/* Set while a handler copies a value across, so the copy's own signal does
 * not copy it back. */
static int sync_guard;

/* The player's last choice, from whichever side showed it: a save still has
 * it after the host has destroyed the panel, or panel and menu. */
static int chosen_level;
static int chosen_sound;

/* How deeply the handlers are nested.  A host's own handlers may change or
 * destroy widgets while the guard stops the copies; the outermost handler
 * therefore settles the menu as it leaves. */
static int handler_depth;
/* The "group-changed" hook that keeps group on the head, added once. */
static gulong group_hook;
/* The text domain is bound once per process, by whichever entry comes
 * first. */
static int catalogue_bound;

static GtkWidget **const level_items[LEVEL_COUNT] = {
  &level_1_item, &level_2_item,  &level_3_item,  &level_4_item,
  &level_5_item, &level_6_item,  &level_7_item,  &level_8_item,
  &level_9_item, &level_10_item, &level_11_item, &level_12_item,
};

/* Each level item carries its level, so that a toggle reads the pick in its
 * own group: an earlier menu may still be up beside the newest one. */
#define LEVEL_DATA_KEY "zorvane-level"

static void on_level_changed (GtkSpinButton *spin_button, gpointer user_data);
static void on_sound_clicked (GtkButton *button, gpointer user_data);
static void on_widget_destroyed (GtkWidget *widget, gpointer user_data);
static void on_menu_item_toggled (GtkCheckMenuItem *menu_item,
                                  gpointer user_data);
static gboolean on_group_changed (GSignalInvocationHint *hint, guint n_values,
                                  const GValue *values, gpointer user_data);

/* Once per process, before the first text.  A host that keeps the
 * catalogues elsewhere binds the domain itself before it calls in. */
static void
bind_catalogue (void)
{
  const char *bound;

  if (catalogue_bound)
    return;
  catalogue_bound = 1;
  bound = bindtextdomain (TEXT_DOMAIN, NULL);
  if (bound == NULL || strcmp (bound, LIBC_LOCALE_DIR) == 0)
    bindtextdomain (TEXT_DOMAIN, ZORVANE_LOCALE_DIR);
  /* The toolkit takes UTF-8 only, also in a legacy 8-bit locale. */
  bind_textdomain_codeset (TEXT_DOMAIN, "UTF-8");
}

/* Screen readers speak a control by its name and read its tooltip as its
 * description; the label's relation alone leaves the name empty. */
static void
name_for_screen_readers (GtkWidget *control, const char *name,
                         const char *description)
{
  atk_object_set_name (gtk_widget_get_accessible (control), name);
  gtk_widget_set_tooltip_text (control, description);
}

/* ---- Settings store ---- */

/* GConf where the host links it; else GSettings where its GLib is new enough
 * and the schema is installed (g_settings_new would end the process without
 * it).  Otherwise STORE_NONE, with WHY saying what is missing. */
static int
find_store (const char **why)
{
  GSettingsSchemaSource *source;
  GSettingsSchema *schema = NULL;

  if (gconf_client_get_default != NULL)
    return STORE_GCONF;
  /* The newest GSettings call the plug-in makes (2.40): a GLib that has it
   * has the others. */
  if (g_settings_get_user_value == NULL)
    {
      *why = "the host has neither GConf nor GSettings of GLib 2.40 or later";
      return STORE_NONE;
    }
  source = g_settings_schema_source_get_default ();
  if (source != NULL)
    schema = g_settings_schema_source_lookup (source, PLUGIN_GSETTINGS_SCHEMA,
                                              TRUE);
  if (schema == NULL)
    {
      *why = "the host has no GConf, and the GSettings "
             "schema " PLUGIN_GSETTINGS_SCHEMA " is not installed";
      return STORE_NONE;
    }
  g_settings_schema_unref (schema);
  return STORE_GSETTINGS;
}

static int
read_setting (const char *gconf_key, const char *gsettings_key)
{
  if (gcc != NULL)
    return gconf_client_get_int (gcc, gconf_key, NULL);
  if (settings_store != NULL)
    return g_settings_get_int (settings_store, gsettings_key);
  return 0;
}

static void
write_setting (const char *gconf_key, const char *gsettings_key, int value)
{
  if (gcc != NULL)
    gconf_client_set_int (gcc, gconf_key, value, NULL);
  else if (settings_store != NULL)
    g_settings_set_int (settings_store, gsettings_key, value);
}

static void
write_level (int level)
{
  if (level < PLUGIN_MIN_LEVEL)
    level = PLUGIN_MIN_LEVEL;
  else if (level > PLUGIN_MAX_LEVEL)
    level = PLUGIN_MAX_LEVEL;
  write_setting (PLUGIN_LEVEL_KEY, GSETTINGS_LEVEL_KEY, level);
}

static void
write_sound (int sound)
{
  write_setting (PLUGIN_SOUND_KEY, GSETTINGS_SOUND_KEY, sound);
}

/* dconf hands writes to a thread of its own: a host that exits right after a
 * save would lose them.  GConf's writes are done when they return. */
static void
flush_store (void)
{
  if (settings_store != NULL)
    g_settings_sync ();
}

/* What the player's GConf file holds for us, read with GMarkup. */
struct GConfFileValues
{
  int depth;
  gboolean have_level, have_sound;
  int level, sound;
};

/* GConf writes an integer as <entry name="level" type="int" value="7"/> right
 * under <gconf>; entries of other types, schema-only ones and whatever nests
 * inside an entry are not ours to read. */
static void
on_gconf_element_start (GMarkupParseContext *context, const gchar *element,
                        const gchar **names, const gchar **values,
                        gpointer user_data, GError **error)
{
  GConfFileValues *found = (GConfFileValues *)user_data;
  const char *name = NULL, *type = NULL, *text = NULL;
  char *end;
  gint64 number;

  (void)context;
  if (++found->depth == 1 && strcmp (element, "gconf") != 0)
    g_set_error (error, G_MARKUP_ERROR, G_MARKUP_ERROR_UNKNOWN_ELEMENT,
                 "<%s> where GConf has <gconf>", element);
  if (found->depth != 2 || strcmp (element, "entry") != 0)
    return;
  for (int i = 0; names[i] != NULL; i++)
    if (strcmp (names[i], "name") == 0)
      name = values[i];
    else if (strcmp (names[i], "type") == 0)
      type = values[i];
    else if (strcmp (names[i], "value") == 0)
      text = values[i];
  if (name == NULL || type == NULL || text == NULL || strcmp (type, "int") != 0)
    return;
  number = g_ascii_strtoll (text, &end, 10);
  if (end == text || *end != '\0' || number < G_MININT32 || number > G_MAXINT32)
    return;
  if (strcmp (name, GSETTINGS_LEVEL_KEY) == 0)
    found->have_level = TRUE, found->level = (int)number;
  else if (strcmp (name, GSETTINGS_SOUND_KEY) == 0)
    found->have_sound = TRUE, found->sound = (int)number;
}

static void
on_gconf_element_end (GMarkupParseContext *context, const gchar *element,
                      gpointer user_data, GError **error)
{
  (void)context;
  (void)element;
  (void)error;
  ((GConfFileValues *)user_data)->depth--;
}

/* Once, for a player whose GSettings store holds nothing of ours yet: the
 * level and sound from the player's GConf files, written as a save would
 * write them.  GConf itself is neither needed nor written.  A file that
 * cannot be read imports nothing; only a missing one passes in silence. */
static void
import_gconf_file (void)
{
  GMarkupParser parser
      = { on_gconf_element_start, on_gconf_element_end, NULL, NULL, NULL };
  GConfFileValues found = { 0, FALSE, FALSE, 0, 0 };
  GMarkupParseContext *context;
  GVariant *held[2];
  GError *error = NULL;
  char *path, *text;
  gsize length;
  gboolean parsed;

  held[0] = g_settings_get_user_value (settings_store, GSETTINGS_LEVEL_KEY);
  held[1] = g_settings_get_user_value (settings_store, GSETTINGS_SOUND_KEY);
  for (GVariant *value : held)
    if (value != NULL)
      g_variant_unref (value);
  if (held[0] != NULL || held[1] != NULL)
    return;
  path = g_build_filename (g_get_home_dir (), GCONF_STORE_FILE, NULL);
  if (!g_file_get_contents (path, &text, &length, &error))
    {
      if (!g_error_matches (error, G_FILE_ERROR, G_FILE_ERROR_NOENT))
        g_message ("zorvane_plugin.so: settings not imported: %s",
                   error->message);
      g_error_free (error);
      g_free (path);
      return;
    }
  context = g_markup_parse_context_new (&parser, (GMarkupParseFlags)0, &found,
                                        NULL);
  parsed = g_markup_parse_context_parse (context, text, length, &error)
           && g_markup_parse_context_end_parse (context, &error);
  g_markup_parse_context_free (context);
  if (parsed)
    {
      if (found.have_level)
        write_level (found.level);
      if (found.have_sound)
        write_sound (found.sound != 0);
      flush_store ();
    }
  else
    {
      g_message ("zorvane_plugin.so: settings not imported from %s: %s", path,
                 error->message);
      g_error_free (error);
    }
  g_free (text);
  g_free (path);
}

static void
open_store (void)
{
  GSettingsSchema *schema;
  const char *why;

  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  g_type_init ();
  G_GNUC_END_IGNORE_DEPRECATIONS
  store_opened = 1;
  if (store_kind == STORE_NONE)
    store_kind = find_store (&why);
  if (store_kind == STORE_GCONF)
    gcc = gconf_client_get_default ();
  else if (store_kind == STORE_GSETTINGS && settings_store == NULL)
    {
      schema = g_settings_schema_source_lookup (
          g_settings_schema_source_get_default (), PLUGIN_GSETTINGS_SCHEMA,
          TRUE);
      settings_store = g_settings_new_full (schema, NULL, NULL);
      g_settings_schema_unref (schema);
      import_gconf_file ();
    }
}

/* ---- Settings panel ---- */

/* The host owns the widgets and may destroy them; the handlers must then find
 * the variable empty rather than pointing at a dead widget. */
static void
forget_on_destroy (GtkWidget **slot)
{
  g_signal_connect_data (G_OBJECT (*slot), "destroy",
                         G_CALLBACK (on_widget_destroyed), slot, NULL,
                         (GConnectFlags)0);
}

static GtkWidget *
load_plugin (void)
{
  GtkWidget *game_hbox, *board_hbox, *board_label;
  GtkWidget *sound_hbox, *sound_label;
  int level, sound;

  bind_catalogue ();
  open_store ();
  level = read_setting (PLUGIN_LEVEL_KEY, GSETTINGS_LEVEL_KEY);
  sound = read_setting (PLUGIN_SOUND_KEY, GSETTINGS_SOUND_KEY);

  game_hbox = gtk_hbox_new (TRUE, 0);
  PLUGIN_ASSERT (game_hbox);
  board_hbox = gtk_hbox_new (FALSE, 4);
  board_box = gtk_spin_button_new_with_range (PLUGIN_MIN_LEVEL,
                                              PLUGIN_MAX_LEVEL, 1.0);
  PLUGIN_ASSERT (board_box);
  gtk_spin_button_set_value (GTK_SPIN_BUTTON (board_box), level);
  /* Connected after the initial value so that building runs no handler. */
  g_signal_connect_data (G_OBJECT (board_box), "value-changed",
                         G_CALLBACK (on_level_changed), NULL, NULL,
                         (GConnectFlags)0);
  forget_on_destroy (&board_box);
  gtk_box_pack_end (GTK_BOX (board_hbox), board_box, FALSE, FALSE, 0);
  /* TRANSLATORS: the label of the spin button that sets the level a new
     game starts at; screen readers also speak it as the control's name. */
  board_label = gtk_label_new (_ ("Starting level"));
  PLUGIN_ASSERT (board_label);
  /* Lets assistive technology name the control after its label. */
  gtk_label_set_mnemonic_widget (GTK_LABEL (board_label), board_box);
  name_for_screen_readers (board_box, _ ("Starting level"),
                           /* TRANSLATORS: the level spin button's tooltip,
                              which screen readers speak as its description;
                              also the short description of the setting in
                              the settings schema. */
                           _ ("The level a new game starts at"));
  gtk_box_pack_end (GTK_BOX (board_hbox), board_label, FALSE, FALSE, 0);
  gtk_box_pack_start (GTK_BOX (game_hbox), board_hbox, FALSE, FALSE, 2);

  sound_hbox = gtk_hbox_new (FALSE, 4);
  sound_check = gtk_check_button_new ();
  PLUGIN_ASSERT (sound_check);
  gtk_toggle_button_set_active (GTK_TOGGLE_BUTTON (sound_check), sound != 0);
  g_signal_connect_data (G_OBJECT (sound_check), "clicked",
                         G_CALLBACK (on_sound_clicked), NULL, NULL,
                         (GConnectFlags)0);
  forget_on_destroy (&sound_check);
  gtk_box_pack_end (GTK_BOX (sound_hbox), sound_check, FALSE, FALSE, 0);
  /* TRANSLATORS: the label of the check box that turns the game's sound on
     or off, and the menu's check item; screen readers also speak it as the
     control's name. */
  sound_label = gtk_label_new (_ ("Sound"));
  PLUGIN_ASSERT (sound_label);
  gtk_label_set_mnemonic_widget (GTK_LABEL (sound_label), sound_check);
  name_for_screen_readers (sound_check, _ ("Sound"),
                           /* TRANSLATORS: the sound check box's tooltip,
                              which screen readers speak as its description;
                              also the short description of the setting in
                              the settings schema.  It must stand on its own,
                              not as a clause broken off after "whether". */
                           _ ("Whether the game plays sound"));
  gtk_box_pack_end (GTK_BOX (sound_hbox), sound_label, FALSE, FALSE, 0);
  gtk_box_pack_start (GTK_BOX (game_hbox), sound_hbox, FALSE, FALSE, 2);

  chosen_level = gtk_spin_button_get_value_as_int (GTK_SPIN_BUTTON (board_box));
  chosen_sound = sound != 0;
  printf ("%s : %s : %d\n", __FILE__, "load_plugin", __LINE__);
  return game_hbox;
}

static void
save_settings (void)
{
  /* Before load_plugin there is neither a store nor a choice: keep what the
   * store holds. */
  if (!store_opened)
    return;
  if (board_box != NULL)
    {
      /* Typed text counts, as it would once the field lost focus. */
      gtk_spin_button_update (GTK_SPIN_BUTTON (board_box));
      chosen_level
          = gtk_spin_button_get_value_as_int (GTK_SPIN_BUTTON (board_box));
    }
  if (sound_check != NULL)
    chosen_sound
        = gtk_toggle_button_get_active (GTK_TOGGLE_BUTTON (sound_check));
  write_level (chosen_level);
  write_sound (chosen_sound);
  flush_store ();
}

static void
noop_entry (void)
{
}

/* ---- Settings menu ---- */

static GtkWidget **
build_settings_menu (int32_t *count)
{
  GtkWidget *separator_item;
  char label[64];
  int n;

  bind_catalogue ();
  if (count != NULL)
    *count = 1;
  settings_item = gtk_menu_item_new_with_label (_ ("Settings"));
  settings_menu = gtk_menu_new ();
  menu_items[0] = settings_item;
  gtk_menu_item_set_submenu (GTK_MENU_ITEM (settings_item), settings_menu);
  difficulty_menu = gtk_menu_new ();
  /* TRANSLATORS: the submenu that picks the game's difficulty level, with
     the items "Level 1" to "Level 12". */
  difficulty_item = gtk_menu_item_new_with_label (_ ("Difficulty"));
  gtk_menu_item_set_submenu (GTK_MENU_ITEM (difficulty_item), difficulty_menu);
  /* Hosts read these variables: none may outlive its widget. */
  forget_on_destroy (&settings_item);
  forget_on_destroy (&menu_items[0]);
  forget_on_destroy (&settings_menu);
  forget_on_destroy (&difficulty_item);
  forget_on_destroy (&difficulty_menu);
  gtk_menu_shell_append (GTK_MENU_SHELL (settings_menu), difficulty_item);

  /* A second build must not join the group of the first, whose items the
   * host may already have destroyed. */
  group = NULL;
  for (n = PLUGIN_MIN_LEVEL; n <= PLUGIN_MAX_LEVEL; n++)
    {
      GtkWidget *item;

      /* TRANSLATORS: a menu item that picks the starting level; %d is the
         level, 1 to 12. */
      g_snprintf (label, sizeof label, _ ("Level %d"), n);
      item = gtk_radio_menu_item_new_with_label (group, label);
      g_object_set_data (G_OBJECT (item), LEVEL_DATA_KEY, GINT_TO_POINTER (n));
      *level_items[n - PLUGIN_MIN_LEVEL] = item;
      gtk_menu_shell_append (GTK_MENU_SHELL (difficulty_menu), item);
      group = gtk_radio_menu_item_get_group (GTK_RADIO_MENU_ITEM (item));
    }
  for (n = PLUGIN_MIN_LEVEL; n <= PLUGIN_MAX_LEVEL; n++)
    {
      g_signal_connect_data (G_OBJECT (*level_items[n - PLUGIN_MIN_LEVEL]),
                             "toggled", G_CALLBACK (on_menu_item_toggled),
                             GINT_TO_POINTER (n), NULL, (GConnectFlags)0);
      forget_on_destroy (level_items[n - PLUGIN_MIN_LEVEL]);
    }

  separator_item = gtk_menu_item_new ();
  /* A plain item with no child; screen readers should skip it as a
   * separator, not offer it as a command. */
  atk_object_set_role (gtk_widget_get_accessible (separator_item),
                       ATK_ROLE_SEPARATOR);
  gtk_menu_shell_append (GTK_MENU_SHELL (settings_menu), separator_item);

  sound_item = gtk_check_menu_item_new_with_label (_ ("Sound"));
  gtk_menu_shell_append (GTK_MENU_SHELL (settings_menu), sound_item);
  /* Connected before the initial state, which therefore reaches the handler;
   * with the check box gone the item starts as the remembered choice (off
   * before any panel).  Building settles nothing: the levels follow only once
   * entry 5 runs. */
  g_signal_connect_data (
      G_OBJECT (sound_item), "toggled", G_CALLBACK (on_menu_item_toggled),
      GINT_TO_POINTER (SOUND_ITEM_TAG), NULL, (GConnectFlags)0);
  forget_on_destroy (&sound_item);
  handler_depth++;
  gtk_check_menu_item_set_active (
      GTK_CHECK_MENU_ITEM (sound_item),
      sound_check != NULL
          ? gtk_toggle_button_get_active (GTK_TOGGLE_BUTTON (sound_check))
          : chosen_sound);
  handler_depth--;
  /* A host may add radio items of its own through group; each join or leave
   * moves the list's head, and only the joining item reports it. */
  if (group_hook == 0)
    group_hook = g_signal_add_emission_hook (
        g_signal_lookup ("group-changed", GTK_TYPE_RADIO_MENU_ITEM), 0,
        on_group_changed, NULL, NULL);
  return menu_items;
}

/* ---- Panel and menu synchronisation ----
 *
 * on_level_changed leaves a guard it finds set alone; the other two clear it
 * on every return.  Together with the toolkit's order of "toggled" emissions
 * this stops every echo and leaves the guard at 0 after each user action.
 * The guard stops only a copy that would change nothing: a change that
 * arrives while another copy is under way (from a host's nested main loop,
 * or a host's handler) is the player's or the host's, and is copied across
 * at once, with the outer copy's guard restored afterwards.
 * A side whose widgets do not exist yet is skipped. */

/* The tag of the active level item, or 0 when none is active (a host's own
 * radio item in the group may be). */
static int
menu_level (void)
{
  for (int n = PLUGIN_MIN_LEVEL; n <= PLUGIN_MAX_LEVEL; n++)
    if (*level_items[n - PLUGIN_MIN_LEVEL] != NULL
        && gtk_check_menu_item_get_active (
            GTK_CHECK_MENU_ITEM (*level_items[n - PLUGIN_MIN_LEVEL])))
      return n;
  return 0;
}

/* The level of the active item in ITEM's own group, or 0 for a host's. */
static int
picked_level (GtkCheckMenuItem *item)
{
  for (GSList *node
       = gtk_radio_menu_item_get_group (GTK_RADIO_MENU_ITEM (item));
       node != NULL; node = node->next)
    if (gtk_check_menu_item_get_active (GTK_CHECK_MENU_ITEM (node->data)))
      return GPOINTER_TO_INT (
          g_object_get_data (G_OBJECT (node->data), LEVEL_DATA_KEY));
  return 0;
}

/* Whether making the menu show LEVEL would change it. */
static gboolean
menu_lags (int level)
{
  return level >= PLUGIN_MIN_LEVEL && level <= PLUGIN_MAX_LEVEL
         && *level_items[level - PLUGIN_MIN_LEVEL] != NULL
         && !gtk_check_menu_item_get_active (
             GTK_CHECK_MENU_ITEM (*level_items[level - PLUGIN_MIN_LEVEL]));
}

/* Brings the menu to what a save would write: the panel, or the remembered
 * choice for a control the host destroyed.  Returns whether it changed the
 * menu, whose handlers then copy the same values back. */
static gboolean
settle_menu (void)
{
  int level
      = board_box != NULL
            ? gtk_spin_button_get_value_as_int (GTK_SPIN_BUTTON (board_box))
            : chosen_level;
  gboolean sound
      = sound_check != NULL
            ? gtk_toggle_button_get_active (GTK_TOGGLE_BUTTON (sound_check))
            : chosen_sound;
  int shown = menu_level ();
  gboolean changed = FALSE;

  if (shown != 0 && shown != level && menu_lags (level))
    {
      gtk_check_menu_item_set_active (
          GTK_CHECK_MENU_ITEM (*level_items[level - PLUGIN_MIN_LEVEL]), TRUE);
      changed = TRUE;
    }
  if (sound_item != NULL
      && gtk_check_menu_item_get_active (GTK_CHECK_MENU_ITEM (sound_item))
             != sound)
    {
      gtk_check_menu_item_set_active (GTK_CHECK_MENU_ITEM (sound_item), sound);
      changed = TRUE;
    }
  return changed;
}

/* Outside every handler: a host's handler may have changed a control while
 * the guard stopped the copy, or rebuilt the menu.  The handlers the settling
 * runs are nested, so they do not settle again; a host that keeps changing
 * things back gets a few rounds, not a loop. */
static void
settle (void)
{
  handler_depth++;
  for (int round = 0; round < 3 && settle_menu (); round++)
    ;
  handler_depth--;
}

/* Every handler that acts ends here; the outermost settles the menu. */
static void
leave_handler (void)
{
  if (--handler_depth == 0)
    settle ();
}

static void
on_level_changed (GtkSpinButton *spin_button, gpointer user_data)
{
  int level, found = sync_guard;

  (void)user_data;
  level = gtk_spin_button_get_value_as_int (spin_button);
  chosen_level = level;
  if (found && !menu_lags (level))
    return;
  handler_depth++;
  sync_guard = 1;
  if (menu_lags (level))
    gtk_check_menu_item_set_active (
        GTK_CHECK_MENU_ITEM (*level_items[level - PLUGIN_MIN_LEVEL]), TRUE);
  sync_guard = found;
  leave_handler ();
}

static void
on_sound_clicked (GtkButton *button, gpointer user_data)
{
  gboolean active = gtk_toggle_button_get_active (GTK_TOGGLE_BUTTON (button));
  int found = sync_guard;

  (void)user_data;
  handler_depth++;
  chosen_sound = active;
  if (sound_item != NULL
      && (!found
          || gtk_check_menu_item_get_active (GTK_CHECK_MENU_ITEM (sound_item))
                 != active))
    {
      sync_guard = 1;
      gtk_check_menu_item_set_active (GTK_CHECK_MENU_ITEM (sound_item), active);
      sync_guard = found;
    }
  else
    sync_guard = 0;
  leave_handler ();
}

static void
on_menu_item_toggled (GtkCheckMenuItem *menu_item, gpointer user_data)
{
  int tag = GPOINTER_TO_INT (user_data), found = sync_guard;
  gboolean active = gtk_check_menu_item_get_active (menu_item);

  handler_depth++;
  sync_guard = 0;
  if (tag == SOUND_ITEM_TAG)
    {
      /* The item that was toggled: an earlier menu may still be up. */
      chosen_sound = active;
      if (sound_check != NULL
          && (!found
              || gtk_toggle_button_get_active (GTK_TOGGLE_BUTTON (sound_check))
                     != active))
        {
          sync_guard = 1;
          gtk_toggle_button_set_active (GTK_TOGGLE_BUTTON (sound_check),
                                        active);
          sync_guard = found;
        }
    }
  else
    {
      /* The item turned off reports first, when the toolkit has already
       * turned the picked one on: it copies the pick, which so lands even if
       * a host's handler destroys the menu before the picked item reports. */
      int picked = active ? tag : picked_level (menu_item);

      if (picked != 0)
        chosen_level = tag = picked;
      if (board_box != NULL
          && (!found
              || (picked != 0
                  && gtk_spin_button_get_value_as_int (
                         GTK_SPIN_BUTTON (board_box))
                         != picked)))
        {
          sync_guard = 1;
          gtk_spin_button_set_value (GTK_SPIN_BUTTON (board_box), tag);
          sync_guard = found;
        }
    }
  leave_handler ();
}

/* Only the widget the variable still holds: a later build may have replaced
 * it. */
static void
on_widget_destroyed (GtkWidget *widget, gpointer user_data)
{
  GtkWidget **slot = (GtkWidget **)user_data;
  gboolean panel_control = slot == &board_box || slot == &sound_check;

  if (*slot == widget)
    {
      /* The check box keeps its final state: its "toggled" runs before the
       * "clicked" the plug-in listens to, and a host's handler there may
       * destroy it. */
      if (slot == &sound_check)
        chosen_sound
            = gtk_toggle_button_get_active (GTK_TOGGLE_BUTTON (sound_check));
      *slot = NULL;
    }
  else
    panel_control = FALSE;
  /* The toolkit takes a level item out of its group after this, and frees the
   * list node that holds it. */
  if (group != NULL && group->data == widget)
    group = group->next;
  if (panel_control && handler_depth == 0)
    settle ();
}

/* An emission hook on every radio menu item: group stays the head of the
 * level items' group, whoever joins or leaves it. */
static gboolean
on_group_changed (GSignalInvocationHint *hint, guint n_values,
                  const GValue *values, gpointer user_data)
{
  (void)hint;
  (void)n_values;
  (void)values;
  (void)user_data;
  group = NULL;
  for (int n = PLUGIN_MIN_LEVEL; n <= PLUGIN_MAX_LEVEL && group == NULL; n++)
    if (*level_items[n - PLUGIN_MIN_LEVEL] != NULL)
      group = gtk_radio_menu_item_get_group (
          GTK_RADIO_MENU_ITEM (*level_items[n - PLUGIN_MIN_LEVEL]));
  return TRUE;
}

static void
sync_menu_from_panel (void)
{
  /* Before load_plugin nothing is chosen yet. */
  if (!store_opened)
    return;
  if (board_box != NULL && sound_check != NULL)
    {
      on_level_changed (GTK_SPIN_BUTTON (board_box), NULL);
      on_sound_clicked (GTK_BUTTON (sound_check), NULL);
    }
  else
    /* What is left of the panel, and the remembered choice for the rest. */
    settle ();
}

/* ---- Host interface ---- */

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
  store_kind = find_store (&why);
  if (store_kind == STORE_NONE)
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
