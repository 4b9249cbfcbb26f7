#include "command/exec_keys.h"

#include "command/completion.h"
#include "command/execute.h"
#include "command/quote_name.h"
#include "command/scroll_back.h"
#include "config/config.h"
#include "console/key_codes.h"
#include "fileops/shell_window.h"
#include "panels/clock.h"
#include "panels/key_commands.h"
#include "panels/panel.h"
#include "panels/panel_loop.h"
#include "panels/panel_windows.h"

namespace {

constexpr int KeyCtrlB = KEY_CTRL_A + 'B' - 'A';
constexpr int KeyCtrlW = KEY_CTRL_A + 'W' - 'A';

void scroll_back_command(int, PANEL_REQUEST& request)
{
    if (!config.ConsoleScrollback)
        return;
    EnablePanels(0);
    hide_clock();
    (void)ShowScrollBack();
    request.redraw = 2;
}

void manual_command(int, PANEL_REQUEST& request)
{
    if (open_manual(currpanel))
        request.redraw = 2;
}

// The desktop's file window on the current directory, started in the
// background like any command, so that the run is the same as typed.
void shell_window_command(int, PANEL_REQUEST& request)
{
    if (!panels_on())
        return;
    static const char* const browsers[] = {"xdg-open", "nautilus", "dolphin"};
    for (const char* b : browsers) {
        if (FindProgram(b, config.PathAppend).empty())
            continue;
        Westring dir = panel_base[currpanel].GetWD();
        Westring cmd = FileNameFromSys(b) + L" " + QuoteName(dir) + L" &";
        (void)run(cmd.c_str(), currpanel, L"", 0);
        request.redraw = 2;
        return;
    }
}

}

void bind_exec_commands()
{
    execute_hook = execute;
    completion_hook = [](Westring& line, int& cursor, PANEL* panel) { return FileCompletion(line, cursor, panel); };
    bind_key(KeyCtrlB, scroll_back_command);
    bind_key(KEY_SHIFT_F1, manual_command);
    bind_key(KeyCtrlW, shell_window_command);
}
