#include "fileops/desktop_entry.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>

namespace {

std::string str(const Estring& s)
{
    return s.c_str();
}

// Runs argv in dir with PATH set to path; the exit status, or -1.
int run_in(const std::string& dir, const std::string& path, const std::vector<std::string>& argv)
{
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0)
            _exit(126);
        setenv("PATH", path.c_str(), 1);
        int null = open("/dev/null", O_RDWR);
        dup2(null, 1);
        dup2(null, 2);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool have(const char* program)
{
    std::string cmd = std::string("command -v ") + program + " >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

// The NUL-separated argument list a recorder writes.
std::vector<std::string> split0(const std::string& s)
{
    std::vector<std::string> v;
    for (size_t from = 0, nul; (nul = s.find('\0', from)) != std::string::npos; from = nul + 1)
        v.push_back(s.substr(from, nul - from));
    return v;
}

using DesktopEntry = TempDirTest;

}

TEST_F(DesktopEntry, ValuesAreEscapedAndArgumentsQuoted)
{
    const struct { const char* in; const char* value; const char* argument; } rows[] = {
        {"plain", "plain", "\"plain\""},
        {"two words", "two words", "\"two words\""},
        {" edge ", "\\sedge\\s", "\" edge \""},                 // readers trim blanks
        {"q\"uote", "q\"uote", "\"q\\\"uote\""},
        {"$HOME", "$HOME", "\"\\$HOME\""},
        {"`id`", "`id`", "\"\\`id\\`\""},
        {"back\\slash", "back\\\\slash", "\"back\\\\slash\""},
        {"100%", "100%", "\"100%%\""},                           // no field code
        {"%f", "%f", "\"%%f\""},
        {"tab\there", "tab\\there", "\"tab\there\""},
        {"a\nExec=touch PWNED", "a\\nExec=touch PWNED", "\"a\nExec=touch PWNED\""},
        {"cr\r", "cr\\r", "\"cr\r\""},
        {"Рабочий стол", "Рабочий стол", "\"Рабочий стол\""},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(str(DesktopEntryEscape(Estring(r.in))), r.value) << r.in;
        EXPECT_EQ(str(DesktopExecArgument(Estring(r.in))), r.argument) << r.in;
    }
}

TEST_F(DesktopEntry, TheFileHoldsOneLineOfEachKey)
{
    Estring exec, text;
    ASSERT_EQ(DesktopEntryExec(L"/home/u/a\nExec=touch PWNED", false, exec), 0);
    ASSERT_EQ(DesktopEntryText(L"a\nExec=touch PWNED\n[X]", exec, true, text), 0);
    EXPECT_EQ(str(text), "#!/usr/bin/env xdg-open\n\n[Desktop Entry]\nVersion=1.0\nEncoding=UTF-8\n"
                         "Name=a\\nExec=touch PWNED\\n[X]\n"
                         "Exec=xdg-open \"/home/u/a\\nExec=touch PWNED\"\n"
                         "Terminal=true\nType=Application\n");
    ASSERT_EQ(DesktopEntryExec(L"/bin/my prog", true, exec), 0);
    EXPECT_EQ(str(exec), "\"/bin/my prog\"");

    // A name that is not UTF-8 cannot be written into the file.
    Westring latin1 = FileNameFromSys("/tmp/caf\xe9");
    EXPECT_FALSE(IsUTF8Name(latin1));
    EXPECT_EQ(DesktopEntryExec(latin1, true, exec), EILSEQ);
    EXPECT_EQ(DesktopEntryText(FileNameFromSys("caf\xe9"), Estring("x"), false, text), EILSEQ);
    EXPECT_TRUE(IsUTF8Name(L"Рабочий стол"));
}

TEST_F(DesktopEntry, FileNamesReplaceSlashesOnly)
{
    const struct { const wchar_t* dir; const wchar_t* title; const wchar_t* file; } rows[] = {
        {L"/d", L"Prog", L"/d/Prog.desktop"},
        {L"/d/", L"a/b", L"/d/a_b.desktop"},
        {L"/d", L"..", L"/d/...desktop"},
        {L"/d", L" x ", L"/d/ x .desktop"},
    };
    for (const auto& r : rows)
        EXPECT_STREQ(DesktopEntryFileName(r.dir, r.title).c_str(), r.file);
}

TEST_F(DesktopEntry, WritingNeverReplacesUnasked)
{
    Westring file = t.wide("L.desktop");
    EXPECT_EQ(WriteDesktopEntry(file, Estring("one\n"), false), 0);
    mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(t.mode("L.desktop"), 0775 & ~mask);

    EXPECT_EQ(WriteDesktopEntry(file, Estring("two\n"), false), EEXIST);
    EXPECT_EQ(t.read("L.desktop"), "one\n");
    EXPECT_EQ(WriteDesktopEntry(file, Estring("two\n"), true), 0);
    EXPECT_EQ(t.read("L.desktop"), "two\n");

    // A link in the launcher's place is replaced, never written through.
    t.write("victim", "keep");
    ASSERT_EQ(symlink(t.sys("victim").c_str(), t.sys("V.desktop").c_str()), 0);
    EXPECT_EQ(WriteDesktopEntry(t.wide("V.desktop"), Estring("new\n"), false), EEXIST);
    EXPECT_EQ(WriteDesktopEntry(t.wide("V.desktop"), Estring("new\n"), true), 0);
    EXPECT_EQ(t.read("victim"), "keep");
    EXPECT_EQ(t.read("V.desktop"), "new\n");

    EXPECT_EQ(WriteDesktopEntry(t.wide("missing/x.desktop"), Estring("x"), false), ENOENT);
    EXPECT_EQ(t.names(), "L.desktop V.desktop victim") << "no temporary is left";
}

TEST_F(DesktopEntry, DesktopDirectoryComesFromUserDirs)
{
    const std::string home = t.path;
    ASSERT_EQ(mkdir(t.sys(".config").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(t.sys("conf").c_str(), 0755), 0);
    const struct { const char* config; const char* file; std::string want; } rows[] = {
        {nullptr, nullptr, home + "/Desktop"},                                 // no file
        {nullptr, "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n", home + "/Schreibtisch"},
        {nullptr, "XDG_DESKTOP_DIR=\"/srv/desk top\"\n", "/srv/desk top"},     // absolute
        {nullptr, "# XDG_DESKTOP_DIR=\"$HOME/no\"\nXDG_MUSIC_DIR=\"$HOME/M\"\n", home + "/Desktop"},
        {nullptr, "  XDG_DESKTOP_DIR=\"$HOME/a\"\nXDG_DESKTOP_DIR=\"$HOME/b\"\n", home + "/b"},  // last wins
        {nullptr, "XDG_DESKTOP_DIR=\"relative/x\"\n", home + "/Desktop"},      // neither form
        {nullptr, "XDG_DESKTOP_DIR=\"$HOME/Рабочий стол\"\n", home + "/Рабочий стол"},
        {"conf", "XDG_DESKTOP_DIR=\"$HOME/Other\"\n", home + "/Other"},        // XDG_CONFIG_HOME
        {"relative", "XDG_DESKTOP_DIR=\"$HOME/Kept\"\n", home + "/Kept"},      // relative: ~/.config instead
    };
    for (const auto& r : rows) {
        const std::string in = r.config && std::string(r.config) == "conf" ? "conf" : ".config";
        const std::string config_home = !r.config ? "" : in == "conf" ? t.sys(in) : r.config;
        unlink(t.sys(in + "/user-dirs.dirs").c_str());
        if (r.file)
            t.write(in + "/user-dirs.dirs", r.file);
        Westring got = DesktopDirectory(home.c_str(), config_home.c_str());
        EXPECT_EQ(std::string(FileNameToSys(got).c_str()), r.want) << (r.file ? r.file : "(no file)");
    }
}

TEST_F(DesktopEntry, MissingDirectoriesAreMade)
{
    EXPECT_EQ(MakeDirectoryPath(t.wide("a/b/c")), 0);
    struct stat st;
    EXPECT_EQ(stat(t.sys("a/b/c").c_str(), &st), 0);
    EXPECT_EQ(MakeDirectoryPath(t.wide("a/b/c")), 0);
    t.write("file", "x");
    EXPECT_EQ(MakeDirectoryPath(t.wide("file")), ENOTDIR);
}

// The real readers: desktop-file-validate accepts every launcher, and gio
// runs it with the arguments exactly as named, no shell ever seeing them.
TEST_F(DesktopEntry, RealReadersRunTheNamedProgramWithExactArguments)
{
    if (!have("desktop-file-validate") || !have("gio"))
        GTEST_SKIP() << "desktop-file-validate or gio is not installed";
    ASSERT_EQ(mkdir(t.sys("bin").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(t.sys("run").c_str(), 0755), 0);
    // A recorder writes its $0 and arguments, NUL-separated, into "argv",
    // which appears whole.
    const std::string recorder = "#!/bin/sh\nprintf '%s\\0' \"$0\" \"$@\" > '" + t.sys("argv.new") + "' && mv '" +
                                 t.sys("argv.new") + "' '" + t.sys("argv") + "'\n";
    t.write("bin/xdg-open", recorder);
    chmod(t.sys("bin/xdg-open").c_str(), 0755);
    const std::string program = t.sys("x $(touch PWNED) \"q\" %f");
    t.write("x $(touch PWNED) \"q\" %f", recorder);
    chmod(program.c_str(), 0755);
    t.write("a\nExec=touch PWNED", "document");
    t.write("tab\there `id` \\ 100%.txt", recorder);
    chmod(t.sys("tab\there `id` \\ 100%.txt").c_str(), 0755);
    const std::string path = t.sys("bin") + ":/usr/bin:/bin";

    const struct { std::string target; bool direct; std::vector<std::string> argv; } rows[] = {
        {program, true, {program}},
        {t.sys("tab\there `id` \\ 100%.txt"), true, {t.sys("tab\there `id` \\ 100%.txt")}},
        {t.sys("a\nExec=touch PWNED"), false, {t.sys("bin/xdg-open"), t.sys("a\nExec=touch PWNED")}},
        {t.sys("tab\there `id` \\ 100%.txt"), false,
         {t.sys("bin/xdg-open"), t.sys("tab\there `id` \\ 100%.txt")}},
    };
    for (const auto& r : rows) {
        Estring exec, text;
        Westring target = FileNameFromSys(r.target.c_str());
        ASSERT_EQ(DesktopEntryExec(target, r.direct, exec), 0);
        ASSERT_EQ(DesktopEntryText(L"Launcher", exec, false, text), 0);
        std::string body = text.c_str();
        EXPECT_EQ(body.find("\nName="), body.rfind("\nName=")) << body;
        EXPECT_EQ(body.find("\nExec="), body.rfind("\nExec=")) << body;
        Westring file = t.wide("run/L.desktop");
        ASSERT_EQ(WriteDesktopEntry(file, text, true), 0);
        EXPECT_EQ(run_in(t.sys("run"), path, {"desktop-file-validate", t.sys("run/L.desktop")}), 0) << body;

        EXPECT_EQ(run_in(t.sys("run"), path, {"gio", "launch", t.sys("run/L.desktop")}), 0) << body;
        for (int i = 0; i < 3000 && !t.exists("argv"); i++)  // gio does not wait for the program
            usleep(10000);
        EXPECT_EQ(split0(t.read("argv")), r.argv) << body;
        unlink(t.sys("argv").c_str());
        EXPECT_FALSE(t.exists("run/PWNED"));
        EXPECT_FALSE(t.exists("PWNED"));
    }
}
