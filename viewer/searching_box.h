#ifndef PANNEX_VIEWER_SEARCHING_BOX_H
#define PANNEX_VIEWER_SEARCHING_BOX_H

#include "console/colours.h"
#include "textui/textui_settings.h"
#include "textui/win.h"

// The 16 x 7 box that stands while the viewer searches or counts lines.
class CSearchingBox : public Win
{
public:
    CSearchingBox() : Win(-1, -2, 16, 7, ui_colour(ColourMessages), ui_colour(ColourMessages))
    {
        PutCentre(2, L"Searching...");
    }
};

#endif
