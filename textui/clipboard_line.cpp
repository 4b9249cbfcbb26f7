#include "textui/clipboard_line.h"

#include "console/console.h"

#include <vector>

Westring clip_text_to_line(const Westring& text)
{
    std::vector<Westring> lines;
    Westring line;
    for (const wchar_t* p = text.c_str();; p++) {
        if (*p == L'\n' || *p == 0) {
            int n = line.strlen();
            if (n > 0 && line[n - 1] == L'\r')
                line = line.left(n - 1);
            lines.push_back(line);
            line = L"";
            if (*p == 0)
                break;
        } else {
            line += *p;
        }
    }
    size_t first = 0, last = lines.size();
    while (first < last && lines[first].empty())
        first++;
    while (last > first && lines[last - 1].empty())
        last--;
    Westring out;
    for (size_t i = first; i < last; i++) {
        if (i > first)
            out += L' ';
        out += lines[i];
    }
    return out;
}

Westring getclipline()
{
    Westring text;
    (void)console.GetClipText(text);
    return clip_text_to_line(text);
}

void putclipline(const wchar_t* text)
{
    console.PutClipText(text);
}

void putclipline(const char* text)
{
    putclipline(MkWestring(Estring(text)).c_str());
}
