// Loading px.hst at start-up beside bash loading the same commands as its
// HISTFILE, and opening the Alt+F8 history box over 100,000 commands beside
// opening it over 100.
//
// The fixture has 100,000 lines: 88,000 commands, half of them repeats of
// earlier ones, and 1,000 texts for each of the twelve field lists, half
// repeats too. Each run loads a fresh copy, with MaxHist 500, so the
// compaction (a new file written, fsync'ed and renamed) is in the time;
// bash runs interactively (-i) with HISTFILE set to a fresh copy of the
// commands and HISTSIZE=HISTFILESIZE=100000, reading "exit" from its input
// (it loads the file and writes it back when it exits). Files live in
// PANNEX_BENCH_DIR, else /tmp.
//     ./build-bench/bench/history_bench
#include "config/command_history.h"
#include "config/history_file.h"
#include "console/console.h"
#include "console/key_codes.h"
#include "menus/history_panel.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <ftw.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string dir, fixture, commands_only;

void make_fixture()
{
    const char* base = std::getenv("PANNEX_BENCH_DIR");
    std::string tmpl = std::string(base ? base : "/tmp") + "/pxhistbench.XXXXXX";
    if (!mkdtemp(tmpl.data()))
        std::abort();
    dir = tmpl;
    fixture = dir + "/fixture.hst";
    commands_only = dir + "/commands.txt";
    std::ofstream f(fixture, std::ios::binary), c(commands_only, std::ios::binary);
    int command = 0;
    for (int i = 0; i < 100000; i++) {
        if (i % 25 < 3) {
            // A field text: 12,000 in all, every second one a repeat.
            int list = i % 12;
            int n = (i / 25) % 500;
            f << list << '\x19' << "/home/user/field/text-" << n << "\r\n";
            continue;
        }
        // Every second command repeats one typed earlier.
        int n = command % 2 ? command / 2 : command;
        command++;
        std::string text = "make -C /home/user/src/project-" + std::to_string(n) + " all";
        f << text << "\r\n";
        c << text << "\n";
    }
}

void copy(const std::string& from, const std::string& to)
{
    std::ifstream in(from, std::ios::binary);
    std::ofstream out(to, std::ios::binary);
    out << in.rdbuf();
}

void BM_InitHistory(benchmark::State& state)
{
    std::string path = dir + "/px.hst";
    for (auto _ : state) {
        state.PauseTiming();
        copy(fixture, path);
        state.ResumeTiming();
        init_history(FileNameFromSys(path.c_str()), 500);
        benchmark::DoNotOptimize(history.count);
    }
    state.counters["commands"] = history.count;
}

void BM_BashHistfile(benchmark::State& state)
{
    std::string path = dir + "/bash_history";
    std::string cmd = "env -i HOME='" + dir + "' HISTFILE='" + path +
                      "' HISTSIZE=100000 HISTFILESIZE=100000 bash --norc -i >/dev/null 2>&1";
    for (auto _ : state) {
        state.PauseTiming();
        copy(commands_only, path);
        state.ResumeTiming();
        // "exit" read from its input: `bash -ic exit` would run the command
        // without loading the history at all.
        FILE* bash = popen(cmd.c_str(), "w");
        std::fputs("exit\n", bash);
        if (pclose(bash) != 0)
            state.SkipWithError("bash failed");
    }
}

// Opens the box over n commands and closes it at once (Escape).
void BM_HistoryBox(benchmark::State& state)
{
    history.DestroyAll();
    for (int i = 0; i < state.range(0); i++)
        history.AddObject(new Westring(Westring("make target-") + Westring(std::to_string(i).c_str())));
    Westring line;
    int cursor = 0;
    for (auto _ : state) {
        console.Queue().Put({CConsole::EvKey, KEY_ESC, 0, 0, 0, 0});
        benchmark::DoNotOptimize(history_panel(0, line, cursor));
    }
}

}

BENCHMARK(BM_InitHistory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BashHistfile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HistoryBox)->Arg(100)->Arg(100000)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    make_fixture();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    nftw(dir.c_str(), [](const char* p, const struct stat*, int, FTW*) { return remove(p); }, 16,
         FTW_DEPTH | FTW_PHYS);
    return 0;
}
