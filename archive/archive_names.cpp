#include "archive/archive_names.h"

#include "foundation/westring.h"

#include <array>
#include <map>
#include <memory>
#include <mutex>

namespace {

// Decodes one UTF-8 sequence at p (n bytes left): its length, or 0 when
// the bytes there are not a valid, shortest-form sequence.
int utf8_sequence(const unsigned char* p, int n, wchar_t& c)
{
    unsigned b = p[0];
    if (b < 0x80) {
        c = static_cast<wchar_t>(b);
        return 1;
    }
    int len;
    unsigned v, min;
    if ((b & 0xE0) == 0xC0)
        len = 2, v = b & 0x1F, min = 0x80;
    else if ((b & 0xF0) == 0xE0)
        len = 3, v = b & 0x0F, min = 0x800;
    else if ((b & 0xF8) == 0xF0)
        len = 4, v = b & 0x07, min = 0x10000;
    else
        return 0;
    if (len > n)
        return 0;
    for (int i = 1; i < len; i++) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        v = (v << 6) | (p[i] & 0x3F);
    }
    if (v < min || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF))
        return 0;
    c = static_cast<wchar_t>(v);
    return len;
}

bool valid_utf8(const unsigned char* p, int n)
{
    for (int i = 0; i < n;) {
        wchar_t c;
        int k = utf8_sequence(p + i, n - i, c);
        if (!k)
            return false;
        i += k;
    }
    return true;
}

// The code points of the bytes 0x80-0xFF of a single-byte code page, or
// null for a code page whose bytes do not map one to one (double-byte
// pages), which is then decoded name by name. Built once per code page.
const std::array<wchar_t, 128>* code_page_table(int cp)
{
    static std::mutex mutex;
    static std::map<int, std::unique_ptr<std::array<wchar_t, 128>>> tables;
    std::lock_guard<std::mutex> lock(mutex);
    auto it = tables.find(cp);
    if (it != tables.end())
        return it->second.get();
    auto table = std::make_unique<std::array<wchar_t, 128>>();
    bool single = true;
    for (int b = 0x80; b < 0x100 && single; b++) {
        char s[2] = {static_cast<char>(b), 0};
        Westring w;
        w.FromCodePage(s, cp);
        if (w.strlen() != 1)
            single = false;
        else
            (*table)[static_cast<size_t>(b - 0x80)] = w[0];
    }
    if (!single)
        table.reset();
    auto* result = table.get();
    tables[cp] = std::move(table);
    return result;
}

} // namespace

void DecodeArchiveName(const char* bytes, int len, bool utf8, int codepage, std::vector<wchar_t>& out)
{
    out.clear();
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes);
    for (int i = 0; i < len; i++)
        if (!p[i]) {
            len = i;
            break;
        }
    // Most names are plain ASCII: widened as they are.
    int ascii = 0;
    while (ascii < len && p[ascii] < 0x80)
        ascii++;
    if (ascii == len) {
        out.resize(static_cast<size_t>(len));
        for (int i = 0; i < len; i++)
            out[static_cast<size_t>(i)] = p[i] == '\\' ? L'/' : static_cast<wchar_t>(p[i]);
        return;
    }
    if (utf8 || valid_utf8(p, len)) {
        for (int i = 0; i < len;) {
            wchar_t c;
            int k = utf8_sequence(p + i, len - i, c);
            if (!k) {
                c = static_cast<wchar_t>(0xDC00 + p[i]);
                k = 1;
            }
            out.push_back(c == L'\\' ? L'/' : c);
            i += k;
        }
        return;
    }
    if (const auto* table = code_page_table(codepage)) {
        for (int i = 0; i < len; i++) {
            wchar_t c = p[i] < 0x80 ? static_cast<wchar_t>(p[i]) : (*table)[p[i] - 0x80];
            out.push_back(c == L'\\' ? L'/' : c);
        }
        return;
    }
    std::string s(bytes, static_cast<size_t>(len));
    Westring w;
    if (!w.FromCodePage(s.c_str(), codepage) && w.empty()) {
        // An unknown code page: keep the bytes as the file-name codec does.
        w = FileNameFromSys(s.c_str());
    }
    for (int i = 0, n = w.strlen(); i < n; i++)
        out.push_back(w[i] == L'\\' ? L'/' : w[i]);
}

int DecodeRarUnicode(const unsigned char* field, int length, std::vector<wchar_t>& out)
{
    out.clear();
    int zero = -1;
    for (int i = 0; i < length; i++)
        if (!field[i]) {
            zero = i;
            break;
        }
    if (zero < 0) {
        DecodeArchiveName(reinterpret_cast<const char*>(field), length, true, 0, out);
        return 0;
    }
    const unsigned char* name8 = field;
    int len8 = zero;
    const unsigned char* enc = field + zero + 1;
    int encLen = length - zero - 1;
    int pos = 0;
    auto put = [&](unsigned c) { out.push_back(c == '\\' ? L'/' : static_cast<wchar_t>(c)); };
    if (encLen <= 0)
        return 0;
    unsigned high = enc[pos++];
    unsigned flags = 0;
    int flagBits = 0;
    while (pos < encLen) {
        if (flagBits == 0) {
            flags = enc[pos++];
            flagBits = 8;
            if (pos >= encLen)
                break;
        }
        unsigned code = (flags >> 6) & 3;
        flags <<= 2;
        flagBits -= 2;
        switch (code) {
        case 0:
            put(enc[pos++]);
            break;
        case 1:
            put(enc[pos++] | (high << 8));
            break;
        case 2:
            if (pos + 2 > encLen)
                return -1;
            put(enc[pos] | (enc[pos + 1] << 8));
            pos += 2;
            break;
        case 3: {
            unsigned l = enc[pos++];
            int run = static_cast<int>(l & 0x7F) + 2;
            unsigned correction = 0;
            if (l & 0x80) {
                if (pos >= encLen)
                    return -1;
                correction = enc[pos++];
            }
            // The run copies from the 8-bit name at the same positions: it
            // must stay inside it.
            int at = static_cast<int>(out.size());
            if (at + run > len8)
                return -1;
            for (int i = 0; i < run; i++) {
                unsigned b = name8[at + i];
                put(l & 0x80 ? (((correction + b) & 0xFF) | (high << 8)) : b);
            }
            break;
        }
        }
    }
    return 0;
}

bool IsUnsafeArchiveName(const wchar_t* name, int len)
{
    if (len > 0 && name[0] == L'/')
        return true;
    if (len == 1 && name[0] == L'.')
        return false;
    if (len >= 2 && name[0] == L'.' && name[1] == L'/') {
        name += 2;
        len -= 2;
    }
    if (len > 0 && name[len - 1] == L'/')
        len--;
    if (len == 0)
        return false;
    int start = 0;
    for (int i = 0; i <= len; i++) {
        if (i < len && name[i] != L'/')
            continue;
        // A component from start to i: empty or all dots is unsafe.
        bool dots = true;
        for (int k = start; k < i; k++)
            if (name[k] != L'.') {
                dots = false;
                break;
            }
        if (dots)
            return true;
        start = i + 1;
    }
    return false;
}
