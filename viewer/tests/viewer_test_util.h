#ifndef PANNEX_VIEWER_TESTS_VIEWER_TEST_UTIL_H
#define PANNEX_VIEWER_TESTS_VIEWER_TEST_UTIL_H

#include "foundation/westring.h"

#include <string>
#include <sys/mman.h>
#include <unistd.h>

// A file of the given bytes that lives in memory only, named through
// /proc/self/fd, so a test leaves nothing behind wherever it runs.
struct MemFile
{
    int fd = -1;
    Westring path;

    explicit MemFile(const std::string& bytes)
    {
        fd = memfd_create("pxview", MFD_CLOEXEC);
        size_t done = 0;
        while (fd >= 0 && done < bytes.size()) {
            ssize_t w = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (w <= 0)
                break;
            done += static_cast<size_t>(w);
        }
        path = FileNameFromSys(("/proc/self/fd/" + std::to_string(fd)).c_str());
    }
    ~MemFile()
    {
        if (fd >= 0)
            close(fd);
    }
};

// A deterministic generator for the random texts.
struct Lcg
{
    unsigned long long state;
    explicit Lcg(unsigned long long seed) : state(seed) {}
    unsigned Next(unsigned n)
    {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<unsigned>((state >> 33) % n);
    }
};

#endif
