#include "menus/option_dialogs.h"

#include "config/config.h"
#include "console/colours.h"
#include "console/console.h"
#include "console/key_codes.h"
#include "foundation/program_name.h"
#include "panels/clock.h"
#include "panels/country_info.h"
#include "panels/panel.h"
#include "panels/panel_display.h"
#include "panels/read_panel.h"
#include "panels/screen_geometry.h"
#include "textui/dialog.h"
#include "textui/textui_settings.h"
#include "tools/help_viewer.h"

namespace {

constexpr int ConfirmationBoxes = 5;

// Runs d until it ends with anything but its Help button or F1, which
// show the help topic and keep the dialog open.
int run_with_help(Dialog& d, int topic)
{
    d.AddExitKey(KEY_F1);
    for (;;) {
        int r = d.Process();
        if (r != ResultHelp && r != KEY_F1)
            return r;
        help(topic);
    }
}

}

void edit_confirmations()
{
    static const char* const labels[ConfirmationBoxes] = {
        "Delete File/Empty Directory", "Delete Tagged Files", "Delete Non-empty Directory", "Quit " PANNEX_NAME,
        "\"YES\" prompt for Non-Empty Directory",
    };
    char checked[ConfirmationBoxes];
    for (int i = 0; i < ConfirmationBoxes; i++)
        checked[i] = (config.Confirmations & (1 << i)) ? 0 : 1;
    Dialog d(-1, 5, 44, 14, ui_colour(ColourMessages));
    d.PutCentre(-1, L" Confirmations ");
    for (int i = 0; i < ConfirmationBoxes; i++)
        d.AddCheckBox(1, 1 + i, i == 0 ? 1 : 0, checked[i], labels[i], 1);
    d.AddPushButton(7, 7, 1, RESULT_ACCEPT, "OK");
    d.AddPushButton(15, 7, 0, RESULT_CANCEL, "Cancel");
    d.AddPushButton(27, 7, 0, ResultHelp, "Help");
    if (run_with_help(d, HelpConfirmations) != RESULT_ACCEPT)
        return;
    int bits = 0;
    for (int i = 0; i < ConfirmationBoxes; i++)
        if (!checked[i])
            bits |= 1 << i;
    config.Confirmations = bits;
}

void edit_config()
{
    CONFIG before = config;
    bool accepted = false;
    char boxes[4] = {config.AutoSave, config.XClipboard, config.EscPanelSwitch, config.SizeCountPause};
    {
        Dialog d(-1, -3, 76, 19, ui_colour(ColourMessages));
        d.PutCentre(-1, L" Configuration ");
        const struct { int x, y; const char* label; Westring* value; char group; } fields[] = {
            {20, 1, "Viewer:", &config.Viewer, 1},
            {10, 2, "Alternate Viewer:", &config.Viewer2, 0},
            {20, 3, "Editor:", &config.Editor, 0},
            {10, 4, "Alternate Editor:", &config.Editor2, 0},
            {4, 6, "Left Startup Directory:", &config.Left, 1},
            {3, 7, "Right Startup Directory:", &config.Right, 0},
            {3, 9, "Separate Session Prefix:", &config.Background, 1},
            {7, 10, "Tree Data Directory:", &config.TreeDir, 0},
            {2, 11, "Case Filter File Systems:", &config.CaseFilter, 0},
            {12, 12, "Path Extension:", &config.PathAppend, 0},
        };
        for (const auto& f : fields) {
            d.AddStaticText(f.x, f.y, f.label);
            d.AddStringField(28, f.y, f.group, *f.value, 20, -1, NoHistory);
        }
        const char* box_labels[4] = {"Auto Save", "Use X clipboard", "ESC Panel Switch", "Size Count Pause"};
        for (int i = 0; i < 4; i++)
            d.AddCheckBox(51, 1 + i, i == 0 ? 1 : 0, boxes[i], box_labels[i], 1);
        d.AddStaticText(59, 6, "Lines");
        d.AddIntField(65, 6, 1, config.Lines, 3, 0);
        d.AddStaticText(57, 7, "Columns");
        d.AddIntField(65, 7, 0, config.Columns, 3, 0);
        d.AddStaticText(52, 8, "Scroll Delay");
        d.AddIntField(65, 8, 0, config.ScrollDelay, 3, 0);
        d.AddStaticText(50, 10, "Time Mode");
        d.AddRadioButton(61, 10, 2, config.TimeMode, 12, "12 HR");
        d.AddRadioButton(61, 11, 0, config.TimeMode, 24, "24 HR");
        d.AddPushButton(23, 16, 1, RESULT_ACCEPT, "OK");
        d.AddPushButton(31, 16, 0, RESULT_CANCEL, "Cancel");
        d.AddPushButton(43, 16, 0, ResultHelp, "Help");
        accepted = run_with_help(d, HelpConfiguration) == RESULT_ACCEPT;
        if (accepted) {
            config.AutoSave = boxes[0];
            config.XClipboard = boxes[1];
            config.EscPanelSwitch = boxes[2];
            config.SizeCountPause = boxes[3];
        } else {
            // The geometry is the console's, not the dialog's to restore.
            int rows = config.ScreenRows, cols = config.ScreenColumns, height = config.PanelHeight;
            config = before;
            config.ScreenRows = rows;
            config.ScreenColumns = cols;
            config.PanelHeight = height;
        }
    }
    console.SetCursorType(0);
    if (accepted) {
        // The code page and the time mode change how the panels look.
        country_info();
        panel_refresh();
    }
    if (!(config.Lines == before.Lines && config.Columns == before.Columns)) {
        if (config.Lines)
            config.ScreenRows = config.Lines;
        if (config.Columns)
            config.ScreenColumns = config.Columns;
        change_lines();
    }
    init_clock();
}
