/* Screenshots of the stand-in host's window, for the README and the tests. */
#ifndef ZORVANE_HOST_SCREENSHOT_H
#define ZORVANE_HOST_SCREENSHOT_H

#include <gtk/gtk.h>

/* Once WINDOW is mapped and drawn, writes it to FILE as PNG and leaves the
 * main loop.  With OPEN_MENU, the first menu of MENU_BAR and the submenu of
 * its first item are opened first and are in the picture too; whatever lies
 * beside them is left transparent.  Returns whether the file was written. */
void screenshot_when_shown (GtkWidget *window, GtkWidget *menu_bar,
                            const char *file, gboolean open_menu);
gboolean screenshot_written (void);

/* The host's report of a failure: one line on standard error after the
 * program's name, in the terminal's character set (main.cpp). */
void complain (const char *format, ...) G_GNUC_PRINTF (1, 2);

#endif
