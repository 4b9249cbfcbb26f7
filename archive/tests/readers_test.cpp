#include "archive/archive.h"
#include "archive/archive_file.h"
#include "archive/tests/archive_test_support.h"

#include <gtest/gtest.h>
#include <string>

namespace {

std::string data_file(const std::string& name)
{
    return std::string(ARCHIVE_TEST_DATA) + "/" + name;
}

// Expands {d200} into 200 d's and so on, so long names fit a table.
std::string expand(std::string s)
{
    for (;;) {
        size_t open = s.find('{');
        if (open == std::string::npos)
            return s;
        size_t close = s.find('}', open);
        char c = s[open + 1];
        int n = std::stoi(s.substr(open + 2, close - open - 2));
        s.replace(open, close - open + 1, std::string(static_cast<size_t>(n), c));
    }
}

const std::string deep = "{d200}/{d200}/{d200}";

} // namespace

// Every member of archives made by the real programs, or by
// make_generated.py where no Debian program writes the format, in the
// order the panel lists them.
TEST(Readers, ListEveryMember)
{
    const std::vector<std::string> tree = {"D docs", "F docs/readme.txt 6", "D docs/sub", "F docs/sub/deep.txt 10"};
    auto with = [&tree](std::vector<std::string> head, std::vector<std::string> tail = {}) {
        head.insert(head.end(), tree.begin(), tree.end());
        head.insert(head.end(), tail.begin(), tail.end());
        return head;
    };
    // type "" when not recognised, message "" for none
    const struct { const char* file; const char* type; const char* message; std::vector<std::string> members; }
    rows[] = {
        {"basic.zip", "ZIP", "",
         with({"F link 15 link", "F {n150}.txt 5", "F top.txt 4", "F ünï.txt 8", "D {d200}", "D {d200}/{d200}",
               "D " + deep, "F " + deep + "/f.txt 7"},
              {"D empty"})},
        // The end record behind the longest comment, past a false one in it.
        {"comment65535.zip", "ZIP", "", {"F top.txt 4"}},
        {"comment_truncated.zip", "", "ZIP corrupt, nonsense header read", {}},
        // unzipsfx's ELF stub in front, offsets adjusted by zip -A.
        {"sfx_elf.zip", "ZIP", "", {"F top.txt 4", "F docs/readme.txt 6"}},
        {"empty.zip", "ZIP", "", {}},
        // Only the unpacked size overflows: the packed size is not the
        // 64-bit offset that follows it in the extra field.
        {"zip64.zip", "ZIP", "", {"F huge.bin 5368709120", "F small.txt 6"}},
        {"rar4.rar", "RAR", "", {"F big.bin 4886718345", "F café.txt 6", "D docs", "F docs/readme.txt 10"}},
        {"rar4_unicode.rar", "RAR", "", {"F 日本語.txt 8", "F docs/файл.txt 8"}},
        {"rar4_sfx.exe", "RAR", "", {"F inside.txt 4"}},
        {"rar4_bad_name.rar", "", "Error in RAR header", {}},
        {"rar4_bad_run.rar", "", "Error in RAR header", {}},
        {"rar5.rar", "RAR", "", {"D dir", "F dir/five.txt 9"}},
        {"test.ace", "ACE", "", {"F top.txt 4", "D docs", "F docs/ace.txt 9"}},
        {"ace_sfx.exe", "ACE", "", {"F sfx.txt 1"}},
        {"ace_bad_name.ace", "", "Error in ACE header", {}},
        {"test.ha", "HA", "", {"F top.txt 4", "D docs", "F docs/sub/ha.txt 8"}},
        {"ha_long_string.ha", "", "Error in HA header", {}},
        {"level0.lzh", "LHARC", "", {"F top0.txt 2", "F docs/zero.txt 11"}},
        {"level1.lzh", "LHARC", "", {"D docs", "F docs/sub/one.txt 10"}},
        {"level2.lzh", "LHARC", "", {"F root2.txt 2", "F docs/two.txt 10", "D empty"}},
        {"lzh_sfx.exe", "LHARC", "", {"F sfx.txt 2"}},
        {"lzh_bad_name.lzh", "", "Error in LZH header", {}},
        {"lzh_level3.lzh", "", "Error in LZH header", {}},
        {"test.arj", "ARJ", "", {"F top.txt 12", "F docs/readme.txt 6", "F docs/sub/deep.txt 10"}},
        // The prefix field of a POSIX header joins the name.
        {"ustar.tar", "TAR", "", with({"F top.txt 4"}, {"D {p80}", "F {p80}/{m60}.txt 6"})},
        // A 700-character name in GNU "L" blocks, and the members after it.
        {"gnu.tar", "TAR", "",
         with({"F link 0 link", "F top.txt 4", "D {d200}", "D {d200}/{d200}", "D " + deep, "F " + deep + "/f.txt 7"})},
        {"pax.tar", "TAR", "",
         with({"F top.txt 4", "F ünï.txt 8", "D {d200}", "D {d200}/{d200}", "D " + deep, "F " + deep + "/f.txt 7"})},
        // tar -r appended a newer top.txt: it alone is listed.
        {"update.tar", "TAR", "", {"F top.txt 12"}},
        {"bad_checksum.tar", "", "", {}},
        {"unsafe.tar", "TAR", "",
         {"F ../evil2 2 unsafe", "F /abs/path 2 unsafe", "F a/.../b 0 unsafe", "F docs/../../evil 2 unsafe",
          "F dot.txt 2 ./", "F link 0 link", "F link/passwd 2 unsafe", "F docs/ok.txt 3"}},
        // A global pax header lists nothing; an "x" header names, sizes
        // and times the next member.
        {"pax_global.tar", "TAR", "", {"F after.txt 2", "F pax/{n200}.txt 3"}},
        {"base256.tar", "TAR", "", {"F nine_gib.bin 9663676416"}},
        {"gnu_v_label.tar", "TAR", "", {"F in_volume.txt 2"}},
        {"gnu_long_huge.tar", "", "Error in TAR header", {}},
        {"named.gz", "GZIP", "", {"F readme.txt 6"}},
        {"readme.txt.gz", "GZIP", "", {"F readme.txt 6"}},
        {"t.tgz", "GZIP", "", {"F t.tar 10240"}},
        {"data.txt.bz2", "BZIP2", "", {"F data.txt ?"}},
        {"t.tbz", "BZIP2", "", {"F t.tar ?"}},
        {"test.7z", "7ZIP", "", with({"F top.txt 12", "F ünï.txt 8"}, {"D empty"})},
        // A 7z libarchive refuses shows libarchive's reason.
        {"encrypted.7z", "", "The archive header is encrypted, but currently not supported", {}},
        // 206 bytes whose compressed header claims 3.8 GB unpacked: refused
        // before libarchive reserves it.
        {"huge_header.7z", "", "Error in 7z header", {}},
        // 206 bytes declaring 52 million folders in the compressed header.
        {"many_folders.7z", "", "Error in 7z header", {}},
    };
    for (const auto& r : rows) {
        RecordingUI ui;
        Archive a(Westring(data_file(r.file).c_str()), nullptr, {}, &ui);
        EXPECT_STREQ(a.GetArchTypeName(), r.type) << r.file;
        EXPECT_EQ(a.status, *r.type ? 0 : -1) << r.file;
        std::vector<std::string> expected;
        for (const auto& m : r.members)
            expected.push_back(expand(m));
        EXPECT_EQ(describe_all(a), expected) << r.file;
        std::vector<std::string> messages;
        if (*r.message)
            messages.push_back(r.message);
        EXPECT_EQ(ui.messages, messages) << r.file;
    }
}

// DOS times are local: compare the calendar fields, so that the test holds
// in every time zone. Unix times are compared as seconds.
TEST(Readers, TimesAndOwners)
{
    // DOS stands for the local time 2021-03-04 05:06:08 these archives keep.
    constexpr long long DOS = -1, T1 = 1614834368, T2 = 1620284889;
    const struct { const char* file; const wchar_t* dir; const wchar_t* name; long long seconds; unsigned uid, gid; }
    rows[] = {
        {"basic.zip", L"docs", L"readme.txt", DOS, 0, 0}, {"rar4.rar", L"docs", L"readme.txt", DOS, 0, 0},
        {"test.ace", L"docs", L"ace.txt", DOS, 0, 0}, {"test.ha", L"docs/sub", L"ha.txt", DOS, 0, 0},
        {"level0.lzh", L"docs", L"zero.txt", DOS, 0, 0},
        // Level 1 takes the Unix time of its extended header, level 2 its own.
        {"level1.lzh", L"docs/sub", L"one.txt", T1, 0, 0}, {"level2.lzh", L"docs", L"two.txt", T1, 1000, 100},
        {"gnu.tar", L"docs", L"readme.txt", T1, 0, 0}, {"update.tar", L"", L"top.txt", T2, 0, 0},
        {"test.arj", L"", L"top.txt", T2, 0, 0},  // arj on Unix stores Unix seconds
        {"pax_global.tar", L"pax", L"", T1, 1000, 100}, {"named.gz", L"", L"readme.txt", T1, 0, 0},
        {"test.7z", L"docs/sub", L"deep.txt", T1, 0, 0}, {"rar5.rar", L"dir", L"five.txt", T1, 0, 0},
    };
    for (const auto& r : rows) {
        RecordingUI ui;
        Archive a(Westring(data_file(r.file).c_str()), nullptr, {}, &ui);
        ASSERT_EQ(a.status, 0) << r.file;
        const ArchiveEntry* e = nullptr;
        if (*r.name) {
            e = a.FindMember(r.dir, r.name);
        } else {
            // The one member of the directory (a long pax name).
            for (int i = 0; i < a.Entries().Count(); i++)
                if (std::wcscmp(a.Entries().At(i)->path, r.dir) == 0)
                    e = a.Entries().At(i);
        }
        ASSERT_NE(e, nullptr) << r.file;
        if (r.seconds == DOS) {
            ExpandedTime t;
            e->time.Expand(t);
            EXPECT_EQ((std::vector<int>{t.year, t.month, t.day, t.hour, t.minute, t.second}),
                      (std::vector<int>{2021, 3, 4, 5, 6, 8}))
                << r.file;
        } else {
            EXPECT_EQ(e->time.seconds, r.seconds) << r.file;
        }
        if (r.uid || r.gid) {
            EXPECT_EQ(e->uid, r.uid) << r.file;
            EXPECT_EQ(e->gid, r.gid) << r.file;
        }
    }
}

TEST(Readers, UnknownSizesAndTimes)
{
    RecordingUI ui;
    Archive bz(Westring(data_file("data.txt.bz2").c_str()), nullptr, {}, &ui);
    ASSERT_EQ(bz.status, 0);
    const ArchiveEntry* e = bz.Entries().At(0);
    EXPECT_EQ(e->size, ArchiveSizeUnknown);
    EXPECT_EQ(e->time, ArchiveTimeUnknown);
    EXPECT_EQ(e->packed, 42u);
    // gzip -n stores no time.
    Archive gz(Westring(data_file("readme.txt.gz").c_str()), nullptr, {}, &ui);
    ASSERT_EQ(gz.status, 0);
    EXPECT_EQ(gz.Entries().At(0)->time, ArchiveTimeUnknown);
    // 7z keeps no packed sizes per member: totals count them as 0.
    Archive sz(Westring(data_file("test.7z").c_str()), nullptr, {}, &ui);
    ASSERT_EQ(sz.status, 0);
    unsigned long long size, packed;
    sz.GetTotals(size, packed);
    EXPECT_EQ(size, 12u + 8 + 6 + 10);
    EXPECT_EQ(packed, 0u);
    EXPECT_TRUE(ui.messages.empty());
}

// The code page setting decides names that are not UTF-8.
TEST(Readers, CodePageOfEightBitNames)
{
    RecordingUI ui;
    ArchiveSettings latin1;
    latin1.CodePage = 819;
    Archive a(Westring(data_file("rar4.rar").c_str()), nullptr, latin1, &ui);
    ASSERT_EQ(a.status, 0);
    // 0x82 is é in code page 850 and a control character in Latin-1.
    const ArchiveEntry* e = a.FindMember(L"", L"caf\x82.txt");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(std::string(e->stored, static_cast<size_t>(e->stored_length)), "caf\x82.txt");
}

TEST(Readers, FilesOfNoFormatAreNotArchives)
{
    TempDir dir;
    const struct { const char* name; std::string bytes; } rows[] = {
        {"empty", ""},
        {"text.txt", "just some text\n"},
        {"mz.exe", "MZ" + std::string(70000, 'x')},
        {"pk", "PK"},
        {"zeros.tar", std::string(1024, '\0')},
    };
    for (const auto& r : rows) {
        RecordingUI ui;
        Archive a(Westring(dir.write(r.name, r.bytes).c_str()), nullptr, {}, &ui);
        EXPECT_EQ(a.status, -1) << r.name;
        EXPECT_TRUE(ui.messages.empty()) << r.name;
        ArchiveListEntry e;
        EXPECT_EQ(a.FindFirst(L"", e), -1) << r.name;
    }
    RecordingUI ui;
    Archive missing(Westring(dir.file("missing.zip").c_str()), nullptr, {}, &ui);
    EXPECT_EQ(missing.status, -1);
    Archive directory(Westring(dir.path.c_str()), nullptr, {}, &ui);
    EXPECT_EQ(directory.status, -1);
}

// Escape during reading leaves the file unrecognised, in every reader.
TEST(Readers, EscapeStopsEveryReader)
{
    const char* files[] = {"basic.zip", "rar4.rar", "level2.lzh", "test.arj", "test.ace",
                           "test.ha", "named.gz", "gnu.tar", "test.7z", "data.txt.bz2"};
    for (const char* f : files) {
        RecordingUI ui;
        ui.stop = true;
        Archive a(Westring(data_file(f).c_str()), nullptr, {}, &ui);
        EXPECT_EQ(a.status, -1) << f;
        EXPECT_EQ(a.Entries().Count(), 0) << f;
    }
}

// Self-extractors: the archive after a stub of any length up to the
// format's limit, a signature across the search's chunk boundary too.
TEST(Readers, SelfExtractorStubs)
{
    auto read = [](const char* name) { return TempDir::read(data_file(name)); };
    const struct { const char* file; int type; size_t stub; bool found; } rows[] = {
        {"rar4.rar", ArchRar, 16380, true},     {"rar4.rar", ArchRar, 16383, true},
        {"rar4.rar", ArchRar, 16384, true},     {"rar4.rar", ArchRar, 0x20000 - 7, true},
        {"rar4.rar", ArchRar, 0x20000, false},  {"test.ace", ArchAce, 16378, true},
        {"test.ace", ArchAce, 0x10000, false},  {"level2.lzh", ArchLharc, 16382, true},
        {"test.arj", ArchArj, 16383, true},
    };
    for (const auto& r : rows) {
        std::string bytes = "MZ" + std::string(r.stub - 2, '\x90') + read(r.file);
        CArchiveMemoryFile file(bytes.data(), bytes.size());
        RecordingUI ui;
        Archive a(L"/x/sfx.exe", file, {}, &ui, r.type);
        EXPECT_EQ(a.status == 0, r.found) << r.file << " after " << r.stub;
        if (r.found) {
            EXPECT_GT(a.Entries().Count(), 0) << r.file << " after " << r.stub;
        }
    }
}

// Damage that each message names, made from real archives byte by byte.
TEST(Readers, DamageMessages)
{
    auto read = [](const char* name) { return TempDir::read(data_file(name)); };
    auto put16 = [](std::string& b, size_t at, unsigned v) {
        b[at] = static_cast<char>(v);
        b[at + 1] = static_cast<char>(v >> 8);
    };
    std::string zip = read("empty.zip");
    // No end record anywhere.
    std::string noEnd = "PK\x03\x04" + std::string(100, 'x');
    // The central directory offset points at bytes that are no header.
    std::string badCentral = "PK\x03\x04" + std::string(60, 'x') + zip;
    put16(badCentral, badCentral.size() - 6, 8);
    // A central header whose name claims 8192 bytes.
    std::string longName = read("sfx_elf.zip");
    size_t central = longName.rfind("PK\x01\x02");
    put16(longName, central + 28, 8192);
    // An ARJ member whose name runs to the end of its header without a NUL.
    std::string arj = read("test.arj");
    size_t member = 4 + static_cast<unsigned char>(arj[2]) + 256 * static_cast<unsigned char>(arj[3]) + 4 + 2;
    size_t basic = static_cast<unsigned char>(arj[member + 2]) + 256 * static_cast<unsigned char>(arj[member + 3]);
    size_t first = static_cast<unsigned char>(arj[member + 4]);
    for (size_t i = member + 4 + first; i < member + 4 + basic; i++)
        arj[i] = 'x';
    const struct { const char* what; std::string bytes; const char* message; } rows[] = {
        {"zip without an end record", noEnd, "Central directory not found in"},
        {"zip with a bad central directory", badCentral, "ZIP corrupt, bad central directory"},
        {"zip with a long name", longName, "ZIP corrupt, cannot read file list"},
        {"arj name without a NUL", arj, "Error in ARJ header"},
    };
    for (const auto& r : rows) {
        CArchiveMemoryFile file(r.bytes.data(), r.bytes.size());
        RecordingUI ui;
        Archive a(L"/x/damaged", file, {}, &ui);
        EXPECT_EQ(a.status, -1) << r.what;
        EXPECT_EQ(ui.messages, std::vector<std::string>{r.message}) << r.what;
    }
}
