#ifndef PANNEX_TEXT_INI_STACK_H
#define PANNEX_TEXT_INI_STACK_H

#include "foundation/westring.h"

#include <memory>
#include <sys/types.h>
#include <vector>

// One file on the include stack: gives lines like StdFile::gets.
class CIniSource
{
public:
    virtual ~CIniSource() = default;
    // A line of at most size - 1 bytes into buf: 0, -1 at the end, or the
    // errno of a failed read.
    [[nodiscard]] virtual int gets(char* buf, int size) = 0;
};

// The files of syntax.ini and its "!include" lines: reading goes on in the
// innermost file and, at its end, in the file that included it.
//
// Includes are bounded: at most MaxDepth files are open at once, and a file
// already on the stack (the same device and inode) is not opened again, so
// a file that includes itself ends instead of looping.
class CIniStack
{
public:
    static constexpr int MaxDepth = 8;
    // The longest line a file may have; a longer one is read in pieces.
    static constexpr int MaxLine = 1024;

    CIniStack() = default;
    virtual ~CIniStack() = default;
    CIniStack(const CIniStack&) = delete;
    CIniStack& operator=(const CIniStack&) = delete;

    // Pushes the file at path. False when it could not be opened: a
    // missing top-level file says nothing; any other failure (a missing
    // included file too, or nesting too deep, or an include of a file
    // already open) shows the error box with the path, once per path.
    bool Open(const Westring& path);
    // The next line of the innermost open file into buf (size >= 2): 0, or
    // -1 when every file is exhausted.
    [[nodiscard]] int gets(char* buf, int size);
    int Depth() const { return static_cast<int>(files.size()); }

protected:
    // Opens one file: 0 and the source with its identity, else the errno.
    // Refuses what is not a regular file, so a FIFO cannot hang the load.
    // Tests and the fuzz target give files from memory.
    [[nodiscard]] virtual int OpenSource(const Westring& path, std::unique_ptr<CIniSource>& source, dev_t& dev,
                                         ino_t& ino);
    // Reports a file that could not be read; the error box by default.
    virtual void Report(const Westring& path, int err);

private:
    struct Level
    {
        std::unique_ptr<CIniSource> source;
        dev_t dev;
        ino_t ino;
    };
    std::vector<Level> files;
    std::vector<Westring> reported;
};

#endif
