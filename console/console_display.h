#ifndef PANNEX_CONSOLE_CONSOLE_DISPLAY_H
#define PANNEX_CONSOLE_CONSOLE_DISPLAY_H

#include "foundation/estring.h"

// What the console needs from a window: the only way the console core
// reaches the toolkit. Every operation does nothing here, which is the
// console without a window (tests, and the time before the window opens).
// The GTK window implements it in the console's _gtk library.
//
// Calls come from the logic thread, and from the toolkit thread while it
// handles input (selection painting, clipboard); an implementation takes
// the toolkit lock itself, and that lock is recursive. Rectangles are in
// cells, ends inclusive.
class CConsoleDisplay
{
public:
    virtual ~CConsoleDisplay() = default;

    // Guards what the painter reads against the logic thread replacing it
    // (the cell array on a resize, the selection); recursive.
    virtual void Lock() {}
    virtual void Unlock() {}
    // The screen was reallocated at columns x lines; family and size are
    // the font to paint with (points).
    virtual void Resize(int /*columns*/, int /*lines*/, const Estring& /*family*/, int /*size*/) {}
    // Paints the cells of the rectangle x1..x2, y1..y2 from the console.
    virtual void Paint(int /*x1*/, int /*y1*/, int /*x2*/, int /*y2*/) {}
    // The cells of the rectangle moved by dy lines (negative: up); moves the
    // painted pixels the same way. The console then paints the freed lines.
    virtual void MoveRect(int /*x1*/, int /*y1*/, int /*x2*/, int /*y2*/, int /*dy*/) {}
    virtual void Beep() {}
    // Returns once the window system has carried out every drawing request
    // made so far (a round trip); for measuring.
    virtual void Sync() {}
    virtual void SetTitle(const Estring& /*utf8*/) {}
    // Image files by path bytes; files that cannot be loaded are skipped.
    virtual void SetIcons(const Estring* /*files*/, int /*count*/) {}
    virtual void PutClipText(const Estring& /*utf8*/) {}
    // The clipboard's text as UTF-8; empty when there is none.
    virtual Estring GetClipText() { return Estring(); }
};

#endif
