#include "foundation/std_file.h"

#include "foundation/random_file.h"
#include "foundation/tests/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <unistd.h>
#include <vector>

using namespace std::string_literals;

namespace {

constexpr int Update = StdFile::OpenRead | StdFile::OpenWrite | StdFile::OpenAppend;
constexpr int Create = StdFile::OpenWrite | StdFile::OpenCreate;

// Every line gets returns, then the final result ("=-1" for the end).
std::vector<std::string> read_lines(StdFile& f, int size)
{
    std::vector<std::string> lines;
    std::vector<char> buf(static_cast<size_t>(size));
    for (int rc = 0; rc == 0 && lines.size() < 100;) {
        rc = f.gets(buf.data(), size);
        lines.push_back(rc == 0 ? std::string(buf.data()) : std::string("=") += std::to_string(rc));
    }
    return lines;
}

}

// RandomFile reads lines by its own road and must follow the same rules.
TEST(StdFile, LineReading)
{
    const std::string longline(10000, 'x');
    const struct { std::string content; int size; std::vector<std::string> lines; } rows[] = {
        {"one\ntwo", 80, {"one", "two", "=-1"}},     // last line without a line end
        {"one\r\ntwo\r\n", 80, {"one", "two", "=-1"}},
        {"a\r\r\nb\n", 80, {"a", "b", "=-1"}},       // every trailing CR goes
        {"a\0b\n"s, 80, {"a", "b", "=-1"}},          // NUL ends a line
        {"\n\n", 80, {"", "", "=-1"}},
        {"", 80, {"=-1"}},
        {"abcdef\n", 4, {"abc", "def", "", "=-1"}},  // cut at the size limit
        {longline + "\r\nend", 20000, {longline, "end", "=-1"}},
    };
    TempDir dir;
    for (const auto& r : rows) {
        std::string name = dir.write("lines", r.content);
        StdFile sf;
        RandomFile rf;
        for (StdFile* f : {static_cast<StdFile*>(&sf), static_cast<StdFile*>(&rf)}) {
            ASSERT_EQ(f->open(name.c_str(), StdFile::OpenRead), 0);
            EXPECT_EQ(read_lines(*f, r.size), r.lines)
                << (f == &sf ? "StdFile " : "RandomFile ") << r.content.substr(0, 20);
        }
    }
}

TEST(StdFile, ReadAndWriteMeetAtTheLogicalPosition)
{
    TempDir dir;
    std::string name = dir.write("rw", "abcdefghij");
    StdFile f(name.c_str(), Update);
    EXPECT_EQ(f.getptr(), 10);
    ASSERT_EQ(f.rewind(), 0);
    char buf[8] = {};
    // The first read buffers the whole file; the write must still land at 3.
    ASSERT_EQ(f.read(buf, 3), 0);
    ASSERT_EQ(f.write("XY", 2), 0);
    EXPECT_EQ(f.getptr(), 5);
    ASSERT_EQ(f.read(buf, 2), 0);
    EXPECT_EQ(std::string(buf, 2), "fg");
    ASSERT_EQ(f.write("Z", 1), 0);
    EXPECT_EQ(f.size(), 10);
    ASSERT_EQ(f.close(), 0);
    EXPECT_EQ(TempDir::read(name), "abcXYfgZij");
}

TEST(StdFile, SetptrInsideAndOutsideTheBuffer)
{
    TempDir dir;
    const std::string bytes = pattern(20000);
    StdFile f(dir.write("pos", bytes).c_str(), StdFile::OpenRead);
    char c;
    ASSERT_EQ(f.read(&c, 1), 0);
    for (long long pos : {100, 4095, 4096, 0, 9000, 8999, 19999, 50, 12345}) {
        ASSERT_EQ(f.setptr(pos), 0) << pos;
        ASSERT_EQ(f.read(&c, 1), 0) << pos;
        EXPECT_EQ(c, bytes[static_cast<size_t>(pos)]) << pos;
    }
    ASSERT_EQ(f.seek(-11), 0);
    EXPECT_EQ(f.getptr(), 12335);
    EXPECT_EQ(f.setptr(-1), EINVAL);
    ASSERT_EQ(f.setptr(20000), 0);
    EXPECT_EQ(f.read(&c, 1), -1);

    // Large reads go around the buffer and must agree with small ones.
    std::string big(12000, 0);
    ASSERT_EQ(f.setptr(3), 0);
    ASSERT_EQ(f.read(big.data(), 12000), 0);
    EXPECT_TRUE(big == bytes.substr(3, 12000));
}

TEST(StdFile, OpenFlags)
{
    TempDir dir;
    std::string name = dir.write("f", "abc");
    // Append: no truncation, writing starts at the end, yet the caller may
    // still move back and overwrite (the descriptor is not O_APPEND).
    StdFile f(name.c_str(), Create | StdFile::OpenAppend);
    ASSERT_EQ(f.write("def", 3), 0);
    ASSERT_EQ(f.rewind(), 0);
    ASSERT_EQ(f.write("X", 1), 0);
    ASSERT_EQ(f.close(), 0);
    EXPECT_EQ(TempDir::read(name), "Xbcdef");

    // Writing without append truncates; text turns LF into CR LF in puts
    // only, putln ends with a bare LF.
    ASSERT_EQ(f.open(name.c_str(), Create | StdFile::OpenText), 0);
    ASSERT_EQ(f.puts("a\nb\n"), 0);
    ASSERT_EQ(f.putln("c"), 0);
    ASSERT_EQ(f.close(), 0);
    EXPECT_EQ(TempDir::read(name), "a\r\nb\r\nc\n");

    // A failed open leaves the file closed, and says why.
    EXPECT_EQ(f.open(dir.file("missing").c_str(), StdFile::OpenRead), ENOENT);
    EXPECT_EQ(f.handle(), -1);
    char c;
    EXPECT_EQ(f.read(&c, 1), EBADF);
}

// A process started with its standard input closed gets descriptor 0 for
// the first file it opens; that file must count as open.
TEST(StdFile, DescriptorZeroIsAnOpenFile)
{
    TempDir dir;
    std::string name = dir.file("zero");
    int saved = dup(0);
    ::close(0);
    StdFile f;
    EXPECT_EQ(f.open(name.c_str(), Create), 0);
    EXPECT_EQ(f.handle(), 0);
    EXPECT_EQ(f.write("data", 4), 0);
    EXPECT_EQ(f.close(), 0);
    dup2(saved, 0);
    ::close(saved);
    EXPECT_EQ(TempDir::read(name), "data");
}

TEST(StdFile, NonUtf8NameIsOpenedAsItself)
{
    TempDir dir;
    const std::string raw = dir.file("caf\xE9.txt");
    StdFile f(raw.c_str(), Create);
    ASSERT_EQ(f.write("x", 1), 0);
    ASSERT_EQ(f.close(), 0);
    EXPECT_EQ(TempDir::read(raw), "x");
    // The stored wide name reaches the same file again.
    EXPECT_STREQ(FileNameToSys(f.name()).c_str(), raw.c_str());
    StdFile g(f.name(), StdFile::OpenRead);
    EXPECT_EQ(g.size(), 1);
}

TEST(StdFile, SizeTimesAndResizeSeePendingWrites)
{
    TempDir dir;
    std::string name = dir.write("t", pattern(100));
    StdFile f(name.c_str(), Update);
    ASSERT_EQ(f.write("tail", 4), 0);
    EXPECT_EQ(f.size(), 104);
    // Setting the time writes what is pending first: closing must not move
    // it again.
    ASSERT_EQ(f.write("more", 4), 0);
    ASSERT_EQ(f.settimestamp(TimeStamp(2000000000, 123456789)), 0);
    ASSERT_EQ(f.close(), 0);
    ASSERT_EQ(f.open(name.c_str(), Update), 0);
    TimeStamp t;
    ASSERT_EQ(f.timestamp(t), 0);
    EXPECT_EQ(t, TimeStamp(2000000000, 123456000)); // to the microsecond
    EXPECT_EQ(f.size(), 108);

    // Shrinking while reading: bytes read ahead past the new end are gone.
    ASSERT_EQ(f.rewind(), 0);
    char buf[200];
    ASSERT_EQ(f.read(buf, 10), 0);
    ASSERT_EQ(f.changesize(20), 0);
    int got = 0;
    ASSERT_EQ(f.read(buf, 200, &got), 0);
    EXPECT_EQ(got, 10);
}

TEST(StdFile, AFullDeviceIsReportedNotCountedAsWritten)
{
    // /dev/full fails every write with ENOSPC, as a full disk does, and
    // needs no privileges.
    StdFile f("/dev/full", StdFile::OpenWrite);
    ASSERT_EQ(f.error(), 0);
    std::string small(100, 'x');
    // Small writes wait in the buffer; the failure shows when it goes out.
    EXPECT_EQ(f.write(small.data(), static_cast<int>(small.size())), 0);
    EXPECT_EQ(f.flush(), ENOSPC);
    std::string big(3 * StdFile::BufferSize, 'y');
    EXPECT_EQ(f.write(big.data(), static_cast<int>(big.size())), ENOSPC);
    EXPECT_EQ(f.close(), ENOSPC);
}
