#ifndef PANNEX_FOUNDATION_STRING_BASE_H
#define PANNEX_FOUNDATION_STRING_BASE_H

#include <cassert>
#include <concepts>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <cctype>

// Storage and the operations shared by Estring and Westring: a NUL-terminated
// buffer that lives inline for short texts and on the heap when it grows.
// S is the concrete string class (pieces return an S), Ch its element type.
//
// The text is always terminated and its length is the number of elements
// before the first NUL, so code may write into the buffer directly and the
// string follows.
template <class S, class Ch>
class TStringBase
{
public:
    static constexpr int InlineSize = 21;

    TStringBase() { buf[0] = 0; }
    TStringBase(const Ch* s) { buf[0] = 0; assign(s, s ? length_of(s) : 0); }
    TStringBase(const TStringBase& o) { buf[0] = 0; assign(o.data, o.strlen()); }
    TStringBase(TStringBase&& o) noexcept { take(o); }
    ~TStringBase() { release(); }

    TStringBase& operator=(const TStringBase& o)
    {
        if (this != &o)
            assign(o.data, o.strlen());
        return *this;
    }
    TStringBase& operator=(TStringBase&& o) noexcept
    {
        if (this != &o) {
            release();
            take(o);
        }
        return *this;
    }

    // Number of elements before the terminator.
    int strlen() const { return length_of(data); }
    bool empty() const { return data[0] == 0; }
    const Ch* c_str() const { return data; }
    // Writable buffer of capacity() elements, the terminator included.
    Ch* buffer() { return data; }
    int capacity() const { return cap; }

    // Element access never leaves the buffer: an index at or past the
    // capacity yields the buffer's last element.
    template <std::integral I>
    Ch& operator[](I i)
    {
        return data[index(static_cast<long long>(i))];
    }
    template <std::integral I>
    const Ch& operator[](I i) const
    {
        return data[index(static_cast<long long>(i))];
    }

    // Makes room for n elements before the whole content is overwritten; the
    // old content is lost when the buffer is replaced.
    void allocate(int n)
    {
        if (n < cap)
            return;
        release();
        cap = n + 1;
        data = new Ch[cap];
        data[0] = 0;
    }

    // Makes room for n elements keeping the content; grows by a quarter so
    // that repeated appends are amortised. True when the buffer moved.
    bool reallocate(int n)
    {
        if (n < cap)
            return false;
        int ncap = n + n / 4 + 1;
        Ch* nd = new Ch[ncap];
        std::memcpy(nd, data, sizeof(Ch) * cap);
        release();
        data = nd;
        cap = ncap;
        return true;
    }

    // Replaces the content by exactly n elements of s.
    void copy(const Ch* s, int n)
    {
        assign(s, n);
    }

    S& operator+=(const S& s) { return append(s.data, s.strlen()); }
    S& operator+=(const Ch* s) { return s ? append(s, length_of(s)) : self(); }
    S& operator+=(Ch c)
    {
        if (c == 0)
            return self();
        return append(&c, 1);
    }

    // Pieces: each returns a new string and never reads outside this one.
    [[nodiscard]] S left(int n) const
    {
        int len = strlen();
        if (n < 0)
            n = 0;
        if (n > len)
            n = len;
        return piece(0, n);
    }
    [[nodiscard]] S right(int n) const
    {
        int len = strlen();
        if (n < 0)
            n = 0;
        if (n > len)
            n = len;
        return piece(len - n, n);
    }
    // A count of 0, or one that reaches past the end, takes the rest.
    [[nodiscard]] S mid(int start, int count) const
    {
        int len = strlen();
        if (start < 0)
            start = 0;
        if (start > len)
            start = len;
        if (count <= 0 || count > len - start)
            count = len - start;
        return piece(start, count);
    }
    [[nodiscard]] S chop(int n) const
    {
        int len = strlen();
        if (n >= len)
            return S();
        if (n < 0)
            n = 0;
        return piece(0, len - n);
    }
    // Exactly width elements: cut, or filled on the right with ch.
    [[nodiscard]] S pad(int width, Ch ch) const
    {
        if (width < 0)
            width = 0;
        int len = strlen();
        S r;
        r.allocate(width);
        int n = len < width ? len : width;
        std::memcpy(r.data, data, sizeof(Ch) * n);
        for (int i = n; i < width; i++)
            r.data[i] = ch;
        r.data[width] = 0;
        return r;
    }
    // Exactly width elements: a longer text keeps its last width elements,
    // a shorter one is filled on the left with ch.
    [[nodiscard]] S lpad(int width, Ch ch) const
    {
        if (width < 0)
            width = 0;
        int len = strlen();
        if (len >= width)
            return piece(len - width, width);
        S r;
        r.allocate(width);
        int fill = width - len;
        for (int i = 0; i < fill; i++)
            r.data[i] = ch;
        std::memcpy(r.data + fill, data, sizeof(Ch) * len);
        r.data[width] = 0;
        return r;
    }
    [[nodiscard]] S ltrim() const
    {
        int len = strlen(), i = 0;
        while (i < len && is_space(data[i]))
            i++;
        return piece(i, len - i);
    }
    [[nodiscard]] S rtrim() const
    {
        int len = strlen();
        while (len > 0 && is_space(data[len - 1]))
            len--;
        return piece(0, len);
    }
    [[nodiscard]] S trim() const
    {
        int len = strlen(), i = 0;
        while (i < len && is_space(data[i]))
            i++;
        while (len > i && is_space(data[len - 1]))
            len--;
        return piece(i, len - i);
    }
    // Appends "/" unless the text is empty or already ends with one.
    [[nodiscard]] S AppendBackslash() const
    {
        S r(self());
        int len = strlen();
        if (len > 0 && data[len - 1] != '/')
            r += Ch('/');
        return r;
    }
    // Drops a final "/", except from the two-slash root "//" and three-element
    // texts whose second element is a slash; a lone "/" becomes empty.
    [[nodiscard]] S RemoveBackslash() const
    {
        int len = strlen();
        if (len > 0 && data[len - 1] == '/' && (len >= 4 || len < 2 || data[1] != '/'))
            return piece(0, len - 1);
        return self();
    }

    // Index of the first or last c, or -1; a NUL is never found.
    int chr(Ch c) const
    {
        if (c == 0)
            return -1;
        for (int i = 0; data[i]; i++)
            if (data[i] == c)
                return i;
        return -1;
    }
    int rchr(Ch c) const
    {
        if (c == 0)
            return -1;
        int found = -1;
        for (int i = 0; data[i]; i++)
            if (data[i] == c)
                found = i;
        return found;
    }
    // First c outside quoted stretches; each quote toggles the quoted state
    // and is never itself a match.
    int chrQuote(Ch c, Ch quote = Ch('"')) const
    {
        bool quoted = false;
        for (int i = 0; data[i]; i++) {
            if (data[i] == quote)
                quoted = !quoted;
            else if (!quoted && data[i] == c)
                return i;
        }
        return -1;
    }

protected:
    static int length_of(const Ch* s)
    {
        if constexpr (sizeof(Ch) == 1)
            return static_cast<int>(std::strlen(reinterpret_cast<const char*>(s)));
        else
            return static_cast<int>(std::wcslen(s));
    }
    static bool is_space(Ch c)
    {
        if constexpr (sizeof(Ch) == 1)
            return std::isspace(static_cast<unsigned char>(c)) != 0;
        else
            return std::iswspace(static_cast<wint_t>(c)) != 0;
    }

    // Replaces the content by n elements of s (s may point into this string).
    void assign(const Ch* s, int n)
    {
        if (n < 0)
            n = 0;
        if (n >= cap) {
            assign_new_buffer(s, n);
            return;
        }
        std::memmove(data, s, sizeof(Ch) * n);
        data[n] = 0;
    }

    // Kept out of line: inlined into a caller with a short literal, the
    // compiler would warn about a copy that cannot happen there.
    [[gnu::noinline]] void assign_new_buffer(const Ch* s, int n)
    {
        Ch* nd = new Ch[n + 1];
        std::memcpy(nd, s, sizeof(Ch) * n);
        nd[n] = 0;
        release();
        data = nd;
        cap = n + 1;
    }

    S& append(const Ch* s, int n)
    {
        int len = strlen();
        if (len + n >= cap) {
            // s may point into our own buffer, which reallocate frees.
            if (s >= data && s < data + cap) {
                S tmp;
                tmp.assign(s, n);
                return append(tmp.data, n);
            }
            reallocate(len + n);
        }
        std::memmove(data + len, s, sizeof(Ch) * n);
        data[len + n] = 0;
        return self();
    }

    S piece(int start, int n) const
    {
        S r;
        r.assign(data + start, n);
        return r;
    }

    S& self() { return static_cast<S&>(*this); }
    const S& self() const { return static_cast<const S&>(*this); }

    Ch* data = buf;
    int cap = InlineSize;
    Ch buf[InlineSize];

private:
    int index(long long i) const { return (i >= 0 && i < cap) ? static_cast<int>(i) : cap - 1; }

    void release()
    {
        if (data != buf)
            delete[] data;
        data = buf;
        cap = InlineSize;
    }
    void take(TStringBase& o)
    {
        if (o.data == o.buf) {
            std::memcpy(buf, o.buf, sizeof(buf));
            data = buf;
            cap = InlineSize;
        } else {
            data = o.data;
            cap = o.cap;
            o.data = o.buf;
            o.cap = InlineSize;
            o.buf[0] = 0;
        }
    }
};

#endif
