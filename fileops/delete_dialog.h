#ifndef PANNEX_FILEOPS_DELETE_DIALOG_H
#define PANNEX_FILEOPS_DELETE_DIALOG_H

#include "foundation/westring.h"
#include "textui/dialog.h"

// The dialogs of delete. Each runs on the logic thread.

// The first confirmation: two centred lines over OK and Cancel, with the
// read-only choice ("Delete Read Only:" Ask, All, None) when asked for.
// Centred, in the Messages colour.
class CDeleteDlg : public Dialog
{
public:
    CDeleteDlg(const Westring& line1, const Westring& line2, bool showReadOnly);
    // The read-only policy chosen (EDeleteReadOnly); Ask unless changed.
    int read_only = 0;

private:
    static int width_for(const Westring& line1, const Westring& line2, bool showReadOnly);
};

// The second confirmation of F8 with tagged entries, in the Errors colour:
// "You are deleting N selected files from" and the directory. True for OK.
bool confirm_tagged_delete(int count, const Westring& directory);

// "Directory / path / is not empty / Delete tree?", in the Errors colour.
// With typed set, the user must type YES; otherwise OK, Cancel (the
// default) and All. Returns 1 to delete, 2 to delete this and every later
// tree (All), 0 to keep it.
int ask_delete_tree(const Westring& path, bool typed);

// Shift+F8's path question: the proposal in a field of 512 characters.
// True with the text in path when accepted.
bool ask_delete_path(Westring& path);

// "Do you wish to delete" and the path, over OK and Cancel (Shift+F8).
bool confirm_delete_path(const Westring& path);

#endif
