#include "command/ansi_terminal.h"
#include "command/pty_run.h"
#include "command/scroll_back.h"
#include "command/tests/exec_test_support.h"

#include "console/console_test_support.h"

#include <chrono>

// Commands run in-process on the windowless console with the terminal
// emulator attached, as the program runs them; keys are typed from the
// run loop's idle hook, as a user types while a program waits.

namespace {

int run(const Westring& command)
{
    EXEC_IMAGE image;
    EXPECT_EQ(make_exec_image(command, ChildEnvironment(L""), image), 0);
    return run_on_pty(image);
}

bool screen_has(const std::string& text)
{
    for (int y = 0; y < console.Lines(); y++)
        if (screen_text(console, y).find(text) != std::string::npos)
            return true;
    return false;
}

class PtyRun : public ::testing::Test
{
protected:
    void SetUp() override
    {
        exec_test_settings();
        console.SetDisplay(nullptr);
        console.SetSize(80, 25, "", 0);
        install_terminal_emulator();
        SetScrollBackOptions(true, 10000);
        ScrollBack.Clear();
        block_child_signal();
    }
    void TearDown() override { pty_idle_hook = nullptr; }
};

}

TEST_F(PtyRun, ResultsAndOutput)
{
    const struct { const wchar_t* command; int result; const char* shown; } rows[] = {
        {L"printf 'hello\\n'", 0, "hello"},
        {L"false", 1, nullptr},
        {L"exit 7", 7, nullptr},
        {L"kill -TERM $$", -1, nullptr},
        {L"printf '\\303\\244 split'", 0, "\xC3\xA4 split"},
        // Written just before the end, and still shown: the master is
        // drained after the child was collected.
        {L"seq 1 20000 | tail -n 3", 0, "20000"},
    };
    for (const auto& r : rows) {
        console.Clear(0, 0, 80, 25, 0x07);
        EXPECT_EQ(run(r.command), r.result) << narrow(r.command);
        if (r.shown) {
            EXPECT_TRUE(screen_has(r.shown)) << narrow(r.command);
        }
        EXPECT_FALSE(console.HasTerminal());
    }
}

TEST_F(PtyRun, TypedLinesReachTheChild)
{
    const struct { const wchar_t* command; std::vector<std::string> typing; const char* shown; } rows[] = {
        {L"python3 -c 'print(input()[::-1])'", {"abc\r"}, "cba"},
        // BackSpace is DEL, the pty's erase character, in cooked mode.
        {L"read x; echo \"[$x]\"", {"abX", "\x7f", "c\r"}, "[abc]"},
        {L"read x; echo \"[$x]\" | od -An -tx1", {"\xC3\xA4\r"}, "5b c3 a4 5d"},
    };
    for (const auto& r : rows) {
        size_t next = 0;
        pty_idle_hook = [&] {
            if (next >= r.typing.size())
                return;
            const std::string& t = r.typing[next++];
            if (t == "\x7f")
                console.InputKey(KEY_BACKSPACE, 0, 0);
            else if (t.back() == '\r') {
                console.InputText(t.substr(0, t.size() - 1).c_str());
                console.InputKey(KEY_RETURN, 0, 0);
            } else
                console.InputText(t.c_str());
        };
        console.Clear(0, 0, 80, 25, 0x07);
        EXPECT_EQ(run(r.command), 0) << narrow(r.command);
        EXPECT_TRUE(screen_has(r.shown)) << narrow(r.command) << "\n" << screen_text(console, 23);
    }
}

TEST_F(PtyRun, AResizeWhileItRunsReachesTheChild)
{
    int step = 0, calls = 0;
    pty_idle_hook = [&] {
        if (step == 0 && screen_has("ready")) {
            step = 1;
            console.SetSize(100, 30, "", 0);
        } else if (++calls > 600) {
            console.InputKey(KEY_CTRL_A + 'C' - 'A', 0, 0);  // a guard, not a timing
        }
    };
    int r = run(L"trap 'echo WINCH $(stty size); exit 0' WINCH; stty size; echo ready; "
                L"while :; do sleep 0.05; done");
    EXPECT_EQ(step, 1);
    EXPECT_EQ(r, 0);
    EXPECT_TRUE(screen_has("WINCH 30 100"));
    console.SetSize(80, 25, "", 0);
}

TEST_F(PtyRun, CtrlCEndsAFlood)
{
    auto start = std::chrono::steady_clock::now();
    bool sent = false;
    pty_idle_hook = [&] {
        if (!sent && std::chrono::steady_clock::now() - start > std::chrono::milliseconds(300)) {
            sent = true;
            console.InputKey(KEY_CTRL_A + 'C' - 'A', 0, 0);
        }
    };
    EXPECT_EQ(run(L"yes"), -1);  // ended by SIGINT
    EXPECT_TRUE(sent);
    EXPECT_TRUE(screen_has("y"));
    // The scroll-back takes what scrolls away (how exactly: ScrollBackTest),
    // and keeps at most its capacity, whatever flooded through.
    EXPECT_GT(ScrollBack.Count(), 0);
    EXPECT_LE(ScrollBack.Count(), 10000);
}
