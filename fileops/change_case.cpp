#include "fileops/change_case.h"

#include "config/config.h"
#include "console/console.h"
#include "console/keyboard.h"
#include "entries/entry.h"
#include "fileops/copy_data.h"
#include "fileops/descriptions.h"
#include "fileops/file_system.h"
#include "fileops/fs_error.h"
#include "fileops/panel_entries.h"
#include "fileops/tree_walk.h"
#include "foundation/nls.h"
#include "foundation/time_stamp.h"
#include "panels/read_panel.h"
#include "textui/dialog.h"
#include "textui/message_box.h"
#include "textui/textui_settings.h"

#include <cerrno>
#include <cstdio>
#include <locale.h>
#include <memory>
#include <sys/stat.h>
#include <wctype.h>

namespace {

// The character classes and lower-case mapping of Unicode, independent of
// the locale the program runs in (the "C" locale knows ASCII only). Debian
// always has C.UTF-8; without it the locale's own tables stand in.
locale_t unicode_locale()
{
    static locale_t loc = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    return loc;
}

// Stand-ins for bytes that are not UTF-8 (FileNameFromSys) keep their value.
bool stray_byte(wchar_t c)
{
    return c >= 0xDC80 && c <= 0xDCFF;
}

wchar_t to_lower(wchar_t c)
{
    if (c < 128)
        return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c;
    if (stray_byte(c))
        return c;
    locale_t loc = unicode_locale();
    return loc ? static_cast<wchar_t>(towlower_l(static_cast<wint_t>(c), loc)) : nls_tolower(c);
}

wchar_t to_upper(wchar_t c)
{
    return stray_byte(c) ? c : nls_toupper(c);
}

bool is_digit(wchar_t c)
{
    return c >= L'0' && c <= L'9';
}

void mixed_case(Westring& text)
{
    Westring up = text;
    for (int i = 0; i < up.strlen(); i++)
        up[i] = to_upper(up[i]);
    int len = text.strlen();
    bool capital = true;
    for (int i = 0; i < len; i++) {
        if (!fnWordChar(up[i])) {
            if (is_digit(text[i]))
                capital = false;
            else if (text[i] != L'\'')
                capital = true;
            continue;
        }
        if (!capital) {
            text[i] = to_lower(text[i]);
            continue;
        }
        text[i] = to_upper(text[i]);
        capital = false;
        if (i + 1 < len && text[i + 1] == L'\'') {
            // O'Brien: a word after the apostrophe is capitalised too, but
            // not a short ending as in I'll or O's.
            int j = i + 2;
            while (j < len && fnWordChar(up[j]))
                j++;
            int n = j - (i + 2);
            bool ll = n == 2 && up[i + 2] == L'L' && up[i + 3] == L'L';
            capital = n >= 2 && !ll;
        }
    }
}

// Renames from to to when only their spelling differs in case or they are
// different names. On a file system that ignores case, the new spelling
// "exists" as the entry itself: then a plain rename is right. Any other
// existing name is reported and never replaced.
int rename_case(const Westring& from, const Westring& to)
{
    int code = DosMove(from, to);
    if (code == EEXIST && FileRelation(from, to) == RelationSameEntry)
        code = rename(FileNameToSys(from).c_str(), FileNameToSys(to).c_str()) == 0 ? 0 : errno;
    return code;
}

struct CASE_RUN
{
    char name_mode, ext_mode;
    bool recurse, dirs, files;
    CCaseProgress& progress;
    CDescriptionSet descriptions;
    long long count = 0;
};

// Renames one entry when its kind is one to change: 0 done (or nothing to
// do), positive skipped, -1 stopped. renamed receives the name it has now.
int rename_entry(CASE_RUN& run, const Westring& directory, const Westring& name, bool isDirectory, Westring& renamed)
{
    renamed = name;
    // The description file keeps its own name, or it would be lost.
    if ((isDirectory ? !run.dirs : !run.files) || reserved_file(name.c_str()))
        return 0;
    Westring changed = changeNameCase(name, run.name_mode, run.ext_mode);
    if (fncompare(changed.c_str(), name.c_str()) == 0)
        return 0;
    Westring from = join_path(directory, name), to = join_path(directory, changed);
    for (;;) {
        int code = rename_case(from, to);
        if (code == 0)
            break;
        char answer = run.progress.Failed(code, from);
        if (answer == 'r')
            continue;
        return answer == 's' ? 1 : -1;
    }
    // A renamed entry keeps its description line.
    run.descriptions.Move(from, to);
    renamed = changed;
    return 0;
}

// The walk below one directory. Every directory is listed before any of
// its entries is renamed, and renamed itself after its contents, so a
// rename never disturbs a listing in progress. Links and mount points are
// met as what they are and never entered.
class CCaseWalk : public CTreeWalk
{
public:
    explicit CCaseWalk(CASE_RUN& run) : run(run) {}

protected:
    int OnFile(const TreeEntry& e) override
    {
        bool dir = false;
        if (e.type == DT_LNK) {
            // A link counts as what it points to, as in the panel.
            struct stat st;
            dir = fstatat(e.dir, e.name, &st, 0) == 0 && S_ISDIR(st.st_mode);
        }
        return rename_in(e, dir);
    }
    int OnEnter(const TreeEntry& e) override
    {
        run.progress.Processing(WidePath(e), run.count);
        return 0;
    }
    int OnLeave(const TreeEntry& e, int) override
    {
        if (e.depth == 0 || Stopping())
            return 0;
        return rename_in(e, true);
    }
    int OnMount(const TreeEntry&) override
    {
        run.count++;
        return 0;
    }
    int OnError(const TreeEntry& e, int code) override
    {
        char answer = run.progress.Failed(code, WidePath(e));
        if (answer == 'r')
            return TreeRetry;
        if (answer == 's') {
            skipped = true;
            return TreeSkip;
        }
        return TreeStop;
    }
    bool Stopped() override { return run.progress.Stopped(); }

public:
    bool skipped = false;

private:
    int rename_in(const TreeEntry& e, bool dir)
    {
        run.count++;
        Westring path = WidePath(e);
        int slash = path.rchr(L'/');
        Westring parent = slash > 0 ? path.left(slash) : Westring(L"/");
        Westring renamed;
        int r = rename_entry(run, parent, path.mid(slash + 1, 0), dir, renamed);
        if (r > 0)
            skipped = true;
        return r < 0 ? -1 : 0;
    }

    CASE_RUN& run;
};

int change_one(CASE_RUN& run, const Westring& directory, const Westring& name, bool isDirectory, bool isLink)
{
    Westring renamed;
    int status = rename_entry(run, directory, name, isDirectory, renamed);
    run.count++;
    if (status < 0 || !run.recurse || !isDirectory || isLink)
        return status;
    CCaseWalk walk(run);
    int r = walk.Walk(join_path(directory, renamed));
    if (r == -1)
        return -1;
    if (r > 0 || walk.skipped)
        return status > 0 ? status : 1;
    return status;
}

CASE_RUN make_run(char nameMode, char extMode, CCaseProgress& progress)
{
    return CASE_RUN{nameMode, extMode, config.CaseModRecurse, config.CaseModDirs, config.CaseModFiles, progress, {}};
}

// The command's progress: the recursion window " Changing file case ",
// opened when the first directory below an entry is entered and closed
// when that entry is done, and Esc. Drawn at most ten times a second.
class CCaseWindow : public CCaseProgress
{
public:
    void Processing(const Westring& dir, long long count) override
    {
        double now = GetRelativeTime();
        if (window && now - drawn < 0.1)
            return;
        drawn = now;
        if (!window) {
            window = std::make_unique<Win>(-1, -2, 60, 5, ui_colour(ColourMessages), ui_colour(ColourMessages));
            put_frame_title(*window, " Changing file case ");
        }
        Westring line = Westring(L"Processing files in ") + shorten(dir, 36);
        window->puts_at(1, 1, line.c_str());
        window->clreol();
        Westring n = Westring(esprintf("%lld", count).c_str());
        window->Goto(0, 2);
        window->clreol();
        window->PutCentre(2, n.c_str());
    }
    bool Stopped() override
    {
        // Esc is looked for as often as the window is drawn.
        double now = GetRelativeTime();
        if (now - polled < 0.1)
            return false;
        polled = now;
        if (CheckEvent() && check_esc())
            stop = true;
        return stop;
    }
    char Failed(int code, const Westring& path) override
    {
        bool done = true;
        char answer = fs_error(code, done, path);
        if (!done)
            return 'r';
        return answer == ANSWER_CANCEL ? 27 : 's';
    }
    // The entry is done: its recursion window goes.
    void EntryDone() { window.reset(); }
    bool stop = false;

private:
    std::unique_ptr<Win> window;
    double drawn = 0, polled = -1;
};

constexpr char CaseModes[] = {'l', 'u', 'm', 'n'};

bool valid_mode(char c)
{
    return c == 'l' || c == 'u' || c == 'm' || c == 'n';
}

}

char CCaseProgress::Failed(int, const Westring&)
{
    return 's';
}

void changeNameCase(Westring& text, char mode)
{
    int len = text.strlen();
    switch (mode) {
    case 'l':
        for (int i = 0; i < len; i++)
            text[i] = to_lower(text[i]);
        break;
    case 'u':
        for (int i = 0; i < len; i++)
            text[i] = to_upper(text[i]);
        break;
    case 'm':
        mixed_case(text);
        break;
    default:
        break;
    }
}

Westring changeNameCase(const Westring& name, char nameMode, char extMode)
{
    int dot = name.rchr(L'.');
    Westring base = dot < 0 ? name : name.left(dot);
    Westring ext = dot < 0 ? Westring() : name.mid(dot, 0);
    changeNameCase(base, nameMode);
    changeNameCase(ext, extMode);
    return base + ext;
}

bool fnWordChar(wchar_t c)
{
    if (c < 128)
        return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
    if (stray_byte(c))
        return false;
    locale_t loc = unicode_locale();
    return loc ? iswalpha_l(static_cast<wint_t>(c), loc) != 0 : iswalpha(static_cast<wint_t>(c)) != 0;
}

int change_entry_case(const Westring& directory, const Westring& name, bool isDirectory, bool isLink, char nameMode,
                      char extMode, CCaseProgress& progress)
{
    CASE_RUN run = make_run(nameMode, extMode, progress);
    int r = change_one(run, directory, name, isDirectory, isLink);
    (void)run.descriptions.Flush();
    return r;
}

int change_entry_case(const Westring& directory, const entry& e, char nameMode, char extMode, CCaseProgress& progress)
{
    return change_entry_case(directory, Westring(e.name), e.IsDirectory(), (e.attributes & AttrSymLink) != 0, nameMode,
                             extMode, progress);
}

void change_case(PANEL* panel)
{
    std::vector<entry*> chosen = chosen_entries(panel);
    if (chosen.empty())
        return;
    bool tagged = panel->tagged_count > 0;
    int nameMode = valid_mode(config.CaseMod[0]) ? config.CaseMod[0] : 'l';
    int extMode = config.CaseMod.strlen() > 1 && valid_mode(config.CaseMod[1]) ? config.CaseMod[1] : 'l';
    char recurse = config.CaseModRecurse, dirs = config.CaseModDirs, files = config.CaseModFiles;
    int result;
    {
        Dialog dlg(-1, -2, 36, 17, ui_colour(ColourMessages));
        static const char* const nameLabels[] = {"_Lower", "_Upper", "_Mixed", "_None"};
        static const char* const extLabels[] = {"Lo_wer", "U_pper", "M_ixed", "Non_e"};
        for (int i = 0; i < 4; i++)
            dlg.AddRadioButton(2, 5 + i, i == 0 ? 2 : 0, nameMode, CaseModes[i], nameLabels[i]);
        for (int i = 0; i < 4; i++)
            dlg.AddRadioButton(15, 5 + i, i == 0 ? 2 : 0, extMode, CaseModes[i], extLabels[i]);
        dlg.AddCheckBox(2, 10, 1, recurse, "_Recurse into directories", 1);
        dlg.AddCheckBox(2, 11, 0, dirs, "Change _directories", 1);
        dlg.AddCheckBox(2, 12, 0, files, "Change _files", 1);
        dlg.AddOkCancel(8, 14, 1);
        dlg.AddStaticText(-1, 0, "Change case of");
        Westring what = tagged ? Westring(esprintf("%d file%s", panel->tagged_count, panel->tagged_count == 1 ? "" : "s").c_str())
                               : shorten(chosen[0]->name, 26);
        dlg.AddStaticText(-1, 1, what.c_str());
        dlg.AddStaticText(2, 3, "Name");
        dlg.AddStaticText(15, 3, "Extension");
        result = dlg.Process();
    }
    // The check boxes are the settings themselves, and the modes are kept
    // for next time even when the dialog was cancelled.
    config.CaseModRecurse = recurse;
    config.CaseModDirs = dirs;
    config.CaseModFiles = files;
    char modes[3] = {static_cast<char>(nameMode), static_cast<char>(extMode), 0};
    config.CaseMod = modes;
    if (result != RESULT_ACCEPT)
        return;

    Westring dir = panel->GetWD();
    CCaseWindow window;
    CASE_RUN run = make_run(modes[0], modes[1], window);
    int cursor = console.GetCursorType();
    console.SetCursorType(0);
    if (!tagged) {
        (void)change_one(run, dir, chosen[0]->name, chosen[0]->IsDirectory(), (chosen[0]->attributes & AttrSymLink) != 0);
    } else {
        Win bar(-1, -2, 60, 5, ui_colour(ColourMessages), ui_colour(ColourMessages));
        put_frame_title(bar, " Changing file case ");
        bar.PutCentre(0, shorten(dir, 56).c_str());
        float fraction = 0;
        double drawn = -1;
        for (size_t i = 0; i < chosen.size(); i++) {
            double now = GetRelativeTime();
            if (now - drawn >= 0.1) {
                drawn = now;
                fraction = static_cast<float>(i) / static_cast<float>(chosen.size());
                int n = static_cast<int>(56 * fraction);
                Westring cells = String(L'\u2588', n) + String(L'\u2591', 56 - n);
                bar.puts_at(1, 2, cells.c_str());
            }
            entry* e = chosen[i];
            int r = change_one(run, dir, e->name, e->IsDirectory(), (e->attributes & AttrSymLink) != 0);
            window.EntryDone();
            if (r < 0 || window.Stopped() || window.stop)
                break;
        }
    }
    console.SetCursorType(cursor);
    (void)run.descriptions.Flush();
    panel_refresh();
}

void change_case_key(int, PANEL_REQUEST& request)
{
    PANEL* panel = &panel_base[currpanel];
    if (!panel->showing || !files_panel(panel) || panel->archive)
        return;
    change_case(panel);
    request.redraw = 2;
}
