// The filter language over a million entries, the size of a very large
// directory: a compound expression against a plain pattern.
#include "entries/entry.h"
#include "entries/mask_eval.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

constexpr int EntryCount = 1000000;

const std::vector<entry*>& entries()
{
    static std::vector<entry*> v = [] {
        const wchar_t* ext[] = {L".c", L".h", L".txt", L".o", L".cpp"};
        std::vector<entry*> r;
        r.reserve(EntryCount);
        unsigned seed = 7;
        for (int i = 0; i < EntryCount; i++) {
            seed = seed * 1103515245 + 12345;
            Westring name = Westring(esprintf("file%07d", i).c_str()) + ext[(seed >> 16) % 5];
            entry* e = entry::Create(name);
            e->size = (seed >> 8) % 65536;
            e->time = TimeStamp(1700000000 + (seed % 10000000), 0);
            r.push_back(e);
        }
        return r;
    }();
    return v;
}

void BM_MaskEval(benchmark::State& state, const wchar_t* expression)
{
    const auto& v = entries();
    for (auto _ : state) {
        int hits = 0;
        for (const entry* e : v)
            hits += mask_eval(expression, *e);
        benchmark::DoNotOptimize(hits);
    }
    state.SetItemsProcessed(state.iterations() * EntryCount);
}

}

BENCHMARK_CAPTURE(BM_MaskEval, star, L"*")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_MaskEval, compound, L"*.c|*.h&%size>10k")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_MaskEval, with_age, L"(*.c|*.cpp)&!%age<30d")->Unit(benchmark::kMillisecond);
