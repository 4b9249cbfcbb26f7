#ifndef PANNEX_FILEOPS_FILE_INFO_DIALOG_H
#define PANNEX_FILEOPS_FILE_INFO_DIALOG_H

#include "fileops/file_info.h"
#include "foundation/westring.h"
#include "panels/panel_commands.h"
#include "textui/dialog.h"

// Ctrl+I: what the system knows of one file, in a dialog.

// "1,234,567 (1,205K)": the size with thousands separators as a field of
// 20 columns shows it, and in brackets as a field of 6 columns shows it,
// when the two differ; else the 20-column form alone.
Westring FileInfoSizeFormat(long long size);

// The list: labels right-aligned with ":", values cut to the width, the
// path centred above them.
class CFileInfoDlg : public Dialog
{
public:
    CFileInfoDlg(const Westring& path, CFileInfoItems& items);
};

// Shows the dialog for path (a link describes the link itself); nothing
// when the file cannot be examined.
void FileInfo(const Westring& path);

// The key-table entry for Ctrl+I.
void file_info_key(int key, PANEL_REQUEST& request);

#endif
