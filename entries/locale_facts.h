#ifndef PANNEX_ENTRIES_LOCALE_FACTS_H
#define PANNEX_ENTRIES_LOCALE_FACTS_H

#include "foundation/estring.h"

// Locale facts, set at start-up by country_info (panels/country_info.h);
// the filter language reads dates in this order.
// The thousands separator of sizes.
extern wchar_t thousand_separator;
// Order of dates: 0 month-day-year, 1 day-month-year, 2 year-month-day.
extern int date_fmt;
// Three "%02d" fields joined by the locale's date separator.
extern Estring date_str;
// The locale's date separator.
extern char date_separator;

// The date order and separator of a date format such as "%d.%m.%Y": its
// letters in order ("mdy" month first, "dmy" day first, anything else year
// first) and the first character that is neither a letter, a digit nor "%".
void parse_date_format(const char* d_fmt, int& order, char& separator);

#endif
