#ifndef PANNEX_COMMAND_PLING_SUBST_H
#define PANNEX_COMMAND_PLING_SUBST_H

#include "foundation/westring.h"

// The substitution language of command lines, introduced by the CmdChar
// setting ("!" by default): the current file, paths, tagged-file lists,
// list files, prompts. Logic thread.
//
// Every name a substitution produces reaches the shell as exactly one word
// naming that file (QuoteName): blanks, quotes, "$", backquotes, globbing
// characters, "~", "#", "!", tabs, newlines and bytes that are not UTF-8
// never split, expand or run anything. A relative name that would start a
// word with "-" gets "./" before it, so that no command takes it for an
// option. Then "$NAME" is replaced by the variable's value (SessionEnv's
// chain, names compared exactly) only in text that came from the template
// the user typed, never after a backslash, inside single quotes, or in
// text a substitution produced.

// Modes of pling_subst.
constexpr char SubstNormal = 0;
// The file argument is the current name; a command without any
// substitution gets " !" appended, so the file goes last (associations).
constexpr char SubstAssociation = 1;
// The first pass of run_file: only "!i" prompts are asked (their answers
// go in quoted); everything else is left for the real pass.
constexpr char SubstFirstPass = 2;

// Expands the substitutions of command in place. file is "!t"'s file (the
// current name in SubstAssociation; null for none); panels[side] is this
// panel, the other one "!F", "!L", "!P" and "!S"'s. Returns -1 when a
// prompt was cancelled or a list file could not be made (command then
// undefined), 1 when "!t" or "!tx" occurred (the per-file form), else 0.
[[nodiscard]] int pling_subst(Westring& command, const wchar_t* file, int side, char mode);

// The longest command line in bytes that "!l" lists may grow to; the
// default is what the kernel takes for a shell's "-c" argument with the
// present environment. 0 restores the default (tests).
void set_command_room(size_t bytes);

#endif
