#include "panels/key_bar.h"

#include "config/config.h"
#include "console/colours.h"
#include "console/key_codes.h"

#include <algorithm>
#include <cstring>
#include <vector>

const char* const key_bar_text[8][10] = {
    {"1Help", "2Menu", "3View", "4Edit", "5Copy", "6RenMov", "7Mkdir", "8Delete", "9PullDn", "10Quit"},
    {"1Left", "2Right", "3View..", "4Edit..", "5DStore", "6Object", "7Find", "8Histry", "9EGA Ln", "10Tree"},
    {"1Left", "2Right", "3Name", "4Exten", "5Time", "6Size", "7Unsort", "8Revers", "9", "10"},
    {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"},
    {"1Manual", "2MnMenu", "3View..", "4Edit..", "5Copy", "6Rename", "7MkArch", "8DelOne", "9SavSet", "10MenuRe"},
    {"1Brief", "2Full", "3Wide", "4BriefW", "5Unix", "6", "7FindRC", "8DirHst", "9ColChg", "10"},
    {"1", "2", "3View..", "4Edit..", "5SymLnk", "6", "7", "8", "9", "10"},
    {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"},
};

int key_bar_row(unsigned state)
{
    return (state & STATE_ALT ? 1 : 0) + (state & STATE_CONTROL ? 2 : 0) + (state & STATE_SHIFT ? 4 : 0);
}

void puts_bar(unsigned state)
{
    int cols = console.Columns();
    int slot = cols / 10;
    unsigned char bar = config.Colours[ColourMenuBar];
    unsigned char number = config.Colours[ColourCommandLine];
    std::vector<ScreenCell> row(cols + 1, ScreenCell(L' ', bar));
    row[cols] = ScreenCell(0, 0);
    const char* const* labels = key_bar_text[key_bar_row(state)];
    for (int i = 0; i < 10; i++) {
        int x = i * slot;
        int digits = i == 9 ? 2 : 1;
        if (i > 0)
            row[x - 1].attr = number;
        for (int k = 0; k < digits; k++)
            row[x + k].attr = number;
        const char* label = labels[i];
        int n = std::min(static_cast<int>(std::strlen(label)), cols - x);
        for (int k = 0; k < n; k++)
            row[x + k].ch = static_cast<unsigned char>(label[k]);
    }
    console.PutStringAt(0, console.Lines() - 1, row.data());
}

int key_bar_value(const _MEVENT& m)
{
    int width = console.Columns() / 10;
    int slot = std::min(9, (m.x + 1) / (width > 0 ? width : 1));
    bool right = m.kind == MouseRightPress || m.kind == MouseRightDrag || m.kind == MouseRightRelease;
    if (right || (m.state & STATE_ALT))
        return KEY_ALT_F1 + slot;
    if (m.state & STATE_SHIFT)
        return KEY_SHIFT_F1 + slot;
    if (m.state & STATE_CONTROL)
        return KEY_CTRL_F1 + slot;
    return KEY_F1 + slot;
}
