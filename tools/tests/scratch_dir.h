#ifndef PANNEX_TOOLS_TESTS_SCRATCH_DIR_H
#define PANNEX_TOOLS_TESTS_SCRATCH_DIR_H

#include "foundation/westring.h"

#include <fstream>
#include <ftw.h>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

// A fresh directory under /tmp for one test, removed afterwards with all it
// holds (directories a test made unreadable included). Failing to make it
// throws, which fails the test before anything is written.
class ScratchDir
{
public:
    ScratchDir()
    {
        char tmpl[] = "/tmp/pxtools.XXXXXX";
        if (!mkdtemp(tmpl))
            throw std::runtime_error("cannot make a scratch directory");
        path = tmpl;
    }
    ~ScratchDir()
    {
        if (path.empty())
            return;
        nftw(path.c_str(), [](const char* p, const struct stat* st, int type, FTW*) {
            if (type == FTW_D || type == FTW_DNR)
                chmod(p, 0700);
            (void)st;
            return 0;
        }, 16, FTW_PHYS);
        nftw(path.c_str(), [](const char* p, const struct stat*, int, FTW*) { return remove(p); }, 16,
             FTW_DEPTH | FTW_PHYS);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string sys(const std::string& name) const { return path + "/" + name; }
    Westring wide(const std::string& name = "") const
    {
        return FileNameFromSys((name.empty() ? path : sys(name)).c_str());
    }
    // Makes the directories of a "/"-separated relative path.
    bool mkdirs(const std::string& rel) const
    {
        std::string p = path;
        size_t at = 0;
        while (at <= rel.size()) {
            size_t slash = rel.find('/', at);
            if (slash == std::string::npos)
                slash = rel.size();
            p += "/" + rel.substr(at, slash - at);
            if (mkdir(p.c_str(), 0755) != 0 && errno != EEXIST)
                return false;
            at = slash + 1;
        }
        return true;
    }
    void write(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(sys(name), std::ios::binary) << bytes;
    }
    std::string read(const std::string& name) const
    {
        std::ifstream f(sys(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    }

    std::string path;
};

#endif
