#include "panels/command_line.h"

#include "command/quote_name.h"
#include "config/command_history.h"
#include "config/config.h"
#include "console/colours.h"
#include "console/console.h"
#include "fileops/path_grammar.h"
#include "foundation/nls.h"
#include "textui/collapse_path.h"
#include "textui/string_field.h"

#include <algorithm>
#include <cwctype>

namespace {

// Words are runs of letters, digits and "_", as in the dialogs' fields.
bool word_char(wchar_t c)
{
    return c == L'_' || std::iswalnum(static_cast<wint_t>(c));
}

// Start of the word left of position i.
int word_start_left(const Westring& text, int i)
{
    while (i > 0 && !word_char(text[i - 1]))
        i--;
    while (i > 0 && word_char(text[i - 1]))
        i--;
    return i;
}

// Distance to the start of the next word, whatever BriefWordRight says.
int next_word_start(const wchar_t* p)
{
    const wchar_t* q = p;
    while (*q && word_char(*q))
        q++;
    while (*q && !word_char(*q))
        q++;
    return static_cast<int>(q - p);
}

void set_line(COMMANDLINE& cl, const Westring& text)
{
    cl.text = text;
    cl.cursor = cl.text.strlen();
}

// The line for browsing index i: the typed text at 0, else the entry i
// back from the newest.
Westring history_line(const COMMANDLINE& cl, int i)
{
    return i == 0 ? cl.typed : *history.At(history.count - i);
}

}

Westring command_prompt(const Westring& dir)
{
    Westring shown = dir;
    // Without PathPrompt only the last component is shown: the first two
    // characters of a Unix path would say nothing about where one is.
    if (!config.PathPrompt) {
        Westring last = dir.RemoveBackslash().filename();
        shown = last.empty() ? dir : last;
    }
    collapse_path(shown, console.Columns() / 2 - 1);
    return shown + L'>';
}

void draw_command_line(COMMANDLINE& cl, const Westring& prompt)
{
    int cols = console.Columns();
    int plen = prompt.strlen();
    int len = cl.text.strlen();
    cl.cursor = std::clamp(cl.cursor, 0, len);
    cl.offset = std::min(cl.offset, std::max(0, len - 40));
    cl.offset = std::min(cl.offset, cl.cursor);
    if (cl.cursor - cl.offset + plen >= cols)
        cl.offset = cl.cursor - cols + plen + 1;
    Westring row = prompt + cl.text.mid(cl.offset, 0);
    row = row.pad(cols, L' ');
    int y = console.Lines() - 2;
    console.PutStringAt(0, y, row.c_str(), config.Colours[ColourCommandLine]);
    console.SetCursorPos(std::min(plen + cl.cursor - cl.offset, cols - 1), y);
}

bool cl_insert(COMMANDLINE& cl, wchar_t c)
{
    if (cl.text.strlen() + 1 >= MaxCommandLine)
        return false;
    cl.text = cl.text.left(cl.cursor) + c + cl.text.mid(cl.cursor, 0);
    cl.cursor++;
    return true;
}

bool cl_insert_text(COMMANDLINE& cl, const Westring& text)
{
    if (text.empty() || cl.text.strlen() + text.strlen() >= MaxCommandLine)
        return false;
    cl.text = cl.text.left(cl.cursor) + text + cl.text.mid(cl.cursor, 0);
    cl.cursor += text.strlen();
    return true;
}

bool cl_backspace(COMMANDLINE& cl)
{
    if (cl.cursor <= 0)
        return false;
    cl.text = cl.text.left(cl.cursor - 1) + cl.text.mid(cl.cursor, 0);
    cl.cursor--;
    return true;
}

bool cl_delete(COMMANDLINE& cl)
{
    if (cl.cursor >= cl.text.strlen())
        return false;
    cl.text = cl.text.left(cl.cursor) + cl.text.mid(cl.cursor + 1, 0);
    return true;
}

bool cl_move(COMMANDLINE& cl, int to)
{
    to = std::clamp(to, 0, cl.text.strlen());
    if (to == cl.cursor)
        return false;
    cl.cursor = to;
    return true;
}

bool cl_word_left(COMMANDLINE& cl)
{
    return cl_move(cl, word_start_left(cl.text, cl.cursor));
}

bool cl_word_right(COMMANDLINE& cl)
{
    return cl_move(cl, cl.cursor + WordRight(cl.text.c_str() + cl.cursor));
}

bool cl_delete_word_left(COMMANDLINE& cl)
{
    int from = word_start_left(cl.text, cl.cursor);
    if (from == cl.cursor)
        return false;
    cl.text = cl.text.left(from) + cl.text.mid(cl.cursor, 0);
    cl.cursor = from;
    return true;
}

bool cl_delete_word_right(COMMANDLINE& cl)
{
    int n = next_word_start(cl.text.c_str() + cl.cursor);
    if (n == 0)
        return false;
    cl.text = cl.text.left(cl.cursor) + cl.text.mid(cl.cursor + n, 0);
    return true;
}

void cl_clear(COMMANDLINE& cl)
{
    cl.text = L"";
    cl.cursor = 0;
    cl.offset = 0;
    cl.hist = 0;
}

bool cl_paste_clipboard(COMMANDLINE& cl)
{
    Westring clip;
    console.GetClipText(clip);
    int nl = clip.chr(L'\n');
    if (nl >= 0)
        clip = clip.left(nl);
    int cr = clip.chr(L'\r');
    if (cr >= 0)
        clip = clip.left(cr);
    return cl_insert_text(cl, clip);
}

void cl_copy_clipboard(const COMMANDLINE& cl)
{
    console.PutClipText(cl.text.c_str());
}

bool hist_previous(COMMANDLINE& cl)
{
    if (history.count == 0)
        return false;
    if (cl.hist == 0)
        cl.typed = cl.text;
    cl.hist = cl.hist + 1 > history.count ? 0 : cl.hist + 1;
    set_line(cl, history_line(cl, cl.hist));
    return true;
}

bool hist_next(COMMANDLINE& cl)
{
    if (history.count == 0)
        return false;
    if (cl.hist == 0)
        cl.typed = cl.text;
    cl.hist = cl.hist - 1 < 0 ? history.count : cl.hist - 1;
    set_line(cl, history_line(cl, cl.hist));
    return true;
}

bool hist_prefix_search(COMMANDLINE& cl, bool forwards)
{
    if (cl.cursor <= 0)
        return false;
    wchar_t before = cl.text[cl.cursor - 1];
    if (before >= 128 || !std::iswalnum(static_cast<wint_t>(before)))
        return false;
    cl.text = cl.text.left(cl.cursor);
    if (history.count == 0)
        return true;
    if (cl.hist == 0)
        cl.typed = cl.text;
    int n = history.count + 1;
    int i = cl.hist;
    for (int tried = 0; tried < n; tried++) {
        i = forwards ? (i - 1 + n) % n : (i + 1) % n;
        Westring candidate = history_line(cl, i);
        if (fncomparen(candidate.c_str(), cl.text.c_str(), cl.cursor) == 0) {
            cl.hist = i;
            cl.text = candidate;
            break;
        }
    }
    return true;
}

int CLPaste(Westring& line, const Westring& text, int& cursor)
{
    Westring quoted = QuoteName(text);
    int qlen = quoted.strlen();
    if (qlen > 0 && quoted[qlen - 1] != L'/')
        quoted += L' ';
    DoubleCmdChar(quoted, config.CmdChar);
    if (line.strlen() + quoted.strlen() >= MaxCommandLine)
        return 0;
    cursor = std::clamp(cursor, 0, line.strlen());
    line = line.left(cursor) + quoted + line.mid(cursor, 0);
    cursor += quoted.strlen();
    return 1;
}
