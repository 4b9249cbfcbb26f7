#ifndef PANNEX_CONSOLE_DRAWING_AREA_GTK_H
#define PANNEX_CONSOLE_DRAWING_AREA_GTK_H

#include "console/console.h"

#include <gtkmm.h>

// The widget the console's cells are painted on. Cells are rendered into a
// back-buffer pixmap of the whole screen, line by line in runs of one
// attribute, and exposes copy from it; so a change paints only its cells
// and scrolling moves pixels.
//
// Every member runs with the GDK lock held: on the toolkit thread that is
// implicit, other threads take it (gdkLock) first.
class CConsoleDrawingArea : public Gtk::DrawingArea
{
public:
    explicit CConsoleDrawingArea(CConsole& con);
    ~CConsoleDrawingArea() override;

    // Takes the font and screen size; the cell size is the logical extent
    // of "A" in that font. Drops the pixmap, which the next paint recreates.
    void SetFont(const Estring& family, int size, int columns, int lines);
    int CellWidth() const { return cell_width; }
    int CellHeight() const { return cell_height; }
    // Paints the cells x1..x2, y1..y2 (inclusive) into the pixmap and has
    // them exposed.
    void PaintCells(int x1, int y1, int x2, int y2);
    // Moves the pixels of the cell rectangle by dy lines (negative: up);
    // the lines left behind keep their old pixels until painted.
    void MoveRect(int x1, int y1, int x2, int y2, int dy);

protected:
    bool on_expose_event(GdkEventExpose* ev) override;

private:
    // True when there is a pixmap to paint into (the widget is realized);
    // a new pixmap gets every cell.
    bool ensure_pixmap();
    void paint_line(int y, int x1, int x2);
    void paint_cells_one_by_one(int y, int x1, int x2);
    void set_colour(int index);

    CConsole& con;
    Glib::RefPtr<Gdk::Pixmap> pixmap;
    Glib::RefPtr<Gdk::GC> gc;
    Glib::RefPtr<Pango::Layout> layout;
    Pango::FontDescription font;
    int columns = 80;
    int lines = 25;
    int cell_width = 8;
    int cell_height = 16;
    Gdk::Color colours[16];
    // Reused for every line so that painting allocates nothing per call.
    std::string text;
    std::vector<unsigned char> attrs;
    std::vector<int> offsets;
};

#endif
