#ifndef PANNEX_FILEOPS_TESTS_TEMP_DIR_H
#define PANNEX_FILEOPS_TESTS_TEMP_DIR_H

#include "foundation/westring.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <ftw.h>
#include <sstream>
#include <string>
#include <sys/stat.h>

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

    std::string path;
};

#endif
