#ifndef PANNEX_CONSOLE_CELL_STRING_H
#define PANNEX_CONSOLE_CELL_STRING_H

#include "console/screen_cell.h"
#include "foundation/westring.h"

// A growable row of cells with a default attribute, the one that characters
// added without an attribute of their own (a wchar_t, a Westring, text
// assigned from a C string) take. Not 0-terminated: length() is what counts.
//
// Up to InlineSize cells live inside the object. Replacing the whole content
// allocates exactly what is needed; appending grows to n + n/2 cells, so
// that building a line cell by cell is amortised.
class CellString
{
public:
    static constexpr int InlineSize = 20;

    CellString() = default;
    // Empty, with room for capacity cells.
    explicit CellString(int capacity);
    CellString(const wchar_t* s, unsigned char attr);
    // UTF-8 text, decoded through Westring.
    CellString(const char* s, unsigned char attr);
    CellString(const CellString& o);
    CellString(CellString&& o) noexcept;
    ~CellString();

    CellString& operator=(const CellString& o);
    CellString& operator=(CellString&& o) noexcept;
    // Each byte is a character code, in the default attribute.
    CellString& operator=(const char* s);
    CellString& operator=(const wchar_t* s);

    CellString& operator+=(const CellString& s);
    CellString& operator+=(const Westring& s);
    CellString& operator+=(ScreenCell c);
    CellString& operator+=(wchar_t c);

    int length() const { return len; }
    int capacity() const { return cap; }
    bool empty() const { return len == 0; }
    const ScreenCell* cells() const { return data; }
    ScreenCell* cells() { return data; }
    // Index within 0 .. length() - 1 (asserted).
    ScreenCell& operator[](int i);
    const ScreenCell& operator[](int i) const;
    unsigned char Attr() const { return attr; }
    void SetAttr(unsigned char a) { attr = a; }

    // Replaces the content by n cells.
    void copy(const ScreenCell* s, int n);
    // The first n cells, n clamped to 0 .. length().
    [[nodiscard]] CellString left(int n) const;
    // start clamped to 0 .. length(); a negative n, or one running past the
    // end, takes everything from start.
    [[nodiscard]] CellString mid(int start, int n) const;
    // A copy padded with blanks in the default attribute to n cells; never
    // shortened.
    [[nodiscard]] CellString pad(int n) const;
    // Index of the last cell holding c, or -1.
    int rchr(wchar_t c) const;
    // n cells; a negative n means up to the first 0 cell.
    void Append(const ScreenCell* s, int n);
    // At most n characters in attr; a negative or too large n takes all.
    void Append(const wchar_t* s, unsigned char attr, int n);
    // Grows the buffer if needed (new cells unset) and sets the length.
    void SetLength(int n);

private:
    // Room for n cells before the whole content is replaced; the old
    // content is dropped when the buffer changes.
    void allocate(int n);
    // Room for n cells keeping the content.
    void reallocate(int n);
    void release();

    ScreenCell* data = inline_cells;
    int len = 0;
    int cap = InlineSize;
    unsigned char attr = 0x07;
    ScreenCell inline_cells[InlineSize];
};

CellString operator+(const CellString& a, const CellString& b);
CellString operator+(const CellString& a, const Westring& b);

#endif
