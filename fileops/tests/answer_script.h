#ifndef PANNEX_FILEOPS_TESTS_ANSWER_SCRIPT_H
#define PANNEX_FILEOPS_TESTS_ANSWER_SCRIPT_H

#include "console/console.h"
#include "console/console_test_support.h"
#include "console/key_codes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// The console at 80 x 25 answering the commands' questions from a script:
// each time a command waits for input, the screen is kept as text and the
// next answer goes in (Esc once the script is used up), so a test can tell
// which questions came and in what order.
class CAnswerScript : public ::testing::Test
{
protected:
    void SetUp() override
    {
        console.SetDisplay(&display);
        console.SetSize(80, 25, "", 0);
        console.idle_hook = [this] {
            std::string s;
            for (int y = 0; y < console.Lines(); y++)
                s += screen_text(console, y) + "\n";
            screens.push_back(s);
            if (next < pending.size())
                console.Queue().Put({CConsole::EvKey, pending[next++], 0, 0, 0, 0});
        };
    }
    void TearDown() override
    {
        console.idle_hook = nullptr;
        script_keys(console, {}, 0);
        console.SetDisplay(nullptr);
    }
    void answers(std::vector<int> keys)
    {
        pending = std::move(keys);
        next = 0;
        screens.clear();
        script_keys(console, {}, KEY_ESC);
    }
    // Whether some screen showed text.
    bool asked(const std::string& text) const
    {
        for (const std::string& s : screens)
            if (s.find(text) != std::string::npos)
                return true;
        return false;
    }

    CRecordingDisplay display;
    std::vector<std::string> screens;
    std::vector<int> pending;
    size_t next = 0;
};

#endif
