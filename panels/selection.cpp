#include "panels/selection.h"

#include "console/colours.h"
#include "console/key_codes.h"
#include "entries/mask_eval.h"
#include "fileops/file_system.h"
#include "foundation/nls.h"
#include "panels/panel_commands.h"
#include "panels/panel_display.h"
#include "panels/panel_loop.h"
#include "panels/tree_hooks.h"
#include "textui/dialog.h"
#include "textui/message_box.h"
#include "textui/static_text.h"
#include "textui/textui_settings.h"

Westring group_pattern = L"*";

namespace {

// Field-history lists of the two dialogs.
constexpr HistoryIndex GroupHistory = 4;
constexpr HistoryIndex FilterHistory = 7;

bool lists_files(const PANEL* panel)
{
    return panel->type == PanelFiles && panel->detail != DetailTree;
}

// Sets entry index's tag without drawing; true when it changed.
bool set_tag(PANEL* panel, int index, int state)
{
    entry* e = panel->entries[index];
    if (e->IsUpDir())
        return false;
    if (state == 0)
        state = e->tagged ? -1 : 1;
    if ((state > 0) == (e->tagged != 0))
        return false;
    e->tagged = state > 0 ? 1 : 0;
    panel->tagged_count += state;
    if (state > 0)
        panel->tagged_bytes += e->counted_size();
    else
        panel->tagged_bytes -= e->counted_size();
    return true;
}

void repaint(PANEL* panel)
{
    if (panel_visible(panel))
        paint_panel(panel);
    else
        panel->repaint_pending = true;
}

Westring group_title(char direction, bool dirs)
{
    return Westring(esprintf("%s the files%-12s", direction > 0 ? "Select" : "Unselect", dirs ? "/directories" : "")
                        .c_str());
}

// The group dialog: Alt+D switches directories in or out, and Enter with
// an invalid expression keeps the dialog open.
class CGroupDialog : public Dialog
{
public:
    CGroupDialog(char direction, bool& dirs, Westring& pattern)
        : Dialog(-1, 6, 34, 10, ui_colour(ColourMessages)), direction(direction), dirs(dirs)
    {
        title = AddStaticText(0, 0, group_title(direction, dirs).c_str());
        AddStringField(1, 1, 1, pattern, 30, -1, GroupHistory);
        AddStaticText(19, 3, " Alt-D=Dirs ");
        AddExitKey(KEY_ALT_D);
    }

    int Run(Westring& pattern)
    {
        for (;;) {
            int r = Process();
            if (r == KEY_ALT_D) {
                dirs = !dirs;
                auto* text = static_cast<StaticText*>(Element(title));
                text->text = group_title(direction, dirs);
                text->Draw();
                continue;
            }
            if (r != RESULT_ACCEPT)
                return r;
            if (mask_eval(pattern.c_str(), L"test") >= 0)
                return r;
            error(L"Syntax error in search expression", pattern.c_str(), 0);
        }
    }

private:
    char direction;
    bool& dirs;
    int title = 0;
};

}

void tag(PANEL* panel, int index, char state)
{
    if (!lists_files(panel) || index < 0 || index >= panel->Count())
        return;
    if (set_tag(panel, index, state))
        print_entry(panel, index, 0, nullptr);
}

bool group_tags_directories(short modifiers)
{
    return config.TagDirs != ((modifiers & STATE_SHIFT) != 0);
}

void tag_all(PANEL* panel, int direction, short modifiers)
{
    if (!panel->showing || panel->Count() == 0 || !lists_files(panel))
        return;
    bool dirs = group_tags_directories(modifiers);
    for (int i = 0; i < panel->Count(); i++) {
        entry* e = panel->entries[i];
        if (direction >= 0 && (reserved_file(e->name) || (e->IsDirectory() && !dirs)))
            continue;
        set_tag(panel, i, direction);
    }
    repaint(panel);
}

void wild_tag(PANEL* panel, char direction, short modifiers)
{
    if (!panel->showing || !lists_files(panel))
        return;
    // Unselecting always considers directories.
    bool dirs = direction < 0 || group_tags_directories(modifiers);
    Westring pattern = group_pattern;
    {
        CGroupDialog dlg(direction, dirs, pattern);
        if (dlg.Run(pattern) != RESULT_ACCEPT)
            return;
    }
    group_pattern = pattern;
    CMaskExpression expr;
    expr.Compile(pattern.c_str());
    std::time_t now = std::time(nullptr);
    for (int i = 0; i < panel->Count(); i++) {
        entry* e = panel->entries[i];
        if (e->IsDirectory() && !dirs)
            continue;
        if (direction > 0 && reserved_file(e->name))
            continue;
        if (expr.Evaluate(*e, now) == 1)
            set_tag(panel, i, direction);
    }
    repaint(panel);
}

void restore_selection(PANEL* panel)
{
    if (!lists_files(panel))
        return;
    for (int i = 0; i < panel->Count(); i++) {
        entry* e = panel->entries[i];
        if ((e->tagged != 0) != (e->last_op != 0))
            set_tag(panel, i, e->last_op ? 1 : -1);
    }
    repaint(panel);
}

bool edit_filter(int side)
{
    PANEL* panel = &panel_base[side];
    Westring filter = panel->filter;
    Dialog dlg(-1, 5, 76, 8, ui_colour(ColourMessages));
    dlg.AddStaticText(0, 0, esprintf("Filter for %s panel", side ? "right" : "left").c_str());
    dlg.AddStringField(1, 1, 1, filter, 72, -1, FilterHistory);
    for (;;) {
        int r = dlg.Process();
        if (r != RESULT_ACCEPT)
            return false;
        if (mask_eval(filter.c_str(), L"test") >= 0)
            break;
        error(L"Syntax error in expression", filter.c_str(), 0);
    }
    if (fncompare(filter.c_str(), panel->filter.c_str()) == 0)
        return false;
    panel->filter = filter;
    return true;
}

bool selection_key(int key, unsigned state, PANEL_REQUEST& request)
{
    constexpr int CtrlT = KEY_CTRL_A + 'T' - 'A';
    constexpr int CtrlY = KEY_CTRL_A + 'Y' - 'A';
    short modifiers = static_cast<short>(state);
    switch (key) {
    case KEY_INS:
    case KEY_GREY_PLUS:
    case KEY_GREY_MINUS:
    case KEY_GREY_STAR:
    case KEY_CTRL_GREY_PLUS:
    case KEY_CTRL_GREY_PLUS | KEY_SHIFT_FLAG:
    case KEY_CTRL_GREY_MINUS:
    case KEY_CTRL_GREY_MINUS | KEY_SHIFT_FLAG:
    case KEY_ALT_GREY_PLUS:
    case CtrlT:
    case CtrlY:
        break;
    default:
        return false;
    }
    PANEL* panel = &panel_base[currpanel];
    if (panels_on() && panel->showing && panel->type == PanelFiles && panel->detail == DetailTree) {
        // In a tree, Grey + and - open and close the node under the
        // cursor, with Ctrl its whole branch.
        int k = key & ~KEY_SHIFT_FLAG;
        bool open = k == KEY_GREY_PLUS || k == KEY_CTRL_GREY_PLUS;
        if (k == KEY_GREY_PLUS || k == KEY_GREY_MINUS || k == KEY_CTRL_GREY_PLUS || k == KEY_CTRL_GREY_MINUS) {
            tree_hooks->Expand(panel, panel->CurrentIndex(), open, k == KEY_CTRL_GREY_PLUS || k == KEY_CTRL_GREY_MINUS);
            repaint(panel);
            request.redraw = request.redraw > 1 ? request.redraw : 1;
        }
        return true;
    }
    if (!panels_on() || !panel->showing || !lists_files(panel))
        return true;
    switch (key) {
    case KEY_INS:
        if (panel->Count() == 0)
            return true;
        tag(panel, panel->CurrentIndex(), 0);
        move_cursor(panel, 1);
        break;
    case KEY_GREY_PLUS:
    case CtrlT:
        wild_tag(panel, 1, modifiers);
        break;
    case KEY_GREY_MINUS:
    case CtrlY:
        wild_tag(panel, -1, modifiers);
        break;
    case KEY_GREY_STAR:
        tag_all(panel, 0, modifiers);
        break;
    case KEY_ALT_GREY_PLUS:
        restore_selection(panel);
        break;
    default:
        tag_all(panel, (key & ~KEY_SHIFT_FLAG) == KEY_CTRL_GREY_PLUS ? 1 : -1,
                static_cast<short>(modifiers | (key & KEY_SHIFT_FLAG ? STATE_SHIFT : 0)));
        break;
    }
    request.redraw = request.redraw > 1 ? request.redraw : 1;
    return true;
}
