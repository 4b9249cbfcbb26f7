#include "fileops/copy_data.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <strings.h>
#include <sys/socket.h>
#include <sys/sysmacros.h>
#include <sys/un.h>

namespace {

constexpr long long MiB = 1024 * 1024;

// Content that differs at every offset, so a misplaced chunk shows.
std::string pattern(long long size, unsigned seed = 1)
{
    std::string s(static_cast<size_t>(size), '\0');
    unsigned x = seed * 2654435761u + 1;
    for (auto& c : s) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 23);
    }
    return s;
}

void put(const TempDir& t, const std::string& name, const std::string& data, mode_t mode = 0644)
{
    t.write(name, data);
    ASSERT_EQ(chmod(t.sys(name).c_str(), mode), 0) << name;
}

struct Hooks
{
    explicit Hooks(CopyTestHooks h) { copyTestHooks = h; }
    ~Hooks() { copyTestHooks = CopyTestHooks(); }
};

// Calls a test's function on every progress report.
class CProbe : public CCopyProgress
{
public:
    std::function<void()> onAdvance;
    int cancelAfter = -1;
    void Advance(long long) override
    {
        if (onAdvance)
            onAdvance();
    }
    bool Cancelled() override { return cancelAfter >= 0 && cancelAfter-- == 0; }
};

int copy(const TempDir& t, const char* from, const char* to, CopyOptions o = {},
         CCopyProgress* p = nullptr, CopyReport* r = nullptr)
{
    return CopyNode(t.wide(from), t.wide(to), o, p, r);
}

const CopyOptions Replace{.replace = true};

using CopyData = TempDirTest;

}

TEST_F(CopyData, EveryPathCopiesBytesTimesAndMode)
{
    const long long sizes[] = {0, 1, MiB - 1, MiB, MiB + 1, 64 * MiB + 3};
    const CopyMethod paths[] = {CopyMethod::None, CopyMethod::Range, CopyMethod::ReadWrite};
    for (long long size : sizes) {
        std::string data = pattern(size, static_cast<unsigned>(size));
        put(t, "src", data, 0751);
        // 2040, past the 32-bit seconds, to the nanosecond.
        const timespec times[2] = {{2222222222, 5}, {2222222223, 123456789}};
        ASSERT_EQ(utimensat(AT_FDCWD, t.sys("src").c_str(), times, 0), 0);
        for (CopyMethod path : paths) {
            Hooks h({.force = path});
            CopyReport r;
            ASSERT_EQ(copy(t, "src", "dst", {}, nullptr, &r), 0) << size;
            struct stat st;
            ASSERT_EQ(stat(t.sys("dst").c_str(), &st), 0);
            EXPECT_TRUE(t.read("dst") == data) << size << " " << static_cast<int>(path);
            EXPECT_EQ(st.st_mode & 07777, 0751u) << size;
            EXPECT_EQ(st.st_mtim.tv_sec, 2222222223) << size;
            EXPECT_EQ(st.st_mtim.tv_nsec, 123456789) << size;
            EXPECT_EQ(r.bytes, size);
            if (size > 0 && path != CopyMethod::None) {
                EXPECT_EQ(r.method, path) << size;
            }
            ASSERT_EQ(unlink(t.sys("dst").c_str()), 0);
        }
    }
}

TEST_F(CopyData, HolesStayHoles)
{
    const long long GiB = 1024 * MiB;
    int fd = open(t.sys("sparse").c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    const long long at[] = {0, 300 * MiB + 17, GiB - 5};
    for (long long off : at)
        ASSERT_EQ(pwrite(fd, "DATA!", 5, off), 5);
    close(fd);
    struct stat src;
    ASSERT_EQ(stat(t.sys("sparse").c_str(), &src), 0);
    ASSERT_LT(src.st_blocks, 4096) << "this file system keeps no holes";
    for (CopyMethod path : {CopyMethod::Range, CopyMethod::ReadWrite}) {
        Hooks h({.force = path});
        ASSERT_EQ(copy(t, "sparse", "copy"), 0);
        struct stat st;
        ASSERT_EQ(stat(t.sys("copy").c_str(), &st), 0);
        EXPECT_EQ(st.st_size, GiB);
        EXPECT_LT(st.st_blocks, 4096) << static_cast<int>(path);
        int in = open(t.sys("copy").c_str(), O_RDONLY);
        for (long long off : at) {
            char buf[6] = {};
            EXPECT_EQ(pread(in, buf, 5, off), 5);
            EXPECT_STREQ(buf, "DATA!") << off;
        }
        close(in);
        ASSERT_EQ(unlink(t.sys("copy").c_str()), 0);
    }
    // Data, then nothing but a hole to the end: the size still comes over.
    put(t, "tail", "head");
    ASSERT_EQ(truncate(t.sys("tail").c_str(), 10 * MiB), 0);
    for (CopyMethod path : {CopyMethod::None, CopyMethod::ReadWrite}) {
        Hooks h({.force = path});
        ASSERT_EQ(copy(t, "tail", "copy"), 0);
        EXPECT_EQ(t.read("copy"), "head" + std::string(10 * MiB - 4, '\0'));
        ASSERT_EQ(unlink(t.sys("copy").c_str()), 0);
    }
}

TEST_F(CopyData, TargetStaysOwnerOnlyWhileItFills)
{
    put(t, "src", pattern(4 * MiB), 0644);
    put(t, "old", "OLD", 0644);
    Hooks h({.force = CopyMethod::ReadWrite});
    for (const char* target : {"new", "old"}) {
        CProbe probe;
        int checked = 0;
        probe.onAdvance = [&] {
            // The file being filled: the new name, or the temporary.
            std::istringstream names(t.names());
            for (std::string n; names >> n;)
                if (std::string(target) == "new" ? n == "new" : n.rfind(".px-", 0) == 0) {
                    EXPECT_EQ(t.mode(n), 0600u) << n;
                    checked++;
                }
        };
        ASSERT_EQ(copy(t, "src", target, std::string(target) == "old" ? Replace : CopyOptions(), &probe), 0);
        EXPECT_GE(checked, 2) << target;
        EXPECT_EQ(t.mode(target), 0644u) << target;
    }
    EXPECT_EQ(t.names(), "new old src");
}

TEST_F(CopyData, FailuresLeaveTheOldTargetAndNoTemporary)
{
    std::string data = pattern(3 * MiB + 5);
    put(t, "src", data);
    const struct { const char* what; CopyTestHooks hooks; int result; } rows[] = {
        {"write error", {.force = CopyMethod::ReadWrite, .failWriteAt = MiB + 1, .failWriteErrno = EIO}, EIO},
        {"short write", {.force = CopyMethod::ReadWrite, .failWriteAt = 2 * MiB + 7}, ENOSPC},
        {"range, disk full", {.force = CopyMethod::Range, .failWriteAt = MiB, .failWriteErrno = ENOSPC}, ENOSPC},
        {"first byte", {.force = CopyMethod::ReadWrite, .failWriteAt = 0, .failWriteErrno = EDQUOT}, EDQUOT},
        {"fsync", {.failFsync = EIO}, EIO},
        {"close", {.failClose = ENOSPC}, ENOSPC},
    };
    for (const auto& r : rows) {
        Hooks h(r.hooks);
        put(t, "old", "OLD CONTENT", 0640);
        EXPECT_EQ(copy(t, "src", "old", Replace), r.result) << r.what;
        EXPECT_EQ(t.read("old"), "OLD CONTENT") << r.what;
        EXPECT_EQ(copy(t, "src", "new", {.durable = true}), r.result) << r.what;
        EXPECT_EQ(t.names(), "old src") << r.what << ": no new file, no temporary";
    }
    EXPECT_TRUE(t.read("src") == data);
    // Without a fault the same replace goes through.
    EXPECT_EQ(copy(t, "src", "old", Replace), 0);
    EXPECT_TRUE(t.read("old") == data);
}

TEST_F(CopyData, CancelAndAGrowingSourceKeepTheOldTarget)
{
    put(t, "src", pattern(4 * MiB));
    Hooks h({.force = CopyMethod::ReadWrite});
    put(t, "old", "OLD");
    CProbe cancel;
    cancel.cancelAfter = 2;
    EXPECT_EQ(copy(t, "src", "old", Replace, &cancel), -1);
    EXPECT_EQ(t.read("old"), "OLD");
    EXPECT_EQ(copy(t, "src", "new", {}, &cancel), 0);  // the answer was used up
    cancel.cancelAfter = 0;
    EXPECT_EQ(copy(t, "src", "new2", {}, &cancel), -1);

    // A writer appends once while the copy runs.
    CProbe writer;
    auto append_once = [&] {
        writer.onAdvance = [&] {
            int fd = open(t.sys("src").c_str(), O_WRONLY | O_APPEND);
            ASSERT_EQ(write(fd, "more", 4), 4);
            close(fd);
            writer.onAdvance = nullptr;
        };
    };
    append_once();
    EXPECT_EQ(copy(t, "src", "old", Replace, &writer), StatusSourceChanged);
    EXPECT_EQ(t.read("old"), "OLD");
    EXPECT_EQ(t.names(), "new old src") << "no new2, no temporary";

    // "Copy anyway": kept, and still reported so that a move keeps its source.
    append_once();
    CopyReport r;
    EXPECT_EQ(copy(t, "src", "grown", {.acceptChanged = true}, &writer, &r), 0);
    EXPECT_TRUE(r.sourceChanged);
    EXPECT_TRUE(t.exists("grown"));
}

TEST_F(CopyData, ExistingTargetsAreNeverFollowed)
{
    put(t, "src", "NEW");
    put(t, "victim", "VICTIM");
    ASSERT_EQ(symlink("victim", t.sys("link").c_str()), 0);
    ASSERT_EQ(symlink("nowhere", t.sys("dangling").c_str()), 0);
    EXPECT_EQ(copy(t, "src", "link"), EEXIST);
    EXPECT_EQ(copy(t, "src", "dangling"), EEXIST);
    EXPECT_FALSE(t.exists("nowhere"));
    EXPECT_EQ(copy(t, "src", "link", Replace), 0);
    struct stat st;
    ASSERT_EQ(lstat(t.sys("link").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(t.read("victim"), "VICTIM");
    EXPECT_EQ(t.read("link"), "NEW");
}

// A large old target is released after the rename, not before: its
// readers keep the old bytes, the name shows the new ones at once, and a
// hard-linked one is replaced as any other.
TEST_F(CopyData, LargeOldTargetsAreReplacedWhole)
{
    put(t, "src", "NEW");
    put(t, "big", "OLD");
    ASSERT_EQ(truncate(t.sys("big").c_str(), 200ll << 20), 0);  // sparse: no disk used
    put(t, "linked", "LINKED");
    ASSERT_EQ(truncate(t.sys("linked").c_str(), 100ll << 20), 0);
    ASSERT_EQ(link(t.sys("linked").c_str(), t.sys("other").c_str()), 0);
    int reader = open(t.sys("big").c_str(), O_RDONLY);
    ASSERT_GE(reader, 0);
    EXPECT_EQ(copy(t, "src", "big", Replace), 0);
    EXPECT_EQ(copy(t, "src", "linked", Replace), 0);
    EXPECT_EQ(t.read("big"), "NEW");
    EXPECT_EQ(t.read("linked"), "NEW");
    char old[3];
    EXPECT_EQ(pread(reader, old, 3, 0), 3);
    EXPECT_EQ(std::string(old, 3), "OLD");
    close(reader);
    struct stat st;
    ASSERT_EQ(stat(t.sys("other").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 100ll << 20);
    EXPECT_EQ(t.names(), "big linked other src");
}

TEST_F(CopyData, LinksAreRecreatedByteExact)
{
    const std::string texts[] = {
        "relative/dangling",
        "/absolute/nowhere",
        std::string(3000, 'x') + "/end",    // past any fixed buffer
        "caf\xE9/\xFF\xFE invalid",         // not UTF-8
    };
    for (const auto& text : texts) {
        unlink(t.sys("l").c_str());
        unlink(t.sys("copy").c_str());
        ASSERT_EQ(symlink(text.c_str(), t.sys("l").c_str()), 0);
        ASSERT_EQ(copy(t, "l", "copy"), 0) << text.size();
        char buf[8192];
        ssize_t n = readlink(t.sys("copy").c_str(), buf, sizeof buf);
        ASSERT_GT(n, 0);
        EXPECT_TRUE(std::string(buf, static_cast<size_t>(n)) == text) << text.size();
        EXPECT_EQ(copy(t, "l", "copy", Replace), 0);
    }
    EXPECT_EQ(t.names(), "copy l");
}

TEST_F(CopyData, SpecialFilesNeverBlock)
{
    ASSERT_EQ(mkfifo(t.sys("fifo").c_str(), 0640), 0);
    ASSERT_EQ(copy(t, "fifo", "fifo2"), 0);
    struct stat st;
    ASSERT_EQ(lstat(t.sys("fifo2").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_EQ(t.mode("fifo2"), 0640u);

    int s = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::string sock = t.sys("sock");
    if (sock.size() < sizeof addr.sun_path) {
        std::strcpy(addr.sun_path, sock.c_str());
        ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        EXPECT_EQ(copy(t, "sock", "sock2"), StatusSocket);
        EXPECT_FALSE(t.exists("sock2"));
    }
    close(s);

    // A device node: made by the superuser, refused to anyone else.
    if (geteuid() == 0 && mknod(t.sys("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        int r = copy(t, "null", "null2");
        EXPECT_TRUE(r == 0 || r == StatusDeviceNode) << r;
        if (r == 0) {
            ASSERT_EQ(lstat(t.sys("null2").c_str(), &st), 0);
            EXPECT_TRUE(S_ISCHR(st.st_mode) && st.st_rdev == makedev(1, 3));
        }
        EXPECT_TRUE(t.as_ordinary_user([&] { return copy(t, "null", "null3") == StatusDeviceNode; }));
    }
}

TEST_F(CopyData, NamesAreTheirBytes)
{
    // Here a target 1,500 characters deep; a name beside its UTF-8
    // look-alike: CopyMove.NamesThatAreNotUtf8AreCopiedAndDeletedAsThemselves.
    put(t, "\xE4", "latin1");
    std::string deep = "to";
    ASSERT_EQ(mkdir(t.sys(deep).c_str(), 0755), 0);
    while (deep.size() < 1500) {
        deep += "/" + std::string(60, 'd');
        ASSERT_EQ(mkdir(t.sys(deep).c_str(), 0755), 0);
    }
    EXPECT_EQ(copy(t, "\xE4", (deep + "/\xE4").c_str()), 0);
    EXPECT_EQ(t.read(deep + "/\xE4"), "latin1");
}

TEST_F(CopyData, RelationIsByInode)
{
    ASSERT_EQ(mkdir(t.sys("d").c_str(), 0755), 0);
    put(t, "d/f", "F");
    put(t, "d/g", "G");
    ASSERT_EQ(link(t.sys("d/g").c_str(), t.sys("d/hard").c_str()), 0);
    ASSERT_EQ(symlink("d", t.sys("l").c_str()), 0);
    put(t, "d/readme", "R");
    put(t, "d/README", "R2");
    // Two spellings of one entry, as a case-insensitive file system shows them.
    auto folded = [](const char* a, const char* b) {
        return strcasecmp(std::strrchr(a, '/'), std::strrchr(b, '/')) == 0;
    };
    Hooks h({.sameInode = folded});
    const struct { const char* a; const char* b; int relation; } rows[] = {
        {"d/f", "d/g", RelationDifferent},
        {"d/f", "d/missing", RelationDifferent},
        {"d/f", "d/f", RelationSameObject},
        {"d/f", "l/f", RelationSameObject},       // through a linked directory
        {"d/f", "d/../d/f", RelationSameObject},
        {"d/g", "d/hard", RelationSameObject},    // a second link is a second entry
        {"d/readme", "d/README", RelationSameEntry},
        {"d/readme", "l/README", RelationSameEntry},
        {"d", "l", RelationDifferent},           // the link itself is another object
        {"d", "l/", RelationSameObject},
    };
    for (const auto& r : rows)
        EXPECT_EQ(FileRelation(t.wide(r.a), t.wide(r.b)), r.relation) << r.a << " vs " << r.b;
}

TEST_F(CopyData, IntoItselfThroughLinks)
{
    for (const char* d : {"d", "d/sub", "d/sub/deeper", "e", "x"})
        ASSERT_EQ(mkdir(t.sys(d).c_str(), 0755), 0);
    put(t, "d/file", "f");
    ASSERT_EQ(symlink("d", t.sys("l").c_str()), 0);
    ASSERT_EQ(symlink("../d/sub", t.sys("x/y").c_str()), 0);
    const struct { const char* dst; bool inside; } rows[] = {
        {"d", true},
        {"d/new", true},
        {"d/sub/deeper/new/more", true},
        {"l/new", true},
        {"x/y/new", true},     // a link further down leads inside
        {"d/file/new", true},  // under a file, still inside
        {"e/d", false},
        {"dd", false},
        {"x/new", false},
    };
    for (const auto& r : rows)
        EXPECT_EQ(IsInsideItself(t.wide("d"), t.wide(r.dst)), r.inside) << r.dst;
    EXPECT_FALSE(IsInsideItself(t.wide("missing"), t.wide("d")));
    EXPECT_FALSE(t.exists("d/new"));
}
