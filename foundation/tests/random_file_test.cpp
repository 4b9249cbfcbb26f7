#include "foundation/random_file.h"

#include "foundation/tests/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr long long B = RandomFile::BlockSize;

int expected(const std::string& bytes, long long pos)
{
    if (pos < 0 || pos >= static_cast<long long>(bytes.size()))
        return -1;
    return static_cast<unsigned char>(bytes[static_cast<size_t>(pos)]);
}

int thread_count()
{
    auto it = std::filesystem::directory_iterator("/proc/self/task");
    return static_cast<int>(std::distance(begin(it), end(it)));
}

// The block the read-ahead thread holds once it settles on want; gives up
// after five seconds.
long long wait_read_ahead(RandomFile& f, long long want)
{
    long long got = f.ReadAheadBlock();
    for (int i = 0; i < 500 && got != want; i++) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        got = f.ReadAheadBlock();
    }
    return got;
}

}

TEST(RandomFile, BlockEdges)
{
    TempDir dir;
    for (long long size : {0LL, 1LL, B - 1, B, B + 1, 3 * B}) {
        const std::string bytes = pattern(size);
        RandomFile f;
        ASSERT_EQ(f.open(dir.write("edge", bytes).c_str(), StdFile::OpenRead), 0);
        for (long long pos : {size - 1, size, 0LL, -1LL, size + B, size - 1})
            EXPECT_EQ(f.GetChar(pos), expected(bytes, pos)) << "size " << size << " pos " << pos;
    }
}

TEST(RandomFile, RandomAndBackwardAccess)
{
    TempDir dir;
    const std::string bytes = pattern(10 * B + 123);
    const long long size = static_cast<long long>(bytes.size());
    RandomFile f;
    ASSERT_EQ(f.open(dir.write("data", bytes).c_str(), StdFile::OpenRead), 0);
    for (long long pos = size; pos >= -1; pos--)
        ASSERT_EQ(f.GetChar(pos), expected(bytes, pos)) << pos;

    // Jumps among more blocks than the cache holds, beyond the end too (an
    // empty block past the end once moved the end to its start).
    unsigned long long seed = 12345;
    for (int i = 0; i < 20000; i++) {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        long long pos = static_cast<long long>((seed >> 33) % static_cast<unsigned>(size + 2 * B));
        ASSERT_EQ(f.GetChar(pos), expected(bytes, pos)) << pos;
    }

    // Stream reading keeps its own position.
    std::string back(bytes.size(), 0);
    long long done = 0;
    for (int got = 0; f.read(back.data() + done, 7000, &got) == 0;)
        done += got;
    EXPECT_TRUE(back == bytes);
}

TEST(RandomFile, ReadAheadFollowsTheDirection)
{
    TempDir dir;
    const std::string bytes = pattern(10 * B + 123);
    std::string name = dir.write("data", bytes);
    const struct { std::vector<int> blocks; int ahead; } rows[] = {
        {{0}, 1},
        {{0, 1}, 2},
        {{5, 4}, 3},         // backward
        {{5, 4, 3}, 2},
        {{1, 0}, -1},        // nothing before the first block
        {{3, 7}, -1},        // a jump says nothing about the direction
        {{9, 10}, -1},       // the last block is short: nothing after it
    };
    for (const auto& r : rows) {
        RandomFile f;
        ASSERT_EQ(f.open(name.c_str(), StdFile::OpenRead), 0);
        for (int b : r.blocks)
            ASSERT_EQ(f.GetChar(b * B), expected(bytes, b * B));
        long long want = r.ahead < 0 ? -1 : r.ahead * B;
        EXPECT_EQ(wait_read_ahead(f, want), want) << "after block " << r.blocks.back();
    }
}

TEST(RandomFile, ReadAheadServesTheNextBlock)
{
    TempDir dir;
    const std::string bytes = pattern(4 * B);
    std::string name = dir.write("data", bytes);
    RandomFile f;
    ASSERT_EQ(f.open(name.c_str(), StdFile::OpenRead), 0);
    // Out of the page cache (where the file system allows), the next block
    // is not copied at once but left to the thread, which must fetch it.
    fdatasync(f.handle());
    posix_fadvise(f.handle(), 0, 0, POSIX_FADV_RANDOM);
    posix_fadvise(f.handle(), 0, 0, POSIX_FADV_DONTNEED);
    ASSERT_EQ(f.GetChar(0), 0);
    ASSERT_EQ(wait_read_ahead(f, B), B);

    // Change the block on disk: the byte served is the one read ahead.
    int fd = ::open(name.c_str(), O_WRONLY);
    ASSERT_EQ(pwrite(fd, "\xFE", 1, B + 5), 1);
    ::close(fd);
    EXPECT_EQ(f.GetChar(B + 5), expected(bytes, B + 5));

    // Discarding forgets cached and read-ahead blocks alike.
    f.DiscardBuffers();
    EXPECT_EQ(f.ReadAheadBlock(), -1);
    EXPECT_EQ(f.GetChar(B + 5), 0xFE);
}

TEST(RandomFile, GrowingFile)
{
    TempDir dir;
    const std::string bytes = pattern(200);
    for (bool growing : {false, true}) {
        std::string name = dir.write("log", bytes.substr(0, 100));
        RandomFile f;
        ASSERT_EQ(f.open(name.c_str(), StdFile::OpenRead), 0);
        f.growing = growing;
        EXPECT_EQ(f.GetChar(50), 50);
        EXPECT_EQ(f.GetChar(150), -1);
        std::ofstream(name, std::ios::binary | std::ios::app) << bytes.substr(100);
        EXPECT_EQ(f.GetChar(150), growing ? 150 : -1) << growing;
        EXPECT_EQ(f.KnownSize(), growing ? 200 : 100);
        EXPECT_EQ(f.GetChar(200), -1);
    }
}

TEST(RandomFile, ShrunkFileShowsNoStaleBytes)
{
    TempDir dir;
    const std::string bytes = pattern(5 * B);
    std::string name = dir.write("data", bytes);
    RandomFile f;
    ASSERT_EQ(f.open(name.c_str(), StdFile::OpenRead), 0);
    // This order leaves no read-ahead pending and block 0's buffer last.
    for (int b : {0, 2, 1, 3})
        ASSERT_EQ(f.GetChar(b * B), expected(bytes, b * B));
    ASSERT_EQ(truncate(name.c_str(), 100), 0);
    // Block 4 reuses block 0's buffer; nothing of it, nor of block 0's
    // bytes, shows past the end the short read found.
    EXPECT_EQ(f.GetChar(4 * B + 7), -1);
    EXPECT_EQ(f.KnownSize(), 4 * B);
}

TEST(RandomFile, AShortReadEndsTheFileWhereItEnded)
{
    // A file that claims more than it holds (a sysfs file claims a page)
    // ends where reading ends; a size-0 file (/proc) is read all the same.
    TempDir dir;
    const struct { long long size; long long claimed; } rows[] = {
        {3, 4096}, {0, 4096}, {100, 0}, {B + 5, 0}, {B + 5, 3 * B},
    };
    for (const auto& r : rows) {
        const std::string bytes = pattern(r.size);
        std::string name = dir.write("short", bytes);
        RandomFile f;
        // Stand in for the claim: the size seen at open is the claimed one,
        // the bytes there to read are the real ones.
        ASSERT_EQ(truncate(name.c_str(), r.claimed), 0);
        ASSERT_EQ(f.open(name.c_str(), StdFile::OpenRead), 0);
        dir.write("short", bytes);
        for (long long pos = 0; pos < r.size + 2 * B; pos += 7)
            ASSERT_EQ(f.GetChar(pos), expected(bytes, pos)) << r.size << "/" << r.claimed << " at " << pos;
        EXPECT_EQ(f.KnownSize(), r.size) << r.size << "/" << r.claimed;
    }
}

TEST(RandomFile, CloseStopsTheReadAheadThread)
{
    TempDir dir;
    std::string name = dir.write("data", pattern(B));
    int before = thread_count();
    auto f = std::make_unique<RandomFile>();
    ASSERT_EQ(f->open(name.c_str(), StdFile::OpenRead), 0);
    ASSERT_EQ(f->open(name.c_str(), StdFile::OpenRead), 0); // reopening keeps one thread
    EXPECT_EQ(thread_count(), before + 1);
    EXPECT_EQ(f->close(), 0);
    EXPECT_EQ(thread_count(), before);
    EXPECT_EQ(f->GetChar(0), -1);
    ASSERT_EQ(f->open(name.c_str(), StdFile::OpenRead), 0);
    f.reset();
    EXPECT_EQ(thread_count(), before);
}
