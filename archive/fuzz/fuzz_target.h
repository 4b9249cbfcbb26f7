#ifndef PANNEX_ARCHIVE_FUZZ_FUZZ_TARGET_H
#define PANNEX_ARCHIVE_FUZZ_FUZZ_TARGET_H

#include "archive/archive.h"
#include "archive/archive_file.h"
#include "archive/tests/archive_walk.h"

#include <cstdio>
#include <cstdlib>

// One libFuzzer input through one reader: open it as the panel would, then
// list every directory and check what the panel relies on. A broken
// promise aborts, which libFuzzer reports with the input.
inline int fuzz_archive(int type, const unsigned char* data, size_t size)
{
    CArchiveMemoryFile file(data, size);
    CArchiveUI quiet;
    Archive a(L"/fuzz/input", file, ArchiveSettings{}, &quiet, type);
    std::string problem = walk_archive(a);
    if (!problem.empty()) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        std::abort();
    }
    return 0;
}

#define PANNEX_FUZZ_TARGET(type)                                                                                  \
    extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)                                 \
    {                                                                                                              \
        return fuzz_archive(type, data, size);                                                                     \
    }

#endif
