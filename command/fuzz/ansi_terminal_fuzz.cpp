// Feeds arbitrary output to the terminal emulator on the windowless
// console, cut into chunks where the input says, and checks after every
// chunk what must hold whatever a child writes: the cursor and the scroll
// region stay on the screen, and what is held for the next chunk stays
// under its cap. Sizes and cut points come from the end of the input, the
// output from its front, so captured output makes good seeds.

#include "command/ansi_terminal.h"
#include "command/scroll_back.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>

namespace {

void check(const CAnsiTerminalEmulator& t, int columns, int lines)
{
    int x, y;
    console.GetCursorPos(x, y);
    bool ok = t.CursorColumn() >= 0 && t.CursorColumn() <= columns && t.CursorLine() >= 0 &&
              t.CursorLine() < lines && t.ScrollTop() >= 0 && t.ScrollTop() <= t.ScrollBottom() &&
              t.ScrollBottom() < lines && t.PendingLength() <= CAnsiTerminalEmulator::MaxPending + 4 && x >= 0 &&
              x < columns && y >= 0 && y < lines;
    if (!ok)
        std::abort();
}

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    int columns = in.ConsumeIntegralInRange(1, 100);
    int lines = in.ConsumeIntegralInRange(1, 40);
    console.SetSize(columns, lines, Estring(), 0);
    console.SetCursorPos(0, 0);
    SetScrollBackOptions(true, 200);
    {
        CAnsiTerminalEmulator t(console, -1);
        while (in.remaining_bytes() > 0) {
            size_t n = in.ConsumeIntegralInRange<size_t>(0, 512);
            if (n == 512) {
                // Now and then the console is resized under a running child.
                columns = in.ConsumeIntegralInRange(1, 100);
                lines = in.ConsumeIntegralInRange(1, 40);
                console.SetSize(columns, lines, Estring(), 0);
                if (t.Resize(columns, lines) != 0)
                    std::abort();
                continue;
            }
            std::string chunk = in.ConsumeBytesAsString(n);
            t.WriteOutput(chunk.data(), chunk.size());
            check(t, columns, lines);
        }
    }
    ScrollBack.Clear();
    return 0;
}
