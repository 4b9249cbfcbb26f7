#ifndef PANNEX_FILEOPS_DESKTOP_ENTRY_H
#define PANNEX_FILEOPS_DESKTOP_ENTRY_H

#include "foundation/estring.h"
#include "foundation/westring.h"

// Desktop launchers: the text of a desktop-entry file, where such files go
// and how one is written. No drawing and no questions here; the launcher
// command (launcher.cpp) decides what the user sees.
//
// Every value is escaped by the desktop-entry rules, so a name holding a
// line feed cannot add keys or groups to the file, and every Exec argument
// is quoted, so a name holding blanks, quotes, "$" or "%" reaches the
// program as one argument, byte for byte, and is never run by a shell.

// A value as a key=value line holds it: "\" "\n" "\t" "\r" written as
// \\ \n \t \r, and a blank at either end as \s (readers drop blanks around
// a value). utf8 must be valid UTF-8.
Estring DesktopEntryEscape(const Estring& utf8);

// One argument of an Exec line, before DesktopEntryEscape: in double
// quotes, with '"', '`', '$' and '\' preceded by a backslash and every '%'
// doubled (a single one would start a field code).
Estring DesktopExecArgument(const Estring& utf8);

// True when the name goes to the system as valid UTF-8: it holds none of
// the stand-ins FileNameFromSys makes for stray bytes. A desktop-entry
// file is UTF-8 text, so such a name cannot appear in one.
bool IsUTF8Name(const Westring& name);

// The Exec value (before escaping) that runs program, an absolute path:
// the program itself when run_directly, else "xdg-open" with it as a
// document. EILSEQ when the path is not valid UTF-8.
[[nodiscard]] int DesktopEntryExec(const Westring& program, bool run_directly, Estring& exec);

// The whole file: "#!/usr/bin/env xdg-open", an empty line, then the
// group "[Desktop Entry]" with Version, Encoding, Name (title), Exec,
// Terminal and Type, each line ended by a line feed. EILSEQ when title is
// not valid UTF-8.
[[nodiscard]] int DesktopEntryText(const Westring& title, const Estring& exec, bool terminal, Estring& text);

// The file a launcher called title gets in dir: the title with every "/"
// made "_" (only in the file name; Name keeps the title) and ".desktop".
Westring DesktopEntryFileName(const Westring& dir, const Westring& title);

// Writes text to file with permissions 0775 less the umask. Without
// replace the file is created exclusively: EEXIST when something of that
// name exists, and nothing changes. With replace the text goes to a
// temporary beside it that is then renamed over it, so the old file stays
// whole until the new one is complete. 0, or the errno of the failing
// call; after a failure no partial file is left behind.
[[nodiscard]] int WriteDesktopEntry(const Westring& file, const Estring& text, bool replace);

// The user's desktop directory: XDG_DESKTOP_DIR as
// $XDG_CONFIG_HOME/user-dirs.dirs (config_home "~/.config" when the
// variable is unset, empty or relative) sets it, in its "$HOME/..." or
// absolute form; else home + "/Desktop". Lines starting with "#" are
// comments; the last setting counts. Takes home and config_home (either
// may be null: from the environment) so that tests need not change it.
Westring DesktopDirectory(const char* home = nullptr, const char* config_home = nullptr);

// Makes dir and any missing directory above it (mode 0777 less the
// umask). 0 when it exists as a directory afterwards, else the errno.
[[nodiscard]] int MakeDirectoryPath(const Westring& dir);

#endif
