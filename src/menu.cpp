/* The "Settings" menu for the host's menu bar: a "Difficulty" submenu of
 * twelve radio items, "Level 1" to "Level 12", a separator and a "Sound"
 * check item, which follow the panel (sync.cpp). */
#include "plugin_private.h"

/* Each level item carries its level, so that a toggle reads the pick in its
 * own group: an earlier menu may still be up beside the newest one. */
#define LEVEL_DATA_KEY "zorvane-level"

/* Module state, exported for hosts that inspect it (sound_item, which
 * sync.cpp reads too, is declared in plugin_private.h).  group is the head
 * of the level items' current radio group, null once none is left: a host
 * may add radio items of its own through it. */
extern "C"
{
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
  PLUGIN_EXPORT GtkWidget *menu_items[2];
}
GtkWidget *sound_item;

/* The level items' variables in order, one for each level of plugin_host.h's
 * range. */
static GtkWidget **const level_items[] = {
  &level_1_item, &level_2_item,  &level_3_item,  &level_4_item,
  &level_5_item, &level_6_item,  &level_7_item,  &level_8_item,
  &level_9_item, &level_10_item, &level_11_item, &level_12_item,
};
static_assert (G_N_ELEMENTS (level_items)
                   == PLUGIN_MAX_LEVEL - PLUGIN_MIN_LEVEL + 1,
               "one level item for each level of plugin_host.h");

/* The "group-changed" hook that keeps group on the head, added once. */
static gulong group_hook;

/* Out of range is a caller's fault: reported, with an empty slot instead of
 * a read past the table. */
GtkWidget **
level_slot (int level)
{
  static GtkWidget *no_item;

  no_item = NULL;
  g_return_val_if_fail (level >= PLUGIN_MIN_LEVEL && level <= PLUGIN_MAX_LEVEL,
                        &no_item);
  return level_items[level - PLUGIN_MIN_LEVEL];
}

/* The level of a level item, or 0 for a host's own radio item. */
int
item_level (GtkWidget *item)
{
  return GPOINTER_TO_INT (g_object_get_data (G_OBJECT (item), LEVEL_DATA_KEY));
}

/* An emission hook on every radio menu item: the toolkit reports each join
 * (a host's own radio item) and each leave but one to the item that moved,
 * so group is found again from the level items that are left. */
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
    if (*level_slot (n) != NULL)
      group = gtk_radio_menu_item_get_group (
          GTK_RADIO_MENU_ITEM (*level_slot (n)));
  return TRUE;
}

/* Only the widget the variable still holds: a later build may have replaced
 * it.  The toolkit takes a radio item out of its group after this, freeing
 * the list node that holds it, and sends no "group-changed" when the item was
 * the last of its group: group moves off it here first. */
static void
on_item_destroyed (GtkWidget *widget, gpointer user_data)
{
  GtkWidget **slot = (GtkWidget **)user_data;

  if (*slot == widget)
    *slot = NULL;
  if (group != NULL && group->data == widget)
    group = group->next;
}

/* The host owns the menu and may destroy any of it; the handlers and the
 * host must then find the variable empty, not a dead widget. */
static void
forget_on_destroy (GtkWidget **slot)
{
  g_signal_connect_data (G_OBJECT (*slot), "destroy",
                         G_CALLBACK (on_item_destroyed), slot, NULL,
                         (GConnectFlags)0);
}

/* Entry 4, once per load after entry 1: builds the menu and returns the
 * two-slot array menu_items, "Settings" in slot 0 and null in slot 1, with 1
 * in *COUNT.  "Sound" starts as the panel shows it; the level items show the
 * panel only once entry 5 has run ("Level 1" until then). */
GtkWidget **
build_settings_menu (int32_t *count)
{
  GtkWidget *separator_item;
  char label[64];
  int n;

  bind_catalogue ();
  if (count != NULL)
    *count = 1;
  /* TRANSLATORS: the menu that the plug-in adds to the host's menu bar, with
     the "Difficulty" submenu and the "Sound" item; the game's settings, not
     the computer's. */
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
      *level_slot (n) = item;
      gtk_menu_shell_append (GTK_MENU_SHELL (difficulty_menu), item);
      group = gtk_radio_menu_item_get_group (GTK_RADIO_MENU_ITEM (item));
    }
  for (n = PLUGIN_MIN_LEVEL; n <= PLUGIN_MAX_LEVEL; n++)
    {
      watch_menu_item (*level_slot (n), n);
      forget_on_destroy (level_slot (n));
    }

  separator_item = gtk_menu_item_new ();
  /* A plain item with no child; screen readers should skip it as a
   * separator, not offer it as a command. */
  atk_object_set_role (gtk_widget_get_accessible (separator_item),
                       ATK_ROLE_SEPARATOR);
  gtk_menu_shell_append (GTK_MENU_SHELL (settings_menu), separator_item);

  sound_item = gtk_check_menu_item_new_with_label (_ ("Sound"));
  gtk_menu_shell_append (GTK_MENU_SHELL (settings_menu), sound_item);
  /* Connected before the initial state, which therefore reaches the handler:
   * the panel's, or what a save writes once the check box is gone (off before
   * any panel). */
  watch_menu_item (sound_item, SOUND_ITEM_TAG);
  forget_on_destroy (&sound_item);
  start_sound_item (sound_item);
  /* A host may add radio items of its own through group; each join or leave
   * moves the list's head, and only the joining item reports it. */
  if (group_hook == 0)
    group_hook = g_signal_add_emission_hook (
        g_signal_lookup ("group-changed", GTK_TYPE_RADIO_MENU_ITEM), 0,
        on_group_changed, NULL, NULL);
  return menu_items;
}
