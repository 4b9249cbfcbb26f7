#include "archive/archive.h"
#include "config/config.h"
#include "config/ini_file.h"
#include "console/console_test_support.h"
#include "console/key_codes.h"
#include "panels/panel.h"
#include "panels/tests/panel_tree.h"
#include "tests/screen/px_screen.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace {

constexpr int F(int n)
{
    return KEY_F1 + n - 1;
}
constexpr int ShiftF(int n)
{
    return KEY_SHIFT_F1 + n - 1;
}

constexpr time_t March5 = 1709647620;  // 2024-03-05 14:07 UTC

using Rows = std::vector<std::string>;

bool have(const char* program)
{
    return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

// src (left panel) holds a.txt, b.txt, docs/report.txt and t.zip made of
// them; dst (right panel) is empty. Times are UTC and the scratch
// directory's random part is masked, so rows read the same everywhere.
class ArchiveScreen : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setenv("TZ", "UTC", 1);
        tzset();
        if (!have("zip") || !have("gzip") || !have("bzip2"))
            GTEST_SKIP() << "zip, gzip and bzip2 make the archives";
        ASSERT_TRUE(t.ok());
        t.dir("src");
        t.dir("dst");
        t.file("src/a.txt", 1000, March5);
        t.file("src/b.txt", 2000, March5);
        t.dir("src/docs", March5);
        t.file("src/docs/report.txt", 12345, March5);
        t.stamp("src/docs", March5);
        sh("cd src && zip -q -r -X t.zip a.txt b.txt docs && touch -d @1709647620 t.zip");
    }
    void sh(const std::string& command)
    {
        ASSERT_EQ(std::system(("cd '" + t.path + "' && " + command + " >/dev/null 2>&1").c_str()), 0) << command;
    }
    PX_RUN run(std::vector<ScreenStep> steps, const char* left = "src", const char* right = "dst",
               std::function<void()> settings = {})
    {
        std::string l = t.sys(left), r = t.sys(right);
        return run_px({"-l", l.c_str(), "-r", r.c_str()}, std::move(steps), std::move(settings));
    }
    std::string at(int y, int x = 0, int w = 80) const
    {
        std::string s = screen_text(console, y, x, w);
        size_t p;
        while ((p = s.find(t.path)) != std::string::npos)
            s.replace(p, t.path.size(), "/tmp/pxfileops.XXXXXX");
        return s;
    }
    std::function<void()> keep(Rows& rows, int y1, int y2, int x = 0, int w = 80)
    {
        return [this, &rows, y1, y2, x, w] {
            rows.clear();
            for (int y = y1; y <= y2; y++)
                rows.push_back(at(y, x, w));
        };
    }
    // The message box around the row showing text: its frame's rows.
    std::function<void()> keep_box(Rows& rows, const std::string& text)
    {
        return [this, &rows, text] {
            rows.clear();
            int y = screen_row_of(text);
            if (y < 0) {
                rows.push_back("(no \"" + text + "\" on the screen)");
                return;
            }
            int top = y, bottom = y;
            while (top > 0 && at(top).find("╔") == std::string::npos)
                top--;
            while (bottom < 24 && at(bottom).find("╚") == std::string::npos)
                bottom++;
            size_t x = at(top).find("╔");
            int col = static_cast<int>(Westring(at(top).substr(0, x).c_str()).strlen());
            std::string last = at(top);
            int right = static_cast<int>(Westring(last.substr(0, last.rfind("╗")).c_str()).strlen());
            for (int r = top; r <= bottom; r++)
                rows.push_back(at(r, col, right - col + 1));
        };
    }
    PanelTree t{"/tmp"};
};

// Keys that reach t.zip (the last entry of src) and enter it.
const std::vector<int> into_zip = {KEY_END, KEY_CTRL_PGDN};

}

TEST_F(ArchiveScreen, ZipRootAndSubdirectoryInFullDetail)
{
    Rows root, sub;
    std::string active, inactive;
    run({KEYS(into_zip), CHECK(keep(root, 0, 5, 0, 40)), CHECK([&] { active = screen_attr_hex(console, 0, 0, 40); }),
         KEYS({KEY_DOWN, KEY_RETURN}), CHECK(keep(sub, 0, 3, 0, 40)), KEYS({KEY_TAB}),
         CHECK([&] { inactive = screen_attr_hex(console, 0, 0, 40); })});
    EXPECT_EQ(root, (Rows{
        "╔══ /tmp/pxfileops.XXXXXX/src/t.zip ═══╗",
        "║..           │►UP-DIR◄│        │      ║",
        "║docs         │►SUBDIR◄│03/05/24│ 2:07p║",
        "║a.txt        │    1000│03/05/24│ 2:07p║",
        "║b.txt        │    2000│03/05/24│ 2:07p║",
        "║             │        │        │      ║",
    }));
    EXPECT_EQ(sub, (Rows{
        "╔ /tmp/pxfileops.XXXXXX/src/t.zip/docs ╗",
        "║..           │►UP-DIR◄│        │      ║",
        "║report.txt   │   12345│03/05/24│ 2:07p║",
        "║             │        │        │      ║",
    }));
    // The title in the tagged colours: highlighted while active.
    EXPECT_EQ(active, "1b1b1b" + [] { std::string s; for (int i = 0; i < 33; i++) s += "3e"; return s; }() + "1b1b1b1b");
    EXPECT_EQ(inactive, "1b" + [] { std::string s; for (int i = 0; i < 38; i++) s += "1e"; return s; }() + "1b");
}

// Ctrl+Q and F3 on a directory of an archive sum its members' stored
// sizes, deeper directories included, from the listing alone.
TEST_F(ArchiveScreen, DirectorySizesInAnArchive)
{
    sh("mkdir -p src/docs/deep && head -c 655 /dev/zero > src/docs/deep/more.bin && cd src && zip -q -r -X u.zip docs");
    Rows ctrlq, f3;
    run({KEYS({KEY_END, KEY_CTRL_PGDN, KEY_DOWN, KEY_CTRL_A + 'Q' - 'A'}), CHECK(keep(ctrlq, 2, 2, 0, 40)),
         KEYS({KEY_CTRL_A + 'R' - 'A', KEY_F1 + 2}), CHECK(keep(f3, 2, 2, 0, 40))});
    ASSERT_EQ(ctrlq.size(), 1u);
    ASSERT_EQ(f3.size(), 1u);
    EXPECT_EQ(ctrlq[0].substr(0, 30), "║docs         │   13000│");
    EXPECT_EQ(f3[0].substr(0, 30), "║docs         │   13000│");
}

TEST_F(ArchiveScreen, SingleFileNestedAndDamaged)
{
    sh("cd src && echo compressed > c.txt && bzip2 c.txt && tar -cf t.tar a.txt && gzip -n t.tar && mv t.tar.gz t.tgz");
    sh("cp '" ARCHIVE_TEST_DATA "/rar4_bad_name.rar' src/bad.rar");
    Rows bz2, nested, damaged;
    // ".." docs a.txt b.txt bad.rar c.txt.bz2 t.tgz t.zip
    run({KEYS({KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_CTRL_PGDN}), CHECK(keep(bz2, 0, 2, 0, 40)),
         KEYS({KEY_CTRL_BACKSLASH, KEY_DOWN, KEY_RETURN, KEY_DOWN, KEY_CTRL_PGDN}), CHECK(keep(nested, 0, 2, 0, 40)),
         KEYS({KEY_CTRL_BACKSLASH, KEY_UP, KEY_UP, KEY_CTRL_PGDN}), CHECK(keep_box(damaged, "RAR")),
         KEYS({KEY_ESC})});
    // A bzip2 member's size and time are unknown: blank.
    EXPECT_EQ(bz2, (Rows{
        "╔ /tmp/pxfileops.XXXXXX/src/c.txt.bz2 ═╗",
        "║..           │►UP-DIR◄│        │      ║",
        "║c.txt        │        │        │      ║",
    }));
    // The tar inside the tgz: the title joins them with one slash (its
    // start is shortened, so only the end is compared).
    ASSERT_EQ(nested.size(), 3u);
    EXPECT_NE(nested[0].find("/src/t.tgz/t.tar ╗"), std::string::npos) << nested[0];
    EXPECT_EQ(nested[2], "║a.txt        │    1000│03/05/24│ 2:07p║");
    EXPECT_EQ(damaged, (Rows{
        "╔════════════════════════════════════╗",
        "║        Error in RAR header         ║",
        "║ /tmp/pxfileops.XXXXXX/src/bad.rar  ║",
        "║               [ OK ]               ║",
        "╚════════════════════════════════════╝",
    }));
}

TEST_F(ArchiveScreen, ExtractAndCompressDialogs)
{
    Rows one, several, move, compress;
    // In t.zip: ".." docs a.txt b.txt.
    run({KEYS(into_zip), KEYS({KEY_DOWN, KEY_DOWN, F(5)}), CHECK(keep(one, 9, 15, 2, 76)), KEYS({KEY_ESC}),
         KEYS({KEY_INS, KEY_INS, F(5)}), CHECK(keep(several, 9, 10, 2, 76)), KEYS({KEY_ESC}),
         KEYS({F(6)}), CHECK(keep(move, 9, 10, 2, 76)), KEYS({KEY_ESC})});
    // The right panel in the zip, F5 on a.txt in src.
    run({KEYS({KEY_TAB}), KEYS(into_zip), KEYS({KEY_TAB, KEY_DOWN, KEY_DOWN, F(5)}), CHECK(keep(compress, 9, 15, 2, 76)),
         KEYS({KEY_ESC})},
        "src", "src");
    EXPECT_EQ(one, (Rows{
        "╔══════════════════════════════════════════════════════════════════════════╗",
        "║ Extract \"a.txt\" to                                                       ║",
        "║                                                                          ║",
        "║ /tmp/pxfileops.XXXXXX/dst/                                              ↓║",
        "║                                                                          ║",
        "║                     [ OK ]  [ Cancel ]  [ F10-Tree ]                     ║",
        "╚══════════════════════════════════════════════════════════════════════════╝",
    }));
    EXPECT_EQ(several[1], "║ Extract 2 files to                                                       ║");
    EXPECT_EQ(move[1], "║ Extract and Move 2 files to                                              ║");
    // Adding proposes the archive itself.
    EXPECT_EQ(compress, (Rows{
        "╔══════════════════════════════════════════════════════════════════════════╗",
        "║ Compress \"a.txt\" to                                                      ║",
        "║                                                                          ║",
        "║ /tmp/pxfileops.XXXXXX/src/t.zip                                         ↓║",
        "║                                                                          ║",
        "║                     [ OK ]  [ Cancel ]  [ F10-Tree ]                     ║",
        "╚══════════════════════════════════════════════════════════════════════════╝",
    }));
}

TEST_F(ArchiveScreen, CompressFilesWithEachType)
{
    Rows dialog;
    std::vector<Rows> types(ArchTypeCount);
    const int accelerators[ArchTypeCount] = {KEY_ALT_Z, KEY_ALT_R, KEY_ALT_L, KEY_ALT_A, KEY_ALT_C,
                                             KEY_ALT_H, KEY_ALT_G, KEY_ALT_T, KEY_ALT_1 + 6, KEY_ALT_B};
    std::vector<ScreenStep> steps = {KEYS({KEY_DOWN, KEY_DOWN, ShiftF(7)}), CHECK(keep(dialog, 6, 12, 5, 70))};
    for (int t = ArchTypeCount - 1; t >= 0; t--) {
        steps.push_back(KEYS({accelerators[t]}));
        steps.push_back(CHECK(keep(types[t], 7, 11, 54, 16)));
    }
    steps.push_back(KEYS({KEY_ESC}));
    run(steps);
    EXPECT_EQ(dialog, (Rows{
        "╔══════════════════════════ Compress Files ══════════════════════════╗",
        "║ Archive Name:                                  (•) ZIP   ( ) HA    ║",
        "║ /tmp/pxfileops.XXXXXX/dst/a                 ↓  ( ) RAR   ( ) GZIP  ║",
        "║                                                ( ) LHARC ( ) TAR   ║",
        "║            [ OK ]  [ Cancel ]                  ( ) ARJ   ( ) 7ZIP  ║",
        "║                                                ( ) ACE   ( ) BZIP2 ║",
        "╚════════════════════════════════════════════════════════════════════╝",
    }));
    // Each accelerator marks its own type and no other.
    for (int t = 0; t < ArchTypeCount; t++) {
        ASSERT_EQ(types[t].size(), 5u);
        static const char* const left[5] = {" ZIP   ", " RAR   ", " LHARC ", " ARJ   ", " ACE   "};
        static const char* const right[5] = {" HA", " GZ", " TA", " 7Z", " BZ"};
        for (int y = 0; y < 5; y++) {
            std::string expect =
                std::string(t == y ? "(•)" : "( )") + left[y] + (t == y + 5 ? "(•)" : "( )") + right[y];
            EXPECT_EQ(types[t][y], expect) << Archive::TypeName(t) << ", row " << y;
        }
    }
}

TEST_F(ArchiveScreen, Refusals)
{
    sh("cd dst && echo g > g.txt && gzip g.txt && echo b > b.txt && bzip2 b.txt && mkdir sub && touch file");
    // dst: ".." sub b.txt.bz2 file g.txt.gz; src: ".." docs a.txt b.txt t.zip.
    const std::vector<int> into_gz = {KEY_TAB, KEY_END, KEY_CTRL_PGDN, KEY_TAB};
    const std::vector<int> into_bz2 = {KEY_TAB, KEY_DOWN, KEY_DOWN, KEY_CTRL_PGDN, KEY_TAB};
    const std::vector<int> f5_zip = {KEY_END, KEY_CTRL_PGDN, KEY_DOWN, KEY_DOWN, F(5), KEY_END};
    auto join = [](std::vector<int> a, const std::vector<int>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const struct
    {
        std::vector<int> keys;
        const char* right;
        Rows box;
    } rows[] = {
        {join(into_gz, {KEY_DOWN, KEY_DOWN, F(5), KEY_RETURN}), "dst", {
             "╔════════════════════════════╗",
             "║ Cannot add to a GZip file  ║",
             "║                            ║",
             "║           [ OK ]           ║",
             "╚════════════════════════════╝",
         }},
        {join(into_bz2, {KEY_DOWN, KEY_DOWN, F(5), KEY_RETURN}), "dst", {
             "╔════════════════════════════╗",
             "║ Cannot add to a BZip2 file ║",
             "║                            ║",
             "║           [ OK ]           ║",
             "╚════════════════════════════╝",
         }},
        {join({KEY_TAB}, join(into_zip, {KEY_TAB, KEY_DOWN, KEY_DOWN, F(5), KEY_END, '/', 'd', 'o', 'c', 's',
                                         KEY_RETURN})),
         "src", {
             "╔════════════════════════════════════════════════╗",
             "║ Compressing into subdirectories not supported  ║",
             "║                                                ║",
             "║                     [ OK ]                     ║",
             "╚════════════════════════════════════════════════╝",
         }},
        {join({KEY_TAB}, join(into_zip, {KEY_TAB, KEY_END, F(6), KEY_RETURN})), "src", {
             "╔════════════════════════════════════╗",
             "║ Cannot move an archive into itself ║",
             "║                                    ║",
             "║               [ OK ]               ║",
             "╚════════════════════════════════════╝",
         }},
        {join(f5_zip, {'n', 'o', '/', KEY_RETURN}), "dst", {
             "╔════════════════════════════════╗",
             "║    Directory does not exist    ║",
             "║ /tmp/pxfileops.XXXXXX/dst/no/  ║",
             "║             [ OK ]             ║",
             "╚════════════════════════════════╝",
         }},
        {join(f5_zip, {'f', 'i', 'l', 'e', KEY_RETURN}), "dst", {
             "╔════════════════════════════════════════╗",
             "║ Destination must be a valid directory  ║",
             "║     /tmp/pxfileops.XXXXXX/dst/file     ║",
             "║                 [ OK ]                 ║",
             "╚════════════════════════════════════════╝",
         }},
        {join(into_gz, {KEY_TAB, KEY_DOWN, F(8), KEY_RETURN}), "dst", {
             "╔══════════════════════════════════╗",
             "║ Deleting from GZIP not supported ║",
             "║                                  ║",
             "║              [ OK ]              ║",
             "╚══════════════════════════════════╝",
         }},
        {{KEY_DOWN, KEY_DOWN, KEY_INS, KEY_INS, ShiftF(7), KEY_ALT_G, KEY_RETURN}, "dst", {
             "╔══════════════════════════════════════════════╗",
             "║ GZIP archives cannot contain multiple files  ║",
             "║                                              ║",
             "║                    [ OK ]                    ║",
             "╚══════════════════════════════════════════════╝",
         }},
        {{KEY_DOWN, KEY_DOWN, ShiftF(7), KEY_ALT_C, KEY_RETURN}, "dst", {
             "╔══════════════════════════════╗",
             "║ Adding to ACE not supported  ║",
             "║                              ║",
             "║            [ OK ]            ║",
             "╚══════════════════════════════╝",
         }},
    };
    for (const auto& r : rows) {
        Rows box;
        run({KEYS(r.keys), CHECK(keep_box(box, "[ OK ]")), KEYS({KEY_ESC})}, "src", r.right);
        EXPECT_EQ(box, r.box);
    }
}
