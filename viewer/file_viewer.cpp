#include "viewer/file_viewer.h"

#include "config/config.h"
#include "config/px_filename.h"
#include "console/colours.h"
#include "console/console.h"
#include "console/key_codes.h"
#include "editor/edit.h"
#include "editor/file_status_store.h"
#include "editor/search_settings.h"
#include "editor/view_code_page.h"
#include "fileops/path_grammar.h"
#include "foundation/nls.h"
#include "foundation/os_error.h"
#include "textui/message_box.h"
#include "textui/textui_settings.h"
#include "viewer/view.h"

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace {

constexpr int HelpTopicViewer = 2;
// Follow mode waits this long for a key before it looks at the file.
constexpr int FollowWaitMs = 200;
constexpr int NoticeMs = 500;
// A right-button press waits this much longer before its second step.
constexpr int RightPressExtraMs = 200;

// What the clock was before viewing, put back on leaving.
struct CLOCKSTATE
{
    bool on;
    void (*refresh)();
};
CLOCKSTATE saved_clock{false, nullptr};

}

CFileViewer::CFileViewer() : lines(*this) {}

CFileViewer::~CFileViewer()
{
    notice.reset();
    followBox.reset();
    win.reset();
}

void CFileViewer::Hide(bool hide)
{
    if (win)
        win->hide(hide ? 1 : 0);
}

int CFileViewer::open_file(const Westring& name)
{
    int rc = Open(name, OpenRead);
    if (rc == 0) {
        // A NUL is a character of the line here, shown as "." or a blank.
        SetNulEndsLine(false);
        return 0;
    }
    // Nothing but a regular file is read: a FIFO would block the reader
    // and a device never ends.
    Westring message = rc == EINVAL ? Westring(L"Not a regular file") : Westring(GetOSErrorMsg(rc).c_str());
    (void)::error(message, name.c_str());
    return rc;
}

void CFileViewer::take_memory(long long& pos, long long& line)
{
    HISTREC* rec = fileStatusStore.Find(fileName);
    if (!rec)
        return;
    if (pos < 0) {
        pos = rec->viewOffset;
        // The editor writes no offset; its top line stands in.
        if (pos < 0)
            line = rec->topLine;
    }
    if (rec->format != FormatDetect) {
        SetFormat(rec->format);
        if (rec->format == FormatCodePage)
            SetCodePage(rec->codePage);
    }
}

void CFileViewer::store_memory()
{
    HISTREC& rec = fileStatusStore.Obtain(fileName);
    rec.viewOffset = top;
    rec.format = GetFormat();
    rec.codePage = GetCodePage() == DefaultTextCodePage() ? 0 : GetCodePage();
}

int CFileViewer::View(const wchar_t* name, long long pos)
{
    fileName = name;
    (void)ResolvePath(fileName);
    screenColumns = console.Columns();
    screenLines = console.Lines();
    if (!win) {
        win = std::make_unique<Win>(0, 0, screenColumns - 1, screenLines - 1, ui_colour(ColourFileViewer));
        win->SetOrigin(0, 1);
    }
    win->hide(0);
    console.SetCursorType(0);

    SetFormat(FormatDetect);
    hscroll = 0;
    searchPos = searchEnd = -1;
    hex = false;
    top = wrapOffset = 0;
    bottomStart = -1;
    // Nothing of the last file may show while this one fails to open.
    win->Clear();
    key_bar();
    if (open_file(fileName) != 0)
        return KEY_ESC;

    hl.LoadDef(PXFilename(PXSyntax, 0), PXFilename(PXSyntax, 1), fileName.filename());
    states.Reset();
    growing = true;
    // The clock would paint over the heading: it is off, and its hook
    // unhooked, until the viewer is left.
    saved_clock = {config.Clock, clock_refresh_hook};
    config.Clock = false;
    clock_refresh_hook = nullptr;
    SetCodePage(viewCP);

    bool fromCaller = pos >= 0;
    long long line = -1;
    take_memory(pos, line);
    format_changed();
    refresh_size();
    if (pos >= 0 && pos < fileSize) {
        top = piece_start(pos);
        if (fromCaller && !word.empty()) {
            searchPos = pos;
            matchChars = word.strlen();
        }
    } else if (line > 0) {
        long long counted;
        long long at = lines.SkipLines(TextStart(), line, counted);
        top = at >= 0 ? at : 0;
    }
    redraw = true;
    int key = run();
    leave();
    return key;
}

void CFileViewer::leave()
{
    end_follow();
    notice.reset();
    noticePending = false;
    store_memory();
    states.Reset();
    config.Clock = saved_clock.on;
    clock_refresh_hook = saved_clock.refresh;
    (void)close();
}

int CFileViewer::run()
{
    for (;;) {
        if (redraw) {
            showpage();
            redraw = false;
        }
        int timeout = follow ? FollowWaitMs : -1;
        if (noticePending) {
            noticePending = false;
            notice = std::make_unique<Win>(-1, -2, 18, 5, ui_colour(ColourMessages), ui_colour(ColourMessages));
            notice->PutCentre(1, L"No more files");
            noticeUntil = std::chrono::steady_clock::now() + std::chrono::milliseconds(NoticeMs);
        }
        if (notice) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(noticeUntil -
                                                                              std::chrono::steady_clock::now());
            // At least a millisecond: a wait of 0 would not show the box.
            timeout = static_cast<int>(std::max<long long>(1, left.count()));
        }
        _MEVENT m{};
        int key = getkey(nullptr, &m, timeout);
        // Letting go of Alt after Alt+Down is no event of its own.
        if (key == KEY_MODIFIERS)
            continue;
        // Any event, or the time running out, takes the notice away.
        bool noticeShown = notice != nullptr;
        notice.reset();
        if (key == 0) {
            if (follow && !noticeShown)
                follow_tick();
            continue;
        }
        if (key == KEY_MOUSE && !mouse(m, key))
            continue;
        if (int done = key_command(key, m))
            return done;
    }
}

int CFileViewer::key_command(int key, _MEVENT&)
{
    // Every movement ends the match shown; the search goes on from the page.
    auto moved = [&] {
        searchPos = searchEnd = -1;
        redraw = true;
    };
    switch (key) {
    case KEY_ESC:
        if (follow) {
            end_follow();
            return 0;
        }
        return KEY_ESC;
    case KEY_F1 + 2:
    case KEY_F10:
        return KEY_ESC;
    case KEY_ALT_UP:
    case KEY_ALT_DOWN:
        if (HasNeighbour && HasNeighbour(key == KEY_ALT_UP ? -1 : 1))
            return key;
        noticePending = true;
        return 0;
    case KEY_F1:
        if (viewer_help_hook)
            viewer_help_hook(HelpTopicViewer);
        return 0;
    case KEY_ALT_F1 + 3:
    case KEY_SHIFT_F1 + 3:
        // The file is closed and left for the editor at the top of the page.
        store_memory();
        {
            Westring name = fileName;
            long long at = top;
            (void)close();
            win->hide(1);
            (void)edit(name.c_str(), at);
        }
        return KEY_ESC;
    case KEY_F1 + 1:
        if (hex)
            return 0;
        config.ViewerWrap = !config.ViewerWrap;
        wrapOffset = 0;
        key_bar();
        redraw = true;
        return 0;
    case KEY_F1 + 3:
        hex = !hex;
        // Back from hex mode the page starts at a line again.
        if (!hex)
            top = piece_start(top);
        wrapOffset = 0;
        key_bar();
        redraw = true;
        return 0;
    case KEY_F1 + 6:
    case '/':
        search(true, false);
        return 0;
    case '?':
        search(true, true);
        return 0;
    case KEY_SHIFT_F1 + 6:
        search(false, reverse != 0);
        return 0;
    case KEY_ALT_F1 + 6:
        search(false, reverse == 0);
        return 0;
    case KEY_DOWN:
        down_row();
        moved();
        return 0;
    case KEY_UP:
        (void)up_row();
        moved();
        return 0;
    case KEY_PGDN:
    case ' ':
        page_down();
        moved();
        return 0;
    case KEY_PGUP:
        page_up();
        moved();
        return 0;
    case KEY_HOME:
    case KEY_F1 + 7:
    case KEY_CTRL_PGUP:
        go_home();
        moved();
        return 0;
    case KEY_END:
    case KEY_F1 + 8:
    case KEY_CTRL_PGDN:
        go_end(false);
        moved();
        return 0;
    case KEY_LEFT:
    case KEY_CTRL_KEYPAD_0 + 4:
    case (KEY_CTRL_KEYPAD_0 + 4) | KEY_SHIFT_FLAG:
    case KEY_CTRL_DIGIT | 4:
    case KEY_CTRL_DIGIT | KEY_SHIFT_FLAG | 4:
    case KEY_CTRL_LEFT:
        if (hex)
            top = std::max(0LL, top - 1);
        else if (!config.ViewerWrap)
            hscroll = std::max(0, hscroll - (key == KEY_CTRL_LEFT ? 40 : 4));
        moved();
        return 0;
    case KEY_RIGHT:
    case KEY_CTRL_KEYPAD_0 + 6:
    case (KEY_CTRL_KEYPAD_0 + 6) | KEY_SHIFT_FLAG:
    case KEY_CTRL_DIGIT | 6:
    case KEY_CTRL_DIGIT | KEY_SHIFT_FLAG | 6:
    case KEY_CTRL_RIGHT:
        if (hex) {
            if (top + 1 < fileSize)
                top++;
        } else if (!config.ViewerWrap)
            hscroll += key == KEY_CTRL_RIGHT ? 40 : 4;
        moved();
        return 0;
    case KEY_ALT_E:
        select_format();
        return 0;
    case KEY_ALT_C:
        code_page_list();
        return 0;
    case KEY_ALT_T:
        next_code_page();
        return 0;
    case KEY_ALT_H:
        if (hl.Enabled())
            hl.Disable();
        else
            // The definition loaded at opening comes back with the states
            // kept for it.
            hl.Enable();
        redraw = true;
        return 0;
    case KEY_ALT_L:
        goto_line();
        return 0;
    case KEY_ALT_O:
        goto_offset();
        return 0;
    case KEY_ALT_F:
        start_follow();
        return 0;
    case KEY_CTRL_A + 'L' - 'A':
        (void)refresh_size();
        key_bar();
        redraw = true;
        return 0;
    default:
        if (key >= KEY_ALT_1 && key < KEY_ALT_1 + 8) {
            config.TabWidth = key - KEY_ALT_1 + 1;
            redraw = true;
        }
        return 0;
    }
}

// Mouse steps: lines up or down, columns left or right.
enum { StepUp = 1, StepDown, StepLeft, StepRight };

void CFileViewer::mouse_step(int action, bool big)
{
    switch (action) {
    case StepUp:
        if (big)
            page_up();
        else
            (void)up_row();
        break;
    case StepDown:
        if (big)
            page_down();
        else
            down_row();
        break;
    case StepLeft:
        if (hex)
            top = std::max(0LL, top - (big ? 2 : 1));
        else if (!config.ViewerWrap)
            hscroll = std::max(0, hscroll - (big ? 40 : 4));
        break;
    case StepRight:
        if (hex)
            top = std::min(std::max(0LL, fileSize - 1), top + (big ? 2 : 1));
        else if (!config.ViewerWrap)
            hscroll += big ? 40 : 4;
        break;
    }
    searchPos = searchEnd = -1;
    showpage();
}

bool CFileViewer::mouse(_MEVENT& m, int& key)
{
    const int h = text_rows();
    // Each pass handles one mouse event; a step repeated until another
    // event comes hands that one to the next pass.
    for (;;) {
        // The key bar: a release over the label the press was on is its key.
        if (m.y == screenLines - 1) {
            int slot = std::min(9, m.x / std::max(1, screenColumns / 10));
            if (m.kind == MouseLeftPress || m.kind == MouseRightPress) {
                barPress = KEY_F1 + slot;
            } else if (m.kind == MouseLeftRelease || m.kind == MouseRightRelease) {
                bool same = barPress == KEY_F1 + slot;
                barPress = 0;
                if (same) {
                    key = KEY_F1 + slot;
                    return true;
                }
            }
            return false;
        }
        if (m.kind == MouseLeftRelease || m.kind == MouseRightRelease)
            barPress = 0;
        if (m.kind == MouseWheel) {
            for (int i = 0; i < 3; i++) {
                if (m.wheel > 0)
                    (void)up_row();
                else
                    down_row();
            }
            searchPos = searchEnd = -1;
            redraw = true;
            return false;
        }
        bool press = m.kind == MouseLeftPress || m.kind == MouseRightPress;
        bool drag = m.kind == MouseLeftDrag || m.kind == MouseRightDrag;
        int row = m.y - 1;
        if ((!press && !drag) || row < 0 || row >= h)
            return false;
        bool right = m.kind == MouseRightPress || m.kind == MouseRightDrag;
        // Thirds of the text area: the upper and lower ones scroll lines,
        // the middle one columns by its left and right thirds.
        int third = h / 3;
        int action = row < third ? StepUp : row >= h - third ? StepDown : 0;
        if (!action) {
            int w = screenColumns / 3;
            action = m.x < w ? StepLeft : m.x >= screenColumns - w ? StepRight : 0;
        }
        if (!action)
            return false;
        mouse_step(action, right);
        // The step repeats while nothing else happens; any event ends it
        // and is handled as usual.
        int delay = std::max(1, *textui_settings.scroll_delay);
        bool first = true;
        int k;
        _MEVENT next{};
        for (;;) {
            k = getkey(nullptr, &next, delay + (first && right && press ? RightPressExtraMs : 0));
            first = false;
            if (k == 0)
                mouse_step(action, right);
            else if (k != KEY_MODIFIERS)
                break;
        }
        if (k != KEY_MOUSE) {
            key = k;
            return true;
        }
        m = next;
    }
}
