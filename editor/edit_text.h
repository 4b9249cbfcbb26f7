#ifndef PANNEX_EDITOR_EDIT_TEXT_H
#define PANNEX_EDITOR_EDIT_TEXT_H

#include "text/text_file.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Converts between the editor's wide text and the compact form lines are
// stored in: UTF-8 extended to every value up to U+10FFFF, surrogates
// included, so the raw bytes CTextFile keeps as U+DC00 + byte survive.
namespace edit_utf8 {
// Appends the encoding of n characters to out.
void Encode(const wchar_t* p, size_t n, std::string& out);
// Writes the encoding of n characters to out, which has room for 4 * n
// bytes; returns the bytes written.
size_t Encode(const wchar_t* p, size_t n, char* out);
// Replaces out by the characters of n encoded bytes (trusted: made by
// Encode).
void Decode(const unsigned char* p, size_t n, std::wstring& out);
// Characters in n encoded bytes.
size_t Count(const unsigned char* p, size_t n);
}

// The editor's text: an array of lines, each a run of encoded characters
// in pool blocks with the line end it had in the file (or gets when
// saved). Lines are immutable: changing one stores a new copy, and the old
// bytes stay in their block until Compact or Clear. The array is kept in
// chunks of a few thousand lines, so inserting or removing a line moves at
// most one chunk, however many million lines the text has. Logic thread.
class CEditText
{
public:
    CEditText();
    ~CEditText();
    CEditText(const CEditText&) = delete;
    CEditText& operator=(const CEditText&) = delete;

    int Count() const { return count; }
    // The characters of line i.
    void Get(int i, std::wstring& out) const;
    TLineEnd End(int i) const { return slot(i)->p[0]; }
    // The encoded bytes of line i.
    const unsigned char* Bytes(int i, size_t& n) const
    {
        const LINE* l = slot(i);
        n = l->n;
        return l->p + 1;
    }
    // Replaces line i. 0 or ENOMEM (the line is then unchanged).
    [[nodiscard]] int Set(int i, const wchar_t* p, size_t n, TLineEnd end);
    [[nodiscard]] int SetEnd(int i, TLineEnd end);
    // Replaces line i by n encoded bytes.
    [[nodiscard]] int SetEncoded(int i, const char* p, size_t n, TLineEnd end);
    // Inserts a line before line i (i == Count() appends). 0 or ENOMEM.
    [[nodiscard]] int Insert(int i, const wchar_t* p, size_t n, TLineEnd end);
    // Inserts an already encoded line (loading: no round trip through
    // wide characters).
    [[nodiscard]] int InsertEncoded(int i, const char* p, size_t n, TLineEnd end);
    // Opens room for n empty lines before line i in one move; Set fills
    // them. 0 or ENOMEM.
    [[nodiscard]] int InsertEmpty(int i, int n);
    // Removes lines i .. i + n - 1.
    void Erase(int i, int n);
    // Removes every line and every block.
    void Clear();
    // Copies the live lines into fresh blocks when the dead copies left by
    // changes outweigh them, so that repeated edits of a large text do not
    // grow its memory without end. Returns 0 or ENOMEM (nothing changed).
    [[nodiscard]] int Compact();
    // Bytes held in blocks, and the bytes of the lines in use.
    size_t PoolBytes() const { return poolBytes; }
    size_t LiveBytes() const { return liveBytes; }

private:
    // 12 bytes a line: a text of nine million lines keeps its array small.
#pragma pack(push, 4)
    struct LINE
    {
        const unsigned char* p;  // the line end byte, then the text
        uint32_t n;              // bytes of text
    };
#pragma pack(pop)
    static constexpr int ChunkLines = 4096;
    struct CHUNK
    {
        std::unique_ptr<LINE[]> lines;
        int n = 0;
    };
    // The line i (below Count()).
    LINE* slot(int i) const;
    // The chunk holding line i (i == Count(): the last chunk).
    size_t chunk_of(int i) const;
    // Opens n slots before line i, filled with empty lines; 0 or ENOMEM
    // (nothing changed).
    int open_slots(int i, int n);
    // The first line of every chunk from chunk c on, after a change there.
    void renumber(size_t c);
    // Stores a line end byte and n bytes; null when memory ran out.
    const unsigned char* store(TLineEnd end, const char* p, size_t n);

    std::vector<CHUNK> chunks;
    std::vector<int> starts;
    // The chunk of the last look-up: most go to the same or the next one.
    mutable size_t hint = 0;
    int count = 0;
    std::vector<std::unique_ptr<unsigned char[]>> blocks;
    unsigned char* next = nullptr;
    size_t left = 0;
    size_t poolBytes = 0;
    size_t liveBytes = 0;
    std::string scratch;
    // The bytes of an empty line for each line end value.
    unsigned char empty[64];
};

#endif
