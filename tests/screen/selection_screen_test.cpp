#include "config/associations.h"
#include "panels/panel_display.h"
#include "panels/read_panel.h"
#include "tests/screen/screen_helpers.h"

namespace {

// Expects the tagged names of the left panel, in display order.
ScreenStep TAGGED(const std::string& names)
{
    return CHECK([names] {
        std::string s;
        const PANEL& p = panel_base[0];
        for (int i = 0; i < p.Count(); i++)
            if (p.entries[i]->tagged)
                s += (s.empty() ? "" : " ") + std::string(Westring(p.entries[i]->name).ToUTF8().c_str());
        EXPECT_EQ(s, names);
    });
}

// A directory with C sources, other files and two directories, listed in
// the left panel (full layout, names in column 1).
class Selection : public PanelsScreen
{
protected:
    void SetUp() override
    {
        PanelsScreen::SetUp();
        left_dir = right_dir = "";
        t.dir("lib");
        t.dir("src.c");
        t.file("a.c", 100);
        t.file("b.c", 200);
        t.file("notes.txt", 50);
        t.file("descript.ion", 10);
    }
    // Grey + or Grey - with a pattern typed over the remembered one.
    static std::vector<int> group(int key, const std::string& pattern) { return typed({key}, pattern, {KEY_RETURN}); }
};

}

TEST_F(Selection, GroupSelectAndUnselect)
{
    run({KEYS(group(KEY_GREY_PLUS, "*.c")), TAGGED("a.c b.c"),  // never "..", not the directory src.c
         // Shift turns directories in for one operation.
         CHECK([] { console.Queue().Put({CConsole::EvKey, KEY_GREY_PLUS, STATE_SHIFT, 0, 0, 0}); }), KEYS({}),
         CHECK([] { EXPECT_GE(screen_row_of("Select the files/directories"), 0); }), KEYS({KEY_RETURN}),
         TAGGED("src.c a.c b.c"),
         // Grey - considers directories even without Shift.
         KEYS(group(KEY_GREY_MINUS, "src*")), TAGGED("a.c b.c")});
}

TEST_F(Selection, TagDirsAndAltD)
{
    // Reserved files are never tagged by a group; ".." never.
    run({KEYS(group(KEY_GREY_PLUS, "*")), TAGGED("lib src.c a.c b.c notes.txt")}, [] { config.TagDirs = true; });
    run({KEYS(typed({KEY_GREY_PLUS, KEY_ALT_D}, "*", {KEY_RETURN})), TAGGED("lib src.c a.c b.c notes.txt")});
}

TEST_F(Selection, InvertInsertAndTheStatusLine)
{
    run({KEYS({KEY_GREY_STAR}), TAGGED("a.c b.c notes.txt"), KEYS({KEY_GREY_STAR}),
         // Insert on a.c (after "..", lib, src.c) tags it and moves down.
         KEYS({KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_INS, KEY_INS}), TAGGED("a.c b.c"),
         CHECK([] { EXPECT_NE(cells(21, 1, 38).find("300 bytes in 2 selected files"), std::string::npos) << row(21); })});
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
    // Off: Esc clears the line and leaves the panels.
    run({KEYS(type_keys("ls")), KEYS({KEY_ESC}), CHECK([] {
             EXPECT_EQ(row(23).find(">ls"), std::string::npos);
             EXPECT_TRUE(panel_base[0].showing);
         })});
    // On: the first Esc still clears the line; the next hides both panels.
    run({KEYS(type_keys("ls")), KEYS({KEY_ESC}), CHECK([] { EXPECT_TRUE(panel_base[0].showing); }), KEYS({KEY_ESC}),
         CHECK([] { EXPECT_FALSE(panel_base[0].showing || panel_base[1].showing); })},
        [] { config.EscPanelSwitch = true; });
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
