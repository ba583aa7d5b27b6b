// The least GTK message boxes can cost: a program that shows the same boxes
// as merong (the greeting, then "merong" without end) and does nothing else.
// The benchmark measures ours against it.
#include <gtk/gtk.h>

namespace {

void show(const char *text)
{
    GtkWidget *dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_OTHER,
                                               GTK_BUTTONS_OK, "%s", text);
    gtk_window_set_title(GTK_WINDOW(dialog), "Hello");
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
}

} // namespace

int main(int argc, char *argv[])
{
    gtk_init(&argc, &argv);
    show("당신은...");
    for (;;)
        show("merong");
}
