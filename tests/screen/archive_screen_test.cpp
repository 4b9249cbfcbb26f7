#include "archive/archive.h"
#include "config/ini_file.h"
#include "tests/screen/screen_helpers.h"

#include <algorithm>
#include <ctime>

namespace {

constexpr time_t March5 = 1709647620;  // 2024-03-05 14:07 UTC

class ArchiveBase : public PanelsScreen
{
protected:
    void sh(const std::string& command)
    {
        ASSERT_EQ(std::system(("cd '" + t.path + "' && { " + command + "; } >/dev/null 2>&1").c_str()), 0) << command;
    }
};

// src (left panel) holds a.txt, b.txt, docs/report.txt and t.zip made of
// them; dst (right panel) is empty. Times are UTC.
class ArchiveScreen : public ArchiveBase
{
protected:
    void SetUp() override
    {
        setenv("TZ", "UTC", 1);
        tzset();
        if (!have("zip") || !have("gzip") || !have("bzip2"))
            GTEST_SKIP() << "zip, gzip and bzip2 make the archives";
        PanelsScreen::SetUp();
        t.dir("src");
        t.dir("dst");
        t.file("src/a.txt", 1000, March5);
        t.file("src/b.txt", 2000, March5);
        t.dir("src/docs", March5);
        t.file("src/docs/report.txt", 12345, March5);
        t.stamp("src/docs", March5);
        sh("cd src && zip -q -r -X t.zip a.txt b.txt docs && touch -d @1709647620 t.zip");
    }
};

// Keys that reach t.zip (the last entry of src) and enter it.
const std::vector<int> into_zip = {KEY_END, KEY_CTRL_PGDN};

std::vector<int> operator+(std::vector<int> a, const std::vector<int>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}

TEST_F(ArchiveScreen, ZipRootAndSubdirectoryInFullDetail)
{
    Rows root, sub;
    std::string active, inactive;
    run({KEYS(into_zip), CHECK(keep(root, 0, 5, 0, 40)), CHECK([&] { active = screen_attr_hex(console, 0, 0, 40); }),
         KEYS({KEY_DOWN, KEY_RETURN}), CHECK(keep(sub, 0, 3, 0, 40)), KEYS({KEY_TAB}),
         CHECK([&] { inactive = screen_attr_hex(console, 0, 0, 40); })});
    EXPECT_EQ(root, (Rows{
        "╔══ /tmp/pxfileops.XXXXXX/src/t.zip ═══╗",
        "║..           │►UP-DIR◄│        │      ║",
        "║docs         │►SUBDIR◄│03/05/24│ 2:07p║",
        "║a.txt        │    1000│03/05/24│ 2:07p║",
        "║b.txt        │    2000│03/05/24│ 2:07p║",
        "║             │        │        │      ║",
    }));
    EXPECT_EQ(sub, (Rows{
        "╔ /tmp/pxfileops.XXXXXX/src/t.zip/docs ╗",
        "║..           │►UP-DIR◄│        │      ║",
        "║report.txt   │   12345│03/05/24│ 2:07p║",
        "║             │        │        │      ║",
    }));
    // The title in the tagged colours: highlighted while active.
    EXPECT_EQ(active, "1b1b1b" + repeat("3e", 33) + "1b1b1b1b");
    EXPECT_EQ(inactive, "1b" + repeat("1e", 38) + "1b");
}

// Ctrl+Q and F3 on a directory of an archive sum its members' stored
// sizes, deeper directories included, from the listing alone.
TEST_F(ArchiveScreen, DirectorySizesInAnArchive)
{
    sh("mkdir -p src/docs/deep && head -c 655 /dev/zero > src/docs/deep/more.bin && cd src && zip -q -r -X u.zip docs");
    Rows ctrlq, f3;
    run({KEYS({KEY_END, KEY_CTRL_PGDN, KEY_DOWN, ctrl('Q')}), CHECK(keep(ctrlq, 2, 2, 0, 24)),
         KEYS({ctrl('R'), F(3)}), CHECK(keep(f3, 2, 2, 0, 24))});
    EXPECT_EQ(ctrlq, Rows{"║docs         │   13000│"});
    EXPECT_EQ(f3, Rows{"║docs         │   13000│"});
}

TEST_F(ArchiveScreen, SingleFileNestedAndDamaged)
{
    sh("cd src && echo compressed > c.txt && bzip2 c.txt && tar -cf t.tar a.txt && gzip -n t.tar && mv t.tar.gz t.tgz");
    sh("cp '" ARCHIVE_TEST_DATA "/rar4_bad_name.rar' src/bad.rar");
    Rows bz2, nested, damaged;
    // ".." docs a.txt b.txt bad.rar c.txt.bz2 t.tgz t.zip
    run({KEYS({KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_CTRL_PGDN}), CHECK(keep(bz2, 0, 2, 0, 40)),
         KEYS({KEY_CTRL_BACKSLASH, KEY_DOWN, KEY_RETURN, KEY_DOWN, KEY_CTRL_PGDN}), CHECK(keep(nested, 0, 2, 0, 40)),
         KEYS({KEY_CTRL_BACKSLASH, KEY_UP, KEY_UP, KEY_CTRL_PGDN}), CHECK(keep_box(damaged, "RAR")),
         KEYS({KEY_ESC})});
    // A bzip2 member's size and time are unknown: blank.
    EXPECT_EQ(bz2, (Rows{
        "╔ /tmp/pxfileops.XXXXXX/src/c.txt.bz2 ═╗",
        "║..           │►UP-DIR◄│        │      ║",
        "║c.txt        │        │        │      ║",
    }));
    // The tar inside the tgz: the title joins them with one slash (its
    // start is shortened, so only the end is compared).
    ASSERT_EQ(nested.size(), 3u);
    EXPECT_NE(nested[0].find("/src/t.tgz/t.tar ╗"), std::string::npos) << nested[0];
    EXPECT_EQ(nested[2], "║a.txt        │    1000│03/05/24│ 2:07p║");
    EXPECT_EQ(damaged, framed(36, {"        Error in RAR header", " /tmp/pxfileops.XXXXXX/src/bad.rar",
                                   "               [ OK ]"}));
}

TEST_F(ArchiveScreen, ExtractAndCompressDialogs)
{
    Rows one, several, move, compress;
    // In t.zip: ".." docs a.txt b.txt.
    run({KEYS(into_zip), KEYS({KEY_DOWN, KEY_DOWN, F(5)}), CHECK(keep(one, 9, 15, 2, 76)), KEYS({KEY_ESC}),
         KEYS({KEY_INS, KEY_INS, F(5)}), CHECK(keep(several, 10, 10, 2, 76)), KEYS({KEY_ESC}),
         KEYS({F(6)}), CHECK(keep(move, 10, 10, 2, 76)), KEYS({KEY_ESC})});
    // The right panel in the zip, F5 on a.txt in src.
    run_in("src", "src", {KEYS({KEY_TAB}), KEYS(into_zip), KEYS({KEY_TAB, KEY_DOWN, KEY_DOWN, F(5)}),
                          CHECK(keep(compress, 9, 15, 2, 76)), KEYS({KEY_ESC})});
    const std::string buttons = pad("", 21) + "[ OK ]  [ Cancel ]  [ F10-Tree ]";
    EXPECT_EQ(one, framed(74, {" Extract \"a.txt\" to", "", pad(" /tmp/pxfileops.XXXXXX/dst/", 73) + "↓", "", buttons}));
    EXPECT_EQ(several, Rows{"║" + pad(" Extract 2 files to", 74) + "║"});
    EXPECT_EQ(move, Rows{"║" + pad(" Extract and Move 2 files to", 74) + "║"});
    // Adding proposes the archive itself.
    EXPECT_EQ(compress,
              framed(74, {" Compress \"a.txt\" to", "", pad(" /tmp/pxfileops.XXXXXX/src/t.zip", 73) + "↓", "", buttons}));
}

TEST_F(ArchiveScreen, CompressFilesWithEachType)
{
    Rows dialog;
    std::vector<Rows> types(ArchTypeCount);
    const int accelerators[ArchTypeCount] = {KEY_ALT_Z, KEY_ALT_R, KEY_ALT_L, KEY_ALT_A, KEY_ALT_C,
                                             KEY_ALT_H, KEY_ALT_G, KEY_ALT_T, KEY_ALT_1 + 6, KEY_ALT_B};
    std::vector<ScreenStep> steps = {KEYS({KEY_DOWN, KEY_DOWN, ShiftF(7)}), CHECK(keep(dialog, 6, 12, 5, 70))};
    for (int t = ArchTypeCount - 1; t >= 0; t--) {
        steps.push_back(KEYS({accelerators[t]}));
        steps.push_back(CHECK(keep(types[t], 7, 11, 54, 16)));
    }
    steps.push_back(KEYS({KEY_ESC}));
    run(steps);
    EXPECT_EQ(dialog, (Rows{
        "╔══════════════════════════ Compress Files ══════════════════════════╗",
        "║ Archive Name:                                  (•) ZIP   ( ) HA    ║",
        "║ /tmp/pxfileops.XXXXXX/dst/a                 ↓  ( ) RAR   ( ) GZIP  ║",
        "║                                                ( ) LHARC ( ) TAR   ║",
        "║            [ OK ]  [ Cancel ]                  ( ) ARJ   ( ) 7ZIP  ║",
        "║                                                ( ) ACE   ( ) BZIP2 ║",
        "╚════════════════════════════════════════════════════════════════════╝",
    }));
    // Each accelerator marks its own type and no other.
    static const char* const left[5] = {" ZIP   ", " RAR   ", " LHARC ", " ARJ   ", " ACE   "};
    static const char* const right[5] = {" HA", " GZ", " TA", " 7Z", " BZ"};
    for (int t = 0; t < ArchTypeCount; t++) {
        ASSERT_EQ(types[t].size(), 5u);
        for (int y = 0; y < 5; y++)
            EXPECT_EQ(types[t][y], std::string(t == y ? "(•)" : "( )") + left[y] + (t == y + 5 ? "(•)" : "( )") + right[y])
                << Archive::TypeName(t) << ", row " << y;
    }
}

TEST_F(ArchiveScreen, Refusals)
{
    sh("cd dst && echo g > g.txt && gzip g.txt && echo b > b.txt && bzip2 b.txt && mkdir sub && touch file");
    // dst: ".." sub b.txt.bz2 file g.txt.gz; src: ".." docs a.txt b.txt t.zip.
    const std::vector<int> into_gz = {KEY_TAB, KEY_END, KEY_CTRL_PGDN, KEY_TAB};
    const std::vector<int> into_bz2 = {KEY_TAB, KEY_DOWN, KEY_DOWN, KEY_CTRL_PGDN, KEY_TAB};
    const std::vector<int> f5_zip = {KEY_END, KEY_CTRL_PGDN, KEY_DOWN, KEY_DOWN, F(5), KEY_END};
    const std::vector<int> right_zip = std::vector<int>{KEY_TAB} + into_zip + std::vector<int>{KEY_TAB};
    const struct
    {
        std::vector<int> keys;
        const char* right;
        int width;
        Rows lines;  // inside the frame
    } rows[] = {
        {into_gz + std::vector<int>{KEY_DOWN, KEY_DOWN, F(5), KEY_RETURN}, "dst", 28,
         {" Cannot add to a GZip file", "", "           [ OK ]"}},
        {into_bz2 + std::vector<int>{KEY_DOWN, KEY_DOWN, F(5), KEY_RETURN}, "dst", 28,
         {" Cannot add to a BZip2 file", "", "           [ OK ]"}},
        {typed(right_zip + std::vector<int>{KEY_DOWN, KEY_DOWN, F(5), KEY_END}, "/docs", {KEY_RETURN}), "src", 48,
         {" Compressing into subdirectories not supported", "", "                     [ OK ]"}},
        {right_zip + std::vector<int>{KEY_END, F(6), KEY_RETURN}, "src", 36,
         {" Cannot move an archive into itself", "", "               [ OK ]"}},
        {typed(f5_zip, "no/", {KEY_RETURN}), "dst", 32,
         {"    Directory does not exist", " /tmp/pxfileops.XXXXXX/dst/no/", "             [ OK ]"}},
        {typed(f5_zip, "file", {KEY_RETURN}), "dst", 40,
         {" Destination must be a valid directory", "     /tmp/pxfileops.XXXXXX/dst/file", "                 [ OK ]"}},
        {into_gz + std::vector<int>{KEY_TAB, KEY_DOWN, F(8), KEY_RETURN}, "dst", 34,
         {" Deleting from GZIP not supported", "", "              [ OK ]"}},
        {{KEY_DOWN, KEY_DOWN, KEY_INS, KEY_INS, ShiftF(7), KEY_ALT_G, KEY_RETURN}, "dst", 46,
         {" GZIP archives cannot contain multiple files", "", "                    [ OK ]"}},
        {{KEY_DOWN, KEY_DOWN, ShiftF(7), KEY_ALT_C, KEY_RETURN}, "dst", 30,
         {" Adding to ACE not supported", "", "            [ OK ]"}},
    };
    for (const auto& r : rows) {
        Rows box;
        run_in("src", r.right, {KEYS(r.keys), CHECK(keep_box(box, "[ OK ]")), KEYS({KEY_ESC})});
        EXPECT_EQ(box, framed(r.width, r.lines));
    }
}

// What the archiver commands must never do, whatever the archive or the
// names hold: write outside the target, change a name's meaning, lose an
// edited member or an existing archive.

namespace {

// The members of an archive as px reads them, sorted, "|" between them.
std::string members(const std::string& path)
{
    CArchiveUI quiet;
    Archive a(FileNameFromSys(path.c_str()), nullptr, ArchiveSettings{}, &quiet);
    if (a.status != 0)
        return "(unreadable)";
    std::vector<std::string> names;
    for (int i = 0; i < a.Entries().Count(); i++)
        names.push_back(FileNameToSys(Westring(a.Entries().At(i)->stored)).c_str());
    std::sort(names.begin(), names.end());
    std::string s;
    for (const std::string& n : names)
        s += (s.empty() ? "" : "|") + n;
    return s;
}

class ArchiveFaults : public ArchiveBase
{
protected:
    void SetUp() override
    {
        PanelsScreen::SetUp();
        t.dir("work");
        t.dir("work/src");
        t.dir("work/dst");
        left_dir = "work/src";
        right_dir = "work/dst";
    }
    // Every path under the scratch directory, sorted, "|" between them.
    std::string tree() const
    {
        std::string out;
        if (FILE* p = popen(("cd '" + t.path + "' && find . -mindepth 1 | LC_ALL=C sort").c_str(), "r")) {
            char buf[4096];
            while (fgets(buf, sizeof buf, p)) {
                std::string line(buf);
                line.erase(line.find_last_not_of('\n') + 1);
                out += (out.empty() ? "" : "|") + line;
            }
            pclose(p);
        }
        return out;
    }
};

}

// A zip and a tar with members climbing out, absolute, and reached
// through a link: extracted alone and all tagged, only the safe member
// arrives, and nothing appears anywhere else.
TEST_F(ArchiveFaults, UnsafeMembersNeverLeaveTheTarget)
{
    if (!have("unzip") || !have("python3") || !have("tar"))
        GTEST_SKIP();
    sh("python3 -c '\n"
       "import zipfile\n"
       "z = zipfile.ZipFile(\"work/src/u.zip\", \"w\")\n"
       "for n in [\"docs/ok.txt\", \"../x\", \"docs/../../y\", \"/abs/z\", \"l/z\"]:\n"
       "    z.writestr(zipfile.ZipInfo(n), \"data\")\n"
       "i = zipfile.ZipInfo(\"l\")\n"
       "i.external_attr = 0o120777 << 16\n"
       "z.writestr(i, \"/\")\n"
       "'");
    sh("cp '" ARCHIVE_TEST_DATA "/unsafe.tar' work/src/u.tar");
    EXPECT_EQ(tree(), "./work|./work/dst|./work/src|./work/src/u.tar|./work/src/u.zip");
    for (bool tar : {true, false}) {
        SCOPED_TRACE(tar ? "u.tar" : "u.zip");
        int reported = 0;
        // ".." u.tar u.zip; inside, docs comes first after "..". Tag docs
        // and every file, F5, OK.
        std::vector<int> keys = tar ? std::vector<int>{KEY_DOWN} : std::vector<int>{KEY_DOWN, KEY_DOWN};
        run({KEYS(typed(keys + std::vector<int>{KEY_CTRL_PGDN, KEY_DOWN, KEY_INS, KEY_GREY_PLUS}, "*",
                        {KEY_RETURN, F(5), KEY_RETURN})),
             CHECK([&] { reported += screen_row_of("Unsafe name in archive:") >= 0; }), KEYS({KEY_ESC})});
        EXPECT_EQ(reported, 1);
        // The safe members, and nothing outside work/dst. The links stay
        // behind too: tar would take "link/passwd" along with "link".
        EXPECT_EQ(tree(), std::string("./work|./work/dst|./work/dst/docs|./work/dst/docs/ok.txt|") +
                              (tar ? "./work/dst/dot.txt|" : "") + "./work/src|./work/src/u.tar|./work/src/u.zip");
        EXPECT_NE(access("/abs/z", F_OK), 0);
        EXPECT_NE(access("/abs/path", F_OK), 0);
        sh("rm -rf work/dst/* work/dst/.[!.]*");
    }
}

// Names that mean something to a shell or an archiver, zipped alone and
// all tagged, give archives of exactly those names.
TEST_F(ArchiveFaults, NamesKeepTheirMeaning)
{
    if (!have("zip"))
        GTEST_SKIP();
    const char* names[] = {"$HOME", "*", "-T", "a\nb", "a?b", "x!y"};
    for (const char* n : names)
        t.file(std::string("work/src/") + n, 3);
    t.file("work/src/zzz", 3);  // must stay out
    // ".." then the names in byte order: $HOME * -T a\nb a?b x!y zzz.
    std::vector<ScreenStep> steps = {
        KEYS(typed({KEY_DOWN, KEY_INS, KEY_INS, KEY_INS, KEY_INS, KEY_INS, KEY_INS, ShiftF(7), ctrl('Y')},
                   t.path + "/work/dst/all", {KEY_ALT_Z, KEY_RETURN}))};
    for (int i = 0; i < 6; i++) {
        std::vector<int> k = {KEY_HOME};
        k.insert(k.end(), static_cast<size_t>(i + 1), KEY_DOWN);
        steps.push_back(KEYS(typed(k + std::vector<int>{ShiftF(7), ctrl('Y')},
                                   t.path + "/work/dst/" + std::to_string(i), {KEY_ALT_Z, KEY_RETURN})));
    }
    run(steps);
    EXPECT_EQ(members(t.sys("work/dst/all.zip")), "$HOME|*|-T|a\nb|a?b|x!y");
    for (int i = 0; i < 6; i++)
        EXPECT_EQ(members(t.sys("work/dst/" + std::to_string(i) + ".zip")), names[i]) << i;
}

// An edit whose write-back fails keeps the edited copy where the message
// says; an existing gz is never truncated by a cancelled Shift+F7.
TEST_F(ArchiveFaults, FailedWriteBackAndExistingGzipKeepTheirData)
{
    if (!have("zip") || !have("unzip") || !have("gzip"))
        GTEST_SKIP();
    sh("cd work/src && echo beta > b.txt && zip -q t.zip b.txt && rm b.txt && echo notes > notes.txt"
       " && echo old > old && gzip -c old > notes.gz && rm old");
    sh("printf '#!/bin/sh\\necho edited >> \"$1\"\\n' > work/stubedit && chmod 755 work/stubedit");
    std::string kept;
    auto failed = CHECK([] { EXPECT_GE(screen_row_of("An error occurred updating"), 0); });
    // ".." notes.gz notes.txt t.zip; in t.zip: ".." b.txt.
    run({KEYS({KEY_END, KEY_CTRL_PGDN, KEY_DOWN, F(4)}), failed, KEYS({KEY_ESC}), CHECK([&] {
             int y = screen_row_of("The changed copy is kept in");
             ASSERT_GE(y, 0);
             kept = row(y + 1);
         }),
         // At exit the write-back is tried once more, fails again, and the
         // copy is still kept.
         KEYS({KEY_ESC}), KEYS({KEY_F10}), failed, KEYS({KEY_ESC}),
         CHECK([&] { EXPECT_GE(screen_row_of("The changed copy is kept in"), 0); }), KEYS({KEY_ESC})},
        [this] {
            config.Editor = Westring(FileNameFromSys((t.path + "/work/stubedit").c_str()));
            Archiver[ArchZip].value[ARCHIVER::Compress] = "false";
        });
    kept.erase(0, kept.find('/'));
    kept.erase(kept.find_last_not_of(" ║") + 1);
    EXPECT_EQ(read_file(kept), "beta\nedited\n") << kept;
    sh("unzip -p work/src/t.zip b.txt > work/b.out");
    EXPECT_EQ(t.read("work/b.out"), "beta\n");
    if (!kept.empty())
        (void)!std::system(("rm -rf \"$(dirname '" + kept + "')\"").c_str());

    std::string gz = t.read("work/src/notes.gz");
    run({KEYS(typed({KEY_DOWN, KEY_DOWN, ShiftF(7), ctrl('Y')}, t.path + "/work/src/notes", {KEY_ALT_G, KEY_RETURN})),
         CHECK([&] { EXPECT_GE(screen_row_of("The file exists. Overwrite it?"), 0); }), KEYS({KEY_ESC})});
    EXPECT_EQ(t.read("work/src/notes.gz"), gz);
}
