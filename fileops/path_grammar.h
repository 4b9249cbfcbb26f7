#ifndef PANNEX_FILEOPS_PATH_GRAMMAR_H
#define PANNEX_FILEOPS_PATH_GRAMMAR_H

#include "foundation/object_store.h"
#include "foundation/westring.h"

// The textual grammar of paths. Only "/" separates; a backslash is an
// ordinary character of a name. Drive letters and network shares come from
// systems where paths have them; Unix paths have neither, so two ordinary
// paths always share a volume.

bool IsAbsolute(const Westring& path);
// The path is exactly "/".
bool IsRoot(const Westring& path);
// Begins with "//".
bool IsUNC(const Westring& path);
// A letter followed by ":".
bool IsDrive(const Westring& path);
// The part before the fourth "/" (//server/share/dir gives //server/share);
// the whole path when it has fewer.
Westring UNCShare(const Westring& path);
// The drive ("c:") or network share that path lies on after resolving it;
// empty for an ordinary Unix path or one that cannot be resolved.
Westring DetermineVolume(const Westring& path);

// True when path is dir itself or lies below it; always true for an empty
// dir. Purely textual and case-sensitive; a dir ending in "/" ("/" itself)
// contains every path that begins with it.
bool IsBelow(const Westring& dir, const Westring& path);

// Makes path absolute and normal, without consulting links: relative paths
// start at base, or at the current directory when base is null. "." stays,
// ".." goes up one level; any other name, "..." included, is appended.
// Empty components collapse; a trailing "/" is kept. Returns 0, or -1 (path
// unchanged) when there is no directory to start from or ".." would climb
// above "/".
[[nodiscard]] int ResolvePath(Westring& path, const wchar_t* base = nullptr);
// The same on a buffer of size elements: the result is written back only
// when it succeeded and fits, terminator included; otherwise -1.
[[nodiscard]] int ResolvePath(wchar_t* path, int size, const wchar_t* base = nullptr);

// Removes one trailing "/"; true when it removed one.
bool RemoveBackslash(Westring& path);
// True when dir can be listed, is empty of names, or does not exist (the
// reader's statuses 0, StatusNoMoreFiles and ENOENT).
bool ValidDirectory(const Westring& dir);
// The directory for temporary files: TMPDIR, TMP or TEMP (the first that is
// set and not empty), else "/tmp".
Westring TmpDir();
// Doubles every cmdchar (the CmdChar setting) so that the text passes
// through command-line substitution literally.
void DoubleCmdChar(Westring& text, wchar_t cmdchar);
// Replaces list by the directories of PATH, extended by pathAppend (the
// PathAppend setting) after a ":", in order, empty parts skipped.
void GetPaths(TObjectStore<Westring>& list, const Westring& pathAppend);

// Applies the wildcard rename pattern to name into out: "*" copies name up
// to its next ".", "?" copies one character, "." moves to the character after
// the next "." of name and writes ".", any other character is written as it
// stands. flag is unused. Returns 0, or ENAMETOOLONG (out untouched) when
// the result and its terminator do not fit in size elements.
[[nodiscard]] int DosEditName(int flag, const wchar_t* name, const wchar_t* pattern,
                              wchar_t* out, int size);
Westring DosEditName(const Westring& name, const Westring& pattern);

#endif
