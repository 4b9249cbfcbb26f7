#ifndef PANNEX_TEXTUI_PUSH_BUTTON_H
#define PANNEX_TEXTUI_PUSH_BUTTON_H

#include "textui/dialog.h"

// "[ label ]": Space, Enter, a click or its hot key end the dialog with the
// button's result (its id).
class PushButton : public DialogElement
{
public:
    PushButton(Dialog& d, int x, int y, int result, const char* label);
    // Cells a button with this label takes: the label without its "_" and
    // four for the brackets and blanks.
    static int Width(const char* label);

    int ProcessEvent(Event& ev) override;
    void ProcessHotKey() override { dialog->SetResult(id); }
    ElementType GetElementType() const override { return ElementPushButton; }
    void Draw() override;

    Estring label;
};

#endif
