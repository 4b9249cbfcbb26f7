#ifndef PANNEX_ARCHIVE_ARCHIVER_COMMAND_H
#define PANNEX_ARCHIVE_ARCHIVER_COMMAND_H

#include "foundation/estring.h"
#include "foundation/westring.h"

#include <vector>

// Command lines for the external archivers (the Archiver table of px.ini):
// templates with "%a" for the archive and "%f" for the names, the names
// quoted so that each reaches the archiver as exactly that name, in runs
// that fit the kernel's limit or through list files. Logic thread.

// Which of an archiver's templates and list-file switches apply.
constexpr int ArchiveOpCompress = 0;  // adding and deleting
constexpr int ArchiveOpExtract = 1;

// Run flags of archiver commands: the directory is set by the caller
// (bits 1 and 2 mean nothing to the runner), and for a member written
// back the extra newline and the other panel's side.
constexpr int ArchiveRunFlags = 14;
constexpr int ArchiveUpdateRunFlags = 29;

// One thing to name on an archiver's command line.
struct ArchiveItem
{
    // The name as the archiver knows it: a member's whole stored name
    // (prefix included, bytes exact through the file-name codec), or a
    // file's name relative to the directory the command runs in.
    Westring name;
    bool directory = false;
    // A file on disk (adding), which may get "./" before a leading "-";
    // members keep their stored names.
    bool file = false;
};

// A "\" before every "*", "?" and "!": for template text only, never for
// a quoted name.
Westring ShellEscape(const Westring& text);
// Every "\" becomes "/".
Westring ForwardSlash(const Westring& text);

// Whether archivers of this type take member names with "/" separators
// (TAR, and RAR through unar).
bool ArchiverForwardSlash(int type);
// Whether this type's archiver matches member names as patterns when
// extracting or deleting (ZIP's unzip and zip -d): names are then written
// with their pattern characters in brackets, so that each matches itself.
bool ArchiverMatchesPatterns(int type);
// Whether this type's archiver only extracts whole archives (ACE's unace):
// no member names are given.
bool ArchiverExtractsWhole(int type);
// "*", "?" and "[" written as "[*]", "[?]" and "[[]".
Westring PatternQuote(const Westring& name);

// Looks up the program of command (its first word) on the search path,
// PathAppend and the directory px runs from; for "7z", Debian's "7zz"
// when there is no 7z. Found: the word becomes the full path, quoted, and
// the result is true. Not found: "Archiver not found:" with the program is
// shown when report is set, and the result is false.
bool FindArchiver(Westring& command, bool report = true);

// The argument text for one item: a file is prefix and name, quoted
// unless for a list file ("./" first for a name starting with "-" with
// nothing before it); a directory goes through dirSpec, whose "!" becomes
// prefix and name (quoted unless for a list file), whose blanks become
// line feeds in a list file, and whose other characters are template text
// (ShellEscaped on a command line). patterns: PatternQuote the name first.
Westring pentry2cmd(const ArchiveItem& item, const Westring& prefix, const Westring& dirSpec, bool forListFile,
                    bool patterns = false);

// Fills in the template: "%a" becomes the quoted archive and "%f" files;
// without "%a" a blank and the archive are appended, then without "%f" a
// blank and the files. A template that redirects into "%a" ("gzip -c %f >
// %a") gets instead a new file beside the archive, renamed over it only
// when the command succeeds, so a failed or killed run leaves the old
// archive whole (redirect_to then holds that file's path, else it is
// empty).
Westring FillArchiveCommand(const Westring& command, const Westring& archive, const Westring& files,
                            Westring* redirect_to = nullptr);

// Runs a final command line in the process's current directory: 0 or the
// command's positive status, -1 when it could not run. The program's
// runner shows the output on the console; tests put a quiet one here.
using ArchiveRunner = int (*)(const Westring& command, int flags);
extern ArchiveRunner archive_runner;

// FillArchiveCommand and run with flags; the redirect's new file replaces
// the archive on success and goes otherwise. The runner's result.
[[nodiscard]] int RunArchiveCommand(const Westring& command, const Westring& archive, const Westring& files,
                                    int flags = ArchiveRunFlags);

// Runs command for items in the current directory: one run for a single
// item; several items on command lines cut where the next name would pass
// the kernel's limit on the shell's "-c" argument, with no further run
// after a failed one; or, when the archiver has a list-file switch for the
// operation, one run with a list file (private, 0600, one name a line,
// bytes exact), whose switch is template text. A name holding a line feed
// never goes into a list file: such items run on the command line. The
// first positive result, else 0; -1 when nothing could run (no archiver,
// no list file). runs, when given, counts the runs.
[[nodiscard]] int ExecMultiFile(const Westring& command, const Westring& archive, const Westring& prefix,
                                const std::vector<ArchiveItem>& items, int type, int operation, int* runs = nullptr);

// The longest "-c" argument in bytes; tests make it small. 0 restores the
// kernel's MAX_ARG_STRLEN - 1.
void set_archive_command_room(size_t bytes);

#endif
