#include "tools/file_find_search.h"

#include "editor/view_code_page.h"
#include "foundation/nls.h"
#include "foundation/unicode_case_fold.h"
#include "foundation/word_chars.h"
#include "text/code_page_table.h"
#include "text/text_decode.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <emmintrin.h>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace {

constexpr long long BlockBytes = 1 << 20;
// Bytes kept in front of each block after the first: a whole-word test
// looks at the character before a match, at most four bytes back.
constexpr long long Behind = 4;
// Room after the bytes of a block for the filter's 16-byte loads.
constexpr long long Slack = 64;
constexpr long long DetectBytes = 32768;

// The characters of the same upper-case form, by that form (only code
// points below U+8000 change case).
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

const CCodePageTable& table_of(int cp)
{
    const CCodePageTable* t = GetCodePageTable(cp);
    return t ? *t : RawCodePageTable();
}

bool encode_char(wchar_t c, EFileFormat f, const CCodePageTable& table, std::string& out)
{
    unsigned v = static_cast<unsigned>(c);
    if (f == FormatCodePage) {
        int b = table.ByteOf(c);
        if (b < 0)
            return false;
        out += static_cast<char>(b);
        return true;
    }
    if (v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF))
        return false;
    switch (f) {
    case FormatUTF8:
        if (v < 0x80) {
            out += static_cast<char>(v);
        } else if (v < 0x800) {
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
        if (v < 0x10000) {
            unit(v);
        } else {
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

int unit_of(EFileFormat f)
{
    return f == FormatUTF16LE || f == FormatUTF16BE ? 2 : f == FormatUTF32LE || f == FormatUTF32BE ? 4 : 1;
}

// A valid UTF-8 sequence at p (before end): its length and value, else 0,
// with need set when only the end of the bytes cut it short.
int utf8_at(const unsigned char* p, const unsigned char* end, unsigned& c, bool& need)
{
    need = false;
    if (p[0] < 0x80) {
        c = p[0];
        return 1;
    }
    int v;
    int n = text_decode::utf8_sequence(p, end, v, need);
    if (n > 0)
        c = static_cast<unsigned>(v);
    return n;
}

int utf8_at(const unsigned char* p, const unsigned char* end, unsigned& c)
{
    bool need;
    return utf8_at(p, end, c, need);
}

}

EFileFormat detect_text_format(const unsigned char* p, long long size, bool whole, int& text_start)
{
    static const struct { EFileFormat format; int length; unsigned char bytes[4]; } marks[] = {
        {FormatUTF32LE, 4, {0xFF, 0xFE, 0x00, 0x00}}, {FormatUTF32BE, 4, {0x00, 0x00, 0xFE, 0xFF}},
        {FormatUTF16LE, 2, {0xFF, 0xFE}},             {FormatUTF16BE, 2, {0xFE, 0xFF}},
        {FormatUTF8, 3, {0xEF, 0xBB, 0xBF}},
    };
    text_start = 0;
    for (const auto& m : marks)
        if (size >= m.length && std::memcmp(p, m.bytes, static_cast<size_t>(m.length)) == 0) {
            text_start = m.length;
            return m.format;
        }
    return CTextFile::DetectFormatOfText(p, static_cast<int>(std::min<long long>(size, DetectBytes)),
                                         whole && size <= DetectBytes);
}

long long CEncodedText::Match(const unsigned char* p, long long avail) const
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

bool encode_search_text(const Westring& text, EFileFormat format, int codePage, bool caseSensitive,
                        CEncodedText& out)
{
    out = CEncodedText();
    const CCodePageTable& table = table_of(codePage);
    std::string enc;
    for (int i = 0; text[i]; i++) {
        std::vector<wchar_t> spellings;
        if (caseSensitive) {
            spellings.push_back(text[i]);
        } else {
            // Every character whose upper-case form is this one's.
            wchar_t up = CUnicodeCaseFold::toupper(text[i]);
            if (CUnicodeCaseFold::toupper(up) == up)
                spellings.push_back(up);
            for (wchar_t x : case_class(up))
                spellings.push_back(x);
            if (std::find(spellings.begin(), spellings.end(), text[i]) == spellings.end())
                spellings.push_back(text[i]);
        }
        std::vector<std::string> variants;
        size_t longest = 0;
        for (wchar_t c : spellings) {
            enc.clear();
            if (encode_char(c, format, table, enc) && std::find(variants.begin(), variants.end(), enc) == variants.end()) {
                variants.push_back(enc);
                longest = std::max(longest, enc.size());
            }
        }
        if (variants.empty()) {
            out = CEncodedText();
            return false;
        }
        out.max_bytes += longest;
        out.chars.push_back(std::move(variants));
    }
    if (out.chars.empty())
        return false;
    // The filter looks for one character of the text, at a fixed distance
    // from the start of a match: the one with the fewest first bytes, and
    // rather a digit or a sign than a letter, so that a text such as
    // "Name42" ignoring case is found by its "4".
    int best = 0, best_score = INT_MAX;
    size_t offset = 0;
    for (size_t c = 0; c < out.chars.size(); c++) {
        const auto& variants = out.chars[c];
        std::vector<unsigned char> firsts;
        bool letter = false;
        for (const std::string& v : variants) {
            unsigned char b = static_cast<unsigned char>(v[0]);
            if (std::find(firsts.begin(), firsts.end(), b) == firsts.end())
                firsts.push_back(b);
            letter |= (b | 0x20) >= 'a' && (b | 0x20) <= 'z';
        }
        int score = static_cast<int>(firsts.size()) * 2 + (letter ? 1 : 0);
        if (score < best_score) {
            best_score = score;
            best = static_cast<int>(c);
            out.anchor_offset = static_cast<long long>(offset);
        }
        // Only a character at a fixed distance can be the anchor.
        bool fixed = std::all_of(variants.begin(), variants.end(),
                                 [&](const std::string& v) { return v.size() == variants[0].size(); });
        if (!fixed)
            break;
        offset += variants[0].size();
    }
    for (const std::string& v : out.chars[static_cast<size_t>(best)]) {
        unsigned char b = static_cast<unsigned char>(v[0]);
        if (!out.first[b]) {
            out.first[b] = true;
            if (out.first_count < 4)
                out.first_list[out.first_count] = b;
            out.first_count++;
        }
    }
    return true;
}

bool encode_exact(const Westring& text, EFileFormat format, int codePage, std::string& out)
{
    out.clear();
    const CCodePageTable& table = table_of(codePage);
    for (int i = 0; text[i]; i++)
        if (!encode_char(text[i], format, table, out))
            return false;
    return true;
}

CContentSearch::CContentSearch(const Westring& t, bool cs, bool ww, int cp)
    : text(t), caseSensitive(cs), wholeWord(ww), codePage(cp == 0 ? DefaultTextCodePage() : cp)
{
}

CContentSearch::~CContentSearch() = default;

const CEncodedText* CContentSearch::pattern_for(EFileFormat f)
{
    if (!made[f]) {
        made[f] = true;
        auto p = std::make_unique<CEncodedText>();
        if (encode_search_text(text, f, codePage, caseSensitive, *p))
            patterns[f] = std::move(p);
    }
    return patterns[f].get();
}

bool CContentSearch::alone(const unsigned char* buf, long long base, long long i, long long len, long long n) const
{
    const CCodePageTable& table = table_of(codePage);
    auto word = [&](unsigned c) { return c <= 0x10FFFF && iswordchar(static_cast<wchar_t>(c)); };
    const long long start_index = text_start - base;  // where the text begins in buf (may be < 0)
    const long long before = std::max(0LL, std::max(start_index, i - 4));
    const unsigned char* end = buf + n;
    switch (format) {
    case FormatCodePage:
        if (i > before && word(static_cast<unsigned>(table.chars[buf[i - 1]])))
            return false;
        return !(i + len < n && word(static_cast<unsigned>(table.chars[buf[i + len]])));
    case FormatUTF8: {
        // The character before: the last valid sequence ending at i.
        for (long long k = i - 1; k >= before; k--) {
            unsigned c;
            int m = utf8_at(buf + k, buf + i, c);
            if (m > 0 && k + m == i) {
                if (word(c))
                    return false;
                break;
            }
            if ((buf[k] & 0xC0) != 0x80)
                break;
        }
        unsigned c;
        if (i + len < n && utf8_at(buf + i + len, end, c) > 0 && word(c))
            return false;
        return true;
    }
    case FormatUTF16LE:
    case FormatUTF16BE: {
        bool be = format == FormatUTF16BE;
        auto unit = [&](long long k) { return be ? (buf[k] << 8 | buf[k + 1]) : (buf[k] | buf[k + 1] << 8); };
        if (i - 2 >= before) {
            unsigned u = static_cast<unsigned>(unit(i - 2));
            if (u >= 0xDC00 && u <= 0xDFFF && i - 4 >= before) {
                unsigned h = static_cast<unsigned>(unit(i - 4));
                if (h >= 0xD800 && h <= 0xDBFF)
                    u = 0x10000 + ((h - 0xD800) << 10) + (u - 0xDC00);
            }
            if (word(u))
                return false;
        }
        if (i + len + 2 <= n) {
            unsigned u = static_cast<unsigned>(unit(i + len));
            if (u >= 0xD800 && u <= 0xDBFF && i + len + 4 <= n) {
                unsigned l = static_cast<unsigned>(unit(i + len + 2));
                if (l >= 0xDC00 && l <= 0xDFFF)
                    u = 0x10000 + ((u - 0xD800) << 10) + (l - 0xDC00);
            }
            if (word(u))
                return false;
        }
        return true;
    }
    default: {
        bool be = format == FormatUTF32BE;
        auto unit = [&](long long k) {
            return be ? (static_cast<unsigned>(buf[k]) << 24 | buf[k + 1] << 16 | buf[k + 2] << 8 | buf[k + 3])
                      : (buf[k] | buf[k + 1] << 8 | buf[k + 2] << 16 | static_cast<unsigned>(buf[k + 3]) << 24);
        };
        if (i - 4 >= before && word(unit(i - 4)))
            return false;
        return !(i + len + 4 <= n && word(unit(i + len)));
    }
    }
}

int CContentSearch::run(int fd, const std::atomic<bool>* stop, bool all,
                        const std::function<bool(long long, long long)>* found, long long known_size)
{
    match_pos = FoundNone;
    match_length = 0;
    if (!buffer)
        buffer = std::make_unique_for_overwrite<unsigned char[]>(static_cast<size_t>(BlockBytes + Behind + Slack + 64));
    unsigned char* buf = buffer.get();
    const long long room = BlockBytes + Behind;

    // Reads until the buffer is full or the file ends; false on a failure.
    long long have = 0;
    long long base = 0; // file offset of buf[0]
    bool eof = false;
    int read_error = 0;
    auto fill = [&]() {
        while (have < room && !eof) {
            ssize_t r = ::read(fd, buf + have, static_cast<size_t>(room - have));
            if (r < 0) {
                if (errno == EINTR)
                    continue;
                read_error = errno;
                return false;
            }
            if (r == 0)
                eof = true;
            have += r;
            // The size fstat gave ends the file: no read just to hear it.
            if (known_size >= 0 && base + have >= known_size)
                eof = true;
        }
        return true;
    };
    if (!fill())
        return read_error;
    int ts = 0;
    format = detect_text_format(buf, have, eof, ts);
    text_start = ts;
    const CEncodedText* pat = pattern_for(format);
    if (!pat)
        return 0;
    const int unit = unit_of(format);
    const long long overlap = static_cast<long long>(pat->max_bytes) + 4;
    long long from = text_start; // first index not yet tried
    long long skip_to = 0;       // file offset before which no match may start (after one found)

    for (;;) {
        if (stop && stop->load(std::memory_order_relaxed))
            return -1;
        std::memset(buf + have, 0, static_cast<size_t>(Slack));
        long long limit = eof ? have : std::max(from, have - overlap);
        auto test = [&](long long i) -> int {
            long long at = base + i;
            if (at < skip_to || (at - text_start) % unit != 0)
                return 0;
            long long len = pat->Match(buf + i, have - i);
            if (len < 0)
                return 0;
            if (wholeWord && !alone(buf, base, i, len, have))
                return 0;
            if (match_pos < 0) {
                match_pos = at;
                match_length = len;
            }
            if (!all)
                return 2;
            skip_to = at + len;
            return (*found)(at, len) ? 1 : 3;
        };
        // The candidates: positions holding a possible anchor byte, 16 at
        // a time while the set of them is small; a match starts
        // anchor_offset bytes before.
        const long long shift = pat->anchor_offset;
        const long long end = std::min(limit + shift, have);
        long long i = from + shift;
        if (pat->first_count == 1) {
            const unsigned char b = pat->first_list[0];
            while (i < end) {
                const void* q = std::memchr(buf + i, b, static_cast<size_t>(end - i));
                if (!q)
                    break;
                i = static_cast<const unsigned char*>(q) - buf;
                int r = test(i - shift);
                if (r == 2)
                    return 0;
                if (r == 3)
                    return -1;
                i++;
            }
        } else if (pat->first_count <= 4) {
            __m128i sets[4];
            for (int k = 0; k < pat->first_count; k++)
                sets[k] = _mm_set1_epi8(static_cast<char>(pat->first_list[k]));
            for (; i < end; i += 16) {
                __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(buf + i));
                __m128i m = _mm_cmpeq_epi8(v, sets[0]);
                for (int k = 1; k < pat->first_count; k++)
                    m = _mm_or_si128(m, _mm_cmpeq_epi8(v, sets[k]));
                unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(m));
                if (end - i < 16)
                    bits &= (1u << (end - i)) - 1;
                while (bits) {
                    int bit = __builtin_ctz(bits);
                    bits &= bits - 1;
                    int r = test(i + bit - shift);
                    if (r == 2)
                        return 0;
                    if (r == 3)
                        return -1;
                }
            }
        } else {
            for (; i < end; i++)
                if (pat->first[buf[i]]) {
                    int r = test(i - shift);
                    if (r == 2)
                        return 0;
                    if (r == 3)
                        return -1;
                }
        }
        if (eof)
            return 0;
        // Keep the unsearched tail and a few bytes before it for the
        // whole-word test, and read on behind them.
        long long keep_from = std::max(0LL, limit - Behind);
        std::memmove(buf, buf + keep_from, static_cast<size_t>(have - keep_from));
        base += keep_from;
        have -= keep_from;
        from = limit - keep_from;
        if (!fill())
            return read_error;
    }
}

long long CContentSearch::SearchFd(int fd, const std::atomic<bool>* stop, long long known_size)
{
    int r = run(fd, stop, false, nullptr, known_size);
    if (r == -1)
        return FoundStopped;
    if (r > 0)
        return FoundOpenError;
    return match_pos;
}

int CContentSearch::ForEachMatch(int fd, const std::atomic<bool>* stop,
                                 const std::function<bool(long long, long long)>& found)
{
    return run(fd, stop, true, &found, -1);
}

long long CContentSearch::Search(const char* path, const std::atomic<bool>* stop)
{
    // Non-blocking, so that a FIFO put in place of the file since it was
    // looked at cannot hang the search; only a regular file is read.
    int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return FoundOpenError;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return FoundOpenError;
    }
#ifdef POSIX_FADV_SEQUENTIAL
    if (st.st_size > BlockBytes)
        (void)posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
    long long r = SearchFd(fd, stop, st.st_size);
    ::close(fd);
    return r;
}

long long check_containing(const Westring& path, const Westring& text, bool caseSensitive, bool wholeWord,
                           const std::atomic<bool>* stop)
{
    Estring name = FileNameToSys(path);
    struct stat st;
    if (::stat(name.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return FoundOpenError;
    CContentSearch search(text, caseSensitive, wholeWord, viewCP);
    return search.Search(name.c_str(), stop);
}
