#ifndef PANNEX_PANELS_COUNTRY_INFO_H
#define PANNEX_PANELS_COUNTRY_INFO_H

#include "entries/locale_facts.h"

// Reads the locale's thousands separator (first character, "," when none)
// and date order and separator, sets the code page from the CodePage
// setting (850 when 0) for the console and 8-bit conversions, and fills
// the case tables (nls_init).
void country_info();

#endif
