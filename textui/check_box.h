#ifndef PANNEX_TEXTUI_CHECK_BOX_H
#define PANNEX_TEXTUI_CHECK_BOX_H

#include "textui/dialog.h"

// "[X]" at (x, y) over a bound char, 0 or 1. The label starts at x + 5 when
// label_after is set, else it ends two columns left of the box; a click on
// it counts as one on the box. Space toggles, Insert sets, Delete clears.
class CheckBox : public DialogElement
{
public:
    CheckBox(Dialog& d, int x, int y, char& value, const char* label, bool label_after);

    int ProcessEvent(Event& ev) override;
    // Focuses and toggles.
    void ProcessHotKey() override;
    ElementType GetElementType() const override { return ElementCheckBox; }
    void Draw() override;

    char& value;
    Estring label;
    bool label_after;

protected:
    // Space, Insert and a click.
    virtual void Advance() { value = !value; }
    // Insert and Delete.
    virtual void Set() { value = 1; }
    virtual void Clear() { value = 0; }
    virtual wchar_t Mark() const { return value ? L'X' : L' '; }
    int label_x() const { return label_after ? x + 5 : x - 1 - label.strlen(); }
    bool hit(const Event& ev) const;
};

// The same box over three states, shown as a blank, a middle dot and X;
// Space, Insert and a click step 0, 1, 2, 0; Delete does nothing.
class CheckBox3S : public CheckBox
{
public:
    using CheckBox::CheckBox;
    ElementType GetElementType() const override { return ElementCheckBox3S; }

protected:
    void Advance() override { value = static_cast<char>((value + 1) % 3); }
    void Set() override { Advance(); }
    void Clear() override {}
    wchar_t Mark() const override { return value == 0 ? L' ' : value == 1 ? L'\u00B7' : L'X'; }
};

#endif
