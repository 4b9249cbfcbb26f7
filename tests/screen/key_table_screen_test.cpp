// Every key of the main loop's table and every item of the pull-down menu
// reaches a command: each is pressed on a panel of files in a px of its
// own, and none may fall through every handler. The same table is the
// README's key summary, which must list each of its rows.

#include "menus/pull_down_menu.h"
#include "panels/key_commands.h"
#include "panels/main_loop.h"
#include "tests/screen/screen_helpers.h"

namespace {

constexpr int shift(int key)
{
    return key | KEY_SHIFT_FLAG;
}

struct KEYROW
{
    const char* name;  // as the README's key summary writes it
    std::vector<int> codes;
    // Started programs or windows of the desktop: only looked up, not run.
    bool lookupOnly = false;
};

const std::vector<KEYROW>& key_table()
{
    static const std::vector<KEYROW> rows = {
        {"F1", {F(1)}},
        {"F2", {F(2), ShiftF(2)}},
        {"F3", {F(3)}},
        {"Alt+F3", {AltF(3), shift(CtrlF(3))}},
        {"F4", {F(4)}},
        {"Alt+F4", {AltF(4), shift(CtrlF(4))}},
        {"Shift+F3", {ShiftF(3)}},
        {"Shift+F4", {ShiftF(4)}},
        {"F5", {F(5), ShiftF(5)}},
        {"F6", {F(6), ShiftF(6)}},
        {"F7", {F(7)}},
        {"Shift+F7", {ShiftF(7)}},
        {"F8", {F(8), ShiftF(8)}},
        {"F9", {F(9), ctrl('N'), ShiftF(10)}},
        {"F10", {F(10)}},
        {"Shift+F1", {ShiftF(1)}, true},
        {"Shift+F9", {ShiftF(9)}},
        {"Ctrl+F1", {CtrlF(1), CtrlF(2), ctrl('P')}},
        {"Ctrl+F3", {CtrlF(3), CtrlF(4), CtrlF(5), CtrlF(6), CtrlF(7), CtrlF(8)}},
        {"Alt+F1", {AltF(1), AltF(2)}},
        {"Alt+F5", {AltF(5)}},
        {"Alt+F6", {AltF(6)}},
        {"Alt+F7", {AltF(7), shift(AltF(7))}},
        {"Alt+F8", {AltF(8)}},
        {"Alt+F9", {AltF(9), shift(AltF(9))}},
        {"Alt+F10", {AltF(10)}},
        {"Alt+Shift+F1", {shift(AltF(1)), shift(AltF(2)), shift(AltF(3)), shift(AltF(4)), shift(AltF(5))}},
        {"Alt+Shift+F8", {shift(AltF(8)), KEY_ALT_BACKSLASH}},
        {"Ctrl+Shift+F5", {shift(CtrlF(5))}},
        {"Enter", {KEY_RETURN, KEY_ALT_RETURN}},
        {"Esc", {KEY_ESC}},
        {"Ctrl+]", {KEY_CTRL_RBRACKET}},
        {"Tab", {KEY_TAB, KEY_SHIFT_TAB}},
        {"Up", {KEY_UP, KEY_DOWN, KEY_HOME, KEY_END, KEY_PGUP, KEY_PGDN, KEY_LEFT, KEY_RIGHT}},
        {"Ctrl+E", {ctrl('E'), KEY_CTRL_UP, ctrl('X'), KEY_CTRL_DOWN}},
        {"Ctrl+S", {ctrl('S'), KEY_ALT_LEFT, ctrl('D'), KEY_ALT_RIGHT}},
        {"Ctrl+Home",
         {KEY_CTRL_HOME, KEY_CTRL_END, KEY_CTRL_LEFT, KEY_CTRL_RIGHT, KEY_CTRL_DEL, KEY_CTRL_BACKSPACE,
          KEY_BACKSPACE, KEY_DEL}},
        {"Insert", {KEY_INS, shift(KEY_INS), KEY_CTRL_INS}},
        {"Ctrl+Tab", {KEY_CTRL_TAB}},
        {"Ctrl+J", {KEY_CTRL_RETURN, shift(KEY_ALT_RETURN)}},
        {"Ctrl+F", {ctrl('F'), KEY_CTRL_SHIFT_F}},
        {"Ctrl+PgUp", {KEY_CTRL_PGUP, KEY_CTRL_PGDN}},
        {"Ctrl+\\", {KEY_CTRL_BACKSLASH, KEY_CTRL_SHIFT_BACKSLASH}},
        {"Ctrl+-", {KEY_CTRL_MINUS}},
        {"Ctrl+G", {ctrl('G')}},
        {"Alt+Home", {KEY_ALT_HOME}},
        {"Alt+Up", {KEY_ALT_UP, KEY_ALT_DOWN, KEY_ALT_BACKSPACE}},
        {"Alt+letter", {KEY_ALT_A, KEY_ALT_1}},
        {"Alt+Grey +", {KEY_ALT_GREY_PLUS}},
        {"Ctrl+Grey +", {KEY_CTRL_GREY_PLUS, KEY_CTRL_GREY_MINUS}},
        {"Ctrl+T", {ctrl('T'), ctrl('Y')}},
        {"Ctrl+A", {ctrl('A')}},
        {"Ctrl+B", {ctrl('B')}},
        {"Ctrl+C", {ctrl('C')}},
        {"Ctrl+H", {ctrl('H')}},
        {"Ctrl+I", {KEY_CTRL_I}},
        {"Ctrl+K", {ctrl('K')}},
        {"Ctrl+L", {ctrl('L')}},
        {"Ctrl+M", {KEY_CTRL_M, KEY_CTRL_SHIFT_M}},
        {"Ctrl+O", {ctrl('O')}},
        {"Ctrl+Q", {ctrl('Q')}},
        {"Ctrl+R", {ctrl('R')}},
        {"Ctrl+U", {ctrl('U')}},
        {"Ctrl+W", {ctrl('W')}, true},
    };
    return rows;
}

// Presses key once in a px of its own; whatever opens is left by the
// harness's closing keys. External commands are stubbed to `true`.
void press(int key)
{
    px_closing_alternate = KEY_ESC;
    run_px({}, {KEYS({key})}, [] {
        config.Viewer2 = L"true";
        config.Editor2 = L"true";
    });
    px_closing_alternate = 0;
}

TEST(KeyTable, EveryKeyReachesACommand)
{
    for (const KEYROW& row : key_table()) {
        for (int code : row.codes) {
            if (row.lookupOnly) {
                EXPECT_NE(bound_command(code), nullptr) << row.name << " " << std::hex << code;
                continue;
            }
            unsigned long before = unhandled_keys;
            press(code);
            EXPECT_EQ(unhandled_keys, before) << row.name << " fell through: code 0x" << std::hex << code;
        }
    }
}

TEST(KeyTable, EveryMenuItemReachesACommand)
{
    for (int column = 0; column < MenuColumns; column++) {
        int count = 0;
        const MENUITEM* items = menu_items(column, count);
        for (int i = 0; i < count; i++) {
            if (!items[i].text)
                continue;
            int code = items[i].code;
            const KEYROW* external = nullptr;
            for (const KEYROW& row : key_table())
                for (int c : row.codes)
                    if (c == code && row.lookupOnly)
                        external = &row;
            if (external) {
                EXPECT_NE(bound_command(code), nullptr) << "menu item " << column << "/" << i;
                continue;
            }
            unsigned long before = unhandled_keys;
            press(code);
            EXPECT_EQ(unhandled_keys, before) << "menu column " << column << " item " << i << " code 0x" << std::hex
                                              << code;
        }
    }
}

// The README's key summary lists every row of the table.
TEST(KeyTable, TheReadmeSummarisesEveryKey)
{
    std::string text = read_file(PANNEX_SOURCE_DIR "/README.md");
    size_t start = text.find("## Keys");
    ASSERT_NE(start, std::string::npos) << "README.md has no \"## Keys\" section";
    size_t end = text.find("\n## ", start + 1);
    std::string summary = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    for (const KEYROW& row : key_table())
        EXPECT_NE(summary.find(std::string("`") + row.name + "`"), std::string::npos)
            << row.name << " is missing from the README's key summary";
}

} // namespace
