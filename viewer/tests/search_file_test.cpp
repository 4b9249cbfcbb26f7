#include "viewer/search_file.h"

#include "console/console.h"
#include "console/key_codes.h"
#include "text/text_file.h"
#include "text/tests/text_test_util.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

long long search_bytes(const std::string& bytes, long long start, const Westring& text, bool reverse, bool cs,
                       bool whole, int cp = 1252)
{
    MemFile m(bytes);
    RandomFile f;
    EXPECT_EQ(f.open(m.path, StdFile::OpenRead), 0);
    return SearchFile(f, start, text, reverse, cs, whole, cp);
}

}

TEST(SearchFile, FindsTheFirstMatchEitherWay)
{
    // CP1252: "é" is E9, "É" is C9.
    const std::string text = "caf\xE9 CAF\xC9 a cat concatenate cat.";
    const struct { long long start; const wchar_t* word; bool reverse, cs, whole; long long at; } rows[] = {
        {0, L"caf\u00e9", false, false, false, 0},
        {1, L"caf\u00e9", false, false, false, 5},     // the capitals fold to it
        {1, L"caf\u00e9", false, true, false, -2},     // not with case
        {1, L"CAF\u00c9", false, true, false, 5},
        {0, L"cat", false, false, true, 12},            // "a cat", not "concat..."
        {13, L"cat", false, false, true, 28},           // past "concatenate"
        {13, L"cat", false, false, false, 19},
        {31, L"cat", true, false, false, 28},           // backward from the last byte
        {30, L"cat", true, false, false, 28},           // the match's last byte at start
        {29, L"cat", true, false, false, 19},
        {29, L"cat", true, false, true, 12},
        {0, L"c", false, true, false, 0},               // at offset 0
        {31, L".", true, true, false, 31},              // the last byte
        {0, L".", false, true, false, 31},
        {0, L"dog", false, false, false, -2},
        {31, L"dog", true, false, false, -2},
        {0, L"\u20ac", false, false, false, -2},        // the euro (80) is not in the text
        {0, L"\u0416", false, false, false, -2},        // no such letter in CP1252
        {0, L"", false, false, false, -1},
    };
    for (const auto& r : rows)
        EXPECT_EQ(search_bytes(text, r.start, r.word, r.reverse, r.cs, r.whole), r.at)
            << Westring(r.word).ToUTF8().c_str() << " from " << r.start << (r.reverse ? " back" : "");
}

TEST(SearchFile, MatchesAcrossBlockEdges)
{
    // A match over the edge of a 16 KiB cache block, and one over the edge
    // of the search's own 1 MiB window, found both ways.
    for (long long edge : {16384LL, 1LL << 20}) {
        std::string bytes(static_cast<size_t>(edge + 100), 'x');
        bytes.replace(static_cast<size_t>(edge - 2), 6, "needle");
        long long size = static_cast<long long>(bytes.size());
        EXPECT_EQ(search_bytes(bytes, 0, L"NEEDLE", false, false, false), edge - 2) << edge;
        EXPECT_EQ(search_bytes(bytes, size, L"needle", true, true, false), edge - 2) << edge;
        EXPECT_EQ(search_bytes(bytes, edge - 1, L"needle", false, true, false), -2) << edge;
    }
}

TEST(SearchFile, EscapeStopsIt)
{
    CConsole::TEvent esc{CConsole::EvKey, KEY_ESC, 0, 0, 0, 0};
    console.Queue().Clear();
    console.Queue().Put(esc);
    std::string bytes(3 << 20, 'a');
    EXPECT_EQ(search_bytes(bytes, 0, L"b", false, false, false), -1);
    EXPECT_EQ(break_status, 0);
    console.Queue().Clear();
}

namespace {

// The text in one of the six formats, with or without a mark, as a save
// writes it.
std::string encode(const std::wstring& text, EFileFormat f, bool bom)
{
    CTextFile w;
    w.SetFormat(f);
    w.SetCodePage(1252);
    w.SetBOM(bom);
    return encode_lines(w, {{text, LineEndNone}});
}

}

TEST(SearchText, GivesWhatTheDecodedSearchGivesInEveryFormat)
{
    // Letters with case partners of other lengths in UTF-8 (s and the long
    // s, i and the dotless i), word characters of other scripts, and a
    // character beyond the BMP; in code page 1252 only what it holds.
    const std::wstring wide = L"aAbsS\u017Fi\u0131I \u00e9\u00c9\u0436\u0416\U0001F600\t\n.-_";
    const std::wstring narrow = L"aAbsSiI \u00e9\u00c9\u00ff\u0178\n.-_";
    const struct { EFileFormat format; bool bom; } formats[] = {
        {FormatUTF32LE, false}, {FormatUTF32LE, true}, {FormatUTF32BE, false}, {FormatUTF32BE, true},
        {FormatUTF16LE, false}, {FormatUTF16LE, true}, {FormatUTF16BE, false}, {FormatUTF16BE, true},
        {FormatUTF8, false},    {FormatUTF8, true},    {FormatCodePage, false},
    };
    std::mt19937 gen(20240611);
    auto next = [&](size_t n) { return static_cast<unsigned>(gen() % n); };
    int compared = 0, found = 0;
    for (const auto& fc : formats) {
        const std::wstring& alphabet = fc.format == FormatCodePage ? narrow : wide;
        for (int round = 0; round < 12; round++) {
            std::wstring text;
            int n = 200 + static_cast<int>(next(3000));
            for (int i = 0; i < n; i++)
                text += alphabet[next(alphabet.size())];
            std::string bytes = encode(text, fc.format, fc.bom);
            // A stray byte now and then, which both searches read as raw.
            if (round % 3 == 2)
                bytes[next(bytes.size())] = '\xFE';
            MemFile m(bytes);
            CTextFile a, b;
            ASSERT_EQ(a.Open(m.path), 0);
            ASSERT_EQ(b.Open(m.path), 0);
            for (CTextFile* f : {&a, &b}) {
                f->SetFormat(fc.format);
                f->SetCodePage(1252);
            }
            for (int q = 0; q < 25; q++) {
                size_t at = next(text.size());
                size_t len = 1 + next(3);
                Westring word(text.substr(at, len).c_str());
                bool cs = next(2), whole = next(3) == 0, rev = next(2);
                long long start = next(4) == 0 ? -1 : static_cast<long long>(next(bytes.size() + 2));
                long long want = a.Search(word, start, cs, whole, rev);
                long long end = -1;
                long long got = SearchText(b, word, start, cs, whole, rev, &end);
                ASSERT_EQ(got, want) << "format " << fc.format << (fc.bom ? " with mark" : "") << " word "
                                     << word.ToUTF8().c_str() << " from " << start << (rev ? " back" : "")
                                     << (cs ? " case" : "") << (whole ? " whole" : "");
                compared++;
                if (got >= 0) {
                    found++;
                    EXPECT_GT(end, got);
                }
            }
        }
    }
    // The rows must have tested matches, not only misses.
    EXPECT_GT(found, compared / 3);
}

TEST(SearchText, RunsThroughLargeFilesAndStopsOnEscape)
{
    std::string bytes(5 << 20, 'a');
    bytes += "Needle\n";
    MemFile m(bytes);
    CTextFile f;
    ASSERT_EQ(f.Open(m.path), 0);
    long long end = -1;
    EXPECT_EQ(SearchText(f, L"nEEDLE", -1, false, false, false, &end), 5 << 20);
    EXPECT_EQ(end, (5 << 20) + 6);
    EXPECT_EQ(SearchText(f, L"Needle", -1, true, false, true), 5 << 20);
    EXPECT_EQ(SearchText(f, L"a", (5 << 20) - 1, true, true, false), -2);

    console.Queue().Clear();
    console.Queue().Put({CConsole::EvKey, KEY_ESC, 0, 0, 0, 0});
    EXPECT_EQ(SearchText(f, L"needle", -1, false, false, false), -1);
    EXPECT_EQ(break_status, 0);
    console.Queue().Clear();
}
