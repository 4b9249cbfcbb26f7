#include "fileops/fs_error.h"

#include "fileops/copy_data.h"
#include "fileops/file_system.h"
#include "fileops/tree_walk.h"
#include "textui/message_box.h"

#include <cerrno>

FS_ERROR_TEXT fs_error_text(int code)
{
    switch (code) {
    case ENOENT:
        return {L"File not found", MB_OK_CANCEL, false};
    case EIO:
        return {L"Error reading disk", MB_RETRY_SKIP_CANCEL, false};
    case EACCES:
    case EPERM:
        return {L"Access Denied", MB_RETRY_SKIP_CANCEL, false};
    case ENOTDIR:
        return {L"Path not found", MB_OK_CANCEL, true};
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return {L"No room for", MB_RETRY_SKIP_CANCEL, false};
    case EROFS:
        return {L"Disk write protected, cannot write", MB_RETRY_SKIP_CANCEL, false};
    case ENAMETOOLONG:
        return {L"Name too long", MB_OK_CANCEL, true};
    case StatusNotReady:
        return {L"Drive not ready", MB_RETRY_SKIP_CANCEL, false};
    // The layer's own statuses, worded for the user.
    case StatusSourceReplaced:
        return {L"File was replaced while it was being copied", MB_RETRY_SKIP_CANCEL, false};
    case StatusDeviceNode:
        return {L"Only the superuser can copy a device node", MB_OK_CANCEL, false};
    case StatusSocket:
        return {L"A socket cannot be copied", MB_OK_CANCEL, false};
    case StatusSameFile:
        return {L"File cannot overwrite itself", MB_OK_CANCEL, false};
    case StatusIntoItself:
        return {L"Directory cannot be copied into itself", MB_OK_CANCEL, false};
    default:
        return {Westring(GetOSErrorMessage(code).c_str()), MB_RETRY_SKIP_CANCEL, false};
    }
}

char fs_error(int& code, bool& done, const Westring& name, const wchar_t* altname, CProgressStop* status)
{
    FS_ERROR_TEXT t = fs_error_text(code);
    const wchar_t* shown = t.prefers_altname && altname && *altname ? altname : name.c_str();
    char answer = error(status, t.message, shown, t.buttons);
    if (answer == 'r')
        done = false;
    if (answer == ANSWER_CANCEL)
        code = -1;
    return answer;
}
