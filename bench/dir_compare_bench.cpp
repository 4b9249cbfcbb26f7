// Directory compare with contents over two directories of 52,000 files
// each, 1% of them differing in one byte (same size and time), side by
// side with `diff -rq` over the same pair.
//
// The directories are made once in PANNEX_BENCH_DIR, else /dev/shm, else
// /tmp, and removed afterwards. Every benchmark runs on them warm.
//     ./build-bench/bench/dir_compare_bench
#include "config/config.h"
#include "panels/panel.h"
#include "panels/read_panel.h"
#include "tools/dir_compare.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <ftw.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr int Files = 52000;
constexpr int Differ = Files / 100;
std::string bench_dir;

void write_file(const std::string& path, const std::string& bytes)
{
    int fd = open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    if (fd < 0 || write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
        std::abort();
    struct timespec t[2] = {{1700000000, 0}, {1700000000, 0}};
    futimens(fd, t);
    close(fd);
}

void build_dirs()
{
    const char* base = std::getenv("PANNEX_BENCH_DIR");
    if (!base)
        base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string tmpl = std::string(base) + "/pxcomparebench.XXXXXX";
    if (!mkdtemp(tmpl.data()))
        std::abort();
    bench_dir = tmpl;
    mkdir((bench_dir + "/l").c_str(), 0755);
    mkdir((bench_dir + "/r").c_str(), 0755);
    char name[64];
    for (int i = 0; i < Files; i++) {
        // 1 to 8 KiB, the difference near the end.
        std::string bytes(static_cast<size_t>(1024 * (1 + i % 8)), static_cast<char>('a' + i % 26));
        std::snprintf(name, sizeof name, "/file_%05d.dat", i);
        write_file(bench_dir + "/l" + name, bytes);
        if (i % (Files / Differ) == 0)
            bytes[bytes.size() - 2] = '#';
        write_file(bench_dir + "/r" + name, bytes);
    }
}

void remove_dirs()
{
    nftw(bench_dir.c_str(), [](const char* p, const struct stat*, int, FTW*) { return remove(p); }, 64,
         FTW_DEPTH | FTW_PHYS);
}

COMPARE_OPTIONS contents_only()
{
    COMPARE_OPTIONS o;
    o.date_mode = CompareIgnore;
    o.size_mode = CompareIgnore;
    o.unmatched = true;
    o.contents = true;
    return o;
}

void read_panels(PANEL& l, PANEL& r)
{
    l.path = FileNameFromSys((bench_dir + "/l").c_str());
    r.path = FileNameFromSys((bench_dir + "/r").c_str());
    for (PANEL* p : {&l, &r}) {
        p->showing = true;
        p->prev_path = Westring();
        read_panel(p);
    }
}

// What Ctrl+K costs from the directories: both panels read, then the
// comparison with contents.
void BM_ReadAndCompare(benchmark::State& state)
{
    int tagged = 0;
    for (auto _ : state) {
        PANEL l, r;
        read_panels(l, r);
        tagged = compare_panels(&l, &r, contents_only());
    }
    if (tagged != 2 * Differ)
        state.SkipWithError("wrong number of tagged files");
    state.counters["tagged"] = tagged;
}

// The comparison alone, on panels already read.
void BM_CompareOnly(benchmark::State& state)
{
    PANEL l, r;
    read_panels(l, r);
    int tagged = 0;
    for (auto _ : state)
        tagged = compare_panels(&l, &r, contents_only());
    if (tagged != 2 * Differ)
        state.SkipWithError("wrong number of tagged files");
}

void BM_DiffRq(benchmark::State& state)
{
    std::string l = bench_dir + "/l", r = bench_dir + "/r";
    const char* argv[] = {"diff", "-rq", l.c_str(), r.c_str(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    struct rusage before, after;
    getrusage(RUSAGE_CHILDREN, &before);
    for (auto _ : state) {
        pid_t pid;
        if (posix_spawnp(&pid, "diff", &actions, nullptr, const_cast<char**>(argv), environ) != 0)
            state.SkipWithError("cannot run diff");
        int status;
        waitpid(pid, &status, 0);
    }
    getrusage(RUSAGE_CHILDREN, &after);
    posix_spawn_file_actions_destroy(&actions);
    // diff's own processor time, which the benchmark's CPU column leaves out.
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    double cpu = seconds(after.ru_utime) + seconds(after.ru_stime) - seconds(before.ru_utime) - seconds(before.ru_stime);
    state.counters["diff_cpu_ms"] = 1000 * cpu / static_cast<double>(state.iterations());
}

}

BENCHMARK(BM_ReadAndCompare)->Unit(benchmark::kMillisecond)->MinTime(3)->UseRealTime();
BENCHMARK(BM_CompareOnly)->Unit(benchmark::kMillisecond)->MinTime(3)->UseRealTime();
BENCHMARK(BM_DiffRq)->Unit(benchmark::kMillisecond)->MinTime(3)->UseRealTime();

int main(int argc, char** argv)
{
    set_config_defaults(config);
    build_dirs();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    remove_dirs();
    return 0;
}
