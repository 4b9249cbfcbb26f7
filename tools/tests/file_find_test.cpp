#include "tools/file_find.h"
#include "tools/file_find_scan.h"
#include "tools/file_find_search.h"
#include "tools/tests/scratch_dir.h"

#include "fileops/file_system.h"
#include "text/text_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fcntl.h>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::string utf16le(const std::string& ascii, bool bom)
{
    std::string s = bom ? std::string("\xFF\xFE", 2) : std::string();
    for (char c : ascii) {
        s += c;
        s += '\0';
    }
    return s;
}

// Collects the results of a scan as paths below the scratch directory.
class CCollect : public CFileScan
{
public:
    CCollect(const FindOptions& o, const std::string& root) : CFileScan(o), root(root) {}
    ~CCollect() override
    {
        for (entry* e : found)
            entry::Destroy(e);
    }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> r;
        for (entry* e : found) {
            std::string p = FileNameToSys(Westring(e->name)).c_str();
            r.push_back(p.substr(std::min(p.size(), root.size() + 1)));
        }
        return r;
    }
    const entry* Find(const std::string& rel) const
    {
        for (entry* e : found)
            if (std::string(FileNameToSys(Westring(e->name)).c_str()) == root + "/" + rel)
                return e;
        return nullptr;
    }
    std::vector<entry*> found;
    std::atomic<bool> stop{false};
    int stop_after = -1;

protected:
    void Found(entry* e) override
    {
        found.push_back(e);
        if (stop_after >= 0 && static_cast<int>(found.size()) >= stop_after)
            stop = true;
    }

private:
    std::string root;
};

std::vector<std::string> sorted(std::vector<std::string> v)
{
    std::sort(v.begin(), v.end());
    return v;
}

long long search_bytes(const ScratchDir& dir, const std::string& bytes, const Westring& text, bool cs, bool ww)
{
    dir.write("f", bytes);
    CContentSearch search(text, cs, ww, 1252);
    return search.Search(dir.sys("f").c_str(), nullptr);
}

}

TEST(FileFindSearch, FindsTextInEveryEncoding)
{
    ScratchDir dir;
    std::string big(1 << 20, 'x');
    const struct { const char* what; std::string bytes; const wchar_t* text; bool cs, ww; long long pos; } rows[] = {
        {"utf-8", "one \xC3\xA4pfel two", L"\u00C4PFEL", false, false, 4},
        {"utf-8 case", "one \xC3\xA4pfel two", L"\u00C4PFEL", true, false, -2},
        {"utf-8 exact", "abc Abc", L"Abc", true, false, 4},
        {"utf-16le bom", utf16le("hello world\n", true), L"WORLD", false, false, 2 + 12},
        {"utf-16le odd offset never matches", std::string("\xFF\xFE", 2) + std::string("a\0b\0 \0\n\0", 8) + "Z" +
                                                    std::string("o\0k\0", 4),
         L"ok", false, false, -2},
        {"latin-1", "na\xEFve caf\xE9\n\x01\x02", L"CAF\u00C9", false, false, 6},
        {"binary with nul", std::string("\0\0\x01" "ELF marker\xFF", 15), L"marker", false, false, 7},
        {"whole word", "cat concat cat", L"cat", false, true, 0},
        {"whole word inside", "concat cats", L"cat", false, true, -2},
        {"whole word after", "xcat cat", L"cat", false, true, 5},
        {"empty file", "", L"x", false, false, -2},
        {"letters only, ignoring case", "the word zanzibar is here\n", L"zanzibar", false, false, 9},
        {"anchored on a digit", "xyz nam42 Name42", L"NAME42", false, false, 10},
        // A match cut by the end of the first 1 MiB block is found.
        {"across block edge", big.substr(0, (1 << 20) - 3) + "NEEDLE" + big, L"needle", false, false, (1 << 20) - 3},
        {"at the very end", big + "tail", L"TAIL", false, false, 1 << 20},
    };
    for (const auto& r : rows)
        EXPECT_EQ(search_bytes(dir, r.bytes, r.text, r.cs, r.ww), r.pos) << r.what;
}

TEST(FileFindSearch, DetectsFormatsAsTheTextReaderDoes)
{
    ScratchDir dir;
    const std::string samples[] = {
        "plain ascii\n", "caf\xC3\xA9\n", "caf\xE9\n", utf16le("a b\n", false), utf16le("a b\n", true),
        std::string("\0\0\0a\0\0\0 \0\0\0\n", 12), std::string("\xEF\xBB\xBFx", 4), std::string("\x00\x01\x02", 3),
        std::string(32767, 'a') + "\xC3\xA9",  // a sequence cut by the detection limit
    };
    for (const std::string& s : samples) {
        dir.write("d", s);
        CTextFile f;
        ASSERT_EQ(f.Open(dir.wide("d")), 0);
        int start = 0;
        EXPECT_EQ(detect_text_format(reinterpret_cast<const unsigned char*>(s.data()), static_cast<long long>(s.size()),
                                     true, start),
                  f.GetFormat())
            << s.substr(0, 16);
        EXPECT_EQ(start, f.TextStart());
    }
}

TEST(FileFindSearch, ReportsFilesThatCannotBeRead)
{
    ScratchDir dir;
    dir.write("secret", "text");
    chmod(dir.sys("secret").c_str(), 0);
    mkfifo(dir.sys("fifo").c_str(), 0600);
    if (geteuid() != 0) {
        EXPECT_EQ(check_containing(dir.wide("secret"), L"text", false, false), FoundOpenError);
    }
    // Never opened: opening a FIFO would wait for a writer.
    EXPECT_EQ(check_containing(dir.wide("fifo"), L"text", false, false), FoundOpenError);
    EXPECT_EQ(check_containing(dir.wide("missing"), L"text", false, false), FoundOpenError);
}

TEST(FileFindSearch, StopsBetweenBlocks)
{
    ScratchDir dir;
    // A sparse file far larger than anything read here.
    int fd = open(dir.sys("huge").c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, 1LL << 36), 0);
    close(fd);
    std::atomic<bool> stop{true};
    CContentSearch search(L"x", false, false, 0);
    EXPECT_EQ(search.Search(dir.sys("huge").c_str(), &stop), FoundStopped);
}

TEST(FileFindScan, WalksEveryDirectoryOnce)
{
    ScratchDir dir;
    ASSERT_TRUE(dir.mkdirs("t/A") && dir.mkdirs("t/a") && dir.mkdirs("t/b/c"));
    dir.write("t/A/x.txt", "1");
    dir.write("t/a/y.txt", "2");  // case twins are two directories
    dir.write("t/b/c/z.txt", "3");
    dir.write("t/b/c/z.doc", "4");
    dir.write("t/\xE4.txt", "5");        // a Latin-1 byte: not UTF-8
    dir.write("t/\xC3\xA4.txt", "6");    // and the UTF-8 spelling beside it
    ASSERT_EQ(symlink("..", dir.sys("t/b/c/loop").c_str()), 0);
    ASSERT_EQ(symlink("../A", dir.sys("t/b/toA").c_str()), 0);

    const struct { bool follow, recurse; std::vector<std::string> want; } rows[] = {
        {false, true, {"t/A/x.txt", "t/a/y.txt", "t/b/c/z.txt", "t/\xC3\xA4.txt", "t/\xE4.txt"}},
        // Followed links never loop and list no file twice.
        {true, true, {"t/A/x.txt", "t/a/y.txt", "t/b/c/z.txt", "t/\xC3\xA4.txt", "t/\xE4.txt"}},
        {false, false, {"t/\xC3\xA4.txt", "t/\xE4.txt"}},
    };
    for (const auto& r : rows) {
        FindOptions o;
        o.start = dir.wide("t");
        o.mask = L"*.txt";
        o.follow_links = r.follow;
        o.recurse = r.recurse;
        CCollect scan(o, dir.path);
        EXPECT_EQ(scan.Run(scan.stop), 0);
        EXPECT_EQ(sorted(scan.Names()), sorted(r.want)) << r.follow << r.recurse;
        // Each name reaches its own file again through its bytes.
        for (entry* e : scan.found)
            EXPECT_EQ(access(FileNameToSys(Westring(e->name)).c_str(), F_OK), 0);
    }
}

TEST(FileFindScan, SearchesOnlyRegularFiles)
{
    ScratchDir dir;
    ASSERT_TRUE(dir.mkdirs("t/sub"));
    dir.write("t/has.txt", "the needle here");
    dir.write("t/not.txt", "nothing");
    dir.write("t/sub/deep.txt", "NEEDLE");
    ASSERT_EQ(mkfifo(dir.sys("t/fifo").c_str(), 0600), 0);
    ASSERT_EQ(symlink("/dev/zero", dir.sys("t/zero").c_str()), 0);
    dir.write("t/locked", "needle");
    chmod(dir.sys("t/locked").c_str(), 0);
    ASSERT_TRUE(dir.mkdirs("t/closed"));
    dir.write("t/closed/inside.txt", "needle");
    chmod(dir.sys("t/closed").c_str(), 0);

    FindOptions o;
    o.start = dir.wide("t");
    o.text = L"needle";
    CCollect scan(o, dir.path);
    EXPECT_EQ(scan.Run(scan.stop), 0);
    std::vector<std::string> want = {"t/has.txt", "t/locked", "t/sub/deep.txt"};
    if (geteuid() == 0)
        want = {"t/closed/inside.txt", "t/has.txt", "t/locked", "t/sub/deep.txt"};
    EXPECT_EQ(sorted(scan.Names()), sorted(want));
    ASSERT_NE(scan.Find("t/has.txt"), nullptr);
    EXPECT_EQ(scan.Find("t/has.txt")->match_pos, 4);
    if (geteuid() != 0) {
        ASSERT_NE(scan.Find("t/locked"), nullptr);
        EXPECT_EQ(scan.Find("t/locked")->match_pos, FoundOpenError);
        EXPECT_EQ(scan.Unlistable(), 1);
    }
}

TEST(FileFindScan, NamesDirectoriesAndStops)
{
    ScratchDir dir;
    ASSERT_TRUE(dir.mkdirs("t/src/lib") && dir.mkdirs("t/.hidden"));
    dir.write("t/src/a.c", "");
    dir.write("t/src/lib/b.c", "");
    dir.write("t/.hidden/c.c", "");
    dir.write("t/big", std::string(5000, 'x'));

    const struct { const wchar_t* mask; bool hidden; std::vector<std::string> want; } rows[] = {
        {L"*.c", true, {"t/.hidden/c.c", "t/src/a.c", "t/src/lib/b.c"}},
        {L"*.c", false, {"t/src/a.c", "t/src/lib/b.c"}},
        {L"lib|src", true, {"t/src", "t/src/lib"}},
        {L"%size>4k", true, {"t/big"}},
    };
    for (const auto& r : rows) {
        FindOptions o;
        o.start = dir.wide("t");
        o.mask = r.mask;
        o.hidden = r.hidden;
        CCollect scan(o, dir.path);
        EXPECT_EQ(scan.Run(scan.stop), 0);
        EXPECT_EQ(sorted(scan.Names()), r.want) << Estring(FileNameToSys(Westring(r.mask))).c_str();
    }
    FindOptions o;
    o.start = dir.wide("t");
    CCollect scan(o, dir.path);
    scan.stop_after = 2;
    EXPECT_EQ(scan.Run(scan.stop), -1);
    EXPECT_EQ(scan.found.size(), 2u);

    o.mask = L"(*.c";
    CCollect bad(o, dir.path);
    EXPECT_EQ(bad.Run(bad.stop), EINVAL);
}

TEST(FileFind, ResultLines)
{
    entry* f = entry::Create(Westring(L"/t/file.txt"));
    f->size = 1234567;
    entry* d = entry::Create(Westring(L"/t/dir"));
    d->attributes = AttrDirectory;
    entry* h = entry::Create(Westring(L"/t/.h"));
    h->attributes = AttrHidden;
    entry* x = entry::Create(Westring(L"/t/locked"));
    x->match_pos = FoundOpenError;
    Westring lf = make_found(*f, 74), ld = make_found(*d, 74), lh = make_found(*h, 74), lx = make_found(*x, 74);
    EXPECT_EQ(lf.left(10), Westring(L" 1,234,567"));
    EXPECT_EQ(lf.mid(27, 0), Westring(L" /t/file.txt"));
    EXPECT_EQ(ld.left(10), Westring(L"  \u25BASUBDIR\u25C4"));
    EXPECT_EQ(lh.mid(27, 0), Westring(L"\u2591/t/.h"));
    EXPECT_EQ(lx, Westring(L"Error opening               /t/locked"));
    for (entry* e : {f, d, h, x})
        entry::Destroy(e);
}
