#include "panels/panel_loop.h"

#include "command/environment.h"
#include "config/config.h"
#include "console/key_codes.h"
#include "fileops/file_system.h"
#include "panels/change_dir.h"
#include "panels/panel.h"
#include "panels/panel_display.h"
#include "panels/tree_hooks.h"
#include "textui/message_box.h"

namespace {

constexpr int KeyCtrlS = KEY_CTRL_A + 'S' - 'A';
constexpr int KeyCtrlD = KEY_CTRL_A + 'D' - 'A';

// The digit of a Ctrl+digit key of the main row or the keypad, or -1.
int ctrl_digit(int key)
{
    int base = key & ~KEY_SHIFT_FLAG;
    if (base >= KEY_CTRL_DIGIT && base <= KEY_CTRL_DIGIT + 9)
        return base - KEY_CTRL_DIGIT;
    if (base >= KEY_CTRL_KEYPAD_0 && base <= KEY_CTRL_KEYPAD_0 + 9)
        return base - KEY_CTRL_KEYPAD_0;
    return -1;
}

}

bool panels_on()
{
    return panel_base[0].showing || panel_base[1].showing;
}

Westring panels_directory()
{
    const PANEL* p = &panel_base[currpanel];
    if (p->type == PanelInfo || p->detail == DetailTree)
        p = &panel_base[1 - currpanel];
    return p->path.empty() ? PxGetCwd() : p->GetWD();
}

void panels_before_wait(bool& cursor)
{
    if (!panel_base[currpanel].showing && panel_base[1 - currpanel].showing) {
        make_curr(panel_base, 1 - currpanel);
        cursor = true;
    }
    PANEL* p = &panel_base[currpanel];
    if (p->name_scroll_entry != p->CurrentIndex())
        p->name_scroll = 0;
    if (cursor) {
        show_cursor(panel_base, currpanel, 1);
        cursor = false;
    }
    p->saved_top = p->top;
    p->saved_cursor = p->cursor;
}

void panels_before_key(int key, bool& cursor)
{
    switch (key) {
    case KEY_BACKSPACE:
    case KEY_DEL:
    case KEY_ALT_LEFT:
    case KEY_ALT_RIGHT:
    case KEY_CTRL_LEFT:
    case KEY_CTRL_RIGHT:
    case KeyCtrlS:
    case KeyCtrlD:
    case KEY_MODIFIERS:
        return;
    case KEY_LEFT:
    case KEY_RIGHT: {
        paneldetail d = panel_base[currpanel].detail;
        if (d != DetailBrief && d != DetailBriefWide)
            return;
        break;
    }
    default:
        if (key < 0)
            return;
        break;
    }
    show_cursor(panel_base, currpanel, 0);
    cursor = true;
}

int stored_path_key(int key)
{
    int digit = ctrl_digit(key);
    if (digit < 0)
        return key;
    int side = currpanel;
    // A tree stores the directory under its cursor and sends the other
    // panel to stored ones.
    PANEL* current = &panel_base[side];
    bool tree = current->type == PanelFiles && current->detail == DetailTree;
    if (tree)
        side ^= 1;
    PANEL* target = &panel_base[side];
    if (key & KEY_SHIFT_FLAG) {
        dirstore[digit] = tree ? panel_directory(current) : target->GetWD();
        return 0;
    }
    if (!dirstore[digit].empty()) {
        Westring dir = dirstore[digit];
        SubstEnvVars(dir);
        if (target->ChangeVirtualWD(dir)) {
            target->top = target->cursor = 0;
            target->type = PanelFiles;
            change_dir(panel_base, side, L"");
        } else {
            error(L"Invalid Directory", dir.c_str());
        }
        return 0;
    }
    return config.NumLock ? 0 : key;
}
