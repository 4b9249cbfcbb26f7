#include "text/format_select_dlg.h"

#include "console/colours.h"
#include "foundation/nls.h"
#include "textui/message_box.h"
#include "textui/textui_settings.h"

namespace {

int choice_of(EFileFormat f)
{
    switch (f) {
    case FormatCodePage:
        return 0;
    case FormatUTF16LE:
    case FormatUTF16BE:
        return 2;
    case FormatUTF32LE:
    case FormatUTF32BE:
        return 3;
    default:
        return 1;
    }
}

}

CFormatSelectDlg::CFormatSelectDlg(const Estring& title, EFileFormat& f, int& page, bool& mark, int extraLines)
    : Dialog(-1, -2, 60, extraLines + 9, ui_colour(ColourMessages)), format(f), codePage(page), bom(mark),
      choice(choice_of(f)), initialChoice(choice), lastChoice(choice), cp(page ? page : DefaultTextCodePage()),
      bomBox(mark ? 1 : 0), initialBom(bomBox), bigEndian(f == FormatUTF16BE || f == FormatUTF32BE ? 1 : 0)
{
    Estring t = " " + title + " ";
    puts_at((58 - t.strlen()) / 2, -1, Westring(t.c_str()).c_str());
    int y = extraLines + 1;
    AddRadioButton(14, y, 2, choice, 0, "Code Page");
    AddRadioButton(14, y + 1, 0, choice, 1, "UTF-8");
    AddRadioButton(14, y + 2, 0, choice, 2, "UTF-16");
    AddRadioButton(14, y + 3, 0, choice, 3, "UTF-32");
    AddIntField(45, y, 1, cp, 5, 1, NoHistory);
    AddCheckBox(34, y + 1, 1, bomBox, "Byte Order Mark", 1);
    AddCheckBox(34, y + 2, 0, bigEndian, "Big-Endian", 1);
    AddOkCancel(-1, -1, 1);
    AddStaticText(1, y, "File Format:");
    AddStaticText(34, y, "Code Page:");
    SetAccelerators("c863pbe", 7);
    ChangeFocus(choice);
}

void CFormatSelectDlg::PostFocusChange()
{
    if (choice == lastChoice)
        return;
    lastChoice = choice;
    // The Unicode formats wide of a byte want a mark; going back to the
    // format the dialog opened with brings back what it had.
    if (choice == initialChoice)
        bomBox = initialBom;
    else if (choice >= 2)
        bomBox = 1;
    Draw(CheckBOM);
}

int CFormatSelectDlg::Process()
{
    for (;;) {
        int r = Dialog::Process();
        if (r != RESULT_ACCEPT)
            return r;
        if (choice == 0 && !CTextFile::IsUsableCodePage(cp)) {
            (void)error(L"Invalid code page");
            ChangeFocus(FieldCodePage);
            continue;
        }
        static const EFileFormat formats[4][2] = {{FormatCodePage, FormatCodePage},
                                                  {FormatUTF8, FormatUTF8},
                                                  {FormatUTF16LE, FormatUTF16BE},
                                                  {FormatUTF32LE, FormatUTF32BE}};
        format = formats[choice][bigEndian ? 1 : 0];
        if (choice == 0)
            codePage = cp;
        bom = bomBox != 0;
        return r;
    }
}
