#ifndef PANNEX_TEXTUI_STATIC_TEXT_H
#define PANNEX_TEXTUI_STATIC_TEXT_H

#include "textui/dialog.h"

// A text that cannot take the focus. x < 0 centres it on its line; attr 0
// writes it in the dialog colour.
class StaticText : public DialogElement
{
public:
    StaticText(Dialog& dialog, int x, int y, const wchar_t* text, unsigned char attr);
    ElementType GetElementType() const override { return ElementStaticText; }
    void Draw() override;

    Westring text;
    unsigned char attr;
};

#endif
