#include "viewer/file_viewer.h"

#include "config/config.h"
#include "console/colours.h"
#include "editor/search_dialog.h"
#include "editor/search_settings.h"
#include "editor/view_code_page.h"
#include "text/format_select_dlg.h"
#include "textui/dialog.h"
#include "textui/message_box.h"
#include "textui/textui_settings.h"
#include "viewer/search_file.h"
#include "viewer/xtoi.h"

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The small box that stands while a search or a count runs.
class CSearchingBox : public Win
{
public:
    CSearchingBox() : Win(-1, -2, 16, 7, ui_colour(ColourMessages), ui_colour(ColourMessages))
    {
        PutCentre(2, L"Searching...");
    }
};

// True when name is a regular file that can be opened for reading now.
bool openable(const Westring& name)
{
    int fd = open(FileNameToSys(name).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    bool regular = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    close(fd);
    return regular;
}

}

void CFileViewer::format_changed()
{
    lines.Reset();
    states.Reset();
    countedTop = -1;
    if (!hex)
        align_top();
}

void CFileViewer::search(bool dialog, bool backward)
{
    if (dialog) {
        if (search_dialog() != RESULT_ACCEPT)
            return;
        backward = reverse != 0;
    }
    if (word.empty())
        return;
    // Forward: the first match at or after start. Backward: the last one
    // that ends at or before start.
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
    searchPos = at;
    searchEnd = end;
    matchChars = word.strlen();
    if (hex) {
        // The match's row (rows keep their place in the sixteens) tops the
        // page.
        long long d = at - top;
        top += (d >= 0 ? d / 16 : -((15 - d) / 16)) * 16;
        return;
    }
    top = piece_start(at);
    wrapOffset = 0;
    long long from, to;
    cell_span(top, at, matchChars, from, to);
    const long long w = screenColumns;
    if (config.ViewerWrap) {
        // In a line longer than the page, the page starts at the match's row.
        if (from / w >= text_rows())
            wrapOffset = from / w * w;
    } else {
        while (to > hscroll + w && hscroll + 4 <= from)
            hscroll += 4;
        while (from < hscroll)
            hscroll = std::max(0, hscroll - 4);
    }
}

void CFileViewer::goto_line()
{
    int n = 0;
    {
        Dialog d(-1, -2, 27, 5, ui_colour(ColourMessages));
        d.PutCentre(-1, L" Goto Line ");
        d.puts_at(1, 1, L"Line to go to:");
        d.AddIntField(16, 1, 1, n, 8, 0, NoHistory);
        if (d.Process() != RESULT_ACCEPT || n <= 0)
            return;
    }
    long long at = TextStart();
    if (n > 1) {
        long long counted;
        {
            CSearchingBox box;
            at = lines.SkipLines(TextStart(), n - 1, counted);
        }
        if (at == -2) {
            redraw = true;
            return;
        }
        if (at < 0) {
            (void)::error(Westring(esprintf("Only %lld lines in this file", counted).c_str()));
            return;
        }
    }
    top = at;
    wrapOffset = 0;
    searchPos = searchEnd = -1;
    redraw = true;
}

void CFileViewer::goto_offset()
{
    Westring text;
    {
        Dialog d(-1, -2, 35, 5, ui_colour(ColourMessages));
        d.PutCentre(-1, L" Goto Offset ");
        d.puts_at(1, 1, L"Offset to go to: 0x");
        d.AddStringField(20, 1, 1, text, 12, 16, NoHistory);
        if (d.Process() != RESULT_ACCEPT)
            return;
    }
    long long offset = xtoi(text.trim().ToAscii().c_str());
    (void)refresh_size();
    if (offset >= fileSize) {
        (void)::error(Westring(esprintf("Only %lld bytes in this file", fileSize).c_str()));
        return;
    }
    redraw = true;
    if (hex) {
        top = offset;
        searchPos = searchEnd = -1;
        return;
    }
    top = piece_start(offset);
    wrapOffset = 0;
    searchPos = offset;
    searchEnd = offset + 1;
    matchChars = 1;
    long long from, to;
    cell_span(top, offset, 1, from, to);
    const long long w = screenColumns;
    if (config.ViewerWrap) {
        if (from / w >= text_rows())
            wrapOffset = from / w * w;
    } else {
        while (to > hscroll + w)
            hscroll += 4;
        while (from < hscroll)
            hscroll = std::max(0, hscroll - 4);
    }
}

void CFileViewer::select_format()
{
    EFileFormat f = GetFormat();
    int cp = GetCodePage();
    bool bom = HasBOM();
    CFormatSelectDlg d("Select File Encoding", f, cp, bom, 0);
    if (d.Process() != RESULT_ACCEPT)
        return;
    SetFormat(f);
    if (f == FormatCodePage)
        SetCodePage(cp);
    format_changed();
    redraw = true;
}

void CFileViewer::code_page_list()
{
    if (GetViewCodePage() != 0)
        return;
    viewCPPos = 0;
    SetFormat(FormatCodePage);
    (void)SwitchViewCodePage(viewCP);
    SetCodePage(viewCP);
    format_changed();
    redraw = true;
}

void CFileViewer::next_code_page()
{
    if (GetFormat() != FormatCodePage)
        return;
    (void)SwitchViewCodePage(viewCP);
    SetCodePage(viewCP);
    format_changed();
    redraw = true;
}

void CFileViewer::start_follow()
{
    if (follow)
        return;
    follow = true;
    const int width = 32;
    int x = (screenColumns - width) / 2;
    followBox = std::make_unique<Win>(x, screenLines - 1, x + width - 1, screenLines - 1, ui_colour(ColourErrors));
    followBox->puts_at(1, 0, L"Follow Mode ON - ESC to cancel");
    watch.Start(follow_stat(handle()));
}

void CFileViewer::end_follow()
{
    follow = false;
    followBox.reset();
}

void CFileViewer::follow_tick()
{
    long long before = top, beforeSize = fileSize;
    EFollowChange change = watch.Poll(follow_stat(handle()), follow_stat(fileName));
    if (change == FollowReplaced && openable(fileName)) {
        // The name is another file now: that one is shown from its end, in
        // the format chosen for this one.
        EFileFormat f = GetFormat();
        int cp = GetCodePage();
        if (Open(fileName, OpenRead) != 0)
            return;
        SetNulEndsLine(false);
        growing = true;
        SetFormat(f);
        SetCodePage(cp);
        watch.Start(follow_stat(handle()));
        fileSize = -1;
    }
    if (change != FollowNone && change != FollowGrown) {
        // Cut or rewritten: nothing read before may be shown again.
        DiscardBuffers();
        lines.Reset();
        states.Reset();
        countedTop = -1;
        go_end(true);
    } else {
        go_end(false);
    }
    if (top != before || fileSize != beforeSize || change != FollowNone)
        redraw = true;
}
