#include "text/code_page_table.h"

#include "foundation/nls.h"

#include <cerrno>
#include <iconv.h>
#include <map>
#include <memory>
#include <mutex>

namespace {

// Decodes every byte alone. Returns null for a code page iconv does not
// know, for a multi-byte one (a byte that is only the start of a
// character) and for a stateful one (a byte that gives no character).
std::unique_ptr<CCodePageTable> build_table(int cp)
{
    char name[32];
    CPName(cp, name);
    iconv_t cd = iconv_open("UCS-4LE", name);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return nullptr;
    auto t = std::make_unique<CCodePageTable>();
    bool usable = true;
    for (int b = 0; b < 256 && usable; b++) {
        char in = static_cast<char>(b);
        unsigned char out[16];
        char* ip = &in;
        char* op = reinterpret_cast<char*>(out);
        size_t il = 1, ol = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        size_t r = iconv(cd, &ip, &il, &op, &ol);
        size_t produced = sizeof out - ol;
        wchar_t c = static_cast<wchar_t>(RawByteBase + b);
        if (r == static_cast<size_t>(-1) && errno == EINVAL)
            usable = false;
        else if (r != static_cast<size_t>(-1) && produced == 0)
            usable = false;
        else if (r != static_cast<size_t>(-1) && produced == 4) {
            wchar_t u = static_cast<wchar_t>(out[0] | out[1] << 8 | out[2] << 16 | static_cast<unsigned>(out[3]) << 24);
            // A character in the raw range could not be told from a raw
            // byte, and a second byte for one character could not be
            // written back: both stay raw.
            if (!IsRawTextByte(u) && !(u >= 0xD800 && u <= 0xDFFF) && !t->bytes.contains(u)) {
                c = u;
                t->bytes.emplace(u, static_cast<unsigned char>(b));
            }
        }
        t->chars[b] = c;
    }
    iconv_close(cd);
    if (!usable)
        return nullptr;
    for (int b = 0; b < 0x80; b++)
        if (t->chars[b] != static_cast<wchar_t>(b))
            t->asciiSame = false;
    for (int b = 0; b < 256; b++) {
        bool line_char = t->chars[b] == L'\r' || t->chars[b] == L'\n' || t->chars[b] == 0;
        bool line_byte = b == '\r' || b == '\n' || b == 0;
        if (line_char != line_byte || (line_byte && t->chars[b] != static_cast<wchar_t>(b)))
            t->asciiLineEnds = false;
    }
    return t;
}

std::unique_ptr<CCodePageTable> build_raw_table()
{
    auto t = std::make_unique<CCodePageTable>();
    for (int b = 0; b < 256; b++) {
        t->chars[b] = b < 0x80 ? static_cast<wchar_t>(b) : static_cast<wchar_t>(RawByteBase + b);
        if (b < 0x80)
            t->bytes.emplace(static_cast<wchar_t>(b), static_cast<unsigned char>(b));
    }
    return t;
}

}

const CCodePageTable* GetCodePageTable(int cp)
{
    if (cp == 0)
        cp = DefaultTextCodePage();
    // A code page is asked for again and again (every file, every dialog
    // check): build each once and keep it, the unusable ones as null.
    static std::mutex lock;
    static std::map<int, std::unique_ptr<CCodePageTable>> tables;
    std::lock_guard<std::mutex> hold(lock);
    auto it = tables.find(cp);
    if (it == tables.end())
        it = tables.emplace(cp, cp > 0 ? build_table(cp) : nullptr).first;
    return it->second.get();
}

const CCodePageTable& RawCodePageTable()
{
    static const std::unique_ptr<CCodePageTable> table = build_raw_table();
    return *table;
}
