#ifndef PANNEX_FOUNDATION_CSV_H
#define PANNEX_FOUNDATION_CSV_H

#include "foundation/estring.h"

// One field of a comma-separated list. The field ends at a "," outside double
// quotes (consumed) or at the end of the text. A double quote toggles quoting;
// a doubled quote inside a quoted stretch stands for one quote. A backslash
// with one to three decimal digits gives the character of that code, before
// any other character gives that character, and at the very end ends the
// field. Line feeds are dropped.
// The first form advances p past the field; the second replaces s by the rest.
Estring ParseCSVField(const char*& p);
Estring ParseCSVField(Estring& s);

#endif
