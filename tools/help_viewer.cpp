#include "tools/help_viewer.h"

#include "console/colours.h"
#include "console/console.h"
#include "console/key_codes.h"
#include "console/keyboard.h"
#include "fileops/file_system.h"
#include "foundation/program_name.h"
#include "textui/message_box.h"
#include "textui/textui_settings.h"
#include "textui/win.h"
#include "tools/help_file.h"

#include <algorithm>
#include <cstdio>
#include <vector>

const int help_topics_opened[15] = {
    HelpContents, HelpViewer, HelpEditor, HelpConfiguration, HelpHistory,
    HelpConfirmations, HelpFind, HelpAttributes, HelpCompare, HelpUserMenus,
    HelpIniFile, HelpMenuLeft, HelpMenuFiles, HelpMenuCommands, HelpMenuOptions,
};

namespace {

constexpr int TextWidth = 72;
constexpr wchar_t ArrowUp = 0x25B2;
constexpr wchar_t ArrowDown = 0x25BC;
constexpr wchar_t FrameSide = 0x2551;

// One topic on the screen: the window, its lines and the first line shown.
class CHelpWindow
{
public:
    CHelpWindow(int topic, std::vector<Westring> lines)
        : topic(topic), lines(std::move(lines)), rows(console.Lines() - 7),
          win(-1, -2, TextWidth + 2, console.Lines() - 5, ui_colour(ColourMessages), ui_colour(ColourMessages))
    {
        win.puts_at(2, -1, L" Help ");
        win.PutCentre(-1, L" " PANNEX_NAME " " PANNEX_VERSION " ");
        win.puts_at(57, rows, L" Esc to Exit ");
        Draw();
    }

    // Runs until the window is closed.
    void Run();

private:
    int last_top() const { return std::max(0, static_cast<int>(lines.size()) - rows); }
    void Draw();
    // Moves the first line shown by n (clamped); false when it stayed.
    bool ScrollBy(int n);
    // Scrolls while the mouse holds still, one step per scroll delay.
    void ScrollHeld(int step);

    int topic;
    std::vector<Westring> lines;
    int rows;
    int top = 0;
    Win win;
};

void CHelpWindow::Draw()
{
    console.BeginPaint();
    for (int y = 0; y < rows; y++) {
        int i = top + y;
        Westring text = i < static_cast<int>(lines.size()) ? lines[static_cast<size_t>(i)].left(TextWidth) : Westring();
        win.puts_at(0, y, text.pad(TextWidth, L' ').c_str());
    }
    wchar_t up[2] = {top > 0 ? ArrowUp : FrameSide, 0};
    wchar_t down[2] = {top < last_top() ? ArrowDown : FrameSide, 0};
    win.puts_at(TextWidth, 0, up);
    win.puts_at(TextWidth, rows - 1, down);
    console.EndPaint();
}

bool CHelpWindow::ScrollBy(int n)
{
    int to = std::clamp(top + n, 0, last_top());
    if (to == top)
        return false;
    top = to;
    Draw();
    return true;
}

void CHelpWindow::ScrollHeld(int step)
{
    // Stops at either end too, so a press held there does not spin.
    while (ScrollBy(step)) {
        if (CheckEvent())
            return;
        DosSleep(static_cast<unsigned>(std::max(*textui_settings.scroll_delay, 0)));
        if (CheckEvent())
            return;
    }
}

void CHelpWindow::Run()
{
    for (;;) {
        _MEVENT m{};
        int key = getkey(nullptr, &m, -1);
        switch (key) {
        case KEY_ESC:
        // F10 leaves as in the viewer and the editor.
        case KEY_F10:
            return;
        case KEY_UP:
            ScrollBy(-1);
            break;
        case KEY_DOWN:
            ScrollBy(1);
            break;
        case KEY_PGUP:
            ScrollBy(-rows);
            break;
        case KEY_PGDN:
            ScrollBy(rows);
            break;
        case KEY_HOME:
            ScrollBy(-top);
            break;
        case KEY_END:
            ScrollBy(last_top() - top);
            break;
        case KEY_F1:
            if (topic != HelpContents)
                help(HelpContents);
            break;
        case KEY_MOUSE: {
            bool inside = win.click_in_win(m);
            if (m.kind == MouseLeftRelease || m.kind == MouseRightRelease) {
                if (!inside)
                    return;
                break;
            }
            bool press = m.kind == MouseLeftPress || m.kind == MouseRightPress || m.kind == MouseLeftDrag ||
                         m.kind == MouseRightDrag;
            if (!press || !inside || m.y < 0 || m.y >= rows)
                break;
            bool right = m.kind == MouseRightPress || m.kind == MouseRightDrag;
            int step = right ? rows : 1;
            if (m.y < rows / 3)
                ScrollHeld(-step);
            else if (m.y >= rows - rows / 3)
                ScrollHeld(step);
            break;
        }
        default:
            break;
        }
    }
}

}

void help(int topic)
{
    if (!helptext) {
        error(L"Help not loaded", nullptr, MB_OK);
        return;
    }
    std::vector<Westring> lines;
    if (!helptext->Find(topic, lines)) {
        char text[40];
        std::snprintf(text, sizeof text, "Help topic %d not found", topic);
        error(Westring(text), nullptr, MB_OK);
        return;
    }
    CHelpWindow window(topic, std::move(lines));
    window.Run();
}
