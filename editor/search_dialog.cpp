#include "editor/search_dialog.h"

#include "console/colours.h"
#include "editor/search_settings.h"
#include "textui/dialog.h"
#include "textui/textui_settings.h"

int search_dialog()
{
    // The dialog works on copies: Cancel leaves the settings untouched.
    Westring text = word;
    char cs = casesense, rev = reverse, whole = wholeWord;
    Dialog d(-1, -2, 65, 7, ui_colour(ColourMessages));
    // Elements 0 and 1 take the accelerators "so": the field and OK.
    d.AddStringField(13, 1, 1, text, 40, 255, HistorySearch);
    d.AddOkCancel(3, 3, 1);
    d.AddCheckBox(43, 2, 1, cs, "_Case Sensitive", 1);
    d.AddCheckBox(43, 3, 0, rev, "_Reverse", 1);
    d.AddCheckBox(43, 4, 0, whole, "_Whole Word", 1);
    // A label, not an element: it only shows the field's hot key.
    d.PutHot(1, 1, "Search for:", "s");
    d.SetAccelerators("so", 2);
    d.ChangeFocus(0);
    int r = d.Process();
    if (r == RESULT_CANCEL)
        return r;
    word = text;
    casesense = cs;
    reverse = rev;
    wholeWord = whole;
    return RESULT_ACCEPT;
}

int replace_dialog()
{
    Westring text = word, rep = replaceWord;
    char cs = casesense, rev = reverse, whole = wholeWord;
    Dialog d(-1, -2, 65, 9, ui_colour(ColourMessages));
    // Elements 0, 1 and 2 take the accelerators "spo": the two fields and OK.
    d.AddStringField(15, 1, 1, text, 40, 255, HistorySearch);
    d.AddStringField(15, 3, 1, rep, 40, 255, HistoryReplace);
    d.AddOkCancel(3, 5, 1);
    d.AddCheckBox(43, 4, 1, cs, "_Case Sensitive", 1);
    d.AddCheckBox(43, 5, 0, rev, "_Reverse", 1);
    d.AddCheckBox(43, 6, 0, whole, "_Whole Word", 1);
    d.PutHot(1, 1, "Search for:", "s");
    d.PutHot(1, 3, "Replace with:", "p");
    d.SetAccelerators("spo", 3);
    d.ChangeFocus(0);
    int r = d.Process();
    if (r == RESULT_CANCEL)
        return r;
    word = text;
    replaceWord = rep;
    casesense = cs;
    reverse = rev;
    wholeWord = whole;
    return RESULT_ACCEPT;
}
