#include "textui/check_box.h"

#include "console/console.h"
#include "console/key_codes.h"

CheckBox::CheckBox(Dialog& d, int ax, int ay, char& v, const char* text, bool after)
    : DialogElement(d, ax, ay, true), value(v), label_after(after)
{
    label = AddHotKey(text);
}

bool CheckBox::hit(const Event& ev) const
{
    if (ev.y != y)
        return false;
    if (ev.x >= x && ev.x < x + 3)
        return true;
    int lx = label_x();
    return ev.x >= lx && ev.x < lx + label.strlen();
}

int CheckBox::ProcessEvent(Event& ev)
{
    switch (ev.type) {
    case EventKey:
        if (ev.key == KEY_SPACE)
            Advance();
        else if (ev.key == KEY_INS)
            Set();
        else if (ev.key == KEY_DEL)
            Clear();
        else
            return 0;
        Draw();
        return 1;
    case EventLeftPress:
    case EventLeftRelease:
        if (!hit(ev))
            return 0;
        if (ev.type == EventLeftPress) {
            dialog->ChangeFocus(index);
        } else {
            Advance();
            Draw();
        }
        return 1;
    default:
        return 0;
    }
}

void CheckBox::ProcessHotKey()
{
    dialog->ChangeFocus(index);
    Advance();
    Draw();
}

void CheckBox::Draw()
{
    unsigned char attr = dialog->Colour(ColourNormal);
    wchar_t box[] = {L'[', Mark(), L']', 0};
    dialog->puts_at(x, y, box, attr);
    PutHot(label_x(), y, label.c_str(), attr, false);
    // The focused box shows the cursor on its mark.
    if (HasFocus()) {
        dialog->Goto(x + 1, y);
        console.SetCursorType(15);
    }
}
