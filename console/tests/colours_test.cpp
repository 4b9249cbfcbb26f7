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

TEST(Colours, PaletteAndDefaults)
{
    EXPECT_EQ(palette[1].blue, 0x7FFF);
    EXPECT_EQ(palette[1].red, 0);
    EXPECT_EQ(palette[6].green, 0x7FFF);  // brown
    EXPECT_EQ(palette[7].red, 0xC000);
    EXPECT_EQ(palette[8].green, 0x8000);
    EXPECT_EQ(palette[11].green, 0xFFFF);
    EXPECT_EQ(palette[11].blue, 0xFFFF);
    EXPECT_EQ(palette[11].red, 0);
    EXPECT_EQ(palette[14].red, 0xFFFF);

    unsigned char table[ColourCount] = {};
    set_default_colours(table);
    EXPECT_EQ(table[ColourPanel], 0x1B);
    EXPECT_EQ(table[ColourCommandLine], 0x07);
    EXPECT_EQ(table[ColourErrors], 0x4F);
    EXPECT_EQ(table[ColourClock], 0x30);
    EXPECT_STREQ(colour_names[ColourMenuQuickKey], "Menu Quick Key");
    EXPECT_STREQ(colour_names[ColourClock], "Clock");
}
