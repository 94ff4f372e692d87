/* The player's language and the screen readers' view of the controls. */
#include <string.h>

#include "plugin_private.h"

/* A domain that no program binds: it cannot name a catalogue file. */
#define UNBOUND_DOMAIN TEXT_DOMAIN "/unbound"

/* The text domain is bound once per process, by whichever entry comes
 * first. */
static int catalogue_bound;

/* Whether some folder was bound to the plug-in's domain.  The C library
 * answers an unbound domain with the folder it was built to look in, which
 * varies between builds, so the answer is compared with an unbound domain's
 * rather than with a path. */
static gboolean
folder_bound (void)
{
  const char *ours = bindtextdomain (TEXT_DOMAIN, NULL);
  const char *unbound = bindtextdomain (UNBOUND_DOMAIN, NULL);

  if (ours == NULL)
    return FALSE;
  return unbound == NULL || strcmp (ours, unbound) != 0;
}

/* Once per process, before the first text.  A host that keeps the
 * catalogues elsewhere binds the domain itself before it calls in. */
void
bind_catalogue (void)
{
  if (catalogue_bound)
    return;
  catalogue_bound = 1;
  if (!folder_bound ())
    bindtextdomain (TEXT_DOMAIN, ZORVANE_LOCALE_DIR);
  /* The toolkit takes UTF-8 only, also in a legacy 8-bit locale. */
  bind_textdomain_codeset (TEXT_DOMAIN, "UTF-8");
}

/* Screen readers speak a control by its name and read its tooltip as its
 * description; the label's relation alone leaves the name empty. */
void
name_for_screen_readers (GtkWidget *control, const char *name,
                         const char *description)
{
  atk_object_set_name (gtk_widget_get_accessible (control), name);
  gtk_widget_set_tooltip_text (control, description);
}
