#include "panels/main_loop.h"

#include "config/command_history.h"
#include "config/config.h"
#include "config/ini_file.h"
#include "console/console.h"
#include "console/key_codes.h"
#include "console/keyboard.h"
#include "fileops/file_system.h"
#include "foundation/program_name.h"
#include "panels/clock.h"
#include "panels/command_line.h"
#include "panels/key_bar.h"
#include "panels/key_commands.h"
#include "panels/panel_commands.h"
#include "panels/panel_loop.h"
#include "panels/panel_mouse.h"
#include "panels/selection.h"
#include "panels/panel_windows.h"
#include "panels/screen_geometry.h"
#include "panels/startup.h"
#include "textui/collapse_path.h"
#include "textui/message_box.h"

#include <cwctype>

unsigned long unhandled_keys = 0;

namespace {

constexpr int CursorUnderline = 15;

// What the loop keeps from one iteration to the next.
struct LOOPSTATE
{
    COMMANDLINE cl;
    // 0 nothing, 1 the command line, 2 also the key bar and the title.
    int redraw = 2;
    // The modifier state the key bar shows; -1 before the first drawing.
    int bar_state = -1;
    // The key-bar key a mouse press recorded, dispatched on its release.
    int bar_press = 0;
    // The panel cursor must be drawn again before the next wait.
    bool cursor = true;
    // A key the quick search read and left for the loop to dispatch.
    int pending = 0;
    bool quit = false;
};

// The directory the prompt and the title show.
Westring prompt_directory()
{
    return panels_directory();
}

bool is_printable(int key)
{
    return key >= 32 && key < KEY_EXTENDED && key != 127;
}

// F10: quits unless the quit confirmation is on and not answered yes.
bool confirm_quit()
{
    if (config.Confirmations & ConfirmQuit)
        return true;
    char answer = error(L"Are you sure you want to exit " PANNEX_NAME " ?", nullptr, MB_OK_CANCEL);
    return answer == 'y' || answer == 'Y';
}

// The editing and browsing keys of the command line; false for keys it
// does not know.
bool command_line_key(LOOPSTATE& s, int key)
{
    COMMANDLINE& cl = s.cl;
    switch (key) {
    case KEY_BACKSPACE:
        cl_backspace(cl);
        break;
    case KEY_DEL:
        cl_delete(cl);
        break;
    // With the panels off, Home and End move on the command line.
    case KEY_HOME:
    case KEY_CTRL_HOME:
        cl_move(cl, 0);
        break;
    case KEY_END:
    case KEY_CTRL_END:
        cl_move(cl, cl.text.strlen());
        break;
    case KEY_CTRL_A + 'S' - 'A':
    case KEY_ALT_LEFT:
    case KEY_LEFT:
        cl_move(cl, cl.cursor - 1);
        break;
    case KEY_CTRL_A + 'D' - 'A':
    case KEY_ALT_RIGHT:
    case KEY_RIGHT:
        cl_move(cl, cl.cursor + 1);
        break;
    case KEY_CTRL_LEFT:
        cl_word_left(cl);
        break;
    case KEY_CTRL_RIGHT:
        cl_word_right(cl);
        break;
    case KEY_CTRL_BACKSPACE:
        cl_delete_word_left(cl);
        break;
    case KEY_CTRL_DEL:
        cl_delete_word_right(cl);
        break;
    case KEY_INS | KEY_SHIFT_FLAG:
        cl_paste_clipboard(cl);
        break;
    case KEY_CTRL_INS:
        cl_copy_clipboard(cl);
        break;
    case KEY_CTRL_A + 'E' - 'A':
    case KEY_CTRL_UP:
    case KEY_UP:
        hist_previous(cl);
        break;
    case KEY_CTRL_A + 'X' - 'A':
    case KEY_CTRL_DOWN:
    case KEY_DOWN:
        hist_next(cl);
        break;
    case KEY_CTRL_RETURN:  // also Ctrl+J
        hist_prefix_search(cl, false);
        break;
    case KEY_ALT_RETURN | KEY_SHIFT_FLAG:  // Ctrl+Shift+Return
        hist_prefix_search(cl, true);
        break;
    case KEY_CTRL_TAB:
        if (completion_hook)
            completion_hook(cl.text, cl.cursor, &panel_base[currpanel]);
        break;
    default:
        return false;
    }
    return true;
}

void dispatch_key(LOOPSTATE& s, int key, _MEVENT& m)
{
    PANEL_REQUEST request;
    request.command_line = &s.cl;
    if (KeyCommand command = bound_command(key)) {
        command(key, request);
        s.redraw = s.redraw > request.redraw ? s.redraw : request.redraw;
        s.pending = request.pending;
        return;
    }
    if (selection_key(key, m.state, request) || panel_command(key, m, s.cl, request)) {
        s.redraw = s.redraw > request.redraw ? s.redraw : request.redraw;
        s.pending = request.pending;
        return;
    }
    if (command_line_key(s, key)) {
        s.redraw = s.redraw > 1 ? s.redraw : 1;
        return;
    }
    switch (key) {
    case KEY_RETURN:
    case KEY_ALT_RETURN: {
        Westring line = s.cl.text;
        cl_clear(s.cl);
        int level = 2;
        if (execute_hook) {
            level = execute_hook(panel_base, currpanel, line.c_str(), key == KEY_ALT_RETURN);
            if (key == KEY_ALT_RETURN)
                level = 2;
        } else {
            add_hist(line.c_str());
        }
        s.redraw = s.redraw > level ? s.redraw : level;
        break;
    }
    case KEY_ESC:
        cl_clear(s.cl);
        s.redraw = s.redraw > 1 ? s.redraw : 1;
        break;
    case KEY_F10:
        s.quit = confirm_quit();
        s.redraw = 2;
        break;
    case KEY_SHIFT_F1 + 8:  // Shift+F9
        (void)save_config();
        s.redraw = 2;
        break;
    case KEY_ALT_F1 + 8:  // Alt+F9
        ega_lines();
        s.redraw = 2;
        break;
    case (KEY_ALT_F1 + 8) | KEY_SHIFT_FLAG:  // Alt+Shift+F9
        toggle_columns();
        s.redraw = 2;
        break;
    default:
        unhandled_keys++;
        break;
    }
}

void dispatch_mouse(LOOPSTATE& s, _MEVENT& m)
{
    PANEL_REQUEST request;
    if (panel_mouse(m, request)) {
        s.redraw = s.redraw > request.redraw ? s.redraw : request.redraw;
        s.pending = request.pending;
        return;
    }
    if (m.y != console.Lines() - 1)
        return;
    // Releases count only on the key bar, and only for the key the press
    // there recorded.
    if (m.kind == MouseLeftPress || m.kind == MouseRightPress) {
        s.bar_press = key_bar_value(m);
    } else if (m.kind == MouseLeftRelease || m.kind == MouseRightRelease) {
        int key = key_bar_value(m);
        if (key == s.bar_press) {
            _MEVENT none{};
            dispatch_key(s, key, none);
        }
        s.bar_press = 0;
    }
}

void redraw(LOOPSTATE& s)
{
    Westring dir = prompt_directory();
    draw_command_line(s.cl, command_prompt(dir));
    if (s.redraw >= 2) {
        puts_bar(static_cast<unsigned>(alt_on));
        s.bar_state = alt_on & static_cast<int>(STATE_MODIFIERS);
        Westring title = dir;
        collapse_path(title, 50);
        set_title(title.c_str());
    }
    s.redraw = 0;
}

}

void main_loop()
{
    LOOPSTATE s;
    while (!s.quit) {
        EnablePanels(1);
        init_clock();
        panels_before_wait(s.cursor);
        if ((alt_on & static_cast<int>(STATE_MODIFIERS)) != s.bar_state)
            s.redraw = 2;
        if (s.redraw)
            redraw(s);

        _MEVENT m{};
        int key = s.pending;
        s.pending = 0;
        if (!key) {
            console.SetCursorType(CursorUnderline);
            key = getkey(nullptr, &m, -1);
            console.SetCursorType(0);
        }

        if (key == KEY_MODIFIERS || key == 0)
            continue;
        key = stored_path_key(key);
        if (key == 0) {
            s.redraw = s.redraw > 1 ? s.redraw : 1;
            continue;
        }
        if (is_printable(key)) {
            if (cl_insert(s.cl, static_cast<wchar_t>(key)))
                s.redraw = s.redraw > 1 ? s.redraw : 1;
            continue;
        }
        panels_before_key(key, s.cursor);
        if (key == KEY_MOUSE)
            dispatch_mouse(s, m);
        else
            dispatch_key(s, key, m);
    }
}
