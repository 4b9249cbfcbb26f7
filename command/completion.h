#ifndef PANNEX_COMMAND_COMPLETION_H
#define PANNEX_COMMAND_COMPLETION_H

#include "foundation/object_store.h"
#include "foundation/westring.h"

struct PANEL;

// File-name completion on the command line (Ctrl+Tab): the first word of
// the line as a program on the search path, any later word as a file or
// directory name. Names compare exactly (fncompare). Logic thread.
class CFileNameCompletion
{
public:
    // base: the directory relative words start from (the panel's);
    // path_append: the PathAppend setting.
    CFileNameCompletion(const Westring& base, const Westring& path_append);

    // Each fills result and returns true on success: the longest beginning
    // all matches share when it is longer than the word, else the single
    // match (unique), else the one picked from the list of matches.
    bool CompleteFilename(const Westring& word, Westring& result);
    bool CompleteProgramName(const Westring& word, Westring& result);
    // Collects the matches of one directory (programs: executable entries
    // only).
    void CheckDirectory(const Westring& dir, Westring& result, bool programs);
    // One directory entry: "." and ".." are skipped; a match that is a
    // directory gets "/".
    void CheckName(const Westring& name, bool directory, Westring& result);
    // The list of matches at (-1, -2) in the "Menu" colour, the prefix as
    // its search text; Enter or Ctrl+Enter takes the selected match, Esc
    // fails.
    bool PickMatch(Westring& result);

    bool unique = false;
    // The word up to and including its last "/"; empty without one.
    Westring directory;
    Westring prefix;
    bool no_directory = true;
    int prefix_length = 0;
    // Matches in name order once collected; directories end in "/".
    TObjectStore<Westring> matches;
    int longest = 0;

private:
    bool decide(Westring& result);

    Westring base;
    Westring path_append;
};

// Completes the word before cursor in line (a backslash escapes the next
// character; an unescaped blank, "<" or ">" ends a word), relative to dir.
// The result goes in quoted for the shell, with a blank after a unique
// name that is no directory; nothing goes in when the line would reach
// MaxCommandLine characters. True when line and cursor changed.
bool FileCompletion(Westring& line, int& cursor, const Westring& dir, const Westring& path_append);
// The main loop's form: relative to the panel's directory.
bool FileCompletion(Westring& line, int& cursor, PANEL* panel);

#endif
