#ifndef PANNEX_PANELS_STARTUP_H
#define PANNEX_PANELS_STARTUP_H

#include "foundation/westring.h"

#include <cstdio>

// What the command line asked for.
struct START_OPTIONS
{
    // 'v' or 'e' with file: open only the viewer or the editor.
    char single = 0;
    Westring file;
    Westring left_dir, right_dir;
    // The x option: a file written at exit that a shell can source to
    // follow the current panel's directory.
    Westring exit_file;
};

extern const char* const usage_text;

// Parses the arguments after the program name. Options start with "-" or
// "\" and their letter is read in any case; a non-option argument names the
// configuration file (config.IniFile) unless it is an existing directory.
// On a usage error the usage text or "No file specified" goes to out and
// 1 is returned; 0 to go on.
int parse_arguments(int argc, char** argv, START_OPTIONS& opt, FILE* out);

// Points the settings that lower layers read through pointers of their own
// (textui's colours and options, getkey's hooks) at the configuration.
void connect_settings();

// The window title: the program's name, ": " and text, or the name and
// version for null.
void set_title(const wchar_t* text);

// Settings and locale, after the console exists: the defaults, px.ini, the
// screen at least 80 x 25. The first part of run_file_manager, and all a
// single-file viewer or editor run reads.
void load_settings();

// Everything after the console exists: settings and locale, the main loop
// until the user quits, and the orderly shutdown. Returns the exit status.
int run_file_manager(const START_OPTIONS& opt);

// The line the x option writes: a POSIX shell command changing to dir,
// with the path in single quotes.
Estring exit_file_line(const Westring& dir);

#endif
