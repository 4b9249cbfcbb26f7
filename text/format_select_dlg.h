#ifndef PANNEX_TEXT_FORMAT_SELECT_DLG_H
#define PANNEX_TEXT_FORMAT_SELECT_DLG_H

#include "foundation/estring.h"
#include "text/text_file.h"
#include "textui/dialog.h"

// The dialog in which the user picks a text encoding: the viewer's Alt+E
// and the editor's Save As (which puts its "Name:" field on the first
// extraLines lines). Process returns RESULT_ACCEPT or RESULT_CANCEL; on
// accept format, codePage and bom hold the choice. A code page the system
// cannot use (unknown, or more than one byte a character) is refused with
// "Invalid code page" and the dialog stays.
class CFormatSelectDlg : public Dialog
{
public:
    // Elements 0-6, in the order of the accelerators "c863pbe".
    enum { RadioCodePage, RadioUTF8, RadioUTF16, RadioUTF32, FieldCodePage, CheckBOM, CheckBigEndian };

    CFormatSelectDlg(const Estring& title, EFileFormat& format, int& codePage, bool& bom, int extraLines);

    int Process();
    void PostFocusChange() override;

private:
    EFileFormat& format;
    int& codePage;
    bool& bom;
    // The radio buttons' variable: 0 code page, 1 UTF-8, 2 UTF-16, 3 UTF-32.
    int choice;
    int initialChoice;
    int lastChoice;
    int cp;
    char bomBox;
    char initialBom;
    char bigEndian;
};

#endif
