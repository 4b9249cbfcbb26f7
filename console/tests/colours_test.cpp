#include "console/colours.h"

#include <gtest/gtest.h>

TEST(Colours, Str2AttrReadsColourDescriptions)
{
    const struct { const char* spec; unsigned char attr; unsigned char want; } rows[] = {
        {"", 0x1B, 0x1B},
        {"bright white on blue", 0x07, 0x1F},
        {"on red", 0x1B, 0x4B},                // keeps the foreground
        {"yellow", 0x1B, 0x16},                // "yel" is brown; bright needs "bright"
        {"BRIGHT YELLOW on Black", 0x1B, 0x0E},
        {"on bright blue", 0x07, 0x97},        // a bright background
        {"black on cyan", 0x4F, 0x30},
        {"magenta   on   white", 0x00, 0x75},  // blanks around words
        {"pink on green", 0x1B, 0x20},         // an unknown word still clears its half
    };
    for (const auto& r : rows)
        EXPECT_EQ(Str2Attr(r.spec, r.attr), r.want) << '"' << r.spec << "\" from " << int(r.attr);
}
