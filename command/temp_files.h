#ifndef PANNEX_COMMAND_TEMP_FILES_H
#define PANNEX_COMMAND_TEMP_FILES_H

#include "foundation/westring.h"

// Temporary files of commands ("!@" lists, the vcd chooser's answer) live
// in one private directory per run: made with mkdtemp under TMPDIR (else
// /tmp), mode 0700, so no other user can see, replace or pre-place a file
// in it. Files in it are made with O_EXCL and O_NOFOLLOW, mode 0600, and
// recorded, so that cleaning up removes exactly what this run made.
// Logic thread.

// The private directory, made on first use; 0, or the errno of mkdtemp.
[[nodiscard]] int PrivateTmpDir(Westring& dir);

// Makes a new empty file "PX#<pid>.<n>" in the private directory (n from 0,
// the first free one) and returns its descriptor in fd (the caller closes
// it) and its path in name. 0 or an errno.
[[nodiscard]] int MakeTmpFile(Westring& name, int& fd);

// A path in the private directory for a file that a child will create
// (the vcd chooser's redirect); recorded for cleaning up like the others.
// 0 or an errno.
[[nodiscard]] int ReserveTmpName(const wchar_t* file_name, Westring& name);

// Removes every file this run made and recorded; before each command and
// at the end of the run.
void CleanupTmpFiles();
// CleanupTmpFiles, then the private directory itself; at exit.
void RemovePrivateTmpDir();

#endif
