#ifndef PANNEX_ARCHIVE_TESTS_ARCHIVER_RUNNER_H
#define PANNEX_ARCHIVE_TESTS_ARCHIVER_RUNNER_H

#include "archive/archiver_command.h"

#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

// Runs archiver command lines quietly through /bin/sh in the process's
// directory, as the program's runner does on the console: the status is
// the result, output goes to /dev/null.
inline int quiet_runner(const Westring& command, int)
{
    std::string line = FileNameToSys(command).c_str();
    pid_t pid = fork();
    if (pid == 0) {
        int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
        execl("/bin/sh", "sh", "-c", line.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// A file or directory of a panel, to be named on an archiver's command line.
inline ArchiveItem file_item(const wchar_t* name, bool directory = false)
{
    ArchiveItem i;
    i.name = name;
    i.directory = directory;
    i.file = true;
    return i;
}

inline std::string& runner_saved_directory()
{
    static std::string dir;
    return dir;
}

// The quiet runner, with the process in dir until restore_runner.
inline void use_runner_in(const std::string& dir)
{
    char buf[4096];
    runner_saved_directory() = getcwd(buf, sizeof buf) ? buf : "/";
    archive_runner = quiet_runner;
    (void)!chdir(dir.c_str());
}

inline void restore_runner()
{
    (void)!chdir(runner_saved_directory().c_str());
}

#endif
