#include "archive/archive.h"
#include "archive/archive_file.h"
#include "archive/tests/archive_test_support.h"
#include "archive/tests/archive_walk.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>

namespace {

// A fixed pseudo-random sequence (xorshift64), the same on every machine,
// so a failure repeats.
struct Sequence
{
    unsigned long long state;
    unsigned long long next()
    {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    }
    size_t below(size_t n) { return n ? static_cast<size_t>(next() % n) : 0; }
};

std::string read_data(const char* name)
{
    std::ifstream in(std::string(ARCHIVE_TEST_DATA) + "/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// One variant of bytes: flipped bits, a truncation, or a length field
// inflated to a large or all-ones value.
std::string mutate(const std::string& bytes, Sequence& seq)
{
    std::string b = bytes;
    if (b.empty())
        return b;
    switch (seq.below(4)) {
    case 0:
        for (int i = 0, n = 1 + static_cast<int>(seq.below(4)); i < n; i++)
            b[seq.below(b.size())] ^= static_cast<char>(1 << seq.below(8));
        break;
    case 1:
        b.resize(seq.below(b.size()));
        break;
    case 2: {
        // 16- or 32-bit little-endian field set to a huge value.
        size_t width = seq.below(2) ? 4 : 2;
        if (b.size() < width)
            break;
        size_t at = seq.below(b.size() - width + 1);
        static const unsigned values[] = {0xFFFFFFFFu, 0x7FFFFFFFu, 0xFFFFu, 0x8000u, 60000u, 8192u, 8191u};
        unsigned v = values[seq.below(std::size(values))];
        for (size_t i = 0; i < width; i++)
            b[at + i] = static_cast<char>(v >> (8 * i));
        break;
    }
    default:
        b[seq.below(b.size())] = static_cast<char>(seq.next());
        break;
    }
    return b;
}

} // namespace

// Every reader on 600 damaged variants of real archives: none may
// read outside its buffers (the sanitizer build checks that), hang or hand
// the panel a listing it cannot show.
TEST(Mutation, EveryReaderSurvivesDamage)
{
    const struct { const char* file; int type; } seeds[] = {
        {"basic.zip", ArchZip},       {"zip64.zip", ArchZip},         {"sfx_elf.zip", ArchZip},
        {"rar4.rar", ArchRar},        {"rar4_unicode.rar", ArchRar},  {"level0.lzh", ArchLharc},
        {"level1.lzh", ArchLharc},    {"level2.lzh", ArchLharc},      {"test.arj", ArchArj},
        {"test.ace", ArchAce},        {"test.ha", ArchHa},            {"named.gz", ArchGzip},
        {"gnu.tar", ArchTar},         {"pax.tar", ArchTar},           {"unsafe.tar", ArchTar},
        {"test.7z", Arch7zip},        {"rar5.rar", Arch7zip},         {"data.txt.bz2", ArchBzip2},
    };
    Sequence seq{0x9E3779B97F4A7C15ULL};
    for (const auto& s : seeds) {
        std::string original = read_data(s.file);
        ASSERT_FALSE(original.empty()) << s.file;
        for (int i = 0; i < 600; i++) {
            std::string variant = mutate(original, seq);
            CArchiveMemoryFile file(variant.data(), variant.size());
            RecordingUI ui;
            // The one reader alone, and every second time the whole chain.
            Archive a(L"/x/mutated", file, {}, &ui, i % 2 ? -1 : s.type);
            EXPECT_EQ(walk_archive(a), "") << s.file << " variant " << i;
            EXPECT_LE(ui.messages.size(), 2u) << s.file << " variant " << i;
        }
    }
}
// Inputs the fuzz targets found, each a fault that was mended.
TEST(Mutation, FuzzFindings)
{
    const struct { const char* file; int type; } rows[] = {
        {"fuzz_ace_control_char.ace", ArchAce}, // a "\x01" in a path sorted like "/": a directory did not open
        {"fuzz_rar_empty_name.rar", ArchRar},   // an empty name was copied from a null pointer
        {"fuzz_ha_deep_path.ha", ArchHa},       // one member implying many directories
    };
    for (const auto& r : rows) {
        std::string bytes = read_data(r.file);
        ASSERT_FALSE(bytes.empty()) << r.file;
        CArchiveMemoryFile file(bytes.data(), bytes.size());
        RecordingUI ui;
        Archive a(L"/x/found", file, {}, &ui, r.type);
        EXPECT_EQ(walk_archive(a), "") << r.file;
    }
}
