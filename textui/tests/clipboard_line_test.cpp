#include "textui/clipboard_line.h"

#include <gtest/gtest.h>

TEST(ClipboardLine, JoinsLinesWithBlanks)
{
    const struct { const wchar_t* text; const wchar_t* line; } rows[] = {
        {L"one", L"one"},
        {L"one\ntwo\n", L"one two"},
        {L"\r\n\none\r\ntwo\r\n\r\n", L"one two"},   // empty lines at either end dropped
        {L"one\n\ntwo", L"one  two"},               // inner empty lines kept
        {L"", L""},
    };
    for (const auto& r : rows)
        EXPECT_STREQ(clip_text_to_line(r.text).c_str(), r.line) << r.text;
}
