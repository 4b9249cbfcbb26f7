#include "fileops/file_system.h"
#include "entries/entry.h"
#include "entries/locale_facts.h"
#include "entries/mask_eval.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <memory>
#include <unistd.h>

namespace {

struct EntryDeleter
{
    void operator()(entry* e) const { entry::Destroy(e); }
};
using EntryPtr = std::unique_ptr<entry, EntryDeleter>;

EntryPtr make(const wchar_t* name, unsigned long long size = 0, unsigned short attributes = 0,
              std::time_t mtime = 0, unsigned short mode = 0100644)
{
    EntryPtr e(entry::Create(Westring(name)));
    e->size = size;
    e->attributes = attributes;
    e->time = TimeStamp(mtime, 0);
    e->mode = mode;
    e->uid = getuid();
    e->gid = getgid();
    return e;
}

// Local midnight of a calendar date.
std::time_t midnight(int y, int m, int d)
{
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = m - 1;
    tm.tm_mday = d;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

}

TEST(MaskEval, PatternsAndOperators)
{
    const struct { const wchar_t* expr; const wchar_t* name; int want; } rows[] = {
        {L"*.c", L"main.c", 1},
        {L"*.c", L"main.h", 0},
        {L"*.c|*.h", L"main.h", 1},
        {L"a*|b*&*c", L"ax", 1},        // "|" binds weaker than "&": a | (b & c)
        {L"a*|b*&*c", L"bx", 0},
        {L"a*|b*&*c", L"bxc", 1},
        {L"(a*|b*)&*c", L"ax", 0},
        {L"!*.o", L"x.o", 0},
        {L"!*.o", L"x.c", 1},
        {L"!(*.o|*.a)", L"lib.a", 0},
        {L"!!*.o", L"x.o", 1},
        {L"  *.c  &  m* ", L"main.c", 1},  // blanks around elements
        {L"\"a|b\"", L"a|b", 1},          // quotes keep "|" and "&" in a pattern
        {L"\"x & y\"|z", L"x & y", 1},
        {L"\"a)\"", L"a)", 1},
        {L"*.c)junk", L"m.c", 1},          // text after a complete expression is ignored
        {L"(*.c", L"m.c", -1},             // missing ")"
        {L"", L"x", -1},
        {L"*.c|", L"m.c", -1},
        {L"&*.c", L"m.c", -1},
        {L"\"\"", L"x", -1},               // an empty pattern
        {L"%bogus>1", L"x", -1},
        {L"%size", L"x", -1},
        {L"%size>", L"x", -1},
        {L"%size~5", L"x", -1},
        {L"%size!5", L"x", -1},
    };
    for (const auto& r : rows)
        EXPECT_EQ(mask_eval(r.expr, r.name), r.want) << r.expr << " on " << r.name;
}

TEST(MaskEval, SizeAndAgeWithUnits)
{
    std::time_t now = std::time(nullptr);
    EntryPtr f = make(L"f", 10 * 1024, 0, now - 3600 * 30);
    const struct { const wchar_t* expr; int want; } rows[] = {
        {L"%size>10k", 0},   {L"%size>=10k", 1}, {L"%size==10240", 1}, {L"%size=10k", 1},
        {L"%size<=10k", 1},  {L"%size<10k", 0},  {L"%size!=10k", 0},   {L"%size!=1m", 1},
        {L"%size<1m", 1},    {L"%size<1g", 1},   {L"%size > 9k", 1},   {L"%size>10K", 1},  // units are lower case
        {L"%age<2d", 1},     {L"%age<1d", 0},    {L"%age>29h", 1},     {L"%age<1790m", 0},
        {L"%age>107000", 1}, {L"*&%size>1k", 1}, {L"*.x|%size>1k", 1},
    };
    for (const auto& r : rows)
        EXPECT_EQ(mask_eval(r.expr, *f), r.want) << r.expr;
}

TEST(MaskEval, AttributesOwnersAndPermissions)
{
    EntryPtr dir = make(L"src", 0, AttrDirectory, 0, 040755);
    EntryPtr hidden = make(L".profile", 0, AttrHidden | AttrReadOnly, 0, 0100444);
    EntryPtr script = make(L"run.sh", 0, 0, 0, 0100755);
    const struct { const wchar_t* expr; const entry* e; int want; } rows[] = {
        {L"%attrib=d", dir.get(), 1},
        {L"%attrib=D", hidden.get(), 0},
        {L"%attrib=hr", hidden.get(), 1},
        {L"%attrib!=h", hidden.get(), 0},
        {L"%attrib=h", script.get(), 0},
        {L"%perm=x", script.get(), 1},
        {L"%perm=RW", script.get(), 1},
    };
    for (const auto& r : rows)
        EXPECT_EQ(mask_eval(r.expr, *r.e), r.want) << r.expr << " on " << r.e->name;

    Westring me = esprintf("%%owner=%u", static_cast<unsigned>(getuid()));
    EXPECT_EQ(mask_eval(me.c_str(), *script), 1);
    EXPECT_EQ(mask_eval(L"%owner=root", *script), getuid() == 0 ? 1 : 0);
    EXPECT_EQ(mask_eval(L"%owner=nosuchuserxyz", *script), 0);
    Westring group = esprintf("%%group==%u", static_cast<unsigned>(getgid()));
    EXPECT_EQ(mask_eval(group.c_str(), *script), 1);
}

TEST(MaskEval, DatesInTheThreeLocaleOrders)
{
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    std::time_t noon = midnight(2024, 3, 5) + 12 * 3600;
    EntryPtr f = make(L"f", 0, 0, noon);
    const struct { int order; char sep; const wchar_t* expr; int want; } rows[] = {
        {0, '/', L"%date=3/5/2024", 1},
        {0, '/', L"%date=03/05/24", 1},
        {1, '.', L"%date=5.3.2024", 1},
        {1, '.', L"%date<6.3.2024", 1},
        {2, '-', L"%date>=2024-3-5", 1},
        {2, '-', L"%date>2024-3-5", 0},
        {2, '-', L"%date<=1999-12-31", 0},
    };
    for (const auto& r : rows) {
        date_fmt = r.order;
        date_separator = r.sep;
        EXPECT_EQ(mask_eval(r.expr, *f), r.want) << r.expr;
    }
    date_fmt = 1;
    date_separator = '.';
    EXPECT_EQ(str2unixtime("1.1.70"), midnight(2070, 1, 1));  // 70 and below are 20xx
    EXPECT_EQ(str2unixtime("1.1.71"), midnight(1971, 1, 1));
    date_fmt = 0;
    date_separator = '/';
    unsetenv("TZ");
    tzset();
}
