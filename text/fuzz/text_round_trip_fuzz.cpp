// Any bytes, read in a format the fuzzer picks and written back unchanged,
// give the same bytes; the line index agrees with the lines read.

#include "text/text_file.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3)
        return 0;
    static const int pages[] = {819, 437, 850, 866, 1251, 1252, 20866, 932, 37, 1253};
    EFileFormat format = static_cast<EFileFormat>(data[0] % 7);
    int cp = pages[data[1] % 10];
    long long max = data[2] & 0x80 ? 0 : (data[2] & 0x3F) + 1;
    bool nul = data[2] & 0x40;
    data += 3;
    size -= 3;

    int fd = memfd_create("fuzz", MFD_CLOEXEC);
    if (fd < 0)
        return 0;
    if (size > 0 && write(fd, data, size) != static_cast<ssize_t>(size)) {
        close(fd);
        return 0;
    }
    Westring path = FileNameFromSys(("/proc/self/fd/" + std::to_string(fd)).c_str());
    {
        CTextFile f;
        f.SetFormat(format);
        f.SetCodePage(cp);
        if (f.Open(path) != 0)
            abort();
        f.SetNulEndsLine(nul);
        std::vector<unsigned char> out;
        std::vector<long long> starts, seen;
        std::vector<std::pair<std::wstring, TLineEnd>> lines;
        int len;
        for (long long at = f.TextStart(); const wchar_t* l = f.ReadTextLine(len, max); at = f.GetReadPos()) {
            lines.emplace_back(std::wstring(l, static_cast<size_t>(len)), f.LastLineEnd());
            seen.push_back(at);
        }
        f.BeginSaveToMemory(out);
        for (const auto& [text, end] : lines)
            if (f.WriteStr(text.c_str(), static_cast<int>(text.size()), end) != 0)
                abort();
        if (f.EndSave() != 0)
            abort();
        if (out.size() != size || (size && std::memcmp(out.data(), data, size) != 0))
            abort();
        if (max == 0) {
            if (f.IndexLines(starts) != 0 || starts != seen)
                abort();
        }
        // Backwards from the end gives every character the forward pass saw.
        f.SetReadPos(f.KnownSize());
        size_t back = 0;
        while (f.ReadPrevChar() >= 0)
            back++;
        if (f.GetReadPos() != f.TextStart())
            abort();
        (void)back;
    }
    close(fd);
    return 0;
}
