#include "editor/view_code_page.h"

#include "config/config.h"
#include "console/console.h"
#include "console/console_test_support.h"
#include "console/key_codes.h"
#include "foundation/nls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(ViewCodePage, AltTWalksTheListAndWrapsThroughTheDefault)
{
    // TextCodePage unset: the default is 819, which is stored as 0.
    textcodepage = 0;
    const struct { const char* list; std::vector<int> cycle; bool invalid = false; } rows[] = {
        {"1251,866", {1251, 866, 0, 1251, 866, 0}},
        {"866", {866, 0, 866}},
        {"", {0, 0}},
        {"819,1252", {0, 1252, 0, 0}},   // the default itself counts as 0
        {"1251,,866", {1251, 0, 1251, 0}}, // an empty entry ends the list
        {"1252,", {1252, 0, 1252}},
        {" 1250", {1250, 0}},             // atoi skips leading blanks
        // Refused: not a code page at all, one of several bytes a
        // character, nonsense.
        {"99999", {0}, true}, {"932", {0}, true}, {"65001", {0}, true}, {"12abc", {0}, true},
    };
    for (const auto& r : rows) {
        int pos = 0;
        for (size_t i = 0; i < r.cycle.size(); i++) {
            bool invalid = !r.invalid;
            EXPECT_EQ(next_list_code_page(r.list, pos, invalid), r.cycle[i]) << r.list << " step " << i;
            EXPECT_EQ(invalid, r.invalid) << r.list << " step " << i;
        }
    }
}

TEST(ViewCodePage, SwitchSaysInvalidCodePageAndGoesOn)
{
    CRecordingDisplay display;
    console.SetDisplay(&display);
    console.SetSize(80, 25, Estring(), 0);
    textcodepage = 0;
    set_config_defaults(config);
    config.TranslateCP = "99999,1251";
    viewCPPos = 0;
    bool shown = false;
    console.idle_hook = [&] {
        for (int y = 0; y < 25; y++)
            shown |= screen_text(console, y).find("Invalid code page") != std::string::npos;
    };
    script_keys(console, {}, KEY_ESC);
    int cp = -1;
    EXPECT_EQ(SwitchViewCodePage(cp), 0);
    EXPECT_EQ(cp, 0);
    EXPECT_TRUE(shown);
    EXPECT_EQ(SwitchViewCodePage(cp), 0);
    EXPECT_EQ(cp, 1251);
    console.idle_hook = nullptr;
    script_keys(console, {}, 0);
    console.SetDisplay(nullptr);
    viewCPPos = 0;
}
