/* What the player's GConf files hold for the two settings, read as GConf's
 * own XML reader reads them, for a host without GConf.  Nothing is written,
 * and GConf itself is neither needed nor started.
 *
 * GConf keeps the folder /apps/tamrik/zorvane in ~/.gconf either as a file
 * of its own, apps/tamrik/zorvane/%gconf.xml, or inside a merged
 * %gconf-tree.xml higher up (gconf-merge-tree leaves one at the top).  A
 * merged file wins over per-folder files below it, which GConf then no
 * longer reads or writes; a folder below the top exists only where its own
 * %gconf.xml (or a merged file) does.
 *
 * GConf stops reading a file at its first fault and keeps the entries before
 * it.  Of two entries of one name the first counts, whatever its type; of
 * two folders of one name in a merged file, the first.  An integer is read
 * like strtol: leading blanks and a sign, then digits, anything after them
 * ignored; no digit, or a number outside 32 bits, is a fault. */
#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "plugin_private.h"

/* A real file is under a few kilobytes. */
#define IMPORT_MAX_BYTES (1024 * 1024)

/* Where we are in the file.  IN_DIR is <gconf> or a <dir>; IN_VALUE an
 * entry whose value is its attribute (no content allowed); IN_STRING an entry
 * holding <stringvalue>; IN_ANY the content of a list, pair or schema, or of
 * a <stringvalue>, which are not ours to check. */
enum
{
  IN_DIR,
  IN_VALUE,
  IN_STRING,
  IN_ANY
};

struct ParseState
{
  /* The folders from the file's own down to ours; NULL for a per-folder
   * file, which holds no folders. */
  const char *const *dirs;
  GConfValues *found;
  gboolean root_seen, level_seen, sound_seen;
  /* The context of each open element; deeper ones are IN_ANY. */
  int depth;
  int context[16];
  /* How many of the open <dir>s lead to ours, and how many are open at
   * all; the folders already entered on the way, so that a second one of
   * the same name is passed over. */
  int on_path, open_dirs;
  gboolean entered[8];
};

/* Where GConf stops reading; the context -1 says so. */
static int
fault (GError **error, const char *what, const char *element)
{
  g_set_error (error, G_MARKUP_ERROR, G_MARKUP_ERROR_INVALID_CONTENT, "%s <%s>",
               what, element);
  return -1;
}

/* GConf's integer: what strtol reads, within 32 bits. */
static gboolean
read_int (const char *text, int *value)
{
  char *end;
  gint64 number;

  errno = 0;
  number = g_ascii_strtoll (text, &end, 10);
  if (end == text || errno != 0 || number < G_MININT32 || number > G_MAXINT32)
    return FALSE;
  *value = (int)number;
  return TRUE;
}

static gboolean
read_float (const char *text)
{
  char *end;

  errno = 0;
  g_ascii_strtod (text, &end);
  return end != text && errno != ERANGE;
}

/* The attributes GConf knows on an entry: any other is a fault. */
static gboolean
known_attribute (const char *name)
{
  static const char *const known[]
      = { "name",  "mtime",     "schema",   "type",     "value", "muser",
          "ltype", "list_type", "car_type", "cdr_type", "stype", "owner" };
  for (const char *attribute : known)
    if (strcmp (name, attribute) == 0)
      return TRUE;
  return FALSE;
}

/* One <entry>: checked as GConf checks it, and taken where it is the first
 * of its name in our folder.  Returns the context of its content. */
static int
read_entry (ParseState *state, const gchar **names, const gchar **values,
            GError **error)
{
  const char *name = NULL, *type = NULL, *value = NULL, *list_type = NULL;
  gboolean ours
      = state->on_path == state->open_dirs
        && (state->dirs == NULL || state->dirs[state->on_path] == NULL);
  gboolean *seen = NULL;
  int number = 0, content = IN_VALUE;
  gboolean is_int = FALSE;

  for (int i = 0; names[i] != NULL; i++)
    {
      for (int j = 0; j < i; j++)
        if (strcmp (names[i], names[j]) == 0)
          return fault (error, "attribute repeated in", "entry");
      if (!known_attribute (names[i]))
        return fault (error, "unknown attribute in", "entry");
      if (strcmp (names[i], "name") == 0)
        name = values[i];
      else if (strcmp (names[i], "type") == 0)
        type = values[i];
      else if (strcmp (names[i], "value") == 0)
        value = values[i];
      else if (strcmp (names[i], "ltype") == 0)
        list_type = values[i];
    }
  if (name == NULL)
    return fault (error, "no name in", "entry");
  if (type == NULL)
    ;
  else if (strcmp (type, "int") == 0)
    {
      if (value == NULL || !read_int (value, &number))
        return fault (error, "no integer in", "entry");
      is_int = TRUE;
    }
  else if (strcmp (type, "bool") == 0)
    {
      if (value == NULL
          || (strcmp (value, "true") != 0 && strcmp (value, "false") != 0))
        return fault (error, "no truth value in", "entry");
    }
  else if (strcmp (type, "float") == 0)
    {
      if (value == NULL || !read_float (value))
        return fault (error, "no number in", "entry");
    }
  else if (strcmp (type, "string") == 0)
    content = IN_STRING;
  else if (strcmp (type, "list") == 0 && list_type == NULL)
    return fault (error, "no list type in", "entry");
  else if (strcmp (type, "list") == 0 || strcmp (type, "pair") == 0
           || strcmp (type, "schema") == 0)
    content = IN_ANY;
  else
    return fault (error, "unknown type in", "entry");

  if (ours && strcmp (name, "level") == 0)
    seen = &state->level_seen;
  else if (ours && strcmp (name, "sound") == 0)
    seen = &state->sound_seen;
  if (seen != NULL && !*seen)
    {
      *seen = TRUE;
      if (is_int && seen == &state->level_seen)
        state->found->have_level = TRUE, state->found->level = number;
      else if (is_int)
        state->found->have_sound = TRUE, state->found->sound = number;
    }
  return content;
}

/* A <dir> of a merged file: on our way down only if it is the first of the
 * next name. */
static int
read_dir (ParseState *state, const gchar **names, const gchar **values,
          GError **error)
{
  int next = state->on_path;

  if (names[0] == NULL || strcmp (names[0], "name") != 0 || names[1] != NULL)
    return fault (error, "not one name on", "dir");
  if (next == state->open_dirs && state->dirs[next] != NULL
      && next < (int)G_N_ELEMENTS (state->entered) && !state->entered[next]
      && strcmp (values[0], state->dirs[next]) == 0)
    {
      state->entered[next] = TRUE;
      state->on_path++;
    }
  state->open_dirs++;
  return IN_DIR;
}

/* The context that the innermost open element gives its content. */
static int
inner_context (const ParseState *state)
{
  if (state->depth == 0)
    return IN_DIR;
  if (state->depth > (int)G_N_ELEMENTS (state->context))
    return IN_ANY;
  return state->context[state->depth - 1];
}

static void
on_start (GMarkupParseContext *, const gchar *element, const gchar **names,
          const gchar **values, gpointer user_data, GError **error)
{
  ParseState *state = (ParseState *)user_data;
  int context = IN_ANY;

  if (state->depth == 0)
    {
      if (state->root_seen || strcmp (element, "gconf") != 0
          || names[0] != NULL)
        {
          fault (error, "not GConf's root at", element);
          return;
        }
      state->root_seen = TRUE;
      context = IN_DIR;
    }
  else
    switch (inner_context (state))
      {
      case IN_DIR:
        if (strcmp (element, "entry") == 0)
          context = read_entry (state, names, values, error);
        else if (strcmp (element, "dir") == 0 && state->dirs != NULL)
          context = read_dir (state, names, values, error);
        else
          context = fault (error, "unexpected", element);
        if (context < 0)
          return;
        break;
      case IN_VALUE:
        fault (error, "unexpected", element);
        return;
      case IN_STRING:
        if (strcmp (element, "stringvalue") != 0)
          {
            fault (error, "unexpected", element);
            return;
          }
        break;
      }
  if (state->depth < (int)G_N_ELEMENTS (state->context))
    state->context[state->depth] = context;
  state->depth++;
}

static void
on_end (GMarkupParseContext *, const gchar *element, gpointer user_data,
        GError **)
{
  ParseState *state = (ParseState *)user_data;

  if (state->depth == 0)
    return;
  int context = inner_context (state);
  state->depth--;
  if (context == IN_DIR && state->depth > 0 && strcmp (element, "dir") == 0)
    {
      if (state->on_path == state->open_dirs)
        state->on_path--;
      state->open_dirs--;
    }
}

/* Text is a fault where GConf wants only elements. */
static void
on_text (GMarkupParseContext *, const gchar *text, gsize length,
         gpointer user_data, GError **error)
{
  ParseState *state = (ParseState *)user_data;

  if (inner_context (state) == IN_ANY)
    return;
  for (gsize i = 0; i < length; i++)
    if (!g_ascii_isspace (text[i]) && text[i] != '\0')
      {
        fault (error, "text where GConf wants", "entry");
        return;
      }
}

gboolean
parse_gconf_file (const char *text, gsize length, const char *const *dirs,
                  GConfValues *found, GError **error)
{
  GMarkupParser parser = { on_start, on_end, on_text, NULL, NULL };
  ParseState state;
  GMarkupParseContext *context;
  gboolean parsed;

  memset (&state, 0, sizeof state);
  memset (found, 0, sizeof *found);
  /* GConf reads nothing from a file that opens with a byte-order mark;
   * newer GLibs' parser would skip it.  What GLib's older parser said
   * there, from GLib's own catalogue (not ours: no literal to extract). */
  static const char no_element[]
      = "Document must begin with an element (e.g. <book>)";
  if (length >= 3 && memcmp (text, "\xEF\xBB\xBF", 3) == 0)
    {
      g_set_error (error, G_MARKUP_ERROR, G_MARKUP_ERROR_EMPTY, "%s",
                   dgettext ("glib20", no_element));
      return FALSE;
    }
  state.dirs = dirs;
  state.found = found;
  context = g_markup_parse_context_new (&parser, (GMarkupParseFlags)0, &state,
                                        NULL);
  parsed = g_markup_parse_context_parse (context, text, length, error)
           && g_markup_parse_context_end_parse (context, error);
  g_markup_parse_context_free (context);
  return parsed;
}

/* fstat is versioned 2.33 in today's C library, which would raise the
 * oldest one the plug-in loads in; the system call is the same one. */
static int
file_status (int fd, struct stat64 *status)
{
#ifdef SYS_fstat64
  return syscall (SYS_fstat64, fd, status);
#else
  return syscall (SYS_fstat, fd, status);
#endif
}

/* One message, not a warning: a host under fatal warnings goes on. */
static void
say_not_imported (const char *path, const char *why)
{
  gchar *shown = g_filename_display_name (path);
  gchar *line = g_strdup_printf (
      /* TRANSLATORS: the first %s is the player's old GConf settings file,
         the second why it could not be read; the level and sound it holds
         are then not taken over.  Write %1$s and %2$s to put them in another
         order. */
      _ ("settings not imported from %s: %s"), shown, why);

  g_message ("zorvane_plugin.so: %s", line);
  g_free (line);
  g_free (shown);
}

enum
{
  FILE_ABSENT,
  FILE_READ,
  FILE_REFUSED
};

/* The file at PATH into *TEXT, without waiting on a FIFO or a device and
 * without reading more than the cap.  FILE_REFUSED has said why. */
static int
load_file (const char *path, char **text, gsize *length)
{
  struct stat64 status;
  const char *why = NULL;
  ssize_t got = 0;
  gsize size = 0;
  int fd;

  fd = open (path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0 && errno == ENOENT)
    return FILE_ABSENT;
  if (fd < 0)
    why = g_strerror (errno);
  else if (file_status (fd, &status) != 0)
    why = g_strerror (errno);
  else if (!S_ISREG (status.st_mode))
    /* TRANSLATORS: why the player's old GConf settings file was not read. */
    why = _ ("not a regular file");
  else if (status.st_size > IMPORT_MAX_BYTES)
    /* TRANSLATORS: why the player's old GConf settings file was not read. */
    why = _ ("larger than 1 MiB");
  if (why == NULL)
    {
      *text = (char *)g_malloc (IMPORT_MAX_BYTES + 1);
      /* A file that grows meanwhile still stops at the cap. */
      while (size <= IMPORT_MAX_BYTES
             && (got = read (fd, *text + size, IMPORT_MAX_BYTES + 1 - size))
                    > 0)
        size += got;
      if (got < 0)
        why = g_strerror (errno);
      else if (size > IMPORT_MAX_BYTES)
        why = _ ("larger than 1 MiB");
      if (why != NULL)
        g_free (*text);
      *length = size;
    }
  if (fd >= 0)
    close (fd);
  if (why == NULL)
    return FILE_READ;
  say_not_imported (path, why);
  return FILE_REFUSED;
}

void
read_gconf_files (const char *home, GConfValues *found)
{
  static const char *const dirs[] = { "apps", "tamrik", "zorvane", NULL };
  const char *const *below = NULL;
  char *folder, *path = NULL, *text = NULL;
  GError *error = NULL;
  gsize length = 0;
  int loaded = FILE_ABSENT;

  memset (found, 0, sizeof *found);
  if (home == NULL || home[0] == '\0')
    return;
  folder = g_build_filename (home, ".gconf", NULL);
  for (int level = 0;; level++)
    {
      path = g_build_filename (folder, "%gconf-tree.xml", NULL);
      below = dirs + level;
      loaded = load_file (path, &text, &length);
      if (loaded != FILE_ABSENT)
        break;
      g_free (path);
      path = g_build_filename (folder, "%gconf.xml", NULL);
      below = NULL;
      if (dirs[level] == NULL)
        {
          loaded = load_file (path, &text, &length);
          break;
        }
      /* A folder on the way exists for GConf only with a file of its own. */
      if (level > 0 && !g_file_test (path, G_FILE_TEST_EXISTS))
        break;
      g_free (path);
      path = g_build_filename (folder, dirs[level], NULL);
      g_free (folder);
      folder = path;
      path = NULL;
    }
  if (loaded == FILE_READ
      && !parse_gconf_file (text, length, below, found, &error)
      && !found->have_level && !found->have_sound)
    say_not_imported (path, error->message);
  if (error != NULL)
    g_error_free (error);
  if (loaded == FILE_READ)
    g_free (text);
  g_free (path);
  g_free (folder);
}
