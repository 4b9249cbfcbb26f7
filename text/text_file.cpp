#include "text/text_file.h"

#include "foundation/nls.h"
#include "foundation/unicode_case_fold.h"
#include "foundation/word_chars.h"
#include "text/text_decode.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <immintrin.h>
#include <sys/mman.h>

using namespace text_decode;

namespace {

// How a line end character is written into a TLineEnd digit; 0 for others.
inline int line_end_digit(int c, bool nul)
{
    return c == '\r' ? 1 : c == '\n' ? 2 : (c == 0 && nul) ? 3 : 0;
}

constexpr long long DetectBytes = 32768;

// Sixteen bytes to sixteen wide characters.
inline void widen_bytes(__m128i v, wchar_t* out)
{
    const __m128i zero = _mm_setzero_si128();
    __m128i lo = _mm_unpacklo_epi8(v, zero), hi = _mm_unpackhi_epi8(v, zero);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi16(lo, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4), _mm_unpackhi_epi16(lo, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8), _mm_unpacklo_epi16(hi, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 12), _mm_unpackhi_epi16(hi, zero));
}

// Copies printable ASCII (0x0E-0x7F) sixteen bytes at a time while it
// lasts; everything else is left to the caller's character loop.
inline void copy_ascii(const unsigned char*& p, const unsigned char* end, wchar_t* out, size_t& n, size_t limit)
{
    const __m128i low = _mm_set1_epi8(0x0E);
    while (end - p >= 16 && limit - n >= 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        // Signed: bytes from 0x80 up count as below 0x0E too.
        if (_mm_movemask_epi8(_mm_cmplt_epi8(v, low)))
            return;
        widen_bytes(v, out + n);
        p += 16;
        n += 16;
    }
}

// The same for UTF-16LE units from 0x000E to 0x7FFF, eight at a time.
inline void copy_units16(const unsigned char*& p, const unsigned char* end, wchar_t* out, size_t& n, size_t limit)
{
    const __m128i low = _mm_set1_epi16(0x0E), zero = _mm_setzero_si128();
    while (end - p >= 16 && limit - n >= 8) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        if (_mm_movemask_epi8(_mm_cmplt_epi16(v, low)))
            return;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + n), _mm_unpacklo_epi16(v, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + n + 4), _mm_unpackhi_epi16(v, zero));
        p += 16;
        n += 8;
    }
}

}

namespace text_decode {

namespace {

// Thirty-two bytes at a time where the processor has AVX2 (chosen once at
// run time): the index of a large file is bound by this scan.
__attribute__((target("avx2"))) const unsigned char* find_line_byte_avx2(const unsigned char* p,
                                                                         const unsigned char* end, bool nul)
{
    const __m256i cr = _mm256_set1_epi8('\r'), lf = _mm256_set1_epi8('\n'), zero = _mm256_setzero_si256();
    const __m256i nulmask = nul ? _mm256_set1_epi8(-1) : zero;
    while (end - p >= 32) {
        __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        __m256i hit = _mm256_or_si256(_mm256_or_si256(_mm256_cmpeq_epi8(v, cr), _mm256_cmpeq_epi8(v, lf)),
                                      _mm256_and_si256(_mm256_cmpeq_epi8(v, zero), nulmask));
        unsigned m = static_cast<unsigned>(_mm256_movemask_epi8(hit));
        if (m)
            return p + __builtin_ctz(m);
        p += 32;
    }
    for (; p < end; p++)
        if (*p == '\r' || *p == '\n' || (*p == 0 && nul))
            return p;
    return end;
}

// One bit for each CR, LF or (with nulmask set) NUL of the 32 bytes at p.
__attribute__((target("avx2"))) inline uint32_t line_hits(const unsigned char* p, __m256i cr, __m256i lf,
                                                          __m256i zero, __m256i nulmask)
{
    __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    __m256i hit = _mm256_or_si256(_mm256_or_si256(_mm256_cmpeq_epi8(v, cr), _mm256_cmpeq_epi8(v, lf)),
                                  _mm256_and_si256(_mm256_cmpeq_epi8(v, zero), nulmask));
    return static_cast<uint32_t>(_mm256_movemask_epi8(hit));
}

// The index of a large file is megabytes of offsets written once in
// order: in 2 MiB pages it costs a fault per 2 MiB rather than per 4 KiB,
// which is a good part of the whole scan. Only the whole huge pages inside
// the vector's storage are advised; a small index is left as it is.
void advise_huge_pages(std::vector<long long>& starts)
{
    constexpr uintptr_t Huge = uintptr_t{2} << 20;
    auto from = (reinterpret_cast<uintptr_t>(starts.data()) + Huge - 1) & ~(Huge - 1);
    auto to = reinterpret_cast<uintptr_t>(starts.data() + starts.capacity()) & ~(Huge - 1);
    if (to > from)
        (void)madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}

// Line starts gathered a few thousand at a time before they join the
// index: no call in a scanning loop, so its registers stay put.
struct StartsOut
{
    static constexpr int Pending = 4096;
    explicit StartsOut(std::vector<long long>& starts) : starts(starts) {}
    bool Full() const { return out - pending >= Pending; }
    void Flush()
    {
        size_t cap = starts.capacity();
        starts.insert(starts.end(), pending, out);
        if (starts.capacity() != cap)
            advise_huge_pages(starts);
        out = pending;
    }

    std::vector<long long>& starts;
    // Room for a whole step beyond Pending.
    long long pending[Pending + 64];
    long long* out = pending;
};

// One 64-byte step of a line index. lfm has a bit for each LF (or LF
// unit), other for each CR or NUL that ends lines; lastJoins says a CR or
// NUL follows an LF in the step's last place. A step of plain LFs stores
// at + bit for each of them without a branch per line; any other goes line
// end by line end through take, which moves skip past what it took: bits
// below skip belong to a line end taken already.
template <class Take>
__attribute__((target("bmi"))) inline void index_step(uint64_t lfm, uint64_t other, bool lastJoins,
                                                      const unsigned char* q, const unsigned char* const& skip,
                                                      long long at, long long*& out, Take& take)
{
    if (skip > q) {
        uint64_t below = (uint64_t{1} << (skip - q)) - 1;
        lfm &= ~below;
        other &= ~below;
    }
    if (!other && !lastJoins) {
        // Two stores whatever the count (the room beyond Pending takes
        // them): zero, one or two line ends in a step are nearly all there
        // is, and they then cost no branch that could go wrong.
        uint64_t m = lfm, m2 = m & (m - 1);
        out[0] = at + static_cast<long long>(_tzcnt_u64(m));
        out[1] = at + static_cast<long long>(_tzcnt_u64(m2));
        if (m2 & (m2 - 1)) [[unlikely]] {
            out += 2;
            for (m = m2 & (m2 - 1); m; m &= m - 1)
                *out++ = at + static_cast<long long>(_tzcnt_u64(m));
        } else
            out += (m != 0) + (m2 != 0);
        return;
    }
    for (uint64_t m = lfm | other; m; m &= m - 1) {
        const unsigned char* t = q + _tzcnt_u64(m);
        if (t >= skip)
            take(t);
    }
}

// The index over one block of bytes: every line end whose bytes lie
// wholly inside it adds the start of the next line. Returns where a line
// end too near the block's end waits for the careful way, or end.
template <bool nul>
__attribute__((target("avx2,bmi"))) const unsigned char* index_block_avx2(const unsigned char* p,
                                                                          const unsigned char* end,
                                                                          long long base,
                                                                          std::vector<long long>& starts)
{
    const __m256i cr = _mm256_set1_epi8('\r'), lf = _mm256_set1_epi8('\n'), zero = _mm256_setzero_si256();
    auto digit = [](unsigned char b) { return b == '\r' ? 1 : b == '\n' ? 2 : (b == 0 && nul) ? 3 : 0; };
    StartsOut o(starts);
    long long*& out = o.out;
    auto flush = [&] { o.Flush(); };
    // Bytes before skip belong to a line end already taken.
    const unsigned char* skip = p;
    auto take = [&](const unsigned char* t) {
        int seen = 1 << digit(*t);
        const unsigned char* r = t + 1;
        for (int k = 0; k < 2; k++) {
            int d = digit(*r);
            if (d == 0 || (seen & (1 << d)))
                break;
            seen |= 1 << d;
            r++;
        }
        *out++ = base + (r - p);
        skip = r;
    };
    const unsigned char* q = p;
    // Sixty-four bytes a step: most steps hold no line end or one, most
    // line ends are plain LFs (index_step).
    for (; end - q >= 64 + 4; q += 64) {
        if (o.Full())
            flush();
        // Compile-time nul: without it the masks are a compare each.
        __m256i v0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(q));
        __m256i v1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(q + 32));
        uint64_t lfm = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(v0, lf))) |
                       static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(v1, lf))))
                           << 32;
        __m256i o0 = _mm256_cmpeq_epi8(v0, cr), o1 = _mm256_cmpeq_epi8(v1, cr);
        if constexpr (nul) {
            o0 = _mm256_or_si256(o0, _mm256_cmpeq_epi8(v0, zero));
            o1 = _mm256_or_si256(o1, _mm256_cmpeq_epi8(v1, zero));
        }
        // No CR or NUL in the step (the usual case) needs no mask of them.
        __m256i o = _mm256_or_si256(o0, o1);
        uint64_t other = _mm256_testz_si256(o, o)
                             ? 0
                             : static_cast<uint32_t>(_mm256_movemask_epi8(o0)) |
                                   static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(o1))) << 32;
        bool nextJoins = q[64] == '\r' || (nul && q[64] == 0);
        index_step(lfm, other, (lfm >> 63) & nextJoins, q, skip, base + (q - p) + 1, out, take);
    }
    for (q = std::max(q, skip); q < end; q++) {
        if (q < skip || !digit(*q))
            continue;
        if (end - q < 4) {
            flush();
            return q;
        }
        take(q);
        if (o.Full())
            flush();
    }
    flush();
    return end;
}

// The same over UTF-16 units from p (an even offset from the text start).
// Returns where a line end near the block's end waits, or the end of the
// last whole unit.
// One even bit for each 16-bit unit of the 32 bytes at p that equals a or
// b, or (with nulmask set) is 0: both bytes of a matching unit are set.
__attribute__((target("avx2"))) inline uint64_t line_hits16(const unsigned char* p, __m256i a, __m256i b,
                                                            __m256i zero, __m256i nulmask)
{
    __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    __m256i hit = _mm256_or_si256(_mm256_or_si256(_mm256_cmpeq_epi16(v, a), _mm256_cmpeq_epi16(v, b)),
                                  _mm256_and_si256(_mm256_cmpeq_epi16(v, zero), nulmask));
    return static_cast<unsigned>(_mm256_movemask_epi8(hit)) & 0x55555555u;
}

__attribute__((target("avx2,bmi"))) const unsigned char* index_block16_avx2(const unsigned char* p,
                                                                            const unsigned char* end,
                                                                            long long base, bool nul,
                                                                            bool bigEndian,
                                                                            std::vector<long long>& starts)
{
    auto lane = [bigEndian](int u) { return static_cast<short>(bigEndian ? u << 8 : u); };
    const __m256i cr = _mm256_set1_epi16(lane('\r')), lf = _mm256_set1_epi16(lane('\n')),
                  zero = _mm256_setzero_si256();
    const __m256i nulmask = nul ? _mm256_set1_epi8(-1) : zero;
    auto unit = [bigEndian](const unsigned char* t) { return bigEndian ? (t[0] << 8 | t[1]) : (t[0] | t[1] << 8); };
    auto digit = [nul](int u) { return u == '\r' ? 1 : u == '\n' ? 2 : (u == 0 && nul) ? 3 : 0; };
    StartsOut o(starts);
    long long*& out = o.out;
    auto flush = [&] { o.Flush(); };
    const unsigned char* skip = p;
    auto take = [&](const unsigned char* t) {
        int seen = 1 << digit(unit(t));
        const unsigned char* r = t + 2;
        for (int k = 0; k < 2; k++) {
            int d = digit(unit(r));
            if (d == 0 || (seen & (1 << d)))
                break;
            seen |= 1 << d;
            r += 2;
        }
        *out++ = base + (r - p);
        skip = r;
    };
    auto hits = [zero](const unsigned char* at, __m256i a, __m256i b, __m256i nm) {
        return line_hits16(at, a, b, zero, nm);
    };
    const unsigned char* q = p;
    for (; end - q >= 64 + 8; q += 64) {
        if (o.Full())
            flush();
        uint64_t lfm = hits(q, lf, lf, zero) | hits(q + 32, lf, lf, zero) << 32;
        uint64_t other = hits(q, cr, cr, nulmask) | hits(q + 32, cr, cr, nulmask) << 32;
        int next = unit(q + 64);
        bool nextJoins = next == '\r' || (nul && next == 0);
        index_step(lfm, other, (lfm >> 62) & nextJoins, q, skip, base + (q - p) + 2, out, take);
    }
    for (q = std::max(q, skip); end - q >= 2; q += 2) {
        if (q < skip || !digit(unit(q)))
            continue;
        if (end - q < 8) {
            flush();
            return q;
        }
        take(q);
        if (o.Full())
            flush();
    }
    flush();
    return q;
}

bool have_avx2()
{
    static const bool avx2 = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"));
    return avx2;
}

}

const unsigned char* find_line_byte(const unsigned char* p, const unsigned char* end, bool nul)
{
    if (have_avx2())
        return find_line_byte_avx2(p, end, nul);
    // Sixteen bytes at a time: compare with CR, LF and NUL at once.
    const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n'), zero = _mm_setzero_si128();
    const __m128i nulmask = nul ? _mm_set1_epi8(-1) : zero;
    while (end - p >= 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)),
                                   _mm_and_si128(_mm_cmpeq_epi8(v, zero), nulmask));
        int m = _mm_movemask_epi8(hit);
        if (m)
            return p + __builtin_ctz(static_cast<unsigned>(m));
        p += 16;
    }
    for (; p < end; p++)
        if (*p == '\r' || *p == '\n' || (*p == 0 && nul))
            return p;
    return end;
}

const unsigned char* find_line_unit16(const unsigned char* p, const unsigned char* end, bool nul, bool bigEndian)
{
    auto unit = [bigEndian](short u) { return static_cast<short>(bigEndian ? static_cast<unsigned short>(u) << 8 : u); };
    const __m128i cr = _mm_set1_epi16(unit('\r')), lf = _mm_set1_epi16(unit('\n')), zero = _mm_setzero_si128();
    const __m128i nulmask = nul ? _mm_set1_epi8(-1) : zero;
    while (end - p >= 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(v, cr), _mm_cmpeq_epi16(v, lf)),
                                   _mm_and_si128(_mm_cmpeq_epi16(v, zero), nulmask));
        int m = _mm_movemask_epi8(hit);
        if (m)
            return p + __builtin_ctz(static_cast<unsigned>(m));
        p += 16;
    }
    for (; end - p >= 2; p += 2) {
        unsigned u = bigEndian ? (p[0] << 8 | p[1]) : (p[0] | p[1] << 8);
        if (u == '\r' || u == '\n' || (u == 0 && nul))
            return p;
    }
    return p;
}

}

int LineEndChars(TLineEnd end, wchar_t* out)
{
    static const wchar_t chars[4] = {0, L'\r', L'\n', 0};
    int n = 0;
    for (int shift = 0; shift < 6 && ((end >> shift) & 3); shift += 2)
        out[n++] = chars[(end >> shift) & 3];
    return n;
}

CTextFile::CTextFile() : codePage(DefaultTextCodePage()) {}

CTextFile::~CTextFile()
{
    AbortSave();
}

void CTextFile::SetFormat(EFileFormat f)
{
    format = f;
    swapBytes = f == FormatUTF32BE || f == FormatUTF16BE;
}

void CTextFile::SetCodePage(int cp)
{
    codePage = cp == 0 ? DefaultTextCodePage() : cp;
}

int CTextFile::Open(const Westring& name, int flags, int share)
{
    drop_buffer();
    openFlags = flags & ~OpenCreate;
    int rc = StdFile::open(name, flags | OpenRegularOnly, share);
    readPos = 0;
    textStart = 0;
    lineEndStyle = StyleUnknown;
    firstLineEnd = LineEndNone;
    lastLineEnd = LineEndNone;
    nulEndsLine = true;
    hasBOM = false;
    invalidCount = 0;
    invalidLines = 0;
    if (rc != 0)
        return rc;
    SetFormat(DetermineFileFormat());
    return 0;
}

void CTextFile::DiscardBuffers()
{
    RandomFile::DiscardBuffers();
    drop_buffer();
}

void CTextFile::drop_buffer()
{
    rbufLen = 0;
    rbufPos = 0;
}

bool CTextFile::fill(long long pos, const unsigned char*& p, const unsigned char*& end, int want)
{
    long long have = rbufPos + rbufLen - pos;
    if (!(pos >= rbufPos && have > 0 && (have >= 4 || rbufLen < BlockBytes))) {
        if (!rbuf)
            rbuf = std::make_unique_for_overwrite<unsigned char[]>(BlockBytes);
        int n = std::min(want, BlockBytes);
        // A short read means the end of the file; anything else would only
        // cost a second look.
        if (GetBlock(pos, rbuf.get(), n) > 0)
            n = 0;
        rbufPos = pos;
        rbufLen = n;
        have = n;
    }
    p = rbuf.get() + (pos - rbufPos);
    end = rbuf.get() + rbufLen;
    return have > 0;
}

const CCodePageTable& CTextFile::table()
{
    if (cpTableFor != codePage) {
        cpTable = GetCodePageTable(codePage);
        cpTableFor = codePage;
    }
    return cpTable ? *cpTable : RawCodePageTable();
}

EFileFormat CTextFile::DetermineFileFormat()
{
    unsigned char head[4];
    int n = 4;
    if (GetBlock(0, head, n) != 0)
        n = 0;
    static const struct { EFileFormat format; int length; unsigned char bytes[4]; } marks[] = {
        {FormatUTF32LE, 4, {0xFF, 0xFE, 0x00, 0x00}}, {FormatUTF32BE, 4, {0x00, 0x00, 0xFE, 0xFF}},
        {FormatUTF16LE, 2, {0xFF, 0xFE}},             {FormatUTF16BE, 2, {0xFE, 0xFF}},
        {FormatUTF8, 3, {0xEF, 0xBB, 0xBF}},
    };
    for (const auto& m : marks)
        if (n >= m.length && std::memcmp(head, m.bytes, static_cast<size_t>(m.length)) == 0) {
            hasBOM = true;
            textStart = m.length;
            return m.format;
        }
    if (format != FormatDetect)
        return format;

    // Only the first 32 KiB count, however large the file.
    auto data = std::make_unique_for_overwrite<unsigned char[]>(DetectBytes);
    int size = static_cast<int>(DetectBytes);
    if (GetBlock(0, data.get(), size) != 0)
        size = 0;
    bool whole = size < DetectBytes;
    return DetectFormatOfText(data.get(), size, whole);
}

EFileFormat CTextFile::DetectFormatOfText(const unsigned char* p, int size, bool whole)
{
    const unsigned char* end = p + std::max(0, std::min(size, static_cast<int>(DetectBytes)));
    if (size > static_cast<int>(DetectBytes))
        whole = false;
    // UTF-8: a valid multi-byte sequence is evidence, anything that is not
    // ASCII or a valid sequence refutes it. A sequence cut by the 32 KiB
    // limit (not by the end of the file) proves nothing either way.
    bool evidence = false, failure = false;
    for (const unsigned char* q = p; q < end && !failure;) {
        if (*q == 0)
            failure = true;
        else if (*q < 0x80)
            q++;
        else {
            int c;
            bool need = false;
            int k = utf8_sequence(q, end, c, need);
            if (k > 0) {
                evidence = true;
                q += k;
            } else if (need && !whole)
                break;
            else
                failure = true;
        }
    }
    if (evidence && !failure)
        return FormatUTF8;

    // UTF-32: every unit a Unicode value, and a space or line feed seen.
    bool fail32[2] = {}, ok32[2] = {};
    for (const unsigned char* q = p; end - q >= 4 && !(fail32[0] && fail32[1]); q += 4) {
        unsigned v[2] = {q[0] | q[1] << 8 | q[2] << 16 | static_cast<unsigned>(q[3]) << 24,
                         static_cast<unsigned>(q[0]) << 24 | q[1] << 16 | q[2] << 8 | q[3]};
        for (int o = 0; o < 2; o++) {
            if (v[o] >= 0x110000)
                fail32[o] = true;
            else if ((v[o] == 32 || v[o] == 10) && !fail32[o])
                ok32[o] = true;
        }
    }
    if (ok32[0] && !fail32[0])
        return FormatUTF32LE;
    if (ok32[1] && !fail32[1])
        return FormatUTF32BE;

    // UTF-16: every unit plausible, and both a space and a line feed seen.
    bool fail16[2] = {}, space16[2] = {}, lf16[2] = {};
    for (const unsigned char* q = p; end - q >= 2 && !(fail16[0] && fail16[1]); q += 2) {
        unsigned short u[2] = {static_cast<unsigned short>(q[0] | q[1] << 8),
                               static_cast<unsigned short>(q[0] << 8 | q[1])};
        for (int o = 0; o < 2; o++) {
            if (!IsValidUTF16(u[o]))
                fail16[o] = true;
            space16[o] |= u[o] == 0x20;
            lf16[o] |= u[o] == 0x0A;
        }
    }
    if (!fail16[0] && space16[0] && lf16[0])
        return FormatUTF16LE;
    if (!fail16[1] && space16[1] && lf16[1])
        return FormatUTF16BE;
    return failure ? FormatCodePage : FormatUTF8;
}

bool CTextFile::IsValidUTF16(unsigned short u)
{
    static const struct { unsigned short lo, hi; } bad[] = {
        {0x0000, 0x0000}, {0xD7A4, 0xF8FF}, {0x07FB, 0x08FF}, {0x1A20, 0x1AFF}, {0x1C80, 0x1CFF},
        {0x2B55, 0x2BFF}, {0xA698, 0xA6FF}, {0xA78D, 0xA7FA}, {0xA960, 0xA9FF}, {0xAA60, 0xABFF},
    };
    for (const auto& r : bad)
        if (u >= r.lo && u <= r.hi)
            return false;
    return true;
}

bool CTextFile::IsUsableCodePage(int cp)
{
    return GetCodePageTable(cp) != nullptr;
}

Estring CTextFile::GetFormatDesc(EFileFormat f, int cp)
{
    switch (f) {
    case FormatUTF32LE:
    case FormatUTF32BE:
        return "UTF-32";
    case FormatUTF16LE:
    case FormatUTF16BE:
        return "UTF-16";
    case FormatUTF8:
        return "UTF-8";
    case FormatCodePage:
        return esprintf("CP%d", cp);
    default:
        return "";
    }
}

Estring CTextFile::GetFormatDesc() const
{
    return GetFormatDesc(format, codePage);
}

int CTextFile::char_at(long long pos, int& c)
{
    const unsigned char *p, *end;
    if (!fill(pos, p, end))
        return 0;
    bool eof = rbufLen < BlockBytes;
    const wchar_t* cp = format == FormatCodePage ? table().chars : nullptr;
    long long phase = pos - textStart;
    return dispatch(format, [&]<int F>() { return decode<F>(p, end, eof, phase, cp, c); });
}

int CTextFile::char_before(long long pos, int& c)
{
    if (pos <= textStart)
        return 0;
    // Up to four bytes before pos, the oldest first.
    unsigned char b[4];
    int n = static_cast<int>(std::min<long long>(4, pos - textStart));
    for (int i = 0; i < n; i++) {
        int v = GetChar(pos - n + i);
        b[i] = static_cast<unsigned char>(v < 0 ? 0 : v);
    }
    const unsigned char* last = b + n - 1;
    long long phase = pos - textStart;
    switch (format) {
    case FormatUTF8:
        // The one sequence of k bytes that could end here, when it is
        // valid: lead bytes tell their length, so no other k can fit.
        for (int k = 2; k <= n; k++) {
            int v;
            bool need = false;
            if (utf8_sequence(b + n - k, b + n, v, need) == k) {
                c = v;
                return k;
            }
        }
        return decode<FormatUTF8>(last, last + 1, true, 0, nullptr, c);
    case FormatCodePage:
        return decode<FormatCodePage>(last, last + 1, true, 0, table().chars, c);
    case FormatUTF16LE:
    case FormatUTF16BE: {
        // Only raw bytes leave an odd offset behind them.
        if ((phase & 1) || n < 2)
            return raw(last, c);
        int v;
        if (n == 4) {
            int k = format == FormatUTF16LE ? decode<FormatUTF16LE>(b, b + 4, true, 0, nullptr, v)
                                            : decode<FormatUTF16BE>(b, b + 4, true, 0, nullptr, v);
            if (k == 4) {
                c = v;
                return 4;
            }
        }
        int k = format == FormatUTF16LE ? decode<FormatUTF16LE>(b + n - 2, b + n, true, 0, nullptr, v)
                                        : decode<FormatUTF16BE>(b + n - 2, b + n, true, 0, nullptr, v);
        // A lone surrogate came as two raw bytes: this is the second.
        if (k != 2)
            return raw(last, c);
        c = v;
        return 2;
    }
    default: {
        if ((phase & 3) || n < 4)
            return raw(last, c);
        int v;
        int k = format == FormatUTF32LE ? decode<FormatUTF32LE>(b, b + 4, true, 0, nullptr, v)
                                        : decode<FormatUTF32BE>(b, b + 4, true, 0, nullptr, v);
        if (k != 4)
            return raw(last, c);
        c = v;
        return 4;
    }
    }
}

int CTextFile::ReadChar()
{
    if (readPos < textStart)
        readPos = textStart;
    int c;
    int k = char_at(readPos, c);
    if (k == 0)
        return -1;
    readPos += k;
    if (IsRawTextByte(static_cast<wchar_t>(c)))
        invalidCount++;
    return c;
}

int CTextFile::ReadPrevChar()
{
    int c;
    int k = char_before(readPos, c);
    if (k == 0)
        return -1;
    readPos -= k;
    return c;
}

void CTextFile::finish_line(int len, TLineEnd end, bool raw_seen)
{
    line[static_cast<size_t>(len)] = 0;
    lastLineEnd = end;
    if (raw_seen)
        invalidLines++;
    bool has_cr = false, has_lf = false;
    for (int shift = 0; shift < 6; shift += 2) {
        has_cr |= ((end >> shift) & 3) == 1;
        has_lf |= ((end >> shift) & 3) == 2;
    }
    if (lineEndStyle == StyleUnknown && has_lf)
        lineEndStyle = has_cr ? StyleCRLF : StyleLF;
    if (firstLineEnd == LineEndNone && (has_cr || has_lf))
        firstLineEnd = end;
}

const wchar_t* CTextFile::ReadTextLine(int& len, long long max)
{
    len = 0;
    if (format == FormatDetect)
        SetFormat(DetermineFileFormat());
    if (readPos < textStart)
        readPos = textStart;
    const wchar_t* cpchars = format == FormatCodePage ? table().chars : nullptr;
    const bool asciiSame = format == FormatCodePage && table().asciiSame;
    size_t limit = max > 0 ? static_cast<size_t>(max) : static_cast<size_t>(INT32_MAX - 16);
    size_t n = 0;
    long long raws = 0;
    long long pos = readPos;
    bool at_end = false;
    const bool nul = nulEndsLine;
    const bool asciiEnds = format == FormatCodePage && table().asciiLineEnds;
    TLineEnd endcode = 0;
    bool fast_end = false;

    auto collect = [&]<int F>() {
        for (;;) {
            const unsigned char *p, *end;
            if (!fill(pos, p, end)) {
                at_end = true;
                return;
            }
            bool eof = rbufLen < BlockBytes;
            size_t room = std::min(static_cast<size_t>(end - p), limit - n) + 2;
            if (n + room > lineCap) {
                size_t cap = std::max<size_t>(lineCap ? lineCap * 2 : 65536, n + room);
                auto grown = std::make_unique_for_overwrite<wchar_t[]>(cap);
                if (n)
                    std::memcpy(grown.get(), line.get(), n * sizeof(wchar_t));
                line = std::move(grown);
                lineCap = cap;
            }
            wchar_t* out = line.get();
            const unsigned char* start = p;
            size_t stop = std::min(limit, n + static_cast<size_t>(end - p));
            bool ended = false;
            if constexpr (F == FormatUTF8) {
                while (p < end && n < limit) {
                    copy_ascii(p, end, out, n, limit);
                    if (p >= end || n >= limit)
                        break;
                    unsigned b = *p;
                    // Printable ASCII is nearly all there is; nothing else
                    // needs a look.
                    if (b - 0x0E < 0x72) {
                        out[n++] = static_cast<wchar_t>(b);
                        p++;
                        continue;
                    }
                    int c;
                    int k = decode<F>(p, end, eof, 0, nullptr, c);
                    if (k == 0)
                        break;
                    if (line_end_digit(c, nul)) {
                        ended = true;
                        break;
                    }
                    raws += IsRawTextByte(static_cast<wchar_t>(c));
                    out[n++] = static_cast<wchar_t>(c);
                    p += k;
                }
            } else if constexpr (F == FormatCodePage) {
                while (n < stop) {
                    if (asciiSame) {
                        copy_ascii(p, end, out, n, stop);
                        if (n >= stop)
                            break;
                    }
                    wchar_t c = cpchars[*p];
                    if (static_cast<unsigned>(c) < 0x0E && line_end_digit(c, nul)) {
                        ended = true;
                        break;
                    }
                    raws += IsRawTextByte(c);
                    out[n++] = c;
                    p++;
                }
            } else {
                long long base = pos - textStart;
                while (n < stop && p < end) {
                    if constexpr (F == FormatUTF16LE) {
                        if (((base + (p - start)) & 1) == 0) {
                            copy_units16(p, end, out, n, stop);
                            if (n >= stop || p >= end)
                                break;
                        }
                    }
                    int c;
                    int k = decode<F>(p, end, eof, base + (p - start), nullptr, c);
                    if (k == 0)
                        break;
                    if (line_end_digit(c, nul)) {
                        ended = true;
                        break;
                    }
                    raws += IsRawTextByte(static_cast<wchar_t>(c));
                    out[n++] = static_cast<wchar_t>(c);
                    p += k;
                }
            }
            // The usual line end, whole inside the block, is taken here
            // rather than a character at a time below.
            if (ended && (F == FormatUTF8 || (F == FormatCodePage && asciiEnds)) && end - p >= 4) {
                int seen = 0, shift = 0;
                while (shift < 6) {
                    int d = line_end_digit(*p, nul);
                    if (d == 0 || (seen & (1 << d)))
                        break;
                    seen |= 1 << d;
                    endcode = static_cast<TLineEnd>(endcode | d << shift);
                    shift += 2;
                    p++;
                }
                fast_end = true;
            }
            pos += p - start;
            if (ended || n >= limit)
                return;
        }
    };
    dispatch(format, collect);

    // The line end: at most one CR, one LF and one NUL, in any order. It is
    // taken after a cut too, so a line of exactly max characters is one
    // piece.
    int shift = 0, seen = 0;
    while (!fast_end && shift < 6) {
        int c;
        int k = char_at(pos, c);
        if (k == 0)
            break;
        int d = line_end_digit(c, nul);
        if (d == 0 || (seen & (1 << d)))
            break;
        seen |= 1 << d;
        endcode = static_cast<TLineEnd>(endcode | d << shift);
        shift += 2;
        pos += k;
    }
    if (n == 0 && endcode == 0 && at_end) {
        readPos = pos;
        if (lineEndStyle == StyleUnknown)
            lineEndStyle = StyleLF;
        lastLineEnd = LineEndNone;
        return nullptr;
    }
    if (lineCap == 0) {
        line = std::make_unique_for_overwrite<wchar_t[]>(65536);
        lineCap = 65536;
    }
    readPos = pos;
    invalidCount += raws;
    len = static_cast<int>(n);
    finish_line(len, endcode, raws > 0);
    return line.get();
}

int CTextFile::IndexLines(std::vector<long long>& starts, const std::atomic<bool>* cancel)
{
    starts.clear();
    if (format == FormatDetect)
        SetFormat(DetermineFileFormat());
    const bool nul = nulEndsLine;
    long long pos = textStart;
    const unsigned char *p, *end;
    if (!fill(pos, p, end))
        return 0;
    starts.push_back(pos);
    // Room for as many lines as the first block suggests, and some: growing
    // a vector of millions by doubling copies it over and over.
    {
        long long lines = 1;
        for (const unsigned char* q = p; (q = find_line_byte(q, end, nul)) < end; q++)
            lines++;
        long long estimate = KnownSize() / std::max<long long>(1, (end - p) / lines) * 9 / 8;
        starts.reserve(static_cast<size_t>(std::min({estimate, KnownSize() / 32, 1LL << 26})));
        advise_huge_pages(starts);
    }

    // After a line end character at pos: the rest of the line end, then
    // the next line's start if there is one.
    auto take_end = [&](int first_digit, int k) {
        int seen = 1 << first_digit;
        pos += k;
        for (int i = 0; i < 2; i++) {
            int c;
            int kk = char_at(pos, c);
            int d = kk ? line_end_digit(c, nul) : 0;
            if (d == 0 || (seen & (1 << d)))
                break;
            seen |= 1 << d;
            pos += kk;
        }
        const unsigned char *q, *e;
        if (fill(pos, q, e))
            starts.push_back(pos);
    };

    bool bytes = format == FormatUTF8 || (format == FormatCodePage && table().asciiLineEnds);
    bool units16 = format == FormatUTF16LE || format == FormatUTF16BE;
    long long blocks = 0;
    while (fill(pos, p, end)) {
        if (cancel && (++blocks & 15) == 0 && cancel->load(std::memory_order_relaxed))
            return -1;
        if (bytes && have_avx2()) {
            const unsigned char* q = nul ? index_block_avx2<true>(p, end, pos, starts)
                                         : index_block_avx2<false>(p, end, pos, starts);
            pos += q - p;
            if (q < end)
                take_end(line_end_digit(*q, nul), 1);
        } else if (bytes) {
            // Line ends inside the block are taken here; one near its end
            // (which may go on in the next block) the slow way.
            const unsigned char* q = find_line_byte(p, end, nul);
            while (end - q >= 4) {
                int seen = 1 << line_end_digit(*q, nul);
                const unsigned char* r = q + 1;
                for (int k = 0; k < 2; k++) {
                    int d = line_end_digit(*r, nul);
                    if (d == 0 || (seen & (1 << d)))
                        break;
                    seen |= 1 << d;
                    r++;
                }
                starts.push_back(pos + (r - p));
                q = find_line_byte(r, end, nul);
            }
            pos += q - p;
            if (q < end)
                take_end(line_end_digit(*q, nul), 1);
        } else if (units16 && have_avx2() && !((pos - textStart) & 1) && end - p >= 2) {
            const unsigned char* q = index_block16_avx2(p, end, pos, nul, format == FormatUTF16BE, starts);
            pos += q - p;
            int c;
            if (end - q >= 2) {
                (void)char_at(pos, c);
                take_end(line_end_digit(c, nul), 2);
            } else if (q < end)
                pos += std::max(1, char_at(pos, c));
        } else if (units16 && !((pos - textStart) & 1) && end - p >= 2) {
            const unsigned char* q = find_line_unit16(p, end, nul, format == FormatUTF16BE);
            pos += q - p;
            if (end - q >= 2) {
                int c;
                (void)char_at(pos, c);
                take_end(line_end_digit(c, nul), 2);
            } else if (q < end) {
                // A last odd byte, or half a unit before the next block.
                int c;
                pos += std::max(1, char_at(pos, c));
            }
        } else {
            // Other formats, and the odd offsets raw bytes leave: a
            // character at a time, to the end of what is at hand.
            long long stop = rbufPos + rbufLen;
            while (pos < stop) {
                int c;
                int k = char_at(pos, c);
                if (k == 0)
                    break;
                int d = line_end_digit(c, nul);
                if (d) {
                    take_end(d, k);
                    break;
                }
                pos += k;
                if (units16 && !((pos - textStart) & 1))
                    break;
            }
        }
    }
    return 0;
}

long long CTextFile::LineStartBefore(long long pos, int lines, long long limit)
{
    int unit = format == FormatUTF16LE || format == FormatUTF16BE ? 2
             : format == FormatUTF32LE || format == FormatUTF32BE ? 4
                                                                  : 1;
    if (format == FormatDetect || (format == FormatCodePage && !table().asciiLineEnds))
        return -1;
    long long lo = std::max(textStart, pos - limit);
    // The line feed of the line just above ends it: the count starts
    // before it.
    long long at = pos - unit;
    if (at < lo)
        return pos <= textStart ? textStart : -1;
    constexpr int Chunk = 65536;
    auto buf = std::make_unique_for_overwrite<unsigned char[]>(Chunk);
    int found = 0;
    // The lowest offset whose unit is not looked at yet, from the top.
    long long top = at;
    while (top > lo) {
        long long from = std::max(lo, top - Chunk);
        // Units stay aligned to the text start.
        if (long long mis = (from - textStart) % unit)
            from += unit - mis;
        int n = static_cast<int>(top - from);
        if (n <= 0 || GetBlock(from, buf.get(), n) != 0)
            break;
        for (long long q = top - unit; q >= from; q -= unit) {
            const unsigned char* u = buf.get() + (q - from);
            bool lf = unit == 1   ? u[0] == '\n'
                    : unit == 2   ? (format == FormatUTF16LE ? u[0] == '\n' && u[1] == 0 : u[0] == 0 && u[1] == '\n')
                    : format == FormatUTF32LE ? u[0] == '\n' && !u[1] && !u[2] && !u[3]
                                              : !u[0] && !u[1] && !u[2] && u[3] == '\n';
            if (lf && ++found == lines)
                return q + unit;
        }
        top = from;
    }
    return lo <= textStart ? textStart : -1;
}

long long CTextFile::boundary_before(long long pos)
{
    if (pos <= textStart)
        return textStart;
    switch (format) {
    case FormatUTF8: {
        // A byte that is no continuation byte starts a character; so does
        // a continuation byte that no valid sequence from up to three
        // bytes before covers (a stray one, kept raw).
        int b0 = GetChar(pos);
        if (b0 < 0 || (b0 & 0xC0) != 0x80)
            return pos;
        for (int k = 1; k <= 3 && pos - k >= textStart; k++) {
            int b = GetChar(pos - k);
            if ((b & 0xC0) == 0x80)
                continue;
            unsigned char t[4];
            int m = 0;
            for (; m < 4; m++) {
                int v = GetChar(pos - k + m);
                if (v < 0)
                    break;
                t[m] = static_cast<unsigned char>(v);
            }
            int c;
            bool need = false;
            return utf8_sequence(t, t + m, c, need) > k ? pos - k : pos;
        }
        return pos;
    }
    case FormatUTF16LE:
    case FormatUTF16BE: {
        // Aligned to a unit; one back more when that unit is the second
        // half of a pair.
        long long q = pos - ((pos - textStart) & 1);
        auto unit = [&](long long at) {
            int a = GetChar(at), b = GetChar(at + 1);
            if (a < 0 || b < 0)
                return -1;
            return format == FormatUTF16LE ? (a | b << 8) : (a << 8 | b);
        };
        if (q - 2 >= textStart) {
            int lo = unit(q), hi = unit(q - 2);
            if (hi >= 0xD800 && hi <= 0xDBFF && lo >= 0xDC00 && lo <= 0xDFFF)
                return q - 2;
        }
        return q;
    }
    case FormatUTF32LE:
    case FormatUTF32BE:
        return pos - ((pos - textStart) & 3);
    default:
        return pos;
    }
}

void CTextFile::decode_range(long long from, long long to, size_t extra, std::vector<wchar_t>& chars,
                             std::vector<long long>& offs)
{
    chars.clear();
    offs.clear();
    const wchar_t* cpchars = format == FormatCodePage ? table().chars : nullptr;
    long long pos = from;
    size_t more = extra;
    dispatch(format, [&]<int F>() {
        for (;;) {
            const unsigned char *p, *end;
            if (!fill(pos, p, end))
                return;
            bool eof = rbufLen < BlockBytes;
            const unsigned char* start = p;
            long long base = pos - textStart;
            bool finished = false;
            while (p < end) {
                if (pos + (p - start) >= to) {
                    if (more == 0) {
                        finished = true;
                        break;
                    }
                    more--;
                }
                int c;
                int k = decode<F>(p, end, eof, base + (p - start), cpchars, c);
                if (k == 0)
                    break;
                chars.push_back(static_cast<wchar_t>(c));
                offs.push_back(pos + (p - start));
                p += k;
            }
            pos += p - start;
            if (finished)
                return;
        }
    });
}

long long CTextFile::Search(const Westring& text, long long start, bool caseSensitive, bool wholeWord, bool reverse)
{
    if (format == FormatDetect) {
        SetFormat(DetermineFileFormat());
        if (format == FormatDetect)
            return -1;
    }
    int m = text.strlen();
    if (m == 0)
        return -2;
    std::vector<wchar_t> pat(text.c_str(), text.c_str() + m);
    if (!caseSensitive)
        for (auto& c : pat)
            c = CUnicodeCaseFold::toupper(c);

    long long size = KnownSize();
    if (start < 0)
        start = reverse ? std::max(size, textStart) : textStart;
    start = std::max(start, textStart);

    auto before_is_word = [&](long long at) {
        int c;
        return char_before(at, c) > 0 && iswordchar(static_cast<wchar_t>(c));
    };
    std::vector<wchar_t> chars;
    std::vector<long long> offs;
    // The match at index i of the decoded window, its end offset (from the
    // offset of the character after it) and whether it stands alone.
    auto matches_at = [&](size_t i) {
        for (int j = 0; j < m; j++) {
            wchar_t c = chars[i + static_cast<size_t>(j)];
            if (!caseSensitive)
                c = CUnicodeCaseFold::toupper(c);
            if (c != pat[static_cast<size_t>(j)])
                return false;
        }
        return true;
    };
    auto match_end = [&](size_t i) {
        size_t after = i + static_cast<size_t>(m);
        if (after < offs.size())
            return offs[after];
        int c;
        long long last = offs[after - 1];
        return last + char_at(last, c);
    };
    auto whole_word_ok = [&](size_t i) {
        if (!wholeWord)
            return true;
        if (before_is_word(offs[i]))
            return false;
        int c;
        long long e = match_end(i);
        return !(char_at(e, c) > 0 && iswordchar(static_cast<wchar_t>(c)));
    };

    constexpr long long Window = 256 * 1024;
    if (!reverse) {
        long long pos = boundary_before(start);
        for (;;) {
            decode_range(pos, pos + Window, static_cast<size_t>(m - 1), chars, offs);
            if (chars.empty())
                return -2;
            size_t primary = 0;
            while (primary < offs.size() && offs[primary] < pos + Window)
                primary++;
            for (size_t i = 0; i < primary && i + static_cast<size_t>(m) <= chars.size(); i++)
                if (offs[i] >= start && matches_at(i) && whole_word_ok(i))
                    return offs[i];
            if (primary == offs.size())
                return -2;
            pos = offs[primary];
        }
    }
    long long limit = start;
    long long hi = start;
    while (hi > textStart) {
        long long lo = boundary_before(std::max(textStart, hi - Window));
        if (lo >= hi)
            lo = boundary_before(hi - 1);
        decode_range(lo, hi, static_cast<size_t>(m - 1), chars, offs);
        size_t primary = 0;
        while (primary < offs.size() && offs[primary] < hi)
            primary++;
        for (size_t i = primary; i-- > 0;)
            if (i + static_cast<size_t>(m) <= chars.size() && matches_at(i) && match_end(i) <= limit &&
                whole_word_ok(i))
                return offs[i];
        hi = lo;
    }
    return -2;
}
