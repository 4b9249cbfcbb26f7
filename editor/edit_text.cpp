#include "editor/edit_text.h"

#include "text/ascii_run.h"

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <cstring>
#include <new>

namespace {

constexpr size_t BlockSize = 1 << 20;
// Lines longer than this get a block of their own.
constexpr size_t OwnBlock = BlockSize / 4;

}

size_t edit_utf8::Encode(const wchar_t* p, size_t n, char* out)
{
    char* o = out;
    size_t i = 0;
    for (;;) {
        // Runs of ASCII sixteen characters at a time: most of most texts.
        size_t run = AsciiRun(p + i, n - i, reinterpret_cast<unsigned char*>(o));
        i += run;
        o += run;
        if (i >= n)
            break;
        // Up to sixteen characters one by one, then the runs again.
        for (size_t stop = std::min(n, i + 16); i < stop; i++) {
            unsigned u = static_cast<unsigned>(p[i]);
            if (u < 0x80)
                *o++ = static_cast<char>(u);
            else if (u < 0x800) {
                *o++ = static_cast<char>(0xC0 | u >> 6);
                *o++ = static_cast<char>(0x80 | (u & 0x3F));
            } else if (u < 0x10000) {
                *o++ = static_cast<char>(0xE0 | u >> 12);
                *o++ = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
                *o++ = static_cast<char>(0x80 | (u & 0x3F));
            } else {
                if (u > 0x10FFFF)
                    u = 0xFFFD;
                *o++ = static_cast<char>(0xF0 | u >> 18);
                *o++ = static_cast<char>(0x80 | ((u >> 12) & 0x3F));
                *o++ = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
                *o++ = static_cast<char>(0x80 | (u & 0x3F));
            }
        }
    }
    return static_cast<size_t>(o - out);
}

void edit_utf8::Encode(const wchar_t* p, size_t n, std::string& out)
{
    size_t at = out.size();
    out.resize(at + n * 4);
    out.resize(at + Encode(p, n, out.data() + at));
}

void edit_utf8::Decode(const unsigned char* p, size_t n, std::wstring& out)
{
    out.resize(n);
    wchar_t* o = out.data();
    const unsigned char* end = p + n;
    while (p < end) {
        unsigned b = *p;
        if (b < 0x80) {
            *o++ = static_cast<wchar_t>(b);
            p++;
            continue;
        }
        int len = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
        if (end - p < len)
            break;
        unsigned v = b & (len == 2 ? 0x1F : len == 3 ? 0x0F : 0x07);
        for (int k = 1; k < len; k++)
            v = v << 6 | (p[k] & 0x3F);
        *o++ = static_cast<wchar_t>(v);
        p += len;
    }
    out.resize(static_cast<size_t>(o - out.data()));
}

size_t edit_utf8::Count(const unsigned char* p, size_t n)
{
    size_t c = 0;
    for (size_t i = 0; i < n; i++)
        c += (p[i] & 0xC0) != 0x80;
    return c;
}

CEditText::CEditText()
{
    for (int i = 0; i < 64; i++)
        empty[i] = static_cast<unsigned char>(i);
}

CEditText::~CEditText() = default;

size_t CEditText::chunk_of(int i) const
{
    assert(!chunks.empty());
    if (hint < chunks.size() && starts[hint] <= i && i < starts[hint] + chunks[hint].n)
        return hint;
    if (hint + 1 < chunks.size() && starts[hint + 1] <= i && i < starts[hint + 1] + chunks[hint + 1].n)
        return ++hint;
    auto it = std::upper_bound(starts.begin(), starts.end(), i);
    hint = static_cast<size_t>(it - starts.begin()) - 1;
    return hint;
}

CEditText::LINE* CEditText::slot(int i) const
{
    assert(i >= 0 && i < count);
    size_t c = chunk_of(i);
    return &chunks[c].lines[static_cast<size_t>(i - starts[c])];
}

void CEditText::renumber(size_t c)
{
    starts.resize(chunks.size());
    int at = c == 0 ? 0 : starts[c - 1] + chunks[c - 1].n;
    for (size_t k = c; k < chunks.size(); k++) {
        starts[k] = at;
        at += chunks[k].n;
    }
}

int CEditText::open_slots(int i, int n)
{
    assert(i >= 0 && i <= count && n > 0);
    if (chunks.empty()) {
        CHUNK first;
        first.lines.reset(new (std::nothrow) LINE[ChunkLines]);
        if (!first.lines)
            return ENOMEM;
        chunks.push_back(std::move(first));
        starts.assign(1, 0);
    }
    size_t c = i == count ? chunks.size() - 1 : chunk_of(i);
    int o = i - starts[c];
    CHUNK& ch = chunks[c];
    // Appending (loading) fills a chunk to three quarters: lines inserted
    // later anywhere find room without a split.
    int limit = i == count ? ChunkLines * 3 / 4 : ChunkLines;
    if (ch.n + n <= limit) {
        // The common case: room in the chunk, one short move.
        std::memmove(&ch.lines[static_cast<size_t>(o + n)], &ch.lines[static_cast<size_t>(o)],
                     static_cast<size_t>(ch.n - o) * sizeof(LINE));
        for (int k = o; k < o + n; k++)
            ch.lines[static_cast<size_t>(k)] = {&empty[0], 0};
        ch.n += n;
        for (size_t k = c + 1; k < chunks.size(); k++)
            starts[k] += n;
        count += n;
        // Loading appends line after line: the next look-up is here.
        hint = c;
        return 0;
    }
    // Split the chunk at the place: its head stays, the new lines and its
    // tail go into fresh chunks behind it.
    int tailCount = ch.n - o;
    int total = n + tailCount;
    size_t more = static_cast<size_t>((total + ChunkLines - 1) / ChunkLines);
    std::vector<CHUNK> fresh(more);
    for (CHUNK& f : fresh) {
        f.lines.reset(new (std::nothrow) LINE[ChunkLines]);
        if (!f.lines)
            return ENOMEM;
    }
    for (int k = 0; k < total; k++) {
        LINE l = k < n ? LINE{&empty[0], 0} : ch.lines[static_cast<size_t>(o + k - n)];
        CHUNK& f = fresh[static_cast<size_t>(k / ChunkLines)];
        f.lines[static_cast<size_t>(k % ChunkLines)] = l;
        f.n++;
    }
    ch.n = o;
    size_t at = c + 1;
    if (o == 0) {
        // Nothing stays in the old chunk: it goes.
        chunks.erase(chunks.begin() + static_cast<long>(c));
        at = c;
    }
    chunks.insert(chunks.begin() + static_cast<long>(at), std::make_move_iterator(fresh.begin()),
                  std::make_move_iterator(fresh.end()));
    count += n;
    renumber(c);
    return 0;
}

const unsigned char* CEditText::store(TLineEnd end, const char* p, size_t n)
{
    if (n == 0)
        return &empty[end & 63];
    size_t need = n + 1;
    unsigned char* at;
    if (need > OwnBlock) {
        auto b = std::unique_ptr<unsigned char[]>(new (std::nothrow) unsigned char[need]);
        if (!b)
            return nullptr;
        at = b.get();
        blocks.push_back(std::move(b));
        poolBytes += need;
    } else {
        if (need > left) {
            auto b = std::unique_ptr<unsigned char[]>(new (std::nothrow) unsigned char[BlockSize]);
            if (!b)
                return nullptr;
            next = b.get();
            left = BlockSize;
            blocks.push_back(std::move(b));
            poolBytes += BlockSize;
        }
        at = next;
        next += need;
        left -= need;
    }
    at[0] = end;
    std::memcpy(at + 1, p, n);
    return at;
}

void CEditText::Get(int i, std::wstring& out) const
{
    const LINE* l = slot(i);
    edit_utf8::Decode(l->p + 1, l->n, out);
}

int CEditText::Set(int i, const wchar_t* p, size_t n, TLineEnd end)
{
    scratch.clear();
    edit_utf8::Encode(p, n, scratch);
    return SetEncoded(i, scratch.data(), scratch.size(), end);
    return 0;
}

int CEditText::SetEncoded(int i, const char* p, size_t n, TLineEnd end)
{
    if (n > UINT32_MAX)
        return ENOMEM;
    const unsigned char* s = store(end, p, n);
    if (!s)
        return ENOMEM;
    LINE* l = slot(i);
    liveBytes -= l->n;
    liveBytes += n;
    *l = {s, static_cast<uint32_t>(n)};
    return 0;
}

int CEditText::SetEnd(int i, TLineEnd end)
{
    LINE* l = slot(i);
    if (l->p[0] == end)
        return 0;
    const unsigned char* s = store(end, reinterpret_cast<const char*>(l->p + 1), l->n);
    if (!s)
        return ENOMEM;
    slot(i)->p = s;
    return 0;
}

int CEditText::Insert(int i, const wchar_t* p, size_t n, TLineEnd end)
{
    scratch.clear();
    edit_utf8::Encode(p, n, scratch);
    std::string bytes;
    bytes.swap(scratch);
    int rc = InsertEncoded(i, bytes.data(), bytes.size(), end);
    bytes.swap(scratch);
    return rc;
}

int CEditText::InsertEncoded(int i, const char* p, size_t n, TLineEnd end)
{
    assert(i >= 0 && i <= count);
    // A line's length is 32 bits; 4 GiB in one line is beyond any editing.
    if (n > UINT32_MAX)
        return ENOMEM;
    const unsigned char* s = store(end, p, n);
    if (!s || open_slots(i, 1) != 0)
        return ENOMEM;
    *slot(i) = {s, static_cast<uint32_t>(n)};
    liveBytes += n;
    return 0;
}

int CEditText::InsertEmpty(int i, int n)
{
    assert(i >= 0 && i <= count && n >= 0);
    return n == 0 ? 0 : open_slots(i, n);
}

void CEditText::Erase(int i, int n)
{
    assert(i >= 0 && n >= 0 && i + n <= count);
    if (n == 0)
        return;
    size_t c = chunk_of(i);
    size_t first = c;
    int left = n;
    int o = i - starts[c];
    while (left > 0) {
        CHUNK& ch = chunks[c];
        int take = std::min(left, ch.n - o);
        for (int k = o; k < o + take; k++)
            liveBytes -= ch.lines[static_cast<size_t>(k)].n;
        std::memmove(&ch.lines[static_cast<size_t>(o)], &ch.lines[static_cast<size_t>(o + take)],
                     static_cast<size_t>(ch.n - o - take) * sizeof(LINE));
        ch.n -= take;
        left -= take;
        c++;
        o = 0;
    }
    count -= n;
    // Chunks left empty go; the rest keep their room.
    size_t kept = first;
    for (size_t k = first; k < chunks.size(); k++)
        if (chunks[k].n > 0 || (k == first && chunks.size() == 1)) {
            if (kept != k)
                chunks[kept] = std::move(chunks[k]);
            kept++;
        }
    chunks.resize(kept);
    if (chunks.empty())
        starts.clear();
    else
        renumber(first < chunks.size() ? first : chunks.size() - 1);
    hint = 0;
}

void CEditText::Clear()
{
    count = 0;
    chunks.clear();
    starts.clear();
    hint = 0;
    blocks.clear();
    next = nullptr;
    left = 0;
    poolBytes = liveBytes = 0;
}

int CEditText::Compact()
{
    if (poolBytes < 2 * liveBytes + 64 * BlockSize)
        return 0;
    std::vector<std::unique_ptr<unsigned char[]>> old;
    old.swap(blocks);
    size_t oldPool = poolBytes;
    unsigned char* oldNext = next;
    size_t oldLeft = left;
    next = nullptr;
    left = 0;
    poolBytes = 0;
    std::vector<const unsigned char*> moved(static_cast<size_t>(count));
    size_t m = 0;
    for (const CHUNK& ch : chunks)
        for (int k = 0; k < ch.n; k++, m++) {
            const LINE& l = ch.lines[static_cast<size_t>(k)];
            moved[m] = store(l.p[0], reinterpret_cast<const char*>(l.p + 1), l.n);
            if (!moved[m]) {
                blocks.swap(old);
                poolBytes = oldPool;
                next = oldNext;
                left = oldLeft;
                return ENOMEM;
            }
        }
    m = 0;
    for (CHUNK& ch : chunks)
        for (int k = 0; k < ch.n; k++, m++)
            ch.lines[static_cast<size_t>(k)].p = moved[m];
    return 0;
}
