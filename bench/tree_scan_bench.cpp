// The directory tree's scan of a file system, side by side with
// `find -type d` over the same directories, and the data file's load time
// and size per node.
//
// The tree (50,690 directories in three levels, 37 x 37 x 36, with a few
// files) is built once in PANNEX_BENCH_DIR, else /dev/shm, else /tmp, and
// removed afterwards. Every benchmark runs on it warm.
//     ./build-bench/bench/tree_scan_bench
#include "tools/tree.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <ftw.h>
#include <malloc.h>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

std::string bench_dir;
long directories = 0;

void build_tree()
{
    const char* base = std::getenv("PANNEX_BENCH_DIR");
    if (!base)
        base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string tmpl = std::string(base) + "/pxtreebench.XXXXXX";
    if (!mkdtemp(tmpl.data()))
        std::abort();
    bench_dir = tmpl;
    directories = 1;
    char path[256];
    for (int a = 0; a < 37; a++) {
        std::snprintf(path, sizeof path, "%s/dir_%02d", bench_dir.c_str(), a);
        mkdir(path, 0755);
        directories++;
        for (int b = 0; b < 37; b++) {
            std::snprintf(path, sizeof path, "%s/dir_%02d/sub_%02d", bench_dir.c_str(), a, b);
            mkdir(path, 0755);
            directories++;
            std::snprintf(path, sizeof path, "%s/dir_%02d/sub_%02d/file.txt", bench_dir.c_str(), a, b);
            close(open(path, O_CREAT | O_WRONLY, 0644));
            for (int c = 0; c < 36; c++) {
                std::snprintf(path, sizeof path, "%s/dir_%02d/sub_%02d/leaf_%02d", bench_dir.c_str(), a, b, c);
                mkdir(path, 0755);
                directories++;
            }
        }
    }
}

void remove_tree()
{
    nftw(bench_dir.c_str(), [](const char* p, const struct stat*, int, FTW*) { return remove(p); }, 64,
         FTW_DEPTH | FTW_PHYS);
}

void BM_Scan(benchmark::State& state)
{
    for (auto _ : state) {
        CTree tree('/', 1, FileNameFromSys(bench_dir.c_str()), Westring());
        tree.Load(true);
        if (!tree.Scan(nullptr, true))
            state.SkipWithError("scan stopped");
    }
    state.counters["dirs"] = static_cast<double>(directories);
}

void BM_FindTypeD(benchmark::State& state)
{
    const char* argv[] = {"find", bench_dir.c_str(), "-type", "d", nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    for (auto _ : state) {
        pid_t pid;
        if (posix_spawnp(&pid, "find", &actions, nullptr, const_cast<char**>(argv), environ) != 0)
            state.SkipWithError("cannot run find");
        int status;
        waitpid(pid, &status, 0);
    }
    posix_spawn_file_actions_destroy(&actions);
}

// The data file of the scanned tree, written once.
std::string data_file()
{
    static std::string file;
    if (file.empty()) {
        file = bench_dir + ".pxtree.dat";
        CTree tree('/', 1, FileNameFromSys(bench_dir.c_str()), FileNameFromSys(file.c_str()));
        tree.Load(true);
        if (!tree.Scan(nullptr, true) || tree.Write() != 0)
            std::abort();
    }
    return file;
}

void BM_Load(benchmark::State& state)
{
    std::string file = data_file();
    for (auto _ : state) {
        CTree tree('/', 1, FileNameFromSys(bench_dir.c_str()), FileNameFromSys(file.c_str()));
        tree.Load(true);
        benchmark::DoNotOptimize(tree.Root());
    }
    struct stat st;
    stat(file.c_str(), &st);
    state.counters["file_bytes_per_node"] = static_cast<double>(st.st_size) / static_cast<double>(directories);
}

void BM_Write(benchmark::State& state)
{
    std::string file = data_file();
    CTree tree('/', 1, FileNameFromSys(bench_dir.c_str()), FileNameFromSys(file.c_str()));
    tree.Load(true);
    for (auto _ : state) {
        tree.MarkChanged();
        if (tree.Write() != 0)
            state.SkipWithError("cannot write");
    }
}

// Heap bytes a loaded node costs.
void BM_MemoryPerNode(benchmark::State& state)
{
    std::string file = data_file();
    for (auto _ : state) {
        size_t before = mallinfo2().uordblks;
        auto* tree = new CTree('/', 1, FileNameFromSys(bench_dir.c_str()), FileNameFromSys(file.c_str()));
        tree->Load(true);
        size_t after = mallinfo2().uordblks;
        state.counters["heap_bytes_per_node"] =
            static_cast<double>(after - before) / static_cast<double>(directories);
        delete tree;
    }
}

}

BENCHMARK(BM_Scan)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_FindTypeD)->Unit(benchmark::kMillisecond)->MinTime(3)->UseRealTime();
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_Write)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_MemoryPerNode)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv)
{
    build_tree();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::remove((bench_dir + ".pxtree.dat").c_str());
    remove_tree();
    return 0;
}
