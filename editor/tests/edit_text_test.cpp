#include "editor/edit_text.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

std::string line_of(const CEditText& t, int i)
{
    size_t n;
    const unsigned char* p = t.Bytes(i, n);
    return std::string(reinterpret_cast<const char*>(p), n);
}

void expect_same(const CEditText& t, const std::vector<std::string>& model, int step)
{
    ASSERT_EQ(t.Count(), static_cast<int>(model.size())) << "step " << step;
    for (size_t i = 0; i < model.size(); i++)
        ASSERT_EQ(line_of(t, static_cast<int>(i)), model[i]) << "step " << step << " line " << i;
}

}

// Inserts and removals of single lines and of runs longer than the
// chunks the array is kept in, anywhere, against a plain vector.
TEST(EditText, LinesStayInOrderThroughInsertsAndRemovals)
{
    CEditText t;
    std::vector<std::string> model;
    std::mt19937 rng(1234);
    int serial = 0;
    for (int step = 0; step < 400; step++) {
        unsigned what = rng() % 10;
        int count = static_cast<int>(model.size());
        int at = static_cast<int>(rng() % static_cast<unsigned>(count + 1));
        if (what < 5) {
            std::string s = "line " + std::to_string(serial++);
            ASSERT_EQ(t.InsertEncoded(at, s.data(), s.size(), LineEndLF), 0);
            model.insert(model.begin() + at, s);
        } else if (what < 7) {
            // A run: sometimes more than a chunk holds.
            int n = static_cast<int>(rng() % (step % 3 == 0 ? 9000 : 40)) + 1;
            ASSERT_EQ(t.InsertEmpty(at, n), 0);
            model.insert(model.begin() + at, static_cast<size_t>(n), std::string());
            for (int k = 0; k < n; k += 97) {
                std::string s = "filled " + std::to_string(serial++);
                ASSERT_EQ(t.SetEncoded(at + k, s.data(), s.size(), LineEndLF), 0);
                model[static_cast<size_t>(at + k)] = s;
            }
        } else if (count > 0) {
            int from = static_cast<int>(rng() % static_cast<unsigned>(count));
            int n = static_cast<int>(rng() % static_cast<unsigned>(std::min(count - from, what == 9 ? 12000 : 30))) + 1;
            t.Erase(from, n);
            model.erase(model.begin() + from, model.begin() + from + n);
        }
        expect_same(t, model, step);
    }
    // Everything out and in again.
    t.Erase(0, t.Count());
    EXPECT_EQ(t.Count(), 0);
    ASSERT_EQ(t.InsertEncoded(0, "x", 1, LineEndNone), 0);
    EXPECT_EQ(line_of(t, 0), "x");
    EXPECT_EQ(t.LiveBytes(), 1u);
}

// The stored encoding against a plain reading of UTF-8, on runs of ASCII
// of every length around the sixteen characters taken at once, mixed with
// two-, three- and four-byte characters and the raw-byte surrogates.
TEST(EditText, EncodingTakesAsciiRunsAndEveryOtherValue)
{
    std::mt19937 rng(7);
    const wchar_t others[] = {0x80, 0x7FF, 0x800, 0xDC80, 0xDCFF, 0xFFFF, 0x10000, 0x1F600, 0x10FFFF};
    for (int round = 0; round < 2000; round++) {
        std::wstring w;
        for (int piece = 0; piece < 4; piece++) {
            w.append(rng() % 40, static_cast<wchar_t>(L'a' + rng() % 26));
            if (rng() % 2)
                w += others[rng() % std::size(others)];
        }
        std::string bytes;
        edit_utf8::Encode(w.data(), w.size(), bytes);
        size_t expect = 0;
        for (wchar_t c : w)
            expect += c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
        ASSERT_EQ(bytes.size(), expect) << round;
        std::wstring back;
        edit_utf8::Decode(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), back);
        ASSERT_EQ(back, w) << round;
        ASSERT_EQ(edit_utf8::Count(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()), w.size());
    }
}
