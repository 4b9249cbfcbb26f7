#include "config/config.h"
#include "console/console.h"
#include "console/console_test_support.h"
#include "console/key_codes.h"
#include "panels/panel.h"
#include "panels/read_panel.h"
#include "tools/dir_compare.h"
#include "tools/tests/scratch_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <functional>
#include <set>
#include <string>
#include <sys/stat.h>

namespace {

using NAMES = std::set<std::string>;

COMPARE_OPTIONS options(int date, int size, bool unmatched = false, bool contents = false, const wchar_t* mask = L"*")
{
    COMPARE_OPTIONS o;
    o.date_mode = date;
    o.size_mode = size;
    o.unmatched = unmatched;
    o.contents = contents;
    o.mask = mask;
    return o;
}

std::string show(const NAMES& n)
{
    std::string r;
    for (const auto& s : n)
        r += s + " ";
    return r;
}

std::string tags(const PANEL& p)
{
    NAMES names;
    for (int i = 0; i < p.Count(); i++)
        if (p.entries[i]->tagged)
            names.insert(Westring(p.entries[i]->name).ToUTF8().c_str());
    return show(names);
}

// Two directories l and r side by side, on a windowless console whose error
// boxes are answered by Escape. Every file has the same time and size on
// both sides unless its name says otherwise.
class DirectoryCompare : public ::testing::Test
{
protected:
    static constexpr time_t t = 1700000000;

    void SetUp() override
    {
        console.SetDisplay(&display);
        console.SetSize(80, 25, "", 0);
        script_keys(console, {}, KEY_ESC);
        set_config_defaults(config);
        ASSERT_TRUE(dir.mkdirs("l/sub") && dir.mkdirs("r/sub"));
        both("same.txt", "abc", t, "abc", t);
        both("newer.txt", "abc", t + 60, "abc", t);
        both("newer.dat", "abc", t + 60, "abc", t);
        both("bigger.txt", "abcd", t, "abc", t);
        both("bytes.txt", "abc", t, "abd", t);
        // Names compare exactly: these are two unmatched files.
        file("l", "Readme", "x", t);
        file("r", "README", "x", t);
        file("l", "only_l.txt", "x", t);
        file("r", "only_r.txt", "x", t);
        // A subdirectory differs in time but is never compared.
        struct timespec times[2] = {{t, 0}, {t + 999, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, dir.sys("l/sub").c_str(), times, 0), 0);
        read();
    }
    void TearDown() override { console.SetDisplay(nullptr); }

    void file(const char* side, const char* name, const std::string& bytes, time_t when)
    {
        std::string path = std::string(side) + "/" + name;
        dir.write(path, bytes);
        struct timespec times[2] = {{when, 0}, {when, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, dir.sys(path).c_str(), times, 0), 0);
    }
    void both(const char* name, const std::string& l, time_t lt, const std::string& r, time_t rt)
    {
        file("l", name, l, lt);
        file("r", name, r, rt);
    }
    void read()
    {
        left.path = dir.wide("l");
        right.path = dir.wide("r");
        for (PANEL* p : {&left, &right}) {
            p->showing = true;
            read_panel(p);
        }
    }

    CRecordingDisplay display;
    ScratchDir dir;
    PANEL left, right;
};

}

TEST_F(DirectoryCompare, EveryDateAndSizeMode)
{
    // What each mode tags on its own, left and right; modes add up.
    const NAMES newer = {"newer.txt", "newer.dat"}, bigger = {"bigger.txt"};
    const struct { NAMES left, right; } dates[] = {{{}, {}}, {newer, {}}, {{}, newer}, {newer, newer}},
                                        sizes[] = {{{}, {}}, {bigger, {}}, {{}, bigger}, {bigger, bigger}};
    for (int d = 0; d < 4; d++)
        for (int s = 0; s < 4; s++) {
            NAMES want_l = dates[d].left, want_r = dates[d].right;
            want_l.insert(sizes[s].left.begin(), sizes[s].left.end());
            want_r.insert(sizes[s].right.begin(), sizes[s].right.end());
            int n = compare_panels(&left, &right, options(d, s));
            EXPECT_EQ(tags(left), show(want_l)) << "date " << d << " size " << s;
            EXPECT_EQ(tags(right), show(want_r)) << "date " << d << " size " << s;
            EXPECT_EQ(n, static_cast<int>(want_l.size() + want_r.size()));
            EXPECT_EQ(left.tagged_count, static_cast<int>(want_l.size()));
        }
    // The tagged totals follow the sizes of what is tagged.
    (void)compare_panels(&left, &right, options(0, 3));
    EXPECT_EQ(left.tagged_bytes, 4u);
    EXPECT_EQ(right.tagged_bytes, 3u);
}

TEST_F(DirectoryCompare, UnmatchedMaskAndContents)
{
    const struct { const char* what; COMPARE_OPTIONS o; NAMES left, right; } rows[] = {
        {"unmatched on both sides, case twins included", options(0, 0, true),
         {"Readme", "only_l.txt"}, {"README", "only_r.txt"}},
        {"the mask keeps other types untagged however they differ", options(1, 3, true, false, L"*.txt"),
         {"newer.txt", "bigger.txt", "only_l.txt"}, {"bigger.txt", "only_r.txt"}},
        {"equal size and date but other bytes: only contents tell", options(0, 0, false, true),
         {"bytes.txt", "bigger.txt"}, {"bytes.txt", "bigger.txt"}},
        {"contents with a date mode", options(1, 0, false, true),
         {"bytes.txt", "bigger.txt", "newer.txt", "newer.dat"}, {"bytes.txt", "bigger.txt"}},
        {"identical files with every test on tag nothing", options(3, 3, false, true, L"same.txt"), {}, {}},
    };
    for (const auto& r : rows) {
        (void)compare_panels(&left, &right, r.o);
        EXPECT_EQ(tags(left), show(r.left)) << r.what;
        EXPECT_EQ(tags(right), show(r.right)) << r.what;
    }
}

TEST_F(DirectoryCompare, AFailureOrEscapeLeavesNoTags)
{
    // Larger than one block, differing only in the last byte.
    std::string big(600000, 'x');
    both("big.bin", big, t, big.substr(0, big.size() - 1) + "y", t);
    read();
    const struct { const char* what; std::function<void()> before; } rows[] = {
        {"Escape during a comparison", [] { script_keys(console, {KEY_ESC}, KEY_ESC); }},
        {"a file gone since the listing", [&] { ASSERT_EQ(unlink(dir.sys("l/bytes.txt").c_str()), 0); }},
    };
    for (const auto& r : rows) {
        // Tagged beforehand, to see them cleared.
        for (PANEL* p : {&left, &right})
            for (int i = 0; i < p->Count(); i++)
                p->entries[i]->tagged = !p->entries[i]->IsDirectory();
        r.before();
        EXPECT_EQ(compare_panels(&left, &right, options(1, 0, true, true)), -1) << r.what;
        EXPECT_EQ(tags(left), "") << r.what;
        EXPECT_EQ(tags(right), "") << r.what;
        EXPECT_EQ(left.tagged_count + right.tagged_count, 0) << r.what;
        EXPECT_EQ(left.tagged_bytes, 0u) << r.what;
        script_keys(console, {}, KEY_ESC);
    }
}

TEST_F(DirectoryCompare, ContentsOfFilesAndSpecialFiles)
{
    std::string block(262144, 'a');
    dir.write("a", block + "tail");
    dir.write("same", block + "tail");
    dir.write("other", block + "tall");
    dir.write("short", block);
    ASSERT_EQ(mkfifo(dir.sys("fifo").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo(dir.sys("fifo2").c_str(), 0600), 0);
    const struct { const char* a; const char* b; int result; } rows[] = {
        {"a", "same", 0},
        {"a", "other", 1},     // a difference in the second block
        {"a", "short", 1},     // the first is longer
        {"short", "a", 1},     // the second is longer
        {"fifo", "fifo2", 0},  // never opened for reading, never blocks
        {"fifo", "a", 1},
        {"a", "missing", -1},
    };
    for (const auto& r : rows)
        EXPECT_EQ(compareFileContents(dir.wide(r.a), dir.wide(r.b)), r.result) << r.a << " vs " << r.b;
}
