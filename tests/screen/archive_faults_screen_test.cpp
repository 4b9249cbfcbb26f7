#include "archive/archive.h"
#include "config/config.h"
#include "config/ini_file.h"
#include "console/console_test_support.h"
#include "console/key_codes.h"
#include "panels/tests/panel_tree.h"
#include "tests/screen/px_screen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

// What the archiver commands must never do, whatever the archive or the
// names hold: write outside the target, change a name's meaning, lose an
// edited member or an existing archive.

namespace {

constexpr int ShiftF(int n)
{
    return KEY_SHIFT_F1 + n - 1;
}

std::string read_file(const std::string& path)
{
    std::ifstream f(path);
    std::stringstream s;
    s << f.rdbuf();
    return f ? s.str() : "<missing>";
}

bool have(const char* program)
{
    return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

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

class ArchiveFaults : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(t.ok());
        t.dir("work");
        t.dir("work/src");
        t.dir("work/dst");
    }
    void sh(const std::string& command)
    {
        ASSERT_EQ(std::system(("cd '" + t.path + "' && { " + command + "; } >/dev/null 2>&1").c_str()), 0) << command;
    }
    PX_RUN run(std::vector<ScreenStep> steps, std::function<void()> settings = {})
    {
        std::string l = t.sys("work/src"), r = t.sys("work/dst");
        return run_px({"-l", l.c_str(), "-r", r.c_str()}, std::move(steps), std::move(settings));
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

    PanelTree t{"/tmp"};
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
    std::string before = tree();
    for (const char* archive : {"u.tar", "u.zip"}) {
        SCOPED_TRACE(archive);
        bool tar = std::string(archive) == "u.tar";
        int reported = 0;
        // ".." u.tar u.zip; inside, docs comes first after "..". Tag docs
        // and every file, F5, OK.
        std::vector<int> keys = {KEY_DOWN};
        if (!tar)
            keys.push_back(KEY_DOWN);
        keys.push_back(KEY_CTRL_PGDN);
        keys.push_back(KEY_DOWN);
        keys.push_back(KEY_INS);
        keys.push_back(KEY_GREY_PLUS);
        for (int k : type_keys("*"))
            keys.push_back(k);
        keys.push_back(KEY_RETURN);
        keys.push_back(KEY_F1 + 4);
        keys.push_back(KEY_RETURN);
        run({KEYS(keys), CHECK([&] { reported += screen_row_of("Unsafe name in archive:") >= 0; }),
             KEYS({KEY_ESC})});
        EXPECT_EQ(reported, 1);
        std::string after = tree();
        // The safe members, and nothing outside work/dst. The links stay
        // behind too: tar would take "link/passwd" along with "link".
        std::string expect = tar ? "./work|./work/dst|./work/dst/docs|./work/dst/docs/ok.txt|./work/dst/dot.txt|"
                                   "./work/src|./work/src/u.tar|./work/src/u.zip"
                                 : "./work|./work/dst|./work/dst/docs|./work/dst/docs/ok.txt|"
                                   "./work/src|./work/src/u.tar|./work/src/u.zip";
        EXPECT_EQ(before, "./work|./work/dst|./work/src|./work/src/u.tar|./work/src/u.zip");
        EXPECT_EQ(after, expect);
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
    std::vector<int> all = {KEY_DOWN};
    for (int i = 0; i < 6; i++)
        all.push_back(KEY_INS);
    std::vector<ScreenStep> steps = {KEYS(all), KEYS({ShiftF(7), KEY_CTRL_A + 'Y' - 'A'}),
                                     KEYS(type_keys(t.path + "/work/dst/all")), KEYS({KEY_ALT_Z, KEY_RETURN})};
    for (int i = 0; i < 6; i++) {
        std::vector<int> k = {KEY_HOME};
        for (int d = 0; d <= i; d++)
            k.push_back(KEY_DOWN);
        k.push_back(ShiftF(7));
        k.push_back(KEY_CTRL_A + 'Y' - 'A');
        steps.push_back(KEYS(k));
        steps.push_back(KEYS(type_keys(t.path + "/work/dst/" + std::to_string(i))));
        steps.push_back(KEYS({KEY_ALT_Z, KEY_RETURN}));
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
    // ".." notes.gz notes.txt t.zip; in t.zip: ".." b.txt.
    run({KEYS({KEY_END, KEY_CTRL_PGDN, KEY_DOWN, KEY_F1 + 3}),
         CHECK([&] { EXPECT_GE(screen_row_of("An error occurred updating"), 0); }), KEYS({KEY_ESC}), CHECK([&] {
             int y = screen_row_of("The changed copy is kept in");
             EXPECT_GE(y, 0);
             if (y >= 0)
                 kept = row(y + 1);
         }),
         // At exit the write-back is tried once more, fails again, and the
         // copy is still kept.
         KEYS({KEY_ESC}), KEYS({KEY_F10}), CHECK([&] { EXPECT_GE(screen_row_of("An error occurred updating"), 0); }),
         KEYS({KEY_ESC}), CHECK([&] { EXPECT_GE(screen_row_of("The changed copy is kept in"), 0); }),
         KEYS({KEY_ESC})},
        [this] {
            config.Editor = Westring(FileNameFromSys((t.path + "/work/stubedit").c_str()));
            Archiver[ArchZip].value[ARCHIVER::Compress] = "false";
        });
    kept.erase(0, kept.find('/'));
    kept.erase(kept.find_last_not_of(" ║") + 1);
    std::string copy = read_file(kept);
    EXPECT_EQ(copy, "beta\nedited\n") << kept;
    sh("unzip -p work/src/t.zip b.txt > work/b.out");
    EXPECT_EQ(read_file(t.path + "/work/b.out"), "beta\n");
    if (!kept.empty())
        (void)!std::system(("rm -rf \"$(dirname '" + kept + "')\"").c_str());

    std::string gz = read_file(t.path + "/work/src/notes.gz");
    run({KEYS({KEY_DOWN, KEY_DOWN, ShiftF(7), KEY_CTRL_A + 'Y' - 'A'}),
         KEYS(type_keys(t.path + "/work/src/notes")), KEYS({KEY_ALT_G, KEY_RETURN}),
         CHECK([&] { EXPECT_GE(screen_row_of("The file exists. Overwrite it?"), 0); }), KEYS({KEY_ESC})});
    EXPECT_EQ(read_file(t.path + "/work/src/notes.gz"), gz);
}
