#include "console/console_test_support.h"


#include <algorithm>

void script_keys(CConsole& con, std::initializer_list<int> keys, int fallback)
{
    script_keys(con, std::vector<int>(keys), fallback);
}

void script_keys(CConsole& con, const std::vector<int>& keys, int fallback)
{
    CConsole::CEventQueue& q = con.Queue();
    q.Clear();
    for (int k : keys)
        q.Put({CConsole::EvKey, k, 0, 0, 0, 0});
    q.SetFallbackKey(fallback);
}

namespace {

int span_end(const CConsole& con, int x, int width)
{
    return width < 0 ? con.Columns() : std::min(x + width, con.Columns());
}

}

std::string screen_text(const CConsole& con, int y, int x, int width)
{
    Westring row;
    for (int i = x; i < span_end(con, x, width); i++)
        row += painted_char(con.Cell(i, y).ch);
    return row.ToUTF8().c_str();
}

std::string screen_attrs(const CConsole& con, int y, std::initializer_list<AttrLetter> legend, int x, int width)
{
    std::string out;
    for (int i = x; i < span_end(con, x, width); i++) {
        char letter = '?';
        for (const AttrLetter& l : legend)
            if (l.attr == con.Cell(i, y).attr)
                letter = l.letter;
        out += letter;
    }
    return out;
}

std::string screen_attr_hex(const CConsole& con, int y, int x, int width)
{
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (int i = x; i < span_end(con, x, width); i++) {
        unsigned char a = con.Cell(i, y).attr;
        out += hex[a >> 4];
        out += hex[a & 15];
    }
    return out;
}

void CRecordingDisplay::Resize(int, int, const Estring& family, int size)
{
    resizes++;
    font_family = family;
    font_size = size;
}

void CRecordingDisplay::Paint(int x1, int y1, int x2, int y2)
{
    paints.push_back({x1, y1, x2, y2});
}

void CRecordingDisplay::MoveRect(int x1, int y1, int x2, int y2, int dy)
{
    moves.push_back({{x1, y1, x2, y2}, dy});
}

void CRecordingDisplay::SetIcons(const Estring* files, int count)
{
    icons.assign(files, files + count);
}
