#include "fileops/path_grammar.h"

#include "fileops/file_system.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

std::string narrow(const Westring& s)
{
    return FileNameToSys(s).c_str();
}

}

TEST(ResolvePath, NormalisesTextually)
{
    const struct { const wchar_t* path; const wchar_t* base; const wchar_t* result; } rows[] = {
        {L"a/./b/../c", L"/home/u", L"/home/u/a/c"},
        {L"", L"/a", L"/a"},
        {L".", L"/a", L"/a"},
        {L"..", L"/a", L"/"},
        {L"../..", L"/a/b", L"/"},
        {L"/usr/lib/../bin", L"/x", L"/usr/bin"},
        {L"/", L"/x", L"/"},
        {L"//", L"/x", L"/"},
        {L"a//b", L"/h", L"/h/a/b"},        // empty components collapse
        {L"x/", L"/h", L"/h/x/"},           // a trailing "/" is kept
        {L"...", L"/a/b/c", L"/a/b/c/..."}, // F8 on "..." must not reach /a
        {L"..../x", L"/a", L"/a/..../x"},
        {L".x/..y", L"/a", L"/a/.x/..y"},
        {L"x\\y", L"/", L"/x\\y"},          // "x\y" is one name, not x/y
        {L"..\\x", L"/a/b", L"/a/b/..\\x"},
        {L"../x", L"/home/u/", L"/home/x"}, // a base ending in "/"
        {L"a//..", L"/h", L"/h"},
        {L"../x", L"/", nullptr},           // above the root
        {L"/..", L"/h", nullptr},
        {L"a/../../..", L"/h", nullptr},
    };
    for (const auto& r : rows) {
        Westring p = r.path;
        int rc = ResolvePath(p, r.base);
        if (!r.result) {
            EXPECT_EQ(rc, -1) << narrow(r.path) << " against " << narrow(r.base);
            EXPECT_EQ(narrow(p), narrow(r.path)) << "a failure leaves the path alone";
        } else {
            EXPECT_EQ(rc, 0) << narrow(r.path) << " against " << narrow(r.base);
            EXPECT_EQ(narrow(p), narrow(r.result)) << narrow(r.path) << " against " << narrow(r.base);
        }
    }
}

TEST(ResolvePath, RelativeToCurrentDirectoryAndIntoBuffer)
{
    Westring p = L"x";
    ASSERT_EQ(ResolvePath(p), 0);
    EXPECT_EQ(narrow(p), narrow(PxGetCwd().AppendBackslash() + L"x"));

    wchar_t buf[8] = L"b/c";
    EXPECT_EQ(ResolvePath(buf, 8, L"/a"), 0);
    EXPECT_STREQ(buf, L"/a/b/c");
    EXPECT_EQ(ResolvePath(buf, 8, L"/long/base"), 0); // absolute: fits
    wchar_t small[8] = L"bcdefg";
    EXPECT_EQ(ResolvePath(small, 8, L"/a"), -1);      // "/a/bcdefg" needs 10
    EXPECT_STREQ(small, L"bcdefg");
}

TEST(PathGrammar, IsBelowAndRemoveBackslash)
{
    const struct { const wchar_t* dir; const wchar_t* path; bool below; } rows[] = {
        {L"/usr", L"/usr", true},
        {L"/usr", L"/usr/bin", true},
        {L"/usr", L"/usrx", false},
        {L"/usr/bin", L"/usr", false},
        {L"/USR", L"/usr/bin", false}, // names are case-sensitive
        {L"", L"/anything", true},
        {L"/", L"/etc", true},         // everything is below the root
        {L"/usr/", L"/usr/bin", true},
        {L"a/b", L"a/b/c", true},      // archive paths have no leading "/"
    };
    for (const auto& r : rows)
        EXPECT_EQ(IsBelow(r.dir, r.path), r.below) << narrow(r.dir) << " over " << narrow(r.path);

    Westring p = L"name\\";
    EXPECT_FALSE(RemoveBackslash(p)); // a backslash ends a name, not a path
    p = L"/usr/";
    EXPECT_TRUE(RemoveBackslash(p));
    EXPECT_EQ(narrow(p), "/usr");
}

TEST(DosEditName, AppliesRenamePattern)
{
    const struct { const wchar_t* name; const wchar_t* pattern; const wchar_t* result; } rows[] = {
        {L"report.txt", L"*.bak", L"report.bak"},
        {L"report.txt", L"?x*", L"rxeport"}, // a literal consumes nothing
        {L"report.txt", L"*", L"report"},
        {L"report.txt", L"*.*", L"report.txt"},
        {L"report.txt", L"??.*", L"re.txt"},
        {L"report.txt", L"", L""},
        {L"a.b.c", L"*.*", L"a.b"},
        {L"noext", L"*.old", L"noext.old"},
        {L"ab", L"????", L"ab"},
    };
    for (const auto& r : rows) {
        wchar_t out[2048];
        ASSERT_EQ(DosEditName(1, r.name, r.pattern, out, 2048), 0);
        EXPECT_STREQ(out, r.result) << narrow(r.name) << " with " << narrow(r.pattern);
    }
    wchar_t small[6] = L"keep";
    EXPECT_EQ(DosEditName(1, L"report.txt", L"*.bak", small, 6), ENAMETOOLONG);
    EXPECT_STREQ(small, L"keep");
}
