#include "viewer/line_starts.h"

#include "console/console.h"
#include "console/key_codes.h"
#include "text/text_file.h"
#include "text/tests/text_test_util.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Every piece start from the text start forwards.
std::vector<long long> forward(CLineStarts& ls, long long from)
{
    std::vector<long long> starts;
    long long pos = from, textEnd, next;
    while (ls.Next(pos, textEnd, next)) {
        starts.push_back(pos);
        if (next <= pos)
            break;
        pos = next;
    }
    starts.push_back(pos);
    return starts;
}

// The same found backwards from the end: each step from where the last
// one arrived, the line-start memory forgotten when asked.
std::vector<long long> backward(CLineStarts& ls, long long end, long long textStart, bool forget)
{
    std::vector<long long> starts{end};
    long long pos = end;
    while (pos > textStart) {
        if (forget)
            ls.Reset();
        long long prev = ls.Prev(pos);
        if (prev >= pos)
            break;
        starts.insert(starts.begin(), prev);
        pos = prev;
    }
    return starts;
}

// Where ReadTextLine starts its lines, and where the data ends.
std::vector<long long> read_starts(CTextFile& f)
{
    std::vector<long long> starts;
    f.SetReadPos(f.TextStart());
    int len;
    long long at = f.GetReadPos();
    while (f.ReadTextLine(len)) {
        starts.push_back(at);
        at = f.GetReadPos();
    }
    starts.push_back(at);
    return starts;
}

std::string utf16(const std::string& ascii)
{
    std::string out = "\xFF\xFE";
    for (char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

}

TEST(LineStarts, LinesEndAsTheLineReaderEndsThem)
{
    const char* texts[] = {
        "a\r\nb\r\n", "a\n\rb", "a\r\rb\r\r", "\n\n\n", "\r\n\r\n\r\n", "\n\r\n\r", "a\0b\nc\0\0",
        "", "x", "abc\r", "\r\n\n\r\r\nq\n\r\r\n", "tail without end",
    };
    for (size_t t = 0; t < sizeof texts / sizeof *texts; t++) {
        std::string ascii(texts[t], t == 6 ? 9 : std::char_traits<char>::length(texts[t]));
        for (bool wide : {false, true}) {
            MemFile m(wide ? utf16(ascii) : ascii);
            CTextFile f;
            ASSERT_EQ(f.Open(m.path), 0);
            f.SetNulEndsLine(false);
            if (!wide)
                f.SetFormat(FormatUTF8);
            CLineStarts ls(f);
            std::vector<long long> want = read_starts(f);
            EXPECT_EQ(forward(ls, f.TextStart()), want) << t << (wide ? " UTF-16" : "");
            for (bool forget : {false, true})
                EXPECT_EQ(backward(ls, want.back(), f.TextStart(), forget), want) << t << (wide ? " UTF-16" : "");
        }
    }
}

TEST(LineStarts, ALongLineIsCutAlikeBothWays)
{
    constexpr long long M = CLineStarts::PieceBytes;
    // 3 MiB and more in one line of three-byte characters with a short line
    // before it, so that multiples fall inside characters; the same in
    // UTF-16 with surrogate pairs; and one line ending a unit after a
    // multiple.
    std::string head = "short\n";
    std::string utf8 = head;
    while (static_cast<long long>(utf8.size()) < 3 * M + 5000)
        utf8 += "ab\xE2\x82\xAC";
    utf8 += "\nlast";
    std::string utf16le = "\xFF\xFE";
    while (static_cast<long long>(utf16le.size()) < 3 * M + 5000)
        utf16le += std::string("a\0\x3D\xD8\x00\xDE", 6);
    std::string exact(static_cast<size_t>(2 * M), 'z');
    exact += "\nq";
    for (const std::string* bytes : {&utf8, &utf16le, &exact}) {
        MemFile m(*bytes);
        CTextFile f;
        ASSERT_EQ(f.Open(m.path), 0);
        f.SetNulEndsLine(false);
        CLineStarts ls(f);
        std::vector<long long> fwd = forward(ls, f.TextStart());
        long long end = fwd.back();
        EXPECT_EQ(end, static_cast<long long>(bytes->size()));
        for (bool forget : {false, true})
            EXPECT_EQ(backward(ls, end, f.TextStart(), forget), fwd) << bytes->size() << (forget ? " forgetting" : "");
        for (size_t i = 1; i + 1 < fwd.size(); i++) {
            long long piece = fwd[i + 1] - fwd[i];
            // Pieces of a long line hold 1 to 2 MiB but the last, and every
            // cut lies between two characters.
            EXPECT_LT(piece, 2 * M) << i;
            if (fwd[i + 1] < end && !ls.IsLineStart(fwd[i + 1])) {
                EXPECT_GE(piece, M - 4) << i;
                f.SetReadPos(fwd[i + 1]);
                int c = f.ReadChar();
                EXPECT_FALSE(c >= 0xDC00 && c <= 0xDFFF) << "cut inside a character at " << fwd[i + 1];
            }
        }
    }
}

TEST(LineStarts, SkipLinesCountsWholeLines)
{
    std::string text = "one\r\ntwo\n\nfour";
    MemFile m(text);
    CTextFile f;
    ASSERT_EQ(f.Open(m.path), 0);
    f.SetNulEndsLine(false);
    CLineStarts ls(f);
    const struct { long long n; long long at; long long counted; } rows[] = {
        {0, 0, 0}, {1, 5, 1}, {2, 9, 2}, {3, 10, 3}, {4, -1, 4}, {100, -1, 4},
    };
    for (const auto& r : rows) {
        long long counted = -5;
        EXPECT_EQ(ls.SkipLines(0, r.n, counted), r.at) << r.n;
        EXPECT_EQ(counted, r.counted) << r.n;
    }
    std::string ended = "a\nb\n";
    MemFile m2(ended);
    CTextFile g;
    ASSERT_EQ(g.Open(m2.path), 0);
    CLineStarts ls2(g);
    long long counted;
    EXPECT_EQ(ls2.SkipLines(0, 2, counted), -1);
    EXPECT_EQ(counted, 2);

    // Escape stops a count through a long file.
    std::string many(8 << 20, '\n');
    MemFile m3(many);
    CTextFile h;
    ASSERT_EQ(h.Open(m3.path), 0);
    CLineStarts ls3(h);
    console.Queue().Clear();
    console.Queue().Put({CConsole::EvKey, KEY_ESC, 0, 0, 0, 0});
    EXPECT_EQ(ls3.SkipLines(0, 1LL << 40, counted), -2);
    console.Queue().Clear();
}
