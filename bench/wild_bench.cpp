// Wildcard matching and file-name conversion over a million file names, the
// size of a very large directory.
#include "foundation/westring.h"
#include "foundation/wild.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

constexpr int NameCount = 1000000;

const char* const Extensions[] = {".txt", ".c", ".h", ".cpp", ".o", ".tar.gz", "", ".TXT"};

// Deterministic names of 4..24 characters: letters, digits, an extension;
// every eighth name has a non-ASCII letter.
const std::vector<std::string>& names()
{
    static std::vector<std::string> v = [] {
        std::vector<std::string> r;
        r.reserve(NameCount);
        unsigned seed = 12345;
        for (int i = 0; i < NameCount; i++) {
            seed = seed * 1103515245 + 12345;
            int len = 4 + (seed >> 16) % 20;
            std::string n;
            for (int k = 0; k < len; k++) {
                seed = seed * 1103515245 + 12345;
                n += static_cast<char>("abcdefghijklmnopqrstuvwxyz0123456789_-"[(seed >> 16) % 38]);
            }
            if (i % 8 == 0)
                n += "\xC3\xA4";
            n += Extensions[(seed >> 8) % 8];
            r.push_back(n);
        }
        return r;
    }();
    return v;
}

const std::vector<Westring>& wide_names()
{
    static std::vector<Westring> v = [] {
        std::vector<Westring> r;
        r.reserve(NameCount);
        for (const std::string& n : names())
            r.push_back(FileNameFromSys(n.c_str()));
        return r;
    }();
    return v;
}

void BM_WildNarrow(benchmark::State& state, const char* mask)
{
    const auto& v = names();
    for (auto _ : state) {
        int hits = 0;
        for (const std::string& n : v)
            hits += wild(mask, n.c_str());
        benchmark::DoNotOptimize(hits);
    }
    state.SetItemsProcessed(state.iterations() * NameCount);
}

void BM_WildWide(benchmark::State& state, const wchar_t* mask)
{
    const auto& v = wide_names();
    for (auto _ : state) {
        int hits = 0;
        for (const Westring& n : v)
            hits += wild(mask, n.c_str());
        benchmark::DoNotOptimize(hits);
    }
    state.SetItemsProcessed(state.iterations() * NameCount);
}

void BM_FileNameDecode(benchmark::State& state)
{
    const auto& v = names();
    for (auto _ : state) {
        for (const std::string& n : v) {
            Westring w = FileNameFromSys(n.c_str());
            benchmark::DoNotOptimize(w.c_str());
        }
    }
    state.SetItemsProcessed(state.iterations() * NameCount);
}

void BM_FileNameEncode(benchmark::State& state)
{
    const auto& v = wide_names();
    for (auto _ : state) {
        for (const Westring& n : v) {
            Estring e = FileNameToSys(n);
            benchmark::DoNotOptimize(e.c_str());
        }
    }
    state.SetItemsProcessed(state.iterations() * NameCount);
}

void BM_TextDecodeUtf8(benchmark::State& state)
{
    const auto& v = names();
    for (auto _ : state) {
        for (const std::string& n : v) {
            Westring w(n.c_str());
            benchmark::DoNotOptimize(w.c_str());
        }
    }
    state.SetItemsProcessed(state.iterations() * NameCount);
}

}

BENCHMARK_CAPTURE(BM_WildNarrow, star_txt, "*.txt")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WildNarrow, braces, "{*.c,*.h}")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WildNarrow, ext_braces, "*.{c,h}")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WildNarrow, set_a_m, "[a-m]*")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WildWide, star_txt, L"*.txt")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WildWide, braces, L"{*.c,*.h}")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WildWide, ext_braces, L"*.{c,h}")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WildWide, set_a_m, L"[a-m]*")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FileNameDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FileNameEncode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextDecodeUtf8)->Unit(benchmark::kMillisecond);
