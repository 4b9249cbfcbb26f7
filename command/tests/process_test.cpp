#include "command/process.h"
#include "command/temp_files.h"
#include "command/tests/exec_test_support.h"
#include "fileops/tests/temp_dir.h"

#include <cerrno>
#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Runs command on a pseudo-terminal pair of 100 x 30 and collects what it
// writes until it ends; its exit status in status.
std::string on_pty(const Westring& command, int& status)
{
    EXEC_IMAGE image;
    EXPECT_EQ(make_exec_image(command, ChildEnvironment(L""), image), 0);
    int master, slave;
    if (open_pty_pair(master, slave, 100, 30) != 0)
        return "<no pty>";
    pid_t pid = start_on_pty(image, master, slave);
    close(slave);
    std::string out;
    char buf[4096];
    for (;;) {
        pollfd p{master, POLLIN, 0};
        if (poll(&p, 1, -1) < 0 && errno == EINTR)
            continue;
        ssize_t n = read(master, buf, sizeof buf);
        if (n <= 0)
            break;
        out.append(buf, static_cast<size_t>(n));
    }
    waitpid(pid, &status, 0);
    close(master);
    return out;
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

}

TEST(Process, ChildSeesATerminalAndOnlyItsOwnDescriptors)
{
    exec_test_settings();
    ConfEnv.Set("GREETING", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82");
    // Something this process holds open and blocks must not reach the child.
    int stray = open("/dev/null", O_RDONLY);
    ASSERT_GE(stray, 3);
    block_child_signal();
    int status = -1;
    // The last command replaces the shell, so it shows what the shell
    // was started with rather than what the shell does while it waits.
    std::string out = on_pty(L"tty; ls -1 /proc/$$/fd; echo END; stty size; echo \"T=$TERM G=$GREETING\"; "
                             "exec grep -E '^Sig(Blk|Ign)' /proc/self/status",
                             status);
    close(stray);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << out;
    EXPECT_TRUE(contains(out, "/dev/pts/")) << out;
    EXPECT_TRUE(contains(out, "\n0\r\n1\r\n2\r\nEND\r\n")) << out;
    EXPECT_TRUE(contains(out, "SigBlk:\t0000000000000000")) << out;
    EXPECT_TRUE(contains(out, "SigIgn:\t0000000000000000")) << out;
    EXPECT_TRUE(contains(out, "30 100\r\n")) << out;
    EXPECT_TRUE(contains(out, "T=xterm G=\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82")) << out;
    exec_test_settings();
}

// Exit codes and signals as results: PtyRun.ResultsAndOutput.
TEST(Process, UnusableShells)
{
    exec_test_settings();
    const struct { const char* shell; const wchar_t* command; int code; const char* says; } rows[] = {
        {"/bin/bash", L"echo ok", 0, "ok"},
        {"", L"echo empty shell", 0, "empty shell"},  // empty SHELL: /bin/sh
        {"/nonexistent/sh", L"echo x", 127, "/nonexistent/sh: No such file or directory"},
        {"/etc/hostname", L"echo x", 127, "/etc/hostname: "},  // no program
    };
    for (const auto& r : rows) {
        SessionEnv.Set("SHELL", r.shell);
        int status = -1;
        std::string out = on_pty(r.command, status);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == r.code) << narrow(r.command) << ": " << out;
        EXPECT_TRUE(contains(out, r.says)) << narrow(r.command) << ": " << out;
    }
    exec_test_settings();
}

TEST(Process, TooLongACommandIsRefused)
{
    std::vector<std::string> env = ChildEnvironment(L"");
    size_t room = command_room(env);
    EXPECT_LE(room, 128u * 1024 - 1);
    EXPECT_GT(room, 64u * 1024);
    EXEC_IMAGE image;
    EXPECT_EQ(make_exec_image(Westring(std::wstring(room, L'x').c_str()), env, image), 0);
    EXPECT_EQ(make_exec_image(Westring(std::wstring(room + 1, L'x').c_str()), env, image), E2BIG);
}

TEST(Process, DetachedChildrenLeaveNoZombie)
{
    exec_test_settings();
    EXEC_IMAGE image;
    ASSERT_EQ(make_exec_image(L"read x; sleep 0", ChildEnvironment(L""), image), 0);
    ASSERT_EQ(start_detached(image), 0);
    // No child of ours is left, running or dead: the program is not ours.
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

TEST(Process, SearchPathAndProgramTypes)
{
    exec_test_settings();
    TempDir a, b;
    a.write("tool", "#!/bin/sh\n");
    chmod(a.sys("tool").c_str(), 0755);
    b.write("tool", "");
    b.write("only_b", "");
    mkdir(a.sys("dironly").c_str(), 0755);
    std::string path = a.path + "::" + b.path;
    SessionEnv.Set("PATH", path.c_str());
    const struct { const char* name; const char* append; int found; std::string where; } rows[] = {
        {"tool", "", 1, a.sys("tool")},
        {"only_b", "", 1, b.sys("only_b")},
        {"dironly", "", 0, ""},               // a directory is no program
        {"nosuch", "", 0, ""},
        {"extra", "/nonexistent", 0, ""},
        {"/bin/sh", "", 1, "/bin/sh"},        // with "/": as it is
        {"/no/such", "", 0, ""},
    };
    for (const auto& r : rows) {
        Westring found;
        EXPECT_EQ(PathSearch(FileNameFromSys(r.name).c_str(), found, FileNameFromSys(r.append)), r.found) << r.name;
        if (r.found) {
            EXPECT_EQ(narrow(found), r.where) << r.name;
        }
    }
    // PathAppend comes after PATH.
    Westring found;
    EXPECT_EQ(PathSearch(L"only_b", found, FileNameFromSys(a.path.c_str())), 1);
    SessionEnv.Set("PATH", "");
    char old[PATH_MAX];
    ASSERT_TRUE(getcwd(old, sizeof old));
    ASSERT_EQ(chdir(b.path.c_str()), 0);
    EXPECT_EQ(PathSearch(L"only_b", found, L""), 1);  // an empty PATH searches "."
    EXPECT_EQ(chdir(old), 0);

    EXPECT_EQ(GetProgramType(a.wide("tool").c_str()), ProgramExecutable);
    EXPECT_EQ(GetProgramType(b.wide("tool").c_str()), ProgramOther);
    EXPECT_EQ(GetProgramType(a.wide("dironly").c_str()), ProgramOther);
    EXPECT_FALSE(IsX11(L"/bin/sh"));
    EXPECT_FALSE(IsX11(a.wide("tool")));
    if (access("/usr/bin/xmessage", X_OK) == 0) {
        EXPECT_TRUE(IsX11(L"/usr/bin/xmessage"));
        EXPECT_TRUE(IsX11(L"/usr/bin/xmessage"));  // again, from what was learnt
    }
    exec_test_settings();
}

TEST(TempFiles, PrivateExclusiveAndCleanedUp)
{
    TempDir tmp;
    setenv("TMPDIR", tmp.path.c_str(), 1);
    RemovePrivateTmpDir();
    // A link planted where an older scheme would have written.
    std::string planted = tmp.sys("PX#" + std::to_string(getpid() % 65536) + ".0");
    tmp.write("sentinel", "keep");
    ASSERT_EQ(symlink(tmp.sys("sentinel").c_str(), planted.c_str()), 0);

    Westring dir, name;
    ASSERT_EQ(PrivateTmpDir(dir), 0);
    struct stat st;
    ASSERT_EQ(stat(narrow(dir).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(narrow(dir).rfind(tmp.path + "/px", 0), 0u);
    int fd = -1;
    ASSERT_EQ(MakeTmpFile(name, fd), 0);
    EXPECT_EQ(write(fd, "x", 1), 1);
    close(fd);
    ASSERT_EQ(lstat(narrow(name).c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(narrow(name.path()), narrow(dir));

    // A file of the user's in the private directory is not ours to remove.
    std::string users = narrow(dir) + "/mine";
    tmp.write(users.substr(tmp.path.size() + 1), "u");
    CleanupTmpFiles();
    EXPECT_NE(access(narrow(name).c_str(), F_OK), 0);
    EXPECT_EQ(access(users.c_str(), F_OK), 0);
    unlink(users.c_str());
    RemovePrivateTmpDir();
    EXPECT_NE(access(narrow(dir).c_str(), F_OK), 0);
    EXPECT_EQ(tmp.read("sentinel"), "keep");
    EXPECT_EQ(lstat(planted.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    unsetenv("TMPDIR");
}
