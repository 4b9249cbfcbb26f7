#include "command/quote_name.h"

#include <cwchar>

namespace {

// Blank, tab and the characters a shell gives a meaning of their own: word
// splitting, expansions, globbing, redirection, control operators, comments.
constexpr const wchar_t* QuotingSet = L" \t!$~`[]{}()\\'\"<>&|;#*?";

}

Westring QuoteName(const Westring& name)
{
    Westring r;
    for (const wchar_t* p = name.c_str(); *p; p++) {
        if (*p == L'\n') {
            r += L"'\n'";
            continue;
        }
        if (std::wcschr(QuotingSet, *p))
            r += L'\\';
        r += *p;
    }
    return r;
}

Westring DequoteName(const Westring& text)
{
    Westring r;
    for (const wchar_t* p = text.c_str(); *p; p++) {
        if (*p == L'\\') {
            if (!p[1])
                break;
            r += *++p;
        } else if (*p == L'\'') {
            while (p[1] && p[1] != L'\'')
                r += *++p;
            if (p[1])
                p++;
        } else {
            r += *p;
        }
    }
    return r;
}
