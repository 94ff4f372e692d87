/* Screenshots of the stand-in host's window.  Without a window manager the
 * window sits at its own origin, and open menus are windows of their own.
 * Off X (GTK 3 on Wayland) there is no screen to copy from: the window draws
 * itself into the picture, and open menus, which only the compositor places,
 * are not pictured (the run says so and fails). */
#define GLIB_DISABLE_DEPRECATION_WARNINGS
#include "screenshot.h"

#include <libintl.h>
#if GTK_CHECK_VERSION(3, 0, 0)
#include <gdk/gdkx.h>
#endif

#define _(text) gettext (text)
/* A mapped window is not drawn yet, nor is an opened menu: give each a
 * moment. */
#define DRAW_DELAY_MS 300
#define MENU_DELAY_MS 500

static GtkWidget *shot_window;
static GtkWidget *shot_menu_bar;
static const char *shot_file;
static gboolean shot_open_menu;
static gboolean shot_written;

/* The first menu of the bar, and the submenu of its first item. */
static void
find_menus (GtkWidget *menus[2])
{
  GList *top = gtk_container_get_children (GTK_CONTAINER (shot_menu_bar));
  GList *first;

  menus[0] = top ? gtk_menu_item_get_submenu (GTK_MENU_ITEM (top->data)) : NULL;
  menus[1] = NULL;
  g_list_free (top);
  if (menus[0] == NULL)
    return;
  first = gtk_container_get_children (GTK_CONTAINER (menus[0]));
  if (first)
    menus[1] = gtk_menu_item_get_submenu (GTK_MENU_ITEM (first->data));
  g_list_free (first);
}

static GdkRectangle
screen_area (GtkWidget *toplevel)
{
  GtkAllocation size;
  GdkRectangle area = { 0, 0, 0, 0 };

  gtk_widget_get_allocation (toplevel, &size);
  area.width = size.width;
  area.height = size.height;
  gdk_window_get_origin (gtk_widget_get_window (toplevel), &area.x, &area.y);
  return area;
}

/* A part of WINDOW, or of the screen for the root window: GTK 3 reads
 * windows, GTK+ 2 drawables. */
static GdkPixbuf *
copy_area (GdkWindow *window, int x, int y, int width, int height)
{
#if GTK_CHECK_VERSION(3, 0, 0)
  return gdk_pixbuf_get_from_window (window, x, y, width, height);
#else
  return gdk_pixbuf_get_from_drawable (NULL, window, NULL, x, y, 0, 0, width,
                                       height);
#endif
}

/* The window and each open menu, copied from the screen into one picture. */
static GdkPixbuf *
picture_with_menus (void)
{
  GdkWindow *root = gdk_get_default_root_window ();
  GdkRectangle parts[3], whole;
  GtkWidget *menus[2];
  GdkPixbuf *picture;
  int count = 0;

  parts[count++] = screen_area (shot_window);
  find_menus (menus);
  for (GtkWidget *menu : menus)
    {
      GtkWidget *popup = menu ? gtk_widget_get_toplevel (menu) : NULL;

      if (popup != NULL && gtk_widget_get_mapped (popup))
        parts[count++] = screen_area (popup);
    }
  whole = parts[0];
  for (int i = 1; i < count; i++)
    gdk_rectangle_union (&whole, &parts[i], &whole);

  picture
      = gdk_pixbuf_new (GDK_COLORSPACE_RGB, TRUE, 8, whole.width, whole.height);
  if (picture == NULL)
    return NULL;
  gdk_pixbuf_fill (picture, 0);
  for (int i = 0; i < count; i++)
    {
      GdkPixbuf *part = copy_area (root, parts[i].x, parts[i].y, parts[i].width,
                                   parts[i].height);
      GdkPixbuf *opaque
          = part ? gdk_pixbuf_add_alpha (part, FALSE, 0, 0, 0) : NULL;

      if (opaque)
        {
          gdk_pixbuf_copy_area (opaque, 0, 0, parts[i].width, parts[i].height,
                                picture, parts[i].x - whole.x,
                                parts[i].y - whole.y);
          g_object_unref (opaque);
        }
      if (part)
        g_object_unref (part);
    }
  return picture;
}

#if GTK_CHECK_VERSION(3, 0, 0)
static gboolean
on_x_display (void)
{
  return GDK_IS_X11_DISPLAY (gdk_display_get_default ());
}

static GdkPixbuf *
drawn_window (void)
{
  int width = gtk_widget_get_allocated_width (shot_window);
  int height = gtk_widget_get_allocated_height (shot_window);
  cairo_surface_t *surface
      = cairo_image_surface_create (CAIRO_FORMAT_ARGB32, width, height);
  cairo_t *cr = cairo_create (surface);
  GdkPixbuf *picture;

  gtk_widget_draw (shot_window, cr);
  cairo_destroy (cr);
  picture = gdk_pixbuf_get_from_surface (surface, 0, 0, width, height);
  cairo_surface_destroy (surface);
  return picture;
}
#else
static gboolean
on_x_display (void)
{
  return TRUE;
}

static GdkPixbuf *
drawn_window (void)
{
  return NULL;
}
#endif

static gboolean
take_screenshot (gpointer user_data)
{
  GdkPixbuf *picture;
  GError *error = NULL;

  (void)user_data;
  gdk_window_process_all_updates ();
  gdk_flush ();
  if (!on_x_display ())
    picture = shot_open_menu ? NULL : drawn_window ();
  else if (shot_open_menu)
    picture = picture_with_menus ();
  else
    {
      GdkRectangle area = screen_area (shot_window);

      picture = copy_area (gtk_widget_get_window (shot_window), 0, 0,
                           area.width, area.height);
    }
  shot_written = picture != NULL
                 && gdk_pixbuf_save (picture, shot_file, "png", &error, NULL);
  if (!shot_written)
    /* TRANSLATORS: the first %s is the path of the PNG file, the second the
       reason: the system's message or "no image of the window".  Write %1$s
       and %2$s where your language needs the other order. */
    complain (_ ("cannot write %s: %s"), shot_file,
              /* TRANSLATORS: the reason in "cannot write %s: %s" when the
                 window could not be captured as an image. */
              error ? error->message : _ ("no image of the window"));
  if (error)
    g_error_free (error);
  if (picture)
    g_object_unref (picture);
  gtk_main_quit ();
  return FALSE;
}

/* Selects the first item of SHELL, which opens its menu. */
static void
select_first_child (GtkWidget *shell)
{
  GList *first = gtk_container_get_children (GTK_CONTAINER (shell));

  if (first)
    gtk_menu_shell_select_item (GTK_MENU_SHELL (shell),
                                GTK_WIDGET (first->data));
  g_list_free (first);
}

/* GTK 3 opens a menu from the event that asked for it, and warns where there
 * is none or where it names no pointer of the display's seat: the selection
 * is made while a button press of that pointer is the event being handled,
 * delivered to the widget that holds the grab (an open menu) so that nothing
 * else sees it. */
#if GTK_CHECK_VERSION(3, 0, 0)
static gboolean
on_trigger_press (GtkWidget *receiver, GdkEvent *press, gpointer shell)
{
  (void)receiver;
  (void)press;
  select_first_child (GTK_WIDGET (shell));
  return TRUE;
}

static void
select_first_item (GtkWidget *shell)
{
  GtkWidget *receiver = gtk_grab_get_current ();
  GdkEvent *press = gdk_event_new (GDK_BUTTON_PRESS);
  GdkSeat *seat = gdk_display_get_default_seat (gdk_display_get_default ());
  gulong handler;

  if (receiver == NULL)
    receiver = shot_window;
  press->button.window
      = GDK_WINDOW (g_object_ref (gtk_widget_get_window (receiver)));
  press->button.send_event = TRUE;
  press->button.time = GDK_CURRENT_TIME;
  press->button.button = 1;
  gdk_event_set_device (press, gdk_seat_get_pointer (seat));
  handler = g_signal_connect (receiver, "button-press-event",
                              G_CALLBACK (on_trigger_press), shell);
  gtk_main_do_event (press);
  g_signal_handler_disconnect (receiver, handler);
  gdk_event_free (press);
}
#else
static void
select_first_item (GtkWidget *shell)
{
  select_first_child (shell);
}
#endif

static gboolean
open_first_submenu (gpointer user_data)
{
  GtkWidget *menus[2];

  (void)user_data;
  find_menus (menus);
  if (menus[0])
    select_first_item (menus[0]);
  g_timeout_add (MENU_DELAY_MS, take_screenshot, NULL);
  return FALSE;
}

static gboolean
on_map_event (GtkWidget *window, GdkEvent *event, gpointer user_data)
{
  (void)window;
  (void)event;
  (void)user_data;
  /* Off X the menus would not be pictured, and a compositor may take a menu
   * opened from a press it never sent for a fault and drop the host. */
  if (shot_open_menu && on_x_display ())
    {
      select_first_item (shot_menu_bar);
      g_timeout_add (DRAW_DELAY_MS, open_first_submenu, NULL);
    }
  else
    g_timeout_add (DRAW_DELAY_MS, take_screenshot, NULL);
  return FALSE;
}

void
screenshot_when_shown (GtkWidget *window, GtkWidget *menu_bar, const char *file,
                       gboolean open_menu)
{
  shot_window = window;
  shot_menu_bar = menu_bar;
  shot_file = file;
  shot_open_menu = open_menu;
  g_signal_connect (window, "map-event", G_CALLBACK (on_map_event), NULL);
}

gboolean
screenshot_written (void)
{
  return shot_written;
}
