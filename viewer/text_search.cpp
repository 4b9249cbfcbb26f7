#include "viewer/search_file.h"

#include "foundation/unicode_case_fold.h"
#include "foundation/word_chars.h"
#include "text/code_page_table.h"
#include "text/text_file.h"
#include "viewer/interrupt.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <emmintrin.h>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

constexpr int BlockBytes = 1 << 20;

// The characters of the same upper-case form, by that form (lower-case
// letters and the like; only code points below U+8000 change case).
const std::vector<wchar_t>& case_class(wchar_t upper)
{
    static const auto classes = [] {
        std::unordered_map<wchar_t, std::vector<wchar_t>> m;
        for (wchar_t x = 0; x < 0x8000; x++) {
            wchar_t u = CUnicodeCaseFold::toupper(x);
            if (u != x)
                m[u].push_back(x);
        }
        return m;
    }();
    static const std::vector<wchar_t> none;
    auto it = classes.find(upper);
    return it == classes.end() ? none : it->second;
}

// The bytes of c in the file's format; false when the format cannot hold
// it (a character outside the code page, a surrogate).
bool encode(wchar_t c, EFileFormat f, const CCodePageTable& table, std::string& out)
{
    out.clear();
    unsigned v = static_cast<unsigned>(c);
    if (v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF))
        return false;
    switch (f) {
    case FormatCodePage: {
        int b = table.ByteOf(c);
        if (b < 0 || IsRawTextByte(c))
            return false;
        out += static_cast<char>(b);
        return true;
    }
    case FormatUTF8:
        if (v < 0x80)
            out += static_cast<char>(v);
        else if (v < 0x800) {
            out += static_cast<char>(0xC0 | v >> 6);
            out += static_cast<char>(0x80 | (v & 0x3F));
        } else if (v < 0x10000) {
            out += static_cast<char>(0xE0 | v >> 12);
            out += static_cast<char>(0x80 | (v >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (v & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | v >> 18);
            out += static_cast<char>(0x80 | (v >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (v >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (v & 0x3F));
        }
        return true;
    case FormatUTF16LE:
    case FormatUTF16BE: {
        bool be = f == FormatUTF16BE;
        auto unit = [&](unsigned u) {
            out += static_cast<char>(be ? u >> 8 : u & 0xFF);
            out += static_cast<char>(be ? u & 0xFF : u >> 8);
        };
        if (v < 0x10000)
            unit(v);
        else {
            unit(0xD800 + ((v - 0x10000) >> 10));
            unit(0xDC00 + ((v - 0x10000) & 0x3FF));
        }
        return true;
    }
    default: {
        bool be = f == FormatUTF32BE;
        for (int i = 0; i < 4; i++)
            out += static_cast<char>(v >> (be ? 24 - 8 * i : 8 * i));
        return true;
    }
    }
}

// A set of byte values, with the first few kept as a list for the vector
// filter.
struct ByteSet
{
    bool has[256] = {};
    unsigned char list[4] = {};
    int count = 0;
    void Add(unsigned char b)
    {
        if (has[b])
            return;
        has[b] = true;
        if (count < 4)
            list[count] = b;
        count++;
    }
};

// The text as byte strings: for each character, the encodings that match
// it. No encoding is a prefix of another of the same character (UTF-8 is
// prefix-free, the others have fixed units), so a match never needs to go
// back and try another.
struct TPattern
{
    std::vector<std::vector<std::string>> chars;
    size_t maxBytes = 0;
    // The filter: the first byte of a match is in first; when the first
    // character always takes the same number of bytes and there is a second
    // one, the byte that far on is in second.
    ByteSet first, second;
    int secondAt = -1;

    // The offset behind a match at p (avail bytes readable), or -1.
    long long Match(const unsigned char* p, long long avail) const
    {
        long long at = 0;
        for (const auto& variants : chars) {
            bool found = false;
            for (const std::string& v : variants) {
                long long n = static_cast<long long>(v.size());
                if (n <= avail - at && std::memcmp(p + at, v.data(), v.size()) == 0) {
                    at += n;
                    found = true;
                    break;
                }
            }
            if (!found)
                return -1;
        }
        return at;
    }
};

bool make_pattern(const Westring& text, EFileFormat f, int codePage, bool caseSensitive, TPattern& pat)
{
    const CCodePageTable* table = GetCodePageTable(codePage);
    if (!table)
        table = &RawCodePageTable();
    std::string enc;
    for (int i = 0; text[i]; i++) {
        std::vector<wchar_t> spellings;
        if (caseSensitive)
            spellings.push_back(text[i]);
        else {
            // Every character whose upper-case form is this one's, as the
            // decoded search compares them.
            wchar_t up = CUnicodeCaseFold::toupper(text[i]);
            if (CUnicodeCaseFold::toupper(up) == up)
                spellings.push_back(up);
            for (wchar_t x : case_class(up))
                spellings.push_back(x);
        }
        std::vector<std::string> variants;
        size_t longest = 0;
        for (wchar_t c : spellings)
            if (encode(c, f, *table, enc) && std::find(variants.begin(), variants.end(), enc) == variants.end()) {
                variants.push_back(enc);
                longest = std::max(longest, enc.size());
            }
        if (variants.empty())
            return false;
        pat.maxBytes += longest;
        pat.chars.push_back(std::move(variants));
    }
    for (const std::string& v : pat.chars[0])
        pat.first.Add(static_cast<unsigned char>(v[0]));
    const auto& v0 = pat.chars[0];
    bool fixed = std::all_of(v0.begin(), v0.end(), [&](const std::string& v) { return v.size() == v0[0].size(); });
    if (fixed && pat.chars.size() > 1) {
        pat.secondAt = static_cast<int>(v0[0].size());
        for (const std::string& v : pat.chars[1])
            pat.second.Add(static_cast<unsigned char>(v[0]));
    }
    return true;
}

// The positions in [from, to) of buf where the filter holds: 16 at a time
// by SSE2 compares while the sets are small, one by one otherwise. Calls
// test on each, upwards (or downwards with backward), until it says yes;
// that position, or -1. The buffer must be readable 16 bytes beyond
// to + secondAt.
template <class Test>
long long filter(const unsigned char* buf, long long from, long long to, const TPattern& pat, bool backward,
                 Test&& test)
{
    if (from >= to)
        return -1;
    const bool two = pat.secondAt >= 0;
    if (pat.first.count > 4 || (two && pat.second.count > 4)) {
        for (long long k = 0; k < to - from; k++) {
            long long i = backward ? to - 1 - k : from + k;
            if (pat.first.has[buf[i]] && (!two || pat.second.has[buf[i + pat.secondAt]]) && test(i))
                return i;
        }
        return -1;
    }
    auto hits = [&](const ByteSet& s, const unsigned char* p) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        __m128i m = _mm_cmpeq_epi8(v, _mm_set1_epi8(static_cast<char>(s.list[0])));
        for (int k = 1; k < s.count; k++)
            m = _mm_or_si128(m, _mm_cmpeq_epi8(v, _mm_set1_epi8(static_cast<char>(s.list[k]))));
        return static_cast<unsigned>(_mm_movemask_epi8(m));
    };
    long long chunks = (to - from + 15) / 16;
    for (long long k = 0; k < chunks; k++) {
        long long q = backward ? from + (chunks - 1 - k) * 16 : from + k * 16;
        unsigned m = hits(pat.first, buf + q);
        if (m && two)
            m &= hits(pat.second, buf + q + pat.secondAt);
        // Positions past to belong to the next call.
        if (to - q < 16)
            m &= (1u << (to - q)) - 1;
        while (m) {
            int bit = backward ? 31 - __builtin_clz(m) : __builtin_ctz(m);
            m &= ~(1u << bit);
            if (test(q + bit))
                return q + bit;
        }
    }
    return -1;
}

}

long long SearchText(CTextFile& file, const Westring& text, long long start, bool caseSensitive, bool wholeWord,
                     bool reverse, long long* matchEnd)
{
    if (file.GetFormat() == FormatDetect) {
        file.SetFormat(file.DetermineFileFormat());
        if (file.GetFormat() == FormatDetect)
            return -1;
    }
    if (text.empty())
        return -2;
    const EFileFormat format = file.GetFormat();
    TPattern pat;
    if (!make_pattern(text, format, file.GetCodePage(), caseSensitive, pat))
        return -2;
    const long long textStart = file.TextStart();
    const int unit = format == FormatUTF16LE || format == FormatUTF16BE ? 2
                   : format == FormatUTF32LE || format == FormatUTF32BE ? 4
                                                                        : 1;
    if (start < 0)
        start = reverse ? std::max(file.KnownSize(), textStart) : textStart;
    start = std::max(start, textStart);

    CBreakScope scope;
    const long long overlap = static_cast<long long>(pat.maxBytes) - 1;
    const size_t room = static_cast<size_t>(BlockBytes + overlap + 64 + pat.secondAt);
    auto buf = std::make_unique<unsigned char[]>(room);
    long long found = -1, foundEnd = -1;

    // A match the bytes show at offset at (buffer index i, n bytes read):
    // aligned to the format's units and, for whole words, alone.
    auto accept = [&](long long at, const unsigned char* p, long long avail, long long limit) {
        if ((at - textStart) % unit != 0)
            return false;
        long long len = pat.Match(p, avail);
        if (len < 0 || at + len > limit)
            return false;
        if (wholeWord) {
            file.SetReadPos(at);
            int before = file.ReadPrevChar();
            if (before >= 0 && iswordchar(static_cast<wchar_t>(before)))
                return false;
            file.SetReadPos(at + len);
            int after = file.ReadChar();
            if (after >= 0 && iswordchar(static_cast<wchar_t>(after)))
                return false;
        }
        found = at;
        foundEnd = at + len;
        return true;
    };

    if (!reverse) {
        long long pos = start;
        for (;;) {
            if (break_requested())
                return -1;
            int want = static_cast<int>(BlockBytes + overlap);
            int n = want;
            if (file.GetBlock(pos, buf.get(), n) > 0 || n == 0)
                return -2;
            bool last = n < want;
            long long limit = last ? n : n - overlap;
            long long i = filter(buf.get(), 0, limit, pat, false, [&](long long k) {
                return accept(pos + k, buf.get() + k, n - k, LLONG_MAX);
            });
            if (i >= 0)
                break;
            if (last)
                return -2;
            pos += limit;
        }
    } else {
        // Matches must end at or before start.
        long long hi = start;
        while (hi > textStart) {
            if (break_requested())
                return -1;
            long long lo = std::max(textStart, hi - BlockBytes);
            int n = static_cast<int>(std::min(start, hi + overlap) - lo);
            if (file.GetBlock(lo, buf.get(), n) > 0)
                n = 0;
            long long i = filter(buf.get(), 0, std::min<long long>(hi - lo, n), pat, true, [&](long long k) {
                return accept(lo + k, buf.get() + k, n - k, start);
            });
            if (i >= 0)
                break;
            hi = lo;
        }
        if (found < 0)
            return -2;
    }
    if (matchEnd)
        *matchEnd = foundEnd;
    return found;
}
