#include "config/config.h"
#include "console/console_test_support.h"
#include "console/key_codes.h"
#include "config/associations.h"
#include "panels/panel.h"
#include "panels/panel_display.h"
#include "panels/read_panel.h"
#include "panels/tests/panel_tree.h"
#include "tests/screen/px_screen.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A directory with C sources, other files and two directories, listed in
// the left panel (full layout, names in column 1).
class Selection : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(t.ok());
        t.dir("lib");
        t.dir("src.c");
        t.file("a.c", 100);
        t.file("b.c", 200);
        t.file("notes.txt", 50);
        t.file("descript.ion", 10);
    }
    PX_RUN run(std::vector<ScreenStep> steps, std::function<void()> settings = {})
    {
        return run_px({"-l", t.path.c_str(), "-r", t.path.c_str()}, std::move(steps), std::move(settings));
    }
    // The tagged names of the left panel in display order.
    static std::string tagged()
    {
        std::string s;
        const PANEL& p = panel_base[0];
        for (int i = 0; i < p.Count(); i++)
            if (p.entries[i]->tagged)
                s += (s.empty() ? "" : " ") + std::string(Westring(p.entries[i]->name).ToUTF8().c_str());
        return s;
    }
    static void type(std::vector<int>& keys, const std::string& text)
    {
        for (int k : type_keys(text))
            keys.push_back(k);
    }
    // Grey + or Grey - with a pattern typed over the remembered one.
    static std::vector<int> group(int key, const std::string& pattern)
    {
        std::vector<int> keys{key};
        type(keys, pattern);
        keys.push_back(KEY_RETURN);
        return keys;
    }

    PanelTree t;
};

}

TEST_F(Selection, GroupSelectAndUnselect)
{
    std::string after_plus, after_dirs, after_minus, title;
    run({KEYS(group(KEY_GREY_PLUS, "*.c")), CHECK([&] { after_plus = tagged(); }),
         // Shift turns directories in for one operation.
         CHECK([] { console.Queue().Put({CConsole::EvKey, KEY_GREY_PLUS, STATE_SHIFT, 0, 0, 0}); }), KEYS({}),
         CHECK([&] {
             int y = screen_row_of("Select the files/directories");
             title = y < 0 ? "" : "shown";
         }),
         KEYS({KEY_RETURN}), CHECK([&] { after_dirs = tagged(); }),
         // Grey - considers directories even without Shift.
         KEYS(group(KEY_GREY_MINUS, "src*")), CHECK([&] { after_minus = tagged(); })});
    EXPECT_EQ(after_plus, "a.c b.c");  // never "..", not the directory src.c
    EXPECT_EQ(title, "shown");
    EXPECT_EQ(after_dirs, "src.c a.c b.c");
    EXPECT_EQ(after_minus, "a.c b.c");
}

TEST_F(Selection, TagDirsAndAltD)
{
    std::string with_setting, with_alt_d;
    run({KEYS(group(KEY_GREY_PLUS, "*")), CHECK([&] { with_setting = tagged(); })}, [] { config.TagDirs = true; });
    run({KEYS({KEY_GREY_PLUS, KEY_ALT_D}), KEYS(type_keys("*")), KEYS({KEY_RETURN}),
         CHECK([&] { with_alt_d = tagged(); })});
    // Reserved files are never tagged by a group; ".." never.
    EXPECT_EQ(with_setting, "lib src.c a.c b.c notes.txt");
    EXPECT_EQ(with_alt_d, "lib src.c a.c b.c notes.txt");
}

TEST_F(Selection, InvertInsertAndTheStatusLine)
{
    std::string inverted, status, after_insert, restored;
    run({KEYS({KEY_GREY_STAR}), CHECK([&] { inverted = tagged(); }), KEYS({KEY_GREY_STAR}),
         // Insert on a.c (after "..", lib, src.c) tags it and moves down.
         KEYS({KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_INS, KEY_INS}), CHECK([&] {
             after_insert = tagged();
             status = screen_text(console, 21, 1, 38);
         })});
    EXPECT_EQ(inverted, "a.c b.c notes.txt");
    EXPECT_EQ(after_insert, "a.c b.c");
    EXPECT_NE(status.find("300 bytes in 2 selected files"), std::string::npos) << status;
}

TEST_F(Selection, RestoreSelectionTagsWhatTheLastOperationMarked)
{
    std::string restored;
    run({CHECK([] {
             // As if a copy had just processed a.c and notes.txt.
             PANEL& p = panel_base[0];
             for (int i = 0; i < p.Count(); i++) {
                 std::wstring n = p.entries[i]->name;
                 p.entries[i]->last_op = n == L"a.c" || n == L"notes.txt";
             }
         }),
         KEYS({KEY_INS, KEY_ALT_GREY_PLUS}), CHECK([&] { restored = tagged(); })});
    EXPECT_EQ(restored, "a.c notes.txt");
}

TEST_F(Selection, AFilterHidesFilesButNeverDirectoriesAndMarksTheTopLine)
{
    std::string names, top;
    run({CHECK([&] {
        const PANEL& p = panel_base[0];
        for (int i = 0; i < p.Count(); i++)
            names += (i ? " " : "") + std::string(Westring(p.entries[i]->name).ToUTF8().c_str());
        top = screen_text(console, 0, 0, 40);
    })},
        [] {
            // The filter applies from the next read.
            panel_base[0].filter = L"*.txt";
            panel_base[0].prev_path = L"";
            read_panel(&panel_base[0]);
            paint_panel(&panel_base[0]);
        });
    EXPECT_EQ(names, ".. lib src.c notes.txt");
    EXPECT_NE(top.find("/? "), std::string::npos) << top;  // the mark of a filtered list
}

TEST_F(Selection, EscWithAndWithoutPanelSwitch)
{
    bool off_cleared = false, off_panels = false, on_toggled = false;
    run({KEYS(type_keys("ls")), KEYS({KEY_ESC}), CHECK([&] {
             off_cleared = row(23).find(">ls") == std::string::npos;
             off_panels = panel_base[0].showing;
         })});
    run({KEYS(type_keys("ls")), KEYS({KEY_ESC}), CHECK([&] { off_cleared = off_cleared && panel_base[0].showing; }),
         KEYS({KEY_ESC}), CHECK([&] { on_toggled = !panel_base[0].showing && !panel_base[1].showing; })},
        [] { config.EscPanelSwitch = true; });
    EXPECT_TRUE(off_cleared);
    EXPECT_TRUE(off_panels);
    EXPECT_TRUE(on_toggled);
}

TEST_F(Selection, ColourAssociationsColourFilesAndDirectories)
{
    std::string picture;
    run({CHECK([&] {
        // Rows: ".." lib src.c a.c b.c ...; the name column starts at 1.
        picture = screen_attrs(console, 2, {{0x1A, 'd'}, {0x16, 'y'}}, 1, 3) +
                  screen_attrs(console, 4, {{0x1C, 'R'}, {0x1B, 'p'}}, 1, 3) +
                  screen_attrs(console, 6, {{0x1C, 'R'}, {0x1B, 'p'}}, 1, 3);
    })},
        [] {
            colourAssociations.AddAssociation(L"*.c", L"bright red");
            colourDirAssociations.AddAssociation(L"lib", L"yellow");
            paint_panel(&panel_base[0]);
        });
    colourAssociations.DestroyAll();
    colourDirAssociations.DestroyAll();
    // lib in "yel" over the directory colour's background (Str2Attr), a.c
    // in bright red, descript.ion as before.
    EXPECT_EQ(picture, "yyyRRRppp");
}
