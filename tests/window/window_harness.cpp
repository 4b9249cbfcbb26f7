#include "tests/window/window_harness.h"

#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

bool in_path(const char* program)
{
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':'))
        if (access((dir + "/" + program).c_str(), X_OK) == 0)
            return true;
    return false;
}

std::vector<char*> argv_of(std::vector<std::string>& args)
{
    std::vector<char*> v;
    for (std::string& a : args)
        v.push_back(a.data());
    v.push_back(nullptr);
    return v;
}

// Forks args[0] with the extra environment, in directory cwd when it is not
// empty; stdout goes to out_fd when it is not -1. The child's pid, or -1.
pid_t spawn(std::vector<std::string> args, const std::vector<std::string>& env, int out_fd, int keep_fd = -1,
            const std::string& cwd = "")
{
    pid_t pid = fork();
    if (pid != 0)
        return pid;
    for (const std::string& e : env)
        putenv(strdup(e.c_str()));
    if (!cwd.empty() && chdir(cwd.c_str()) != 0)
        _exit(127);
    if (out_fd >= 0)
        dup2(out_fd, 1);
    int null = open("/dev/null", O_RDWR);
    if (out_fd < 0)
        dup2(null, 1);
    dup2(null, 0);
    // Keep the server's chatter out of the test output.
    if (args[0] == "Xvfb")
        dup2(null, 2);
    for (int fd = 3; fd < 256; fd++)
        if (fd != keep_fd)
            close(fd);
    auto argv = argv_of(args);
    execvp(argv[0], argv.data());
    _exit(127);
}

// Waits for pid up to timeout_ms: its exit status, or -1 (then it is killed).
int wait_for(pid_t pid, int timeout_ms)
{
    auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        int status;
        pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        if (r < 0)
            return -1;
        if (Clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// Runs a command to its end; its exit status (-1 on time-out) and output.
int run(const std::vector<std::string>& args, const std::string& display, int timeout_ms, std::string* output)
{
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    pid_t pid = spawn(args, {"DISPLAY=" + display, "LC_ALL=C.UTF-8"}, fds[1]);
    close(fds[1]);
    std::string out;
    auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    char buf[4096];
    for (;;) {
        int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
        if (left <= 0)
            break;
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, left) <= 0)
            break;
        ssize_t n = read(fds[0], buf, sizeof buf);
        if (n <= 0)
            break;
        out.append(buf, static_cast<size_t>(n));
    }
    close(fds[0]);
    int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
    int status = wait_for(pid, left > 0 ? left : 1);
    if (output)
        *output = out;
    return status;
}

std::string read_file(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}

int CWindowHarness::Snapshot::Attr(int x, int y) const
{
    if (y < 0 || y >= static_cast<int>(attrs.size()) || x < 0 || 2 * x + 2 > static_cast<int>(attrs[y].size()))
        return -1;
    return std::stoi(attrs[y].substr(2 * x, 2), nullptr, 16);
}

CWindowHarness::CWindowHarness()
{
    char dir[] = "/tmp/px_window_XXXXXX";
    if (mkdtemp(dir))
        scratch = dir;
    dump = scratch + "/screen";
}

CWindowHarness::~CWindowHarness()
{
    stop(program);
    stop(xvfb);
    if (!scratch.empty()) {
        std::string cmd = "rm -rf '" + scratch + "'";
        if (std::system(cmd.c_str()) != 0)
            std::fprintf(stderr, "window harness: could not remove %s\n", scratch.c_str());
    }
}

void CWindowHarness::stop(pid_t& pid)
{
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    if (wait_for(pid, 5000) < 0)
        kill(pid, SIGKILL);
    pid = -1;
}

bool CWindowHarness::StartDisplay()
{
    for (const char* tool : {"Xvfb", "xdotool"}) {
        if (!in_path(tool)) {
            missing = std::string(tool) + " is not installed";
            return false;
        }
    }
    // Xvfb picks a free display itself and writes its number to the pipe
    // once it accepts connections.
    int fds[2];
    if (pipe(fds) != 0)
        return false;
    xvfb = spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"},
                 {}, -1, fds[1]);
    close(fds[1]);
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    char c;
    while (poll(&p, 1, 15000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(fds[0]);
    if (number.empty()) {
        // The programs are there, so a display that does not come up is a
        // fault of the machine or the harness, never a reason to skip.
        missing = "Xvfb did not start";
        ADD_FAILURE() << "Xvfb and xdotool are installed, but the display did not start";
        stop(xvfb);
        return false;
    }
    display = ":" + number;
    return true;
}

bool CWindowHarness::StartProgram(const std::string& path, const std::vector<std::string>& args)
{
    std::vector<std::string> argv{path};
    argv.insert(argv.end(), args.begin(), args.end());
    // A home of its own, so the program never reads or writes the user's
    // settings and history; tests put files there with Home(). It starts in
    // the short scratch directory, whatever the checkout's path, and reads
    // dates in one locale and time zone everywhere.
    mkdir(Home().c_str(), 0755);
    program = spawn(argv,
                    {"DISPLAY=" + display, "PX_SCREEN_DUMP=" + dump, "LC_ALL=C.UTF-8", "TZ=UTC", "HOME=" + Home()},
                    -1, -1, scratch);
    return program > 0;
}

bool CWindowHarness::WaitWindow(const std::string& title, int timeout_ms)
{
    std::string out;
    if (run({"xdotool", "search", "--sync", "--onlyvisible", "--name", title}, display, timeout_ms, &out) != 0)
        return false;
    window = std::strtoul(out.c_str(), nullptr, 10);
    if (window == 0)
        return false;
    // The first snapshot comes when the program first waits for input.
    Snapshot s;
    if (!WaitSnapshot([](const Snapshot& s) { return s.columns > 0; }, s, timeout_ms))
        return false;
    if (run({"xdotool", "windowfocus", "--sync", std::to_string(window)}, display, timeout_ms, nullptr) != 0)
        return false;
    ::Display* d = XOpenDisplay(display.c_str());
    if (!d)
        return false;
    XWindowAttributes a;
    bool ok = XGetWindowAttributes(d, window, &a) != 0;
    XCloseDisplay(d);
    if (!ok)
        return false;
    cell_width = a.width / s.columns;
    cell_height = a.height / s.lines;
    return cell_width > 0 && cell_height > 0;
}

bool CWindowHarness::Xdotool(const std::vector<std::string>& args, int timeout_ms)
{
    std::vector<std::string> argv{"xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    return run(argv, display, timeout_ms, nullptr) == 0;
}

std::string CWindowHarness::WaitWindowName(const std::string& want, int timeout_ms)
{
    auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    std::string name;
    do {
        std::string out;
        if (run({"xdotool", "getwindowname", std::to_string(window)}, display, timeout_ms, &out) == 0) {
            while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
                out.pop_back();
            name = out;
        }
        // The title reaches X from the toolkit thread, a moment after the
        // snapshot that shows it.
        if (name == want)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (Clock::now() < deadline);
    return name;
}

bool CWindowHarness::Key(const std::string& keys)
{
    return Xdotool({"key", keys});
}

bool CWindowHarness::Type(const std::string& utf8)
{
    return Xdotool({"type", utf8});
}

bool CWindowHarness::Drag(int x1, int y1, int x2, int y2)
{
    // Pointer positions in the middle of the cells; the window sits at the
    // origin, there being no window manager.
    auto px = [&](int x) { return std::to_string(x * cell_width + cell_width / 2); };
    auto py = [&](int y) { return std::to_string(y * cell_height + cell_height / 2); };
    return Xdotool({"mousemove", "--sync", px(x1), py(y1)}) && Xdotool({"mousedown", "1"}) &&
           Xdotool({"mousemove", "--sync", px((x1 + x2) / 2), py((y1 + y2) / 2)}) &&
           Xdotool({"mousemove", "--sync", px(x2), py(y2)}) && Xdotool({"mouseup", "1"});
}

bool CWindowHarness::CloseWindow()
{
    ::Display* d = XOpenDisplay(display.c_str());
    if (!d)
        return false;
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = window;
    ev.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    ev.xclient.data.l[1] = CurrentTime;
    bool ok = XSendEvent(d, window, False, NoEventMask, &ev) != 0;
    XSync(d, False);
    XCloseDisplay(d);
    return ok;
}

bool CWindowHarness::ParseSnapshot(const std::string& text, Snapshot& out)
{
    std::stringstream in(text);
    std::string line, word;
    if (!std::getline(in, line))
        return false;
    std::stringstream head(line);
    head >> word >> out.seq >> out.columns >> out.lines >> out.cursor_x >> out.cursor_y >> out.cursor_type;
    if (word != "PXSCREEN" || !head || out.lines <= 0)
        return false;
    if (!std::getline(in, line) || line.compare(0, 6, "TITLE ") != 0)
        return false;
    out.title = line.substr(6);
    out.rows.clear();
    out.attrs.clear();
    for (int i = 0; i < out.lines && std::getline(in, line); i++)
        out.rows.push_back(line);
    for (int i = 0; i < out.lines && std::getline(in, line); i++)
        out.attrs.push_back(line);
    return static_cast<int>(out.attrs.size()) == out.lines;
}

bool CWindowHarness::ReadSnapshot(Snapshot& out) const
{
    return ParseSnapshot(read_file(dump), out);
}

bool CWindowHarness::WaitSnapshot(const std::function<bool(const Snapshot&)>& pred, Snapshot& out, int timeout_ms)
{
    auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    do {
        if (ReadSnapshot(out) && pred(out))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (Clock::now() < deadline);
    return false;
}

bool CWindowHarness::WaitExists(const std::string& path, int timeout_ms) const
{
    auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    while (access(path.c_str(), F_OK) != 0) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

std::vector<std::string> CWindowHarness::WaitLines(const std::string& path, size_t lines, int timeout_ms) const
{
    auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    std::vector<std::string> out;
    do {
        out.clear();
        std::stringstream in(read_file(path));
        std::string line;
        while (std::getline(in, line))
            out.push_back(line);
        if (out.size() >= lines)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (Clock::now() < deadline);
    return out;
}

bool CWindowHarness::Screenshot(std::vector<Pixel>& out, int& width, int& height) const
{
    ::Display* d = XOpenDisplay(display.c_str());
    if (!d)
        return false;
    ::Window root = DefaultRootWindow(d);
    XWindowAttributes a;
    XGetWindowAttributes(d, root, &a);
    XImage* img = XGetImage(d, root, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
    if (!img) {
        XCloseDisplay(d);
        return false;
    }
    width = a.width;
    height = a.height;
    out.resize(static_cast<size_t>(width) * height);
    // A 24-bit TrueColor screen: the masks say where each channel sits.
    auto channel = [](unsigned long pixel, unsigned long mask) {
        int shift = 0;
        while (mask && !(mask & 1)) {
            mask >>= 1;
            shift++;
        }
        return static_cast<unsigned char>((pixel >> shift) & mask);
    };
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            unsigned long p = XGetPixel(img, x, y);
            out[static_cast<size_t>(y) * width + x] = {channel(p, img->red_mask), channel(p, img->green_mask),
                                                       channel(p, img->blue_mask)};
        }
    XDestroyImage(img);
    XCloseDisplay(d);
    return true;
}

std::string CWindowHarness::Clipboard() const
{
    std::string out;
    if (run({"xclip", "-o", "-selection", "clipboard"}, display, 10000, &out) != 0)
        return "";
    return out;
}

int CWindowHarness::WaitExit(int timeout_ms)
{
    if (program <= 0)
        return -1;
    auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        int status;
        pid_t r = waitpid(program, &status, WNOHANG);
        if (r == program) {
            program = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        if (r < 0 || Clock::now() > deadline)
            return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}
