#ifndef PANNEX_TEXTUI_PROGRESS_INDICATOR_H
#define PANNEX_TEXTUI_PROGRESS_INDICATOR_H

#include "textui/dialog.h"

// A bar of width cells showing fraction (0 to 1; beyond either end the bar
// is empty or full). It cannot take the focus; whoever changes the fraction
// redraws it.
class ProgressIndicator : public DialogElement
{
public:
    ProgressIndicator(Dialog& d, int x, int y, int width, float& fraction);
    ElementType GetElementType() const override { return ElementProgressIndicator; }
    void Draw() override;

    int width;
    float& fraction;
};

#endif
