#include "command/process.h"

#include "command/environment.h"
#include "entries/entry.h"
#include "fileops/permissions.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/close_range.h>
#include <map>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

// The kernel's limit for one argument (MAX_ARG_STRLEN: 32 pages of 4 KiB,
// its terminating NUL included); not exported by the C library.
constexpr size_t MaxArgument = 32 * 4096;

void set_pointers(EXEC_IMAGE& image)
{
    image.argv = {image.shell.data(), const_cast<char*>("-c"), image.command.data(), nullptr};
    image.envp.clear();
    for (std::string& e : image.env)
        image.envp.push_back(e.data());
    image.envp.push_back(nullptr);
}

// Bytes that argv and envp strings and pointers take of ARG_MAX.
size_t vector_size(const std::vector<std::string>& strings)
{
    size_t n = 0;
    for (const std::string& s : strings)
        n += s.size() + 1 + sizeof(char*);
    return n;
}

std::string shell_of(const std::vector<std::string>& env)
{
    for (const std::string& e : env)
        if (e.rfind("SHELL=", 0) == 0 && e.size() > 6)
            return e.substr(6);
    return "/bin/sh";
}

// Writes a whole text to fd from a child before exec (async-signal-safe).
void put(int fd, const char* s)
{
    size_t n = std::strlen(s);
    while (n > 0) {
        ssize_t w = write(fd, s, n);
        if (w <= 0)
            return;
        s += w;
        n -= static_cast<size_t>(w);
    }
}

}

size_t command_room(const std::vector<std::string>& env)
{
    long arg_max = sysconf(_SC_ARG_MAX);
    size_t total = arg_max > 0 ? static_cast<size_t>(arg_max) : 2 * 1024 * 1024;
    std::string shell = shell_of(env);
    // The shell's name and "-c" come first; a page is kept back for what
    // the kernel adds itself (the program's path, the auxiliary vector).
    size_t used = vector_size(env) + shell.size() + 1 + 3 + 3 * sizeof(char*) + 4096;
    size_t room = used < total ? total - used : 0;
    return std::min(room, MaxArgument - 1);
}

int make_exec_image(const Westring& command, std::vector<std::string> env, EXEC_IMAGE& image)
{
    image.command = FileNameToSys(command).c_str();
    if (image.command.size() > command_room(env))
        return E2BIG;
    image.shell = shell_of(env);
    image.env = std::move(env);
    set_pointers(image);
    return 0;
}

void ExecProg(const EXEC_IMAGE& image)
{
    // What this process set up for itself must not reach the command: a
    // blocked SIGCHLD, ignored signals and open descriptors are inherited
    // through exec.
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction dfl = {};
    dfl.sa_handler = SIG_DFL;
    for (int sig = 1; sig < NSIG; sig++)
        sigaction(sig, &dfl, nullptr);
    if (syscall(SYS_close_range, 3U, ~0U, 0U) != 0)
        for (int fd = 3; fd < 1024; fd++)
            close(fd);
    execve(image.shell.c_str(), image.argv.data(), image.envp.data());
    int err = errno;
    put(2, image.shell.c_str());
    put(2, ": ");
    const char* text = strerrordesc_np(err);
    put(2, text ? text : "cannot be run");
    put(2, "\r\n");
    _exit(127);
}

int open_pty_pair(int& master, int& slave, int columns, int lines)
{
    master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0) {
        std::fprintf(stderr, "open(/dev/ptmx) failed: %s\n", std::strerror(errno));
        return -1;
    }
    char name[128];
    const char* step = nullptr;
    slave = -1;
    if (grantpt(master) != 0)
        step = "grantpt() failed";
    else if (unlockpt(master) != 0)
        step = "unlockpt() failed";
    else if (ptsname_r(master, name, sizeof name) != 0)
        step = "ptsname() failed";
    else if ((slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC)) < 0)
        step = "open(slavename) failed";
    if (step) {
        std::fprintf(stderr, "%s: %s\n", step, std::strerror(errno));
        close(master);
        master = -1;
        return -1;
    }
    struct winsize ws = {};
    ws.ws_row = static_cast<unsigned short>(lines);
    ws.ws_col = static_cast<unsigned short>(columns);
    (void)ioctl(slave, TIOCSWINSZ, &ws);
    return 0;
}

pid_t start_on_pty(const EXEC_IMAGE& image, int master, int slave)
{
    pid_t pid = fork();
    if (pid != 0)
        return pid;
    close(master);
    setsid();
    ioctl(slave, TIOCSCTTY, 0);
    for (int fd = 0; fd < 3; fd++)
        dup2(slave, fd);
    if (slave > 2)
        close(slave);
    ExecProg(image);
}

int start_detached(const EXEC_IMAGE& image)
{
    int null = open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (null < 0)
        return errno;
    pid_t child = fork();
    if (child == 0) {
        setsid();
        pid_t program = fork();
        if (program == 0) {
            dup2(null, 0);
            ExecProg(image);
        }
        _exit(program > 0 ? 0 : 127);
    }
    int err = child < 0 ? errno : 0;
    close(null);
    if (child > 0) {
        int status;
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        if (WIFEXITED(status) && WEXITSTATUS(status) != 0)
            err = EAGAIN;
    }
    return err;
}

void block_child_signal()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGCHLD);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

int GetProgramType(const wchar_t* path)
{
    struct stat st;
    if (stat(FileNameToSys(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode) && (st.st_mode & 0111))
        return ProgramExecutable;
    return ProgramOther;
}

int PathSearch(const wchar_t* name, Westring& found, const Westring& path_append)
{
    Westring n(name);
    struct stat st;
    if (n.chr(L'/') >= 0) {
        if (stat(FileNameToSys(n).c_str(), &st) != 0)
            return 0;
        found = n;
        return 1;
    }
    if (n.empty())
        return 0;
    const char* env_path = SessionEnv.Get("PATH");
    Westring path = FileNameFromSys(env_path && *env_path ? env_path : ".");
    if (!path_append.empty())
        path = path + L":" + path_append;
    const wchar_t* p = path.c_str();
    for (;;) {
        const wchar_t* end = p;
        while (*end && *end != L':')
            end++;
        if (end > p) {
            Westring candidate = Westring(std::wstring(p, end).c_str()).AppendBackslash() + n;
            if (stat(FileNameToSys(candidate).c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) {
                found = candidate;
                return 1;
            }
        }
        if (!*end)
            return 0;
        p = end + 1;
    }
}

namespace {

struct X11_ANSWER
{
    off_t size;
    struct timespec mtime;
    bool x11;
};

// Runs ldd on path; true when a line of its output names libX11.
bool ldd_says_x11(const std::string& path)
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return false;
    int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    pid_t pid = fork();
    if (pid == 0) {
        if (null >= 0) {
            dup2(null, 0);
            dup2(null, 2);
        }
        dup2(fds[1], 1);
        const char* argv[] = {"/usr/bin/ldd", path.c_str(), nullptr};
        execv(argv[0], const_cast<char* const*>(argv));
        _exit(127);
    }
    close(fds[1]);
    if (null >= 0)
        close(null);
    bool x11 = false;
    if (pid > 0) {
        // Lines are read up to 1024 bytes; a longer one is read on in
        // pieces, which still finds the name unless it is split.
        FILE* f = fdopen(fds[0], "r");
        if (f) {
            char line[1025];
            while (std::fgets(line, sizeof line, f))
                if (std::strstr(line, "libX11"))
                    x11 = true;
            std::fclose(f);
            fds[0] = -1;
        }
        int status;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    if (fds[0] >= 0)
        close(fds[0]);
    return x11;
}

}

bool IsX11(const Westring& path)
{
    static std::map<std::string, X11_ANSWER> known;
    std::string p = FileNameToSys(path).c_str();
    struct stat st;
    if (stat(p.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    auto it = known.find(p);
    if (it != known.end() && it->second.size == st.st_size && it->second.mtime.tv_sec == st.st_mtim.tv_sec &&
        it->second.mtime.tv_nsec == st.st_mtim.tv_nsec)
        return it->second.x11;
    bool x11 = ldd_says_x11(p);
    known[p] = {st.st_size, st.st_mtim, x11};
    return x11;
}

bool IsExecutable(const entry* e)
{
    return e && !e->IsDirectory() && (MyPermissions(e->mode, e->uid, e->gid) & 1) != 0;
}
