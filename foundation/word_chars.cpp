#include "foundation/word_chars.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace {

struct WordRange
{
    uint32_t first, last;
};

constexpr WordRange word_ranges[] = {
#include "foundation/word_char_table.inc"
};

}

bool iswordchar(wchar_t c)
{
    uint32_t u = static_cast<uint32_t>(c);
    // ASCII is asked for far more often than anything else.
    if (u < 0x80)
        return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u == '_';
    // The first range whose last code point is not below u decides.
    auto it = std::lower_bound(std::begin(word_ranges), std::end(word_ranges), u,
                               [](const WordRange& r, uint32_t v) { return r.last < v; });
    return it != std::end(word_ranges) && it->first <= u;
}

bool iswordchar(char c)
{
    unsigned char b = static_cast<unsigned char>(c);
    return b == '_' || (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') ||
           (b >= 0x80 && b <= 0xFE);
}
