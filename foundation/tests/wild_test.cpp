#include "foundation/csv.h"
#include "foundation/wild.h"

#include <gtest/gtest.h>

#include <string>

TEST(Wild, Masks)
{
    const struct { const char* mask; const char* name; int match; } rows[] = {
        {"*.TXT", "readme.txt", 1},        // always case-insensitive
        {"*.txt", "readme.txt.bak", 0},
        {"?", "", 0},
        {"*", "", 1},
        {"", "", 1},
        {"", "x", 0},
        {"?.c", "ab.c", 0},
        {"??.c", "ab.c", 1},
        {"a*b*c", "aXbYbZc", 1},
        {"a*b*c", "aXbYbZ", 0},
        {"*a*b", "aaab", 1},               // star backtracking past partial matches
        {"*ab*ab", "abXabab", 1},
        {"**x", "abx", 1},
        {"x*", "x", 1},
        {"cd[\\. ]*", "cd ..", 1},          // how the command line spots "cd"
        {"cd[\\. ]*", "cdrom", 0},
        {"set *=*", "SET a=b", 1},
        {"d[0-9]", "d7", 1},
        {"d[0-9]", "dx", 0},
        {"*(*)", "name(1)", 1},
        {"a[", "a[", 1},                   // no closing bracket: ordinary character
        {"*abc", "ab", 0},                 // a plain tail longer than the text
        {"ab*b", "ab", 0},                 // the star's tail cannot reuse matched text
        {"ab*b", "abb", 1},
        {"*aa", "aa", 1},
        // Sets, negated sets and ranges.
        {"[^a-c]x", "dx", 1},
        {"[^a-c]x", "Bx", 0},              // members fold case too
        {"[A-C]", "b", 1},
        {"[]x", "x", 0},                   // an empty set matches nothing
        {"[]x", "]x", 0},
        {"[^]x", "qx", 1},                 // an empty negated set matches anything
        {"[^]x", "x", 0},                  // ... but needs a character
        {"[c-a]", "b", 0},                 // a backwards range is empty
        {"[-b]", "a", 1},                  // a leading "-" ranges from code 0
        {"[-b]", "c", 0},
        {"[x-]", "\xF0", 1},               // a trailing "-" ranges to 255
        {"[x-]", "w", 0},
        {"[a-c-e]", "d", 1},               // the second range starts after the first
        {"[a-c-e]", "e", 1},
        {"[a-c-e]", "f", 0},
        {"[a-z^m]", "m", 0},               // "^" inside flips the sense
        {"[a-z^m]", "n", 1},
        {"[^a^b]", "b", 1},
        {"[^a^b]", "a", 0},
        {"[\\]", "\\", 1},                 // no escapes
        {"[ab]", "", 0},
        // Brace lists.
        {"{a,b}c", "bc", 1},
        {"{a,b}c", "bd", 0},
        {"*.{c,h}", "main.h", 1},
        {"*.{c,h}", "main.cpp", 0},
        {"*.{c,cpp}", "main.cpp", 1},      // every matching alternative is tried
        {"x{,y}z", "xz", 1},               // an empty alternative takes nothing
        {"x{,y}z", "xyz", 1},
        {"{*.c,h}", "a.c", 0},             // a star inside a list is literal
        {"{*.c,h}", "*.c", 1},
        {"{?b,[xy]q}", "ab", 1},
        {"{?b,[xy]q}", "Yq", 1},
        {"{a,b}", "{a,b}", 1},             // no alternative matched: "{" is literal
        {"{a,b", "{a,b", 1},
        {"*{x,y}*{1,2}", "AxB2", 1},
        {"*{x,y}*{1,2}", "AxB3", 0},
    };
    for (const auto& r : rows)
        EXPECT_EQ(wild(r.mask, r.name), r.match) << r.mask << " vs " << r.name;
}

TEST(Wild, WideVariant)
{
    const struct { const wchar_t* mask; const wchar_t* name; int match; } rows[] = {
        {L"*.TXT", L"\x00E4rger.txt", 1},
        {L"\x00C4*", L"\x00E4rger", 1},            // folds beyond ASCII
        {L"[\x00E0-\x00E5]x", L"\x00C4x", 1},
        {L"[^a]", L"\x1F600", 1},                  // above U+FFFF: never a member
        {L"[\x1F600]", L"\x1F600", 0},
        {L"?", L"\x1F600", 1},
        {L"\xFF41", L"\xFF21", 0},                 // from U+8000 up, exact
        {L"*.{c,h}", L"\x0434.H", 1},
    };
    for (const auto& r : rows)
        EXPECT_EQ(wild(r.mask, r.name), r.match);
}

TEST(Wild, ManyStarsStayFast)
{
    // A pathological mask must not take exponential time on a long name.
    std::string name(250, 'a');
    EXPECT_EQ(wild("*a*a*a*a*a*a*a*a*b", name.c_str()), 0);
}

TEST(ParseCSVField, Fields)
{
    const struct { const char* in; const char* field; const char* rest; } rows[] = {
        {"\"a,b\",c", "a,b", "c"},
        {"a\\,b", "a,b", ""},
        {"a\\044b,c", "a,b", "c"},
        {"\"a\"\"b\",c", "a\"b", "c"},
        {"a\nb,c", "ab", "c"},
        {"abc\\", "abc", ""},              // a backslash at the end ends the field
        {",x", "", "x"},
        {"", "", ""},
        {"\\65\\066x", "ABx", ""},
        {"\\qz", "qz", ""},
    };
    for (const auto& r : rows) {
        Estring s(r.in);
        Estring f = ParseCSVField(s);
        EXPECT_STREQ(f.c_str(), r.field) << r.in;
        EXPECT_STREQ(s.c_str(), r.rest) << r.in;
    }
    const char* p = "one,two";
    EXPECT_STREQ(ParseCSVField(p).c_str(), "one");
    EXPECT_STREQ(p, "two");
}
