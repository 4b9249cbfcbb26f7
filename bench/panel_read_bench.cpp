// Reading a large directory into a panel, side by side with `ls -l` and
// with the floor of any reader: readdir, lstat and a name sort.
//
// The directory (100,000 entries: files of mixed sizes, directories and
// symbolic links) is built once in PANNEX_BENCH_DIR, else /dev/shm, else
// /tmp, and removed afterwards. Every benchmark runs on it warm.
//     ./build-bench/bench/panel_read_bench
#include "config/config.h"
#include "console/console.h"
#include "panels/change_dir.h"
#include "panels/info_panel.h"
#include "panels/panel.h"
#include "panels/panel_display.h"
#include "panels/panel_windows.h"
#include "panels/read_panel.h"
#include "panels/screen_geometry.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <malloc.h>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr int Entries = 100000;
std::string bench_dir;

void build_directory()
{
    const char* base = std::getenv("PANNEX_BENCH_DIR");
    if (!base)
        base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string tmpl = std::string(base) + "/pxbench.XXXXXX";
    if (!mkdtemp(tmpl.data()))
        std::abort();
    bench_dir = tmpl;
    const char* ext[] = {".txt", ".c", ".h", ".tar.gz", ".jpeg", "", ".o", ".md"};
    unsigned seed = 12345;
    auto next = [&] { return seed = seed * 1103515245u + 12345u; };
    char name[64];
    for (int i = 0; i < Entries; i++) {
        unsigned r = next();
        std::snprintf(name, sizeof name, "%s/%c%s_%06d%s", bench_dir.c_str(), 'a' + r % 26,
                      (r >> 5) % 3 ? "file" : "Data", i, ext[(r >> 8) % 8]);
        if (i % 20 == 0) {
            mkdir(name, 0755);
        } else if (i % 20 == 1) {
            std::string target = "target_" + std::to_string(i);
            if (symlink(target.c_str(), name) != 0)
                std::abort();
        } else {
            int fd = open(name, O_CREAT | O_WRONLY, 0644);
            if (fd < 0 || ftruncate(fd, static_cast<off_t>(next() % (4u << 20))) != 0)
                std::abort();
            close(fd);
        }
    }
}

void remove_directory()
{
    nftw(bench_dir.c_str(), [](const char* p, const struct stat*, int, FTW*) { return remove(p); }, 64,
         FTW_DEPTH | FTW_PHYS);
}

PANEL* shown_panel()
{
    PANEL* p = &panel_base[0];
    if (!p->win) {
        p->path = FileNameFromSys(bench_dir.c_str());
        p->prev_path = p->path;
        make_panel(p, 0);
    }
    return p;
}

// Entering the directory: a new read, sorted by name, and the first paint.
void BM_ReadSortPaint(benchmark::State& state)
{
    PANEL* p = shown_panel();
    for (auto _ : state) {
        p->prev_path = Westring();
        read_panel(p);
        paint_panel(p);
    }
    state.counters["entries"] = p->Count();
}

// The same read with a filter: "*" (every file passes) against a compound
// expression that hides most files.
void read_filtered(benchmark::State& state, const wchar_t* filter)
{
    PANEL* p = shown_panel();
    p->filter = filter;
    for (auto _ : state) {
        p->prev_path = Westring();
        read_panel(p);
    }
    state.counters["entries"] = p->Count();
    p->filter = L"*";
}

void BM_ReadFilterStar(benchmark::State& state)
{
    read_filtered(state, L"*");
}

void BM_ReadFilterCompound(benchmark::State& state)
{
    read_filtered(state, L"*.c|*.h&%size>10k");
}

// `ls -l` on the same directory, its output thrown away.
void BM_LsLong(benchmark::State& state)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    for (auto _ : state) {
        const char* argv[] = {"ls", "-l", bench_dir.c_str(), nullptr};
        pid_t pid;
        if (posix_spawnp(&pid, "ls", &actions, nullptr, const_cast<char**>(argv), environ) != 0)
            state.SkipWithError("ls did not start");
        int status;
        waitpid(pid, &status, 0);
    }
    posix_spawn_file_actions_destroy(&actions);
}

// The floor: readdir, lstat and a name sort, nothing else.
void BM_ReaddirLstatSort(benchmark::State& state)
{
    struct Item
    {
        std::string name;
        struct stat st;
    };
    for (auto _ : state) {
        std::vector<Item> items;
        DIR* d = opendir(bench_dir.c_str());
        int fd = dirfd(d);
        while (struct dirent* e = readdir(d)) {
            Item it{e->d_name, {}};
            if (fstatat(fd, e->d_name, &it.st, AT_SYMLINK_NOFOLLOW) == 0)
                items.push_back(std::move(it));
        }
        closedir(d);
        std::sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.name < b.name; });
        benchmark::DoNotOptimize(items.data());
    }
}

// Reading the same directory again, with and without 10,000 tagged
// entries carried over.
void reread(benchmark::State& state, int tagged)
{
    PANEL* p = shown_panel();
    p->prev_path = p->path;
    read_panel(p);
    for (int i = 0, n = 0; i < p->Count() && n < tagged; i += 9, n++)
        p->entries[i]->tagged = 1;
    for (auto _ : state)
        read_panel(p);
    if (p->tagged_count != tagged)
        state.SkipWithError("the tags did not survive");
    for (int i = 0; i < p->Count(); i++)
        p->entries[i]->tagged = 0;
}

void BM_Reread(benchmark::State& state)
{
    reread(state, 0);
}

void BM_RereadTagged(benchmark::State& state)
{
    reread(state, 10000);
}

// Ctrl+R on the panel: the re-read and its paint; then the same with the
// other panel showing info about it, which sums the files' space from the
// list just read (no second pass over the directory) and redraws.
void ctrl_r(benchmark::State& state, bool info)
{
    PANEL* p = shown_panel();
    PANEL* other = &panel_base[1];
    if (info && other->type != PanelInfo)
        info_panel(panel_base, 0);
    for (auto _ : state) {
        change_dir(panel_base, 0, L"", 1);
        paint_panel(p);
    }
    if (info) {
        if (other->type != PanelInfo || other->info_lines < 10)
            state.SkipWithError("no info panel drawn");
        info_panel(panel_base, 0);
    }
}

void BM_CtrlR(benchmark::State& state)
{
    ctrl_r(state, false);
}

void BM_CtrlRWithInfoPanel(benchmark::State& state)
{
    ctrl_r(state, true);
}

// Heap bytes the entry list holds per entry (entry, name and pointer).
void BM_MemoryPerEntry(benchmark::State& state)
{
    PANEL* p = shown_panel();
    for (auto _ : state) {
        p->entries.Clear();
        size_t before = mallinfo2().uordblks;
        p->prev_path = Westring();
        read_panel(p);
        size_t after = mallinfo2().uordblks;
        state.counters["bytes_per_entry"] = static_cast<double>(after - before) / p->Count();
    }
}

}

BENCHMARK(BM_ReadSortPaint)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_LsLong)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_ReaddirLstatSort)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_Reread)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_RereadTagged)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_CtrlR)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_CtrlRWithInfoPanel)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_ReadFilterStar)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_ReadFilterCompound)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_MemoryPerEntry)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv)
{
    setenv("TZ", "UTC", 1);
    set_config_defaults(config);
    console.SetSize(80, 25, "", 0);
    console.Queue().SetFallbackKey(27);
    get_screen_size();
    build_directory();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    drop_panel_windows();
    panel_base[0].entries.Clear();
    panel_base[1].entries.Clear();
    remove_directory();
    return 0;
}
