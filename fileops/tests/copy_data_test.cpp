#include "fileops/copy_data.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <strings.h>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <string>
#include <cstdlib>
#include <sys/socket.h>
#include <sys/statvfs.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

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

void put(const std::string& path, const std::string& data, mode_t mode = 0644)
{
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, mode);
    ASSERT_GE(fd, 0) << path;
    ASSERT_EQ(write(fd, data.data(), data.size()), static_cast<ssize_t>(data.size()));
    ASSERT_EQ(fchmod(fd, mode), 0);
    close(fd);
}

std::string get(const std::string& path)
{
    int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return "<missing>";
    std::string s;
    char buf[65536];
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) > 0)
        s.append(buf, static_cast<size_t>(n));
    close(fd);
    return s;
}

// Names in dir that look like the mover's temporaries.
int temporaries(const std::string& dir)
{
    int n = 0;
    DIR* d = opendir(dir.c_str());
    while (dirent* e = d ? readdir(d) : nullptr)
        n += std::string(e->d_name).rfind(".px-", 0) == 0;
    if (d)
        closedir(d);
    return n;
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
    long long seen = 0;
    int cancelAfter = -1;
    void Advance(long long bytes) override
    {
        seen += bytes;
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

}

TEST(CopyData, EveryPathCopiesBytesTimesAndMode)
{
    TempDir t;
    ASSERT_TRUE(t.ok());
    const long long sizes[] = {0, 1, MiB - 1, MiB, MiB + 1, 64 * MiB + 3};
    const CopyMethod paths[] = {CopyMethod::None, CopyMethod::Range, CopyMethod::ReadWrite};
    for (long long size : sizes) {
        std::string data = pattern(size, static_cast<unsigned>(size));
        put(t.sys("src"), data, 0751);
        // 2040, past the 32-bit seconds, to the nanosecond.
        const timespec times[2] = {{2222222222, 5}, {2222222223, 123456789}};
        ASSERT_EQ(utimensat(AT_FDCWD, t.sys("src").c_str(), times, 0), 0);
        for (CopyMethod path : paths) {
            Hooks h({.force = path});
            CopyReport r;
            ASSERT_EQ(copy(t, "src", "dst", {}, nullptr, &r), 0) << size;
            struct stat st;
            ASSERT_EQ(stat(t.sys("dst").c_str(), &st), 0);
            EXPECT_TRUE(get(t.sys("dst")) == data) << size << " " << static_cast<int>(path);
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

TEST(CopyData, HolesStayHoles)
{
    TempDir t;
    ASSERT_TRUE(t.ok());
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
    put(t.sys("tail"), "head");
    ASSERT_EQ(truncate(t.sys("tail").c_str(), 10 * MiB), 0);
    for (CopyMethod path : {CopyMethod::None, CopyMethod::ReadWrite}) {
        Hooks h({.force = path});
        ASSERT_EQ(copy(t, "tail", "copy"), 0);
        EXPECT_EQ(get(t.sys("copy")), "head" + std::string(10 * MiB - 4, '\0'));
        ASSERT_EQ(unlink(t.sys("copy").c_str()), 0);
    }
}

TEST(CopyData, TargetStaysOwnerOnlyWhileItFills)
{
    TempDir t;
    ASSERT_TRUE(t.ok());
    put(t.sys("src"), pattern(4 * MiB), 0644);
    put(t.sys("old"), "OLD", 0644);
    Hooks h({.force = CopyMethod::ReadWrite});
    for (const char* target : {"new", "old"}) {
        CProbe probe;
        int checked = 0;
        probe.onAdvance = [&] {
            // The file being filled: the new name, or the temporary.
            DIR* d = opendir(t.path.c_str());
            while (dirent* e = readdir(d)) {
                std::string n = e->d_name;
                bool filling = std::string(target) == "new" ? n == "new" : n.rfind(".px-", 0) == 0;
                if (filling) {
                    struct stat st;
                    ASSERT_EQ(lstat(t.sys(n).c_str(), &st), 0);
                    EXPECT_EQ(st.st_mode & 0777, 0600u) << n;
                    checked++;
                }
            }
            closedir(d);
        };
        CopyOptions o;
        o.replace = std::string(target) == "old";
        ASSERT_EQ(copy(t, "src", target, o, &probe), 0);
        EXPECT_GE(checked, 2) << target;
        struct stat st;
        ASSERT_EQ(stat(t.sys(target).c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0644u) << target;
    }
    EXPECT_EQ(temporaries(t.path), 0);
}

TEST(CopyData, FailuresLeaveTheOldTargetAndNoTemporary)
{
    TempDir t;
    ASSERT_TRUE(t.ok());
    std::string data = pattern(3 * MiB + 5);
    put(t.sys("src"), data);
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
        put(t.sys("old"), "OLD CONTENT", 0640);
        CopyOptions replace;
        replace.replace = true;
        EXPECT_EQ(copy(t, "src", "old", replace), r.result) << r.what;
        EXPECT_EQ(get(t.sys("old")), "OLD CONTENT") << r.what;
        CopyOptions move;
        move.durable = true;
        EXPECT_EQ(copy(t, "src", "new", move), r.result) << r.what;
        EXPECT_FALSE(t.exists("new")) << r.what;
        EXPECT_EQ(temporaries(t.path), 0) << r.what;
    }
    EXPECT_TRUE(get(t.sys("src")) == data);
    // Without a fault the same replace goes through.
    CopyOptions replace;
    replace.replace = true;
    EXPECT_EQ(copy(t, "src", "old", replace), 0);
    EXPECT_TRUE(get(t.sys("old")) == data);
}

TEST(CopyData, CancelAndAGrowingSourceKeepTheOldTarget)
{
    TempDir t;
    ASSERT_TRUE(t.ok());
    put(t.sys("src"), pattern(4 * MiB));
    Hooks h({.force = CopyMethod::ReadWrite});
    CopyOptions replace;
    replace.replace = true;

    put(t.sys("old"), "OLD");
    CProbe cancel;
    cancel.cancelAfter = 2;
    EXPECT_EQ(copy(t, "src", "old", replace, &cancel), -1);
    EXPECT_EQ(get(t.sys("old")), "OLD");
    EXPECT_EQ(copy(t, "src", "new", {}, &cancel), 0);  // the answer was used up
    cancel.cancelAfter = 0;
    EXPECT_EQ(copy(t, "src", "new2", {}, &cancel), -1);
    EXPECT_FALSE(t.exists("new2"));

    // A writer appends while the copy runs.
    CProbe writer;
    writer.onAdvance = [&] {
        int fd = open(t.sys("src").c_str(), O_WRONLY | O_APPEND);
        ASSERT_EQ(write(fd, "more", 4), 4);
        close(fd);
        writer.onAdvance = nullptr;
    };
    EXPECT_EQ(copy(t, "src", "old", replace, &writer), StatusSourceChanged);
    EXPECT_EQ(get(t.sys("old")), "OLD");
    EXPECT_FALSE(t.exists("grown"));
    EXPECT_EQ(temporaries(t.path), 0);

    // "Copy anyway": kept, and still reported so that a move keeps its source.
    writer.onAdvance = [&] {
        int fd = open(t.sys("src").c_str(), O_WRONLY | O_APPEND);
        ASSERT_EQ(write(fd, "more", 4), 4);
        close(fd);
        writer.onAdvance = nullptr;
    };
    CopyOptions anyway;
    anyway.acceptChanged = true;
    CopyReport r;
    EXPECT_EQ(copy(t, "src", "grown", anyway, &writer, &r), 0);
    EXPECT_TRUE(r.sourceChanged);
    EXPECT_TRUE(t.exists("grown"));
}

TEST(CopyData, ExistingTargetsAreNeverFollowed)
{
    TempDir t;
    ASSERT_TRUE(t.ok());
    put(t.sys("src"), "NEW");
    put(t.sys("victim"), "VICTIM");
    ASSERT_EQ(symlink("victim", t.sys("link").c_str()), 0);
    ASSERT_EQ(symlink("nowhere", t.sys("dangling").c_str()), 0);
    EXPECT_EQ(copy(t, "src", "link"), EEXIST);
    EXPECT_EQ(copy(t, "src", "dangling"), EEXIST);
    EXPECT_FALSE(t.exists("nowhere"));
    CopyOptions replace;
    replace.replace = true;
    EXPECT_EQ(copy(t, "src", "link", replace), 0);
    struct stat st;
    ASSERT_EQ(lstat(t.sys("link").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(get(t.sys("victim")), "VICTIM");
    EXPECT_EQ(get(t.sys("link")), "NEW");
}

// A large old target is released after the rename, not before: its
// readers keep the old bytes, the name shows the new ones at once, and a
// hard-linked one is replaced as any other.
TEST(CopyData, LargeOldTargetsAreReplacedWhole)
{
    TempDir t;
    ASSERT_TRUE(t.ok());
    put(t.sys("src"), "NEW");
    put(t.sys("big"), "OLD");
    ASSERT_EQ(truncate(t.sys("big").c_str(), 200ll << 20), 0);  // sparse: no disk used
    put(t.sys("linked"), "LINKED");
    ASSERT_EQ(truncate(t.sys("linked").c_str(), 100ll << 20), 0);
    ASSERT_EQ(link(t.sys("linked").c_str(), t.sys("other").c_str()), 0);
    int reader = open(t.sys("big").c_str(), O_RDONLY);
    ASSERT_GE(reader, 0);
    CopyOptions replace;
    replace.replace = true;
    EXPECT_EQ(copy(t, "src", "big", replace), 0);
    EXPECT_EQ(copy(t, "src", "linked", replace), 0);
    EXPECT_EQ(get(t.sys("big")), "NEW");
    EXPECT_EQ(get(t.sys("linked")), "NEW");
    char old[3];
    EXPECT_EQ(pread(reader, old, 3, 0), 3);
    EXPECT_EQ(std::string(old, 3), "OLD");
    close(reader);
    struct stat st;
    ASSERT_EQ(stat(t.sys("other").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 100ll << 20);
    EXPECT_EQ(temporaries(t.sys("")), 0);
}

TEST(CopyData, LinksAreRecreatedByteExact)
{
    TempDir t;
    ASSERT_TRUE(t.ok());
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
        CopyOptions replace;
        replace.replace = true;
        EXPECT_EQ(copy(t, "l", "copy", replace), 0);
    }
    EXPECT_EQ(temporaries(t.path), 0);
}

TEST(CopyData, SpecialFilesNeverBlock)
{
    TempDir t;
    ASSERT_TRUE(t.ok());
    ASSERT_EQ(mkfifo(t.sys("fifo").c_str(), 0640), 0);
    ASSERT_EQ(copy(t, "fifo", "fifo2"), 0);
    struct stat st;
    ASSERT_EQ(lstat(t.sys("fifo2").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0640u);

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
        ASSERT_EQ(chmod(t.path.c_str(), 0755), 0);
        pid_t pid = fork();
        if (pid == 0)
            _exit(setuid(65534) == 0 && copy(t, "null", "null3") == StatusDeviceNode ? 0 : 1);
        int status = -1;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
}

TEST(CopyData, NamesAreTheirBytes)
{
    TempDir t;
    ASSERT_TRUE(t.ok());
    put(t.sys("\xE4"), "latin1");
    put(t.sys("\xC3\xA4"), "utf8");
    ASSERT_EQ(mkdir(t.sys("to").c_str(), 0755), 0);
    EXPECT_EQ(copy(t, "\xE4", "to/\xE4"), 0);
    EXPECT_EQ(copy(t, "\xC3\xA4", "to/\xC3\xA4"), 0);
    EXPECT_EQ(get(t.sys("to/\xE4")), "latin1");
    EXPECT_EQ(get(t.sys("to/\xC3\xA4")), "utf8");

    // A target 1,500 characters deep.
    std::string deep = "to";
    while (deep.size() < 1500) {
        deep += "/" + std::string(60, 'd');
        ASSERT_EQ(mkdir(t.sys(deep).c_str(), 0755), 0);
    }
    EXPECT_EQ(copy(t, "\xE4", (deep + "/\xE4").c_str()), 0);
    EXPECT_EQ(get(t.sys(deep + "/\xE4")), "latin1");
}

TEST(CopyData, RelationIsByInode)
{
    TempDir t;
    ASSERT_TRUE(t.ok());
    ASSERT_EQ(mkdir(t.sys("d").c_str(), 0755), 0);
    put(t.sys("d/f"), "F");
    put(t.sys("d/g"), "G");
    ASSERT_EQ(link(t.sys("d/g").c_str(), t.sys("d/hard").c_str()), 0);
    ASSERT_EQ(symlink("d", t.sys("l").c_str()), 0);
    put(t.sys("d/readme"), "R");
    put(t.sys("d/README"), "R2");
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

TEST(CopyData, IntoItselfThroughLinks)
{
    TempDir t;
    ASSERT_TRUE(t.ok());
    for (const char* d : {"d", "d/sub", "d/sub/deeper", "e", "x"})
        ASSERT_EQ(mkdir(t.sys(d).c_str(), 0755), 0);
    put(t.sys("d/file"), "f");
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

namespace {

// A file system of its own type on a loop device, for as long as the
// object lives; ok() is false (and why() says why) where it cannot be made.
class CLoopMount
{
public:
    CLoopMount(const char* mkfs, long long size)
    {
        if (geteuid() != 0) {
            reason = "needs the superuser to mount";
            return;
        }
        if (!dir.ok())
            return;
        std::string img = dir.sys("img"), mnt = dir.sys("mnt");
        mkdir(mnt.c_str(), 0755);
        int fd = open(img.c_str(), O_WRONLY | O_CREAT, 0600);
        bool made = fd >= 0 && ftruncate(fd, size) == 0;
        if (fd >= 0)
            close(fd);
        std::string quiet = " >/dev/null 2>&1";
        if (!made || std::system((std::string(mkfs) + " '" + img + "'" + quiet).c_str()) != 0) {
            reason = std::string(mkfs) + " is missing or failed";
            return;
        }
        if (std::system(("mount -o loop '" + img + "' '" + mnt + "'" + quiet).c_str()) != 0) {
            reason = "the kernel cannot mount it here";
            return;
        }
        path = mnt;
    }
    ~CLoopMount()
    {
        if (!path.empty() && std::system(("umount '" + path + "'").c_str()) != 0)
            ADD_FAILURE() << "cannot unmount " << path;
    }
    bool ok() const { return !path.empty(); }
    const std::string& why() const { return reason; }
    std::string sys(const std::string& name) const { return path + "/" + name; }
    Westring wide(const std::string& name) const { return FileNameFromSys(sys(name).c_str()); }

private:
    TempDir dir;
    std::string reason, path;
};

long long free_bytes(const std::string& path)
{
    struct statvfs fs;
    return statvfs(path.c_str(), &fs) == 0 ? static_cast<long long>(fs.f_bavail) * fs.f_frsize : -1;
}

}

TEST(CopyDataOnImages, ACloneUsesNoSpace)
{
    CLoopMount btrfs("mkfs.btrfs -f", 600 * MiB);
    if (!btrfs.ok())
        GTEST_SKIP() << "no btrfs image: " << btrfs.why();
    put(btrfs.sys("big"), pattern(256 * MiB));
    sync();
    long long before = free_bytes(btrfs.sys(""));
    CopyReport r;
    ASSERT_EQ(CopyNode(btrfs.wide("big"), btrfs.wide("clone"), {}, nullptr, &r), 0);
    sync();
    EXPECT_EQ(r.method, CopyMethod::Clone);
    EXPECT_LT(before - free_bytes(btrfs.sys("")), 16 * MiB);
    EXPECT_TRUE(get(btrfs.sys("clone")) == get(btrfs.sys("big")));
}

TEST(CopyDataOnImages, TwoSpellingsOfOneEntry)
{
    CLoopMount vfat("mkfs.vfat", 16 * MiB);
    if (!vfat.ok())
        GTEST_SKIP() << "no vfat image: " << vfat.why()
                     << " (RelationIsByInode covers this through the test hook)";
    put(vfat.sys("readme"), "content");
    EXPECT_EQ(FileRelation(vfat.wide("readme"), vfat.wide("README")), RelationSameEntry);
    EXPECT_EQ(FileRelation(vfat.wide("readme"), vfat.wide("readme")), RelationSameObject);
}
