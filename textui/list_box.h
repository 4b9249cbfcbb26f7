#ifndef PANNEX_TEXTUI_LIST_BOX_H
#define PANNEX_TEXTUI_LIST_BOX_H

#include "textui/dialog.h"

#include <memory>

// A window of height lines over count items with a selection bound to the
// caller's int. Home, End, Up, Down, PgUp and PgDn move the selection;
// Enter ends the dialog with the exit code when it is positive, else
// accepts it. With exit code -1 any other key ends the dialog with the key
// as result. Otherwise typed characters search incrementally: the first
// item from the selection on, wrapping, whose search text begins with what
// was typed (ignoring case) is selected; a character that matches nothing
// is dropped again.
//
// Mouse: a click selects, a double click accepts (so does a release with
// exit code -1), and pressing just above or below the list scrolls it one
// item at a time, the ScrollDelay setting apart, until any input arrives.
//
// Another thread that changes the items holds the dialog's mutex and tells
// the list with SendMessage: EventListLength with the new count, or
// EventListRedraw.
class ListBoxBase : public DialogElement
{
public:
    ListBoxBase(Dialog& d, int x, int y, int width, int height, int count, int& selection, int exit_code);

    int ProcessEvent(Event& ev) override;
    ElementType GetElementType() const override { return ElementListBox; }
    // Only the lines whose look changed are drawn again while the top item
    // stays.
    void Draw() override;
    // Screen line `line` of the list shows item `item` in attr.
    virtual void DrawLine(int line, int item, unsigned char attr) = 0;
    // The text the incremental search compares with; empty finds nothing.
    virtual Westring SeekString(int) const { return Westring(); }
    // Selects the first item whose search text begins with value.
    void Seek(const Westring& value);

    int width, height, count;
    int& selection;
    int exit_code;
    int top = 0;
    Westring search;

protected:
    // What the dialog result becomes when the list accepts.
    void accept();

private:
    int key(int k);
    int mouse(const Event& ev);
    // The first item from `from` on, wrapping, whose search text begins
    // with s; -1 for none.
    int find(const Westring& s, int from) const;
    void set_search(const Westring& s);
    void scroll_while_pressed(int dir);
    void draw_line(int line);

    std::unique_ptr<Win> search_win;
    bool full_redraw = true;
    int drawn_top = -1;
    int drawn_selection = -1;
    bool drawn_focus = false;
};

// A list over a C array of 8-bit texts in the program's code page. It has
// no search texts: typed characters are taken and do nothing.
class ListBoxString : public ListBoxBase
{
public:
    ListBoxString(Dialog& d, int x, int y, int width, int height, const char* const* items, int count,
                  int& selection, int exit_code);
    void DrawLine(int line, int item, unsigned char attr) override;

    const char* const* items;
};

// A list over a store of 8-bit texts in the program's code page.
class ListBoxEstring : public ListBoxBase
{
public:
    ListBoxEstring(Dialog& d, int x, int y, int width, int height, TObjectStore<Estring>& items, int& selection,
                   int exit_code);
    void DrawLine(int line, int item, unsigned char attr) override;
    Westring SeekString(int item) const override;

    TObjectStore<Estring>& items;
};

class ListBoxWestring : public ListBoxBase
{
public:
    ListBoxWestring(Dialog& d, int x, int y, int width, int height, TObjectStore<Westring>& items,
                    int& selection, int exit_code);
    void DrawLine(int line, int item, unsigned char attr) override;
    Westring SeekString(int item) const override;

    TObjectStore<Westring>& items;
};

#endif
