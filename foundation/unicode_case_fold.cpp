#include "foundation/unicode_case_fold.h"

namespace {

struct CasePair
{
    uint16_t upper, lower;
};

// The simple lower-to-upper case mapping of the Unicode character database.
constexpr CasePair UnicodeUpcaseList[] = {
#include "foundation/unicode_case_table.inc"
};

}

CUnicodeCaseFold::CUnicodeCaseFold()
{
    for (int c = 0; c < 65536; c++)
        table[c] = static_cast<uint16_t>(c);
    for (const CasePair* p = UnicodeUpcaseList; p->upper || p->lower; p++)
        table[p->lower] = p->upper;
}

void CUnicodeCaseFold::strupr(wchar_t* s)
{
    for (; *s; s++)
        *s = toupper(*s);
}
