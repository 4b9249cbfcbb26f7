#include "foundation/word_chars.h"

#include <gtest/gtest.h>

TEST(WordChars, WideTable)
{
    const struct { wchar_t c; bool word; } rows[] = {
        {L'0', true}, {L'9', true}, {L'A', true}, {L'z', true}, {L'_', true},
        {L' ', false}, {L'-', false}, {L'@', false}, {L'[', false}, {L'`', false}, {L'{', false},
        {0x00C0, true},   // À
        {0x00D7, false},  // ×, between two letter ranges
        {0x00F7, false},  // ÷
        {0x0430, true},   // Cyrillic а: low byte 0x30 is no reason to call it a digit or not
        {0x0301, true},   // a combining accent belongs to its word
        {0x0661, true},   // Arabic-Indic digit one
        {0x2014, false},  // em dash
        {0x4E2D, true},   // a CJK ideograph inside a First/Last range
        {0xAC00, true},   // the first Hangul syllable
        {0xDC80, false},  // a raw byte kept in text
        {0x1D400, true},  // mathematical bold A, beyond the 16-bit plane
        {0x1F600, false}, // an emoji
        {0x10FFFF, false},
        {static_cast<wchar_t>(0x110000), false},
        {static_cast<wchar_t>(-1), false},
    };
    for (const auto& r : rows)
        EXPECT_EQ(iswordchar(r.c), r.word) << std::hex << static_cast<unsigned>(r.c);
}

TEST(WordChars, ByteRanges)
{
    const struct { unsigned char c; bool word; } rows[] = {
        {'_', true}, {'5', true}, {'Q', true}, {'q', true}, {' ', false}, {'.', false},
        {0x7F, false}, {0x80, true}, {0xE9, true}, {0xFE, true}, {0xFF, false}, {0, false},
    };
    for (const auto& r : rows)
        EXPECT_EQ(iswordchar(static_cast<char>(r.c)), r.word) << int(r.c);
}
