// The file commands that act on many entries at once, each beside the
// plain tool that does the same work:
//   - Ctrl+A giving mode 640 to 10,000 tagged files, beside one
//     `chmod 640` over the same names;
//   - File Date/Time on them, beside one `touch -m -d`;
//   - Ctrl+C lower case with recursion over a tree of 52,000 entries, with
//     its dialog and progress window drawing, beside the same walk with
//     nothing shown.
// Each pair runs A B A B in one process, so the ratios compare like with
// like on a machine whose speed drifts. The trees live in
// PANNEX_BENCH_DIR, else /dev/shm, else /tmp, and are removed afterwards.
//     ./build-bench/bench/file_commands_bench
#include "config/config.h"
#include "console/console.h"
#include "console/key_codes.h"
#include "entries/entry.h"
#include "fileops/attributes_dialog.h"
#include "fileops/change_case.h"
#include "fileops/change_date.h"
#include "panels/panel.h"
#include "panels/screen_geometry.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <ftw.h>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr int Files = 10000;
constexpr int TreeDirectories = 2000;
constexpr int FilesPerDirectory = 25;  // 2,000 + 50,000 = 52,000 entries

std::string base_dir, files_dir, tree_parent;
std::vector<std::string> file_paths;

void make_file(const std::string& path)
{
    int fd = open(path.c_str(), O_CREAT | O_WRONLY, 0644);
    if (fd < 0)
        std::abort();
    close(fd);
}

void build()
{
    const char* base = std::getenv("PANNEX_BENCH_DIR");
    if (!base)
        base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string tmpl = std::string(base) + "/pxbench.XXXXXX";
    if (!mkdtemp(tmpl.data()))
        std::abort();
    base_dir = tmpl;
    files_dir = base_dir + "/files";
    tree_parent = base_dir + "/tree";
    mkdir(files_dir.c_str(), 0755);
    mkdir(tree_parent.c_str(), 0755);
    char name[64];
    for (int i = 0; i < Files; i++) {
        std::snprintf(name, sizeof name, "/file_%05d.txt", i);
        file_paths.push_back(files_dir + name);
        make_file(file_paths.back());
    }
    std::string root = tree_parent + "/ROOT";
    mkdir(root.c_str(), 0755);
    for (int d = 0; d < TreeDirectories; d++) {
        std::snprintf(name, sizeof name, "/DIR%04d", d);
        std::string dir = root + name;
        mkdir(dir.c_str(), 0755);
        for (int f = 0; f < FilesPerDirectory; f++) {
            std::snprintf(name, sizeof name, "/FILE%02d.TXT", f);
            make_file(dir + name);
        }
    }
}

void remove_all()
{
    nftw(base_dir.c_str(), [](const char* p, const struct stat*, int, FTW*) { return remove(p); }, 64,
         FTW_DEPTH | FTW_PHYS);
}

// A panel on the files directory with every file tagged.
PANEL& tagged_panel()
{
    static PANEL panel;
    if (panel.Count() == 0) {
        panel.path = FileNameFromSys(files_dir.c_str());
        for (const std::string& p : file_paths) {
            entry* e = entry::Create(FileNameFromSys(p.substr(files_dir.size() + 1).c_str()));
            e->mode = 0100644;
            e->tagged = 1;
            panel.entries.Append(e);
        }
        panel.tagged_count = Files;
    }
    return panel;
}

std::vector<entry*> all_entries(PANEL& panel)
{
    std::vector<entry*> v;
    for (int i = 0; i < panel.Count(); i++)
        v.push_back(panel.entries[i]);
    return v;
}

// Runs a tool once over every file name, its output thrown away.
void run_tool(benchmark::State& state, std::vector<std::string> args)
{
    for (const std::string& p : file_paths)
        args.push_back(p);
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        state.SkipWithError("the tool did not start");
        return;
    }
    int status;
    waitpid(pid, &status, 0);
}

void BM_AttributesTagged(benchmark::State& state)
{
    PANEL& panel = tagged_panel();
    CFileAttributeDialog dlg(&panel, all_entries(panel), true);
    for (int key : {'6', '4', '0'})
        dlg.ApplyKey(key);
    for (auto _ : state)
        if (dlg.UpdateAttributes() != 0)
            state.SkipWithError("a chmod failed");
}

void BM_Chmod(benchmark::State& state)
{
    for (auto _ : state)
        run_tool(state, {"chmod", "640"});
}

void BM_DateTagged(benchmark::State& state)
{
    PANEL& panel = tagged_panel();
    std::vector<entry*> entries = all_entries(panel);
    ExpandedTime t;
    t.year = 2030;
    TimeStamp when(t);
    for (auto _ : state)
        change_dates(&panel, entries, when);
}

void BM_TouchDate(benchmark::State& state)
{
    for (auto _ : state)
        run_tool(state, {"touch", "-m", "-d", "2030-01-01 00:00"});
}

// Each iteration lower-cases the tree that the untimed part of it first
// upper-cases again, so every iteration renames all 52,000 entries.
void upper_again(benchmark::State& state)
{
    state.PauseTiming();
    CCaseProgress quiet;
    struct stat st;
    // The tree starts upper case; after a lower-case pass it is "root".
    if (lstat((tree_parent + "/root").c_str(), &st) == 0)
        (void)change_entry_case(FileNameFromSys(tree_parent.c_str()), L"root", true, false, 'u', 'u', quiet);
    state.ResumeTiming();
}

void BM_CaseHeadless(benchmark::State& state)
{
    config.CaseModRecurse = true;
    for (auto _ : state) {
        upper_again(state);
        CCaseProgress quiet;
        if (change_entry_case(FileNameFromSys(tree_parent.c_str()), L"ROOT", true, false, 'l', 'l', quiet) != 0)
            state.SkipWithError("lower-casing failed");
    }
}

// The command itself: its dialog accepted with Enter, then the walk with
// the progress window drawn on the (windowless) console.
void BM_CaseWithDialog(benchmark::State& state)
{
    static PANEL panel;
    panel.path = FileNameFromSys(tree_parent.c_str());
    panel.showing = true;
    for (auto _ : state) {
        upper_again(state);
        state.PauseTiming();
        panel.entries.Clear();
        entry* e = entry::Create(L"ROOT");
        e->attributes = 0x10;
        e->mode = 040755;
        e->group = GroupDirectory;
        panel.entries.Append(e);
        panel.cursor = panel.top = 0;
        config.CaseMod = "ll";
        config.CaseModRecurse = true;
        console.Queue().Clear();
        console.Queue().SetFallbackKey(KEY_RETURN);
        state.ResumeTiming();
        change_case(&panel);
    }
    console.Queue().SetFallbackKey(KEY_ESC);
}

}

int main(int argc, char** argv)
{
    setenv("TZ", "UTC", 1);
    set_config_defaults(config);
    console.SetSize(80, 25, "", 0);
    console.Queue().SetFallbackKey(KEY_ESC);
    get_screen_size();
    build();
    // A B A B: each pair twice, interleaved.
    for (int round = 1; round <= 2; round++) {
        std::string r = "/";
        r += std::to_string(round);
        benchmark::RegisterBenchmark(("attributes_640_tagged" + r).c_str(), BM_AttributesTagged)->Unit(benchmark::kMillisecond)->MinTime(2);
        benchmark::RegisterBenchmark(("chmod_640" + r).c_str(), BM_Chmod)->Unit(benchmark::kMillisecond)->MinTime(2);
    }
    for (int round = 1; round <= 2; round++) {
        std::string r = "/";
        r += std::to_string(round);
        benchmark::RegisterBenchmark(("date_tagged" + r).c_str(), BM_DateTagged)->Unit(benchmark::kMillisecond)->MinTime(2);
        benchmark::RegisterBenchmark(("touch_m_d" + r).c_str(), BM_TouchDate)->Unit(benchmark::kMillisecond)->MinTime(2);
    }
    for (int round = 1; round <= 2; round++) {
        std::string r = "/";
        r += std::to_string(round);
        benchmark::RegisterBenchmark(("case_lower_with_dialog" + r).c_str(), BM_CaseWithDialog)->Unit(benchmark::kMillisecond)->Iterations(5);
        benchmark::RegisterBenchmark(("case_lower_headless" + r).c_str(), BM_CaseHeadless)->Unit(benchmark::kMillisecond)->Iterations(5);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    remove_all();
    return 0;
}
