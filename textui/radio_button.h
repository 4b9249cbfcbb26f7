#ifndef PANNEX_TEXTUI_RADIO_BUTTON_H
#define PANNEX_TEXTUI_RADIO_BUTTON_H

#include "textui/dialog.h"

// "( )" at (x, y), the label at x + 4: one choice of a group of buttons
// bound to the same variable. Taking the focus selects it (variable =
// value), so the arrow keys move the choice within the group.
class RadioButton : public DialogElement
{
public:
    RadioButton(Dialog& d, int x, int y, int& variable, int value, const char* label);

    int ProcessEvent(Event& ev) override;
    ElementType GetElementType() const override { return ElementRadioButton; }
    void FocusChange(int gained) override;
    void Draw() override;

    int& variable;
    int value;
    Estring label;
};

#endif
