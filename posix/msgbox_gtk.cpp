// The desktop message box, on GTK 3. Built as a module of its own that the
// program loads only when a display is there (see msgbox_desktop.cpp), so
// that a program that never opens a window never loads GTK.
#include <gtk/gtk.h>

#include <locale.h>

extern "C" {

// Connects to the display; false when there is none to be had.
gboolean merong_desktop_open()
{
    // GTK reads its language from the locale. Where the C library cannot load
    // that locale, GTK would say so on the console at every start: take the
    // C library's UTF-8 locale instead, quietly.
    if (!setlocale(LC_ALL, "")) {
        gtk_disable_setlocale();
        setlocale(LC_ALL, "C.UTF-8");
    }
    return gtk_init_check(nullptr, nullptr);
}

// Shows a box and waits until it is dismissed: OK, Enter, Esc or the close
// box. Caption and text are UTF-8.
void merong_desktop_message_box(const char *caption, const char *text)
{
    GtkWidget *dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_OTHER,
                                               GTK_BUTTONS_OK, "%s", text);
    gtk_window_set_title(GTK_WINDOW(dialog), caption);
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
    gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    // Let the window go from the screen before the caller goes on.
    while (gtk_events_pending())
        gtk_main_iteration();
}
}
