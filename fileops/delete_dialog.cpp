#include "fileops/delete_dialog.h"

#include "console/console.h"
#include "fileops/file_globals.h"
#include "foundation/estring.h"
#include "textui/collapse_path.h"
#include "textui/textui_settings.h"

#include <algorithm>
#include <cwchar>

namespace {

int even(int n)
{
    return n + (n & 1);
}

Westring shortened(const Westring& path)
{
    Westring s = path;
    collapse_path(s, std::max(console.Columns() - 10, 1));
    return s;
}

// A dialog with lines centred on its first rows and OK and Cancel on the
// last; text is the width of its text. True for OK.
bool confirm(const Westring& line1, const Westring& line2, int text)
{
    Dialog dlg(-1, -3, text + 4, 6, ui_colour(ColourMessages));
    dlg.AddStaticText(-1, 0, line1.c_str());
    dlg.AddStaticText(-1, 1, line2.c_str());
    dlg.AddOkCancel(-1, -1, 1);
    return dlg.Process() == RESULT_ACCEPT;
}

}

int CDeleteDlg::width_for(const Westring& line1, const Westring& line2, bool showReadOnly)
{
    int w = std::max({line1.strlen(), line2.strlen(), 18});
    if (showReadOnly)
        w = std::max(w, 42);
    return even(w) + 4;
}

CDeleteDlg::CDeleteDlg(const Westring& line1, const Westring& line2, bool showReadOnly)
    : Dialog(-1, -2, width_for(line1, line2, showReadOnly), showReadOnly ? 8 : 6, ui_colour(ColourMessages))
{
    AddStaticText(-1, 0, line1.c_str());
    AddStaticText(-1, 1, line2.c_str());
    if (showReadOnly) {
        AddStaticText(1, 3, "Delete Read Only: ");
        AddRadioButton(19, 3, 2, read_only, DeleteReadOnlyAsk, "As_k");
        AddRadioButton(27, 3, 0, read_only, DeleteReadOnlyAll, "_All");
        AddRadioButton(35, 3, 0, read_only, DeleteReadOnlyNone, "Non_e");
    }
    ChangeFocus(AddOkCancel(-1, -1, 1));
}

bool confirm_tagged_delete(int count, const Westring& directory)
{
    Westring line1(esprintf("You are deleting %d selected files from", count).c_str());
    Westring line2 = shortened(directory);
    int w = even(std::max(line1.strlen(), line2.strlen())) + 2;
    unsigned char colour = ui_colour(ColourErrors);
    Dialog dlg(-1, -3, w + 2, 6, colour);
    dlg.AddStaticText(-1, 0, line1.c_str());
    dlg.AddStaticText(-1, 1, line2.c_str());
    int ok = (w - 18) / 2;
    dlg.AddPushButton(ok, 3, 1, RESULT_ACCEPT, "_OK");
    dlg.AddPushButton(ok + 9, 3, 0, RESULT_CANCEL, "Cancel");
    return dlg.Process() == RESULT_ACCEPT;
}

int ask_delete_tree(const Westring& path, bool typed)
{
    Westring shown = shortened(path);
    int text = even(std::max(shown.strlen(), 27));
    Dialog dlg(-1, -3, text + 4, 7, ui_colour(ColourErrors));
    dlg.AddStaticText(-1, 0, "Directory");
    dlg.AddStaticText(-1, 1, shown.c_str());
    dlg.AddStaticText(-1, 2, "is not empty");
    dlg.AddStaticText(-1, 3, "Delete tree?");
    int c = (text + 2) / 2;
    if (typed) {
        Westring word;
        dlg.AddStaticText(c - 8, 4, "Type \"YES\"");
        dlg.AddStringField(c + 5, 4, 1, word, 4, 4, NoHistory);
        // Exactly YES: "yes" or "YES " is a refusal.
        return dlg.Process() == RESULT_ACCEPT && std::wcscmp(word.c_str(), L"YES") == 0 ? 1 : 0;
    }
    dlg.AddPushButton(c - 14, 4, 1, 'y', "_OK");
    int cancel = dlg.AddPushButton(c - 6, 4, 0, 'n', "Cancel");
    dlg.AddPushButton(c + 6, 4, 0, 'a', "All");
    dlg.SetDefault(cancel);
    dlg.ChangeFocus(cancel);
    switch (dlg.Process()) {
    case 'y':
        return 1;
    case 'a':
        return 2;
    default:
        return 0;
    }
}

bool ask_delete_path(Westring& path)
{
    Dialog dlg(-1, -3, 76, 7, ui_colour(ColourMessages));
    dlg.AddStaticText(0, 0, "Delete the file:");
    int field = dlg.AddStringField(1, 2, 1, path, 72, 512, NoHistory);
    dlg.AddOkCancel(-1, -1, 1);
    dlg.ChangeFocus(field);
    return dlg.Process() == RESULT_ACCEPT;
}

bool confirm_delete_path(const Westring& path)
{
    Westring shown = shortened(path);
    Westring line1 = L"Do you wish to delete";
    return confirm(line1, shown, even(std::max({shown.strlen(), line1.strlen(), 22})));
}
