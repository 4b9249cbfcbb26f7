#include "foundation/wild.h"

#include "foundation/nls.h"
#include "foundation/unicode_case_fold.h"

#include <cstdint>

// The matcher is written once over a character traits class: the 8-bit
// variant folds literals to upper and set members to lower case through the
// locale's tables of nls_init (the C library's toupper and tolower, looked up
// once instead of called per character), the wide variant folds both through the Unicode
// upper-case table and never counts a code point above U+FFFF as a set member.
namespace {

struct Narrow
{
    using Ch = char;
    static constexpr uint32_t Max = 0xFF;
    static uint32_t code(Ch c) { return static_cast<unsigned char>(c); }
    static uint32_t fold_literal(Ch c) { return upcase[code(c)]; }
    static uint32_t fold_member(uint32_t c) { return downcase[c & 0xFF]; }
};

struct Wide
{
    using Ch = wchar_t;
    static constexpr uint32_t Max = 0xFFFF;
    static uint32_t code(Ch c) { return static_cast<uint32_t>(c); }
    static uint32_t fold_literal(Ch c) { return static_cast<uint32_t>(CUnicodeCaseFold::toupper(c)); }
    static uint32_t fold_member(uint32_t c)
    {
        return static_cast<uint32_t>(CUnicodeCaseFold::toupper(static_cast<wchar_t>(c)));
    }
};

template <class T>
using Ch = typename T::Ch;

// Finds c in [p, end) or returns null.
template <class T>
const Ch<T>* find(const Ch<T>* p, const Ch<T>* end, Ch<T> c)
{
    for (; p < end; p++)
        if (*p == c)
            return p;
    return nullptr;
}

template <class T>
const Ch<T>* end_of(const Ch<T>* p)
{
    while (*p)
        p++;
    return p;
}

// A bracketed set that starts at p ("[") and must close before end. Returns
// the position after its closing "]", or null when there is none; *member
// tells whether c belongs to it.
//
// Membership is decided as if a table of flags were filled in order: all
// flags start false (true when "^" follows "["), each listed character or
// range sets its flags to the current sense, and a "^" inside the set flips
// the sense for what follows. Only the flag of c is followed here, which
// gives the same answer without building a table per match.
template <class T>
const Ch<T>* match_set(const Ch<T>* p, const Ch<T>* end, Ch<T> c, bool* member)
{
    p++;
    bool negated = false;
    if (p < end && *p == '^') {
        negated = true;
        p++;
    }
    bool flag = negated;
    bool sense = !negated;
    // An immediately closing "]" makes an empty set.
    if (p < end && *p == ']') {
        *member = flag;
        return p + 1;
    }
    const Ch<T>* close = find<T>(p, end, Ch<T>(']'));
    if (!close)
        return nullptr;
    uint32_t code = T::code(c);
    bool in_range = code <= T::Max;
    uint32_t folded = in_range ? T::fold_member(code) : 0;
    // The character a range starts from: a "-" at the very start ranges from 0.
    uint32_t prev = 0;
    auto set_range = [&](uint32_t lo, uint32_t hi) {
        if (hi > T::Max)
            hi = T::Max;
        if (in_range && lo <= hi && folded >= lo && folded <= hi)
            flag = sense;
    };
    for (; p < close; p++) {
        uint32_t m = T::code(*p);
        if (m == '^') {
            sense = !sense;
        } else if (m == '-') {
            // "-" before the closing "]" runs the range to 255.
            uint32_t hi = p + 1 < close ? T::fold_member(T::code(p[1])) : 0xFF;
            set_range(prev, hi);
            if (p + 1 < close)
                p++;
            // A following "-" starts from the character after this range.
            prev = hi + 1;
        } else {
            prev = m <= T::Max ? T::fold_member(m) : T::Max + 1;
            set_range(prev, prev);
        }
    }
    *member = flag;
    return close + 1;
}

// Matches one pattern character (or set) at p against the text character c,
// with p before end. Returns the pattern position after it, or null when it
// does not match.
template <class T>
const Ch<T>* match_one(const Ch<T>* p, const Ch<T>* end, Ch<T> c)
{
    if (*p == '?' && c)
        return p + 1;
    if (*p == '[' && find<T>(p + 1, end, Ch<T>(']'))) {
        bool member = false;
        const Ch<T>* after = match_set<T>(p, end, c, &member);
        return (member && c) ? after : nullptr;
    }
    return T::fold_literal(*p) == T::fold_literal(c) ? p + 1 : nullptr;
}

template <class T>
bool match(const Ch<T>* p, const Ch<T>* pend, const Ch<T>* t);

// True when [p, pend) holds no "*", "?" or "[": only literal characters.
template <class T>
bool plain_tail(const Ch<T>* p, const Ch<T>* pend)
{
    for (; p < pend; p++)
        if (*p == '*' || *p == '?' || *p == '[')
            return false;
    return true;
}

// True when text t ends with the literal characters [p, pend), folded.
template <class T>
bool ends_with(const Ch<T>* t, const Ch<T>* p, const Ch<T>* pend)
{
    const Ch<T>* tend = end_of<T>(t);
    long n = pend - p;
    if (tend - t < n)
        return false;
    for (const Ch<T>* q = tend - n; p < pend; p++, q++)
        if (T::fold_literal(*p) != T::fold_literal(*q))
            return false;
    return true;
}

// The stars-only matcher: "*", "?", sets and literals, with the classic single
// backtrack point, linear in practice and never exponential. Used whenever
// the rest of the pattern holds no brace list.
template <class T>
bool match_flat(const Ch<T>* p, const Ch<T>* pend, const Ch<T>* t)
{
    const Ch<T>* star_p = nullptr;
    const Ch<T>* star_t = nullptr;
    for (;;) {
        if (p < pend && *p == '*') {
            while (p < pend && *p == '*')
                p++;
            if (p == pend)
                return true;
            // A plain tail after the last star ("*.txt") matches exactly when
            // the text ends with it: compare the end instead of trying every
            // position.
            if (plain_tail<T>(p, pend))
                return ends_with<T>(t, p, pend);
            star_p = p;
            star_t = t;
            continue;
        }
        if (p == pend) {
            if (!*t)
                return true;
        } else if (const Ch<T>* next = match_one<T>(p, pend, *t)) {
            p = next;
            t++;
            continue;
        }
        // Mismatch: let the last star take one more character.
        if (!star_p || !*star_t)
            return false;
        p = star_p;
        t = ++star_t;
    }
}

// Tries the brace list at p ("{" with its "}" at close) against t; false
// when no alternative leads to a match of the whole.
template <class T>
bool match_braces(const Ch<T>* p, const Ch<T>* close, const Ch<T>* pend, const Ch<T>* t)
{
    const Ch<T>* alt = p + 1;
    for (;;) {
        const Ch<T>* comma = find<T>(alt, close, Ch<T>(','));
        const Ch<T>* alt_end = comma ? comma : close;
        // Inside an alternative only "?" and sets are special.
        const Ch<T>* a = alt;
        const Ch<T>* tt = t;
        bool ok = true;
        while (a < alt_end) {
            const Ch<T>* next;
            if (*a == '*')
                next = T::fold_literal(*a) == T::fold_literal(*tt) ? a + 1 : nullptr;
            else
                next = match_one<T>(a, alt_end, *tt);
            if (!next || !*tt) {
                ok = false;
                break;
            }
            a = next;
            tt++;
        }
        if (ok && match<T>(close + 1, pend, tt))
            return true;
        if (!comma)
            return false;
        alt = comma + 1;
    }
}

template <class T>
bool match(const Ch<T>* p, const Ch<T>* pend, const Ch<T>* t)
{
    if (!find<T>(p, pend, Ch<T>('{')))
        return match_flat<T>(p, pend, t);
    while (p < pend) {
        if (*p == '*') {
            while (p < pend && *p == '*')
                p++;
            if (p == pend)
                return true;
            // A literal after the star can only match where the text has it;
            // skip other positions without recursing.
            bool literal = *p != '?' && *p != '[' && *p != '{';
            uint32_t want = literal ? T::fold_literal(*p) : 0;
            for (;; t++) {
                if ((!literal || T::fold_literal(*t) == want) && match<T>(p, pend, t))
                    return true;
                if (!*t)
                    return false;
            }
        }
        if (*p == '{') {
            if (const Ch<T>* close = find<T>(p + 1, pend, Ch<T>('}'))) {
                if (match_braces<T>(p, close, pend, t))
                    return true;
            }
            // No alternative matched: "{" is an ordinary character.
            if (T::fold_literal(*p) != T::fold_literal(*t) || !*t)
                return false;
            p++;
            t++;
            continue;
        }
        const Ch<T>* next = match_one<T>(p, pend, *t);
        if (!next || !*t)
            return false;
        p = next;
        t++;
    }
    return !*t;
}

template <class T>
int wild_impl(const Ch<T>* pattern, const Ch<T>* text)
{
    if (!pattern || !text)
        return 0;
    if (!*pattern)
        return *text ? 0 : 1;
    return match<T>(pattern, end_of<T>(pattern), text) ? 1 : 0;
}

}

int wild(const char* pattern, const char* text)
{
    return wild_impl<Narrow>(pattern, text);
}

int wild(const wchar_t* pattern, const wchar_t* text)
{
    return wild_impl<Wide>(pattern, text);
}
