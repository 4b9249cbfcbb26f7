#include "fileops/shell_window.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/wait.h>

TEST(ShellWindow, PassesDirectoryAsOneArgumentAndLeavesNoChild)
{
    TempDir t;
    ASSERT_TRUE(t.ok());
    // A stand-in browser that records its arguments, one per line, and a
    // last line "end". It inherits the test's PATH: built-ins only.
    t.write("xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$@\" end > \"$0.args\"\n");
    chmod(t.sys("xdg-open").c_str(), 0755);
    const std::string dir = t.sys("a b'c\"$(touch pwned)");
    ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);

    std::string oldPath = getenv("PATH") ? getenv("PATH") : "";
    setenv("PATH", "/nonexistent", 1);
    EXPECT_FALSE(OpenShellWindow(FileNameFromSys(dir.c_str()), L""));
    bool opened = OpenShellWindow(FileNameFromSys(dir.c_str()), FileNameFromSys(t.path.c_str()));
    setenv("PATH", oldPath.c_str(), 1);
    ASSERT_TRUE(opened);

    std::string args;
    for (int i = 0; i < 500 && !args.ends_with("end\n"); i++, usleep(10000))
        args = t.read("xdg-open.args");
    EXPECT_EQ(args, dir + "\nend\n");
    EXPECT_NE(access(t.sys("pwned").c_str(), F_OK), 0);
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1); // the browser is not our child
    EXPECT_EQ(errno, ECHILD);
}
