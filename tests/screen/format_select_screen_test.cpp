#include "screen_fixture.h"

#include "console/key_codes.h"
#include "text/format_select_dlg.h"

namespace {

constexpr int KEY_ALT_3 = KEY_ALT_1 + 2;
constexpr int KEY_ALT_6 = KEY_ALT_1 + 5;
constexpr int KEY_ALT_8 = KEY_ALT_1 + 7;

}

TEST_F(ScreenTest, FormatSelectDrawnCellExact)
{
    const struct { int extra; EFileFormat format; int cp; bool bom; std::vector<const char*> rows; } cases[] = {
        {0, FormatCodePage, 1251, false, {
            "..........╔══════════════════════ Save as type ══════════════════════╗..........",
            "..........║                                                          ║..........",
            "..........║ File Format: (•) Code Page       Code Page: 1251         ║..........",
            "..........║              ( ) UTF-8           [ ]  Byte Order Mark    ║..........",
            "..........║              ( ) UTF-16          [ ]  Big-Endian         ║..........",
            "..........║              ( ) UTF-32                                  ║..........",
            "..........║                                                          ║..........",
            "..........║                    [ OK ]  [ Cancel ]                    ║..........",
            "..........╚══════════════════════════════════════════════════════════╝..........",
        }},
        // One line left to the caller; a code page of 0 shows the default.
        {1, FormatUTF32BE, 0, true, {
            "..........╔══════════════════════ Save as type ══════════════════════╗..........",
            "..........║                                                          ║..........",
            "..........║                                                          ║..........",
            "..........║ File Format: ( ) Code Page       Code Page: 819          ║..........",
            "..........║              ( ) UTF-8           [X]  Byte Order Mark    ║..........",
            "..........║              ( ) UTF-16          [X]  Big-Endian         ║..........",
            "..........║              (•) UTF-32                                  ║..........",
            "..........║                                                          ║..........",
            "..........║                    [ OK ]  [ Cancel ]                    ║..........",
            "..........╚══════════════════════════════════════════════════════════╝..........",
        }},
    };
    for (const auto& c : cases) {
        SetUp();
        EFileFormat format = c.format;
        int cp = c.cp;
        bool bom = c.bom;
        {
            CFormatSelectDlg d("Save as type", format, cp, bom, c.extra);
            keys({});
            fallback(KEY_ESC);
            EXPECT_EQ(d.Process(), RESULT_CANCEL);
        }
        show(0);
        // Centred: (25 - height) / 2.
        int top = (25 - static_cast<int>(c.rows.size())) / 2;
        for (size_t i = 0; i < c.rows.size(); i++)
            EXPECT_EQ(screen_text(shot, top + static_cast<int>(i)), c.rows[i]) << "extra " << c.extra << " row " << i;
        EXPECT_EQ(format, c.format) << "cancelling changes nothing";
        EXPECT_EQ(cp, c.cp);
    }
}

TEST_F(ScreenTest, FormatSelectChoices)
{
    const struct { EFileFormat format; bool bom; std::vector<int> keys; int result; EFileFormat chosen; bool mark; int cp; } rows[] = {
        {FormatUTF8, false, {KEY_DOWN, KEY_RETURN}, RESULT_ACCEPT, FormatUTF16LE, true, 1252},  // UTF-16 wants a mark
        {FormatUTF8, false, {KEY_DOWN, KEY_UP, KEY_RETURN}, RESULT_ACCEPT, FormatUTF8, false, 1252},  // back: as it was
        {FormatUTF8, true, {KEY_ALT_3, KEY_ALT_8, KEY_RETURN}, RESULT_ACCEPT, FormatUTF8, true, 1252},
        {FormatUTF8, false, {KEY_ALT_E, KEY_ALT_6, KEY_RETURN}, RESULT_ACCEPT, FormatUTF16BE, true, 1252},
        {FormatUTF16LE, false, {KEY_ALT_B, KEY_RETURN}, RESULT_ACCEPT, FormatUTF16LE, true, 1252},
        {FormatUTF8, false, {KEY_ALT_C, KEY_ALT_P, '8', '6', '6', KEY_RETURN}, RESULT_ACCEPT, FormatCodePage, false, 866},
        {FormatUTF32LE, true, {KEY_ALT_C, KEY_RETURN}, RESULT_ACCEPT, FormatCodePage, true, 1252},
        {FormatUTF8, false, {KEY_ALT_6, KEY_ESC}, RESULT_CANCEL, FormatUTF8, false, 1252},
        // 932 takes two bytes a character: refused with a message, the
        // dialog stays, and a usable one is taken after it.
        {FormatUTF8, false, {KEY_ALT_C, KEY_ALT_P, '9', '3', '2', KEY_RETURN, KEY_RETURN, KEY_BACKSPACE, KEY_BACKSPACE,
                             KEY_BACKSPACE, '4', '3', '7', KEY_RETURN},
         RESULT_ACCEPT, FormatCodePage, false, 437},
    };
    for (const auto& r : rows) {
        SetUp();
        EFileFormat format = r.format;
        int cp = 1252;
        bool bom = r.bom;
        CFormatSelectDlg d("Format", format, cp, bom, 0);
        for (int k : r.keys)
            keys({k});
        fallback(KEY_ESC);
        SCOPED_TRACE(testing::Message() << r.format << " " << r.keys.size());
        EXPECT_EQ(d.Process(), r.result);
        EXPECT_EQ(format, r.chosen);
        EXPECT_EQ(bom, r.mark);
        EXPECT_EQ(cp, r.cp);
        bool refused = false;
        for (int n = 0; n < waits_started(); n++) {
            show(n);
            for (int y = 0; y < 25; y++)
                refused |= screen_text(shot, y).find("Invalid code page") != std::string::npos;
        }
        EXPECT_EQ(refused, r.cp == 437);
    }
}
