#include "menus/history_panel.h"

#include "command/execute.h"
#include "config/command_history.h"
#include "console/colours.h"
#include "console/console.h"
#include "console/key_codes.h"
#include "panels/panel.h"
#include "textui/dialog.h"
#include "textui/list_box.h"
#include "textui/message_box.h"
#include "textui/textui_settings.h"
#include "tools/help_viewer.h"

#include <algorithm>

Westring chWord;

namespace {

constexpr int KeyShiftF7 = KEY_SHIFT_F1 + 6;
constexpr int KeyAltF7 = KEY_ALT_F1 + 6;

// The search dialog of F7: true when the user entered a text.
bool ask_search_word()
{
    Dialog d(-1, -4, 60, 4, ui_colour(ColourMessages));
    d.AddStaticText(1, 0, "Search:");
    d.AddStringField(1, 1, 1, chWord, 55, -1);
    return d.Process() == RESULT_ACCEPT && !chWord.empty();
}

// The list width: the longest command, at least 8, rounded up to an even
// number, plus 2, at most cols - 6.
int list_width()
{
    int longest = std::max(8, history_longest());
    longest += longest & 1;
    return std::min(longest + 2, console.Columns() - 6);
}

}

int history_search(const Westring& word, int from, int dir)
{
    Westring upper = word.upcase();
    for (int i = from; i >= 0 && i < history.count; i += dir)
        if (history.At(i)->upcase().instr(upper) >= 0)
            return i;
    return -1;
}

void run_history_command(int side, const Westring& command, bool background)
{
    (void)execute(panel_base, side, command.c_str(), background ? 1 : 0);
}

int history_panel(int side, Westring& commandLine, int& cursor)
{
    if (history.count == 0)
        return HistoryNothing;
    int width = list_width();
    int height = std::min(history.count, console.Lines() - 6);
    int selection = history.count - 1;
    Dialog d(-1, -3, width + 2, height + 2, ui_colour(ColourMenu));
    d.PutCentre(-1, L" History ");
    int list = d.AddListBox(0, 0, 1, width, height, history, selection, -1);
    auto* box = static_cast<ListBoxBase*>(d.Element(list));
    int result = HistoryNothing;
    for (;;) {
        int r = d.Process();
        if (r == RESULT_CANCEL)
            return result;
        Westring command = *history.At(selection);
        switch (r) {
        case RESULT_ACCEPT:
        case KEY_ALT_RETURN:
            run_history_command(side, command, r == KEY_ALT_RETURN);
            return HistoryRan;
        case KEY_CTRL_RETURN:
            commandLine = command;
            cursor = commandLine.strlen();
            return HistoryFilledLine;
        case KEY_DEL:
            if (error(L"Remove command from history?", nullptr, MB_OK_CANCEL | MB_MESSAGE) != ANSWER_YES)
                break;
            (void)RemoveFromHistory(command);
            history[selection];
            history.DestroyCurrent();
            history_changed();
            if (history.count == 0)
                return result;
            selection = std::min(selection, history.count - 1);
            {
                Event ev;
                ev.type = EventListLength;
                ev.key = history.count;
                d.SendMessage(list, ev);
            }
            break;
        case KEY_F1 + 6:
        case KeyShiftF7:
        case KeyAltF7: {
            if (r == KEY_F1 + 6 && !ask_search_word())
                break;
            if (chWord.empty())
                break;
            int from = r == KEY_F1 + 6 ? selection : r == KeyShiftF7 ? selection - 1 : selection + 1;
            int found = history_search(chWord, from, r == KeyAltF7 ? 1 : -1);
            if (found < 0)
                (void)error(L"String not found", nullptr, MB_MESSAGE);
            else
                selection = found;
            break;
        }
        case KEY_F1:
            help(HelpHistory);
            break;
        default:
            break;
        }
        box->Draw();
    }
}
