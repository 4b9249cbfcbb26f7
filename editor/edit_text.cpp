#include "editor/edit_text.h"

#include <cassert>
#include <cerrno>
#include <cstring>
#include <new>
#include <sys/mman.h>

namespace {

constexpr size_t BlockSize = 1 << 20;
// Lines longer than this get a block of their own.
constexpr size_t OwnBlock = BlockSize / 4;

}

void edit_utf8::Encode(const wchar_t* p, size_t n, std::string& out)
{
    size_t at = out.size();
    out.resize(at + n * 4);
    char* o = out.data() + at;
    for (size_t i = 0; i < n; i++) {
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
    out.resize(static_cast<size_t>(o - out.data()));
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

CEditText::~CEditText()
{
    if (lines)
        munmap(lines, capBytes);
}

int CEditText::reserve(int more)
{
    size_t need = (static_cast<size_t>(count) + static_cast<size_t>(more)) * sizeof(LINE);
    if (need <= capBytes)
        return 0;
    size_t cap = capBytes ? capBytes : 1 << 16;
    while (cap < need)
        cap *= 2;
    void* m = lines ? mremap(lines, capBytes, cap, MREMAP_MAYMOVE)
                    : mmap(nullptr, cap, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (m == MAP_FAILED)
        return ENOMEM;
    lines = static_cast<LINE*>(m);
    capBytes = cap;
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
    assert(i >= 0 && i < count);
    edit_utf8::Decode(lines[i].p + 1, lines[i].n, out);
}

int CEditText::Set(int i, const wchar_t* p, size_t n, TLineEnd end)
{
    assert(i >= 0 && i < count);
    scratch.clear();
    edit_utf8::Encode(p, n, scratch);
    const unsigned char* s = store(end, scratch.data(), scratch.size());
    if (!s)
        return ENOMEM;
    liveBytes -= lines[i].n;
    liveBytes += scratch.size();
    lines[i] = {s, static_cast<uint32_t>(scratch.size())};
    return 0;
}

int CEditText::SetEncoded(int i, const char* p, size_t n, TLineEnd end)
{
    assert(i >= 0 && i < count);
    if (n > UINT32_MAX)
        return ENOMEM;
    const unsigned char* s = store(end, p, n);
    if (!s)
        return ENOMEM;
    liveBytes -= lines[i].n;
    liveBytes += n;
    lines[i] = {s, static_cast<uint32_t>(n)};
    return 0;
}

int CEditText::SetEnd(int i, TLineEnd end)
{
    assert(i >= 0 && i < count);
    if (lines[i].p[0] == end)
        return 0;
    const unsigned char* s = store(end, reinterpret_cast<const char*>(lines[i].p + 1), lines[i].n);
    if (!s)
        return ENOMEM;
    lines[i].p = s;
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
    if (n > UINT32_MAX || reserve(1) != 0)
        return ENOMEM;
    const unsigned char* s = store(end, p, n);
    if (!s)
        return ENOMEM;
    if (i < count)
        std::memmove(lines + i + 1, lines + i, static_cast<size_t>(count - i) * sizeof(LINE));
    lines[i] = {s, static_cast<uint32_t>(n)};
    count++;
    liveBytes += n;
    return 0;
}

int CEditText::InsertEmpty(int i, int n)
{
    assert(i >= 0 && i <= count && n >= 0);
    if (n == 0)
        return 0;
    if (reserve(n) != 0)
        return ENOMEM;
    if (i < count)
        std::memmove(lines + i + n, lines + i, static_cast<size_t>(count - i) * sizeof(LINE));
    for (int k = i; k < i + n; k++)
        lines[k] = {&empty[0], 0};
    count += n;
    return 0;
}

void CEditText::Erase(int i, int n)
{
    assert(i >= 0 && n >= 0 && i + n <= count);
    for (int k = i; k < i + n; k++)
        liveBytes -= lines[k].n;
    std::memmove(lines + i, lines + i + n, static_cast<size_t>(count - i - n) * sizeof(LINE));
    count -= n;
}

void CEditText::Clear()
{
    count = 0;
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
    for (int i = 0; i < count; i++) {
        moved[static_cast<size_t>(i)] = store(lines[i].p[0], reinterpret_cast<const char*>(lines[i].p + 1), lines[i].n);
        if (!moved[static_cast<size_t>(i)]) {
            blocks.swap(old);
            poolBytes = oldPool;
            next = oldNext;
            left = oldLeft;
            return ENOMEM;
        }
    }
    for (int i = 0; i < count; i++)
        lines[i].p = moved[static_cast<size_t>(i)];
    return 0;
}
