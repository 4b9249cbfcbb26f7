#include "fileops/delete.h"

#include "config/config.h"
#include "console/console.h"
#include "console/key_codes.h"
#include "entries/mask_eval.h"
#include "fileops/delete_dialog.h"
#include "fileops/file_globals.h"
#include "fileops/file_system.h"
#include "fileops/fs_error.h"
#include "fileops/path_grammar.h"
#include "fileops/tree_walk.h"
#include "foundation/estring.h"
#include "foundation/time_stamp.h"
#include "panels/panel_commands.h"
#include "panels/panel_loop.h"
#include "panels/read_panel.h"
#include "panels/tree_hooks.h"
#include "textui/collapse_path.h"
#include "textui/message_box.h"
#include "textui/textui_settings.h"
#include "textui/win.h"

#include <algorithm>
#include <cerrno>
#include <cwchar>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool still_there(const Westring& path)
{
    struct stat st;
    return lstat(FileNameToSys(path).c_str(), &st) == 0;
}

constexpr int MinWindowText = 18;
// A tree redraws its window at most this often.
constexpr double RedrawEvery = 0.1;

// "Deleting the file": one window for the whole command, widened when a
// longer name comes.
std::unique_ptr<Win> deleting_window;
int deleting_width = 0;

void close_deleting_window()
{
    deleting_window.reset();
    deleting_width = 0;
}

void show_deleting(const Westring& path)
{
    Westring shown = path;
    collapse_path(shown, std::max(console.Columns() - 10, 1));
    int w = std::max(shown.strlen(), MinWindowText);
    w += w & 1;
    if (!deleting_window || w > deleting_width) {
        deleting_window.reset();
        deleting_width = std::max(w, deleting_width);
        unsigned char colour = ui_colour(ColourMessages);
        deleting_window = std::make_unique<Win>(-1, -3, deleting_width + 4, 4, colour, colour);
        deleting_window->PutCentre(0, L"Deleting the file");
    }
    int inner = deleting_width + 2;
    int before = (inner - shown.strlen()) / 2;
    deleting_window->puts_at(0, 1, (String(L' ', before) + shown).pad(inner, L' ').c_str());
}

Estring sys(const Westring& path)
{
    return FileNameToSys(path);
}

Westring directory_of(const Westring& path)
{
    int slash = path.rchr(L'/');
    if (slash < 0)
        return L".";
    return slash == 0 ? Westring(L"/") : path.left(slash);
}

Westring join(const Westring& dir, const wchar_t* name)
{
    Westring d = dir;
    if (d.empty() || d[d.strlen() - 1] != L'/')
        d += L'/';
    return d + name;
}

void forget_description(const Westring& path, CDescriptionSet* descriptions)
{
    if (descriptions)
        descriptions->Delete(path);
    else
        (void)delete_desc(path);
}

// The read-only question under the command's policy: true deletes.
// stop is set for Esc.
bool delete_read_only(const Westring& path, copy_status* status, bool& stop)
{
    stop = false;
    for (;;) {
        if (file_globals.del_all_RO == DeleteReadOnlyAll)
            return true;
        if (file_globals.del_all_RO == DeleteReadOnlyNone)
            return false;
        switch (error(status, L"File is Read Only, Delete anyway?", path.c_str(), MB_OK_CANCEL_SKIP_ALL)) {
        case 'a':
            file_globals.del_all_RO = DeleteReadOnlyAll;
            return true;
        case 'e':
            file_globals.del_all_RO = DeleteReadOnlyNone;
            return false;
        case 'y':
            return true;
        case ANSWER_CANCEL:
            stop = true;
            return false;
        case 's':
        case 'n':
            return false;
        default:
            break;
        }
    }
}

// What a tree deletion hears: the window, the questions, the mask.
class CDeleteTreeEvents : public CDeleteEvents
{
public:
    explicit CDeleteTreeEvents(const wchar_t* mask) : mask(mask) {}

    void Deleting(const TreeEntry& e) override
    {
        double now = GetRelativeTime();
        if (now - drawn < RedrawEvery)
            return;
        drawn = now;
        show_deleting(WidePath(e));
    }
    int ReadOnly(const TreeEntry& e) override
    {
        bool stop;
        bool yes = delete_read_only(WidePath(e), nullptr, stop);
        return stop ? TreeStop : yes ? TreeRetry : TreeSkip;
    }
    int Failed(const TreeEntry& e, int code) override
    {
        bool done = true;
        int c = code;
        char a = fs_error(c, done, WidePath(e));
        return a == 'r' ? TreeRetry : c == -1 ? TreeStop : TreeSkip;
    }
    void MountPoint(const TreeEntry& e) override
    {
        error(L"A mounted file system is left where it is:", WidePath(e).c_str(), MB_OK | MB_MESSAGE);
    }
    bool Wanted(const TreeEntry& e) override
    {
        if (!mask || (mask[0] == L'*' && mask[1] == 0))
            return true;
        return mask_eval(mask, FileNameFromSys(e.name).c_str()) == 1;
    }
    bool Cancelled() override { return file_command_stopped(); }

private:
    const wchar_t* mask;
    double drawn = -1;
};

bool is_real_directory(const entry* e)
{
    return (e->attributes & AttrDirectory) && !(e->attributes & AttrSymLink);
}

bool is_updir_name(const Westring& path)
{
    int slash = path.rchr(L'/');
    Westring last = slash < 0 ? path : path.mid(slash + 1, 0);
    return std::wcscmp(last.c_str(), L"..") == 0;
}

}

int delete_file(const Westring& path, int mode, copy_status* status, CDescriptionSet* descriptions)
{
    if (mode == DeleteCloseWindow) {
        close_deleting_window();
        return 0;
    }
    if (mode == DeleteShowClose || mode == DeleteShowKeep)
        show_deleting(path);
    if (mode == DeleteQuiet)
        file_globals.del_all_RO = DeleteReadOnlyAll;
    int result = 0;
    for (;;) {
        int r = DosDelete(path);
        if (r == 0) {
            forget_description(path, descriptions);
            result = 1;
            break;
        }
        if (status)
            status->StopUpdate();
        if (mode == DeleteQuiet && r == ENOENT)
            break;
        if (r == EACCES && access(sys(directory_of(path)).c_str(), W_OK) == 0) {
            bool stop;
            if (!delete_read_only(path, status, stop)) {
                result = stop ? -1 : 0;
                break;
            }
            if (unlink(sys(path).c_str()) == 0 || errno == ENOENT) {
                forget_description(path, descriptions);
                result = 1;
                break;
            }
            r = errno;
        }
        bool done = true;
        int code = r;
        char a = fs_error(code, done, path, nullptr, status);
        if (a == 'r')
            continue;
        result = code == -1 ? -1 : 0;
        break;
    }
    if (mode == DeleteShowClose)
        close_deleting_window();
    return result;
}

int delete_dir(const Westring& path, const wchar_t* mask, copy_status* status, CDescriptionSet* descriptions)
{
    if (is_updir_name(path))
        return 0;
    for (;;) {
        // No listing first: rmdir itself says whether the directory is
        // empty.
        int r = DosDeleteDir(path);
        if (r == 0) {
            forget_description(path, descriptions);
            tree_hooks->RemoveDirectory(path);
            return 1;
        }
        if (status)
            status->StopUpdate();
        if (r == ENOTEMPTY || r == EEXIST) {
            int t = delete_tree(path, mask);
            if (t == 1)
                forget_description(path, descriptions);
            // A mask may have kept some of it.
            if (t == 1 && !still_there(path))
                tree_hooks->RemoveDirectory(path);
            return t;
        }
        if (r == ENOENT) {
            tree_hooks->RemoveDirectory(path);
            error(L"Directory does not exist, cannot delete", path.c_str(), MB_OK);
            return 0;
        }
        bool done = true;
        int code = r;
        char a = fs_error(code, done, path, nullptr, status);
        if (a != 'r')
            return 0;
    }
}

int delete_tree(const Westring& path, const wchar_t* mask)
{
    if (file_globals.tree_depth > 0)
        return 0;
    if (!(config.Confirmations & ConfirmDeleteTree) && !file_globals.del_all_trees) {
        int answer = ask_delete_tree(path, !(config.Confirmations & ConfirmYesPrompt));
        if (answer == 0)
            return -1;
        if (answer == 2)
            file_globals.del_all_trees = true;
    }
    file_globals.tree_depth++;
    CDeleteTreeEvents events(mask);
    int r = DeleteTree(path, events);
    close_deleting_window();
    file_globals.tree_depth--;
    if (r == 0)
        return 1;
    if (r == -1)
        return -1;
    if (r == StatusSomeLeft)
        return 0;
    bool done = true;
    int code = r;
    fs_error(code, done, path);
    return code == -1 ? -1 : 0;
}

void (*archive_delete_hook)(PANEL* panel) = nullptr;

void file_delete_selected(PANEL* panel)
{
    // Members of an archive go through its archiver, after the same
    // confirmations.
    if (panel->archive) {
        if (archive_delete_hook)
            archive_delete_hook(panel);
        return;
    }
    CDescriptionSet descriptions;
    if (panel->tagged_count > 0) {
        int last = 0;
        for (int i = 0; i < panel->Count(); i++) {
            entry* e = panel->entries[i];
            if (!e->tagged || e->IsUpDir())
                continue;
            if (last == -1 || break_status == 2 || file_command_stopped())
                break;
            Westring path = join(panel->path, e->name);
            last = is_real_directory(e) ? delete_dir(path, L"*", nullptr, &descriptions)
                                        : delete_file(path, DeleteShowKeep, nullptr, &descriptions);
        }
        (void)delete_file(Westring(), DeleteCloseWindow);
    } else if (entry* e = panel->Current(); e && !e->IsUpDir()) {
        Westring path = join(panel->path, e->name);
        if (is_real_directory(e))
            (void)delete_dir(path, L"*", nullptr, &descriptions);
        else
            (void)delete_file(path, DeleteShowClose, nullptr, &descriptions);
    }
    (void)descriptions.Flush();
}

void file_delete(PANEL* panel)
{
    if (panel->Count() == 0)
        return;
    ResetFileGlobals();
    int n = panel->tagged_count;
    if (n > 0) {
        if (!(config.Confirmations & ConfirmDeleteFile)) {
            Westring line1(esprintf("You have selected %d file%s", n, n > 1 ? "s" : "").c_str());
            CDeleteDlg dlg(line1, L"Delete?", true);
            if (dlg.Process() != RESULT_ACCEPT)
                return;
            file_globals.del_all_RO = dlg.read_only;
        }
        if (!(config.Confirmations & ConfirmDeleteTagged) && !confirm_tagged_delete(n, panel->path))
            return;
    } else {
        entry* e = panel->Current();
        if (!e || e->IsUpDir())
            return;
        if (!(config.Confirmations & ConfirmDeleteFile)) {
            Westring name(e->name);
            collapse_path(name, std::max(console.Columns() - 10, 1));
            CDeleteDlg dlg(L"Do you wish to delete", name, e->IsDirectory());
            if (dlg.Process() != RESULT_ACCEPT)
                return;
            file_globals.del_all_RO = dlg.read_only;
        }
    }
    break_status = 1;
    file_delete_selected(panel);
    break_status = 0;
    panel_refresh();
}

void file_delete_single(PANEL* panel)
{
    ResetFileGlobals();
    Westring text;
    if (panel->showing)
        if (entry* e = panel->Current(); e && !e->IsUpDir())
            text = e->name;
    Westring path;
    for (;;) {
        if (!ask_delete_path(text))
            return;
        path = text;
        // Blanks alone name nothing (and would name the panel's directory).
        if (path.trim().empty())
            return;
        if (ResolvePath(path, panel->path.c_str()) != 0) {
            error(L"Invalid Path", text.c_str(), MB_OK);
            continue;
        }
        if (path.strlen() > 1)
            RemoveBackslash(path);
        struct stat st;
        if (lstat(sys(path).c_str(), &st) != 0) {
            error(L"File not found", path.c_str(), MB_OK);
            continue;
        }
        break;
    }
    if (!(config.Confirmations & ConfirmDeleteFile) && !confirm_delete_path(path))
        return;
    struct stat st;
    bool dir = lstat(sys(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    CDescriptionSet descriptions;
    break_status = 1;
    if (dir)
        (void)delete_dir(path, L"*", nullptr, &descriptions);
    else
        (void)delete_file(path, DeleteShowClose, nullptr, &descriptions);
    (void)descriptions.Flush();
    break_status = 0;
    panel_refresh();
}

void delete_key(int key, PANEL_REQUEST& request)
{
    PANEL* panel = &panel_base[currpanel];
    if (panel->type != PanelFiles)
        return;
    if (key == KEY_F1 + 7) {
        if (!panels_on() || !panel->showing)
            return;
        file_delete(panel);
    } else if (!panel->archive) {
        file_delete_single(panel);
    }
    request.redraw = 2;
}
