#include "console/drawing_area_gtk.h"

#include "console/colours.h"
#include "console/console_window_gtk.h"

#include <algorithm>
#include <atomic>

namespace {

std::atomic<long long> painted_lines{0};

void put_utf8(std::string& out, wchar_t wc)
{
    auto c = static_cast<unsigned>(wc);
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}

CConsoleDrawingArea::CConsoleDrawingArea(CConsole& c) : con(c)
{
    for (int i = 0; i < 16; i++)
        colours[i].set_rgb(palette[i].red, palette[i].green, palette[i].blue);
    // The pixmap already double-buffers; GTK's own buffer would only copy
    // every expose twice.
    set_double_buffered(false);
}

CConsoleDrawingArea::~CConsoleDrawingArea() = default;

void CConsoleDrawingArea::SetFont(const Estring& family, int size, int c, int l)
{
    columns = c;
    lines = l;
    font = Pango::FontDescription();
    font.set_family(family.c_str());
    font.set_size(size * PANGO_SCALE);
    layout = create_pango_layout("A");
    layout->set_font_description(font);
    Pango::Rectangle ink, logical;
    layout->get_extents(ink, logical);
    cell_width = std::max(1, logical.get_width() / PANGO_SCALE);
    cell_height = std::max(1, logical.get_height() / PANGO_SCALE);
    set_size_request(columns * cell_width, lines * cell_height);
    pixmap.reset();
}

bool CConsoleDrawingArea::ensure_pixmap()
{
    if (pixmap)
        return true;
    Glib::RefPtr<Gdk::Window> win = get_window();
    if (!win)
        return false;
    pixmap = Gdk::Pixmap::create(win, columns * cell_width, lines * cell_height);
    gc = Gdk::GC::create(pixmap);
    // Everything the console holds goes into a new pixmap, so that paints
    // made before the window existed are not lost.
    for (int y = 0; y < lines; y++)
        paint_line(y, 0, columns - 1);
    queue_draw();
    return true;
}

void CConsoleDrawingArea::PaintCells(int x1, int y1, int x2, int y2)
{
    int c, l;
    con.GetSize(c, l);
    if (c != columns || l != lines)
        return;  // a resize is under way; its repaint follows
    x1 = std::max(x1, 0);
    y1 = std::max(y1, 0);
    x2 = std::min(x2, columns - 1);
    y2 = std::min(y2, lines - 1);
    if (x1 > x2 || y1 > y2)
        return;
    bool had_pixmap = bool(pixmap);
    if (!ensure_pixmap() || !had_pixmap)
        return;
    for (int y = y1; y <= y2; y++)
        paint_line(y, x1, x2);
    queue_draw_area(x1 * cell_width, y1 * cell_height, (x2 - x1 + 1) * cell_width, (y2 - y1 + 1) * cell_height);
}

void CConsoleDrawingArea::set_colour(int index)
{
    gc->set_rgb_fg_color(colours[index & 15]);
}

// One line: the backgrounds as rectangles, one per run, then all glyphs as
// one Pango layout with a foreground colour per run. A blank joins the run
// before it when its background matches, so blanks do not cut runs.
void CConsoleDrawingArea::paint_line(int y, int x1, int x2)
{
    painted_lines.fetch_add(1, std::memory_order_relaxed);
    CConsole::Rect sel;
    bool selected = con.GetSelection(sel);
    const ScreenCell* row = con.Row(y);
    int n = x2 - x1 + 1;
    attrs.resize(n);
    text.clear();
    offsets.assign(n + 1, 0);
    for (int i = 0; i < n; i++) {
        unsigned char a = row[x1 + i].attr;
        if (selected && sel.Includes(x1 + i, y))
            a = static_cast<unsigned char>((a << 4) | (a >> 4));
        attrs[i] = a;
        offsets[i] = static_cast<int>(text.size());
        put_utf8(text, painted_char(row[x1 + i].ch));
    }
    offsets[n] = static_cast<int>(text.size());

    PangoAttrList* list = pango_attr_list_new();
    int top = y * cell_height;
    for (int start = 0; start < n;) {
        unsigned char a = attrs[start];
        int end = start + 1;
        while (end < n && (attrs[end] == a || (row[x1 + end].ch == L' ' && (attrs[end] >> 4) == (a >> 4))))
            end++;
        set_colour(a >> 4);
        pixmap->draw_rectangle(gc, true, (x1 + start) * cell_width, top, (end - start) * cell_width, cell_height);
        const RGB16& fg = palette[a & 15];
        PangoAttribute* colour = pango_attr_foreground_new(fg.red, fg.green, fg.blue);
        colour->start_index = offsets[start];
        colour->end_index = offsets[end];
        pango_attr_list_insert(list, colour);
        start = end;
    }
    PangoLayout* pl = layout->gobj();
    pango_layout_set_text(pl, text.data(), static_cast<int>(text.size()));
    pango_layout_set_attributes(pl, list);
    pango_attr_list_unref(list);
    int width, height;
    pango_layout_get_pixel_size(pl, &width, &height);
    if (width == n * cell_width)
        gdk_draw_layout(pixmap->gobj(), gc->gobj(), x1 * cell_width, top, pl);
    else
        paint_cells_one_by_one(y, x1, x2);  // a glyph of another width

    int cx, cy;
    con.GetCursorPos(cx, cy);
    if (cy == y && cx >= x1 && cx <= x2 && con.CursorShown()) {
        int h = cell_height * con.GetCursorType() / 100;
        unsigned char a = attrs[cx - x1];
        bool dark = (a >> 4) <= 1;
        gc->set_rgb_fg_color(dark ? colours[15] : colours[0]);
        pixmap->draw_rectangle(gc, true, cx * cell_width, top + cell_height - h, cell_width, h);
    }
}

// Glyphs from fallback fonts may be wider or narrower than a cell; placing
// each cell on its own keeps the rest of the line in its columns.
void CConsoleDrawingArea::paint_cells_one_by_one(int y, int x1, int x2)
{
    PangoLayout* pl = layout->gobj();
    pango_layout_set_attributes(pl, nullptr);
    Gdk::Rectangle clip(x1 * cell_width, y * cell_height, (x2 - x1 + 1) * cell_width, cell_height);
    gc->set_clip_rectangle(clip);
    for (int i = 0; i <= x2 - x1; i++) {
        pango_layout_set_text(pl, text.data() + offsets[i], offsets[i + 1] - offsets[i]);
        set_colour(attrs[i] & 15);
        gdk_draw_layout(pixmap->gobj(), gc->gobj(), (x1 + i) * cell_width, y * cell_height, pl);
    }
    gdk_gc_set_clip_rectangle(gc->gobj(), nullptr);
}

void CConsoleDrawingArea::MoveRect(int x1, int y1, int x2, int y2, int dy)
{
    if (!pixmap)
        return;
    int h = y2 - y1 + 1 - std::abs(dy);
    if (h <= 0)
        return;
    int src = dy < 0 ? y1 - dy : y1;
    int dst = dy < 0 ? y1 : y1 + dy;
    pixmap->draw_drawable(gc, pixmap, x1 * cell_width, src * cell_height, x1 * cell_width, dst * cell_height,
                          (x2 - x1 + 1) * cell_width, h * cell_height);
    queue_draw_area(x1 * cell_width, y1 * cell_height, (x2 - x1 + 1) * cell_width, (y2 - y1 + 1) * cell_height);
}

bool CConsoleDrawingArea::on_expose_event(GdkEventExpose* ev)
{
    if (!ensure_pixmap())
        return true;
    get_window()->draw_drawable(gc, pixmap, ev->area.x, ev->area.y, ev->area.x, ev->area.y, ev->area.width,
                                ev->area.height);
    return true;
}

long long painted_line_count()
{
    return painted_lines.load(std::memory_order_relaxed);
}
