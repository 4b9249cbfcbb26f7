#include "fileops/shell_window.h"

#include "fileops/path_grammar.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// Browsers in the order they are tried, with their argument templates, in
// which "!" stands for the directory. xdg-open comes first: it opens
// whichever file browser the desktop is configured with.
const struct
{
    const char* program;
    const char* args;
} browsers[] = {
    {"xdg-open", "!"},
    {"nautilus", "--browser !"},
    {"dolphin", "!"},
};

// The argument vector of a template: words split at blanks, every "!"
// replaced by the directory's bytes. The directory never passes through a
// shell, so it needs no quoting.
std::vector<std::string> expand(const char* program, const char* args, const std::string& dir)
{
    std::vector<std::string> argv{program};
    std::string word;
    bool inWord = false;
    for (const char* p = args;; p++) {
        if (*p == 0 || *p == ' ') {
            if (inWord)
                argv.push_back(word);
            word.clear();
            inWord = false;
            if (*p == 0)
                break;
        } else {
            inWord = true;
            if (*p == '!')
                word += dir;
            else
                word += *p;
        }
    }
    return argv;
}

// Starts path with argv in a session of its own, detached from this process:
// an intermediate child starts the program and exits at once, so the
// program is never our child and leaves no zombie. Returns 0 once the
// program runs, or the error of starting it.
int spawn_detached(const std::string& path, const std::vector<std::string>& args)
{
    // Everything the children need is prepared here: between fork and exec
    // only async-signal-safe calls are allowed.
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    // The program's exec error comes back through this pipe; a successful
    // exec closes the write end, and the read sees the end of the data.
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0)
        return errno;
    pid_t child = fork();
    if (child == 0) {
        setsid();
        pid_t program = fork();
        if (program == 0) {
            // Undo what this process set for itself: blocked or ignored
            // signals would otherwise be inherited through exec.
            sigset_t none;
            sigemptyset(&none);
            sigprocmask(SIG_SETMASK, &none, nullptr);
            struct sigaction dfl = {};
            dfl.sa_handler = SIG_DFL;
            for (int sig = 1; sig < NSIG; sig++)
                sigaction(sig, &dfl, nullptr);
            int null = open("/dev/null", O_RDONLY);
            if (null > 0) {
                dup2(null, 0);
                close(null);
            }
            execv(path.c_str(), argv.data());
        }
        // In the program only after a failed exec; in the intermediate
        // child with the result of the fork.
        int err = program > 0 ? 0 : errno;
        if (err)
            (void)!write(report[1], &err, sizeof err);
        _exit(err ? 127 : 0);
    }
    int err = child < 0 ? errno : 0;
    close(report[1]);
    if (child > 0) {
        while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
        }
        int got = 0;
        ssize_t n;
        while ((n = read(report[0], &got, sizeof got)) < 0 && errno == EINTR) {
        }
        if (n == static_cast<ssize_t>(sizeof got))
            err = got;
    }
    close(report[0]);
    return err;
}

}

Westring FindProgram(const char* program, const Westring& pathAppend)
{
    TObjectStore<Westring> dirs;
    GetPaths(dirs, pathAppend);
    for (int i = 0; i < dirs.count; i++) {
        Westring full = dirs.At(i)->AppendBackslash() + FileNameFromSys(program);
        Estring sys = FileNameToSys(full);
        struct stat st;
        if (stat(sys.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(sys.c_str(), X_OK) == 0)
            return full;
    }
    return Westring();
}

bool OpenShellWindow(const Westring& dir, const Westring& pathAppend)
{
    // An absolute path, so that no directory name is taken for an option.
    Westring full = dir;
    if (ResolvePath(full) != 0)
        return false;
    std::string d = FileNameToSys(full).c_str();
    for (const auto& b : browsers) {
        Westring path = FindProgram(b.program, pathAppend);
        if (path.empty())
            continue;
        if (spawn_detached(FileNameToSys(path).c_str(), expand(b.program, b.args, d)) == 0)
            return true;
    }
    return false;
}
