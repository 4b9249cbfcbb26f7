#include "fileops/file_info.h"

#include "fileops/permissions.h"
#include "foundation/time_stamp.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string narrow(const Westring& s)
{
    return FileNameToSys(s).c_str();
}

std::string labels(const CFileInfoItems& items)
{
    std::string s;
    for (int i = 0; i < items.count; i++)
        s += std::string(i ? "," : "") + items.At(i)->label.c_str();
    return s;
}

std::string value(const CFileInfoItems& items, const char* label)
{
    for (int i = 0; i < items.count; i++)
        if (items.At(i)->label == label)
            return narrow(items.At(i)->value);
    return "<none>";
}

}

TEST(FileInfo, LabelsAndTypes)
{
    TempDir t;
    ASSERT_TRUE(t.ok());
    t.write("file", "12345");
    chmod(t.sys("file").c_str(), 04750);
    const timespec times[2] = {{1000000000, 0}, {1700000000, 250000000}};
    ASSERT_EQ(utimensat(AT_FDCWD, t.sys("file").c_str(), times, 0), 0);
    ASSERT_EQ(symlink("file", t.sys("link").c_str()), 0);
    ASSERT_EQ(mkfifo(t.sys("fifo").c_str(), 0600), 0);

    const char* common = "Size,Access Time,Modified Time,Changed Time,Mode,Hard Links,Type";
    const struct { const char* name; const char* type; const char* mode; const char* size; const char* target; } rows[] = {
        {"file", "Regular file", "rwsr-x---", "5", nullptr},
        {"link", "Symbolic Link", "rwxrwxrwx", "4", "file"}, // the link itself
        {"fifo", "Named Pipe (FIFO)", "rw-------", "0", nullptr},
    };
    for (const auto& r : rows) {
        CFileInfoItems items;
        ASSERT_TRUE(GetFileInfo(t.wide(r.name), items)) << r.name;
        EXPECT_EQ(labels(items), std::string(common) + (r.target ? ",Target" : "") + ",Owner,Group")
            << r.name;
        EXPECT_EQ(value(items, "Type"), r.type) << r.name;
        EXPECT_EQ(value(items, "Mode"), r.mode) << r.name;
        EXPECT_EQ(value(items, "Size"), r.size) << r.name;
        EXPECT_EQ(value(items, "Target"), r.target ? r.target : "<none>") << r.name;
        EXPECT_EQ(value(items, "Hard Links"), "1") << r.name;
        std::string owner = narrow(UID2Str(geteuid())) + "(" + std::to_string(geteuid()) + ")";
        EXPECT_EQ(value(items, "Owner").substr(0, owner.size()), owner) << r.name;
    }

    CFileInfoItems items;
    ASSERT_TRUE(GetFileInfo(t.wide("file"), items));
    EXPECT_EQ(value(items, "Modified Time"), TimeStamp(1700000000, 250000000).ToString().c_str());

    CFileInfoItems none;
    EXPECT_FALSE(GetFileInfo(t.wide("missing"), none));
    EXPECT_EQ(none.count, 0);
}
