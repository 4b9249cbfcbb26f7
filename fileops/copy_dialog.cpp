#include "fileops/copy_dialog.h"

#include "console/console.h"
#include "console/key_codes.h"
#include "fileops/file_globals.h"
#include "panels/panel.h"
#include "panels/tree_hooks.h"
#include "textui/string_field.h"
#include "textui/textui_settings.h"

namespace {

constexpr int DialogTop = 5;
constexpr int DialogWidth = 76;
constexpr int FieldWidth = 72;
constexpr int TargetMax = 512;

}

CCopyDlg::CCopyDlg(const Westring& destination, const Westring& title, const Westring& proposal,
                   bool showOverwrite, bool single)
    : Dialog(-1, DialogTop, DialogWidth, DialogTop + (showOverwrite ? 9 : 7) - 1, ui_colour(ColourMessages)),
      target(proposal), destination(destination), single(single)
{
    AddStaticText(0, 0, title.c_str());
    field = AddStringField(1, 1, 1, target, FieldWidth, TargetMax, HistoryDirectory);
    if (showOverwrite) {
        AddStaticText(1, 3, "Overwrite");
        AddRadioButton(11, 3, 2, policy, OverwriteAsk, "As_k");
        AddRadioButton(22, 3, 0, policy, OverwriteAlways, "_Always");
        AddRadioButton(33, 3, 0, policy, OverwriteNever, "N_ever");
        AddRadioButton(44, 3, 0, policy, OverwriteIfOlder, "If O_lder");
    }
    static const PushButtonData buttons[] = {
        {RESULT_ACCEPT, "_OK"},
        {RESULT_CANCEL, "Cancel"},
        {KEY_F10, "F10-_Tree"},
        {KEY_ALT_BACKSLASH, "Dir _Hist"},
        {0, nullptr},
    };
    AddPushButtonGroup(-1, -1, 1, buttons);
    if (single) {
        AddExitKey(KEY_ALT_D);
        AddExitKey(KEY_F1 + 4);  // F5
        AddExitKey(KEY_F1 + 5);  // F6
    }
    ChangeFocus(field);
}

void CCopyDlg::toggle_target()
{
    int slash = target.rchr(L'/');
    if (slash >= 0) {
        target = target.mid(slash + 1, 0);
    } else {
        Westring dir = destination;
        if (dir.empty() || dir[dir.strlen() - 1] != L'/')
            dir += L'/';
        target = dir + target;
    }
    Draw(field);
}

int CCopyDlg::Process()
{
    for (;;) {
        SetResult(0);
        int r = Dialog::Process();
        switch (r) {
        case RESULT_ACCEPT:
        case RESULT_CANCEL:
            return r;
        case KEY_ALT_D:
        case KEY_F1 + 4:
        case KEY_F1 + 5:
            if (single)
                toggle_target();
            break;
        case KEY_F10: {
            // The tree of the source panel's file system, half the screen
            // wide; the directory chosen becomes the target.
            Westring chosen;
            if (tree_hooks->Popup(&panel_base[currpanel], chosen, console.Columns() / 2 - 2) == 0) {
                target = chosen.AppendBackslash();
                Draw(field);
            }
            break;
        }
        default:
            // FIXME: Alt+\ opens the directory history once it is offered
            // here; until then it only beeps.
            console.Beep();
            break;
        }
    }
}
