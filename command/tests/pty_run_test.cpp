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

std::string screen_row(int y)
{
    return screen_text(console, y);
}

bool screen_has(const std::string& text)
{
    for (int y = 0; y < console.Lines(); y++)
        if (screen_row(y).find(text) != std::string::npos)
            return true;
    return false;
}

void type(const std::string& utf8)
{
    console.InputText(utf8.c_str());
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
                type(t.substr(0, t.size() - 1));
                console.InputKey(KEY_RETURN, 0, 0);
            } else
                type(t);
        };
        console.Clear(0, 0, 80, 25, 0x07);
        EXPECT_EQ(run(r.command), 0) << narrow(r.command);
        EXPECT_TRUE(screen_has(r.shown)) << narrow(r.command) << "\n" << screen_row(22) << "\n" << screen_row(23);
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
    // The scroll-back keeps at most its capacity, whatever flooded through.
    EXPECT_LE(ScrollBack.Count(), 10000);
}

TEST_F(PtyRun, ScrollBackCollectsWhatScrollsAway)
{
    // The cursor starts on the last line: 24 blank lines go first.
    const struct { const wchar_t* command; int count; } rows[] = {
        {L"seq -f 'L%03g' 1 200", 200},
        // A full-screen program on the alternate screen adds nothing.
        {L"printf '\\033[?1049h'; seq 1 100; printf '\\033[?1049l'", 0},
    };
    for (const auto& r : rows) {
        ScrollBack.Clear();
        console.Clear(0, 0, 80, 25, 0x07);
        EXPECT_EQ(run(r.command), 0);
        EXPECT_EQ(ScrollBack.Count(), r.count) << narrow(r.command);
    }
    ScrollBack.Clear();
    EXPECT_EQ(run(L"seq -f 'L%03g' 1 200"), 0);
    ASSERT_EQ(ScrollBack.Count(), 200);
    EXPECT_EQ(ScrollBack.Line(199)[0].ch, L'L');
    EXPECT_EQ(ScrollBack.Line(199)[3].ch, L'6');  // L176
}
