#ifndef PANNEX_PANELS_COMMAND_LINE_H
#define PANNEX_PANELS_COMMAND_LINE_H

#include "foundation/westring.h"

// The command line holds fewer than this many characters: text that would
// make it this long or longer is not inserted.
constexpr int MaxCommandLine = 512;

// The command line under the panels, with its cursor, the horizontal offset
// of the part shown and the state of history browsing. Logic thread.
struct COMMANDLINE
{
    Westring text;
    int cursor = 0;
    // Index of the first character shown after the prompt.
    int offset = 0;
    // History browsing: 0 while not browsing, else how many entries back
    // from the newest the line shows.
    int hist = 0;
    // The text typed before browsing began, shown again at index 0.
    Westring typed;
};

// The prompt for a directory: the directory (or, with PathPrompt off, its
// last component) shortened to cols / 2 - 1 characters, then ">".
Westring command_prompt(const Westring& dir);

// Draws the prompt and the visible part of the text on row lines - 2 in
// the "Command Line" colour, first bringing the cursor and offset into
// range; puts the console cursor at the command-line cursor.
void draw_command_line(COMMANDLINE& cl, const Westring& prompt);

// Editing. Each returns true when the line or its cursor changed.
bool cl_insert(COMMANDLINE& cl, wchar_t c);
bool cl_insert_text(COMMANDLINE& cl, const Westring& text);
bool cl_backspace(COMMANDLINE& cl);
bool cl_delete(COMMANDLINE& cl);
bool cl_move(COMMANDLINE& cl, int to);
// Words are runs of letters, digits and "_"; Ctrl+Right goes as far as
// WordRight says (BriefWordRight).
bool cl_word_left(COMMANDLINE& cl);
bool cl_word_right(COMMANDLINE& cl);
// Ctrl+Backspace: the word left of the cursor.
bool cl_delete_word_left(COMMANDLINE& cl);
// Ctrl+Delete: from the cursor to the start of the next word.
bool cl_delete_word_right(COMMANDLINE& cl);
// Empties the line and ends history browsing.
void cl_clear(COMMANDLINE& cl);
// Shift+Insert: the clipboard's first line at the cursor, when the line
// stays under MaxCommandLine characters.
bool cl_paste_clipboard(COMMANDLINE& cl);
// Ctrl+Insert: the whole line to the clipboard.
void cl_copy_clipboard(const COMMANDLINE& cl);

// History browsing over the command history: back to older entries, or
// forward to newer ones, wrapping through the typed text. The cursor goes
// to the end. Nothing happens when the history is empty.
bool hist_previous(COMMANDLINE& cl);
bool hist_next(COMMANDLINE& cl);
// The prefix search: when the character before the cursor is an ASCII
// letter or digit, the line is cut at the cursor and the history searched
// from the browsing position, towards older entries or (forwards) newer
// ones, for an entry that starts with the same characters (case-sensitive);
// the cursor stays. False when it did not apply.
bool hist_prefix_search(COMMANDLINE& cl, bool forwards);

// Inserts text into line at cursor, quoted for the shell, followed by a
// blank unless it ends with "/", with the command character doubled so that
// substitution leaves it alone. 1 when it fitted under MaxCommandLine (the
// cursor then moves past it), else 0 and nothing changes.
int CLPaste(Westring& line, const Westring& text, int& cursor);

#endif
