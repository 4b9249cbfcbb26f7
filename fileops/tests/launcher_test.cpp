#include "fileops/launcher.h"

#include <gtest/gtest.h>

TEST(Launcher, TitlesComeFromNames)
{
    const struct { const char* name; const char* title; } rows[] = {
        {"prog.sh", "Prog"},
        {"my.file.txt", "My.file"},      // only the last extension goes
        {"README", "Readme"},
        {".bashrc", ".bashrc"},          // nothing would be left: the whole name
        {"ÄPFEL.TXT", "Äpfel"},
        {"x", "X"},
    };
    for (const auto& r : rows)
        EXPECT_STREQ(maketitle(FileNameFromSys(r.name)).ToUTF8().c_str(), r.title) << r.name;
}
