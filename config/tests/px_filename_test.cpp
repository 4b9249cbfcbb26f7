#include "config/config.h"
#include "config/px_filename.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>

TEST(PXFilename, EveryTypeByDefaultAndBesideANamedIniFile)
{
    setenv("HOME", "/home/ann", 1);
    PXProg = L"/usr/bin/px";
    config.IniFile = L"";
    const struct { PXFilenameType type; int where; const wchar_t* dflt; const wchar_t* named; } rows[] = {
        // Help and manual are the program's own, whatever ini file it reads.
        {PXHelp, 0, L"/usr/share/pannex/px.pxh", L"/usr/share/pannex/px.pxh"},
        {PXManual, 0, L"/usr/share/doc/pannex/manual/index.html", L"/usr/share/doc/pannex/manual/index.html"},
        {PXUserMenu, 0, L"/home/ann/.pxl/px.mnu", L"/work/cfg/my.mnu"},
        {PXConfig, 0, L"/home/ann/.pxl/px.ini", L"/work/cfg/my.ini"},
        {PXHistory, 0, L"/home/ann/.pxl/px.hst", L"/work/cfg/my.hst"},
        {PXLog, 0, L"/home/ann/.pxl/px.log", L"/work/cfg/my.log"},
        {PXSyntax, 0, L"/home/ann/.pxl/syntax.ini", L"/work/cfg/syntax.ini"},
        {PXSyntax, 1, L"/usr/share/pannex/syntax.ini", L"/usr/share/pannex/syntax.ini"},
    };
    for (const auto& r : rows)
        EXPECT_STREQ(PXFilename(r.type, r.where).c_str(), r.dflt) << r.type;
    config.IniFile = L"/work/cfg/my.cfg";
    for (const auto& r : rows)
        EXPECT_STREQ(PXFilename(r.type, r.where).c_str(), r.named) << r.type;
    // The base keeps everything up to the last dot.
    config.IniFile = L"/etc/px.v2.conf";
    EXPECT_STREQ(PXFilename(PXHistory).c_str(), L"/etc/px.v2.hst");
    config.IniFile = L"";
    PXProg = L"/opt/pannex/pannex.bin";
    EXPECT_STREQ(PXFilename(PXConfig).c_str(), L"/home/ann/.pxl/pannex.ini");
}

TEST(PXFilename, ABuildTreeUsesItsOwnData)
{
    PXProg = FileNameFromSys(PANNEX_TEST_BUILD_DIR "/panels/px");
    EXPECT_STREQ(PXFilename(PXSyntax, 1).c_str(), FileNameFromSys(PANNEX_TEST_BUILD_DIR "/data/syntax.ini").c_str());
    EXPECT_STREQ(PXFilename(PXHelp).c_str(), FileNameFromSys(PANNEX_TEST_BUILD_DIR "/data/px.pxh").c_str());
    // Only inside the tree: a sibling directory with the same prefix is not.
    PXProg = FileNameFromSys(PANNEX_TEST_BUILD_DIR "x/px");
    EXPECT_STREQ(PXFilename(PXSyntax, 1).c_str(), L"/usr/share/pannex/syntax.ini");
    PXProg = L"/usr/bin/px";
}

// An install into any prefix finds its files beside its own bin/, before
// the system's; what the prefix lacks still comes from /usr/share.
TEST(PXFilename, AnInstalledPxUsesItsOwnPrefix)
{
    char tmpl[] = "/tmp/pxprefix.XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    std::string prefix = tmpl;
    for (const char* dir : {"/bin", "/share", "/share/pannex", "/share/doc", "/share/doc/pannex",
                            "/share/doc/pannex/manual"})
        ASSERT_EQ(mkdir((prefix + dir).c_str(), 0755), 0);
    std::ofstream(prefix + "/share/pannex/syntax.ini") << "";
    std::ofstream(prefix + "/share/doc/pannex/manual/index.html") << "";
    config.IniFile = L"";
    PXProg = FileNameFromSys((prefix + "/bin/px").c_str());
    Westring own = FileNameFromSys(prefix.c_str());
    EXPECT_STREQ(PXFilename(PXSyntax, 1).c_str(), (own + L"/share/pannex/syntax.ini").c_str());
    EXPECT_STREQ(PXFilename(PXManual).c_str(), (own + L"/share/doc/pannex/manual/index.html").c_str());
    EXPECT_STREQ(PXFilename(PXHelp).c_str(), L"/usr/share/pannex/px.pxh");
    PXProg = L"/usr/bin/px";
    std::system(("rm -rf '" + prefix + "'").c_str());
}
