#ifndef PANNEX_FILEOPS_TESTS_TEMP_DIR_H
#define PANNEX_FILEOPS_TESTS_TEMP_DIR_H

#include "foundation/westring.h"

#include <cstdio>
#include <cstdlib>
#include <ftw.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

// A fresh directory for one test, removed with everything in it afterwards.
// make_in names the directory to create it in (default: the system's
// temporary directory).
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
            nftw(path.c_str(), remove_one, 16, FTW_DEPTH | FTW_PHYS);
    }
    bool ok() const { return !path.empty(); }
    // The path of name inside the directory, as bytes and as a wide name.
    std::string sys(const std::string& name) const { return path + "/" + name; }
    Westring wide(const std::string& name) const { return FileNameFromSys(sys(name).c_str()); }

    std::string path;

private:
    static int remove_one(const char* p, const struct stat*, int, FTW*)
    {
        chmod(p, 0700);
        remove(p);
        return 0;
    }
};

#endif
