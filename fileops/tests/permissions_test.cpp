#include "fileops/permissions.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>

TEST(Permissions, UnixMode2Str)
{
    const struct { unsigned mode; const char* text; } rows[] = {
        {04755, "rwsr-xr-x"},
        {01777, "rwxrwxrwt"},
        {02640, "rw-r-S---"},
        {02750, "rwxr-s---"},
        {04644, "rwSr--r--"},
        {01666, "rw-rw-rwT"},
        {07000, "--S--S--T"},
        {0100644, "rw-r--r--"}, // the file type shows nowhere
        {0, "---------"},
    };
    for (const auto& r : rows)
        EXPECT_STREQ(UnixMode2Str(r.mode).c_str(), r.text) << std::oct << r.mode;
}

TEST(Permissions, OwnerNamesAndIds)
{
    EXPECT_EQ(Str2UID(L"root"), 0u);
    EXPECT_EQ(Str2GID(L"root"), 0u);
    EXPECT_EQ(FileNameToSys(UID2Str(0)), Estring("root"));
    EXPECT_EQ(Str2UID(L"no such user"), NoUID);
    EXPECT_EQ(Str2GID(L""), NoGID);
    // Ids beyond 16 bits keep their value both ways.
    const uid_t big = 4000000000u;
    EXPECT_EQ(FileNameToSys(UID2Str(big)), Estring("4000000000"));
    EXPECT_EQ(Str2UID(UID2Str(big)), big);
    EXPECT_EQ(Str2GID(L"99999999999"), NoGID); // too wide for an id
}

TEST(Permissions, ReadOnlyOverrideAndRelease)
{
    TempDir t;
    ASSERT_TRUE(t.ok());
    t.write("ro", "");
    t.write("rw", "");
    chmod(t.sys("ro").c_str(), 02440);
    chmod(t.sys("rw").c_str(), 0640);
    {
        CReadOnlyOverride o;
        ASSERT_EQ(o.Override(t.wide("ro")), 0);
        EXPECT_EQ(t.mode("ro"), 02640u);
        EXPECT_EQ(o.Release(), 0);
        EXPECT_EQ(t.mode("ro"), 02440u);

        EXPECT_EQ(o.Override(t.wide("rw")), EACCES); // already writable
        EXPECT_EQ(o.Release(), 0);
        EXPECT_EQ(t.mode("rw"), 0640u);

        ASSERT_EQ(o.Override(t.wide("ro")), 0);
        EXPECT_EQ(o.Override(t.wide("missing")), ENOENT);
        EXPECT_EQ(t.mode("ro"), 02440u); // the earlier override was released
        ASSERT_EQ(o.Override(t.wide("ro")), 0);
    }
    EXPECT_EQ(t.mode("ro"), 02440u); // the destructor releases
}
