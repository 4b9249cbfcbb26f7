#include "textui/radio_button.h"

#include "console/console.h"

RadioButton::RadioButton(Dialog& d, int ax, int ay, int& var, int val, const char* text)
    : DialogElement(d, ax, ay, true), variable(var), value(val)
{
    label = AddHotKey(text);
}

int RadioButton::ProcessEvent(Event& ev)
{
    if (ev.type != EventLeftPress || ev.y != y || ev.x < x || ev.x >= x + 4 + label.strlen())
        return 0;
    dialog->ChangeFocus(index);
    return 1;
}

void RadioButton::FocusChange(int gained)
{
    if (gained)
        variable = value;
    Draw();
}

void RadioButton::Draw()
{
    unsigned char attr = dialog->Colour(ColourNormal);
    wchar_t mark[] = {L'(', variable == value ? L'\u2022' : L' ', L')', 0};
    dialog->puts_at(x, y, mark, attr);
    PutHot(x + 4, y, label.c_str(), attr, false);
    if (HasFocus()) {
        dialog->Goto(x + 1, y);
        console.SetCursorType(15);
    }
}
