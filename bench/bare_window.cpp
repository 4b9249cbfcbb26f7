// The floor under px's start-up: a bare GTK 2 window of about px's size,
// which writes the file named by its first argument once its first expose
// has been drawn. startup_bench times it beside px.
#include <gtk/gtk.h>

#include <cstdio>

namespace {

const char* done_file = nullptr;

gboolean on_expose(GtkWidget* widget, GdkEventExpose*, gpointer)
{
    cairo_t* cr = gdk_cairo_create(widget->window);
    cairo_set_source_rgb(cr, 0, 0, 0.5);
    cairo_paint(cr);
    cairo_destroy(cr);
    gdk_flush();
    if (done_file) {
        if (FILE* f = std::fopen(done_file, "w"))
            std::fclose(f);
        done_file = nullptr;
    }
    return TRUE;
}

}

int main(int argc, char** argv)
{
    gtk_init(&argc, &argv);
    if (argc > 1)
        done_file = argv[1];
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    GtkWidget* area = gtk_drawing_area_new();
    gtk_widget_set_size_request(area, 720, 425);
    gtk_container_add(GTK_CONTAINER(window), area);
    g_signal_connect(area, "expose-event", G_CALLBACK(on_expose), nullptr);
    g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
    gtk_widget_show_all(window);
    gtk_main();
    return 0;
}
