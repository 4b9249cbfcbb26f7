#include "console/console.h"
#include "console/console_window_gtk.h"
#include "console/keyboard.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <thread>

// What a change of one cell costs against repainting the whole screen, in
// the real window: both include the X server's drawing (sync). Run as
//     xvfb-run -a -s "-screen 0 2100x1300x24" ./console_bench

namespace {

// A screen like a file manager's: lines of text in a few attribute runs.
void fill_screen(int columns, int lines)
{
    if (console.Columns() != columns || console.Lines() != lines)
        set_lines(lines, columns);
    console.BeginPaint();
    for (int y = 0; y < lines; y++) {
        for (int x = 0; x < columns; x += 20) {
            unsigned char attr = (x / 20 + y) % 3 == 0 ? 0x30 : 0x1B;
            console.PutStringAt(x, y, L"readme.txt  12,345  ", attr);
        }
    }
    console.EndPaint();
    sync_console_window();
}

// Every timed paint must have reached the window's pixmap: a window that
// is not mapped yet skips painting, and would time nothing.
void check_painted(benchmark::State& state, long long before, long long lines_per_iteration)
{
    long long painted = painted_line_count() - before;
    if (painted < static_cast<long long>(state.iterations()) * lines_per_iteration)
        state.SkipWithError("the paints did not reach the window");
}

void one_cell(benchmark::State& state)
{
    int columns = static_cast<int>(state.range(0)), lines = static_cast<int>(state.range(1));
    fill_screen(columns, lines);
    bool flip = false;
    long long before = painted_line_count();
    for (auto _ : state) {
        console.PutStringAt(columns / 2, lines / 2, flip ? L"a" : L"b", 0x1E);
        sync_console_window();
        flip = !flip;
    }
    check_painted(state, before, 1);
}

// The round trip to the X server alone, which both measurements above
// include: the floor under any paint.
void sync_only(benchmark::State& state)
{
    for (auto _ : state)
        sync_console_window();
}

void full_repaint(benchmark::State& state)
{
    int columns = static_cast<int>(state.range(0)), lines = static_cast<int>(state.range(1));
    fill_screen(columns, lines);
    long long before = painted_line_count();
    for (auto _ : state) {
        console.PaintCells({0, 0, columns - 1, lines - 1});
        sync_console_window();
    }
    check_painted(state, before, lines);
}

}

BENCHMARK(one_cell)->Args({80, 25})->Args({200, 60})->Unit(benchmark::kMicrosecond);
BENCHMARK(full_repaint)->Args({80, 25})->Args({200, 60})->Unit(benchmark::kMicrosecond);
BENCHMARK(sync_only)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    if (init_gui(argc, argv) != 0 || open_console_window(console) != 0) {
        std::fprintf(stderr, "console_bench: needs a display\n");
        return 1;
    }
    // Paints are skipped until the toolkit thread has mapped the window:
    // wait (at most ten seconds) until one reaches its pixmap.
    fill_screen(80, 25);
    for (int i = 0; i < 1000 && painted_line_count() == 0; i++) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        fill_screen(80, 25);
    }
    if (painted_line_count() == 0) {
        std::fprintf(stderr, "console_bench: the window never painted\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    close_console_window();
    return 0;
}
