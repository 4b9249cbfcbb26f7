// File find side by side with the shell's tools, on the shared fixtures
// (make-fixtures.sh DIR makes greptree/ and tree50k/), warm cache:
//   - a content search over greptree (about 1 GiB in 50,000 files) beside
//     grep -rl, and ignoring case beside grep -rli;
//   - the names matching *.c over tree50k (52,000 entries) beside
//     find -name.
// Each px figure is the walk of file find itself (CFileScan), as its scan
// thread runs it, without the screen.
//     ./build-bench/bench/find_bench /tmp/pxperf
#include "fileops/file_system.h"
#include "tools/file_find_scan.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string fixtures;
const char* const Needle = "QuuxNeedle7731";

class CCount : public CFileScan
{
public:
    using CFileScan::CFileScan;
    long found = 0;

protected:
    void Found(entry* e) override
    {
        found++;
        entry::Destroy(e);
    }
};

long px_find(const std::string& dir, const wchar_t* mask, const char* text, bool case_sensitive)
{
    FindOptions o;
    o.start = FileNameFromSys(dir.c_str());
    o.mask = mask;
    if (text)
        o.text = FileNameFromSys(text);
    o.case_sensitive = case_sensitive;
    CCount scan(o);
    std::atomic<bool> stop{false};
    if (scan.Run(stop) != 0)
        std::abort();
    return scan.found;
}

// Lines a shell command writes.
long lines_of(const std::string& command)
{
    FILE* p = popen(command.c_str(), "r");
    if (!p)
        std::abort();
    long n = 0;
    for (int c; (c = std::fgetc(p)) != EOF;)
        n += c == '\n';
    pclose(p);
    return n;
}

void content(benchmark::State& state, bool px, bool ignore_case)
{
    std::string dir = fixtures + "/greptree";
    long n = 0;
    for (auto _ : state)
        n = px ? px_find(dir, L"*", Needle, !ignore_case)
               : lines_of(std::string(ignore_case ? "grep -rli " : "grep -rl ") + Needle + " " + dir);
    state.counters["results"] = static_cast<double>(n);
}

void names(benchmark::State& state, bool px)
{
    std::string dir = fixtures + "/tree50k";
    long n = 0;
    for (auto _ : state)
        n = px ? px_find(dir, L"*.c", nullptr, false) : lines_of("find " + dir + " -name '*.c'");
    state.counters["results"] = static_cast<double>(n);
}

}

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    fixtures = argc > 1 ? argv[1] : "/tmp/pxperf";
    // Warm the cache once for every side.
    (void)lines_of("cat $(find " + fixtures + "/greptree -type f) > /dev/null 2>&1; echo");
    benchmark::RegisterBenchmark("content/px", content, true, false)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("content/grep -rl", content, false, false)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("content ignoring case/px", content, true, true)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("content ignoring case/grep -rli", content, false, true)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("names *.c/px", names, true)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("names *.c/find -name", names, false)->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
