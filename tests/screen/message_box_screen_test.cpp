#include "screen_fixture.h"

#include "tests/screen/screen_helpers.h"
#include "textui/message_box.h"

TEST_F(ScreenTest, MessageBoxOfEachButtonSet)
{
    const struct { char set; int x1, x2; const char* buttons; char enter; } rows[] = {
        {MB_OK, 30, 49, "║      [ OK ]      ║", 'y'},
        {MB_OK_CANCEL, 28, 51, "║  [ OK ]  [ Cancel ]  ║", 'y'},
        {MB_OK_CANCEL_SKIP_ALL, 13, 66, "║  [ OK ]  [ Cancel ]  [ Skip ]  [ All ]  [ None ]   ║", 'y'},
        {MB_RETRY_SKIP_CANCEL, 21, 58, "║  [ Retry ]  [ Skip ]  [ Cancel ]   ║", 'r'},
        {MB_OVERWRITE, 7, 72, "║ [ OK ]  [ Cancel ]  [ Skip ]  [ All ]  [ None ]  [ All Older ] ║", 'y'},
    };
    for (const auto& r : rows) {
        SetUp();
        keys({KEY_RETURN});
        EXPECT_EQ(error(L"Cannot open file", L"/tmp/x", r.set), r.enter) << int(r.set);
        show(0);
        int w = r.x2 - r.x1 + 1;
        // Five lines a third of the way down: (25 - 5) / 3.
        EXPECT_EQ(screen_text(shot, 6, r.x1, w), "╔" + repeat("═", w - 2) + "╗");
        EXPECT_EQ(screen_text(shot, 9, r.x1, w), r.buttons) << int(r.set);
        EXPECT_EQ(screen_text(shot, 10, r.x1 - 1, 1), ".");
        EXPECT_EQ(screen_text(shot, 10, r.x2 + 1, 1), ".");
        EXPECT_EQ(grid(), std::vector<ScreenCell>(80 * 25, ScreenCell(L'.', Background)))
            << "the box leaves nothing behind";
    }
}

TEST_F(ScreenTest, MessageBoxInErrorsColour)
{
    keys({KEY_ESC});
    EXPECT_EQ(error(L"Cannot open file", L"/tmp/x", MB_OK_CANCEL), ANSWER_CANCEL);
    show(0);
    const char* text[] = {
        "............................",
        ".╔══════════════════════╗...",
        ".║   Cannot open file   ║...",
        ".║        /tmp/x        ║...",
        ".║  [ OK ]  [ Cancel ]  ║...",
        ".╚══════════════════════╝...",
        "............................",
    };
    // e: Errors; f: the focused button; h: its hot letter; s: shadow.
    const char* colours[] = {
        "pppppppppppppppppppppppppppp",
        "peeeeeeeeeeeeeeeeeeeeeeeeppp",
        "peeeeeeeeeeeeeeeeeeeeeeeessp",
        "peeeeeeeeeeeeeeeeeeeeeeeessp",
        "peeeffhfffeeeeeeeeeeeeeeessp",
        "peeeeeeeeeeeeeeeeeeeeeeeessp",
        "pppssssssssssssssssssssssssp",
    };
    for (int i = 0; i < 7; i++) {
        EXPECT_EQ(screen_text(shot, 5 + i, 27, 28), text[i]) << "line " << 5 + i;
        EXPECT_EQ(screen_attrs(shot, 5 + i, {{Background, 'p'}, {0x4F, 'e'}, {0x30, 'f'}, {0x3E, 'h'}, {0x03, 's'}},
                               27, 28),
                  colours[i])
            << "line " << 5 + i;
    }
}

TEST_F(ScreenTest, MessageBoxInMessagesColourByFlag16)
{
    keys({KEY_ESC});
    EXPECT_EQ(error(L"Cannot open file", L"/tmp/x", MB_OK_CANCEL | MB_MESSAGE), ANSWER_CANCEL);
    show(0);
    EXPECT_EQ(screen_attrs(shot, 7, {{Background, 'p'}, {0x70, 'm'}, {0x03, 's'}}, 27, 28),
              "pmmmmmmmmmmmmmmmmmmmmmmmmssp");
    // The default button, not focused, shows its brackets highlighted.
    keys({KEY_RIGHT, KEY_ESC});
    EXPECT_EQ(error(L"Cannot open file", L"/tmp/x", MB_OK_CANCEL | MB_MESSAGE), ANSWER_CANCEL);
    show(-1);
    EXPECT_EQ(screen_attrs(shot, 9, {{0x70, 'm'}, {0x79, 'h'}, {0x30, 'f'}}, 31, 18), "hmhmmhmmffffffffff");
}

TEST_F(ScreenTest, MessageBoxAnswers)
{
    const struct { char set; std::vector<int> script; char answer; } rows[] = {
        {MB_RETRY_SKIP_CANCEL, {'r'}, 'r'},
        {MB_RETRY_SKIP_CANCEL, {'S'}, 's'},                  // a key's lower-case form presses too
        {MB_RETRY_SKIP_CANCEL, {KEY_ESC}, 27},
        {MB_RETRY_SKIP_CANCEL, {KEY_RIGHT, KEY_RIGHT, KEY_SPACE}, 27},
        {MB_RETRY_SKIP_CANCEL, {KEY_ALT_S}, 's'},
        {MB_OVERWRITE, {'d'}, 'd'},
        {MB_OVERWRITE, {KEY_ALT_E}, 'e'},
        {MB_OVERWRITE, {KEY_RIGHT, KEY_RETURN}, 27},          // Enter on a button is that button
        {MB_OK_CANCEL_SKIP_ALL, {'x', 'a'}, 'a'},             // other keys do nothing
        {MB_OK, {KEY_ALT_O}, 'y'},
    };
    for (const auto& r : rows) {
        SetUp();
        console.Queue().Clear();
        for (int k : r.script)
            keys({k});
        fallback(KEY_F10);
        EXPECT_EQ(error(L"Question", nullptr, r.set), r.answer) << int(r.set) << " " << *r.script.begin();
    }
    // A right click accepts with the first button's answer.
    console.Queue().Put({CConsole::EvButtonRelease, 2, 0, 0, 40, 8});
    EXPECT_EQ(error(L"Question", nullptr, MB_RETRY_SKIP_CANCEL), 'r');
}

TEST_F(ScreenTest, LongMessagesWrap)
{
    // The last blank at or before column 72 (80 - 8) ends the first line.
    Westring message = Westring(String(L'a', 68)) + L" bbb cccc";
    keys({KEY_ESC});
    (void)error(message, nullptr, MB_OK);
    show(0);
    // 72 wide: the box is 76 wide, lines 6 to 11.
    EXPECT_EQ(screen_text(shot, 7, 0, 80), "..║ " + std::string(68, 'a') + " bbb ║..");
    EXPECT_EQ(screen_text(shot, 8, 0, 80), "..║" + std::string(35, ' ') + "cccc" + std::string(35, ' ') + "║..");

    // One word longer than 72 is split at exactly 72.
    keys({KEY_ESC});
    (void)error(Westring(String(L'x', 100)), nullptr, MB_OK);
    show(-1);
    EXPECT_EQ(screen_text(shot, 7, 0, 80), "..║ " + std::string(72, 'x') + " ║..");
    EXPECT_EQ(screen_text(shot, 8, 0, 80), "..║" + std::string(23, ' ') + std::string(28, 'x') + std::string(23, ' ') + "║..");

    // The name is shortened to the same width, keeping its first directory.
    Westring name = L"/home/" + Westring(String(L'n', 100));
    keys({KEY_ESC});
    (void)error(L"Gone", name.c_str(), MB_OK);
    show(-1);
    EXPECT_EQ(screen_text(shot, 8, 0, 80), "..║ /home/..." + std::string(63, 'n') + " ║..");
}
