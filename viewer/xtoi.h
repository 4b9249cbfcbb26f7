#ifndef PANNEX_VIEWER_XTOI_H
#define PANNEX_VIEWER_XTOI_H

// The value of the hexadecimal number text starts with (0-9, A-F, a-f),
// read up to the first other character; 0 when it starts with none. The
// value stops growing at 2^62, far beyond any file offset.
long long xtoi(const char* text);

#endif
