#include "viewer/file_viewer.h"

#include "config/config.h"
#include "editor/search_dialog.h"
#include "editor/search_settings.h"
#include "textui/dialog.h"
#include "textui/message_box.h"
#include "viewer/search_file.h"
#include "viewer/searching_box.h"

#include <algorithm>

void CFileViewer::search(bool dialog, bool backward)
{
    if (dialog) {
        // F7 and "/" open the dialog set to search forward, "?" backward;
        // Cancel leaves the direction as it was.
        char before = reverse;
        reverse = backward ? 1 : 0;
        if (search_dialog() != RESULT_ACCEPT) {
            reverse = before;
            return;
        }
        backward = reverse != 0;
    }
    if (word.empty())
        return;
    // Forward: the first match at or after start. Backward: the last one
    // that ends at or before start. A new search starts at the page (its
    // top, or its bottom line going back); a repeated one behind the match
    // or before it, but from the dialog at the match when that tops the
    // page.
    long long start;
    if (searchPos < 0)
        start = backward ? (bottomStart >= 0 ? bottomStart : std::max(fileSize, bottomEnd)) : top;
    else if (dialog && searchPos == top)
        start = searchPos;
    else
        start = backward ? searchPos : std::max(searchEnd, searchPos + 1);

    long long at, end = -1;
    {
        CSearchingBox box;
        if (GetFormat() == FormatCodePage) {
            // The 8-bit search takes the last byte a backward match may use.
            at = SearchFile(*this, backward ? start - 1 : start, word, backward, casesense != 0, wholeWord != 0,
                            GetCodePage());
            end = at + word.strlen();
        } else {
            at = SearchText(*this, word, start, casesense != 0, wholeWord != 0, backward, &end);
        }
    }
    redraw = true;
    if (at == -1)
        return;
    if (at < 0) {
        (void)::error(L"String not found");
        return;
    }
    show_match(at, end, word.strlen());
}

void CFileViewer::show_match(long long at, long long end, int chars)
{
    searchPos = at;
    searchEnd = end;
    matchChars = chars;
    redraw = true;
    if (hex) {
        // The match's row tops the page; rows keep their place in the
        // sixteens.
        long long d = at - top;
        top += (d >= 0 ? d / 16 : -((15 - d) / 16)) * 16;
        return;
    }
    top = piece_start(at);
    wrapOffset = 0;
    long long from, to;
    cell_span(top, at, chars, from, to);
    const long long w = screenColumns;
    if (config.ViewerWrap) {
        // In a line longer than the page, the page starts at the match's
        // row.
        if (from / w >= text_rows())
            wrapOffset = from / w * w;
    } else {
        // Sideways in steps of 4 until the match shows.
        while (to > hscroll + w && hscroll + 4 <= from)
            hscroll += 4;
        while (from < hscroll)
            hscroll = std::max(0, hscroll - 4);
    }
}
