#ifndef PANNEX_TEXTUI_STRING_FIELD_H
#define PANNEX_TEXTUI_STRING_FIELD_H

#include "textui/dialog.h"

// Distance from the start of s to where Ctrl+Right goes: the end of the
// next word with the BriefWordRight setting on, the start of the next word
// with it off.
int WordRight(const wchar_t* s);

// An input field over a bound Westring, width cells wide, holding at most
// max_length characters. The text scrolls to keep the edit position in
// view; a field with a history shows an arrow right of it that opens the
// history list (so does Alt+Down). In a new field the first character or
// paste replaces the whole text.
class StringField : public DialogElement
{
public:
    StringField(Dialog& d, int x, int y, Westring& text, int width, int max_length, HistoryIndex history);

    int ProcessEvent(Event& ev) override;
    ElementType GetElementType() const override { return ElementStringField; }
    void Draw() override;
    // A non-empty text joins the field's history.
    void SaveToHistory() override;

    // Editing state, exposed for the dialogs that steer their fields.
    int Position() const { return pos; }
    // The selected span [start, end); empty when start == end.
    void Selection(int& start, int& end) const;

protected:
    // ProcessEvent without drawing: non-zero when the field took the event.
    int Handle(Event& ev);
    // A field over a text of its own (IntegerField).
    StringField(Dialog& d, int x, int y, int width, int max_length, HistoryIndex history);
    // Whether a printable character may be typed; a refused one is left to
    // the dialog (as a hot key).
    virtual bool Accepts(int) const { return true; }
    // Columns the edit position may reach beyond the width before the text
    // scrolls.
    virtual int ExtraColumn() const { return 0; }

private:
    int key(int k);
    int mouse(const Event& ev);
    bool has_selection() const { return anchor >= 0 && anchor != pos; }
    void delete_span(int from, int to);
    bool delete_selection();
    // Inserts at the position; false (and nothing changes) when the text
    // would grow past the maximum.
    bool insert(const Westring& s);
    int word_left(int from) const;
    void open_history();

    // The IntegerField's text; declared before `text`, which is then bound
    // to it.
    Westring own_text;

public:
    Westring& text;
    int width;
    int max_length;
    HistoryIndex history;

protected:
    int pos;

private:
    int offset = 0;
    // The selection's fixed end, or -1 for none.
    int anchor = -1;
    int drag_anchor = 0;
    bool mouse_down = false;
    bool literal_next = false;
    bool fresh = true;
};

// A number field: a StringField over its own text, bound to an int. Only
// the digits 0-9 can be typed; other printable keys are left to the dialog.
// With refresh_on_change, drawing rewrites the text only when the value
// changed from what the text says, so that a field being edited is left
// alone.
class IntegerField : public StringField
{
public:
    IntegerField(Dialog& d, int x, int y, int& value, int width, bool refresh_on_change, HistoryIndex history);

    int ProcessEvent(Event& ev) override;
    ElementType GetElementType() const override { return ElementIntegerField; }
    void Draw() override;

    int& value;
    bool refresh_on_change;

protected:
    bool Accepts(int k) const override { return k >= '0' && k <= '9'; }
    int ExtraColumn() const override { return 1; }
};

#endif
