#include "command/execute.h"

#include "command/environment.h"
#include "command/pling_subst.h"
#include "command/process.h"
#include "command/quote_name.h"
#include "command/smartexec.h"
#include "command/temp_files.h"
#include "config/associations.h"
#include "config/command_history.h"
#include "config/config.h"
#include "config/px_filename.h"
#include "console/colours.h"
#include "console/console.h"
#include "fileops/file_system.h"
#include "fileops/path_grammar.h"
#include "panels/change_dir.h"
#include "panels/clock.h"
#include "panels/command_line.h"
#include "panels/panel.h"
#include "panels/panel_windows.h"
#include "panels/screen_geometry.h"
#include "panels/startup.h"
#include "panels/tree_hooks.h"
#include "textui/message_box.h"

#include <cstdio>
#include <sys/stat.h>
#include <vector>

namespace {

// The text after the first n characters of a command, leading blanks
// removed.
Westring argument(const Westring& command, int n)
{
    return command.mid(n, 0).ltrim();
}

bool starts_with(const Westring& s, const wchar_t* prefix)
{
    int n = Westring(prefix).strlen();
    // Westring's == ignores case: the internal commands are recognised in
    // any case.
    return s.strlen() >= n && s.left(n) == prefix;
}

Westring home_directory()
{
    const char* home = SessionEnv.Get("HOME");
    return FileNameFromSys(home && *home ? home : "/");
}

// text as one single-quoted shell word: every character literal, a quote
// written as '\''.
Westring single_quoted(const Westring& text)
{
    Westring r = L"'";
    for (const wchar_t* p = text.c_str(); *p; p++) {
        if (*p == L'\'')
            r += L"'\\''";
        else
            r += *p;
    }
    return r + L"'";
}

int run_cd(const Westring& command, int side)
{
    PANEL* p = &panel_base[side];
    Westring target;
    if (cd_command(command, side, target) != 0)
        return -1;
    if (!p->ChangeVirtualWD(target)) {
        error(L"Invalid directory", target.c_str());
        return -1;
    }
    p->top = p->cursor = 0;
    p->type = PanelFiles;
    change_dir(panel_base, side, L"");
    return 0;
}

int run_set(const Westring& command)
{
    Westring text = argument(command, 4).trim();
    int eq = text.chr(L'=');
    if (eq <= 0)
        return 0;
    Estring name = FileNameToSys(text.left(eq).trim());
    Estring value = FileNameToSys(text.mid(eq + 1, 0));
    SessionEnv.Set(name.c_str(), value.c_str());
    return 0;
}

// The screen while a command runs: panels and clock off, the echo line,
// the whole screen selectable, the command as the window's title.
class CCommandScreen
{
public:
    CCommandScreen(const Westring& command, const wchar_t* echo)
    {
        EnablePanels(0);
        hide_clock();
        int cols = console.Columns(), rows = console.Lines();
        Westring line(echo ? echo : L"");
        console.PutStringAt(0, rows - 2, line.left(cols).pad(cols, L' ').c_str(), config.Colours[ColourCommandLine]);
        console.Clear(0, rows - 1, cols, 1, console.GetAttr());
        console.SetCursorPos(0, line.empty() ? rows - 2 : rows - 1);
        console.SetCursorType(15);
        console.GetSelectionZone(zone);
        console.SetSelectionZone(0, 0, cols, rows);
        set_title(command.c_str());
    }

    ~CCommandScreen()
    {
        set_title(nullptr);
        console.SetSelectionZone(zone);
        get_screen_size();
    }

    CCommandScreen(const CCommandScreen&) = delete;
    CCommandScreen& operator=(const CCommandScreen&) = delete;

private:
    CConsole::Rect zone;
};

}

EInternal internal_command(const Westring& command)
{
    int len = command.strlen();
    if (starts_with(command, L"cd") && (len == 2 || command[2] == L' ' || command[2] == L'.' || command[2] == L'\t'))
        return InternalCd;
    if (starts_with(command, L"vcd") && (len == 3 || command[3] == L' '))
        return InternalVcd;
    if (starts_with(command, L"set ") && command.chr(L'=') > 4)
        return InternalSet;
    return InternalNone;
}

int cd_command(const Westring& command, int side, Westring& result)
{
    Westring arg = DequoteName(argument(command, 2).rtrim());
    // As in the shell: cd alone goes home, and so does a leading "~".
    if (arg.empty() || arg == L"~")
        arg = home_directory();
    else if (arg[0] == L'~' && arg[1] == L'/')
        arg = home_directory().AppendBackslash() + arg.mid(2, 0);
    Westring base = result.empty() ? panel_base[side].GetWD() : result;
    if (ResolvePath(arg, base.c_str()) != 0) {
        error(L"Invalid path", arg.c_str());
        return -1;
    }
    // A name typed with no directory of its own, that is not there, may be
    // one the directory tree knows: below here first, then anywhere on
    // this file system. (Only typed commands come here; the user menu
    // resolves its cd lines exactly.)
    Westring typed = DequoteName(argument(command, 2).rtrim());
    struct stat st;
    if (!typed.empty() && typed[0] != L'/' && typed[0] != L'~' && typed[0] != L'.' &&
        (stat(FileNameToSys(arg).c_str(), &st) != 0 || !S_ISDIR(st.st_mode))) {
        Westring found;
        if (tree_hooks->Search(base, typed, found)) {
            result = found;
            return 0;
        }
    }
    result = arg;
    return 0;
}

void vcd_command(const Westring& command, int side)
{
    PANEL* p = &panel_base[side];
    Westring answer;
    if (int err = ReserveTmpName(L"pxcd.$$$", answer)) {
        error(L"Cannot create temporary file", Westring(GetOSErrorMessage(err).c_str()).c_str());
        return;
    }
    // "#": the chooser is an X11 program, and must be waited for. The
    // answer's path is single-quoted, so the shell expands no "$$".
    Westring chooser = L"#zenity --file-selection --directory";
    Westring args = argument(command, 3).trim();
    if (!args.empty())
        chooser = chooser + L" " + args;
    chooser = chooser + L" > " + single_quoted(answer);
    (void)run(chooser.c_str(), side, L"", 0);
    FILE* f = std::fopen(FileNameToSys(answer).c_str(), "r");
    std::string line;
    if (f) {
        int c;
        while ((c = std::fgetc(f)) != EOF && c != '\n')
            line += static_cast<char>(c);
        std::fclose(f);
    }
    Westring dir = FileNameFromSys(line.c_str());
    if (!dir.empty() && dir[0] == L'/' && p->ChangeVirtualWD(dir)) {
        p->top = p->cursor = 0;
        p->type = PanelFiles;
        change_dir(panel_base, side, L"");
    } else {
        p->reread_pending = true;
    }
    (void)cdd(p->GetWD());
}

void MakeBackgroundCommand(Westring& command)
{
    const char* shell = SessionEnv.Get("SHELL");
    Westring wrapped = QuoteName(FileNameFromSys(shell && *shell ? shell : "/bin/sh")) + L" -c " + single_quoted(command);
    const Westring& tmpl = config.Background;
    int bang = tmpl.chr(L'!');
    if (bang >= 0)
        command = tmpl.left(bang) + wrapped + tmpl.mid(bang + 1, 0);
    else
        command = tmpl + L" " + wrapped;
}

int run(const wchar_t* command, int side, const wchar_t* echo, int flags)
{
    Westring cmd = Westring(command).trim();
    int dir_side = flags & RunOtherPanel ? 1 - side : side;
    switch (internal_command(cmd)) {
    case InternalCd:
        return run_cd(cmd, dir_side);
    case InternalVcd:
        vcd_command(cmd, dir_side);
        return 0;
    case InternalSet:
        return run_set(cmd);
    case InternalNone:
        break;
    }
    if (!(flags & RunKeepDirectory)) {
        Westring dir = panel_base[dir_side].GetWD();
        if (int err = cdd(dir)) {
            error(Westring(GetOSErrorMessage(err).c_str()), dir.c_str());
            return -1;
        }
    }
    if (flags & RunInTerminal)
        MakeBackgroundCommand(cmd);
    int result;
    {
        CCommandScreen screen(cmd, echo);
        result = smartexec(cmd, flags);
    }
    console.Write(flags & RunExtraNewline ? "\n\n" : "\n");
    console.SetCursorType(0);
    panel_base[0].reread_pending = true;
    panel_base[1].reread_pending = true;
    return result;
}

int assoc(entry* e, Westring& command, int side)
{
    if (!e)
        return -1;
    Westring file = e->name;
    if (!execAssociations.FindAssociation(e, command)) {
        // A member of an archive has no mode to run it by.
        if (!IsExecutable(e) || panel_base[side].archive)
            return -1;
        command = L"!";
        file = panel_base[side].GetWD().AppendBackslash() + e->name;
    }
    return pling_subst(command, file.c_str(), side, SubstAssociation) < 0 ? -1 : 0;
}

int run_file(const wchar_t* command, int side, const wchar_t* echo, char single, int flags)
{
    CleanupTmpFiles();
    PANEL* p = &panel_base[side];
    (void)cdd(p->GetWD());
    Westring cmd(command);
    int form = 0;
    if (!single) {
        form = pling_subst(cmd, nullptr, side, SubstFirstPass);
        if (form < 0)
            return -1;
    }
    if (form == 1 && p->tagged_count > 0) {
        // The names are taken first: running changes nothing in the list,
        // but substitutions may untag entries.
        std::vector<Westring> names;
        for (int i = 0; i < p->Count(); i++)
            if (p->entries[i]->tagged)
                names.push_back(p->entries[i]->name);
        int result = 0;
        for (size_t i = 0; i < names.size(); i++) {
            Westring one = cmd;
            if (pling_subst(one, names[i].c_str(), side, SubstNormal) < 0)
                return -1;
            result = run(one.c_str(), side, i == 0 ? echo : L"", flags);
            if (result != 0)
                break;
        }
        return result;
    }
    entry* e = p->Current();
    Westring current = e ? Westring(e->name) : Westring();
    if (pling_subst(cmd, current.c_str(), side, single) < 0)
        return -1;
    return run(cmd.c_str(), side, echo, flags);
}

int execute(PANEL* panels, int side, const wchar_t* command, int background)
{
    Westring typed(command ? command : L"");
    if (!typed.empty()) {
        Westring cmd = typed.trim();
        if (cmd.empty())
            return 0;
        int working = side;
        if (panels[side].type == PanelInfo || panels[side].detail == DetailTree)
            working = 1 - side;
        Westring echo = command_prompt(panels[working].GetWD()) + cmd;
        add_hist(cmd.c_str());
        (void)run_file(cmd.c_str(), working, echo.c_str(), 0, background ? RunInTerminal : 0);
        console.Write("\n");
        return 2;
    }
    PANEL* p = &panels[side];
    entry* e = p->showing && p->type == PanelFiles ? p->Current() : nullptr;
    if (!e)
        return 0;
    if (e->IsDirectory()) {
        if (p->detail == DetailTree) {
            // Enter in a tree sends the other panel there.
            Westring dir = tree_hooks->NodePath(p, p->CurrentIndex());
            PANEL* other = &panels[side ^ 1];
            if (!dir.empty() && other->ChangeVirtualWD(dir)) {
                other->top = other->cursor = 0;
                other->type = PanelFiles;
                change_dir(panels, side ^ 1, L"");
            }
            return 1;
        }
        change_dir(panels, side, e->name);
        return 1;
    }
    Westring cmd;
    if (assoc(e, cmd, side) == 0) {
        add_hist(cmd.c_str());
        (void)run(cmd.c_str(), side, command_prompt(p->GetWD()).c_str(),
                  RunExtraNewline | (background ? RunInTerminal : 0));
        return 2;
    }
    // Without a command the file is tried as an archive (inside one,
    // extracted and opened nested); no reader knowing it does nothing.
    if (enter_archive(panels, side, e->name))
        return 2;
    return 0;
}

bool open_manual(int side)
{
    static const char* const browsers[] = {"x-www-browser", "firefox", "mozilla-firefox", "epiphany"};
    for (const char* b : browsers) {
        Westring found;
        if (!PathSearch(FileNameFromSys(b).c_str(), found, config.PathAppend))
            continue;
        Westring cmd = FileNameFromSys(b) + L" " + QuoteName(Westring(L"file://") + PXFilename(PXManual)) + L" &";
        (void)run(cmd.c_str(), side, L"", RunExtraNewline);
        return true;
    }
    return false;
}
