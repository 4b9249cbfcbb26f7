#ifndef PANNEX_TEXTUI_COLOUR_SELECTOR_H
#define PANNEX_TEXTUI_COLOUR_SELECTOR_H

#include "textui/list_box.h"

// A list of names, each shown in its own attribute from colours, the
// selected one between ">" and "<". On the selected entry "f" and "F" step
// its foreground forwards and backwards, "b" and "B" its background, each
// wrapping within 0-15 and leaving the other half alone. Edits colours in
// place.
class ColourSelector : public ListBoxString
{
public:
    ColourSelector(Dialog& d, int x, int y, int width, int height, const char* const* names, unsigned char* colours,
                   int count, int& selection, int exit_code);

    int ProcessEvent(Event& ev) override;
    ElementType GetElementType() const override { return ElementColourSelector; }
    void DrawLine(int line, int item, unsigned char attr) override;

    unsigned char* colours;
};

#endif
