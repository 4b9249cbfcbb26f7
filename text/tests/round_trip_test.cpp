#include "text/text_file.h"

#include "text_test_util.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// Random text files of every kind the loader meets: all six encodings
// with and without a mark, every line-end combination, bytes that do not
// decode and lengths that end in the middle of a unit.
class FileMaker
{
public:
    explicit FileMaker(unsigned seed) : rng(seed) {}

    int pick(int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); }

    std::string make(EFileFormat& format, int& cp)
    {
        static const int pages[] = {437, 850, 866, 1250, 1251, 1252, 819, 20866, 1253};
        format = static_cast<EFileFormat>(pick(6));
        cp = pages[pick(9)];
        std::string out;
        if (pick(2)) {
            static const char* marks[] = {"\xFF\xFE\0\0", "\0\0\xFE\xFF", "\xFF\xFE", "\xFE\xFF", "\xEF\xBB\xBF"};
            static const int lengths[] = {4, 4, 2, 2, 3};
            int m = pick(5);
            out.append(marks[m], static_cast<size_t>(lengths[m]));
        }
        int lines = pick(12);
        for (int l = 0; l < lines; l++) {
            int chars = pick(4) == 0 ? pick(300) : pick(12);
            // Short lines in long runs, so that many line ends share a
            // block of the index's scan.
            if (pick(8) == 0)
                chars = pick(3);
            for (int i = 0; i < chars; i++)
                put(out, format, character());
            static const char* ends[] = {"", "\r", "\n", "\r\n", "\n\r", "", "\r\n"};  // 5 and 7 below
            int e = pick(8);
            if (e == 5)
                put(out, format, 0);
            else if (e == 7) {
                put(out, format, '\r');
                put(out, format, '\n');
                put(out, format, 0);
            } else
                for (const char* p = ends[e]; *p; p++)
                    put(out, format, static_cast<unsigned char>(*p));
        }
        // Garbage and odd lengths.
        int junk = pick(4) == 0 ? pick(6) : 0;
        for (int i = 0; i < junk; i++)
            out.insert(out.begin() + pick(static_cast<int>(out.size()) + 1), static_cast<char>(pick(256)));
        return out;
    }

private:
    unsigned character()
    {
        switch (pick(8)) {
        case 0:
            return 0x80 + static_cast<unsigned>(pick(0x780));
        case 1:
            return 0x800 + static_cast<unsigned>(pick(0xF800));
        case 2:
            return 0x10000 + static_cast<unsigned>(pick(0x100000));
        case 3:
            return static_cast<unsigned>(pick(0x20));
        case 4:
            return 0xD800 + static_cast<unsigned>(pick(0x800));  // a lone surrogate
        default:
            return 0x20 + static_cast<unsigned>(pick(0x5F));
        }
    }

    // Encodes c as the format would, but blindly: surrogates and values
    // that do not belong give exactly the broken bytes a real file has.
    static void put(std::string& out, EFileFormat f, unsigned c)
    {
        switch (f) {
        case FormatUTF8:
            if (c < 0x80)
                out += static_cast<char>(c);
            else if (c < 0x800)
                out += {static_cast<char>(0xC0 | c >> 6), static_cast<char>(0x80 | (c & 0x3F))};
            else if (c < 0x10000)
                out += {static_cast<char>(0xE0 | c >> 12), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                        static_cast<char>(0x80 | (c & 0x3F))};
            else
                out += {static_cast<char>(0xF0 | c >> 18), static_cast<char>(0x80 | ((c >> 12) & 0x3F)),
                        static_cast<char>(0x80 | ((c >> 6) & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
            break;
        case FormatCodePage:
            out += static_cast<char>(c);
            break;
        case FormatUTF16LE:
        case FormatUTF16BE:
            if (c >= 0x10000) {
                put(out, f, 0xD800 + ((c - 0x10000) >> 10));
                put(out, f, 0xDC00 + ((c - 0x10000) & 0x3FF));
            } else if (f == FormatUTF16LE)
                out += {static_cast<char>(c), static_cast<char>(c >> 8)};
            else
                out += {static_cast<char>(c >> 8), static_cast<char>(c)};
            break;
        default:
            if (f == FormatUTF32LE)
                out += {static_cast<char>(c), static_cast<char>(c >> 8), static_cast<char>(c >> 16), 0};
            else
                out += {0, static_cast<char>(c >> 16), static_cast<char>(c >> 8), static_cast<char>(c)};
            break;
        }
    }

    std::mt19937 rng;
};

}

// A text loaded and saved unchanged in the format it was read in gives
// the same bytes back, whatever the bytes were.
TEST(TextRoundTrip, TenThousandRandomFiles)
{
    FileMaker maker(20261207);
    for (int i = 0; i < 10000; i++) {
        EFileFormat format;
        int cp;
        std::string bytes = maker.make(format, cp);
        MemFile m(bytes);
        CTextFile f;
        // Half of them detected, half in the format they were made in.
        if (maker.pick(2))
            f.SetFormat(format);
        f.SetCodePage(cp);
        ASSERT_EQ(f.Open(m.path), 0);
        f.SetNulEndsLine(maker.pick(4) != 0);
        long long max = maker.pick(3) == 0 ? 1 + maker.pick(20) : 0;
        std::vector<long long> seen;
        std::vector<TLine> lines;
        int len;
        for (long long at = f.TextStart(); const wchar_t* l = f.ReadTextLine(len, max); at = f.GetReadPos()) {
            lines.push_back({std::wstring(l, static_cast<size_t>(len)), f.LastLineEnd()});
            seen.push_back(at);
        }
        // The index finds the same line starts without decoding.
        if (max == 0) {
            std::vector<long long> starts;
            ASSERT_EQ(f.IndexLines(starts), 0);
            ASSERT_EQ(starts, seen) << "file " << i << " format " << f.GetFormat();
        }
        int rc;
        std::string saved = encode_lines(f, lines, &rc);
        ASSERT_EQ(rc, 0) << "file " << i;
        ASSERT_EQ(hex(saved), hex(bytes)) << "file " << i << " format " << f.GetFormat() << " cp " << cp
                                          << " max " << max;
    }
}
