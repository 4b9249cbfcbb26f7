#include "viewer/search_file.h"

#include "foundation/unicode_case_fold.h"
#include "foundation/word_chars.h"
#include "text/code_page_table.h"
#include "viewer/interrupt.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr int WindowBytes = 1 << 20;
// Bytes a window reaches beyond what is asked on the side the search comes
// from, so that the comparisons just behind a probe need no second read.
constexpr int Margin = 4096;

// A window of the file's bytes read through GetBlock, moved in large steps
// so that the probe loop touches memory only.
class CByteWindow
{
public:
    explicit CByteWindow(RandomFile& f) : file(f), buf(std::make_unique_for_overwrite<unsigned char[]>(WindowBytes)) {}

    // Makes [lo, hi) readable when the file holds it: forward windows
    // start at lo, backward ones end at hi. False when the bytes lie
    // (partly) past the end of the file or the user interrupted.
    bool Cover(long long lo, long long hi, bool backward)
    {
        if (lo >= pos && hi <= pos + len)
            return true;
        if (eof >= 0 && hi > eof)
            return false;
        long long from = backward ? std::max(0LL, hi + Margin - WindowBytes) : std::max(0LL, lo - Margin);
        if (break_requested()) {
            stopped = true;
            return false;
        }
        int n = WindowBytes;
        if (file.GetBlock(from, buf.get(), n) > 0)
            n = 0;
        pos = from;
        len = n;
        if (n < WindowBytes)
            eof = from + n;
        return lo >= pos && hi <= pos + len;
    }
    unsigned char At(long long at) const { return buf[at - pos]; }
    const unsigned char* Ptr(long long at) const { return buf.get() + (at - pos); }

    bool stopped = false;

private:
    RandomFile& file;
    std::unique_ptr<unsigned char[]> buf;
    long long pos = 0;
    int len = 0;
    // The end of the file once a read came back short.
    long long eof = -1;
};

}

long long SearchFile(RandomFile& file, long long start, const Westring& text, bool reverse, bool caseSensitive,
                     bool wholeWord, int codePage)
{
    const int len = text.strlen();
    if (len == 0)
        return -1;
    CBreakScope scope;
    const CCodePageTable* table = GetCodePageTable(codePage);
    if (!table)
        table = &RawCodePageTable();

    // Every byte folds to the first byte of its upper-case class. Folding
    // through classes rather than through "upper-case, encode again" keeps
    // letters whose capital the code page lacks (Latin-1's y diaeresis)
    // equal to themselves, and finds them from either spelling.
    unsigned char fold[256];
    for (int b = 0; b < 256; b++) {
        fold[b] = static_cast<unsigned char>(b);
        if (caseSensitive || b == 0)
            continue;
        wchar_t up = CUnicodeCaseFold::toupper(table->chars[b]);
        for (int r = 0; r < b; r++)
            if (CUnicodeCaseFold::toupper(table->chars[r]) == up) {
                fold[b] = fold[r];
                break;
            }
    }
    std::vector<unsigned char> pat(static_cast<size_t>(len));
    for (int i = 0; i < len; i++) {
        wchar_t c = text[i];
        int byte = table->ByteOf(c);
        if (byte < 0 && !caseSensitive) {
            // The code page may hold another spelling of the letter only.
            wchar_t up = CUnicodeCaseFold::toupper(c);
            for (int b = 1; b < 256 && byte < 0; b++)
                if (CUnicodeCaseFold::toupper(table->chars[b]) == up)
                    byte = b;
        }
        if (byte < 0)
            return -2;
        pat[static_cast<size_t>(i)] = fold[byte];
    }
    // Forward: the last index of each byte in the pattern; backward: the
    // first. -1 for bytes the pattern does not hold.
    int skip[256];
    std::fill(std::begin(skip), std::end(skip), -1);
    if (!reverse)
        for (int i = 0; i < len; i++)
            skip[pat[static_cast<size_t>(i)]] = i;
    else
        for (int i = len; i-- > 0;)
            skip[pat[static_cast<size_t>(i)]] = i;

    CByteWindow w(file);
    auto is_word = [&](long long at) {
        if (at < 0 || !w.Cover(at, at + 1, reverse))
            return false;
        return iswordchar(table->chars[w.At(at)]);
    };
    auto matches = [&](long long c) {
        if (c < 0 || !w.Cover(c, c + len, reverse))
            return false;
        const unsigned char* p = w.Ptr(c);
        for (int i = 0; i < len; i++)
            if (fold[p[i]] != pat[static_cast<size_t>(i)])
                return false;
        if (!wholeWord)
            return true;
        // The neighbours may lie outside the window: looking at them may
        // move it, so the match is judged before.
        return !is_word(c - 1) && !is_word(c + len);
    };

    // Backward from past the end means from the last byte.
    if (reverse)
        start = std::min(start, file.KnownSize() - 1);
    long long probe = std::max(0LL, start) + (reverse ? -(len - 1) : len - 1);
    if (reverse && start < 0)
        return -2;
    while (probe >= 0) {
        if (!w.Cover(probe, probe + 1, reverse))
            break;
        int k = skip[fold[w.At(probe)]];
        if (k < 0) {
            probe += reverse ? -len : len;
            continue;
        }
        long long candidate = probe - k;
        if (matches(candidate))
            return w.stopped ? -1 : candidate;
        if (w.stopped)
            break;
        probe = reverse ? candidate - 1 : candidate + len;
    }
    return w.stopped ? -1 : -2;
}
