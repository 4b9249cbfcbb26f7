#include "fileops/directory_usage.h"

#include "config/config.h"
#include "fileops/file_globals.h"
#include "fileops/file_system.h"
#include "foundation/estring.h"
#include "panels/panel_commands.h"
#include "panels/panel_display.h"
#include "panels/sort_panel.h"
#include "panels/tree_hooks.h"
#include "textui/collapse_path.h"
#include "textui/dialog.h"
#include "textui/progress_thread.h"
#include "textui/textui_settings.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <utility>
#include <vector>
#include <cwchar>

namespace {

constexpr int RefreshMs = 100;
constexpr int PathWidth = 50;

// The running totals of one du: written by the walk, read by the drawing
// thread (display only).
struct USAGE_TOTALS
{
    std::atomic<long long> files{0}, directories{0}, bytes{0};
    std::mutex mutex;
    Westring reading;  // under mutex
};

// The counting walk: links are not followed (the walk never does), mounts
// are not entered, an unreadable directory counts as empty.
class CUsageCounter : public CTreeWalk
{
public:
    // sizes, when given, receives each directory's total as it is left.
    CUsageCounter(USAGE_TOTALS& totals, std::function<void(const Westring&)> reading,
                  CTreeHooks::DIR_SIZES* sizes = nullptr)
        : totals(totals), reading(std::move(reading)), sizes(sizes)
    {
    }

protected:
    int OnFile(const TreeEntry& e) override
    {
        totals.files++;
        struct stat st;
        if (e.type == DT_REG && fstatat(e.dir, e.name, &st, AT_SYMLINK_NOFOLLOW) == 0)
            totals.bytes += st.st_size;
        return 0;
    }
    int OnEnter(const TreeEntry& e) override
    {
        if (e.depth > 0)
            totals.directories++;
        if (reading)
            reading(WidePath(e));
        entered.push_back(totals.bytes);
        return 0;
    }
    int OnLeave(const TreeEntry& e, int) override
    {
        long long start = entered.back();
        entered.pop_back();
        if (sizes && !Stopping())
            sizes->emplace_back(e.path->substr(e.relative), totals.bytes - start);
        return 0;
    }
    int OnError(const TreeEntry&, int) override { return TreeSkip; }
    bool Stopped() override { return file_command_stopped(); }

private:
    USAGE_TOTALS& totals;
    std::function<void(const Westring&)> reading;
    CTreeHooks::DIR_SIZES* sizes;
    // The byte count at each directory entered and not yet left.
    std::vector<long long> entered;
};

// " Reading Directories ": the directory being read and the totals,
// redrawn by a thread of its own every 100 ms while the walk runs.
class CUsageDialog
{
public:
    explicit CUsageDialog(USAGE_TOTALS& totals)
        : dlg(-1, -3, 54, 8, ui_colour(ColourMessages)), totals(totals)
    {
        const wchar_t* title = L" Reading Directories ";
        dlg.puts_at((52 - static_cast<int>(std::wcslen(title))) / 2, -1, title);
        Draw();
        drawer = std::thread([this] { run(); });
    }
    ~CUsageDialog() { Stop(); }

    void Stop()
    {
        if (!drawer.joinable())
            return;
        {
            std::lock_guard<std::mutex> hold(stop_mutex);
            stop = true;
        }
        stopped.notify_all();
        drawer.join();
        Draw();
    }

    // Waits for OK (SizeCountPause).
    void Pause()
    {
        dlg.AddPushButton(22, 5, 1, RESULT_ACCEPT, "_OK");
        dlg.Process();
    }

    void Draw()
    {
        std::lock_guard<std::recursive_mutex> hold(dlg.Mutex());
        Westring dir;
        {
            std::lock_guard<std::mutex> names(totals.mutex);
            dir = totals.reading;
        }
        collapse_path(dir, PathWidth);
        dlg.puts_at(1, 0, dir.pad(PathWidth, L' ').c_str());
        Westring counts = L"Directories: " + group_thousands(totals.directories) + L"   Files: " +
                          group_thousands(totals.files);
        dlg.puts_at(1, 2, counts.pad(PathWidth, L' ').c_str());
        Westring size = L"Total Size: " + group_thousands(totals.bytes);
        dlg.puts_at(1, 3, size.pad(PathWidth, L' ').c_str());
    }

private:
    void run()
    {
        std::unique_lock<std::mutex> lock(stop_mutex);
        while (!stop) {
            stopped.wait_for(lock, std::chrono::milliseconds(RefreshMs));
            if (!stop)
                Draw();
        }
    }

    Dialog dlg;
    USAGE_TOTALS& totals;
    std::thread drawer;
    std::mutex stop_mutex;
    std::condition_variable stopped;
    bool stop = false;
};

bool is_real_directory(const entry* e)
{
    return (e->attributes & AttrDirectory) && !(e->attributes & AttrSymLink) && !e->IsUpDir();
}

Westring join(const Westring& dir, const wchar_t* name)
{
    Westring d = dir;
    if (d.empty() || d[d.strlen() - 1] != L'/')
        d += L'/';
    return d + name;
}

}

int dirUsage(const Westring& dir, DirectoryUsage& usage, const std::function<void(const Westring&)>& reading)
{
    USAGE_TOTALS totals;
    CUsageCounter walk(totals, reading);
    int r = walk.Walk(dir);
    usage.files += totals.files;
    usage.directories += totals.directories;
    usage.bytes += totals.bytes;
    return r;
}

bool du(PANEL* panel, int quiet)
{
    // An archive panel never comes here: its Ctrl+Q is the archive
    // commands' own, which sums the members' stored sizes.
    if (!panel->showing || panel->type != PanelFiles || panel->detail == DetailTree || panel->Count() == 0)
        return true;
    bool tagged = panel->tagged_count > 0;
    bool any = false;
    for (int i = 0; i < panel->Count() && !any; i++) {
        entry* e = panel->entries[i];
        any = is_real_directory(e) && (tagged ? e->tagged != 0 : i == panel->CurrentIndex());
    }
    if (!any)
        return true;
    int saved = break_status;
    USAGE_TOTALS totals;
    bool cancelled = false;
    {
        CUsageDialog dialog(totals);
        auto reading = [&](const Westring& path) {
            std::lock_guard<std::mutex> hold(totals.mutex);
            totals.reading = path;
        };
        for (int i = 0; i < panel->Count(); i++) {
            entry* e = panel->entries[i];
            if (!is_real_directory(e) || (tagged ? !e->tagged : i != panel->CurrentIndex()))
                continue;
            long long before = totals.bytes;
            CTreeHooks::DIR_SIZES sizes;
            CUsageCounter walk(totals, reading, &sizes);
            Westring dir = join(panel->path, e->name);
            if (walk.Walk(dir) == -1) {
                cancelled = true;
                break;
            }
            e->size = static_cast<unsigned long long>(totals.bytes - before);
            e->depth = 1;
            tree_hooks->StoreSizes(dir, sizes);
        }
        dialog.Stop();
        if (!cancelled && config.SizeCountPause && !quiet)
            dialog.Pause();
    }
    tree_hooks->SizesDone();
    // Directories now weigh what they hold.
    unsigned long long sum = 0;
    for (int i = 0; i < panel->Count(); i++)
        if (panel->entries[i]->tagged)
            sum += panel->entries[i]->size;
    panel->tagged_bytes = sum;
    if (panel->sort % SortReversed == SortSize) {
        Westring current(panel->Current()->name);
        sort_panel(panel);
        goto_fname(panel, current.c_str());
    }
    // A cancelled pass ends only itself; the command that asked for it
    // stops on the result.
    if (cancelled)
        break_status = saved;
    return !cancelled;
}

void directory_usage_key(int, PANEL_REQUEST& request)
{
    PANEL* panel = &panel_base[currpanel];
    // Archives: see the archive commands' Ctrl+Q.
    if (!panel->showing || panel->type != PanelFiles || panel->archive)
        return;
    ResetFileGlobals();
    (void)du(panel, 0);
    break_status = 0;
    paint_panel(panel);
    // A tree panel beside it shows the sizes too.
    PANEL* other = &panel_base[currpanel ^ 1];
    if (other->repaint_pending)
        paint_panel(other);
    request.redraw = 2;
}
