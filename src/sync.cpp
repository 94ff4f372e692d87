/* Panel and menu in step.
 *
 * The panel's two controls are the reference.  Three handlers copy a change
 * across: on_level_changed (the spin button) and on_sound_clicked (the check
 * box) to the menu, on_menu_item_toggled (a level item or "Sound") to the
 * panel.  Entry 5 runs the first two, to bring the menu in line.
 *
 * The guard.  A copy makes the other widget emit its own signal, whose
 * handler would copy the value straight back; sync_guard is set around each
 * copy so that it does not.  on_level_changed leaves a guard it finds set
 * alone; the other two clear it on every return.  What the guard stops is
 * the echo of a panel change: the spin button turns a level item on, and the
 * "toggled" of the items that changes finds the guard set.  It does not stop
 * the echo of a pick in the menu: the toolkit first reports the item turned
 * off, whose handler copies the pick to the spin button (the spin button's
 * own report then meets the guard) and clears the guard as it returns; the
 * picked item's report then copies the same level again, which the spin
 * button ignores because its value does not change.  The guard stops only a
 * copy that would change nothing: a change that arrives while a copy is
 * under way (a host's handler, or a host's main loop in which the player goes
 * on) is copied across at once, and the outer copy's guard restored.
 *
 * Handler depth and the settle step.  A host's own handlers run inside the
 * plug-in's copies and may change a control while the guard stops the copy,
 * rebuild the menu, or destroy either side.  The handlers count how deeply
 * they are nested, and the outermost one settles the menu as it leaves: it
 * brings the menu to what a save would write, the panel or, for a control
 * the host destroyed, the player's last choice (chosen_level, chosen_sound).
 *
 * Destroyed widgets.  Every variable the host reads empties when its widget
 * is destroyed (forget_on_destroy); the check box leaves its final state
 * behind, and losing a panel control settles the menu.  The destroy hook also
 * moves group on when its head goes, because the toolkit sends no
 * "group-changed" when the last item of a group is destroyed; the emission
 * hook in menu.cpp covers every join (a host's own radio items) and every
 * other leave.
 *
 * A side whose widgets do not exist yet, or no longer exist, is skipped. */
#include "plugin_private.h"

/* Set while a handler copies a value across, so the copy's own signal does
 * not copy it back. */
static int sync_guard;

/* How deeply the handlers are nested; the outermost settles the menu. */
static int handler_depth;

/* The tag of the active level item, or 0 when none is active (a host's own
 * radio item in the group may be). */
static int
menu_level (void)
{
  for (int n = PLUGIN_MIN_LEVEL; n <= PLUGIN_MAX_LEVEL; n++)
    if (*level_slot (n) != NULL
        && gtk_check_menu_item_get_active (
            GTK_CHECK_MENU_ITEM (*level_slot (n))))
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
    gtk_check_menu_item_set_active (GTK_CHECK_MENU_ITEM (*level_slot (level)),
                                    TRUE);
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

/* Building settles nothing: the levels follow only once entry 5 runs. */
void
start_sound_item (GtkWidget *item, gboolean active)
{
  handler_depth++;
  gtk_check_menu_item_set_active (GTK_CHECK_MENU_ITEM (item), active);
  handler_depth--;
}

/* The host owns the widgets and may destroy them; the handlers must then find
 * the variable empty rather than pointing at a dead widget. */
void
forget_on_destroy (GtkWidget **slot)
{
  g_signal_connect_data (G_OBJECT (*slot), "destroy",
                         G_CALLBACK (on_widget_destroyed), slot, NULL,
                         (GConnectFlags)0);
}
