#include "fileops/launcher.h"

#include "console/console.h"
#include "fileops/change_case.h"
#include "fileops/desktop_entry.h"
#include "fileops/fs_error.h"
#include "fileops/panel_entries.h"
#include "foundation/estring.h"
#include "foundation/nls.h"
#include "panels/panel.h"
#include "panels/read_panel.h"
#include "panels/selection.h"
#include "textui/check_box.h"
#include "textui/dialog.h"
#include "textui/message_box.h"
#include "textui/textui_settings.h"

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>

namespace {

// The check box's value is kept for the rest of the run.
char terminal_session = 0;

bool is_program(const Westring& path)
{
    struct stat st;
    return stat(FileNameToSys(path).c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0111);
}

bool only_blanks(const Westring& s)
{
    for (const wchar_t* p = s.c_str(); *p; p++)
        if (*p != L' ' && *p != L'\t')
            return false;
    return true;
}

// The desktop directory, made when it is missing; false when it cannot
// be (the user was told).
bool desktop_ready(Westring& dir)
{
    dir = DesktopDirectory();
    for (;;) {
        int code = MakeDirectoryPath(dir);
        if (code == 0)
            return true;
        bool done = true;
        fs_error(code, done, dir);
        if (done)
            return false;
    }
}

}

Westring maketitle(const Westring& name)
{
    int dot = name.rchr(L'.');
    Westring title = dot > 0 ? name.left(dot) : dot == 0 ? Westring() : name;
    if (title.empty())
        title = name;
    changeNameCase(title, 'l');
    if (!title.empty())
        title[0] = nls_toupper(title[0]);
    return title;
}

int create_object2(PANEL*, const Westring& program, const Westring& title, bool terminal)
{
    Estring exec, text;
    if (DesktopEntryExec(program, is_program(program), exec) != 0 || DesktopEntryText(title, exec, terminal, text) != 0) {
        // A desktop-entry file is UTF-8 text: a name with other bytes has
        // no faithful form in it.
        error(L"A launcher cannot name a file whose name is not UTF-8", program.c_str());
        return 1;
    }
    Westring dir;
    if (!desktop_ready(dir))
        return 1;
    Westring file = DesktopEntryFileName(dir, title);
    bool replace = false;
    for (;;) {
        int code = WriteDesktopEntry(file, text, replace);
        if (code == 0)
            return 0;
        if (code == EEXIST && !replace) {
            if (error(L"File already exists, Overwrite?", file.c_str(), MB_OK_CANCEL | MB_MESSAGE) != ANSWER_YES)
                return 1;
            replace = true;
            continue;
        }
        bool done = true;
        char answer = fs_error(code, done, file);
        if (!done)
            continue;
        return answer == ANSWER_CANCEL ? -1 : 1;
    }
}

void create_object(PANEL* panel)
{
    std::vector<entry*> chosen = chosen_entries(panel);
    if (chosen.empty())
        return;
    bool tagged = panel->tagged_count > 0;
    Westring title;
    char terminal = terminal_session;
    bool offerTerminal = tagged || is_program(entry_path(panel, chosen[0]));
    {
        Westring name = tagged ? Westring() : shorten(chosen[0]->name, console.Columns() - 10);
        bool offerTitle = !tagged;
        int text = std::max(40, name.strlen());
        text += text & 1;
        Dialog dlg(-1, -2, text + 4, 6 + 2 * offerTitle + 2 * offerTerminal, ui_colour(ColourMessages));
        if (offerTitle) {
            title = maketitle(chosen[0]->name);
            dlg.AddStringField(8, 3, 1, title, 33, 250, NoHistory);
        }
        if (offerTerminal) {
            int box = dlg.AddCheckBox(8, offerTitle ? 5 : 3, 1, terminal, "Terminal session", 1);
            char letters[Dialog::MaxElements] = {};
            letters[box] = 'f';
            dlg.SetAccelerators(letters, box + 1);
        }
        dlg.AddOkCancel(-1, -1, 1);
        if (tagged)
            dlg.AddStaticText(-1, 0, esprintf("Make %d objects", panel->tagged_count).c_str());
        else {
            dlg.AddStaticText(-1, 0, "Make an object for");
            dlg.AddStaticText(-1, 1, name.c_str());
        }
        if (offerTitle)
            dlg.AddStaticText(1, 3, "Title:");
        if (dlg.Process() != RESULT_ACCEPT)
            return;
    }
    if (offerTerminal)
        terminal_session = terminal;
    else
        terminal = 0;  // a document opens in its own program, never a terminal

    if (!tagged) {
        if (!only_blanks(title))
            (void)create_object2(panel, entry_path(panel, chosen[0]), title, terminal);
    } else {
        for (int i = 0; i < panel->Count(); i++) {
            entry* e = panel->entries[i];
            if (!e->tagged)
                continue;
            int r = create_object2(panel, entry_path(panel, e), maketitle(e->name), terminal);
            if (r < 0)
                break;
            if (r == 0)
                tag(panel, i, -1);
        }
    }
    panel_refresh();
}

void create_object_key(int, PANEL_REQUEST& request)
{
    PANEL* panel = &panel_base[currpanel];
    if (!files_panel(panel) || panel->Count() == 0 || panel->archive)
        return;
    create_object(panel);
    request.redraw = 2;
}
