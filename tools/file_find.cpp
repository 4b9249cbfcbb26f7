#include "tools/file_find.h"

#include "editor/edit.h"

#include "config/associations.h"
#include "config/config.h"
#include "console/colours.h"
#include "console/console.h"
#include "console/key_codes.h"
#include "editor/search_settings.h"
#include "editor/view_code_page.h"
#include "entries/locale_facts.h"
#include "entries/mask_eval.h"
#include "fileops/copy_move.h"
#include "fileops/delete.h"
#include "fileops/file_globals.h"
#include "fileops/file_system.h"
#include "panels/change_dir.h"
#include "panels/entry_format.h"
#include "panels/key_commands.h"
#include "panels/panel.h"
#include "panels/read_panel.h"
#include "panels/sort_panel.h"
#include "textui/collapse_path.h"
#include "textui/dialog.h"
#include "textui/list_box.h"
#include "textui/message_box.h"
#include "textui/textui_settings.h"
#include "tools/file_find_scan.h"
#include "tools/file_find_search.h"
#include "tools/find_replace.h"
#include "tools/help_viewer.h"
#include "viewer/view_panel_files.h"
#include "viewer/viewer_commands.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sys/stat.h>
#include <thread>

bool find_scan_synchronous = false;

void FFEntryStore::Remove(int i)
{
    if (i < 0 || i >= Count())
        return;
    entry::Destroy(items[static_cast<size_t>(i)]);
    items.erase(items.begin() + i);
}

void FFEntryStore::Clear()
{
    for (entry* e : items)
        entry::Destroy(e);
    items.clear();
}

namespace {

constexpr int ResultFind = 0x300001;
constexpr int ResultGoTo = 0x300002;
constexpr int KEY_CTRL_R = 0x12;
constexpr wchar_t HiddenMark = L'\u2591';

Westring date_text(const TimeStamp& time)
{
    ExpandedTime t;
    time.Expand(t);
    int a = t.month, b = t.day, c = t.year % 100;
    if (date_fmt == 1) {
        a = t.day;
        b = t.month;
    } else if (date_fmt == 2) {
        a = t.year % 100;
        b = t.month;
        c = t.day;
    }
    return Westring(esprintf(date_str.c_str(), a, b, c).c_str());
}

Westring time_text(const TimeStamp& time)
{
    ExpandedTime t;
    time.Expand(t);
    char buf[16];
    if (config.TimeMode == 12)
        std::snprintf(buf, sizeof buf, "%2d:%02d%c", t.hour % 12 == 0 ? 12 : t.hour % 12, t.minute,
                      t.hour < 12 ? 'a' : 'p');
    else
        std::snprintf(buf, sizeof buf, "%3d:%02d", t.hour, t.minute);
    return Westring(buf);
}

Westring padded(Westring s, int width, bool right)
{
    int n = s.strlen();
    if (n >= width)
        return s;
    Westring blanks = String(L' ', width - n);
    return right ? blanks + s : s + blanks;
}

Westring thousands(unsigned long long value)
{
    wchar_t digits[32], out[48];
    std::swprintf(digits, 32, L"%llu", value);
    addCommas(out, digits);
    return Westring(out);
}

Westring last_name(const Westring& path)
{
    int slash = path.rchr(L'/');
    return slash >= 0 ? path.mid(slash + 1, 0) : path;
}

Westring directory_of(const Westring& path)
{
    int slash = path.rchr(L'/');
    if (slash <= 0)
        return Westring(L"/");
    return path.left(slash);
}

// A copy of e under another name.
entry* copy_named(const entry& e, const wchar_t* name)
{
    entry* c = entry::Create(name, static_cast<int>(std::wcslen(name)));
    c->size = e.size;
    c->attributes = e.attributes;
    c->mode = e.mode;
    c->uid = e.uid;
    c->gid = e.gid;
    c->time = e.time;
    c->group = e.group;
    c->match_pos = e.match_pos;
    return c;
}

bool is_real_directory(const entry& e)
{
    return e.IsDirectory() && !(e.attributes & AttrSymLink);
}

// The result list of the dialog: draws FileFinder's results with
// make_found. The store's lock is taken per line, so the scan thread can
// append meanwhile.
class EntryListBox : public ListBoxBase
{
public:
    EntryListBox(Dialog& d, int x, int y, int width, int height, FFEntryStore& store, int& selection,
                 int exit_code)
        : ListBoxBase(d, x, y, width, height, 0, selection, exit_code), store(store)
    {
        std::lock_guard<std::mutex> hold(store.Mutex());
        count = store.Count();
    }
    void DrawLine(int line, int item, unsigned char attr) override
    {
        Westring text;
        {
            std::lock_guard<std::mutex> hold(store.Mutex());
            if (const entry* e = store.At(item))
                text = make_found(*e, width);
        }
        if (text.strlen() > width)
            text = text.left(width);
        dialog->puts_at(x, y + line, padded(text, width, false).c_str(), attr);
    }

    FFEntryStore& store;
};

class CFindDialog : public Dialog
{
public:
    using Dialog::Dialog;
    int AddEntryList(int x, int y, int width, int height, FFEntryStore& store, int& selection, int exit_code)
    {
        return Add(std::make_unique<EntryListBox>(*this, x, y, width, height, store, selection, exit_code), 1);
    }
};

// The code-page text last given to a search.
Westring last_code_page_text;

}

Westring make_found(const entry& e, int width)
{
    Westring path(e.name);
    collapse_path(path, std::max(width - 28, 8));
    if (e.match_pos == FoundOpenError)
        return padded(Westring(L"Error opening"), 28, false) + path;
    Westring size;
    if (e.IsDirectory())
        size = Westring(L"\u25BASUBDIR\u25C4");
    else
        size = thousands(e.size);
    return padded(size, 10, true) + L" " + padded(date_text(e.time), 8, true) + L" " +
           padded(time_text(e.time), 6, true) + L" " + ((e.attributes & AttrHidden) ? HiddenMark : L' ') + path;
}

class FileFinder
{
public:
    FileFinder(PANEL* panel, bool reopen);
    ~FileFinder();
    FileFinder(const FileFinder&) = delete;
    FileFinder& operator=(const FileFinder&) = delete;

    // The dialog loop; after GoTo the panel is on the result.
    void Process();
    // True when the dialog was left by GoTo.
    bool go_requested() const { return go; }

    static FFEntryStore files_;
    static int currfile_;
    static Westring search_, containing_;

private:
    class CScan;

    void draw_labels();
    void start_search();
    void scanDrive();
    // Shows what the scan left: new results, the directory being
    // searched, the blinking "Searching:", and the closing line once the
    // scan has ended. Logic thread.
    void refresh();
    void AbortSearch();
    void RemoveItem(int index, bool redraw);
    void UpdateListBox();
    void show_status(const Westring& text, int x);
    void view_or_edit(int key);
    void copy_move(bool move);
    void delete_current();
    void delete_all();
    void sort_results(sortby order);
    void go_to();
    void MultiFileSearchReplace();
    int SingleFileSearchReplace(const entry& e, const ReplaceRequest& request, int& count);
    entry* current() const;

    PANEL* panel;
    std::unique_ptr<CFindDialog> dlg;
    int list_index = 0;
    int status_row = 0;
    int inner_width = 0;
    Westring mask, text, cp_text;
    char root = 0, recurse = 1, follow = 0, case_sensitive = 0, whole_word = 0;

    FindOptions options;
    std::thread scan_thread;
    std::atomic<bool> abort_flag{false};
    std::atomic<bool> running{false};
    // What the scan thread leaves for the logic thread to show, under
    // state_lock.
    std::mutex state_lock;
    Westring scanning_dir;
    bool dir_changed = false;
    Westring closing_line;
    bool closing_stopped = false;
    std::atomic<bool> finished{false};
    std::chrono::steady_clock::time_point blink_at;
    bool blink_shown = false;
    int shown_count = 0;
    bool follow_results = true;
    int unlistable = 0;
    int saved_saver = 0;
    bool go = false;
};

FFEntryStore FileFinder::files_;
int FileFinder::currfile_ = 0;
Westring FileFinder::search_ = L"*";
Westring FileFinder::containing_;

// The walk of one search, reporting to its FileFinder.
class FileFinder::CScan : public CFileScan
{
public:
    CScan(FileFinder& f, const FindOptions& o) : CFileScan(o), finder(f) {}

protected:
    void Found(entry* e) override
    {
        std::lock_guard<std::mutex> hold(files_.Mutex());
        files_.Append(e);
    }
    void Entering(const std::string& dir) override
    {
        std::lock_guard<std::mutex> hold(finder.state_lock);
        finder.scanning_dir = FileNameFromSys(dir.c_str());
        finder.dir_changed = true;
    }
    void Tick() override
    {
        if (break_status == 2)
            finder.abort_flag = true;
    }

private:
    FileFinder& finder;
};

FileFinder::FileFinder(PANEL* p, bool reopen) : panel(p)
{
    const int cols = config.ScreenColumns, lines = config.ScreenRows;
    dlg = std::make_unique<CFindDialog>(-1, 2, cols - 4, 2 + lines - 4 - 1, ui_colour(ColourMenu));
    dlg->SetColour(ColourInput, ui_colour(ColourCommandLine));
    dlg->SetColour(ColourFocusButton, ui_colour(ColourCommandLine));
    const int h = lines - 4 - 2;
    inner_width = cols - 4 - 2;
    status_row = h - 11;
    {
        Westring title(L" File Find ");
        dlg->puts_at((cols - 4 - title.strlen()) / 2 - 1, -1, title.c_str());
    }
    mask = search_;
    text = containing_;
    cp_text = viewCP ? Westring(esprintf("%d", viewCP).c_str()) : last_code_page_text;
    root = config.FFRootSearch;
    recurse = config.FFRecurse;
    follow = config.FFFollowLinks;
    case_sensitive = config.FFCase;
    whole_word = config.FFWholeWord;
    if (!reopen) {
        std::lock_guard<std::mutex> hold(files_.Mutex());
        files_.Clear();
        currfile_ = 0;
    }

    const int text_width = std::max(1, std::min(34, inner_width - 48));
    dlg->AddStringField(1, h - 7, 1, mask, 34, -1, HistoryFindMask);
    dlg->AddCheckBox(1, h - 5, 1, root, "Start at _Root", 1);
    dlg->AddCheckBox(1, h - 4, 1, recurse, "_Scan subdirectories", 1);
    dlg->AddCheckBox(1, h - 3, 1, follow, "Follow _Directory Symlinks", 1);
    dlg->AddStringField(39, h - 7, 1, text, text_width, -1, HistoryFindText);
    dlg->AddStringField(39 + text_width + 4, h - 7, 1, cp_text, 5, 5, NoHistory);
    dlg->AddCheckBox(39, h - 5, 1, case_sensitive, "_Case sensitive", 1);
    dlg->AddCheckBox(39, h - 4, 1, whole_word, "_Whole Word", 1);
    dlg->AddPushButton(7, h - 1, 1, ResultFind, "_Find");
    dlg->AddPushButton(17, h - 1, 0, RESULT_CANCEL, "Cancel");
    dlg->AddPushButton(29, h - 1, 0, KEY_F1, "Help");
    dlg->AddPushButton(39, h - 1, 0, ResultGoTo, "_GoTo");
    dlg->AddPushButton(49, h - 1, 0, KEY_F1 + 2, "View");
    dlg->AddPushButton(59, h - 1, 0, KEY_F1 + 3, "Edit");
    list_index = dlg->AddEntryList(0, 0, inner_width, h - 11, files_, currfile_, ResultGoTo);
    dlg->SetAccelerators("irsdtpcwf", 9);
    static const int exit_keys[] = {
        KEY_F1 + 2, KEY_F1 + 3, KEY_ALT_F1 + 2, KEY_ALT_F1 + 3, KEY_F1 + 4, KEY_F1 + 5, KEY_F1 + 7,
        KEY_SHIFT_F1 + 7, KEY_DEL, KEY_CTRL_F1 + 2, KEY_CTRL_F1 + 3, KEY_CTRL_F1 + 4, KEY_CTRL_F1 + 5,
        KEY_CTRL_SHIFT_F, KEY_CTRL_SHIFT_J, KEY_CTRL_R, KEY_F1, KEY_F10,
    };
    for (int k : exit_keys)
        dlg->AddExitKey(k);
    draw_labels();
    if (reopen && files_.Count() > 0)
        dlg->ChangeFocus(list_index);
    UpdateListBox();
}

FileFinder::~FileFinder()
{
    AbortSearch();
}

void FileFinder::draw_labels()
{
    const int h = config.ScreenRows - 6;
    const int text_width = std::max(1, std::min(34, inner_width - 48));
    dlg->PutHot(1, h - 8, "File(s) to find:", "i");
    dlg->PutHot(39, h - 8, "Containing:", "T");
    dlg->PutHot(39 + text_width + 1, h - 7, "CP", "P");
}

entry* FileFinder::current() const
{
    return files_.At(currfile_);
}

void FileFinder::show_status(const Westring& s, int x)
{
    dlg->puts_at(x, status_row, s.c_str());
}

void FileFinder::UpdateListBox()
{
    int n;
    {
        std::lock_guard<std::mutex> results(files_.Mutex());
        n = files_.Count();
    }
    if (n == shown_count)
        return;
    // The cursor follows new results while it sits on the last one.
    bool on_last = currfile_ >= shown_count - 1;
    if (follow_results && on_last && n > shown_count && running)
        currfile_ = n - 1;
    shown_count = n;
    Event ev;
    ev.type = EventListLength;
    ev.key = n;
    dlg->SendMessage(list_index, ev);
}

void FileFinder::refresh()
{
    std::lock_guard<std::recursive_mutex> screen(dlg->Mutex());
    UpdateListBox();
    {
        std::lock_guard<std::mutex> hold(state_lock);
        if (dir_changed && running) {
            Westring shown = scanning_dir;
            int width = inner_width - 13;
            collapse_path(shown, width);
            show_status(padded(shown, width, false), 12);
            dir_changed = false;
        }
    }
    auto now = std::chrono::steady_clock::now();
    if (running && now >= blink_at) {
        blink_shown = !blink_shown;
        show_status(blink_shown ? Westring(L"Searching:") : Westring(L"          "), 1);
        blink_at = now + std::chrono::milliseconds(500);
    }
    if (finished.exchange(false)) {
        if (scan_thread.joinable())
            scan_thread.join();
        Westring line;
        bool stopped;
        {
            std::lock_guard<std::mutex> hold(state_lock);
            line = closing_line;
            stopped = closing_stopped;
        }
        show_status(String(L' ', inner_width), 0);
        show_status(stopped ? L"Search Stopped:" : L"Search Complete:", 1);
        show_status(line, 18);
        UpdateListBox();
    }
}

void FileFinder::scanDrive()
{
    CScan scan(*this, options);
    int r = scan.Run(abort_flag);
    bool stopped = r == -1 || abort_flag || break_status == 2;

    unsigned long long bytes = 0;
    int n;
    {
        std::lock_guard<std::mutex> hold(files_.Mutex());
        n = files_.Count();
        for (int i = 0; i < n; i++)
            bytes += files_.At(i)->size;
    }
    const int unreadable = scan.Unlistable();
    Westring line = Westring(esprintf("%d", n).c_str()) + (n == 1 ? L" match uses " : L" matches use ") +
                    thousands(bytes) + L" bytes";
    if (unreadable > 0)
        line += Westring(esprintf(" (%d unreadable director%s)", unreadable, unreadable == 1 ? "y" : "ies").c_str());
    if (line.strlen() > inner_width - 19)
        line = line.left(inner_width - 19);
    std::atomic_ref<int>(config.Saver).store(saved_saver);
    {
        std::lock_guard<std::mutex> hold(state_lock);
        closing_line = line;
        closing_stopped = stopped;
    }
    running = false;
    finished = true;
}

void FileFinder::AbortSearch()
{
    abort_flag = true;
    if (scan_thread.joinable())
        scan_thread.join();
    abort_flag = false;
    break_status = 0;
}

void FileFinder::RemoveItem(int index, bool redraw)
{
    {
        std::lock_guard<std::mutex> hold(files_.Mutex());
        files_.Remove(index);
        if (currfile_ >= files_.Count())
            currfile_ = std::max(0, files_.Count() - 1);
    }
    if (redraw) {
        UpdateListBox();
        Event ev;
        ev.type = EventListRedraw;
        dlg->SendMessage(list_index, ev);
    }
}

void FileFinder::start_search()
{
    if (mask.trim().empty())
        return;
    search_ = mask;
    containing_ = text;
    last_code_page_text = cp_text;
    int cp = std::atoi(FileNameToSys(cp_text).c_str());
    viewCP = cp > 0 && CTextFile::IsUsableCodePage(cp) ? cp : 0;
    dlg->SaveToHistory();
    AbortSearch();
    if (mask_eval(search_.c_str(), L"test") < 0) {
        std::lock_guard<std::recursive_mutex> screen(dlg->Mutex());
        error(L"Syntax error in search expression", search_.c_str(), MB_OK);
        return;
    }
    config.FFRootSearch = root;
    config.FFRecurse = recurse;
    config.FFFollowLinks = follow;
    config.FFCase = case_sensitive;
    config.FFWholeWord = whole_word;
    {
        std::lock_guard<std::mutex> hold(files_.Mutex());
        files_.Clear();
    }
    currfile_ = 0;
    UpdateListBox();
    {
        Event ev;
        ev.type = EventListRedraw;
        dlg->SendMessage(list_index, ev);
    }
    console.SetCursorType(0);
    dlg->ChangeFocus(list_index);
    break_status = 1;
    // No screen saver while the scan runs; the scan puts it back.
    saved_saver = config.Saver;
    config.Saver = 0;
    // Taken here, so that the boxes may change while the scan runs.
    options = FindOptions();
    options.start = root ? Westring(L"/") : panel->GetWD();
    options.mask = search_;
    options.text = containing_;
    options.recurse = recurse;
    options.follow_links = follow;
    options.case_sensitive = case_sensitive;
    options.whole_word = whole_word;
    options.hidden = config.Hidden;
    options.skip_pseudo = true;
    options.code_page = viewCP;
    show_status(String(L' ', inner_width), 0);
    show_status(L"Searching:", 1);
    blink_shown = true;
    blink_at = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
    running = true;
    finished = false;
    scan_thread = std::thread([this] { scanDrive(); });
    if (find_scan_synchronous) {
        scan_thread.join();
        refresh();
    }
}

void FileFinder::view_or_edit(int key)
{
    entry* e = current();
    if (!e || e->IsDirectory())
        return;
    const bool view = key == KEY_F1 + 2 || key == KEY_ALT_F1 + 2;
    const bool alternative = key == KEY_ALT_F1 + 2 || key == KEY_ALT_F1 + 3;
    Westring path(e->name);
    Westring command;
    if (alternative)
        command = view ? config.Viewer2 : config.Editor2;
    else if (!(view ? viewAssociations : editAssociations).FindAssociation(last_name(path), command))
        command = view ? config.Viewer : config.Editor;
    std::lock_guard<std::recursive_mutex> screen(dlg->Mutex());
    // The viewer's searches then go on with the text found here.
    if (!containing_.empty()) {
        word = containing_;
        casesense = case_sensitive;
        wholeWord = whole_word;
    }
    if (!command.empty()) {
        dlg->hide(1);
        run_external_viewer(command, path);
        dlg->hide(0);
        return;
    }
    if (!view) {
        // The editor opens at the first match, the found text selected.
        long long at = e->match_pos >= 0 ? e->match_pos : -1;
        dlg->hide(1);
        (void)edit(path.c_str(), at, at >= 0 ? containing_.strlen() : 0);
        dlg->hide(0);
        return;
    }
    // The viewer steps through the found files (Alt+Up, Alt+Down): it is
    // given a panel holding them, named from the root.
    PANEL list;
    list.path = L"/";
    list.type = PanelFiles;
    {
        std::lock_guard<std::mutex> hold(files_.Mutex());
        for (int i = 0; i < files_.Count(); i++)
            list.entries.Append(copy_named(*files_.At(i), files_.At(i)->name + 1));
    }
    list.top = currfile_;
    list.cursor = 0;
    dlg->hide(1);
    view_panel_files(list);
    dlg->hide(0);
    int at = list.CurrentIndex();
    if (at >= 0 && at < files_.Count())
        currfile_ = at;
    Event ev;
    ev.type = EventListRedraw;
    dlg->SendMessage(list_index, ev);
}

void FileFinder::copy_move(bool move)
{
    if (running || files_.Count() == 0)
        return;
    const int side = panel_side(panel);
    // The results, tagged, in a panel of their own rooted at "/"; the
    // other panel's place is the destination.
    PANEL temp[2];
    PANEL& list = temp[side];
    list.path = L"/";
    list.type = PanelFiles;
    list.showing = true;
    list.fs_type = panel->fs_type;
    list.mount_point = panel->mount_point;
    for (int i = 0; i < files_.Count(); i++) {
        entry* c = copy_named(*files_.At(i), files_.At(i)->name + 1);
        c->tagged = 1;
        list.tagged_count++;
        list.tagged_bytes += c->size;
        list.entries.Append(c);
    }
    const PANEL& real = panel_base[1 - side];
    temp[1 - side].path = real.path;
    temp[1 - side].showing = real.showing;
    temp[1 - side].type = real.type;
    dlg->hide(1);
    (void)file_copy_move(temp, side, move ? CopyFlagMove : 0);
    dlg->hide(0);
    if (move) {
        // What was moved is no longer where the list says.
        for (int i = files_.Count() - 1; i >= 0; i--) {
            struct stat st;
            if (lstat(FileNameToSys(Westring(files_.At(i)->name)).c_str(), &st) != 0)
                RemoveItem(i, false);
        }
        RemoveItem(-1, true);
    }
}

void FileFinder::delete_current()
{
    entry* e = current();
    if (!e)
        return;
    Westring path(e->name);
    const bool dir = is_real_directory(*e);
    if (!(config.Confirmations & ConfirmDeleteFile)) {
        Westring shown = path;
        collapse_path(shown, 70);
        int width = std::max(30, shown.strlen()) + 4;
        Dialog d(-1, -2, width, 6, ui_colour(ColourErrors));
        d.PutCentre(0, L"Do you wish to delete");
        d.PutCentre(1, shown.c_str());
        d.AddOkCancel(-1, -1, 1);
        if (d.Process() != RESULT_ACCEPT)
            return;
    }
    int r = dir ? delete_dir(path) : delete_file(path, DeleteShowClose);
    if (r == 1)
        RemoveItem(currfile_, true);
}

void FileFinder::delete_all()
{
    if (running || files_.Count() == 0)
        return;
    if (!(config.Confirmations & ConfirmDeleteTagged)) {
        Dialog d(-1, -2, 36, 6, ui_colour(ColourErrors));
        d.PutCentre(0, L"Are you sure you wish to delete");
        d.PutCentre(1, Westring(esprintf("%d files?", files_.Count()).c_str()).c_str());
        d.AddOkCancel(-1, -1, 1);
        if (d.Process() != RESULT_ACCEPT)
            return;
    }
    for (int i = 0; i < files_.Count();) {
        entry* e = files_.At(i);
        Westring path(e->name);
        int r = is_real_directory(*e) ? delete_dir(path) : delete_file(path, DeleteShowKeep);
        if (r == -1)
            break;
        if (r == 1)
            RemoveItem(i, false);
        else
            i++;
    }
    (void)delete_file(Westring(), DeleteCloseWindow);
    RemoveItem(-1, true);
}

void FileFinder::sort_results(sortby order)
{
    {
        std::lock_guard<std::mutex> hold(files_.Mutex());
        sort_panel(order, files_.Data(), files_.Count());
    }
    currfile_ = 0;
    Event ev;
    ev.type = EventListRedraw;
    dlg->SendMessage(list_index, ev);
}

void FileFinder::go_to()
{
    go = files_.Count() > 0;
}

void FileFinder::Process()
{
    for (;;) {
        ResetFileGlobals();
        // While a scan runs the dialog wakes five times a second to show
        // its progress; the scan thread itself never draws.
        int r = dlg->Process(scan_thread.joinable() ? 200 : -1);
        if (r == 0) {
            refresh();
            continue;
        }
        entry* e = current();
        switch (r) {
        case ResultFind:
        case RESULT_ACCEPT:
            start_search();
            break;
        case KEY_F10:
            // Closing the window: leave at once, whatever runs.
            return;
        case RESULT_CANCEL:
            if (running) {
                AbortSearch();
                refresh();
                break;
            }
            return;
        case KEY_F1: {
            std::lock_guard<std::recursive_mutex> screen(dlg->Mutex());
            help(HelpFind);
            break;
        }
        case KEY_F1 + 2:
        case KEY_F1 + 3:
        case KEY_ALT_F1 + 2:
        case KEY_ALT_F1 + 3:
            view_or_edit(r);
            break;
        case KEY_F1 + 4:
        case KEY_F1 + 5:
            copy_move(r == KEY_F1 + 5);
            break;
        case KEY_F1 + 7:
            delete_current();
            break;
        case KEY_SHIFT_F1 + 7:
            delete_all();
            break;
        case KEY_DEL:
            if (e)
                RemoveItem(currfile_, true);
            break;
        case KEY_CTRL_F1 + 2:
        case KEY_CTRL_F1 + 3:
        case KEY_CTRL_F1 + 4:
        case KEY_CTRL_F1 + 5:
            sort_results(static_cast<sortby>(r - (KEY_CTRL_F1 + 2)));
            break;
        case KEY_CTRL_SHIFT_F:
        case KEY_CTRL_SHIFT_J:
            if (e) {
                Westring path(e->name);
                console.PutClipText((r == KEY_CTRL_SHIFT_F ? path : last_name(path)).c_str());
            }
            break;
        case KEY_CTRL_R:
            if (!running && files_.Count() > 0 && !containing_.empty())
                MultiFileSearchReplace();
            break;
        case ResultGoTo:
            go_to();
            if (go)
                return;
            break;
        default:
            break;
        }
    }
}

int FileFinder::SingleFileSearchReplace(const entry& e, const ReplaceRequest& request, int& count)
{
    Westring path(e.name);
    int r = replace_in_file(path, request, &e, count);
    if (r == 0 && count > 0) {
        // The list keeps the file as it now is, for the next replace.
        struct stat st;
        std::lock_guard<std::mutex> hold(files_.Mutex());
        for (int i = 0; i < files_.Count(); i++) {
            entry* f = files_.At(i);
            if (f == &e && stat(FileNameToSys(path).c_str(), &st) == 0) {
                f->size = static_cast<unsigned long long>(st.st_size);
                f->time = TimeStamp(st.st_mtim.tv_sec, static_cast<unsigned>(st.st_mtim.tv_nsec));
            }
        }
    }
    return r;
}

void FileFinder::MultiFileSearchReplace()
{
    Westring replacement;
    {
        Dialog d(-1, -2, 60, 8, ui_colour(ColourMenu));
        d.PutCentre(0, L"Multi-file search & replace");
        d.puts_at(1, 2, L"Replace with:");
        d.AddStringField(1, 3, 1, replacement, 56, -1, HistoryFindText);
        d.AddOkCancel(-1, -1, 1);
        if (d.Process() != RESULT_ACCEPT)
            return;
    }
    const int n = files_.Count();
    {
        Dialog d(-1, -2, 60, 9, ui_colour(ColourErrors));
        Westring from = L"\"" + containing_ + L"\"";
        Westring to = L"\"" + replacement + L"\"";
        collapse_path(from, 54);
        collapse_path(to, 54);
        d.PutCentre(0, L"Are you sure you want to replace");
        d.PutCentre(1, from.c_str());
        d.PutCentre(2, L"with");
        d.PutCentre(3, to.c_str());
        d.PutCentre(4, Westring(esprintf("in %d file%s", n, n == 1 ? "" : "s").c_str()).c_str());
        d.AddOkCancel(-1, -1, 1);
        if (d.Process() != RESULT_ACCEPT)
            return;
    }
    ReplaceRequest request;
    request.text = containing_;
    request.replacement = replacement;
    request.case_sensitive = case_sensitive;
    request.whole_word = whole_word;
    request.code_page = viewCP;
    int total = 0, files = 0, skipped = 0;
    {
        Win w(-1, -2, 60, 6, ui_colour(ColourMenu), ui_colour(ColourMenu));
        w.PutCentre(-1, L" Search & Replace ");
        w.puts_at(1, 0, L"Processing");
        for (int i = 0; i < files_.Count(); i++) {
            entry* e = files_.At(i);
            if (e->IsDirectory() || e->match_pos == FoundOpenError)
                continue;
            Westring shown(e->name);
            collapse_path(shown, 56);
            w.puts_at(1, 2, padded(shown, 56, false).c_str());
            int count = 0;
            int r = SingleFileSearchReplace(*e, request, count);
            if (r != 0) {
                skipped++;
                if (error(replace_error_text(r), e->name, MB_OK_CANCEL) == ANSWER_CANCEL)
                    break;
                continue;
            }
            if (count > 0) {
                total += count;
                files++;
            }
        }
    }
    Dialog d(-1, -2, 50, skipped ? 7 : 6, ui_colour(ColourMessages));
    d.PutCentre(0, Westring(esprintf("Replaced %d occurrences in %d files", total, files).c_str()).c_str());
    if (skipped)
        d.PutCentre(1, Westring(esprintf("%d file%s skipped", skipped, skipped == 1 ? "" : "s").c_str()).c_str());
    d.AddPushButton(-1, -1, 1, RESULT_ACCEPT, "_OK");
    (void)d.Process();
}

void findfile(PANEL* panel, bool reopen)
{
    Westring target;
    {
        FileFinder finder(panel, reopen);
        finder.Process();
        entry* e = FileFinder::files_.At(FileFinder::currfile_);
        if (e && finder.go_requested())
            target = e->name;
    }
    panel_refresh();
    if (target.empty())
        return;
    // GoTo: the panel moves to the result's directory, the cursor to it.
    Westring dir = directory_of(target);
    if (panel->ChangeVirtualWD(dir))
        change_dir(panel_base, panel_side(panel), L"");
    goto_fname(panel, last_name(target).c_str());
    panel->repaint_pending = true;
}

void findfile_key(int key, PANEL_REQUEST& request)
{
    PANEL* p = &panel_base[currpanel];
    if (p->type != PanelFiles)
        return;
    findfile(p, key == ((KEY_ALT_F1 + 6) | KEY_SHIFT_FLAG));
    request.redraw = 2;
}
