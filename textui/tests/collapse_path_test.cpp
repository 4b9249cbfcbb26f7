#include "textui/collapse_path.h"

#include <gtest/gtest.h>

TEST(CollapsePath, KeepsHeadAndTail)
{
    const struct { const wchar_t* path; int width; const wchar_t* shown; } rows[] = {
        {L"/home/user/src", 20, L"/home/user/src"},                  // fits
        {L"/home/user/projects/pannex/textui", 20, L"/home/...nnex/textui"},
        {L"//server/share/very/deep/directory", 24, L"//server/share/...ectory"},
        {L"relative/path/that/is/long", 10, L"relative/\x10"},     // no head: cut and marked
        {L"/averyverylongfirstdirectory/x", 12, L"/averyveryl\x10"},  // head too wide
        {L"/nohead", 4, L"/no\x10"},
        {L"/home/user", 0, L""},
    };
    for (const auto& r : rows) {
        Westring p = r.path;
        collapse_path(p, r.width);
        EXPECT_STREQ(p.c_str(), r.shown) << r.path << " in " << r.width;
        EXPECT_LE(p.strlen(), r.width);
    }
}
