#ifndef PANNEX_VIEWER_SEARCH_FILE_H
#define PANNEX_VIEWER_SEARCH_FILE_H

#include "foundation/random_file.h"
#include "foundation/westring.h"

class CTextFile;

// The viewer's searches. Both read the file in large blocks of raw bytes
// and decode nothing but the neighbours of a match, so a search through a
// file of several GiB runs at the speed of the disk. Both poll for Escape
// between blocks (break_requested): an interrupted search returns -1.
// Logic thread.

// Finds text in a file of 8-bit code page codePage, Boyer-Moore-Horspool
// style: file bytes fold to one byte per upper-case class unless the search
// is case-sensitive, and a skip table says how far a probe may move.
// Forward, the first match starting at or after start; backward, the last
// match whose last byte lies at or before start. With wholeWord the match
// may not touch a word character (iswordchar) on either side. The offset
// of the match, -2 when there is none, -1 when text is empty or the user
// interrupted.
long long SearchFile(RandomFile& file, long long start, const Westring& text, bool reverse, bool caseSensitive,
                     bool wholeWord, int codePage);

// Finds text as CTextFile::Search does, with the same results in every
// format, by matching the encodings of the text (ignoring case: of every
// case variant of each character) against the raw bytes. start below 0
// means the text start (forward) or the end of the file (reverse). The
// offset of the match, -2 when there is none, -1 when the user interrupted
// or the format cannot be told. matchEnd, when given, receives the offset
// behind a match.
long long SearchText(CTextFile& file, const Westring& text, long long start, bool caseSensitive, bool wholeWord,
                     bool reverse, long long* matchEnd = nullptr);

#endif
