#include "entries/locale_facts.h"

#include <cctype>
#include <cstring>

wchar_t thousand_separator = L',';
int date_fmt = 0;
Estring date_str = "%02d/%02d/%02d";
char date_separator = '/';

void parse_date_format(const char* d_fmt, int& order, char& separator)
{
    char letters[4] = {0, 0, 0, 0};
    int n = 0;
    separator = 0;
    for (const char* p = d_fmt; *p; p++) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (std::isalpha(c)) {
            if (n < 3)
                letters[n++] = static_cast<char>(std::tolower(c));
        } else if (!separator && !std::isdigit(c) && c != '%') {
            separator = static_cast<char>(c);
        }
    }
    if (std::strcmp(letters, "mdy") == 0)
        order = 0;
    else if (std::strcmp(letters, "dmy") == 0)
        order = 1;
    else
        order = 2;
    // A format without a separator of its own ("%F") keeps the ISO dash.
    if (!separator)
        separator = '-';
}
