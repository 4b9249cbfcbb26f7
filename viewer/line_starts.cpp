#include "viewer/line_starts.h"

#include "text/code_page_table.h"
#include "text/text_file.h"
#include "viewer/interrupt.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

constexpr int CR = 1, LF = 2;
// How far back the start of a line is looked for; beyond it a line is
// known to be long enough for its cuts to be found from their multiples.
constexpr long long Reach = 2 * CLineStarts::PieceBytes + 8;

}

// The bytes near the last look, in aligned chunks, so that scanning either
// way reads each chunk once.
struct CLineStarts::Reader
{
    static constexpr int ChunkBytes = 65536;

    explicit Reader(CTextFile& f) : file(f), buf(std::make_unique_for_overwrite<unsigned char[]>(ChunkBytes)) {}

    // Loads the chunk holding pos; false when the data ends at or before it.
    bool Load(long long pos)
    {
        if (pos >= start && pos < start + len)
            return true;
        long long from = pos - pos % ChunkBytes;
        int n = ChunkBytes;
        if (file.GetBlock(from, buf.get(), n) > 0)
            n = 0;
        start = from;
        len = n;
        return pos < start + len;
    }
    int Byte(long long pos) { return pos >= 0 && Load(pos) ? buf[pos - start] : -1; }
    void Forget() { len = 0; }

    CTextFile& file;
    std::unique_ptr<unsigned char[]> buf;
    long long start = 0;
    int len = 0;
};

CLineStarts::CLineStarts(CTextFile& f) : file(f), reader(std::make_unique<Reader>(f)) {}

CLineStarts::~CLineStarts() = default;

void CLineStarts::Reset()
{
    reader->Forget();
    longStart = longEnd = -1;
}

void CLineStarts::prepare()
{
    EFileFormat f = file.GetFormat();
    int u = f == FormatUTF16LE || f == FormatUTF16BE ? 2 : f == FormatUTF32LE || f == FormatUTF32BE ? 4 : 1;
    int cr = '\r', lf = '\n';
    if (f == FormatCodePage) {
        const CCodePageTable* t = GetCodePageTable(file.GetCodePage());
        if (t && !t->asciiLineEnds) {
            // EBCDIC: the bytes that decode to CR and LF.
            cr = lf = -1;
            for (int b = 0; b < 256; b++) {
                if (t->chars[b] == L'\r')
                    cr = b;
                if (t->chars[b] == L'\n')
                    lf = b;
            }
        }
    }
    bool be = f == FormatUTF16BE || f == FormatUTF32BE;
    if (u != unit || cr != crByte || lf != lfByte || be != bigEndian || file.TextStart() != textStart) {
        unit = u;
        crByte = cr;
        lfByte = lf;
        bigEndian = be;
        textStart = file.TextStart();
        longStart = longEnd = -1;
    }
}

int CLineStarts::kind(long long pos)
{
    if (unit == 1) {
        int b = reader->Byte(pos);
        return b < 0 ? -1 : b == crByte ? CR : b == lfByte ? LF : 0;
    }
    unsigned v = 0;
    for (int i = 0; i < unit; i++) {
        int b = reader->Byte(pos + i);
        if (b < 0)
            // A unit cut short by the end is a raw byte, text.
            return i == 0 ? -1 : 0;
        v = bigEndian ? v << 8 | static_cast<unsigned>(b) : v | static_cast<unsigned>(b) << (8 * i);
    }
    return v == '\r' ? CR : v == '\n' ? LF : 0;
}

long long CLineStarts::find_end(long long from, long long to, long long& dataEnd)
{
    dataEnd = -1;
    long long pos = from;
    while (pos < to) {
        if (!reader->Load(pos)) {
            dataEnd = pos;
            return -1;
        }
        long long stop = std::min(to, reader->start + reader->len);
        if (unit == 1) {
            const unsigned char* p = reader->buf.get() + (pos - reader->start);
            size_t n = static_cast<size_t>(stop - pos);
            const void* lf = lfByte >= 0 ? std::memchr(p, lfByte, n) : nullptr;
            const void* cr = crByte >= 0 ? std::memchr(p, crByte, lf ? static_cast<size_t>(static_cast<const unsigned char*>(lf) - p) : n) : nullptr;
            const void* hit = cr ? cr : lf;
            if (hit)
                return pos + (static_cast<const unsigned char*>(hit) - p);
            pos = stop;
        } else {
            for (; pos < stop; pos += unit) {
                int k = kind(pos);
                if (k < 0) {
                    dataEnd = pos;
                    return -1;
                }
                if (k > 0)
                    return pos;
            }
        }
    }
    return -1;
}

long long CLineStarts::find_end_back(long long before, long long lo)
{
    long long pos = before;
    while (pos > lo) {
        if (!reader->Load(pos - 1))
            return -1;
        long long floor = std::max(lo, reader->start);
        if (unit == 1) {
            const unsigned char* base = reader->buf.get() + (floor - reader->start);
            size_t n = static_cast<size_t>(pos - floor);
            const void* lf = lfByte >= 0 ? memrchr(base, lfByte, n) : nullptr;
            const unsigned char* from_lf = lf ? static_cast<const unsigned char*>(lf) + 1 : base;
            const void* cr = crByte >= 0 ? memrchr(from_lf, crByte, n - static_cast<size_t>(from_lf - base)) : nullptr;
            const void* hit = cr ? cr : lf;
            if (hit)
                return floor + (static_cast<const unsigned char*>(hit) - base);
            pos = floor;
        } else {
            // Units stay aligned to the text start: before is a unit's
            // start, and so is every step back from it.
            for (long long q = pos - unit; q >= lo; q -= unit)
                if (kind(q) > 0)
                    return q;
            return -1;
        }
    }
    return -1;
}

long long CLineStarts::round_up(long long x) const
{
    long long r = (x - textStart) % PieceBytes;
    return r ? x + (PieceBytes - r) : x;
}

long long CLineStarts::round_down(long long x) const
{
    return x - (x - textStart) % PieceBytes;
}

long long CLineStarts::boundary(long long c)
{
    EFileFormat f = file.GetFormat();
    if (f == FormatUTF8) {
        int b = reader->Byte(c);
        if (b < 0 || (b & 0xC0) != 0x80)
            return c;
        // The decoder itself says whether the sequence that a lead byte
        // before c starts covers c (a stray continuation byte is a
        // character of its own).
        for (int k = 1; k <= 3 && c - k >= textStart; k++) {
            int lead = reader->Byte(c - k);
            if ((lead & 0xC0) == 0x80)
                continue;
            file.SetReadPos(c - k);
            (void)file.ReadChar();
            return file.GetReadPos() > c ? c - k : c;
        }
        return c;
    }
    if ((f == FormatUTF16LE || f == FormatUTF16BE) && c - 2 >= textStart) {
        // The second half of a surrogate pair.
        file.SetReadPos(c - 2);
        (void)file.ReadChar();
        return file.GetReadPos() > c ? c - 2 : c;
    }
    return c;
}

bool CLineStarts::IsLineStart(long long pos)
{
    prepare();
    return pos <= textStart || kind(pos - unit) > 0;
}

long long CLineStarts::end_length(long long pos)
{
    int first = kind(pos);
    if (first <= 0)
        return 0;
    int second = kind(pos + unit);
    return second > 0 && second != first ? 2 * unit : unit;
}

bool CLineStarts::Next(long long pos, long long& textEnd, long long& next)
{
    prepare();
    pos = std::max(pos, textStart);
    if (kind(pos) < 0)
        return false;
    bool lineStart = IsLineStart(pos);
    // The multiple a cut would be at: the first one a piece's length past
    // the line's start, or the one after this cut.
    long long cut = lineStart ? round_up(pos + PieceBytes) : round_up(pos) + PieceBytes;
    long long dataEnd;
    // The unit at the multiple itself is looked at too: a line that ends
    // exactly there is not cut.
    long long end = find_end(pos, cut + unit, dataEnd);
    if (end >= 0) {
        textEnd = end;
        next = end + end_length(end);
        return true;
    }
    if (dataEnd >= 0) {
        textEnd = next = dataEnd;
    } else {
        textEnd = next = boundary(cut);
    }
    // Remember the long line, so that stepping back through it needs no
    // search for its start.
    if (lineStart) {
        longStart = pos;
        longEnd = textEnd;
    } else if (longStart >= 0 && pos >= longStart && pos <= longEnd) {
        longEnd = std::max(longEnd, textEnd);
    }
    return true;
}

long long CLineStarts::piece_holding(long long x)
{
    long long lineStart = -1;
    if (longStart >= 0 && x >= longStart && x < longEnd) {
        lineStart = longStart;
    } else {
        long long lo = std::max(textStart, x - Reach);
        // Everything after the last line-end unit before x is text of the
        // line that holds x.
        long long e = find_end_back(x, lo);
        if (e >= 0)
            lineStart = e + unit;
        else if (lo == textStart)
            lineStart = textStart;
    }
    if (lineStart < 0) {
        // The line began more than Reach before x, so every multiple near
        // x is a cut.
        long long c = round_down(x) + PieceBytes;
        long long b = boundary(c);
        return b <= x ? b : boundary(round_down(x));
    }
    if (x - lineStart >= PieceBytes) {
        longStart = lineStart;
        longEnd = std::max(longEnd, x + unit);
    }
    long long start = lineStart;
    for (long long c = round_up(lineStart + PieceBytes);; c += PieceBytes) {
        long long b = boundary(c);
        if (b > x)
            break;
        start = b;
    }
    return start;
}

long long CLineStarts::Prev(long long pos)
{
    prepare();
    if (pos <= textStart)
        return textStart;
    int before = kind(pos - unit);
    if (before <= 0) {
        // Inside a line: pos is a cut, or the end of a last line without a
        // line end (or of the data in the middle of a unit).
        return piece_holding(pos - unit);
    }
    // pos starts a line: find how the run of line-end units before it
    // pairs up. A pair is two different units, so the pairing is known
    // after two equal ones; otherwise it starts where the run starts.
    long long run = pos - unit;
    while (run - unit >= textStart && pos - run < Reach) {
        int k = kind(run - unit);
        if (k <= 0 || k == kind(run))
            break;
        run -= unit;
    }
    long long last = run;
    for (long long at = run; at < pos;) {
        last = at;
        at += end_length(at) > unit && at + unit < pos ? 2 * unit : unit;
    }
    bool runStartsLine = run <= textStart || kind(run - unit) > 0;
    if (last > run || runStartsLine)
        // An empty line: it starts where its line end does.
        return last;
    return piece_holding(run - unit);
}

long long CLineStarts::SkipLines(long long pos, long long n, long long& counted)
{
    prepare();
    counted = 0;
    pos = std::max(pos, textStart);
    // Lines are looked for a stretch at a time, so that Escape is seen
    // within a few milliseconds in lines of any length.
    constexpr long long Stretch = 4 << 20;
    long long line = pos;
    long long polled = pos;
    while (counted < n) {
        if (pos - polled >= PieceBytes) {
            polled = pos;
            if (break_requested())
                return -2;
        }
        long long dataEnd;
        long long end = find_end(pos, pos + Stretch, dataEnd);
        if (end < 0) {
            if (dataEnd < 0) {
                pos += Stretch;
                continue;
            }
            // The last line, without a line end, counts when it holds text.
            if (dataEnd > line)
                counted++;
            return -1;
        }
        counted++;
        pos = line = end + end_length(end);
    }
    return kind(pos) < 0 ? -1 : pos;
}
