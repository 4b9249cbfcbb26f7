#ifndef PANNEX_FILEOPS_FILE_GLOBALS_H
#define PANNEX_FILEOPS_FILE_GLOBALS_H

// The answers that stick for the rest of one copy, move or delete command
// (All, None, All Older and the like). Reset at the start of each command;
// logic thread only.

enum EOverwrite : int {
    OverwriteAsk = 0,
    OverwriteAlways = 1,
    OverwriteNever = 2,
    OverwriteIfOlder = 3,
};

// What happens to a source that changes while it is copied.
enum EReadWritten : int {
    ReadWrittenAsk = 0,
    ReadWrittenCopyAll = 1,
    ReadWrittenSkipAll = -1,
};

// The read-only question of delete: ask, delete all, delete none.
enum EDeleteReadOnly : int {
    DeleteReadOnlyAsk = 0,
    DeleteReadOnlyAll = 1,
    DeleteReadOnlyNone = 2,
};

struct FILE_GLOBALS
{
    int overwrite_mode = OverwriteAsk;
    // An existing target directory is merged without asking.
    bool merge_all = false;
    int read_written_all = ReadWrittenAsk;
    int del_all_RO = DeleteReadOnlyAsk;
    // Non-empty directories are deleted without asking.
    bool del_all_trees = false;
    // Tree deletions in progress; only the outermost asks.
    int tree_depth = 0;
};

extern FILE_GLOBALS file_globals;

// Forgets every sticking answer: the start of a command.
void ResetFileGlobals();

// True when the running command should stop: Break was pressed
// (break_status 2), or Escape waits in the input. The input is looked at
// at most every 50 ms, since each look consumes an event; an Escape seen
// sets break_status to 2 so that every level of the command hears it.
// Logic thread.
bool file_command_stopped();

// Item results of the multi-file commands besides 0 (done) and -1 (abort
// the command): any positive value means the item was left, and this one
// that it was left without a message.
constexpr int ItemSkippedQuietly = 0x10000;

#endif
