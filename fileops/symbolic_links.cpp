#include "fileops/symbolic_links.h"

#include "console/console.h"
#include "console/key_codes.h"
#include "fileops/fs_error.h"
#include "fileops/panel_entries.h"
#include "fileops/path_grammar.h"
#include "foundation/estring.h"
#include "panels/tree_hooks.h"
#include "panels/panel.h"
#include "panels/read_panel.h"
#include "panels/selection.h"
#include "textui/dialog.h"
#include "textui/message_box.h"
#include "textui/string_field.h"
#include "textui/textui_settings.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int KEY_F5 = KEY_F1 + 4;
constexpr int KEY_F6 = KEY_F1 + 5;

bool is_directory(const Westring& path)
{
    struct stat st;
    return stat(FileNameToSys(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Alt+D, F5 and F6: a bare name gets the other panel's directory in
// front; a path is cut to its last component.
Westring toggle_directory(const Westring& text, const Westring& otherDir)
{
    int slash = text.rchr(L'/');
    if (slash < 0)
        return join_path(otherDir, text);
    return text.mid(slash + 1, 0);
}

// The typed text as a path: relative texts start at the panel's directory.
Westring resolve(const Westring& text, const Westring& base)
{
    Westring path = text;
    if (ResolvePath(path, base.c_str()) != 0)
        return text;
    return path;
}

class CSymLinkDialog : public Dialog
{
public:
    CSymLinkDialog(const Westring& title, Westring& text)
        : Dialog(-1, -2, 76, 7, ui_colour(ColourMessages)), text(text)
    {
        field = AddStringField(1, 2, 1, text, 72, 512, HistoryDirectory);
        AddPushButton(14, 4, 1, RESULT_ACCEPT, "_OK");
        AddPushButton(22, 4, 0, RESULT_CANCEL, "Cancel");
        AddPushButton(34, 4, 0, KEY_F10, "F10-Tree");
        AddPushButton(48, 4, 0, KEY_ALT_BACKSLASH, "Dir Hist");
        AddExitKey(KEY_ALT_D);
        AddExitKey(KEY_F5);
        AddExitKey(KEY_F6);
        AddStaticText(0, 0, title.c_str());
    }

    // RESULT_ACCEPT with the text to use, or RESULT_CANCEL. needDirectory:
    // Enter is taken only when the text names an existing directory.
    int Run(const Westring& otherDir, const Westring& base, bool needDirectory)
    {
        for (;;) {
            int r = Process();
            switch (r) {
            case KEY_ALT_D:
            case KEY_F5:
            case KEY_F6:
                text = toggle_directory(text, otherDir);
                Draw(field);
                continue;
            case KEY_F10: {
                // The tree of the current panel's file system, half the
                // screen wide; the directory chosen becomes the text.
                Westring chosen;
                if (tree_hooks->Popup(&panel_base[currpanel], chosen, console.Columns() / 2 - 2) == 0) {
                    text = chosen.AppendBackslash();
                    Draw(field);
                }
                continue;
            }
            case KEY_ALT_BACKSLASH:
                // FIXME: the directory history comes with its stage.
                console.Beep();
                continue;
            case RESULT_ACCEPT:
                if (needDirectory) {
                    Westring dir = text;
                    RemoveBackslash(dir);
                    if (!is_directory(resolve(dir, base))) {
                        error(L"Destination must be a valid directory", text.c_str());
                        continue;
                    }
                }
                return r;
            default:
                return RESULT_CANCEL;
            }
        }
    }

private:
    Westring& text;
    int field = 0;
};

}

int CreateSymLink(const Westring& link, const Westring& target)
{
    return symlink(FileNameToSys(target).c_str(), FileNameToSys(link).c_str()) == 0 ? 0 : errno;
}

int MakeSymLink(const Westring& link, const Westring& target)
{
    for (;;) {
        int code = CreateSymLink(link, target);
        if (code == 0)
            return 0;
        bool done = true;
        char answer = fs_error(code, done, target, link.c_str());
        if (!done)
            continue;
        return answer == ANSWER_CANCEL ? -1 : 1;
    }
}

void MakeSymLinks(PANEL* panel, const Westring& otherDir)
{
    entry* current = panel->Current();
    bool tagged = panel->tagged_count > 0;
    if (!tagged && (!current || current->IsUpDir()))
        return;
    Westring dir = panel->GetWD();
    Westring text = join_path(otherDir, L"");
    Westring title;
    if (tagged) {
        const char* s = panel->tagged_count == 1 ? "" : "s";
        title = Westring(esprintf("Make symbolic link%s to %d file%s in", s, panel->tagged_count, s).c_str());
    } else {
        text += current->name;
        title = Westring(L"Make symbolic link to \"") + shorten(current->name, 45) + L"\" as";
    }
    {
        CSymLinkDialog dlg(title, text);
        if (dlg.Run(otherDir, dir, tagged) != RESULT_ACCEPT)
            return;
    }

    if (!tagged) {
        Westring link = resolve(text, dir);
        // As ln does: a text naming a directory (or ending in "/") puts
        // the link inside it under the entry's name.
        if ((!text.empty() && text[text.strlen() - 1] == L'/') || is_directory(link))
            link = join_path(link, current->name);
        (void)MakeSymLink(link, entry_path(panel, current));
    } else {
        Westring into = text;
        RemoveBackslash(into);
        into = resolve(into, dir);
        for (int i = 0; i < panel->Count(); i++)
            panel->entries[i]->last_op = 0;
        for (int i = 0; i < panel->Count(); i++) {
            entry* e = panel->entries[i];
            if (!e->tagged)
                continue;
            int r = MakeSymLink(join_path(into, e->name), entry_path(panel, e));
            if (r < 0)
                break;
            if (r == 0) {
                // Only a link that was made clears its tag; a skipped entry
                // stays tagged for another try.
                e->last_op = 1;
                tag(panel, i, -1);
            }
        }
    }
    panel_refresh();
}

void make_links_key(int, PANEL_REQUEST& request)
{
    PANEL* panel = &panel_base[currpanel];
    // Neither side may be inside an archive: no link points into one.
    if (!panel->showing || !files_panel(panel) || panel->archive || panel_base[1 - currpanel].archive)
        return;
    MakeSymLinks(panel, panel_base[1 - currpanel].GetWD());
    request.redraw = 2;
}
