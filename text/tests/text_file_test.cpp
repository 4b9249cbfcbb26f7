#include "text/text_file.h"

#include "text_test_util.h"

#include <gtest/gtest.h>

#include <atomic>
#include <random>

using namespace std::string_literals;

namespace {

constexpr int R = RawByteBase;

std::string ascii(size_t n)
{
    std::string s;
    for (size_t i = 0; i < n; i++)
        s += (i % 64 == 63) ? '\n' : static_cast<char>('a' + i % 26);
    return s;
}

}

TEST(TextFile, DetectsFormats)
{
    const struct { std::string bytes; EFileFormat format; bool bom; long long start; } rows[] = {
        {"\xFF\xFE"s, FormatUTF16LE, true, 2},  // a mark and no text
        {"\xFF\xFE\0\0"s, FormatUTF32LE, true, 4},  // UTF-32's mark is looked for first
        {"\0\0\xFE\xFF"s, FormatUTF32BE, true, 4},
        {"\xFE\xFF\0a"s, FormatUTF16BE, true, 2},
        {"\xEF\xBB\xBFx"s, FormatUTF8, true, 3},
        {"caf\xE9 au lait\n"s, FormatCodePage, false, 0},  // Latin-1
        {"a\0 \0b\0\n\0"s, FormatUTF16LE, false, 0},
        {"\0a\0 \0b\0\n"s, FormatUTF16BE, false, 0},
        {"a\0 \0\0\0\n\0"s, FormatCodePage, false, 0},  // a NUL character: not UTF-16
        {"\0\0\0a\0\0\0 \0\0\0\n"s, FormatUTF32BE, false, 0},
        {"a\0\0\0 \0\0\0\n\0\0\0"s, FormatUTF32LE, false, 0},
        {""s, FormatUTF8, false, 0},
        {"plain ascii\n"s, FormatUTF8, false, 0},
        {"caf\xC3\xA9\n"s, FormatUTF8, false, 0},
        {"\xC0\x80"s, FormatCodePage, false, 0},  // over-long: no evidence for UTF-8
        {ascii(40960) + "caf\xE9 au lait\n", FormatUTF8, false, 0},  // only 32 KiB are looked at
        {ascii(32767) + "\xC3\xA9", FormatUTF8, false, 0},  // cut by the limit, not by the end
    };
    for (const auto& r : rows) {
        MemFile m(r.bytes);
        CTextFile f;
        ASSERT_EQ(f.Open(m.path), 0);
        EXPECT_EQ(f.GetFormat(), r.format) << hex(r.bytes.substr(0, 16));
        EXPECT_EQ(f.HasBOM(), r.bom) << hex(r.bytes.substr(0, 16));
        EXPECT_EQ(f.TextStart(), r.start) << hex(r.bytes.substr(0, 16));
    }
}

TEST(TextFile, ChosenFormatStaysUnlessAMarkSaysOtherwise)
{
    MemFile plain("a\0b\0"s), marked("\xFE\xFF\0a"s);
    CTextFile f;
    f.SetFormat(FormatUTF16LE);
    ASSERT_EQ(f.Open(plain.path), 0);
    EXPECT_EQ(f.GetFormat(), FormatUTF16LE);
    ASSERT_EQ(f.Open(marked.path), 0);
    EXPECT_EQ(f.GetFormat(), FormatUTF16BE);
}

TEST(TextFile, RefusesWhatIsNoRegularFile)
{
    CTextFile f;
    EXPECT_EQ(f.Open(L"/"), EISDIR);
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    // A pipe nobody writes to: a blocking open or read would hang here.
    Westring name = FileNameFromSys(("/proc/self/fd/" + std::to_string(fds[0])).c_str());
    EXPECT_EQ(f.Open(name), EINVAL);
    close(fds[0]);
    close(fds[1]);
}

TEST(TextFile, ReadCharPerFormatWithRawBytes)
{
    const struct { std::string bytes; EFileFormat forced; int cp; std::vector<int> chars; int invalid; } rows[] = {
        {"a\xC3\xA4"s, FormatUTF8, 0, {'a', 0xE4}, 0},
        {"\xF0\x9F\x98\x80!"s, FormatUTF8, 0, {0x1F600, '!'}, 0},
        {"\xC0\x80"s, FormatUTF8, 0, {R + 0xC0, R + 0x80}, 2},  // over-long NUL
        {"\xED\xA0\x80"s, FormatUTF8, 0, {R + 0xED, R + 0xA0, R + 0x80}, 3},  // a surrogate
        {"\xF4\x90\x80\x80"s, FormatUTF8, 0, {R + 0xF4, R + 0x90, R + 0x80, R + 0x80}, 4},  // beyond U+10FFFF
        {"\x80z"s, FormatUTF8, 0, {R + 0x80, 'z'}, 1},  // a stray continuation byte
        {"\xE9 a"s, FormatUTF8, 0, {R + 0xE9, ' ', 'a'}, 1},  // Latin-1 in UTF-8 keeps what follows
        {"a\xE2\x82"s, FormatUTF8, 0, {'a', R + 0xE2, R + 0x82}, 2},  // cut by the end of the file
        {"a\0b"s, FormatUTF8, 0, {'a', 0, 'b'}, 0},
        {"\xFF\xFE" "a\0=\xD8\0\xDE"s, FormatDetect, 0, {'a', 0x1F600}, 0},  // a pair is one character
        {"\xFF\xFE\0\xD8" "a\0"s, FormatDetect, 0, {R + 0x00, R + 0xD8, 'a'}, 2},  // a lone high surrogate
        {"\xFF\xFE\0\xDCz\0"s, FormatDetect, 0, {R + 0x00, R + 0xDC, 'z'}, 2},  // a lone low surrogate
        {"\xFF\xFE" "a\0b"s, FormatDetect, 0, {'a', R + 'b'}, 1},  // a last odd byte
        {"\xFE\xFF\0a\xD8=\xDE\0"s, FormatDetect, 0, {'a', 0x1F600}, 0},
        {"\xFF\xFE\0\0" "a\0\0\0\0\0\x11\0"s, FormatDetect, 0, {'a', R, R, R + 0x11, R}, 4},
        {"\0\0\xFE\xFF\0\0\0a\0\0"s, FormatDetect, 0, {'a', R, R}, 2},  // a partial unit
        {"\x80\x81\xC0"s, FormatCodePage, 1252, {0x20AC, R + 0x81, 0xC0}, 1},
        {"\xC0\xB3"s, FormatCodePage, 1251, {0x0410, 0x0456}, 0},
        {"\xB3\0"s, FormatCodePage, 437, {0x2502, 0}, 0},  // NUL is NUL, never "."
        {"\xC1\xE1"s, FormatCodePage, 20866, {0x0430, 0x0410}, 0},
        {"\xE9\xFF"s, FormatCodePage, 819, {0xE9, 0xFF}, 0},
        {"\xA4\xA8"s, FormatCodePage, 28605, {0x20AC, 0x0161}, 0},  // ISO-8859-15
        {"a\xE9"s, FormatCodePage, 932, {'a', R + 0xE9}, 1},  // unusable: bytes stay raw
    };
    for (const auto& r : rows) {
        MemFile m(r.bytes);
        CTextFile f;
        f.SetFormat(r.forced);
        if (r.cp)
            f.SetCodePage(r.cp);
        ASSERT_EQ(f.Open(m.path), 0);
        std::vector<int> got;
        std::vector<long long> offsets;
        f.SetReadPos(f.TextStart());
        for (int c; offsets.push_back(f.GetReadPos()), (c = f.ReadChar()) >= 0;)
            got.push_back(c);
        EXPECT_EQ(got, r.chars) << hex(r.bytes);
        EXPECT_EQ(f.InvalidCount(), r.invalid) << hex(r.bytes);
        // Backwards: the same characters in reverse, at the same offsets.
        std::vector<int> back;
        for (size_t i = got.size(); i-- > 0;) {
            int c = f.ReadPrevChar();
            EXPECT_EQ(c, got[i]) << hex(r.bytes) << " #" << i;
            EXPECT_EQ(f.GetReadPos(), offsets[i]) << hex(r.bytes) << " #" << i;
        }
        EXPECT_EQ(f.ReadPrevChar(), -1) << hex(r.bytes);
    }
}

TEST(TextFile, LineEnds)
{
    const struct { std::string bytes; std::vector<TLine> lines; int style; bool nulEnds = true; } rows[] = {
        {"a\r\nb"s, {{L"a", LineEndCRLF}, {L"b", 0}}, CTextFile::StyleCRLF},
        {"a\n\rb"s, {{L"a", LineEndLFCR}, {L"b", 0}}, CTextFile::StyleCRLF},
        {"a\r\rb"s, {{L"a", LineEndCR}, {L"", LineEndCR}, {L"b", 0}}, CTextFile::StyleLF},
        {"a\0b"s, {{L"a", 3}, {L"b", 0}}, CTextFile::StyleLF},
        {"a\0b\n"s, {{L"a\0b"s, LineEndLF}}, CTextFile::StyleLF, false},  // NUL a character, when asked
        {"a\r\n\0b"s, {{L"a", 1 | 2 << 2 | 3 << 4}, {L"b", 0}}, CTextFile::StyleCRLF},
        {"a\n\nb\r\n"s, {{L"a", LineEndLF}, {L"", LineEndLF}, {L"b", LineEndCRLF}}, CTextFile::StyleLF},
        {"a\r"s, {{L"a", LineEndCR}}, CTextFile::StyleLF},
        {""s, {}, CTextFile::StyleLF},
        {"\xFF\xFE" "a\0\r\0\n\0b\0"s, {{L"a", LineEndCRLF}, {L"b", 0}}, CTextFile::StyleCRLF},
    };
    for (const auto& r : rows) {
        MemFile m(r.bytes);
        CTextFile f;
        ASSERT_EQ(f.Open(m.path), 0);
        f.SetNulEndsLine(r.nulEnds);
        EXPECT_EQ(read_lines(f), r.lines) << hex(r.bytes);
        EXPECT_EQ(f.GetLineEndStyle(), r.style) << hex(r.bytes);
    }
}

TEST(TextFile, LongLineInPieces)
{
    std::string bytes(2000000, 'x');
    bytes += "\ny";
    MemFile m(bytes);
    CTextFile f;
    ASSERT_EQ(f.Open(m.path), 0);
    auto lines = read_lines(f, 1048576);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].text.size(), 1048576u);
    EXPECT_EQ(lines[0].end, LineEndNone);
    EXPECT_EQ(lines[1].text.size(), 2000000u - 1048576u);
    EXPECT_EQ(lines[1].end, LineEndLF);
    EXPECT_EQ(lines[2].text, L"y");
}

TEST(TextFile, CodePages)
{
    const struct { int cp; bool usable; } rows[] = {
        {437, true}, {850, true}, {866, true}, {1250, true}, {1251, true}, {1252, true}, {819, true},
        {20866, true}, {878, true}, {28592, true}, {28605, true}, {21866, true},
        {932, false},  // Shift-JIS: two bytes a character
        {936, false}, {99999, false}, {-5, false},
    };
    for (const auto& r : rows)
        EXPECT_EQ(CTextFile::IsUsableCodePage(r.cp), r.usable) << r.cp;
    EXPECT_EQ(CTextFile::GetFormatDesc(FormatCodePage, 1251), "CP1251");
    EXPECT_EQ(CTextFile::GetFormatDesc(FormatUTF16BE, 0), "UTF-16");
    EXPECT_EQ(CTextFile::GetFormatDesc(FormatDetect, 0), "");
}

TEST(TextFile, WritesEachFormat)
{
    const std::wstring text = L"a\x20AC\U0001F600";
    const struct { EFileFormat format; bool bom; std::string bytes; } rows[] = {
        {FormatUTF8, false, "a\xE2\x82\xAC\xF0\x9F\x98\x80\n"s},
        {FormatUTF8, true, "\xEF\xBB\xBF" "a\xE2\x82\xAC\xF0\x9F\x98\x80\n"s},
        {FormatUTF16LE, false, "a\0\xAC\x20=\xD8\0\xDE\n\0"s},  // U+1F600 as the pair 3D D8 00 DE
        {FormatUTF16LE, true, "\xFF\xFE" "a\0\xAC\x20=\xD8\0\xDE\n\0"s},
        {FormatUTF16BE, true, "\xFE\xFF\0a\x20\xAC\xD8=\xDE\0\0\n"s},
        {FormatUTF32LE, true, "\xFF\xFE\0\0" "a\0\0\0\xAC\x20\0\0\0\xF6\x01\0\n\0\0\0"s},
        {FormatUTF32BE, false, "\0\0\0a\0\0\x20\xAC\0\x01\xF6\0\0\0\0\n"s},
    };
    for (const auto& r : rows) {
        CTextFile f;
        f.SetFormat(r.format);
        f.SetBOM(r.bom);
        EXPECT_EQ(hex(encode_lines(f, {{text, LineEndLF}})), hex(r.bytes)) << r.format << " " << r.bom;
    }
    // A code page never writes a mark.
    CTextFile f;
    f.SetFormat(FormatCodePage);
    f.SetCodePage(1252);
    f.SetBOM(true);
    EXPECT_EQ(hex(encode_lines(f, {{L"\x20AC" L"a", LineEndCRLF}})), hex("\x80" "a\r\n"s));
}

TEST(TextFile, WritingNeverDropsText)
{
    // Latin-1 has no em dash: the check names it and writing refuses,
    // rather than cut the line after "a".
    std::vector<TUnencodable> bad;
    EXPECT_FALSE(CTextFile::FindUnencodable(L"a\x2014" L"b", 3, 7, FormatCodePage, 819, bad));
    ASSERT_EQ(bad.size(), 1u);
    EXPECT_EQ(bad[0].line, 7);
    EXPECT_EQ(bad[0].column, 1);
    EXPECT_EQ(bad[0].ch, 0x2014);
    EXPECT_TRUE(CTextFile::FindUnencodable(L"a\x2014" L"b", 3, 7, FormatUTF8, 0, bad));
    EXPECT_TRUE(CTextFile::FindUnencodable(L"\xDCE9", 1, 0, FormatCodePage, 819, bad)) << "raw bytes go out as they are";

    CTextFile f;
    f.SetFormat(FormatCodePage);
    f.SetCodePage(819);
    int rc = 0;
    encode_lines(f, {{L"a\x2014" L"b", LineEndLF}}, &rc);
    EXPECT_EQ(rc, EILSEQ);
    f.SetSubstitute(true);
    EXPECT_EQ(encode_lines(f, {{L"a\x2014" L"b", LineEndLF}}, &rc), "a?b\n");
    EXPECT_EQ(rc, 0);
}

TEST(TextFile, NewLinesTakeTheFilesStyle)
{
    const struct { std::string bytes; std::string written; } rows[] = {
        {"x\ry\r"s, "n\r"s},  // CR alone stays CR
        {"x\r\ny\n"s, "n\r\n"s},  // the first line end counts
        {"x"s, "n\n"s},
    };
    for (const auto& r : rows) {
        MemFile m(r.bytes);
        CTextFile f;
        ASSERT_EQ(f.Open(m.path), 0);
        read_lines(f);
        std::vector<unsigned char> out;
        f.BeginSaveToMemory(out);
        ASSERT_EQ(f.WriteStr(L"n", true), 0);
        ASSERT_EQ(f.EndSave(), 0);
        EXPECT_EQ(std::string(out.begin(), out.end()), r.written) << hex(r.bytes);
    }
}

TEST(TextFile, Search)
{
    // The text around a block edge: the windows are 256 KiB.
    std::string filler(262140, '.');
    std::string bytes = "Alpha beta alphabet BETA\n" + filler + "needle" + "\nend alpha";
    long long needle = 25 + 262140;
    const struct { const wchar_t* text; long long start; bool cs, ww, rev; long long found; } rows[] = {
        {L"alpha", 0, false, false, false, 0},
        {L"alpha", 0, true, false, false, 11},
        {L"alpha", 1, false, false, false, 11},
        {L"alpha", 1, false, true, false, needle + 11},  // "alphabet" is no whole word
        {L"beta", 0, true, true, false, 6},
        {L"BETA", 7, true, false, false, 20},
        {L"needle", 0, true, false, false, needle},  // across the window edge
        {L"needle", -1, true, false, true, needle},
        {L"alpha", -1, false, false, true, needle + 11},
        {L"alpha", needle + 15, false, false, true, 11},  // must end before the start
        {L"alpha", 16, false, false, true, 11},
        {L"alpha", 15, false, false, true, 0},
        {L"alpha", 16, false, true, true, 0},
        {L"gamma", 0, false, false, false, -2},
        {L"gamma", -1, false, false, true, -2},
    };
    MemFile m(bytes);
    CTextFile f;
    ASSERT_EQ(f.Open(m.path), 0);
    for (const auto& r : rows)
        EXPECT_EQ(f.Search(r.text, r.start, r.cs, r.ww, r.rev), r.found)
            << Westring(r.text).ToUTF8().c_str() << " from " << r.start << (r.rev ? " back" : "");
}

TEST(TextFile, SearchInUtf16AndCyrillic)
{
    // UTF-16LE with a mark: "x Привет мир\n"
    std::wstring text = L"x \x041F\x0440\x0438\x0432\x0435\x0442 \x043C\x0438\x0440\n";
    std::string bytes = "\xFF\xFE"s;
    for (wchar_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    MemFile m(bytes);
    CTextFile f;
    ASSERT_EQ(f.Open(m.path), 0);
    EXPECT_EQ(f.Search(L"\x043F\x0440\x0438\x0432\x0435\x0442", 0, false, true, false), 2 + 4);
    EXPECT_EQ(f.Search(L"\x043C\x0438\x0440", -1, true, true, true), 2 + 18);
    EXPECT_EQ(f.Search(L"\x0438", 0, true, true, false), -2) << "inside words only";
}

TEST(TextFile, IndexLinesMatchesReadTextLine)
{
    std::vector<std::string> files = {
        "a\r\nb\n\rc\r\rd\0e\r\n\0"s, "no end"s, ""s, "\n"s, "\xFF\xFE" "a\0\n\0\0\xD8\r\0b"s,
        "\xEF\xBB\xBFx\ny"s, "\0\0\xFE\xFF\0\0\0\n\0\0\0a"s, ascii(300000),
    };
    // Long lines first, so that the first block's guess at the count is far
    // too low and the index grows many times; then megabytes of short
    // lines, several to a 64-byte step, with every kind of line end.
    std::mt19937 rng(11);
    std::string& big = files.emplace_back();
    for (int i = 0; i < 100; i++)
        big += std::string(1000, 'x') + "\n";
    const char* const ends[] = {"\n", "\n", "\n", "\r\n", "\r", "\n\r", "\0"};
    while (big.size() < (6u << 20)) {
        big.append(rng() % 24, static_cast<char>('a' + rng() % 26));
        big += ends[rng() % std::size(ends)];
    }
    for (const auto& bytes : files) {
        MemFile m(bytes);
        CTextFile f;
        ASSERT_EQ(f.Open(m.path), 0);
        std::vector<long long> expected;
        int len;
        for (long long at = f.TextStart(); f.ReadTextLine(len); at = f.GetReadPos())
            expected.push_back(at);
        std::vector<long long> starts;
        ASSERT_EQ(f.IndexLines(starts), 0);
        EXPECT_EQ(starts, expected) << hex(bytes.substr(0, 32));
    }
    MemFile m(ascii(10000000));
    CTextFile f;
    ASSERT_EQ(f.Open(m.path), 0);
    std::atomic<bool> cancel{true};
    std::vector<long long> starts;
    EXPECT_EQ(f.IndexLines(starts, &cancel), -1);
}

TEST(TextFile, LineStartBefore)
{
    std::string u16 = "\xFF\xFE"s;
    for (char c : "a\nbb\r\nccc\ndddd\n"s) {
        u16 += c;
        u16 += '\0';
    }
    const struct { std::string bytes; long long pos; int lines; long long limit; long long start; } rows[] = {
        {"a\nbb\r\nccc\ndddd\n"s, 10, 1, 100, 6},
        {"a\nbb\r\nccc\ndddd\n"s, 10, 2, 100, 2},
        {"a\nbb\r\nccc\ndddd\n"s, 10, 3, 100, 0},
        {"a\nbb\r\nccc\ndddd\n"s, 10, 9, 100, 0},   // the text start ends the search
        {"a\nbb\r\nccc\ndddd\n"s, 10, 2, 5, -1},    // not within the limit
        {"a\nbb\r\nccc\ndddd\n"s, 0, 1, 100, 0},
        {u16, 2 + 20, 1, 100, 2 + 12},
        {u16, 2 + 20, 3, 100, 2},
        {u16, 2 + 20, 2, 12, -1},
    };
    for (const auto& r : rows) {
        MemFile m(r.bytes);
        CTextFile f;
        ASSERT_EQ(f.Open(m.path), 0);
        EXPECT_EQ(f.LineStartBefore(r.pos, r.lines, r.limit), r.start) << hex(r.bytes) << " " << r.pos << " " << r.lines;
    }
}
