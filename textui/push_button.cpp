#include "textui/push_button.h"

#include "console/key_codes.h"

#include <cstring>

PushButton::PushButton(Dialog& d, int ax, int ay, int result, const char* text)
    : DialogElement(d, ax, ay, true, result)
{
    label = AddHotKey(text);
}

int PushButton::Width(const char* label)
{
    int n = static_cast<int>(std::strlen(label));
    return n + 4 - (std::strchr(label, '_') ? 1 : 0);
}

int PushButton::ProcessEvent(Event& ev)
{
    switch (ev.type) {
    case EventKey:
        if (ev.key != KEY_SPACE && ev.key != KEY_RETURN)
            return 0;
        dialog->SetResult(id);
        return 1;
    case EventLeftPress:
    case EventLeftRelease:
        if (ev.y != y || ev.x < x || ev.x >= x + label.strlen() + 4)
            return 0;
        if (ev.type == EventLeftPress)
            dialog->ChangeFocus(index);
        else
            dialog->SetResult(id);
        return 1;
    default:
        return 0;
    }
}

void PushButton::Draw()
{
    bool focused = HasFocus();
    Estring text = "[ " + label + " ]";
    unsigned char attr = dialog->Colour(focused ? ColourFocusButton : ColourNormal);
    PutHot(x, y, text.c_str(), attr, !focused && dialog->DefaultResult() == id);
}
