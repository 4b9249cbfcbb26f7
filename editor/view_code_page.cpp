#include "editor/view_code_page.h"

#include "config/config.h"
#include "console/colours.h"
#include "foundation/nls.h"
#include "text/text_file.h"
#include "textui/dialog.h"
#include "textui/message_box.h"
#include "textui/textui_settings.h"

#include <cstdlib>
#include <cstring>

int viewCP = 0;
int viewCPPos = 0;

int next_list_code_page(const Estring& list, int& pos, bool& invalid)
{
    invalid = false;
    const char* text = list.c_str();
    int len = list.strlen();
    if (pos < 0 || pos > len)
        pos = 0;
    const char* start = text + pos;
    const char* comma = std::strchr(start, ',');
    int n = comma ? static_cast<int>(comma - start) : len - pos;
    // An empty entry ends the list: the default, and the list starts over.
    if (n == 0) {
        pos = 0;
        return 0;
    }
    // atoi on the entry alone, so "12,34" never reads as one number.
    Estring entry = list.mid(pos, n);
    pos += n + (comma ? 1 : 0);
    int cp = std::atoi(entry.c_str());
    if (cp != 0 && !CTextFile::IsUsableCodePage(cp)) {
        invalid = true;
        return 0;
    }
    return cp == DefaultTextCodePage() ? 0 : cp;
}

int SwitchViewCodePage(int& cp)
{
    bool invalid = false;
    cp = next_list_code_page(config.TranslateCP, viewCPPos, invalid);
    if (invalid)
        (void)error(L"Invalid code page");
    return 0;
}

int GetViewCodePage()
{
    Westring list = Westring(config.TranslateCP);
    Dialog d(-1, -2, 32, 5, ui_colour(ColourMessages));
    d.PutCentre(-1, L" Code Page Translation ");
    d.puts_at(1, 1, L"Code Page List:");
    d.AddStringField(17, 1, 1, list, 12, 255, HistoryCodePages);
    if (d.Process() != RESULT_ACCEPT)
        return -1;
    // The list is ASCII digits and commas; anything else is dropped.
    Estring text;
    for (const wchar_t* p = list.c_str(); *p; p++)
        if (*p < 0x80)
            text += static_cast<char>(*p);
    config.TranslateCP = text;
    return 0;
}
