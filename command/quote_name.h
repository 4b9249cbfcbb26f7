#ifndef PANNEX_COMMAND_QUOTE_NAME_H
#define PANNEX_COMMAND_QUOTE_NAME_H

#include "foundation/westring.h"

// Quoting of file names for shell command lines: the result, read by a POSIX
// shell, is exactly one word that stands for the name itself, never expanded
// into other names and never split. Every character the shell treats
// specially gets a backslash; a line feed, which a backslash would turn into
// a line continuation, is written inside single quotes.
Westring QuoteName(const Westring& name);
// The inverse of QuoteName: a backslash makes the next character literal and
// is dropped, a trailing single backslash is dropped, and a stretch in single
// quotes is taken literally without its quotes.
Westring DequoteName(const Westring& text);

#endif
