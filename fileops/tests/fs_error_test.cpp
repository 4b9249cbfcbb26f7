#include "fileops/fs_error.h"

#include "fileops/copy_data.h"
#include "fileops/file_system.h"
#include "fileops/tests/answer_script.h"
#include "textui/message_box.h"

#include <cerrno>

using FsError = CAnswerScript;

TEST_F(FsError, EachFailureHasItsWordsAndButtons)
{
    const struct { int code; const wchar_t* message; char buttons; bool altname; } rows[] = {
        {ENOENT, L"File not found", MB_OK_CANCEL, false},
        {EIO, L"Error reading disk", MB_RETRY_SKIP_CANCEL, false},
        {EACCES, L"Access Denied", MB_RETRY_SKIP_CANCEL, false},
        {ENOTDIR, L"Path not found", MB_OK_CANCEL, true},
        {ENOSPC, L"No room for", MB_RETRY_SKIP_CANCEL, false},
        {EDQUOT, L"No room for", MB_RETRY_SKIP_CANCEL, false},  // a quota is as full as a disk
        {EROFS, L"Disk write protected, cannot write", MB_RETRY_SKIP_CANCEL, false},
        {ENAMETOOLONG, L"Name too long", MB_OK_CANCEL, true},   // 36 on Linux
        {StatusNotReady, L"Drive not ready", MB_RETRY_SKIP_CANCEL, false},
    };
    for (const auto& r : rows) {
        FS_ERROR_TEXT t = fs_error_text(r.code);
        EXPECT_STREQ(t.message.c_str(), r.message) << r.code;
        EXPECT_EQ(t.buttons, r.buttons) << r.code;
        EXPECT_EQ(t.prefers_altname, r.altname) << r.code;
    }
    // Anything else gets the system's own words and its number.
    FS_ERROR_TEXT other = fs_error_text(EMLINK);
    EXPECT_NE(std::wstring(other.message.c_str()).find(L"(31)"), std::wstring::npos);
    EXPECT_EQ(other.buttons, MB_RETRY_SKIP_CANCEL);
}

TEST_F(FsError, TheAnswerDecidesRetryAndCancel)
{
    const struct { int key; char answer; bool done; int code; } rows[] = {
        {'r', 'r', false, ENOSPC},
        {'s', 's', true, ENOSPC},
        {KEY_ESC, ANSWER_CANCEL, true, -1},
    };
    for (const auto& r : rows) {
        answers({r.key});
        int code = ENOSPC;
        bool done = true;
        EXPECT_EQ(fs_error(code, done, L"/mnt/small/big.iso"), r.answer) << r.key;
        EXPECT_EQ(done, r.done) << r.key;
        EXPECT_EQ(code, r.code) << r.key;
        EXPECT_TRUE(asked("No room for"));
        EXPECT_TRUE(asked("/mnt/small/big.iso"));
    }
    // The path-shaped failures name the path the user gave, when there is one.
    answers({KEY_RETURN});
    int code = ENOTDIR;
    bool done = true;
    fs_error(code, done, L"/a/file/x", L"/a/file");
    EXPECT_TRUE(asked(" /a/file "));
    EXPECT_FALSE(asked("/a/file/x"));
}
