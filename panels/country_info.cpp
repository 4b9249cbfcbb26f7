#include "panels/country_info.h"

#include "config/config.h"
#include "console/console.h"
#include "foundation/nls.h"

#include <clocale>
#include <cstring>
#include <cwchar>
#include <langinfo.h>

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
