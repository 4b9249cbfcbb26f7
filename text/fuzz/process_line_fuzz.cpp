// Lines from the fuzzer coloured by the shipped syntax.ini, the state
// carried from line to line as the viewer and editor carry it.

#include "text/syntax_highlighter.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const wchar_t* names[] = {L"a.c", L"a.sh", L"a.py", L"a.ini", L"a.md", L"Makefile", L"a.diff"};
    static SyntaxHighlighter highlighters[7];
    static bool loaded = false;
    if (!loaded) {
        for (int i = 0; i < 7; i++)
            if (!highlighters[i].LoadDef(PANNEX_SYNTAX_INI, names[i]))
                abort();
        loaded = true;
    }
    if (size < 1)
        return 0;
    SyntaxHighlighter& hl = highlighters[data[0] % 7];
    hl.Reset();
    // Text in UTF-8, raw bytes and all, as the loader would decode it.
    Westring text(std::string(reinterpret_cast<const char*>(data + 1), size - 1).c_str());
    CellString cells;
    const wchar_t* p = text.c_str();
    while (*p) {
        const wchar_t* e = p;
        while (*e && *e != L'\n')
            e++;
        std::wstring line(p, e);
        hl.ProcessLine(line.c_str(), static_cast<int>(line.size()), &cells);
        if (cells.length() < static_cast<int>(line.size()))
            abort();
        p = *e ? e + 1 : e;
    }
    return 0;
}
