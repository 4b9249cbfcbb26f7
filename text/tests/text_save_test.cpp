#include "text/text_file.h"

#include "foundation/tests/temp_dir.h"
#include "text_test_util.h"

#include <gtest/gtest.h>

#include <csignal>
#include <dirent.h>
#include <pwd.h>
#include <random>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

namespace {

std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> names_in(const std::string& dir)
{
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                names.push_back(e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Opens path, reads it and saves text in its place: the save's result.
int save_text(const std::string& path, const std::wstring& text)
{
    CTextFile f;
    int rc = f.Open(FileNameFromSys(path.c_str()));
    if (rc)
        return rc;
    read_lines(f);
    rc = f.BeginSave();
    if (rc)
        return rc;
    rc = f.WriteStr(text.c_str(), static_cast<int>(text.size()), LineEndNone);
    if (rc) {
        f.AbortSave();
        return rc;
    }
    return f.EndSave();
}

std::wstring big_text(size_t n, wchar_t c)
{
    return std::wstring(n, c);
}

}

TEST(TextSave, ReplacesTheFileAndKeepsItsMode)
{
    TempDir dir;
    std::string path = dir.write("script.sh", "#!/bin/sh\necho old text that is longer\n");
    ASSERT_EQ(chmod(path.c_str(), 0755), 0);
    CTextFile f;
    ASSERT_EQ(f.Open(FileNameFromSys(path.c_str())), 0);
    auto lines = read_lines(f);
    lines[1].text = L"echo new";
    ASSERT_EQ(f.BeginSave(), 0);
    for (const auto& l : lines)
        ASSERT_EQ(f.WriteStr(l.text.c_str(), static_cast<int>(l.text.size()), l.end), 0);
    ASSERT_EQ(f.EndSave(), 0);
    EXPECT_EQ(slurp(path), "#!/bin/sh\necho new\n");
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0755u);
    EXPECT_EQ(names_in(dir.path), std::vector<std::string>{"script.sh"}) << "no new file left beside it";
    // The object reads the file it just wrote.
    EXPECT_EQ(read_lines(f), (std::vector<TLine>{{L"#!/bin/sh", LineEndLF}, {L"echo new", LineEndLF}}));
}

TEST(TextSave, FollowsASymbolicLink)
{
    TempDir dir;
    std::string target = dir.write("real.txt", "old\n");
    std::string link = dir.file("link.txt");
    ASSERT_EQ(symlink("real.txt", link.c_str()), 0);
    ASSERT_EQ(save_text(link, L"new\n"), 0);
    struct stat st;
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link stays a link";
    EXPECT_EQ(slurp(target), "new\n");
}

TEST(TextSave, SecondHardLinkSeesTheNewTextWrittenInPlace)
{
    TempDir dir;
    std::string a = dir.write("a.txt", "a much longer old text\nwith two lines\n");
    std::string b = dir.file("b.txt");
    ASSERT_EQ(link(a.c_str(), b.c_str()), 0);
    struct stat before;
    ASSERT_EQ(stat(a.c_str(), &before), 0);
    // Shorter than before: exactly the new bytes remain.
    ASSERT_EQ(save_text(a, L"short\n"), 0);
    EXPECT_EQ(slurp(a), "short\n");
    EXPECT_EQ(slurp(b), "short\n");
    struct stat after;
    ASSERT_EQ(stat(b.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_nlink, 2u);
}

TEST(TextSave, SaveAsMakesANewFile)
{
    TempDir dir;
    std::string src = dir.write("in.txt", "\xC3\xA4\n");
    CTextFile f;
    ASSERT_EQ(f.Open(FileNameFromSys(src.c_str())), 0);
    auto lines = read_lines(f);
    f.SetFormat(FormatUTF16LE);
    f.SetBOM(true);
    ASSERT_EQ(f.BeginSave(FileNameFromSys(dir.file("out.txt").c_str())), 0);
    for (const auto& l : lines)
        ASSERT_EQ(f.WriteStr(l.text.c_str(), static_cast<int>(l.text.size()), l.end), 0);
    ASSERT_EQ(f.EndSave(), 0);
    EXPECT_EQ(hex(slurp(dir.file("out.txt"))), hex(std::string("\xFF\xFE\xE4\0\n\0", 6)));
    EXPECT_EQ(slurp(src), "\xC3\xA4\n");
    EXPECT_EQ(f.GetFormat(), FormatUTF16LE);
}

TEST(TextSave, FailedWriteLeavesTheOriginal)
{
    // A character Latin-1 cannot hold stops the save before anything is
    // replaced.
    TempDir dir;
    std::string path = dir.write("l1.txt", "caf\xE9\n");
    CTextFile f;
    f.SetFormat(FormatCodePage);
    f.SetCodePage(819);
    ASSERT_EQ(f.Open(FileNameFromSys(path.c_str())), 0);
    ASSERT_EQ(f.BeginSave(), 0);
    EXPECT_EQ(f.WriteStr(L"a\x2014" L"b", true), EILSEQ);
    EXPECT_EQ(f.EndSave(), EILSEQ);
    EXPECT_EQ(slurp(path), "caf\xE9\n");
    EXPECT_EQ(names_in(dir.path), std::vector<std::string>{"l1.txt"});
}

TEST(TextSave, FileSizeLimitReportsAndKeepsTheOriginal)
{
    TempDir dir;
    std::string original(10000, 'o');
    std::string path = dir.write("limited.txt", original);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        // Megabytes, so that the failure comes from the thread writing
        // the full buffers while the next is encoded.
        rlimit lim = {3000000, 3000000};
        setrlimit(RLIMIT_FSIZE, &lim);
        _exit(save_text(path, big_text(8000000, L'n')));
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), EFBIG);
    EXPECT_EQ(slurp(path), original);
    EXPECT_EQ(names_in(dir.path), std::vector<std::string>{"limited.txt"});
    // Without the limit the same save writes every buffer in its place.
    std::string mixed;
    std::wstring wide;
    for (int i = 0; i < 600000; i++) {
        mixed += i % 7 ? "abcdefghijklm\n" : "\xC3\xA4\xE2\x80\x94\n";
        wide += i % 7 ? L"abcdefghijklm\n" : L"\x00E4\x2014\n";
    }
    ASSERT_EQ(save_text(path, wide), 0);
    EXPECT_TRUE(slurp(path) == mixed);
    EXPECT_EQ(names_in(dir.path), std::vector<std::string>{"limited.txt"});
}

// A write in the middle of a large save fails and the ones after it
// succeed: the save still fails, whichever thread wrote that buffer.
TEST(TextSave, AFailedWriteInTheMiddleFailsTheSave)
{
    TempDir dir;
    std::string original = "old\n";
    std::string path = dir.write("middle.txt", original);
    for (long long at : {100LL, 2500000LL, 5900000LL}) {
        saveTestHooks = {at, EIO};
        EXPECT_EQ(save_text(path, big_text(6000000, L'n')), EIO) << at;
        saveTestHooks = {};
        EXPECT_EQ(slurp(path), original) << at;
        EXPECT_EQ(names_in(dir.path), std::vector<std::string>{"middle.txt"});
    }
}

TEST(TextSave, FullFileSystemReportsAndKeepsTheOriginal)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    TempDir dir;
    std::string mnt = dir.file("small");
    ASSERT_EQ(mkdir(mnt.c_str(), 0700), 0);
    if (mount("tmpfs", mnt.c_str(), "tmpfs", 0, "size=2m") != 0)
        GTEST_SKIP() << "cannot mount tmpfs here";
    std::string original(100000, 'o');
    std::string path = mnt + "/full.txt";
    std::ofstream(path, std::ios::binary) << original;
    int rc = save_text(path, big_text(6000000, L'n'));
    EXPECT_EQ(rc, ENOSPC);
    EXPECT_EQ(slurp(path), original);
    EXPECT_EQ(names_in(mnt), std::vector<std::string>{"full.txt"});
    umount2(mnt.c_str(), MNT_DETACH);
}

TEST(TextSave, KilledSavesLeaveOldOrNewWhole)
{
    TempDir dir;
    std::string path = dir.file("killed.txt");
    const std::string texts[2] = {std::string(150000, 'A') + "\n", std::string(90000, 'B') + "\n"};
    std::ofstream(path, std::ios::binary) << texts[0];
    std::mt19937 rng(4242);
    int old_seen = 0, new_seen = 0;
    for (int i = 0; i < 200; i++) {
        std::string before = slurp(path);
        int next = before == texts[0] ? 1 : 0;
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(ready[0]);
            std::wstring text(texts[next].begin(), texts[next].end());
            (void)!write(ready[1], "g", 1);
            _exit(save_text(path, text));
        }
        close(ready[1]);
        char c;
        ASSERT_EQ(read(ready[0], &c, 1), 1);
        close(ready[0]);
        // A random point of the save: a spin of random length, no clock.
        volatile unsigned spin = 0;
        for (unsigned n = rng() % 20000000; n > 0; n--)
            spin = spin + 1;
        kill(child, SIGKILL);
        int status;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        std::string after = slurp(path);
        ASSERT_TRUE(after == texts[0] || after == texts[1]) << "save " << i << ": " << after.size() << " bytes";
        (after == before ? old_seen : new_seen)++;
    }
    // Both outcomes happen, or the test did not test anything.
    EXPECT_GT(old_seen + new_seen, 0);
    RecordProperty("old", old_seen);
    RecordProperty("new", new_seen);
}

TEST(TextSave, InPlaceWhereANewFileWouldNotBeTheSame)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to save as another user";
    passwd* pw = getpwnam("nobody");
    if (!pw)
        GTEST_SKIP() << "no user nobody";
    TempDir dir;
    ASSERT_EQ(chmod(dir.path.c_str(), 0755), 0);
    // The user's own file in a directory the user cannot write to.
    std::string own = dir.write("own.txt", "old text, longer\n");
    ASSERT_EQ(chown(own.c_str(), pw->pw_uid, pw->pw_gid), 0);
    // Another's file the user may write, in a directory of the user's.
    std::string sub = dir.file("sub");
    ASSERT_EQ(mkdir(sub.c_str(), 0777), 0);
    ASSERT_EQ(chmod(sub.c_str(), 0777), 0);
    std::string other = sub + "/other.txt";
    std::ofstream(other, std::ios::binary) << "old text, longer\n";
    ASSERT_EQ(chmod(other.c_str(), 0666), 0);
    struct stat own_before, other_before;
    ASSERT_EQ(stat(own.c_str(), &own_before), 0);
    ASSERT_EQ(stat(other.c_str(), &other_before), 0);

    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (setgid(pw->pw_gid) != 0 || setuid(pw->pw_uid) != 0)
            _exit(100);
        int a = save_text(own, L"new\n");
        int b = save_text(other, L"new\n");
        _exit(a ? 1 : b ? 2 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
    struct stat own_after, other_after;
    ASSERT_EQ(stat(own.c_str(), &own_after), 0);
    ASSERT_EQ(stat(other.c_str(), &other_after), 0);
    EXPECT_EQ(slurp(own), "new\n");
    EXPECT_EQ(slurp(other), "new\n");
    EXPECT_EQ(own_after.st_ino, own_before.st_ino);
    EXPECT_EQ(other_after.st_ino, other_before.st_ino);
    EXPECT_EQ(other_after.st_uid, 0u) << "the owner stays";
    EXPECT_EQ(names_in(sub), std::vector<std::string>{"other.txt"});
}

TEST(TextSave, HardLinkedFileOnAFullDiskStaysIntact)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    TempDir dir;
    std::string mnt = dir.file("small");
    ASSERT_EQ(mkdir(mnt.c_str(), 0700), 0);
    if (mount("tmpfs", mnt.c_str(), "tmpfs", 0, "size=256k") != 0)
        GTEST_SKIP() << "cannot mount tmpfs here";
    std::string original(100000, 'o');
    std::string path = mnt + "/linked.txt";
    std::ofstream(path, std::ios::binary) << original;
    ASSERT_EQ(link(path.c_str(), (mnt + "/other").c_str()), 0);

    // Another name links to it: written in place, so room is reserved
    // before the first byte goes over the old text.
    CTextFile f;
    ASSERT_EQ(f.Open(FileNameFromSys(path.c_str())), 0);
    read_lines(f);
    ASSERT_EQ(f.BeginSave(), 0);
    EXPECT_TRUE(f.SavesInPlace());
    EXPECT_EQ(f.ReserveSave(400000), ENOSPC);
    f.AbortSave();
    EXPECT_EQ(slurp(path), original);
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 100000);

    // Room enough: reserved and written, the other name sees it.
    ASSERT_EQ(f.BeginSave(), 0);
    EXPECT_EQ(f.ReserveSave(150000), 0);
    std::wstring text(150000, L'n');
    ASSERT_EQ(f.WriteStr(text.c_str(), static_cast<int>(text.size()), LineEndNone), 0);
    ASSERT_EQ(f.EndSave(), 0);
    EXPECT_EQ(slurp(mnt + "/other"), std::string(150000, 'n'));
    umount2(mnt.c_str(), MNT_DETACH);
}
