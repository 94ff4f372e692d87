/* The two settings, the starting level and whether sound is on, as two
 * integers: in GConf where the host process has it, else in GSettings.  The
 * store is found once and opened once.  Reading writes nothing; a save writes
 * level, then sound, and says on stderr when they did not reach the store.
 *
 * In GSettings, a key that holds no value of the player's shows what the
 * player's GConf files hold for it (import.cpp), until a save has written
 * the settings there once: the save then also sets the schema's mark
 * "imported-from-gconf", and GConf's files are never read again, so that a
 * key reset with gsettings stays reset.  A schema without the mark (an older
 * copy) takes GConf's values only while it holds neither key. */
#include <stdlib.h>
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
  const gchar *g_settings_schema_get_path (GSettingsSchema *schema)
      __attribute__ ((weak));
  gboolean g_settings_schema_has_key (GSettingsSchema *schema,
                                      const gchar *name) __attribute__ ((weak));
  GSettingsSchemaKey *g_settings_schema_get_key (GSettingsSchema *schema,
                                                 const gchar *name)
      __attribute__ ((weak));
  const GVariantType *
  g_settings_schema_key_get_value_type (GSettingsSchemaKey *key)
      __attribute__ ((weak));
  void g_settings_schema_key_unref (GSettingsSchemaKey *key)
      __attribute__ ((weak));
  gboolean g_variant_type_equal (gconstpointer type1, gconstpointer type2)
      __attribute__ ((weak));
  GSettings *g_settings_new_full (GSettingsSchema *schema,
                                  GSettingsBackend *backend, const gchar *path)
      __attribute__ ((weak));
  void g_settings_delay (GSettings *settings) __attribute__ ((weak));
  void g_settings_apply (GSettings *settings) __attribute__ ((weak));
  gboolean g_settings_is_writable (GSettings *settings, const gchar *name)
      __attribute__ ((weak));
  gint g_settings_get_int (GSettings *settings, const gchar *key)
      __attribute__ ((weak));
  gboolean g_settings_set_int (GSettings *settings, const gchar *key,
                               gint value) __attribute__ ((weak));
  gboolean g_settings_get_boolean (GSettings *settings, const gchar *key)
      __attribute__ ((weak));
  gboolean g_settings_set_boolean (GSettings *settings, const gchar *key,
                                   gboolean value) __attribute__ ((weak));
  GVariant *g_settings_get_user_value (GSettings *settings, const gchar *key)
      __attribute__ ((weak));
  void g_settings_sync (void) __attribute__ ((weak));
  void g_variant_unref (GVariant *value) __attribute__ ((weak));
}

/* The keys in PLUGIN_GSETTINGS_SCHEMA; GConf's files name the entries of
 * PLUGIN_LEVEL_KEY and PLUGIN_SOUND_KEY the same. */
#define GSETTINGS_LEVEL_KEY "level"
#define GSETTINGS_SOUND_KEY "sound"
#define GSETTINGS_MARK_KEY "imported-from-gconf"

GConfClient *gcc;

/* Which store the host process has, found once; why there is none. */
static int store_kind;
static gboolean store_found;
static const char *store_missing;
/* The schema found, kept to open the store with. */
static GSettingsSchema *store_schema;
static gboolean schema_has_mark;
/* The GSettings store where the host has no GConf; gcc then stays null. */
static GSettings *settings_store;
/* Set once load_plugin has opened the store, whichever it is. */
static gboolean store_opened;
/* What the player's GConf files hold, for the keys GSettings holds no value
 * of, until a save has written them. */
static GConfValues gconf_values;

/* Whether KEY is in the schema with TYPE ("i", "b"). */
static gboolean
schema_key_is (GSettingsSchema *schema, const char *key, const char *type)
{
  GSettingsSchemaKey *found;
  gboolean fits;

  if (!g_settings_schema_has_key (schema, key))
    return FALSE;
  found = g_settings_schema_get_key (schema, key);
  fits = g_variant_type_equal (g_settings_schema_key_get_value_type (found),
                               type);
  g_settings_schema_key_unref (found);
  return fits;
}

/* GConf where the host links it; else GSettings where its GLib is new enough
 * and the installed schema has what the plug-in reads and writes (GSettings
 * would end the process over a missing key or path).  Otherwise STORE_NONE,
 * with WHY saying what is missing. */
static int
look_for_store (const char **why)
{
  static const char *const keys[]
      = { GSETTINGS_LEVEL_KEY, GSETTINGS_SOUND_KEY };
  GSettingsSchemaSource *source;
  GSettingsSchema *schema = NULL;

  if (gconf_client_get_default != NULL)
    return STORE_GCONF;
  /* The newest GSettings calls the plug-in makes (2.40): a GLib that has
   * them has the others. */
  if (g_settings_schema_key_get_value_type == NULL
      || g_settings_get_user_value == NULL)
    {
      /* TRANSLATORS: why the plug-in has no settings store: the host
         program links no GConf, and its GLib is too old for GSettings. */
      *why = _ ("the host has neither GConf nor GSettings of GLib 2.40 or "
                "later");
      return STORE_NONE;
    }
  source = g_settings_schema_source_get_default ();
  if (source != NULL)
    schema = g_settings_schema_source_lookup (source, PLUGIN_GSETTINGS_SCHEMA,
                                              TRUE);
  if (schema == NULL)
    {
      /* TRANSLATORS: %s is the name of the settings schema. */
      *why = g_strdup_printf (_ ("the host has no GConf, and the GSettings "
                                 "schema %s is not installed"),
                              PLUGIN_GSETTINGS_SCHEMA);
      return STORE_NONE;
    }
  if (g_settings_schema_get_path (schema) == NULL)
    /* TRANSLATORS: %s is the name of the settings schema. */
    *why = g_strdup_printf (_ ("the GSettings schema %s has no path"),
                            PLUGIN_GSETTINGS_SCHEMA);
  for (const char *key : keys)
    if (*why == NULL && !schema_key_is (schema, key, "i"))
      /* TRANSLATORS: the first %s is the name of the settings schema, the
         second the name of one of its keys, "level" or "sound"; write %1$s
         and %2$s to put them in another order. */
      *why = g_strdup_printf (_ ("the GSettings schema %s has no integer "
                                 "key %s"),
                              PLUGIN_GSETTINGS_SCHEMA, key);
  if (*why != NULL)
    {
      g_settings_schema_unref (schema);
      return STORE_NONE;
    }
  store_schema = schema;
  schema_has_mark = schema_key_is (schema, GSETTINGS_MARK_KEY, "b");
  return STORE_GSETTINGS;
}

int
find_store (const char **why)
{
  if (!store_found)
    {
      store_found = TRUE;
      store_kind = look_for_store (&store_missing);
    }
  *why = store_missing;
  return store_kind;
}

static gboolean
holds_value (const char *key)
{
  GVariant *value = g_settings_get_user_value (settings_store, key);

  if (value == NULL)
    return FALSE;
  g_variant_unref (value);
  return TRUE;
}

static int
read_setting (const char *gconf_key, const char *gsettings_key,
              gboolean imported, int imported_value)
{
  if (gcc != NULL)
    return gconf_client_get_int (gcc, gconf_key, NULL);
  if (settings_store == NULL)
    return 0;
  if (imported && !holds_value (gsettings_key))
    return imported_value;
  return g_settings_get_int (settings_store, gsettings_key);
}

int
read_level (void)
{
  return read_setting (PLUGIN_LEVEL_KEY, GSETTINGS_LEVEL_KEY,
                       gconf_values.have_level, gconf_values.level);
}

int
read_sound (void)
{
  return read_setting (PLUGIN_SOUND_KEY, GSETTINGS_SOUND_KEY,
                       gconf_values.have_sound, gconf_values.sound);
}

/* One line, not a warning: a host under fatal warnings goes on, and the
 * player keeps the choice for the session. */
static void
say_not_saved (const char *why)
{
  /* TRANSLATORS: %s says why, from the settings store or one of the texts
     around this one. */
  char *line = g_strdup_printf (_ ("settings not saved: %s"), why);

  g_printerr ("zorvane_plugin.so: %s\n", line);
  g_free (line);
}

static void
write_gconf (int level, int sound)
{
  GError *errors[2] = { NULL, NULL };

  gconf_client_set_int (gcc, PLUGIN_LEVEL_KEY, level, &errors[0]);
  gconf_client_set_int (gcc, PLUGIN_SOUND_KEY, sound, &errors[1]);
  if (errors[0] != NULL || errors[1] != NULL)
    say_not_saved ((errors[0] != NULL ? errors[0] : errors[1])->message);
  for (GError *error : errors)
    if (error != NULL)
      g_error_free (error);
}

/* Both keys and the mark as one change, which no reader sees half done.
 * The store may take a write and drop it later (dconf, for one, reports
 * that only in a warning of its own): once the change is through, the store
 * must hold what was written. */
static void
write_gsettings (int level, int sound)
{
  gboolean written;

  if (!g_settings_is_writable (settings_store, GSETTINGS_LEVEL_KEY)
      || !g_settings_is_writable (settings_store, GSETTINGS_SOUND_KEY))
    {
      /* TRANSLATORS: why the settings were not saved. */
      say_not_saved (_ ("the settings store is read-only"));
      return;
    }
  written = g_settings_set_int (settings_store, GSETTINGS_LEVEL_KEY, level)
            && g_settings_set_int (settings_store, GSETTINGS_SOUND_KEY, sound);
  if (written && schema_has_mark
      && g_settings_is_writable (settings_store, GSETTINGS_MARK_KEY))
    g_settings_set_boolean (settings_store, GSETTINGS_MARK_KEY, TRUE);
  g_settings_apply (settings_store);
  /* dconf writes from a thread of its own: a host that exits right after
   * a save would lose it. */
  g_settings_sync ();
  if (!written
      || g_settings_get_int (settings_store, GSETTINGS_LEVEL_KEY) != level
      || g_settings_get_int (settings_store, GSETTINGS_SOUND_KEY) != sound)
    {
      /* TRANSLATORS: why the settings were not saved. */
      say_not_saved (_ ("the settings store did not keep them"));
      return;
    }
  memset (&gconf_values, 0, sizeof gconf_values);
}

void
write_settings (int level, int sound)
{
  if (level < PLUGIN_MIN_LEVEL)
    level = PLUGIN_MIN_LEVEL;
  else if (level > PLUGIN_MAX_LEVEL)
    level = PLUGIN_MAX_LEVEL;
  if (gcc != NULL)
    write_gconf (level, sound);
  else if (settings_store != NULL)
    write_gsettings (level, sound);
  else if (store_missing != NULL)
    /* TRANSLATORS: %s says why there is no store to save the settings in. */
    say_not_saved (store_missing);
}

/* Before load_plugin there is neither a store nor a choice. */
gboolean
store_is_open (void)
{
  return store_opened;
}

/* GConf's files are read while the store holds none of the player's values
 * (and no mark, where the schema has one). */
static gboolean
import_due (void)
{
  if (schema_has_mark)
    return !g_settings_get_boolean (settings_store, GSETTINGS_MARK_KEY)
           && (!holds_value (GSETTINGS_LEVEL_KEY)
               || !holds_value (GSETTINGS_SOUND_KEY));
  return !holds_value (GSETTINGS_LEVEL_KEY)
         && !holds_value (GSETTINGS_SOUND_KEY);
}

void
open_store (void)
{
  const char *why;

  if (store_opened)
    return;
  store_opened = TRUE;
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  g_type_init ();
  G_GNUC_END_IGNORE_DEPRECATIONS
  find_store (&why);
  if (store_kind == STORE_GCONF)
    gcc = gconf_client_get_default ();
  else if (store_kind == STORE_GSETTINGS)
    {
      settings_store = g_settings_new_full (store_schema, NULL, NULL);
      /* Changes wait for g_settings_apply: a save is one change. */
      g_settings_delay (settings_store);
      if (import_due ())
        read_gconf_files (getenv ("HOME"), &gconf_values);
    }
}
