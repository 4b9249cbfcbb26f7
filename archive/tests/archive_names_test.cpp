#include "archive/archive_names.h"
#include "archive/tests/archive_test_support.h"

#include <gtest/gtest.h>
#include <string>

namespace {

std::string decode(const std::string& bytes, bool utf8Flag, int cp)
{
    std::vector<wchar_t> out;
    DecodeArchiveName(bytes.data(), static_cast<int>(bytes.size()), utf8Flag, cp, out);
    out.push_back(0);
    return utf8(out.data());
}

} // namespace

TEST(ArchiveNames, Decoding)
{
    const struct { std::string bytes; bool utf8; int cp; std::string expected; } rows[] = {
        {"dir\\file.txt", false, 850, "dir/file.txt"},
        {"caf\xc3\xa9", false, 850, "café"},        // valid UTF-8 wins over the code page
        {"caf\x82", false, 850, "café"},            // else the code page
        {"caf\xe9", false, 819, "café"},
        {"caf\xe9", true, 850, "caf\xed\xb3\xa9"},  // flagged UTF-8 keeps a stray byte raw (U+DCE9)
        {std::string("a\0b", 3), false, 850, "a"},   // a NUL ends the name
        {"\xc0\xaf", false, 850, "\xe2\x94\x94\xc2\xbb"}, // overlong "/" is no UTF-8: cp850 "└»"
    };
    for (const auto& r : rows)
        EXPECT_EQ(decode(r.bytes, r.utf8, r.cp), r.expected) << r.bytes;
}

TEST(ArchiveNames, RarUnicode)
{
    const struct { std::string field; int result; std::string expected; } rows[] = {
        {"plain.txt", 0, "plain.txt"},  // no zero byte: UTF-8
        // High byte 0x04, flags 01 01 01 00: three Cyrillic letters, one ASCII.
        {std::string("abcd\0\x04\x54\x30\x31\x32" "d", 11), 0, "абвd"},
        // A run of 4 (L = 2) copying the 8-bit name.
        {std::string("docs\0\x00\xc0\x02", 8), 0, "docs"},
        // A run with a correction byte: 8-bit byte + C, high byte 0x04.
        {std::string("ab\0\x04\xc0\x80\xcf", 7), 0, "аб"},
        // A run longer than the 8-bit name is damage, not a read past it.
        {std::string("ab\0\x00\xc0\x7f", 6), -1, ""},
        // A two-byte character cut off by the end of the field.
        {std::string("a\0\x00\x80\x41", 5), -1, ""},
    };
    for (const auto& r : rows) {
        std::vector<wchar_t> out;
        int rc = DecodeRarUnicode(reinterpret_cast<const unsigned char*>(r.field.data()),
                                  static_cast<int>(r.field.size()), out);
        EXPECT_EQ(rc, r.result) << r.field;
        if (rc == 0) {
            out.push_back(0);
            EXPECT_EQ(utf8(out.data()), r.expected) << r.field;
        }
    }
}

TEST(ArchiveNames, UnsafeNames)
{
    const struct { const wchar_t* name; bool unsafe; } rows[] = {
        {L"a/b.txt", false}, {L"./a", false}, {L".", false}, {L"./", false}, {L"dir/", false},
        {L".hidden", false}, {L"a..b", false}, {L"", false},
        {L"/etc/passwd", true}, {L"../x", true}, {L"a/../../x", true}, {L"..", true}, {L"...", true},
        {L"a/...", true}, {L"a//b", true}, {L"a/./b", true}, {L"././a", true}, {L"a/..", true},
        {L"dir//", true},
    };
    for (const auto& r : rows) {
        std::wstring s = r.name;
        EXPECT_EQ(IsUnsafeArchiveName(s.c_str(), static_cast<int>(s.size())), r.unsafe) << utf8(r.name);
    }
}
