#ifndef PANNEX_TEXT_TESTS_TEXT_TEST_UTIL_H
#define PANNEX_TEXT_TESTS_TEXT_TEST_UTIL_H

#include "text/text_file.h"

#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

// A file of the given bytes that lives in memory only, named through
// /proc/self/fd, so a test leaves nothing behind wherever it runs.
struct MemFile
{
    int fd = -1;
    Westring path;

    explicit MemFile(const std::string& bytes)
    {
        fd = memfd_create("pxtext", MFD_CLOEXEC);
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

struct TLine
{
    std::wstring text;
    TLineEnd end;
    bool operator==(const TLine&) const = default;
};

inline std::vector<TLine> read_lines(CTextFile& f, long long max = 0)
{
    std::vector<TLine> lines;
    int len;
    while (const wchar_t* l = f.ReadTextLine(len, max))
        lines.push_back({std::wstring(l, static_cast<size_t>(len)), f.LastLineEnd()});
    return lines;
}

// The bytes a save of these lines writes, in the file's current format.
inline std::string encode_lines(CTextFile& f, const std::vector<TLine>& lines, int* rc = nullptr)
{
    std::vector<unsigned char> out;
    f.BeginSaveToMemory(out);
    int err = 0;
    for (const auto& l : lines)
        if (!err)
            err = f.WriteStr(l.text.c_str(), static_cast<int>(l.text.size()), l.end);
    int end = f.EndSave();
    if (rc)
        *rc = err ? err : end;
    return std::string(out.begin(), out.end());
}

inline std::string hex(const std::string& s)
{
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) {
        out += digits[c >> 4];
        out += digits[c & 15];
        out += ' ';
    }
    return out;
}

#endif
