#ifndef PANNEX_COMMAND_PROCESS_H
#define PANNEX_COMMAND_PROCESS_H

#include "foundation/westring.h"

#include <string>
#include <sys/types.h>
#include <vector>

struct entry;

// Starting children: the user's shell on a pseudo-terminal or detached,
// finding programs on the search path and telling X11 programs. Logic
// thread.
//
// Children are collected by their own pid only (never waitpid(0) or -1),
// so no part of the program takes another's child status. Detached
// children are never our children at all: an intermediate process starts
// them and is collected at once, so they leave no zombie behind.

// What a child runs, built completely before fork: between fork and exec
// a threaded process may only make async-signal-safe calls, so nothing is
// allocated or converted there.
struct EXEC_IMAGE
{
    // The shell (SHELL of the child's environment; /bin/sh when that is
    // unset or empty), and the command line for its "-c", as bytes.
    std::string shell;
    std::string command;
    std::vector<std::string> env;
    // Pointers into the strings above, null-terminated; set by
    // make_exec_image and valid while the image is neither copied nor
    // changed.
    std::vector<char*> argv;
    std::vector<char*> envp;
};

// The command as bytes through the lossless file-name conversion (so a
// name that is not UTF-8 reaches its file), with env the child's
// environment. 0, or E2BIG when the kernel would refuse it: the "-c"
// argument above MAX_ARG_STRLEN - 1 bytes, or arguments and environment
// together not under ARG_MAX.
[[nodiscard]] int make_exec_image(const Westring& command, std::vector<std::string> env, EXEC_IMAGE& image);
// The longest command line make_exec_image accepts with this environment,
// in bytes.
size_t command_room(const std::vector<std::string>& env);

// In a child: an empty signal mask, every signal at its default action,
// descriptors above 2 closed, then the shell runs the command. When the
// shell cannot be started, its name and the error go to descriptor 2 and
// the child exits with 127. Never returns.
[[noreturn]] void ExecProg(const EXEC_IMAGE& image);

// Opens a pseudo-terminal pair whose window size is columns x lines: the
// master (for this process) and the slave (for the child, opened blocking,
// without becoming our controlling terminal), both close-on-exec. 0, or -1
// with nothing left open; the failing step is reported on standard error.
[[nodiscard]] int open_pty_pair(int& master, int& slave, int columns, int lines);

// Forks a child in a session of its own with slave as its controlling
// terminal and descriptors 0-2, running image. The child's pid, or -1 with
// errno set.
pid_t start_on_pty(const EXEC_IMAGE& image, int master, int slave);

// Starts image detached: its own session, standard input from /dev/null,
// not our child. 0 once it was forked, or an errno.
[[nodiscard]] int start_detached(const EXEC_IMAGE& image);

// Blocks SIGCHLD in the calling thread, and so in every thread it starts
// afterwards: call it before the toolkit's threads exist. The run loop then
// learns of its child's end through a signalfd instead of a handler that
// could collect somebody else's child.
void block_child_signal();

// GetProgramType's results.
constexpr int ProgramExecutable = 10;
constexpr int ProgramOther = 11;

// ProgramExecutable for an existing file with an execute bit, else
// ProgramOther.
int GetProgramType(const wchar_t* path);

// 1 with the program's path in found when it can be run: a name with "/"
// that exists is taken as it is; otherwise the directories of PATH (from
// the command environment; "." when it is empty) and then path_append are
// tried in order. 0 when none has it.
int PathSearch(const wchar_t* name, Westring& found, const Westring& path_append);

// True when the program at path links the X11 client library (ldd lists
// libX11). The answer is kept per path, size and modification time, so
// that a program is examined once.
bool IsX11(const Westring& path);

// The current user may execute the entry (execute permission for the user
// the program runs as).
bool IsExecutable(const entry* e);

#endif
