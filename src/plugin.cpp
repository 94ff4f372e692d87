/* The settings plug-in's panel: one row with the starting level and the
 * sound switch, set from the store (entry 1) and saved back to it (entry 3).
 * The panel's two controls are the reference the menu follows (sync.cpp).
 *
 * The toolkit, GLib and the store are resolved from the host process; the
 * plug-in links nothing but libc.  This file's name is what the trace line
 * and the assertion reports print. */
#include <stdio.h>

#include "plugin_private.h"

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

GtkWidget *board_box;
GtkWidget *sound_check;

/* Only the control the variable still holds: a later load may have replaced
 * it.  Its last value stays the player's choice (sync.cpp). */
static void
on_control_destroyed (GtkWidget *control, gpointer user_data)
{
  GtkWidget **slot = (GtkWidget **)user_data;

  if (*slot != control)
    return;
  *slot = NULL;
  panel_control_destroyed (control);
}

/* The host owns the panel and may destroy it at any time; the handlers and
 * the host must then find the variable empty, not a dead widget. */
static void
forget_on_destroy (GtkWidget **slot)
{
  g_signal_connect_data (G_OBJECT (*slot), "destroy",
                         G_CALLBACK (on_control_destroyed), slot, NULL,
                         (GConnectFlags)0);
}

/* One row of the panel, packed after the others: LABEL to the left of
 * CONTROL, which takes its name from it for screen readers. */
static void
pack_row (GtkWidget *game_hbox, GtkWidget *control, GtkWidget *label,
          const char *description)
{
  GtkWidget *row = gtk_hbox_new (FALSE, 4);

  gtk_box_pack_end (GTK_BOX (row), control, FALSE, FALSE, 0);
  /* Lets assistive technology name the control after its label. */
  gtk_label_set_mnemonic_widget (GTK_LABEL (label), control);
  name_for_screen_readers (control, gtk_label_get_text (GTK_LABEL (label)),
                           description);
  gtk_box_pack_end (GTK_BOX (row), label, FALSE, FALSE, 0);
  gtk_box_pack_start (GTK_BOX (game_hbox), row, FALSE, FALSE, 2);
}

/* Entry 1, before any other: opens the store, builds the panel from it and
 * returns its top box, which the host shows.  Building runs no handler and
 * writes nothing.  One trace line per call on standard output. */
GtkWidget *
load_plugin (void)
{
  GtkWidget *game_hbox, *board_label, *sound_label;
  int level, sound;

  bind_catalogue ();
  open_store ();
  level = read_level ();
  sound = read_sound ();

  game_hbox = gtk_hbox_new (TRUE, 0);
  PLUGIN_ASSERT (game_hbox);
  board_box = gtk_spin_button_new_with_range (PLUGIN_MIN_LEVEL,
                                              PLUGIN_MAX_LEVEL, 1.0);
  PLUGIN_ASSERT (board_box);
  gtk_spin_button_set_value (GTK_SPIN_BUTTON (board_box), level);
  /* Connected after the initial value so that building runs no handler. */
  watch_level (board_box);
  forget_on_destroy (&board_box);
  /* TRANSLATORS: the label of the spin button that sets the level a new
     game starts at; screen readers also speak it as the control's name. */
  board_label = gtk_label_new (_ ("Starting level"));
  PLUGIN_ASSERT (board_label);
  pack_row (game_hbox, board_box, board_label,
            /* TRANSLATORS: the level spin button's tooltip, which screen
               readers speak as its description; also the short description
               of the setting in the settings schema. */
            _ ("The level a new game starts at"));

  sound_check = gtk_check_button_new ();
  PLUGIN_ASSERT (sound_check);
  gtk_toggle_button_set_active (GTK_TOGGLE_BUTTON (sound_check), sound != 0);
  watch_sound (sound_check);
  forget_on_destroy (&sound_check);
  /* TRANSLATORS: the label of the check box that turns the game's sound on
     or off, and the menu's check item; screen readers also speak it as the
     control's name. */
  sound_label = gtk_label_new (_ ("Sound"));
  PLUGIN_ASSERT (sound_label);
  pack_row (game_hbox, sound_check, sound_label,
            /* TRANSLATORS: the sound check box's tooltip, which screen
               readers speak as its description; also the short description
               of the setting in the settings schema.  It must stand on its
               own, not as a clause broken off after "whether". */
            _ ("Whether the game plays sound"));

  printf ("%s : %s : %d\n", __FILE__, "load_plugin", __LINE__);
  return game_hbox;
}

/* Entry 3, at any time after entry 1: writes the level, then the sound
 * state, the panel's or, for a control the host destroyed, the player's last
 * choice. */
void
save_settings (void)
{
  int level;
  gboolean sound;

  /* Before load_plugin there is neither a store nor a choice: keep what the
   * store holds. */
  if (!store_is_open ())
    return;
  /* Typed text counts, as it would once the field lost focus; the menu
   * follows, as for any change. */
  if (board_box != NULL)
    gtk_spin_button_update (GTK_SPIN_BUTTON (board_box));
  settings_to_save (&level, &sound);
  write_settings (level, sound);
}
