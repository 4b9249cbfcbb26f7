#include "textui/colour_selector.h"

ColourSelector::ColourSelector(Dialog& d, int ax, int ay, int w, int h, const char* const* names,
                               unsigned char* table, int n, int& sel, int exit)
    : ListBoxString(d, ax, ay, w, h, names, n, sel, exit), colours(table)
{
}

int ColourSelector::ProcessEvent(Event& ev)
{
    if (ev.type != EventKey || count == 0)
        return ListBoxBase::ProcessEvent(ev);
    int fg = colours[selection] & 15, bg = colours[selection] >> 4;
    switch (ev.key) {
    case 'f':
        fg = (fg + 1) & 15;
        break;
    case 'F':
        fg = (fg + 15) & 15;
        break;
    case 'b':
        bg = (bg + 1) & 15;
        break;
    case 'B':
        bg = (bg + 15) & 15;
        break;
    default:
        return ListBoxBase::ProcessEvent(ev);
    }
    colours[selection] = static_cast<unsigned char>(bg << 4 | fg);
    DrawLine(selection - top, selection, colours[selection]);
    return 1;
}

void ColourSelector::DrawLine(int line, int item, unsigned char)
{
    bool current = item == selection;
    Westring text = Westring(current ? L">" : L" ") + MkWestring(Estring(items[item])).pad(width - 2, L' ') +
                    (current ? L"<" : L" ");
    dialog->puts_at(x, y + line, text.c_str(), colours[item]);
}
