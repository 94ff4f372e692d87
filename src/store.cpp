/* The two settings, the starting level and whether sound is on, as two
 * integers: in GConf where the host process has it, else in GSettings, into
 * which the player's GConf values are taken over once.  Nothing is written
 * when the settings are read; a save writes level, then sound. */
#include <stdio.h>
#include <string.h>

#include "plugin_private.h"

/* The store's calls are bound weakly, so that dlopen takes a host with either
 * store: GConf where the host links it, else GSettings where its GLib has
 * what is called below (2.40).  The three GConf calls are declared here, so
 * that building needs no GConf headers (Debian 13 has none). */
extern "C"
{
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

/* The two keys in PLUGIN_GSETTINGS_SCHEMA; GConf's files name the entries of
 * PLUGIN_LEVEL_KEY and PLUGIN_SOUND_KEY the same. */
#define GSETTINGS_LEVEL_KEY "level"
#define GSETTINGS_SOUND_KEY "sound"
/* Where GConf's per-user store keeps the folder of PLUGIN_LEVEL_KEY, under the
 * player's home. */
#define GCONF_STORE_FILE ".gconf/apps/tamrik/zorvane/%gconf.xml"

GConfClient *gcc;

/* Which store the host process has, found at registration (or, for a host
 * that never registered, when the store is opened). */
static int store_kind;
/* The GSettings store where the host has no GConf; gcc then stays null. */
static GSettings *settings_store;
/* Set once load_plugin has opened the store, whichever it is. */
static int store_opened;

/* GConf where the host links it; else GSettings where its GLib is new enough
 * and the schema is installed (g_settings_new would end the process without
 * it).  Otherwise STORE_NONE, with WHY saying what is missing. */
static int
look_for_store (const char **why)
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

int
find_store (const char **why)
{
  store_kind = look_for_store (why);
  return store_kind;
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

int
read_level (void)
{
  return read_setting (PLUGIN_LEVEL_KEY, GSETTINGS_LEVEL_KEY);
}

int
read_sound (void)
{
  return read_setting (PLUGIN_SOUND_KEY, GSETTINGS_SOUND_KEY);
}

/* dconf hands writes to a thread of its own: a host that exits right after a
 * save would lose them.  GConf's writes are done when they return. */
static void
flush_store (void)
{
  if (settings_store != NULL)
    g_settings_sync ();
}

void
write_settings (int level, int sound)
{
  write_level (level);
  write_sound (sound);
  flush_store ();
}

/* Before load_plugin there is neither a store nor a choice. */
gboolean
store_is_open (void)
{
  return store_opened;
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

void
open_store (void)
{
  GSettingsSchema *schema;
  const char *why;

  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  g_type_init ();
  G_GNUC_END_IGNORE_DEPRECATIONS
  store_opened = 1;
  if (store_kind == STORE_NONE)
    find_store (&why);
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
