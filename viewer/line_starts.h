#ifndef PANNEX_VIEWER_LINE_STARTS_H
#define PANNEX_VIEWER_LINE_STARTS_H

#include <memory>

class CTextFile;

// How the viewer divides a text into the lines it shows, found from the
// line-end bytes alone (nothing is decoded but a character at a cut).
//
// A line ends at CR, LF, CR LF or LF CR, as CTextFile::ReadTextLine reads
// it. A line longer than PieceBytes is shown in pieces, cut at byte
// offsets: at every multiple of PieceBytes from the text start that lies
// at least PieceBytes past the line's start and before its end, moved back
// to the start of the character there. A piece so holds 1 to 2 MiB (the
// last less), and the cuts depend only on the bytes near them and on the
// line's start, which is never more than 2 MiB behind a cut's neighbour:
// stepping backwards finds exactly the pieces stepping forwards found,
// and no step reads more than about 2 MiB, however long the line.
//
// Positions are byte offsets of piece starts. Logic thread, like the file.
class CLineStarts
{
public:
    static constexpr long long PieceBytes = 1 << 20;

    explicit CLineStarts(CTextFile& file);
    ~CLineStarts();
    CLineStarts(const CLineStarts&) = delete;
    CLineStarts& operator=(const CLineStarts&) = delete;

    // Forgets what was read: after the file changed on disk, or its format
    // (the width of units, the code page's line-end bytes) did.
    void Reset();

    // The piece that starts at pos: textEnd gets where its text ends, next
    // where the next piece starts (behind the line end, if the piece has
    // one). False when there is nothing at pos (the end of the data).
    bool Next(long long pos, long long& textEnd, long long& next);
    // The start of the piece before the one at pos (pos may be the end of
    // the data); the text start for the text start itself.
    long long Prev(long long pos);
    // True when pos starts a line rather than continuing a cut one.
    bool IsLineStart(long long pos);
    // From the line start pos, the start of the line n lines on (n >= 0),
    // counting whole lines, not pieces. -1 when the data ends first, with
    // counted holding the lines there were from pos; -2 when the user
    // interrupted (break_requested).
    long long SkipLines(long long pos, long long n, long long& counted);

private:
    struct Reader;
    // The unit at pos: 1 for CR, 2 for LF, 0 for any other character, -1
    // when the data ends before it.
    int kind(long long pos);
    // The first CR or LF unit in [from, to); -1 when none, with dataEnd set
    // when the data ended before to.
    long long find_end(long long from, long long to, long long& dataEnd);
    // The last CR or LF unit in [lo, before); -1 when none.
    long long find_end_back(long long before, long long lo);
    // The cut position for the multiple c: c moved back to the start of
    // the character that covers it.
    long long boundary(long long c);
    // The first multiple of PieceBytes from the text start at or above x.
    long long round_up(long long x) const;
    long long round_down(long long x) const;
    // The start of the piece holding the text unit at x.
    long long piece_holding(long long x);
    // The length of the line end at pos (0 when none: 1 or 2 units).
    long long end_length(long long pos);
    void prepare();

    CTextFile& file;
    std::unique_ptr<Reader> reader;
    // Taken from the file when a call begins.
    long long textStart = 0;
    int unit = 1;
    int crByte = '\r', lfByte = '\n';
    bool bigEndian = false;
    // The last long line met: every unit in [longStart, longEnd) is text of
    // the line that starts at longStart (-1: none known).
    long long longStart = -1, longEnd = -1;
};

#endif
