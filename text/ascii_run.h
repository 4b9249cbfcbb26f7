#ifndef PANNEX_TEXT_ASCII_RUN_H
#define PANNEX_TEXT_ASCII_RUN_H

#include <cstddef>

// Narrows the ASCII characters at the start of text (up to n) into out
// sixteen at a time, stopping before the first group of sixteen that holds
// anything else; how many it took (a multiple of 16). Saving and the
// editor's line store both turn wide text into bytes this way.
size_t AsciiRun(const wchar_t* text, size_t n, unsigned char* out);

#endif
