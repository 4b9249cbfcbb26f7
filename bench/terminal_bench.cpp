// The terminal emulator's parser alone: output as `cat` of a text file and
// as `ls --color` produce it, fed in 64 KiB chunks (one read of the run
// loop) between BeginPaint and EndPaint on the windowless console, so the
// figure is what parsing and cell writes cost without any drawing.

#include "command/ansi_terminal.h"
#include "command/scroll_back.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// Random bytes, as `head -c 50M /dev/urandom` writes them: sequences cut
// anywhere, invalid UTF-8, every control character.
std::string make_random()
{
    std::string out(8 << 20, 0);
    unsigned seed = 11;
    for (char& c : out) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 23);
    }
    return out;
}

std::string make_output(bool coloured)
{
    std::string out;
    unsigned seed = 7;
    while (out.size() < 8 << 20) {
        seed = seed * 1103515245u + 12345u;
        int len = 20 + static_cast<int>((seed >> 16) % 60);
        if (coloured)
            out += "\x1b[01;34m";
        for (int i = 0; i < len; i++)
            out += static_cast<char>('a' + (i * 7 + static_cast<int>(seed >> 20)) % 26);
        if (coloured)
            out += "\x1b[0m";
        out += "\r\n";
    }
    return out;
}

void run(benchmark::State& state, int kind)
{
    console.SetSize(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), Estring(), 0);
    SetScrollBackOptions(state.range(2) != 0, CScrollBackBuffer::DefaultLines);
    const std::string out = kind == 2 ? make_random() : make_output(kind == 1);
    CAnsiTerminalEmulator t(console, -1);
    for (auto _ : state) {
        for (size_t i = 0; i < out.size(); i += 65536) {
            console.BeginPaint();
            t.WriteOutput(out.data() + i, std::min<size_t>(65536, out.size() - i));
            console.EndPaint();
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * out.size()));
    ScrollBack.Clear();
}

void BM_CatText(benchmark::State& state)
{
    run(state, 0);
}

void BM_LsColour(benchmark::State& state)
{
    run(state, 1);
}

void BM_RandomBytes(benchmark::State& state)
{
    run(state, 2);
}

}

// columns, lines, scroll-back on
BENCHMARK(BM_CatText)->Args({80, 25, 1})->Args({80, 25, 0})->Args({160, 50, 1})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LsColour)->Args({80, 25, 1})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RandomBytes)->Args({80, 25, 1})->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
