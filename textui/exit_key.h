#ifndef PANNEX_TEXTUI_EXIT_KEY_H
#define PANNEX_TEXTUI_EXIT_KEY_H

#include "textui/dialog.h"

// An invisible element: its key ends the dialog with the key as result.
class ExitKey : public DialogElement
{
public:
    ExitKey(Dialog& d, int key) : DialogElement(d, 0, 0, false, key) {}
    ElementType GetElementType() const override { return ElementExitKey; }
    void ProcessHotKey() override { dialog->SetResult(id); }
};

#endif
