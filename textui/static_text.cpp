#include "textui/static_text.h"

StaticText::StaticText(Dialog& d, int ax, int ay, const wchar_t* t, unsigned char a)
    : DialogElement(d, ax, ay, false), text(t), attr(a)
{
}

void StaticText::Draw()
{
    int a = attr ? attr : dialog->Colour(ColourNormal);
    if (x < 0)
        dialog->PutCentre(y, text.c_str(), a);
    else
        dialog->puts_at(x, y, text.c_str(), a);
}
