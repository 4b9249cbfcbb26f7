#include "command/execute.h"
#include "command/smartexec.h"
#include "command/tests/exec_test_support.h"

TEST(Execute, RecognisesInternalCommands)
{
    const struct { const wchar_t* command; EInternal kind; } rows[] = {
        {L"cd", InternalCd},  // alone: home, as in the shell
        {L"cd ..", InternalCd}, {L"cd..", InternalCd}, {L"cd\tx", InternalCd},
        {L"CD /tmp", InternalCd},  // the built-ins are matched in any case
        {L"cdrom", InternalNone}, {L"cd-x", InternalNone}, {L"vcdx", InternalNone},
        {L"vcd", InternalVcd}, {L"vcd /home", InternalVcd}, {L"set A=b", InternalSet}, {L"SET A=b", InternalSet},
        {L"set", InternalNone},  // the shell's set lists variables
        {L"set A", InternalNone}, {L"set =b", InternalNone}, {L"settle x=1", InternalNone}, {L"ls", InternalNone},
    };
    for (const auto& r : rows)
        EXPECT_EQ(internal_command(r.command), r.kind) << narrow(r.command);
}

TEST(Execute, SplitsOffTheProgram)
{
    const struct { const wchar_t* command; bool force_pty, background; const char* rest; const char* program; const char* args; } rows[] = {
        {L"#xclock", true, false, "xclock", "xclock", ""},
        {L"# xclock -bg red &", true, false, "xclock -bg red &", "xclock", "-bg red &"},
        {L"xterm &", false, true, "xterm", "xterm", ""},
        {L"xterm   &  ", false, true, "xterm", "xterm", ""},
        {L"ls | more", false, false, "ls | more", "ls", "| more"},
        {L"ls|more", false, false, "ls|more", "ls", "|more"},
        {L"a\\ b c", false, false, "a\\ b c", "a b", "c"},
        {L"make && make install", false, false, "make && make install", "make", "&& make install"},
        {L"echo x\\&", false, false, "echo x\\&", "echo", "x&"},
        {L"$VIEW notes.txt", false, false, "$VIEW notes.txt", "$VIEW", "notes.txt"},
    };
    for (const auto& r : rows) {
        EXEC_PLAN plan;
        plan_command(r.command, plan);
        EXPECT_EQ(plan.force_pty, r.force_pty) << narrow(r.command);
        EXPECT_EQ(plan.background, r.background) << narrow(r.command);
        EXPECT_EQ(narrow(plan.command), r.rest) << narrow(r.command);
        EXPECT_EQ(narrow(plan.program), r.program) << narrow(r.command);
        EXPECT_EQ(narrow(plan.args), r.args) << narrow(r.command);
    }
}

TEST(Execute, BackgroundCommands)
{
    exec_test_settings();
    const struct { const char* shell; const wchar_t* tmpl; const wchar_t* command; const char* expected; } rows[] = {
        {"/bin/bash", L"x-terminal-emulator -e ! &", L"ls | more", "x-terminal-emulator -e /bin/bash -c 'ls | more' &"},
        {"/bin/bash", L"x-terminal-emulator -e ! &", L"cat it\\'s",
         "x-terminal-emulator -e /bin/bash -c 'cat it\\'\\''s' &"},
        {"/bin/bash", L"xterm -hold -e", L"make", "xterm -hold -e /bin/bash -c 'make'"},
        {"/bin/bash", L"! &", L"a; b", "/bin/bash -c 'a; b' &"},
        {"", L"t -e !", L"x", "t -e /bin/sh -c 'x'"},  // SHELL unset or empty: /bin/sh
    };
    for (const auto& r : rows) {
        SessionEnv.Set("SHELL", r.shell);
        config.Background = r.tmpl;
        Westring c = r.command;
        MakeBackgroundCommand(c);
        EXPECT_EQ(narrow(c), r.expected) << narrow(r.tmpl);
    }
    exec_test_settings();
}
