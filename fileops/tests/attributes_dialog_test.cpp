#include "fileops/attributes_dialog.h"

#include "console/console.h"
#include "console/console_test_support.h"
#include "entries/entry.h"
#include "fileops/permissions.h"
#include "panels/panel.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class AttributesDialog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        console.SetDisplay(&display);
        console.SetSize(80, 25, "", 0);
        ASSERT_TRUE(t.ok());
        panel.path = FileNameFromSys(t.path.c_str());
        e = entry::Create(L"f");
        e->mode = 0100644;
    }
    void TearDown() override
    {
        entry::Destroy(e);
        console.SetDisplay(nullptr);
    }
    // Presses keys in the dialog, each where the focus then is; keys
    // given as "@n" move the focus to element n first.
    static void press(CFileAttributeDialog& dlg, const std::string& keys)
    {
        for (size_t i = 0; i < keys.size(); i++) {
            if (keys[i] == '@') {
                dlg.ChangeFocus(keys[++i] - 'a');
                continue;
            }
            EXPECT_TRUE(dlg.ApplyKey(keys[i])) << keys[i];
        }
    }

    CRecordingDisplay display;
    TempDir t;
    PANEL panel;
    entry* e = nullptr;
};

}

TEST_F(AttributesDialog, KeysSetTheModeOfOneEntry)
{
    // Focus: a..l the twelve cells (User R W X S, Group ..., Other ...),
    // m the owner field, n the group field.
    const struct { const char* keys; unsigned mode; } rows[] = {
        {"750", 0100750},        // each digit moves on to the next row
        {"@e5", 0100654},        // 5 on the Group row: r-x
        {"@es", 0102644},        // s on the Group row: set-group-id
        {"@m7", 0107644},        // a digit from the owner field: the special bits
        {"@ax", 0100744},
        {"R", 0100200},          // the column follows the User cell's next state
        {"@aX", 0100755},
        {"0", 0100044},
    };
    for (const auto& r : rows) {
        CFileAttributeDialog dlg(&panel, {e}, false);
        press(dlg, r.keys);
        EXPECT_EQ(dlg.UpdateMode(0100644), r.mode) << r.keys;
    }
}

TEST_F(AttributesDialog, TaggedEntriesChangeOnlyWhatWasSet)
{
    const struct { const char* keys; unsigned before, after; } rows[] = {
        {"", 0100640, 0100640},            // every cell starts unchanged
        {"", 0040755, 0040755},            // a directory stays a directory
        {"@e5", 0100666, 0100656},         // set r and x, clear w, on every entry
        {"@e5", 0100620, 0100650},
        {"@es", 0100644, 0102644},         // s steps the cell from unchanged to set...
        {"@ess", 0102644, 0100644},        // ...and on to clear
        {"@esss", 0102644, 0102644},       // and back to unchanged
        {"S", 0100644, 0107644},           // the column: every special bit set
        {"644", 0100777, 0100644},
    };
    for (const auto& r : rows) {
        CFileAttributeDialog dlg(&panel, {e}, true);
        press(dlg, r.keys);
        EXPECT_EQ(dlg.UpdateMode(r.before), r.after) << r.keys << " on " << std::oct << r.before;
    }
    // The middle state shows as a dot.
    CFileAttributeDialog dlg(&panel, {e}, true);
    EXPECT_EQ(dlg.cells[5], 1);
}

TEST_F(AttributesDialog, OwnersAreChangedOnlyWhenTheFieldIs)
{
    uid_t uid;
    gid_t gid;
    e->uid = getuid();
    e->gid = getgid();
    CFileAttributeDialog one(&panel, {e}, false);
    ASSERT_EQ(one.UpdateOwner(*e, uid, gid), 0);
    EXPECT_EQ(uid, NoUID);   // left as shown: never chowned
    EXPECT_EQ(gid, NoGID);
    CFileAttributeDialog many(&panel, {e}, true);
    ASSERT_EQ(many.UpdateOwner(*e, uid, gid), 0);
    EXPECT_EQ(uid, NoUID);
    many.owner = UID2Str(getuid());
    ASSERT_EQ(many.UpdateOwner(*e, uid, gid), 0);
    EXPECT_EQ(uid, getuid());
    EXPECT_EQ(gid, NoGID);
}

TEST_F(AttributesDialog, ApplyingReadsTheFileBack)
{
    t.write("f", "x");
    ASSERT_EQ(chmod(t.sys("f").c_str(), 0644), 0);
    CFileAttributeDialog dlg(&panel, {e}, false);
    press(dlg, "750");
    ASSERT_EQ(dlg.UpdateAttributes(), 0);
    EXPECT_EQ(t.mode("f"), 0750u);
    EXPECT_EQ(e->mode, 0100750u);
}

TEST_F(AttributesDialog, OwnersAbove65535AreKeptWhenOnlyTheModeChanges)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "giving a file to uid 100000 needs root";
    t.write("f", "x");
    ASSERT_EQ(chown(t.sys("f").c_str(), 100000, 100000), 0);
    ASSERT_EQ(chmod(t.sys("f").c_str(), 0600), 0);
    e->uid = 100000;
    e->gid = 100000;
    CFileAttributeDialog dlg(&panel, {e}, false);
    press(dlg, "644");
    ASSERT_EQ(dlg.UpdateAttributes(), 0);
    EXPECT_EQ(t.mode("f"), 0644u);
    struct stat st;
    ASSERT_EQ(stat(t.sys("f").c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 100000u);
    EXPECT_EQ(st.st_gid, 100000u);
    EXPECT_EQ(e->uid, 100000u);
}
