#ifndef PANNEX_TEXTUI_WIN_H
#define PANNEX_TEXTUI_WIN_H

#include "console/cell_string.h"
#include "console/keyboard.h"
#include "console/screen_cell.h"
#include "foundation/westring.h"

#include <memory>

// The attribute of windows created without a colour of their own.
extern unsigned char _video;

// A rectangle of the screen that the text interface draws in. It saves the
// cells it covers (and its shadow's) when it is created and puts them back
// when it is destroyed, so windows stack and unstack like on a text-mode
// screen: destroy them in the reverse order of creation. Dialogs and the
// full-screen viewers derive from it. Logic thread only, except for the
// progress windows, which their watcher thread creates and draws.
//
// Output positions are relative to the origin: the top-left corner, or the
// first cell inside the frame once a frame is drawn. Output is not clipped
// to the window; callers keep within it.
class Win
{
public:
    // x1, y1, x2, y2: the screen rectangle, ends inclusive. A negative x1
    // makes x2 the width and centres the window; a negative y1 makes y2 the
    // height and places the top at (lines - height) / -y1 (-2 centres, -3 a
    // third of the way down). colour >= 0 clears the window in it, else the
    // window takes _video and keeps what is under it. frame_colour >= 0
    // draws the double frame in it and, with the Shadows setting on and
    // no_shadow 0, a shadow where one fits on the screen.
    Win(int x1, int y1, int x2, int y2, int colour = -1, int frame_colour = -1, int no_shadow = 0);
    virtual ~Win();
    Win(const Win&) = delete;
    Win& operator=(const Win&) = delete;

    // The origin becomes (x1 + x, y1 + y).
    void SetOrigin(int x, int y);
    // Sets the window cursor and puts the console cursor there.
    void Goto(int x, int y);

    // attr < 0 writes in the window colour. The window cursor moves to the
    // end of the text. 8-bit text is in the console's code page.
    void puts_at(int x, int y, const char* text, int attr = -1);
    void puts_at(int x, int y, const wchar_t* text, int attr = -1);
    void puts(const char* text, int attr = -1);
    void puts(const wchar_t* text, int attr = -1);
    // Cells with their own attributes; the array form ends at a 0 cell.
    void putcs_at(int x, int y, const ScreenCell* cells);
    void putcs_at(int x, int y, const CellString& cells);
    void putcs(const ScreenCell* cells);
    void putcs(const CellString& cells);
    // Centred within the interior on relative line y.
    void PutCentre(int y, const char* text, int attr = -1);
    void PutCentre(int y, const wchar_t* text, int attr = -1);
    // Writes text, then highlights the first occurrence of each letter of
    // hot (its upper-case form first) in a colour that shows on the text's
    // background.
    void PutHot(int x, int y, const char* text, const char* hot, int attr = -1);
    // Word-wrapped text from (x, y), each further line from column 0.
    void PutParagraph(int x, int y, const char* text);
    void PutParagraph(int x, int y, const wchar_t* text);

    // Draws the double frame and moves the origin one cell in.
    void pu_paint(char frame_colour);
    void addshadow();
    // The cells under the window, plus its shadow area when shadow is set:
    // (width + 2) x (height + 1) then, width x height otherwise.
    [[nodiscard]] std::unique_ptr<ScreenCell[]> GetWin(char shadow) const;
    void PutWin(const ScreenCell* cells, char shadow);

    // hide != 0: the screen shows again what was there before the window
    // while the window's own cells are kept; 0 shows the window again.
    // Nothing happens when it already is in that state.
    void hide(char hide);
    bool hidden() const { return is_hidden; }
    // True when the event lies on the window; in any case m.x and m.y become
    // relative to the origin.
    bool click_in_win(_MEVENT& m) const;
    // Blanks from the window cursor to the right edge of the interior.
    void clreol(int attr = -1);
    // Fills the interior with blanks in the window colour, leaving top lines
    // at its top and bottom lines at its bottom as they are.
    void Clear();
    void Clear(int top, int bottom);
    // Moves a rectangle of the window n lines up (n > 0) or -n lines down,
    // filling the freed lines in the window colour.
    void Scroll(int x, int y, int w, int h, int n);

    int x1, y1, x2, y2;
    // Screen position of the relative (0, 0).
    int origin_x, origin_y;
    // Relative position after the last output.
    int cursor_x = 0, cursor_y = 0;
    unsigned char colour;
    bool shadow = false;
    bool framed = false;

protected:
    unsigned char attr_or_colour(int attr) const { return attr < 0 ? colour : static_cast<unsigned char>(attr); }
    // Number of columns PutParagraph and PutCentre may use.
    int inner_width() const { return (x2 - x1) - 2 * (origin_x - x1); }

private:
    int saved_width() const { return x2 - x1 + 1 + (shadow ? 2 : 0); }
    int saved_height() const { return y2 - y1 + 1 + (shadow ? 1 : 0); }
    // Interior bounds: inside the frame when there is one.
    int left() const { return framed ? x1 + 1 : x1; }
    int right() const { return framed ? x2 - 1 : x2; }
    int top() const { return framed ? y1 + 1 : y1; }
    int bottom() const { return framed ? y2 - 1 : y2; }

    std::unique_ptr<ScreenCell[]> saved;
    bool is_hidden = false;
};

// Turns the first n cells into the colours of a shadow: a black background,
// a normal foreground darkened to dark grey and a bright one to its normal
// form. The characters stay.
void modcolours(CellString& cells, int n);

#endif
