#include "viewer/xtoi.h"

#include <gtest/gtest.h>

TEST(Xtoi, ReadsHexUpToTheFirstOtherCharacter)
{
    const struct { const char* text; long long value; } rows[] = {
        {"1F", 0x1F}, {"1f", 0x1F}, {"xyz", 0}, {"12G", 0x12}, {"", 0}, {"0", 0},
        {"aBcDeF", 0xABCDEF}, {" 10", 0},            // no blank skipping: the dialog trims
        {"2540BE400", 0x2540BE400},                   // beyond 32 bits: offsets in 10 GiB files
        {"FFFFFFFFFFFFFFFFFFFF", 0xFFFFFFFFFFFFFFFLL}, // stops growing instead of overflowing
    };
    for (const auto& r : rows)
        EXPECT_EQ(xtoi(r.text), r.value) << r.text;
}
