#include "command/environment.h"
#include "config/command_history.h"
#include "config/config.h"
#include "config/menu_store.h"
#include "foundation/nls.h"
#include "menus/directory_boxes.h"
#include "menus/history_panel.h"
#include "menus/menu_codes.h"
#include "menus/pull_down_menu.h"
#include "menus/user_menu.h"
#include "panels/panel.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

std::string narrow(const Westring& s)
{
    return FileNameToSys(s).c_str();
}

// The ticked items of a column, by their first word.
std::string ticked(int column)
{
    int count;
    const MENUITEM* items = menu_items(column, count);
    std::string s;
    for (int i = 0; i < count; i++)
        if (items[i].text && items[i].tick != L' ') {
            std::wstring text = items[i].text;
            s += narrow(text.substr(0, text.find(L' ')).c_str()) + "|";
        }
    return s;
}

}

TEST(PullDownMenu, TicksFollowPanelsAndSettings)
{
    HasSingleDoubleJoins = true;
    config.Hidden = false;
    config.PathPrompt = true;
    config.FullScreen = true;
    config.Clock = false;
    config.TagDirs = false;
    config.ThousandSep = true;
    config.RetainCount = false;
    const struct { paneltype type; paneldetail detail; sortby sort; const char* left; } rows[] = {
        {PanelFiles, DetailUnix, static_cast<sortby>(SortTime + SortReversed), "Unix|Time|Reverse|"},
        {PanelFiles, DetailBrief, SortName, "Brief|Name|"},
        {PanelFiles, DetailBriefWide, SortUnsorted, "Brief-Wide|Unsorted|"},
        {PanelFiles, DetailTree, SortSize, "Tree|Size|"},
        {PanelInfo, DetailFull, SortExtension, "Info|Extension|"},
    };
    for (const auto& r : rows) {
        panel_base[0].type = r.type;
        panel_base[0].detail = r.detail;
        panel_base[0].sort = r.sort;
        panel_base[1].type = PanelFiles;
        panel_base[1].detail = DetailFull;
        panel_base[1].sort = SortName;
        set_ticks();
        EXPECT_EQ(ticked(0), r.left) << r.left;
        EXPECT_EQ(ticked(4), "Full|Name|") << r.left;
    }
    EXPECT_EQ(ticked(3), "Path|Full|Thousand|");
    int count;
    const MENUITEM* items = menu_items(4, count);
    EXPECT_EQ(items[1].tick, L'\u221A');
    HasSingleDoubleJoins = false;
    set_ticks();
    EXPECT_EQ(items[1].tick, L'*');
    EXPECT_EQ(items[0].tick, L' ');
}

TEST(PullDownMenu, ItemsHotLettersAndCodes)
{
    const struct { int column; int item; const wchar_t* text; wchar_t hot; int code; } rows[] = {
        {0, 3, L"Brief-Wide  AlSh-F4", L'e', MENU_LEFT_BRIEF_WIDE},
        {0, 4, L"Unix detail AlSh-F5", L'a', MENU_LEFT_UNIX},
        {4, 7, L"On/Off      Ctrl-F2", L'O', KEY_CTRL_F1 + 1},
        {4, 18, L"Drive       Alt-F2", L'D', KEY_ALT_F1 + 1},
        {4, 14, L"Reverse     Ctrl-F8", L'v', MENU_RIGHT_SORT_NAME + 5},
        {1, 0, L"Manual       Shift-F1", L'l', KEY_SHIFT_F1},
        {1, 17, L"Restore Sel'n  Alt-Grey +", L's', MENU_RESTORE_SELECTION},
        {1, 19, L"Quit               F10", L'Q', KEY_F10},
        {2, 4, L"Directory History    Alt-\\", L'i', KEY_ALT_BACKSLASH},
        {2, 14, L"Edit User Menu", L'M', MENU_EDIT_USER_MENU},
        {3, 12, L"Save Setup      Shft-F9", L'S', MENU_SAVE_SETUP},
    };
    for (const auto& r : rows) {
        int count;
        const MENUITEM* items = menu_items(r.column, count);
        ASSERT_LT(r.item, count);
        const MENUITEM& it = items[r.item];
        EXPECT_STREQ(it.text, r.text);
        EXPECT_EQ(it.text[it.hot], r.hot) << narrow(r.text);
        EXPECT_EQ(it.code, r.code) << narrow(r.text);
        EXPECT_LT(static_cast<int>(wcslen(it.text)) + 1, menu_width(r.column) + 1) << narrow(r.text);
    }
    // Within a column no two items share a hot letter.
    for (int c = 0; c < MenuColumns; c++) {
        int count;
        const MENUITEM* items = menu_items(c, count);
        for (int i = 0; i < count; i++)
            for (int j = i + 1; j < count; j++)
                if (items[i].text && items[j].text) {
                    EXPECT_NE(towupper(items[i].text[items[i].hot]), towupper(items[j].text[items[j].hot]))
                        << narrow(items[i].text) << " / " << narrow(items[j].text);
                }
    }
}

TEST(StoredPaths, Lines)
{
    for (Westring& s : dirstore)
        s = Westring();
    dirstore[3] = L"/home/ann/projects/pannex/build";
    dirstore[4] = L"~/src";
    const struct { short slot; short width; const char* line; } rows[] = {
        {0, 22, "0 - Empty"},
        {4, 22, "4 - ~/src"},
        {3, 40, "3 - /home/ann/projects/pannex/build"},
        {3, 26, "3 - /home/...annex/build"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(narrow(sp_line(r.slot, r.width)), r.line) << r.slot << " " << r.width;
}

TEST(UserMenu, ItemTexts)
{
    MenuStore m;
    for (const char* key : {"a", "F12"}) {
        auto e = std::make_unique<MenuEntry>();
        e->key_text = key;
        e->title = key[0] == 'a' ? L"Archive" : L"Tools";
        m.key_width = std::max(m.key_width, e->key_text.strlen());
        m.entries.push_back(std::move(e));
    }
    m.entries[1]->submenu = std::make_unique<MenuStore>();
    int width = menu_list_width(m, L" User Menu ", 80);
    EXPECT_EQ(width, 13);
    EXPECT_EQ(narrow(menu_item_text(m, *m.entries[0], width)), "a   Archive");
    EXPECT_EQ(narrow(menu_item_text(m, *m.entries[1], width)), "F12 Tools   >");
    EXPECT_EQ(menu_list_width(m, L" User Menu ", 12), 10);
}

// A cd line of a user-menu entry must name an existing directory exactly.
TEST(UserMenu, CdLines)
{
    char tmpl[] = "/tmp/pxcd.XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    std::string root = tmpl;
    std::filesystem::create_directories(root + "/build");
    std::filesystem::create_directories(root + "/home/src");
    SessionEnv.Set("HOME", (root + "/home").c_str());
    Westring from = FileNameFromSys(root.c_str());
    const struct { const char* line; int result; std::string dir; } rows[] = {
        {"cd build", 0, root + "/build"},
        {"cd ./build/", 0, root + "/build"},
        {"cd ..", 0, "/tmp"},
        {"cd ", 0, root + "/home"},
        {"cd ~/src", 0, root + "/home/src"},
        {"cd nosuch", ENOENT, ""},
        {"cd build/../nosuch", ENOENT, ""},
        {"cdrom", -1, ""},
        {"make", -1, ""},
        {"cd", -1, ""},
    };
    for (const auto& r : rows) {
        Westring dir;
        ASSERT_EQ(menu_cd(Westring(r.line), from, dir), r.result) << r.line;
        if (r.result == 0) {
            EXPECT_EQ(narrow(dir), r.dir) << r.line;
        }
    }
    std::filesystem::remove_all(root);
}

TEST(HistoryBox, Search)
{
    history.DestroyAll();
    for (const wchar_t* c : {L"make all", L"ls -l", L"MAKE test", L"echo"})
        add_hist(c);
    const struct { const wchar_t* word; int from; int dir; int found; } rows[] = {
        {L"make", 3, -1, 2},   // from the selection towards older, ignoring case
        {L"make", 1, -1, 0},
        {L"make", 0, 1, 0},
        {L"make", 1, 1, 2},
        {L"xyz", 3, -1, -1},
        {L"echo", 2, -1, -1},
        {L"echo", 4, -1, -1},
    };
    for (const auto& r : rows)
        EXPECT_EQ(history_search(r.word, r.from, r.dir), r.found) << narrow(r.word) << " " << r.from;
    history.DestroyAll();
}
