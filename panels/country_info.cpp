#include "panels/country_info.h"

#include "config/config.h"
#include "console/console.h"
#include "foundation/nls.h"

#include <cctype>
#include <clocale>
#include <cstring>
#include <cwchar>
#include <langinfo.h>

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

void country_info()
{
    const char* sep = nl_langinfo(THOUSEP);
    wchar_t wc = 0;
    std::mbstate_t st{};
    if (sep && *sep && std::mbrtowc(&wc, sep, std::strlen(sep), &st) > 0 && wc)
        thousand_separator = wc;
    else
        thousand_separator = L',';

    parse_date_format(nl_langinfo(D_FMT), date_fmt, date_separator);
    date_str = esprintf("%%02d%c%%02d%c%%02d", date_separator, date_separator);

    codepage = static_cast<unsigned short>(config.CodePage ? config.CodePage : 850);
    textcodepage = config.TextCodePage;
    console.SetCodePage(codepage);
    nls_init();
}
