#include "command/quote_name.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

// What /bin/sh makes of a quoted name: the words it sees, each in brackets.
std::string shell_words(const Westring& quoted)
{
    std::string cmd = "printf '[%s]' " + std::string(FileNameToSys(quoted).c_str());
    FILE* f = popen(cmd.c_str(), "r");
    std::string out;
    char buf[256];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0)
        out.append(buf, n);
    pclose(f);
    return out;
}

}

TEST(QuoteName, RoundTripsAndReachesTheShellAsOneWord)
{
    const char* names[] = {
        "plain.txt", "two words", "it's", "say \"hi\"", "$HOME", "*.c", "a?b", "[x]",
        "tab\there", "line\nbreak", "semi;colon", "a&b|c", "~user", "#hash", "back\\slash",
        "!bang", "\xE4-latin1", "\xC3\xA4-utf8", "", "'", "\n",
    };
    for (const char* n : names) {
        Westring name = FileNameFromSys(n);
        Westring quoted = QuoteName(name);
        EXPECT_EQ(std::wstring(DequoteName(quoted).c_str()), std::wstring(name.c_str())) << n;
        EXPECT_EQ(shell_words(quoted), "[" + std::string(n) + "]") << n;
    }
}

TEST(QuoteName, Forms)
{
    EXPECT_STREQ(QuoteName(L"a b").c_str(), L"a\\ b");
    EXPECT_STREQ(QuoteName(L"x*").c_str(), L"x\\*");
    EXPECT_STREQ(QuoteName(L"dir/").c_str(), L"dir/");
    EXPECT_STREQ(DequoteName(L"abc\\").c_str(), L"abc");  // a trailing backslash is dropped
    EXPECT_STREQ(DequoteName(L"a\\\\b").c_str(), L"a\\b");
}
