#include "command/execute.h"
#include "command/pling_subst.h"
#include "command/process.h"
#include "command/temp_files.h"
#include "command/tests/exec_test_support.h"
#include "config/associations.h"
#include "fileops/tests/temp_dir.h"
#include "panels/command_line.h"

#include <fcntl.h>
#include <filesystem>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

// Names that try everything a shell could do with an unquoted word, each
// through every way a name gets into a command line, run by a real shell:
// the command must receive exactly the name's bytes, and nothing else may
// happen.

namespace {

const char* const hostile[] = {
    "x;touch PWNED", "$(touch PWNED)", "`touch PWNED`", "it's", "*", "{a,b}", "~root", "x!y",
    "-rf", "tab\there", "new\nline", "\xe4", "\xc3\xa4",
};

// The routes, each a way of building the command for entry `name` of the
// left panel (whose directory is the scratch directory).
enum ROUTE { Bang, BangF, BangX, BangL, BangT, BangAt, CtrlEnter, AltEnter, ByAssociation, EnterExecutable };
const char* const route_names[] = {"!", "!f", "!x", "!l", "!t", "!@", "Ctrl+Enter", "Alt+Enter", "association",
                                   "Enter on an executable"};

// Runs command through the shell of the command environment, in dir; its
// exit status.
int run_shell(const Westring& command, const std::string& dir)
{
    EXEC_IMAGE image;
    if (make_exec_image(command, ChildEnvironment(L""), image) != 0)
        return -2;
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0)
            _exit(126);
        int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        ExecProg(image);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::set<std::string> listing(const std::string& dir)
{
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.insert(e.path().filename().string());
    return names;
}

}

TEST(HostileNames, ReachTheCommandByteExactThroughEveryRoute)
{
    TempDir dir;
    ASSERT_TRUE(dir.ok());
    std::vector<std::string> names(std::begin(hostile), std::end(hostile));
    for (const std::string& n : names) {
        // Each an executable that records the path it was started by.
        dir.write(n, "#!/bin/sh\nprintf '%s\\0' \"$0\" > \"${0%/*}/out\"\n");
        ASSERT_EQ(chmod(dir.sys(n).c_str(), 0755), 0) << n;
    }
    const std::set<std::string> before = listing(dir.path);
    const char* shells[] = {"/bin/sh", "/bin/bash"};
    for (const char* shell : shells) {
        for (size_t k = 0; k < names.size(); k++) {
            const std::string& name = names[k];
            for (int route = Bang; route <= EnterExecutable; route++) {
                exec_test_settings();
                config.Background = L"!";  // Alt+Enter's terminal: the shell itself
                SessionEnv.Set("SHELL", shell);
                set_panel(panel_base[0], dir.path, names, static_cast<int>(k), {static_cast<int>(k)});
                for (int i = 0; i < panel_base[0].Count(); i++) {
                    panel_base[0].entries[i]->mode = 0100755;
                    panel_base[0].entries[i]->uid = geteuid();
                    panel_base[0].entries[i]->gid = getegid();
                }
                set_panel(panel_base[1], "/", {"x"}, 0);
                unlink(dir.sys("out").c_str());

                std::string word = name[0] == '-' ? "./" + name : name;
                std::string expected = word;
                Westring cmd;
                int rc = 0;
                switch (route) {
                case Bang: cmd = L"printf '%s\\0' ! > out"; break;
                case BangF: cmd = L"printf '%s\\0' !f > out"; expected = dir.sys(name); break;
                case BangX: cmd = L"printf '%s\\0' !x > out"; break;
                case BangL: cmd = L"printf '%s\\0' !l> out"; break;
                case BangT: cmd = L"printf '%s\\0' !t > out"; break;
                case BangAt: cmd = L"xargs printf '%s\\0' < !@ > out"; break;
                case CtrlEnter: {
                    Westring line = L"printf '%s\\0' ";
                    int cursor = line.strlen();
                    ASSERT_EQ(CLPaste(line, FileNameFromSys(name.c_str()), cursor), 1);
                    cmd = line + L"> out";
                    expected = name;
                    break;
                }
                case AltEnter: cmd = L"printf '%s\\0' ! > out"; break;
                case ByAssociation:
                    execAssociations.DestroyAll();
                    execAssociations.AddAssociation(L"*", L"printf '%s\\0' ! > out");
                    rc = assoc(panel_base[0].Current(), cmd, 0);
                    execAssociations.DestroyAll();
                    break;
                case EnterExecutable:
                    rc = assoc(panel_base[0].Current(), cmd, 0);
                    expected = dir.sys(name);
                    break;
                }
                ASSERT_EQ(rc, 0);
                if (route != ByAssociation && route != EnterExecutable) {
                    Westring file = FileNameFromSys(name.c_str());
                    rc = pling_subst(cmd, route == BangT ? file.c_str() : nullptr, 0, SubstNormal);
                    ASSERT_GE(rc, 0) << route_names[route];
                }
                if (route == AltEnter)
                    MakeBackgroundCommand(cmd);
                std::string what = std::string(shell) + " via " + route_names[route] + " of " + name + ": " + narrow(cmd);
                EXPECT_EQ(run_shell(cmd, dir.path), 0) << what;
                EXPECT_EQ(dir.read("out"), expected + '\0') << what;  // one word, exactly the name
                std::set<std::string> after = listing(dir.path);
                after.erase("out");
                EXPECT_EQ(after, before) << what;  // no PWNED, nothing else touched
                CleanupTmpFiles();
            }
        }
    }
    exec_test_settings();
}
