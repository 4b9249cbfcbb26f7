#ifndef PANNEX_TOOLS_FILE_FIND_SEARCH_H
#define PANNEX_TOOLS_FILE_FIND_SEARCH_H

#include "foundation/westring.h"
#include "text/text_file.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Results of a content search besides a match position.
constexpr long long FoundNone = -2;      // the text is not in the file
constexpr long long FoundStopped = -1;   // the search was stopped
constexpr long long FoundOpenError = -3; // the file could not be opened
constexpr long long FoundNotSearched = -2;

// The encoding a text file reader would give the file whose first bytes
// are head (size of them; whole when that is the entire file): the
// byte-order mark first, then the content. Agrees with
// CTextFile::DetermineFileFormat on every input; text_start receives the
// length of the byte-order mark.
EFileFormat detect_text_format(const unsigned char* head, long long size, bool whole, int& text_start);

// The encodings of a search text in one file format: for each character,
// every byte string that stands for it (all its case variants when the
// search ignores case). Empty when the format cannot hold the text.
struct CEncodedText
{
    std::vector<std::vector<std::string>> chars;
    // Bytes of the longest spelling of the whole text.
    size_t max_bytes = 0;
    // The filter: the possible first bytes of the character that lies
    // anchor_offset bytes into every match.
    long long anchor_offset = 0;
    bool first[256] = {};
    unsigned char first_list[4] = {};
    int first_count = 0;

    bool Empty() const { return chars.empty(); }
    // The bytes a match at p takes (avail bytes readable), or -1.
    long long Match(const unsigned char* p, long long avail) const;
};

// Encodes text for format (codePage for 8-bit files). False when some
// character has no encoding there.
bool encode_search_text(const Westring& text, EFileFormat format, int codePage, bool caseSensitive,
                        CEncodedText& out);
// The bytes of text in format, exactly; false when a character cannot be
// written there (a replacement for a file whose encoding lacks it).
bool encode_exact(const Westring& text, EFileFormat format, int codePage, std::string& out);

// A content search over many files with one text: the encodings per
// format are made once, one read buffer serves every file. Files are read
// in blocks of 1 MiB, never decoded; the stop flag is looked at between
// blocks, so a search inside a file of any size ends soon after it is set.
// One thread at a time.
class CContentSearch
{
public:
    // codePage is what 8-bit files (and binary ones) are read in; 0 means
    // the default text code page.
    CContentSearch(const Westring& text, bool caseSensitive, bool wholeWord, int codePage);
    ~CContentSearch();
    CContentSearch(const CContentSearch&) = delete;
    CContentSearch& operator=(const CContentSearch&) = delete;

    // Searches the file at path (file-name bytes). Only a regular file is
    // opened: anything else gives FoundOpenError without being opened. The
    // offset of the first match, FoundNone, FoundStopped or
    // FoundOpenError.
    long long Search(const char* path, const std::atomic<bool>* stop);
    // The same on an open descriptor read from its current offset, which
    // must be the start of the file; known_size >= 0 is where the file
    // ends (as fstat said), so that no read is spent on hearing it.
    long long SearchFd(int fd, const std::atomic<bool>* stop, long long known_size = -1);

    // For a rewriting caller: the format and code page of the last file
    // searched, and the byte length of the match Search returned.
    EFileFormat Format() const { return format; }
    int CodePage() const { return codePage; }
    long long MatchLength() const { return match_length; }

    // Finds every match in fd from its current offset (the file start), in
    // the order they occur, without overlaps: each match is handed to
    // found(offset, length) as it is met; found returns false to stop
    // with -1. The file's bytes are read once, in blocks. 0 when the end
    // was reached; -1 when stopped (flag or found); or the errno of a read.
    // The format is detected from the file as Search does.
    int ForEachMatch(int fd, const std::atomic<bool>* stop,
                     const std::function<bool(long long offset, long long length)>& found);

private:
    const CEncodedText* pattern_for(EFileFormat f);
    // Neighbour test of a whole-word match at buffer index i of n bytes
    // (at file offset base + i), len bytes long.
    bool alone(const unsigned char* buf, long long base, long long i, long long len, long long n) const;
    int run(int fd, const std::atomic<bool>* stop, bool all,
            const std::function<bool(long long, long long)>* found, long long known_size);

    Westring text;
    bool caseSensitive, wholeWord;
    int codePage;
    std::unique_ptr<CEncodedText> patterns[FormatDetect];
    bool made[FormatDetect] = {};
    std::unique_ptr<unsigned char[]> buffer;
    EFileFormat format = FormatDetect;
    long long text_start = 0;
    long long match_pos = FoundNone;
    long long match_length = 0;
};

// Searches one file for text: the offset of the first match, FoundNone,
// FoundStopped (stop was set), or FoundOpenError. 8-bit files are read in
// the viewer's code page.
long long check_containing(const Westring& path, const Westring& text, bool caseSensitive, bool wholeWord,
                           const std::atomic<bool>* stop = nullptr);

#endif
