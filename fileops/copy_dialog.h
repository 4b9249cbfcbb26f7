#ifndef PANNEX_FILEOPS_COPY_DIALOG_H
#define PANNEX_FILEOPS_COPY_DIALOG_H

#include "foundation/westring.h"
#include "textui/dialog.h"

// The target question of copy and move: a title, the target in a field of
// 512 characters with the directory history, the overwrite choice when it
// matters, and OK, Cancel, F10-Tree and Dir Hist. 76 columns wide, 7 rows
// high (9 with the overwrite choice), centred from row 5, in the Messages
// colour.
class CCopyDlg : public Dialog
{
public:
    // destination: the other panel's directory, which Alt+D, F5 and F6 put
    // in front of a bare name (single item only) and take away again.
    CCopyDlg(const Westring& destination, const Westring& title, const Westring& target, bool showOverwrite,
             bool single);

    // Runs until Enter or Esc and returns that; target and policy then hold
    // the answer. Hides Dialog::Process, which it calls for each key.
    int Process();

    Westring target;
    // EOverwrite: Ask unless the user chose another.
    int policy = 0;

private:
    void toggle_target();

    Westring destination;
    bool single;
    int field = 0;
};

#endif
