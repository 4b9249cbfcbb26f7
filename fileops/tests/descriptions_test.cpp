#include "fileops/descriptions.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string name260(260, 'n');

std::string described(const TempDir& t, const std::string& dir, const std::string& name)
{
    CDescriptionFile f;
    if (f.Load(t.wide(dir)) != 0)
        return "<unreadable>";
    std::string text;
    return f.Get(name, text) ? text : "<none>";
}

using Descriptions = TempDirTest;

}

TEST_F(Descriptions, LinesSplitIntoNameAndText)
{
    const struct { std::string line; const char* name; int rest; } rows[] = {
        {"file.txt A text file", "file.txt", 9},
        {"   lead  two blanks", "lead", 9},          // leading blanks skipped, both sides
        {"\"with blank\" quoted", "with blank", 13},
        {"\"unclosed quote", "unclosed quote", 15},
        {"alone", "alone", 5},
        {"x\\y backslash kept", "x\\y", 4},
        {"caf\xC3\xA9 utf8", "caf\xC3\xA9", 6},
        {name260 + " longest", name260.c_str(), 261},
        {name260 + "n too long", "", -1},
        {"", "", -1},
        {"  \t ", "", -1},
        {"\"\" empty name", "", -1},
    };
    for (const auto& r : rows) {
        std::string name;
        EXPECT_EQ(fname_from_desc(r.line, name), r.rest) << r.line;
        EXPECT_EQ(name, r.name) << r.line;
    }
    // The shell-quoted reading of a bare name with an escaped blank.
    std::string name, escaped;
    size_t rest = 0;
    EXPECT_EQ(fname_from_desc("a\\ b\\$c text", name, &escaped, &rest), 3);
    EXPECT_EQ(name, "a\\");
    EXPECT_EQ(escaped, "a b$c");
    EXPECT_EQ(rest, 8u);
}

TEST_F(Descriptions, ReadsEitherLineEndAndBothQuotings)
{
    t.write("descript.ion",
            "plain CR LF line\r\n"
            "\"two words\" quoted\r\n"
            "old\\ style escaped blank\n"
            "lf only line\n"
            "  indented  text  \n"
            "last without end");
    const struct { const char* name; const char* text; } rows[] = {
        {"plain", "CR LF line"},
        {"two words", "quoted"},
        {"old style", "escaped blank"},
        {"lf", "only line"},
        {"indented", "text  "},
        {"last", "without end"},
        {"missing", "<none>"},
        {"PLAIN", "<none>"},  // names are exact
    };
    for (const auto& r : rows)
        EXPECT_EQ(described(t, ".", r.name), r.text) << r.name;
}

TEST_F(Descriptions, RewritesOnceKeepingModeAndDropsTheEmptyFile)
{
    t.write("descript.ion", "a first\nb second\n");
    ASSERT_EQ(chmod(t.sys("descript.ion").c_str(), 0640), 0);
    CDescriptionFile f;
    ASSERT_EQ(f.Load(t.wide("")), 0);
    EXPECT_TRUE(f.Set("with blank", "new one"));
    EXPECT_TRUE(f.Set("a", "replaced"));
    EXPECT_FALSE(f.Set("quote\" and blank", "x"));  // cannot be written back
    EXPECT_FALSE(f.Set("line\nfeed", "x"));
    EXPECT_FALSE(f.Remove("missing"));
    EXPECT_EQ(t.read("descript.ion"), "a first\nb second\n");  // nothing until Save
    ASSERT_EQ(f.Save(), 0);
    EXPECT_EQ(t.read("descript.ion"), "b second\r\n\"with blank\" new one\r\na replaced\r\n");
    EXPECT_EQ(t.mode("descript.ion"), 0640u);

    // The last line gone: the file goes.
    for (const char* name : {"a", "b", "with blank"})
        EXPECT_TRUE(f.Remove(name)) << name;
    ASSERT_EQ(f.Save(), 0);
    EXPECT_FALSE(t.exists("descript.ion"));
}

TEST_F(Descriptions, ByteNamesAndTheSingleShotForms)
{
    ASSERT_EQ(mkdir(t.sys("to").c_str(), 0755), 0);
    write_desc(t.wide("\xE4"), "latin1");
    write_desc(t.wide("\xC3\xA4"), "utf8");
    EXPECT_EQ(described(t, ".", "\xE4"), "latin1");
    EXPECT_EQ(described(t, ".", "\xC3\xA4"), "utf8");

    CDescriptionFile here;
    std::string name;
    ASSERT_EQ(open_desc(t.wide("\xE4"), name, here), 0);
    EXPECT_EQ(name, "\xE4");
    copy_desc(t.wide("\xE4"), t.wide("to/copied"), here);
    EXPECT_EQ(described(t, "to", "copied"), "latin1");
    // A rename in place leaves one line, under the new name.
    move_desc(t.wide("\xC3\xA4"), t.wide("renamed"), here);
    EXPECT_EQ(described(t, ".", "renamed"), "utf8");
    EXPECT_EQ(described(t, ".", "\xC3\xA4"), "<none>");
    EXPECT_EQ(described(t, ".", "\xE4"), "latin1");

    EXPECT_EQ(delete_desc(t.wide("\xE4")), 0);
    EXPECT_EQ(delete_desc(t.wide("renamed")), 1);
    EXPECT_FALSE(t.exists("descript.ion"));
    // Copying an entry without a description writes nothing.
    CDescriptionFile none;
    ASSERT_EQ(open_desc(t.wide("x"), name, none), 0);
    copy_desc(t.wide("x"), t.wide("to/x"), none);
    EXPECT_EQ(t.read("to/descript.ion"), "copied latin1\r\n");
}

TEST_F(Descriptions, ASetReadsAndWritesEachDirectoryOnce)
{
    ASSERT_EQ(mkdir(t.sys("src").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(t.sys("dst").c_str(), 0755), 0);
    ASSERT_EQ(symlink("src", t.sys("alias").c_str()), 0);
    t.write("src/descript.ion", "one 1\r\ntwo 2\r\nthree 3\r\n");
    CDescriptionSet set;
    set.Copy(t.wide("src/one"), t.wide("dst/one"));
    set.Move(t.wide("alias/two"), t.wide("dst/zwei"));  // the same directory by another name
    set.Delete(t.wide("src/three"));
    set.Write(t.wide("dst/new"), "written");
    EXPECT_EQ(set.Directory(t.wide("src")), set.Directory(t.wide("alias")));
    EXPECT_EQ(t.read("src/descript.ion"), "one 1\r\ntwo 2\r\nthree 3\r\n");
    EXPECT_FALSE(t.exists("dst/descript.ion"));
    ASSERT_EQ(set.Flush(), 0);
    EXPECT_EQ(t.read("src/descript.ion"), "one 1\r\n");
    EXPECT_EQ(t.read("dst/descript.ion"), "one 1\r\nzwei 2\r\nnew written\r\n");
}

TEST_F(Descriptions, AReadOnlyFileIsLeftAloneAfterOneAttempt)
{
    t.write("descript.ion", "kept as it is\r\n");
    ASSERT_EQ(chmod(t.sys("descript.ion").c_str(), 0444), 0);
    // The directory is writable: only the file's own mode keeps a rename
    // from replacing it.
    EXPECT_TRUE(t.as_ordinary_user([&] {
        CDescriptionFile f;
        return f.Load(t.wide("")) == 0 && f.Set("kept", "changed") && f.Save() == EACCES &&
               f.Set("other", "text") && f.Save() == 0 && f.Remove("kept") && f.Save() == 0;
    }));
    EXPECT_EQ(t.read("descript.ion"), "kept as it is\r\n");
    EXPECT_EQ(t.names(), "descript.ion") << "no temporary is left";
}
