#ifndef PANNEX_TOOLS_FIND_REPLACE_H
#define PANNEX_TOOLS_FIND_REPLACE_H

#include "entries/entry.h"
#include "foundation/westring.h"

// Statuses of replace_in_file besides errno values.
constexpr int ReplaceChanged = 0x40000030;     // the file changed since it was found, or while rewritten
constexpr int ReplaceUnencodable = 0x40000031; // the file's encoding cannot hold the replacement
constexpr int ReplaceNotRegular = 0x40000032;  // no regular file (any more)
constexpr int ReplaceOwner = 0x40000033;       // the new file could not get the owner and group
constexpr int ReplaceHardLinks = 0x40000034;   // other names share the file; rewriting would split them

// What multi-file replace looks for and puts in its place.
struct ReplaceRequest
{
    Westring text;
    Westring replacement;
    bool case_sensitive = false;
    bool whole_word = false;
    // The code page of 8-bit files; 0 the default text code page.
    int code_page = 0;
};

// Replaces every occurrence of the text in one file, matched and written
// in the encoding the file is read in (so "a" to "é" in a UTF-8 file gives
// the two bytes of "é"). A link is followed and its target rewritten, so
// the link stays a link. The new content goes to a fresh file made
// exclusively beside the target, gets the target's mode, owner and group,
// is synced and renamed over the target: the file is never missing, and
// after any failure the target is as it was and no new file is left.
//
// found, when given, is the file as the search saw it: a file whose size
// or modification time differ since is not touched (ReplaceChanged), nor is
// one that changes while it is rewritten. A file the user may not write is
// refused (EACCES). A file without the text is left alone (count 0).
//
// count receives the number of replacements made. 0, an errno value, or
// one of the statuses above. Any thread; no screen output.
[[nodiscard]] int replace_in_file(const Westring& path, const ReplaceRequest& request, const entry* found,
                                  int& count);

// The message for a status of replace_in_file.
Westring replace_error_text(int status);

#endif
