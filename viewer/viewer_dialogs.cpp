#include "viewer/file_viewer.h"

#include "config/config.h"
#include "console/colours.h"
#include "editor/view_code_page.h"
#include "text/format_select_dlg.h"
#include "textui/dialog.h"
#include "textui/message_box.h"
#include "textui/textui_settings.h"
#include "viewer/searching_box.h"
#include "viewer/xtoi.h"

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

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
    show_match(offset, offset + 1, 1);
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
    // A name that now names something else than a regular file (a
    // directory, a FIFO) leaves the open file shown, as a vanished one does.
    if (change == FollowReplaced && !openable(fileName)) {
        watch.Start(follow_stat(handle()));
        change = FollowNone;
    }
    if (change == FollowReplaced) {
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
