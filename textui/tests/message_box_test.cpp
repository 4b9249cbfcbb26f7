#include "textui/message_box.h"

#include <gtest/gtest.h>

TEST(MessageBox, WrapsAtTheLastBlank)
{
    const struct { const wchar_t* message; int width; std::vector<const wchar_t*> lines; } rows[] = {
        {L"short", 10, {L"short"}},
        {L"one two three", 7, {L"one two", L"three"}},     // blank exactly at the width
        {L"one two three", 6, {L"one", L"two", L"three"}},
        {L"abcdefghij", 4, {L"abcd", L"efgh", L"ij"}},     // no blank: cut at the width
        {L"ab  cd", 2, {L"ab", L"", L"cd"}},               // one blank dropped per cut
        {L"", 10, {}},
    };
    for (const auto& r : rows) {
        std::vector<Westring> lines = wrap_message(r.message, r.width, 10);
        ASSERT_EQ(lines.size(), r.lines.size()) << r.message;
        for (size_t i = 0; i < lines.size(); i++)
            EXPECT_STREQ(lines[i].c_str(), r.lines[i]) << r.message;
    }
    // Text beyond ten lines is not shown.
    EXPECT_EQ(wrap_message(Westring(String(L'x', 200)), 10, 10).size(), 10u);
}
