#include "command/pty_run.h"

#include "console/console.h"
#include "fileops/file_system.h"
#include "textui/message_box.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <sys/signalfd.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

std::function<void()> pty_idle_hook;

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t ChunkSize = 64 * 1024;
constexpr auto ReadBudget = std::chrono::milliseconds(15);
constexpr auto MaxReadBudget = std::chrono::milliseconds(100);
// While output floods in, the snapshot is still brought up to date this
// often, so that a test watching the screen sees the flood.
constexpr auto FloodDumpInterval = std::chrono::milliseconds(250);

// A signalfd for SIGCHLD: readable when a child ended, so the loop wakes
// at once instead of at its next quiet period. It only works where SIGCHLD
// is blocked (block_child_signal); elsewhere the loop still notices the
// end within PtyQuietMs.
int child_signal_fd()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGCHLD);
    sigset_t blocked;
    if (pthread_sigmask(SIG_BLOCK, nullptr, &blocked) != 0 || !sigismember(&blocked, SIGCHLD))
        return -1;
    return signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
}

void drain_signal_fd(int fd)
{
    signalfd_siginfo info;
    while (read(fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
    }
}

// The output loop's state: the master, what became of the child, and the
// chunk buffer.
struct PTY_LOOP
{
    int master;
    pid_t child;
    bool collected = false;
    // The slave side is closed everywhere (read gave 0 or EIO): nothing
    // more will come.
    bool hung_up = false;
    int result = -1;
    std::vector<char> buffer = std::vector<char>(ChunkSize);
    Clock::time_point last_dump = Clock::now();
    Clock::duration last_paint_cost = Clock::duration::zero();
};

// Reads and parses output for a while, then paints it once. While the
// child keeps writing, the loop waits for more rather than painting after
// every small read: the child refills the pty's small buffer within
// microseconds, and painting after each refill would make the paint rate,
// not the parser, set the speed. The reading time is ReadBudget, or as long
// as the last paint took (up to MaxReadBudget), so that painting costs at
// most about half of a flood's time. Between two paints the toolkit lock is
// free, so keys reach the child. True when anything was read.
bool read_output(PTY_LOOP& s)
{
    bool got = false;
    auto start = Clock::now();
    auto budget = std::clamp(s.last_paint_cost, std::chrono::duration_cast<Clock::duration>(ReadBudget),
                             std::chrono::duration_cast<Clock::duration>(MaxReadBudget));
    auto deadline = start + budget;
    console.BeginPaint();
    for (;;) {
        ssize_t n = read(s.master, s.buffer.data(), s.buffer.size());
        if (n > 0) {
            console.Write(s.buffer.data(), static_cast<size_t>(n));
            got = true;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // Nothing now: wait for more within the budget, unless the
            // child has ended or went quiet.
            auto now = Clock::now();
            if (now >= deadline || s.collected)
                break;
            pollfd p{s.master, POLLIN, 0};
            int wait_ms = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count());
            if (poll(&p, 1, std::max(wait_ms, 1)) <= 0)
                break;
            continue;
        } else {
            s.hung_up = true;
            break;
        }
        if (Clock::now() >= deadline)
            break;
    }
    auto painting = Clock::now();
    console.EndPaint();
    s.last_paint_cost = Clock::now() - painting;
    return got;
}

// Collects the child when it has ended; false when waitpid failed, which
// ends the run.
bool check_child(PTY_LOOP& s)
{
    if (s.collected)
        return true;
    int status;
    pid_t r = waitpid(s.child, &status, WNOHANG);
    if (r == s.child) {
        s.collected = true;
        s.result = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    } else if (r < 0 && errno != EINTR) {
        int err = errno;
        error(Westring(esprintf("Error %d waiting for child", err).c_str()));
        s.collected = true;
        s.result = -1;
        return false;
    }
    return true;
}

}

namespace {

// With PX_RUN_TIMES=<file> set (benchmarks), each run appends the seconds
// from the child's start to the moment its last output is on the screen,
// the window system included.
void record_run_time(Clock::time_point started)
{
    const char* path = std::getenv("PX_RUN_TIMES");
    if (!path || !*path)
        return;
    console.SyncDisplay();
    double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    if (FILE* f = std::fopen(path, "a")) {
        std::fprintf(f, "%.6f\n", seconds);
        std::fclose(f);
    }
}

}

int run_on_pty(const EXEC_IMAGE& image)
{
    int columns, lines;
    console.GetSize(columns, lines);
    console.SetCursorPos(0, lines - 1);
    int master, slave;
    if (open_pty_pair(master, slave, columns, lines) != 0)
        return -1;
    int sigfd = child_signal_fd();
    auto started = Clock::now();
    pid_t child = start_on_pty(image, master, slave);
    if (child < 0) {
        int err = errno;
        close(slave);
        close(master);
        if (sigfd >= 0)
            close(sigfd);
        error(L"Error forking child process", Westring(GetOSErrorMessage(err).c_str()).c_str());
        return -1;
    }
    console.SetPty(master);
    close(slave);

    PTY_LOOP s{master, child};
    for (;;) {
        if (!check_child(s))
            break;
        CConsoleTerminal* term = console.Terminal();
        pollfd fds[3];
        int n = 0;
        int master_at = -1, wake_at = -1, sig_at = -1;
        if (!s.hung_up) {
            master_at = n;
            short events = POLLIN;
            if (term && term->InputPending())
                events |= POLLOUT;
            fds[n++] = {master, events, 0};
        }
        if (term && term->InputWakeFd() >= 0) {
            wake_at = n;
            fds[n++] = {term->InputWakeFd(), POLLIN, 0};
        }
        if (sigfd >= 0 && !s.collected) {
            sig_at = n;
            fds[n++] = {sigfd, POLLIN, 0};
        }
        int ready = poll(fds, static_cast<nfds_t>(n), s.collected ? 0 : PtyQuietMs);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (sig_at >= 0 && fds[sig_at].revents)
            drain_signal_fd(sigfd);
        if (term && ((wake_at >= 0 && fds[wake_at].revents) || (master_at >= 0 && (fds[master_at].revents & POLLOUT))))
            (void)term->FlushInput();
        bool got = false;
        if (master_at >= 0 && (fds[master_at].revents & (POLLIN | POLLHUP | POLLERR)))
            got = read_output(s);
        if (s.collected && (!got || s.hung_up))
            break;
        auto now = Clock::now();
        if (ready == 0 || now - s.last_dump >= FloodDumpInterval) {
            console.DumpScreenIfChanged();
            s.last_dump = now;
            if (pty_idle_hook)
                pty_idle_hook();
        }
    }
    record_run_time(started);
    console.EndPty();
    close(master);
    if (sigfd >= 0)
        close(sigfd);
    return s.result;
}
