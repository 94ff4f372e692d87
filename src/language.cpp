/* The player's language and the screen readers' view of the controls. */
#include <string.h>

#include "plugin_private.h"

/* Where libc looks for a domain that nobody has bound. */
#define LIBC_LOCALE_DIR "/usr/share/locale"

/* The text domain is bound once per process, by whichever entry comes
 * first. */
static int catalogue_bound;

/* Once per process, before the first text.  A host that keeps the
 * catalogues elsewhere binds the domain itself before it calls in. */
void
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
void
name_for_screen_readers (GtkWidget *control, const char *name,
                         const char *description)
{
  atk_object_set_name (gtk_widget_get_accessible (control), name);
  gtk_widget_set_tooltip_text (control, description);
}
