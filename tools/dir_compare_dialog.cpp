#include "tools/dir_compare.h"

#include "config/config.h"
#include "console/colours.h"
#include "console/key_codes.h"
#include "entries/mask_eval.h"
#include "textui/dialog.h"
#include "textui/message_box.h"
#include "textui/textui_settings.h"
#include "tools/help_viewer.h"

#include <cassert>
#include <cwchar>

namespace {

constexpr int DialogWidth = 46;
constexpr int DialogHeight = 14;
constexpr int MaskWidth = 14;
constexpr int MaskMax = 100;

// One run of the dialog over the options in o. RESULT_ACCEPT, RESULT_CANCEL
// or F1 (the Help button).
int run_dialog(COMPARE_OPTIONS& o, bool with_contents)
{
    Dialog d(-1, -3, DialogWidth, DialogHeight, ui_colour(ColourMessages));
    const wchar_t* title = L" Directory Compare ";
    d.puts_at((DialogWidth - 2 - static_cast<int>(std::wcslen(title))) / 2, -1, title);
    d.puts_at(1, 1, L"Date/Time");
    d.puts_at(24, 1, L"Size");
    d.PutHot(24, 8, "Mask", "m");

    static const char* const dates[] = {"_Ignore Date", "Tag _Newer", "Tag _Older", "Tag _Different"};
    static const char* const sizes[] = {"I_gnore Size", "Tag _Larger", "Tag _Smaller", "Tag Di_fferent"};
    for (int i = 0; i < 4; i++)
        d.AddRadioButton(1, 3 + i, i == 0 ? 2 : 0, o.date_mode, i, dates[i]);
    for (int i = 0; i < 4; i++)
        d.AddRadioButton(24, 3 + i, i == 0 ? 2 : 0, o.size_mode, i, sizes[i]);
    char unmatched = o.unmatched, contents = o.contents;
    d.AddCheckBox(1, 8, 1, unmatched, "Tag _Unmatched", 1);
    if (with_contents)
        d.AddCheckBox(1, 9, 1, contents, "_Compare Contents", 1);
    // The mask shares its history with file find's: both are filter
    // expressions.
    int mask = d.AddStringField(29, 8, 1, o.mask, MaskWidth, MaskMax, HistoryFindMask);
    d.AddPushButton(8, 11, 1, RESULT_ACCEPT, "_OK");
    d.AddPushButton(16, 11, 0, RESULT_CANCEL, "Cancel");
    d.AddPushButton(28, 11, 0, KEY_F1, "_Help");
    // Element order: the date and size buttons, the check boxes, the mask,
    // OK and Cancel (none: Enter and Escape), Help.
    char letters[16] = "inodglsfu";
    int n = 9;
    if (with_contents)
        letters[n++] = 'c';
    letters[n++] = 'm';
    letters[n++] = 0;
    letters[n++] = 0;
    letters[n++] = 'h';
    assert(n == d.Count() && mask == n - 4);
    (void)mask;
    d.SetAccelerators(letters, n);
    d.ChangeFocus(o.date_mode);

    int r = d.Process();
    o.unmatched = unmatched != 0;
    o.contents = contents != 0;
    return r;
}

}

int getOptions(bool with_contents)
{
    COMPARE_OPTIONS o = COMPARE_OPTIONS::FromConfig();
    if (o.date_mode < CompareIgnore || o.date_mode > CompareDifferent)
        o.date_mode = CompareIgnore;
    if (o.size_mode < CompareIgnore || o.size_mode > CompareDifferent)
        o.size_mode = CompareIgnore;
    // Without a real directory on both sides the option is off for this
    // run only; the setting keeps the user's choice for the next.
    bool keep_contents = o.contents;
    if (!with_contents)
        o.contents = false;
    for (;;) {
        int r = run_dialog(o, with_contents);
        if (r == KEY_F1) {
            help(HelpCompare);
            continue;
        }
        if (r != RESULT_ACCEPT)
            return -1;
        // A mask that cannot be read would tag nothing and claim that no
        // file differs.
        if (mask_eval(o.mask.c_str(), L"test") < 0) {
            error(L"Syntax error in expression", o.mask.c_str(), 0);
            continue;
        }
        break;
    }
    config.CMPTime = o.date_mode;
    config.CMPSize = o.size_mode;
    config.CMPUnmatched = o.unmatched;
    config.CMPContents = with_contents ? o.contents : keep_contents;
    config.CMPMask = o.mask;
    return 0;
}
