#include "textui/colours_dialog.h"

#include "console/console.h"
#include "console/console_test_support.h"
#include "console/key_codes.h"
#include "textui/textui_settings.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class ColoursDialogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        console.SetSize(80, 25, Estring(), 0);
        set_default_colours(table);
        textui_settings.colours = table;
    }
    void TearDown() override { script_keys(console, {}, 0); }

    unsigned char table[ColourCount];
};

}

TEST_F(ColoursDialogTest, KeysStepTheSelectedColour)
{
    const struct { std::vector<int> keys; unsigned char panel; } rows[] = {
        {{'f'}, 0x1C},
        {{'F'}, 0x1A},
        {{'b'}, 0x2B},
        {{'B', 'B'}, 0xFB},                   // the background wraps below 0
        {{'f', 'f', 'f', 'f', 'f'}, 0x10},    // and the foreground past 15
    };
    for (const auto& r : rows) {
        SetUp();
        std::vector<int> keys = r.keys;
        keys.push_back(KEY_RETURN);
        script_keys(console, keys, KEY_ESC);
        EXPECT_EQ(change_colours(), 0);
        EXPECT_EQ(table[ColourPanel], r.panel) << std::hex << int(r.panel);
        EXPECT_EQ(table[ColourHighlight], default_colours[ColourHighlight]);
    }
}

TEST_F(ColoursDialogTest, OkStoresCancelRestores)
{
    std::vector<int> keys = {'f'};
    for (int i = 0; i < ColourMenuQuickKey; i++)
        keys.push_back(KEY_DOWN);
    keys.push_back('b');
    keys.push_back(KEY_ESC);
    script_keys(console, keys, KEY_ESC);
    EXPECT_EQ(change_colours(), -1);
    EXPECT_EQ(std::memcmp(table, default_colours, ColourCount), 0);

    keys.back() = KEY_RETURN;
    script_keys(console, keys, KEY_ESC);
    EXPECT_EQ(change_colours(), 0);
    EXPECT_EQ(table[ColourPanel], 0x1C);
    EXPECT_EQ(table[ColourMenuQuickKey], 0x0E) << "the quick-key colour keeps no background";
}
