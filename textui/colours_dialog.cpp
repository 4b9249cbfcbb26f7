#include "textui/colours_dialog.h"

#include "foundation/program_name.h"
#include "textui/dialog.h"
#include "textui/textui_settings.h"

#include <cstring>

int change_colours()
{
    unsigned char working[ColourCount];
    std::memcpy(working, textui_settings.colours, sizeof(working));
    int selection = 0;
    int result;
    {
        Dialog dlg(-1, -2, 32, 21, ui_colour(ColourMessages));
        dlg.PutCentre(-1, " " PANNEX_NAME " Colours ");
        dlg.AddColourSelector(1, 1, 1, 28, 13, colour_names, working, ColourCount, selection, 0);
        dlg.AddStaticText(-1, 15, "F=Foreground B=Background");
        dlg.AddStaticText(-1, 16, "Shift-F/B=Change Backwards");
        dlg.AddPushButton(6, 18, 1, RESULT_ACCEPT, "_OK");
        dlg.AddPushButton(14, 18, 0, RESULT_CANCEL, "Cancel");
        result = dlg.Process();
    }
    if (result == RESULT_CANCEL)
        return -1;
    working[ColourMenuQuickKey] &= 0x0F;
    std::memcpy(textui_settings.colours, working, sizeof(working));
    return 0;
}
