/* Panel and menu in step: the three handlers and entry 5.
 *
 * The panel's two controls are the reference.  On return:
 *   on_level_changed      the level item of the spin button's level is on
 *                         (there is none for a level outside the range);
 *   on_sound_clicked      "Sound" shows the check box;
 *   on_menu_item_toggled  the panel shows the pick: the level of the item
 *                         now on, unless it is a host's own, or "Sound";
 *   sync_menu_from_panel  the menu shows the panel (entry 5).
 * Once the outermost handler is done, whatever the host's own handlers did
 * inside it, each side that is left shows what a save writes
 * (settings_to_save).
 *
 * sync_guard stops the echo: a copy makes the other widget report the change,
 * and that report must not copy it straight back.  The settle step is for the
 * host: its handlers run inside the plug-in's copies and may change a control
 * while the guard holds, rebuild the menu or destroy a side, so the outermost
 * handler ends by bringing the menu to what a save writes.
 *
 * A side whose widgets do not exist yet, or no longer exist, is skipped. */
#include "plugin_private.h"

/* Set while a handler copies a value across. */
static int sync_guard;

/* How deeply the handlers are nested; the outermost settles the menu. */
static int handler_depth;

/* What a save writes for a panel control the host has destroyed: the value
 * it had then, or the player's pick in the menu since. */
static int chosen_level;
static gboolean chosen_sound;

void
settings_to_save (int *level, gboolean *sound)
{
  *level = board_box != NULL
               ? gtk_spin_button_get_value_as_int (GTK_SPIN_BUTTON (board_box))
               : chosen_level;
  *sound = sound_check != NULL
               ? gtk_toggle_button_get_active (GTK_TOGGLE_BUTTON (sound_check))
               : chosen_sound;
}

/* The level of the active level item, or 0 when none is active (a host's own
 * radio item in the group may be). */
static int
menu_level (void)
{
  for (int n = PLUGIN_MIN_LEVEL; n <= PLUGIN_MAX_LEVEL; n++)
    {
      GtkWidget *item = *level_slot (n);

      if (item != NULL
          && gtk_check_menu_item_get_active (GTK_CHECK_MENU_ITEM (item)))
        return n;
    }
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
      return item_level (GTK_WIDGET (node->data));
  return 0;
}

/* Whether making the menu show LEVEL would change it. */
static gboolean
menu_lags (int level)
{
  return level >= PLUGIN_MIN_LEVEL && level <= PLUGIN_MAX_LEVEL
         && *level_slot (level) != NULL
         && !gtk_check_menu_item_get_active (
             GTK_CHECK_MENU_ITEM (*level_slot (level)));
}

/* Brings the menu to what a save writes.  Returns whether it changed the
 * menu, whose handlers then copy the same values back.  A host's own radio
 * item that is active stays so: that is the host's pick, not a lag. */
static gboolean
settle_menu (void)
{
  int level, shown = menu_level ();
  gboolean sound, changed = FALSE;

  settings_to_save (&level, &sound);
  if (shown != 0 && shown != level && menu_lags (level))
    {
      gtk_check_menu_item_set_active (GTK_CHECK_MENU_ITEM (*level_slot (level)),
                                      TRUE);
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

/* A guard found set means this report is the echo of the plug-in's own copy
 * to a level item, unless the menu still lags the value: then a host's
 * handler or a host's main loop changed the level while the copy was under
 * way, and it is copied across at once, the outer copy's guard restored.
 * This handler alone leaves a guard it finds set alone. */
static void
on_level_changed (GtkSpinButton *spin_button, gpointer user_data)
{
  int level, found = sync_guard;

  (void)user_data;
  level = gtk_spin_button_get_value_as_int (spin_button);
  if (found && !menu_lags (level))
    return;
  handler_depth++;
  sync_guard = 1;
  if (menu_lags (level))
    gtk_check_menu_item_set_active (GTK_CHECK_MENU_ITEM (*level_slot (level)),
                                    TRUE);
  sync_guard = found;
  leave_handler ();
}

/* The check box has changed when its "clicked" arrives.  Under a set guard
 * only a state the item does not show yet is copied (a change made inside a
 * copy); the guard is cleared on every other return. */
static void
on_sound_clicked (GtkButton *button, gpointer user_data)
{
  gboolean active = gtk_toggle_button_get_active (GTK_TOGGLE_BUTTON (button));
  int found = sync_guard;

  (void)user_data;
  handler_depth++;
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

/* Reads the item that reported, not the newest menu's: an earlier menu may
 * still be up beside it.  A copy restores the guard it found; any other
 * return clears it. */
static void
on_menu_item_toggled (GtkCheckMenuItem *menu_item, gpointer user_data)
{
  int tag = GPOINTER_TO_INT (user_data), found = sync_guard;
  gboolean active = gtk_check_menu_item_get_active (menu_item);

  handler_depth++;
  sync_guard = 0;
  if (tag == SOUND_ITEM_TAG)
    {
      chosen_sound = active;
      if (sound_check != NULL
          && (!found
              || gtk_toggle_button_get_active (GTK_TOGGLE_BUTTON (sound_check))
                     != active))
        {
          /* Held across the call: GTK 3 still notifies the check box once
           * its "clicked" is over, in which a host's handler may have
           * destroyed it. */
          GtkWidget *check = GTK_WIDGET (g_object_ref (sound_check));

          sync_guard = 1;
          gtk_toggle_button_set_active (GTK_TOGGLE_BUTTON (check), active);
          sync_guard = found;
          g_object_unref (check);
        }
    }
  else
    {
      /* A pick turns the picked item on first, then reports the item it
       * turned off, then the picked one.  The first report already copies
       * the pick, which so lands even if a host's handler destroys the menu
       * before the picked item reports; the second finds the spin button at
       * that value, which emits nothing.  A radio item of the host's own in
       * the group is no level: its pick leaves the panel alone. */
      int picked = active ? tag : picked_level (menu_item);

      if (picked != 0)
        {
          chosen_level = picked;
          if (board_box != NULL
              && (!found
                  || gtk_spin_button_get_value_as_int (
                         GTK_SPIN_BUTTON (board_box))
                         != picked))
            {
              sync_guard = 1;
              gtk_spin_button_set_value (GTK_SPIN_BUTTON (board_box), picked);
              sync_guard = found;
            }
        }
    }
  leave_handler ();
}

/* The control's final value is what a save writes from now on.  For the
 * check box it may be news: its "toggled" runs before the "clicked" this file
 * listens to, and a host's handler there may destroy it.  Outside the
 * handlers, the menu settles on it at once. */
void
panel_control_destroyed (GtkWidget *control)
{
  if (GTK_IS_SPIN_BUTTON (control))
    chosen_level = gtk_spin_button_get_value_as_int (GTK_SPIN_BUTTON (control));
  else
    chosen_sound = gtk_toggle_button_get_active (GTK_TOGGLE_BUTTON (control));
  if (handler_depth == 0)
    settle ();
}

/* Entry 5, at any time after entries 1 and 4: the menu shows the panel. */
void
sync_menu_from_panel (void)
{
  /* Before load_plugin nothing is chosen yet. */
  if (!store_is_open ())
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

void
watch_level (GtkWidget *spin_button)
{
  g_signal_connect_data (G_OBJECT (spin_button), "value-changed",
                         G_CALLBACK (on_level_changed), NULL, NULL,
                         (GConnectFlags)0);
}

void
watch_sound (GtkWidget *check_button)
{
  g_signal_connect_data (G_OBJECT (check_button), "clicked",
                         G_CALLBACK (on_sound_clicked), NULL, NULL,
                         (GConnectFlags)0);
}

void
watch_menu_item (GtkWidget *item, int tag)
{
  g_signal_connect_data (G_OBJECT (item), "toggled",
                         G_CALLBACK (on_menu_item_toggled),
                         GINT_TO_POINTER (tag), NULL, (GConnectFlags)0);
}

/* Its handler runs, but building settles nothing: the levels follow only
 * once entry 5 runs. */
void
start_sound_item (GtkWidget *item)
{
  int level;
  gboolean sound;

  settings_to_save (&level, &sound);
  handler_depth++;
  gtk_check_menu_item_set_active (GTK_CHECK_MENU_ITEM (item), sound);
  handler_depth--;
}
