#ifndef PANNEX_FILEOPS_FS_ERROR_H
#define PANNEX_FILEOPS_FS_ERROR_H

#include "foundation/westring.h"

class CProgressStop;

// The one message box for file-system failures of the file commands.
//
// code is an errno value or a status of the file-system layer; the box
// names name (or altname, for the path-shaped failures ENOTDIR and
// ENAMETOOLONG, when one is given). done is set to false only when the
// user chose Retry; the answer is returned: 'r' Retry, 's' Skip, 'y' OK,
// 27 Cancel (or Esc), and Cancel also sets code to -1. status, when given,
// has its progress display stopped before the box opens.
char fs_error(int& code, bool& done, const Westring& name, const wchar_t* altname = nullptr,
              CProgressStop* status = nullptr);

// What fs_error shows for a code: the message and the button set of
// textui/message_box.h. For tests and for callers that word the box
// themselves.
struct FS_ERROR_TEXT
{
    Westring message;
    char buttons;
    // The box names altname instead of name when one is given.
    bool prefers_altname;
};
FS_ERROR_TEXT fs_error_text(int code);

#endif
