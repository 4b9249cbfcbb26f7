#include "command/pling_subst.h"

#include "archive/archive.h"
#include "command/environment.h"
#include "command/process.h"
#include "command/quote_name.h"
#include "command/temp_files.h"
#include "config/config.h"
#include "console/colours.h"
#include "console/console.h"
#include "fileops/file_system.h"
#include "panels/panel.h"
#include "textui/dialog.h"
#include "textui/field_history.h"
#include "textui/message_box.h"
#include "textui/textui_settings.h"

#include <algorithm>
#include <cerrno>
#include <string>
#include <unistd.h>

namespace {

// The length of a prompt's answer.
constexpr int MaxAnswer = 512;

size_t room_override = 0;

// Bytes a text takes once converted for the system (FileNameToSys).
size_t sys_length(const std::wstring& s)
{
    size_t n = 0;
    for (wchar_t c : s) {
        if (c < 0x80 || IsRawNameByte(c))
            n += 1;
        else if (c < 0x800)
            n += 2;
        else if (c < 0x10000)
            n += 3;
        else
            n += 4;
    }
    return n;
}

bool name_char(wchar_t c)
{
    return c == L'_' || (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

// A shell word begins after these (or at the start of the line).
bool starts_word(const std::wstring& out)
{
    if (out.empty())
        return true;
    wchar_t c = out.back();
    return c == L' ' || c == L'\t' || c == L'\n' || c == L';' || c == L'|' || c == L'&' || c == L'(' ||
           c == L'<' || c == L'>' || c == L'=';
}

// name quoted as one shell word; at the start of a word a relative name
// beginning with "-" gets "./", so that it is never an option.
std::wstring quote_word(const std::wstring& name, bool word_start)
{
    std::wstring q = QuoteName(Westring(name.c_str())).c_str();
    if (word_start && !name.empty() && name[0] == L'-')
        q = L"./" + q;
    return q;
}

// A name for a list file, one per line: quoted as for the shell, except
// that a line feed in a name is written as backslash and line feed, which
// list readers (xargs, archivers) read as a line feed belonging to the name.
std::string list_line(const Westring& name)
{
    std::wstring q;
    for (const wchar_t* p = name.c_str(); *p; p++) {
        if (*p == L'\n') {
            q += L"\\\n";
            continue;
        }
        wchar_t one[2] = {*p, 0};
        q += QuoteName(Westring(one)).c_str();
    }
    if (!name.empty() && name[0] == L'-')
        q = L"./" + q;
    std::string line = FileNameToSys(Westring(q.c_str())).c_str();
    line += '\n';
    return line;
}

// The name without its extension: cut at the last "." unless that is the
// first character.
std::wstring without_extension(const std::wstring& name)
{
    size_t slash = name.rfind(L'/');
    size_t start = slash == std::wstring::npos ? 0 : slash + 1;
    size_t dot = name.rfind(L'.');
    if (dot == std::wstring::npos || dot <= start)
        return name;
    return name.substr(0, dot);
}

std::wstring directory_of(const PANEL* p, bool slash)
{
    Westring dir = p->GetWD();
    if (slash)
        dir = dir.AppendBackslash();
    return dir.c_str();
}

std::wstring current_name(const PANEL* p)
{
    const entry* e = p->Current();
    return e ? e->name : L"";
}

std::wstring full_path(const PANEL* p, const std::wstring& name)
{
    if (name.empty() || name[0] == L'/')
        return name;
    return directory_of(p, true) + name;
}

// The "!i" dialog; false when it was cancelled.
bool ask(const std::wstring& prompt_text, std::wstring& answer)
{
    Westring prompt = prompt_text.empty() ? Westring(L"?") : Westring(prompt_text.c_str());
    int cols = console.Columns();
    if (prompt.strlen() > cols - 8)
        prompt = prompt.left(cols - 8);
    int width = std::max(prompt.strlen(), 20) + 4;
    int cx, cy;
    console.GetCursorPos(cx, cy);
    Westring text;
    int r;
    {
        Dialog dlg(-1, -3, width, 5, ui_colour(ColourMessages));
        dlg.AddStaticText(-1, 0, prompt.c_str());
        dlg.AddStringField(0, 1, 1, text, width - 2, MaxAnswer, NoHistory);
        r = dlg.Process();
    }
    console.SetCursorPos(cx, cy);
    if (r != RESULT_ACCEPT)
        return false;
    answer = text.c_str();
    return true;
}

class CSubstitution
{
public:
    CSubstitution(const Westring& command, const wchar_t* file, int side, char mode)
        : in(command.c_str()), mode(mode), cmd(config.CmdChar), panel(&panel_base[side]),
          other(&panel_base[1 - side])
    {
        current = mode == SubstAssociation && file ? std::wstring(file) : current_name(panel);
        file_arg = file ? file : L"";
    }

    int Run(Westring& command)
    {
        if (mode == SubstAssociation && in.find(cmd) == std::wstring::npos)
            in += in.empty() ? std::wstring(1, cmd) : std::wstring(L" ") + cmd;
        for (i = 0; i < in.size();) {
            wchar_t c = in[i];
            if (c == cmd) {
                if (!Escape())
                    return -1;
                continue;
            }
            Flush();
            if (mode == SubstFirstPass) {
                out += c;
                i++;
                continue;
            }
            Template(c);
        }
        Flush();
        command = Westring(out.c_str());
        return per_file ? 1 : 0;
    }

private:
    // Ordinary template text: copied, with the "$NAME" pass.
    void Template(wchar_t c)
    {
        i++;
        if (escaped) {
            escaped = false;
            out += c;
            return;
        }
        if (c == L'\\' && !in_single) {
            escaped = true;
        } else if (c == L'\'' && !in_double) {
            in_single = !in_single;
        } else if (c == L'"' && !in_single) {
            in_double = !in_double;
        } else if (c == L'$' && !in_single) {
            size_t end = i;
            while (end < in.size() && name_char(in[end]))
                end++;
            if (end > i) {
                std::string name = FileNameToSys(Westring(in.substr(i, end - i).c_str())).c_str();
                if (const char* value = SessionEnv.Get(name.c_str())) {
                    out += FileNameFromSys(value).c_str();
                    i = end < in.size() && in[end] == L'$' ? end + 1 : end;
                    return;
                }
            }
        }
        out += c;
    }

    void Flush()
    {
        if (!have_pending)
            return;
        out += quote_word(pending, starts_word(out));
        pending.clear();
        have_pending = false;
    }

    void Pending(const std::wstring& text)
    {
        pending += text;
        have_pending = true;
    }

    // In the first pass an escape stays as it is, for the real pass.
    void Keep(size_t from)
    {
        Flush();
        out += in.substr(from, i - from);
    }

    // The escape at in[i]; false when the command is cancelled.
    bool Escape()
    {
        escaped = false;
        size_t from = i;
        wchar_t c = i + 1 < in.size() ? in[i + 1] : 0;
        i += 2;
        if (c == cmd) {
            Flush();
            out += mode == SubstFirstPass ? std::wstring(2, cmd) : std::wstring(1, cmd);
            return true;
        }
        switch (c) {
        case L'@':
            if (mode == SubstFirstPass) {
                Keep(from);
                return true;
            }
            return ListFile();
        case L'f':
        case L'F':
            if (mode == SubstFirstPass) {
                Keep(from);
                return true;
            }
            {
                PANEL* p = c == L'f' ? panel : other;
                std::wstring name = c == L'f' ? current : current_name(other);
                std::wstring copy;
                if (!Member(p, name, copy))
                    return false;
                Pending(copy.empty() ? full_path(p, name) : copy);
            }
            return true;
        case L'l':
        case L'L': {
            bool with_dir = c == L'L';
            if (i < in.size() && in[i] == L'f') {
                with_dir = true;
                i++;
            }
            if (mode == SubstFirstPass)
                Keep(from);
            else
                List(c == L'l' ? panel : other, c == L'l', with_dir);
            return true;
        }
        case L'p':
        case L'P':
        case L's':
        case L'S':
            if (mode == SubstFirstPass)
                Keep(from);
            else
                Pending(directory_of(c == L'p' || c == L's' ? panel : other, c == L's' || c == L'S'));
            return true;
        case L'i':
            return Prompt();
        case L'n':
            if (mode == SubstFirstPass)
                Keep(from);
            return true;
        case L't':
            per_file = true;
            if (i < in.size() && in[i] == L'x') {
                i++;
                if (mode == SubstFirstPass)
                    Keep(from);
                else
                    Pending(without_extension(file_arg));
            } else if (mode == SubstFirstPass) {
                Keep(from);
            } else {
                Pending(file_arg);
            }
            return true;
        case L'x':
            if (mode == SubstFirstPass)
                Keep(from);
            else
                Pending(without_extension(current));
            return true;
        default:
            // The current name; the character after the escape is not part
            // of it.
            i = from + 1;
            if (mode == SubstFirstPass) {
                Keep(from);
                return true;
            }
            {
                std::wstring copy;
                if (!Member(panel, current, copy))
                    return false;
                Pending(copy.empty() ? current : copy);
            }
            return true;
        }
    }

    // Inside an archive a bare name stands for the member, extracted to a
    // temporary copy whose path goes into the command; a path (a copy
    // already made) is taken as it is. copy stays empty outside archives.
    // False when the extraction failed (the user was told), which cancels
    // the command.
    static bool Member(PANEL* p, const std::wstring& name, std::wstring& copy)
    {
        copy.clear();
        if (!p->archive || name.empty() || name.find(L'/') != std::wstring::npos)
            return true;
        Westring path;
        if (TmpExtractFile(*p->archive, Westring(name.c_str()), path) != 0)
            return false;
        copy = path.c_str();
        return true;
    }

    bool Prompt()
    {
        std::wstring prompt;
        if (i < in.size() && in[i] == L'"') {
            size_t close = in.find(L'"', i + 1);
            if (close != std::wstring::npos) {
                prompt = in.substr(i + 1, close - i - 1);
                i = close + 1;
            }
        }
        std::wstring answer;
        if (!ask(prompt, answer))
            return false;
        if (mode == SubstFirstPass) {
            // Quoted here and left alone by the real pass: its command
            // characters doubled, its "$" behind a backslash.
            Flush();
            Westring quoted = QuoteName(Westring(answer.c_str()));
            std::wstring doubled;
            for (const wchar_t* p = quoted.c_str(); *p; p++) {
                doubled += *p;
                if (*p == cmd)
                    doubled += *p;
            }
            out += doubled;
        } else {
            Pending(answer);
        }
        return true;
    }

    // "!l", "!L", "!lf", "!Lf": the tagged names, each one word and a blank.
    void List(PANEL* p, bool this_panel, bool with_dir)
    {
        Flush();
        std::wstring prefix = with_dir ? directory_of(p, true) : L"";
        if (mode != SubstNormal || p->tagged_count == 0) {
            // Without tagged names this panel's form stands for the current
            // name; the other panel's gives nothing.
            if (this_panel && !current.empty())
                out += quote_word(prefix + current, starts_word(out));
            return;
        }
        if (room == 0)
            room = room_override ? room_override : command_room(ChildEnvironment(config.PathAppend));
        // What must still fit after the list: the rest of the template.
        size_t used = sys_length(out) + sys_length(in.substr(i));
        int total = 0, passed = 0;
        bool full = false;
        for (int k = 0; k < p->Count(); k++) {
            entry* e = p->entries[k];
            e->last_op = 0;
            if (!e->tagged)
                continue;
            total++;
            if (full)
                continue;
            std::wstring word = quote_word(prefix + e->name, true) + L" ";
            size_t bytes = sys_length(word);
            if (used + bytes > room) {
                full = true;
                continue;
            }
            out += word;
            used += bytes;
            passed++;
            e->tagged = 0;
            e->last_op = 1;
            p->tagged_count--;
            p->tagged_bytes -= e->counted_size();
        }
        p->repaint_pending = true;
        if (full)
            error(Westring(esprintf("Command line too long: %d of %d names passed", passed, total).c_str()));
    }

    // "!@": a new list file with the tagged names (or the current one).
    bool ListFile()
    {
        Westring name;
        int fd = -1;
        if (int err = MakeTmpFile(name, fd)) {
            error(L"Cannot create temporary file", Westring(GetOSErrorMessage(err).c_str()).c_str());
            return false;
        }
        std::string text;
        for (int k = 0; k < panel->Count(); k++)
            if (panel->entries[k]->tagged)
                text += list_line(panel->entries[k]->name);
        if (panel->tagged_count == 0 && !current.empty())
            text += list_line(Westring(current.c_str()));
        size_t done = 0;
        int err = 0;
        while (done < text.size()) {
            ssize_t n = write(fd, text.data() + done, text.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                err = n < 0 ? errno : EIO;
                break;
            }
            done += static_cast<size_t>(n);
        }
        if (close(fd) != 0 && !err)
            err = errno;
        if (err) {
            error(L"Cannot write temporary file", name.c_str());
            return false;
        }
        Pending(name.c_str());
        return true;
    }

    std::wstring in;
    char mode;
    wchar_t cmd;
    PANEL* panel;
    PANEL* other;
    std::wstring current;
    std::wstring file_arg;
    std::wstring out;
    std::wstring pending;
    bool have_pending = false;
    size_t i = 0;
    bool per_file = false;
    bool escaped = false;
    bool in_single = false;
    bool in_double = false;
    size_t room = 0;
};

}

int pling_subst(Westring& command, const wchar_t* file, int side, char mode)
{
    CSubstitution s(command, file, side, mode);
    return s.Run(command);
}

void set_command_room(size_t bytes)
{
    room_override = bytes;
}
