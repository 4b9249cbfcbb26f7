#ifndef PANNEX_FILEOPS_TESTS_TEMP_DIR_H
#define PANNEX_FILEOPS_TESTS_TEMP_DIR_H

#include "foundation/westring.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <ftw.h>
#include <functional>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

// The names in the directory at path, sorted and joined by blanks, hidden
// ones included.
inline std::string names_in_dir(const std::string& path)
{
    std::vector<std::string> v;
    DIR* d = opendir(path.c_str());
    while (dirent* e = d ? readdir(d) : nullptr)
        if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, ".."))
            v.push_back(e->d_name);
    if (d)
        closedir(d);
    std::sort(v.begin(), v.end());
    std::string s;
    for (const std::string& n : v)
        s += (s.empty() ? "" : " ") + n;
    return s;
}

// A fresh directory for one test, removed with everything in it afterwards;
// made in make_in, or in the system's temporary directory.
class TempDir
{
public:
    explicit TempDir(const char* make_in = nullptr)
    {
        const char* base = make_in ? make_in : std::getenv("TMPDIR");
        std::string tmpl = std::string(base && *base ? base : "/tmp") + "/pxfileops.XXXXXX";
        if (mkdtemp(tmpl.data()))
            path = tmpl;
    }
    ~TempDir()
    {
        if (!path.empty())
            nftw(path.c_str(), [](const char* p, const struct stat*, int, FTW*) { return remove(p); },
                 16, FTW_DEPTH | FTW_PHYS);
    }
    bool ok() const { return !path.empty(); }
    // The path of name inside the directory, as bytes and as a wide name.
    std::string sys(const std::string& name) const { return path + "/" + name; }
    Westring wide(const std::string& name) const { return FileNameFromSys(sys(name).c_str()); }

    void write(const std::string& name, const std::string& text) const { std::ofstream(sys(name)) << text; }
    std::string read(const std::string& name) const
    {
        std::ifstream f(sys(name));
        std::stringstream s;
        s << f.rdbuf();
        return f ? s.str() : "<missing>";
    }
    bool exists(const std::string& name) const
    {
        struct stat st;
        return lstat(sys(name).c_str(), &st) == 0;
    }
    // The permission bits of name (not followed if a link), or ~0u.
    unsigned mode(const std::string& name) const
    {
        struct stat st;
        return lstat(sys(name).c_str(), &st) == 0 ? st.st_mode & 07777 : ~0u;
    }
    // The names in a directory here, sorted and joined by blanks, hidden
    // ones included (so a forgotten temporary shows).
    std::string names(const std::string& dir = "") const { return names_in_dir(sys(dir)); }
    // Runs check where permissions count: the superuser passes them all,
    // so as root it runs in a child that has become nobody, with this
    // directory open to it. Whether check returned true.
    bool as_ordinary_user(const std::function<bool()>& check) const
    {
        if (geteuid() != 0)
            return check();
        if (chmod(path.c_str(), 0777) != 0)
            return false;
        pid_t pid = fork();
        if (pid == 0)
            _exit(setgid(65534) == 0 && setuid(65534) == 0 && check() ? 0 : 1);
        int status = -1;
        return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

    std::string path;
};

// A test with a scratch directory of its own.
class TempDirTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(t.ok()); }
    TempDir t;
};

#endif
