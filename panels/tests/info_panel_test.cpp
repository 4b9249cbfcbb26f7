#include "panels/info_panel.h"

#include "console/console_test_support.h"
#include "panel_tree.h"
#include "textui/win.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

std::string utf8(const Westring& s)
{
    return s.ToUTF8().c_str();
}

}

TEST(InfoPanel, ArchiveTotals)
{
    const struct { long long size, packed; std::vector<std::string> lines; } rows[] = {
        {1000, 400, {"1,000 total uncompressed", "400 total compressed", "60.0% total compression"}},
        {-1, 400, {"400 total compressed"}},                   // the uncompressed total unknown
        {0, 0, {"0 total uncompressed", "0 total compressed", "0% total compression"}},  // an empty archive
        {3, 2, {"3 total uncompressed", "2 total compressed", "33.3% total compression"}},  // tenths cut, not rounded
        {2, 3, {"2 total uncompressed", "3 total compressed", "-50.0% total compression"}},  // grew when packed
        // The product with 1000 is past 64 bits.
        {10000000000000000LL, 0, {"9,313,225G total uncompressed", "0 total compressed",
                                   "100.0% total compression"}},
        {5000000000LL, 4000000000LL, {"4,882,812K total uncompressed", "3,906,250K total compressed",
                                      "20.0% total compression"}},
    };
    for (const auto& r : rows) {
        INFO_NUMBER_LINE lines[3];
        int n = archive_total_lines(r.size, r.packed, 11, lines);
        std::vector<std::string> got;
        for (int i = 0; i < n; i++)
            got.push_back(utf8(lines[i].number) + utf8(Westring(lines[i].label)));
        EXPECT_EQ(got, r.lines) << r.size << " / " << r.packed;
    }
}

TEST(InfoPanel, FilesUseTheirAllocationUnits)
{
    const struct { std::vector<unsigned long long> sizes; unsigned long block; const char* line; } rows[] = {
        {{}, 4096, "0 files use 0 bytes in"},
        {{1}, 4096, "1 file uses 4,096 bytes in"},          // one file, rounded up to a whole unit
        {{0, 4096, 4097}, 4096, "3 files use 12,288 bytes in"},  // an empty file takes no unit
        {{10, 20}, 0, "2 files use 30 bytes in"},            // no unit known: the sizes as they are
        {{5000000}, 512, "1 file uses 4,883K bytes in"},     // fitted to 7 cells
    };
    for (const auto& r : rows) {
        unsigned long long bytes = 0;
        for (unsigned long long size : r.sizes)
            bytes += allocated_size(size, r.block);
        EXPECT_EQ(utf8(files_use_line(static_cast<int>(r.sizes.size()), bytes)), r.line) << r.sizes.size();
    }
    // No overflow on the way to a whole unit at the top of the range.
    EXPECT_EQ(allocated_size(~0ull - 100, 4096) % 4096, 0u);
}

// Both memory figures are 64-bit products: on a machine with more than
// 4 GiB a 32-bit product would wrap.
TEST(InfoPanel, MemoryIsCountedIn64Bits)
{
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    unsigned long long kib = 0;
    while (meminfo >> key) {
        if (key == "MemTotal:") {
            meminfo >> kib;
            break;
        }
        std::getline(meminfo, key);
    }
    if (kib == 0)
        GTEST_SKIP() << "no MemTotal in /proc/meminfo";
    unsigned long long total = QueryTotalPhysicalMem();
    EXPECT_EQ(total / 1024, kib);
    unsigned long long avail = QueryAvailPhysicalMem();
    EXPECT_GT(avail, 0u);
    EXPECT_LE(avail, total);
}

class DirInfo : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(t.ok());
        panel_test_settings();
        config.TabWidth = 4;
    }
    // ShowDirInfo in a framed window 20 cells wide and 8 high (6 rows
    // inside), from row 1; the rows inside the frame.
    std::vector<std::string> show()
    {
        std::vector<std::string> rows;
        {
            Win win(0, 0, 19, 7, 0x1B, 0x1B, 1);
            ShowDirInfo(&win, t.root(), 1);
            for (int y = 1; y <= 6; y++)
                rows.push_back(screen_text(console, y, 1, 18));
        }
        return rows;
    }

    PanelTree t;
};

TEST_F(DirInfo, LinesFitTheWindow)
{
    // The byte-order mark makes it UTF-8, with one byte that is not.
    t.write("dirinfo", "\xef\xbb\xbf" "a\tb\tc\n"
                       "0123456789abcdefghijklmnop\n"  // longer than the window
                       "caf\xc3\xa9 \xff!\n"           // a byte that is no UTF-8
                       "four\nfive\nsix\n");
    std::vector<std::string> expected = {
        "                  ",
        "     Dir Info     ",
        " a   b   c        ",  // tabs to the next multiple of TabWidth
        " 0123456789abcdefg",  // cut at the frame
        " café \xef\xbf\xbd!          ",
        " four             ",  // the lines that do not fit are not shown
    };
    EXPECT_EQ(show(), expected);
}

TEST_F(DirInfo, OnlyARegularFileIsShown)
{
    const std::vector<std::string> blank(6, std::string(18, ' '));
    EXPECT_EQ(show(), blank) << "no dirinfo";
    ASSERT_EQ(mkfifo(t.sys("dirinfo").c_str(), 0644), 0);
    EXPECT_EQ(show(), blank) << "a FIFO, which must not block";
    ASSERT_EQ(unlink(t.sys("dirinfo").c_str()), 0);
    t.dir("dirinfo");
    EXPECT_EQ(show(), blank) << "a directory";
}

TEST_F(DirInfo, AnEndlessLineDoesNotHoldThePanel)
{
    {
        std::ofstream f(t.sys("dirinfo"));
        f << std::string(8 << 20, 'x') << "\nnext\n";
    }
    std::vector<std::string> rows = show();
    EXPECT_EQ(rows[2], " " + std::string(17, 'x'));
    // Past the budget for passing over a long line, nothing more is read.
    EXPECT_EQ(rows[3], std::string(18, ' '));
}
