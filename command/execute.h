#ifndef PANNEX_COMMAND_EXECUTE_H
#define PANNEX_COMMAND_EXECUTE_H

#include "foundation/westring.h"

struct PANEL;
struct entry;

// Running what the user asks for: the command line (Enter, Alt+Enter),
// Enter or a double-click on a file, and final command lines from
// associations and archiver commands. Logic thread.

// Flags of run.
constexpr int RunExtraNewline = 1;    // two newlines after the output
constexpr int RunKeepDirectory = 8;   // the process's directory stays as it is
constexpr int RunOtherPanel = 16;     // the other panel's directory, not side's
// The command runs in a separate terminal (the Background setting),
// wrapped after its substitutions (Alt+Enter).
constexpr int RunInTerminal = 32;
// Bits 1 and 2, which archiver commands also set, mean nothing here.

// Enter (background 0) and Alt+Enter (1): a command line runs through the
// substitutions on the working side (side, or the other one when side's
// panel is an info panel or a tree); an empty one enters the current
// directory or runs the current file's association. The redraw level for
// the main loop: 0, 1 or 2.
int execute(PANEL* panels, int side, const wchar_t* command, int background);

// One command line: substitutions (with "!t" once per tagged entry, or
// once), then run. single: the command needs no first pass (the file's
// association). The last run's result; -1 when a substitution was
// cancelled.
int run_file(const wchar_t* command, int side, const wchar_t* echo, char single, int flags = 0);

// A final command line: the internal cd, vcd and set, or anything else
// through smartexec with the panels off, the echo line shown and the
// window titled with the command. The command's result, 0 for internal
// commands, -1 on failure.
int run(const wchar_t* command, int side, const wchar_t* echo, int flags);

// What run recognises.
enum EInternal { InternalNone, InternalCd, InternalVcd, InternalSet };
EInternal internal_command(const Westring& command);

// The command for a file: its [Associations] entry, else "!" for a file
// the user may execute (so it runs by its full path), expanded. 0 with the
// command, -1 when there is none or the expansion was cancelled.
int assoc(entry* e, Westring& command, int side);

// The target of a cd command, resolved against result when that is not
// empty, else against the panel's directory. Quoting is removed; "cd"
// alone and "~/" go to HOME, as in the shell. 0, or -1 after "Invalid
// path" was shown.
int cd_command(const Westring& command, int side, Westring& result);

// The vcd command: a directory chooser (zenity's directory selection)
// whose answer, a plain absolute path on the first line of its output,
// becomes the panel's directory; any other answer only re-reads the panel.
void vcd_command(const Westring& command, int side);

// Wraps a final command line for a separate terminal: the first "!" of the
// Background template becomes `<shell> -c '<command>'`, the command
// single-quoted whole, so its pipes and redirections run in the new
// terminal and no name ends the quote; a template without "!" gets that
// after a blank.
void MakeBackgroundCommand(Westring& command);

// Shift+F1: the first browser of "x-www-browser", "firefox",
// "mozilla-firefox", "epiphany" found on the search path is started on the
// manual's start page (PXFilename(PXManual)), in the background. False when none was found.
bool open_manual(int side);

#endif
