#include "command/smartexec.h"

#include "command/environment.h"
#include "command/process.h"
#include "command/pty_run.h"
#include "config/config.h"
#include "console/console.h"
#include "fileops/file_system.h"
#include "fileops/path_grammar.h"
#include "textui/message_box.h"
#include "editor/edit.h"
#include "viewer/view.h"

#include <cerrno>
#include <cwctype>

namespace {

// Index of the first c in s that no backslash escapes, from `from` on; -1.
int unescaped(const Westring& s, wchar_t c, int from = 0)
{
    for (int i = from; s[i]; i++) {
        if (s[i] == L'\\') {
            if (!s[i + 1])
                return -1;
            i++;
        } else if (s[i] == c) {
            return i;
        }
    }
    return -1;
}

// Backslash escapes removed, the escaped characters kept.
Westring unescape(const Westring& s)
{
    Westring r;
    for (int i = 0; s[i]; i++) {
        if (s[i] == L'\\' && s[i + 1])
            i++;
        r += s[i];
    }
    return r;
}

bool builtin(const Westring& program, const wchar_t* name)
{
    return program == name;  // Westring's == ignores case
}

}

void plan_command(const Westring& command, EXEC_PLAN& plan)
{
    plan = EXEC_PLAN();
    Westring cmd = command.trim();
    if (cmd[0] == L'#') {
        plan.force_pty = true;
        cmd = cmd.mid(1, 0).trim();
    } else {
        int len = cmd.strlen();
        // "x\&" is an argument, and "a && b" no background command.
        if (len > 0 && cmd[len - 1] == L'&' && (len < 2 || (cmd[len - 2] != L'\\' && cmd[len - 2] != L'&'))) {
            plan.background = true;
            cmd = cmd.left(len - 1).rtrim();
        }
    }
    plan.command = cmd;
    int blank = unescaped(cmd, L' ');
    int bar = unescaped(cmd, L'|');
    int end = blank < 0 ? bar : bar < 0 ? blank : std::min(blank, bar);
    if (end < 0) {
        plan.program = unescape(cmd);
        return;
    }
    plan.program = unescape(cmd.left(end));
    plan.args = unescape(cmd.mid(end + (cmd[end] == L' ' ? 1 : 0), 0).trim());
}

int smartexec(Westring command, int /*flags*/)
{
    EXEC_PLAN plan;
    plan_command(command, plan);
    if (builtin(plan.program, L"$view")) {
        console.ResetSelectionZone();
        // The name as the shell would take it, relative to the directory
        // the command runs in.
        Westring name = plan.args;
        if (!name.empty() && ResolvePath(name, PxGetCwd().c_str()) == 0)
            view(name.c_str());
        return 0;
    }
    if (builtin(plan.program, L"$edit")) {
        console.ResetSelectionZone();
        Westring name = plan.args;
        if (!name.empty() && ResolvePath(name, PxGetCwd().c_str()) == 0)
            (void)edit(name.c_str());
        return 0;
    }
    EXEC_IMAGE image;
    if (make_exec_image(plan.command, ChildEnvironment(config.PathAppend), image) != 0) {
        error(L"Command line too long");
        return -1;
    }
    Westring found;
    if (!plan.force_pty && PathSearch(plan.program.c_str(), found, config.PathAppend) &&
        (plan.background || IsX11(found))) {
        if (int err = start_detached(image)) {
            error(L"Error forking child process", Westring(GetOSErrorMessage(err).c_str()).c_str());
            return -1;
        }
        return 0;
    }
    return run_on_pty(image);
}
