#ifndef PANNEX_FOUNDATION_WILD_H
#define PANNEX_FOUNDATION_WILD_H

// Wildcard matching for every file mask, filter and command pattern; always
// case-insensitive. Returns 1 when text matches pattern, else 0.
//
//   *        any run of characters, the empty one included
//   ?        any one character
//   [a-z]    one character of a set: ranges, "^" first for a negated set,
//            "^" inside flips the sense for the members after it, "[]" is an
//            empty set and "[^]" matches any character; no escapes
//   {a,b}    one of the alternatives, in which only "?" and sets are special;
//            when none leads to a match, "{" is an ordinary character
//
// A "[" or "{" without its closing bracket later in the pattern is ordinary.
int wild(const char* pattern, const char* text);
int wild(const wchar_t* pattern, const wchar_t* text);

#endif
