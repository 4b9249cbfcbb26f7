#include "command/ansi_terminal.h"
#include "command/pty_write_queue.h"
#include "command/terminal_keys.h"

#include "console/console_test_support.h"
#include "console/key_codes.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

// A pseudo-terminal pair whose slave passes bytes through untouched.
struct PtyPair
{
    PtyPair()
    {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
            return;
        slave = open(ptsname(master), O_RDWR | O_NOCTTY);
        struct termios t;
        if (slave >= 0 && tcgetattr(slave, &t) == 0) {
            cfmakeraw(&t);
            (void)tcsetattr(slave, TCSANOW, &t);
        }
    }
    ~PtyPair()
    {
        if (slave >= 0)
            close(slave);
        if (master >= 0)
            close(master);
    }
    // Reads n bytes from the slave; the wait is a guard, not a budget.
    std::string Read(size_t n) const
    {
        std::string out;
        while (out.size() < n) {
            struct pollfd p = {slave, POLLIN, 0};
            if (poll(&p, 1, 10000) <= 0)
                break;
            char buf[256];
            ssize_t r = read(slave, buf, std::min(sizeof buf, n - out.size()));
            if (r <= 0)
                break;
            out.append(buf, static_cast<size_t>(r));
        }
        return out;
    }
    bool Quiet() const
    {
        struct pollfd p = {slave, POLLIN, 0};
        return poll(&p, 1, 0) == 0;
    }
    int master = -1, slave = -1;
};

const struct { int code; bool application; const char* bytes; } key_rows[] = {
    {'a', false, "a"}, {KEY_RETURN, false, "\r"}, {KEY_TAB, false, "\t"}, {KEY_ESC, false, "\x1b"},
    {KEY_CTRL_A + 2, false, "\x03"},                                       // Ctrl+C
    {KEY_BACKSPACE, false, "\x7f"}, {KEY_CTRL_BACKSPACE, false, "\x7f"},  // the pty's erase character
    {0xE4, false, "\xc3\xa4"}, {0x20AC, false, "\xe2\x82\xac"},          // typed characters go as UTF-8
    {KEY_CTRL_I, false, "\t"}, {KEY_CTRL_M, false, "\r"},
    {KEY_F1, false, "\x1bOP"}, {KEY_F1 + 1, false, "\x1bOQ"}, {KEY_F1 + 2, false, "\x1bOR"},
    {KEY_F1 + 3, false, "\x1bOS"}, {KEY_F1 + 4, false, "\x1b[15~"}, {KEY_F1 + 5, false, "\x1b[17~"},
    {KEY_F1 + 6, false, "\x1b[18~"}, {KEY_F1 + 7, false, "\x1b[19~"}, {KEY_F1 + 8, false, "\x1b[20~"},
    {KEY_F10, false, "\x1b[21~"}, {KEY_F11, false, "\x1b[23~"}, {KEY_F12, false, "\x1b[24~"},
    {KEY_UP, false, "\x1b[A"}, {KEY_DOWN, false, "\x1b[B"}, {KEY_RIGHT, false, "\x1b[C"}, {KEY_LEFT, false, "\x1b[D"},
    {KEY_END, false, "\x1b[F"}, {KEY_HOME, false, "\x1b[H"},
    {KEY_UP, true, "\x1bOA"}, {KEY_DOWN, true, "\x1bOB"}, {KEY_RIGHT, true, "\x1bOC"}, {KEY_LEFT, true, "\x1bOD"},
    {KEY_END, true, "\x1bOF"}, {KEY_HOME, true, "\x1bOH"},
    {KEY_PGUP, true, "\x1b[5~"},  // not a cursor key: no ESC O
    {KEY_PGUP, false, "\x1b[5~"}, {KEY_PGDN, false, "\x1b[6~"}, {KEY_INS, false, "\x1b[2~"},
    {KEY_DEL, false, "\x1b[3~"}, {KEY_CTRL_PGUP, false, "\x1b[5;5~"}, {KEY_CTRL_PGDN, false, "\x1b[6;5~"},
};

}

TEST(TerminalKeys, EachKeyReachesThePtyAsItsBytes)
{
    PtyPair pty;
    ASSERT_GE(pty.slave, 0);
    console.SetSize(20, 6, Estring(), 0);
    CAnsiTerminalEmulator t(console, pty.master);
    bool application = false;
    for (const auto& r : key_rows) {
        if (r.application != application) {
            const char* mode = r.application ? "\x1b[?1h" : "\x1b[?1l";
            t.WriteOutput(mode, 5);
            application = r.application;
        }
        t.Key(r.code);
        std::string want = r.bytes;
        EXPECT_EQ(pty.Read(want.size()), want) << std::hex << r.code << (r.application ? " application" : "");
    }
    // Keys that mean nothing to a child send nothing.
    for (int code : {KEY_MODIFIERS, KEY_ALT_A, KEY_SHIFT_F1, KEY_MOUSE, KEY_NONE, KEY_MENU_BASE + 5})
        t.Key(code);
    EXPECT_TRUE(pty.Quiet());
    EXPECT_EQ(t.FlushInput(), 0);
}

TEST(TerminalKeys, ShiftInsertSendsTheClipboardAsUtf8)
{
    PtyPair pty;
    ASSERT_GE(pty.slave, 0);
    CRecordingDisplay display;
    console.SetDisplay(&display);
    display.clipboard = "gr\xc3\xbc\xc3\x9f $HOME";
    CAnsiTerminalEmulator t(console, pty.master);
    t.Key(KEY_INS | KEY_SHIFT_FLAG);
    // Not on the toolkit thread: the run loop fetches it when woken.
    EXPECT_TRUE(pty.Quiet());
    EXPECT_TRUE(t.InputPending());
    struct pollfd p = {t.InputWakeFd(), POLLIN, 0};
    EXPECT_EQ(poll(&p, 1, 0), 1);
    EXPECT_EQ(t.FlushInput(), 0);
    EXPECT_EQ(pty.Read(12), "gr\xc3\xbc\xc3\x9f $HOME");
    EXPECT_FALSE(t.InputPending());
    console.SetDisplay(nullptr);
}

// A child that reads nothing fills the pty; keys then wait in the queue,
// in order, up to its bound, and Put never blocks.
TEST(PtyWriteQueue, KeepsWhatThePtyDoesNotTakeInOrderAndBounded)
{
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    CPtyWriteQueue queue(100);
    queue.SetFd(fds[1]);
    std::string filler(4096, 'f');
    size_t written = 0;
    int rc;
    while ((rc = queue.Put(filler.data(), 50)) == 0 && !queue.Pending())
        written += 50;
    ASSERT_EQ(rc, 0);
    EXPECT_EQ(queue.Put("0123456789", 10), 0);
    EXPECT_EQ(queue.Put("x", 1), 0);
    size_t waiting = queue.Size();
    EXPECT_EQ(queue.Put(filler.data(), 100 - waiting + 1), ENOBUFS) << "all or nothing";
    EXPECT_EQ(queue.Size(), waiting);

    // The reader drains the pipe; a flush delivers the rest in order.
    std::string got;
    char buf[65536];
    fcntl(fds[0], F_SETFL, O_NONBLOCK);
    for (;;) {
        ssize_t r = read(fds[0], buf, sizeof buf);
        if (r <= 0)
            break;
        got.append(buf, static_cast<size_t>(r));
    }
    EXPECT_EQ(queue.Flush(), 0);
    EXPECT_FALSE(queue.Pending());
    ssize_t r = read(fds[0], buf, sizeof buf);
    ASSERT_GT(r, 0);
    got.append(buf, static_cast<size_t>(r));
    EXPECT_EQ(got.size(), written + 50 + 11);
    EXPECT_EQ(got.substr(got.size() - 11), "0123456789x");

    close(fds[0]);
    close(fds[1]);
}
