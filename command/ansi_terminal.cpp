#include "command/ansi_terminal.h"

#include "command/scroll_back.h"
#include "command/terminal_keys.h"
#include "console/colours.h"
#include "console/key_codes.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr unsigned char CAN = 0x18, SUB = 0x1A, ESC = 0x1B, BEL = 0x07;
constexpr wchar_t Replacement = 0xFFFD;

// ANSI colour numbers (black, red, green, yellow, blue, magenta, cyan,
// white) as indices of the PC-ordered palette.
constexpr int ansi_colour[8] = {0, 4, 2, 6, 1, 5, 3, 7};

// The DEC Special Graphics set for the bytes 96-126.
constexpr wchar_t dec_graphics[31] = {
    0x25C6, 0x2592, 0x2409, 0x240C, 0x240D, 0x240A, 0x00B0, 0x00B1, 0x2424, 0x240B, 0x2518,
    0x2510, 0x250C, 0x2514, 0x253C, 0x23BA, 0x23BB, 0x2500, 0x23BC, 0x23BD, 0x251C, 0x2524,
    0x2534, 0x252C, 0x2502, 0x2264, 0x2265, 0x03C0, 0x2260, 0x00A3, 0x00B7,
};

wchar_t graphics_char(unsigned char b)
{
    if (b == 95)
        return L' ';
    if (b >= 96 && b <= 126)
        return dec_graphics[b - 96];
    return b;
}

// The palette colour nearest to an RGB colour of 8-bit channels.
int nearest_colour(int r, int g, int b)
{
    int best = 0;
    long best_distance = -1;
    for (int i = 0; i < 16; i++) {
        long dr = (palette[i].red >> 8) - r, dg = (palette[i].green >> 8) - g, db = (palette[i].blue >> 8) - b;
        long d = dr * dr + dg * dg + db * db;
        if (best_distance < 0 || d < best_distance) {
            best = i;
            best_distance = d;
        }
    }
    return best;
}

// A colour of the 256-colour table: the 16 ANSI colours, the 6x6x6 cube
// and the grey ramp, brought to the nearest of the palette's 16.
int colour_256(int n)
{
    static constexpr int level[6] = {0, 95, 135, 175, 215, 255};
    if (n < 8)
        return ansi_colour[n];
    if (n < 16)
        return ansi_colour[n - 8] + 8;
    if (n < 232) {
        n -= 16;
        return nearest_colour(level[n / 36], level[n / 6 % 6], level[n % 6]);
    }
    int grey = 8 + 10 * (std::min(n, 255) - 232);
    return nearest_colour(grey, grey, grey);
}

}

int set_pty_size(int fd, int columns, int lines)
{
    struct winsize ws = {};
    ws.ws_row = static_cast<unsigned short>(lines);
    ws.ws_col = static_cast<unsigned short>(columns);
    return ioctl(fd, TIOCSWINSZ, &ws) == 0 ? 0 : errno;
}

void install_terminal_emulator()
{
    terminal_factory = [](CConsole& con, int fd) -> CConsoleTerminal* { return new CAnsiTerminalEmulator(con, fd); };
}

CAnsiTerminalEmulator::CAnsiTerminalEmulator(CConsole& c, int fd)
    : con(c), pty(fd), columns(c.Columns()), lines(c.Lines()), default_attribute(c.GetAttr())
{
    foreground = default_attribute & 15;
    background = default_attribute >> 4;
    attribute = default_attribute;
    scroll_bottom = lines - 1;
    int x, y;
    con.GetCursorPos(x, y);
    column = std::clamp(x, 0, columns - 1);
    line = std::clamp(y, 0, lines - 1);
    keys.SetFd(pty);
    wake_fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (pty >= 0)
        (void)set_pty_size(pty, columns, lines);
}

CAnsiTerminalEmulator::~CAnsiTerminalEmulator()
{
    Sync();
    alternate.reset();
    if (wake_fd >= 0)
        close(wake_fd);
}

void CAnsiTerminalEmulator::WriteOutput(const char* data, size_t length)
{
    con.BeginPaint();
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    for (size_t i = 0; i < length; i++) {
        unsigned char b = p[i];
        // Plain ASCII text is most of any output: straight to the line.
        if (state == Ground && b >= 0x20 && b < 0x7F && utf8_need == 0 && !graphics)
            WriteChar(b);
        else
            Byte(b);
    }
    // What the next chunk brings may go anywhere: the console gets its
    // cells now, and the cursor.
    Sync();
    con.SetCursorPos(std::min(column, columns - 1), line);
    con.SetCursorType(cursor_type);
    con.EndPaint();
}

void CAnsiTerminalEmulator::Byte(unsigned char b)
{
    // CAN and SUB cancel whatever sequence is under way.
    if (b == CAN || b == SUB) {
        FlushUtf8();
        state = Ground;
        pending = 0;
        return;
    }
    switch (state) {
    case Ground:
        if (b < 0x20 || b == 0x7F) {
            FlushUtf8();
            Control(b);
        } else if (graphics) {
            WriteChar(graphics_char(b));
        } else {
            Utf8Byte(b);
        }
        return;
    case Escape:
        pending++;
        EscapeFinal(b);
        return;
    case Charset:
        state = Ground;
        pending = 0;
        if (b < 0x20) {
            Byte(b);  // a control interrupts the sequence and acts
        } else if (b == '0') {
            graphics = true;
        } else if (b == 'B') {
            graphics = false;
        }
        return;
    case Csi:
        CsiByte(b);
        return;
    case Osc:
        // Only BEL or ST end it: bytes from 0x80 up belong to it, since a
        // UTF-8 text in it (a file name in a hyperlink) has them.
        if (b == BEL) {
            state = Ground;
            pending = 0;
        } else if (b == ESC) {
            state = OscEscape;
        } else if (++pending > MaxPending) {
            pending = 0;  // dropped; the rest is skipped as it comes
        }
        return;
    case OscEscape:
        if (b == '\\') {
            state = Ground;
            pending = 0;
        } else {
            // ESC ends the OSC and starts a sequence of its own.
            state = Escape;
            pending = 1;
            Byte(b);
        }
        return;
    }
}

void CAnsiTerminalEmulator::Control(unsigned char b)
{
    switch (b) {
    case BEL:
        con.Beep();
        break;
    case '\b':
        column = std::min(column, columns - 1);
        if (column > 0)
            column--;
        break;
    case '\t':
        column = (column | 7) + 1;
        if (column >= columns) {
            column = 0;
            NewLine();
        }
        break;
    case '\n':
        NewLine();
        break;
    case '\r':
        column = 0;
        break;
    case ESC:
        state = Escape;
        pending = 1;
        break;
    default:
        break;  // NUL and the other controls are dropped
    }
}

void CAnsiTerminalEmulator::EscapeFinal(unsigned char b)
{
    state = Ground;
    switch (b) {
    case '(':
        state = Charset;
        return;
    case '[':
        state = Csi;
        nparams = 0;
        prefix = 0;
        ignore = false;
        return;
    case ']':
        state = Osc;
        return;
    case '7':
        SaveCursor();
        break;
    case '8':
        RestoreCursor();
        break;
    case '=':
        application_keypad = true;
        break;
    case '>':
        application_keypad = false;
        break;
    case 'M':
        ReverseIndex();
        break;
    default:
        // ESC is dropped; the byte is output like any other.
        pending = 0;
        Byte(b);
        return;
    }
    pending = 0;
}

void CAnsiTerminalEmulator::CsiByte(unsigned char b)
{
    if (b >= 0x40 && b <= 0x7E) {
        state = Ground;
        pending = 0;
        if (!ignore)
            CsiDispatch(b);
        return;
    }
    if (b == ESC) {
        state = Escape;  // a new sequence cuts this one off
        pending = 1;
        return;
    }
    if (b < 0x20) {
        Control(b);  // controls inside a sequence act, as on a VT100
        return;
    }
    if (b >= 0x80) {
        state = Ground;
        pending = 0;
        Byte(b);
        return;
    }
    if (++pending > MaxPending) {
        pending = 0;
        ignore = true;
    }
    if (b >= '0' && b <= '9') {
        if (nparams == 0) {
            nparams = 1;
            params[0] = 0;
        }
        if (nparams <= MaxParams) {
            int& p = params[nparams - 1];
            p = std::min(p * 10 + (b - '0'), MaxParam);
        }
    } else if (b == ';' || b == ':') {
        if (nparams == 0) {
            nparams = 1;
            params[0] = 0;
        }
        if (nparams < MaxParams)
            params[nparams] = 0;
        // Counted past MaxParams (without storing), so that "exactly two"
        // stays true to what was sent; bounded by the byte cap.
        nparams++;
    } else if (b >= '<' && b <= '?') {
        if (nparams == 0 && prefix == 0)
            prefix = static_cast<char>(b);
        else
            ignore = true;
    } else if (b <= 0x2F) {
        ignore = true;  // an intermediate byte: a sequence not handled here
    }
}

void CAnsiTerminalEmulator::CsiDispatch(unsigned char final)
{
    if (prefix == '?') {
        if (final == 'h' || final == 'l')
            PrivateMode(final == 'h');
        return;
    }
    if (prefix != 0)
        return;  // ">" and the other private markers: consumed, ignored
    int p1 = Param(0);
    int n1 = std::max(p1, 1);
    // An explicit 0 moves the cursor 0 cells; no parameter moves 1.
    int move = nparams > 0 ? p1 : 1;
    switch (final) {
    case '@':
        InsertChars(n1, true);
        break;
    case 'A':
        SetColumn(column);
        SetLine(line - move);
        break;
    case 'B':
        SetColumn(column);
        SetLine(line + move);
        break;
    case 'C':
        SetColumn(std::min(column, columns - 1) + move);
        break;
    case 'D':
        SetColumn(std::min(column, columns - 1) - move);
        break;
    case 'G':
        SetColumn(std::min(n1, columns) - 1);
        break;
    case 'H':
    case 'f':
        SetLine(std::min(n1, lines) - 1);
        SetColumn(nparams >= 2 ? std::min(std::max(Param(1), 1), columns) - 1 : 0);
        break;
    case 'J':
        if (p1 == 0) {
            Erase(column, line, columns - column);
            EraseLines(line + 1, lines - 1);
        } else if (p1 == 1) {
            Erase(0, line, column);
            EraseLines(0, line - 1);
        } else if (p1 == 2) {
            EraseLines(0, lines - 1);
        } else {
            Erase(0, line, columns);
        }
        break;
    case 'K':
        if (p1 == 0)
            Erase(column, line, columns - column);
        else if (p1 == 1)
            Erase(0, line, column);
        else
            Erase(0, line, columns);
        break;
    case 'L':
        InsertLines(n1, true);
        break;
    case 'M':
        InsertLines(n1, false);
        break;
    case 'P':
        InsertChars(n1, false);
        break;
    case 'S':
        ScrollUp(p1);
        break;
    case 'T':
        ScrollDown(n1);
        break;
    case 'X':
        Erase(column, line, std::min(nparams > 0 ? p1 : 1, columns - column));
        break;
    case 'b':
        // Bounded by the screen: more repeats could only rewrite it.
        for (int i = std::min(n1, lines * columns); last_char != 0 && i > 0; i--)
            WriteChar(last_char);
        break;
    case 'd':
        SetColumn(column);
        SetLine(std::min(n1, lines) - 1);
        break;
    case 'h':
    case 'l':
        for (int i = 0; i < std::min(nparams, MaxParams); i++)
            if (params[i] == 4)
                insert_mode = final == 'h';
        break;
    case 'm':
        SelectGraphicRendition();
        break;
    case 'r': {
        int top = scroll_top, bottom = scroll_bottom;
        if (nparams == 2) {
            if (p1 >= 1 && p1 <= lines)
                top = p1 - 1;
            if (Param(1) >= 1 && Param(1) <= lines)
                bottom = Param(1) - 1;
        }
        // A region must hold two lines at least, top above bottom; one
        // that does not (5;2, or parameters off the screen) is the whole
        // screen, so that scrolling always has a region to act on.
        if (nparams != 2 || top >= bottom) {
            top = 0;
            bottom = lines - 1;
        }
        scroll_top = top;
        scroll_bottom = bottom;
        break;
    }
    default:
        break;
    }
}

void CAnsiTerminalEmulator::SelectGraphicRendition()
{
    int n = std::min(std::max(nparams, 1), MaxParams);
    for (int i = 0; i < n; i++) {
        int code = Param(i);
        if (code == 0) {
            foreground = default_attribute & 15;
            background = default_attribute >> 4;
            reverse = bold = underline = false;
        } else if (code == 1) {
            bold = true;
        } else if (code == 22) {
            bold = false;
        } else if (code == 4 || code == 24) {
            underline = code == 4;
        } else if (code == 7 || code == 27) {
            reverse = code == 7;
        } else if (code >= 30 && code <= 37) {
            foreground = ansi_colour[code - 30];
        } else if (code == 39 || code == 99) {
            foreground = default_attribute & 15;
        } else if (code >= 40 && code <= 47) {
            background = ansi_colour[code - 40];
        } else if (code == 49 || code == 109) {
            background = default_attribute >> 4;
        } else if (code >= 90 && code <= 97) {
            foreground = ansi_colour[code - 90] + 8;
        } else if (code >= 100 && code <= 107) {
            background = ansi_colour[code - 100] + 8;
        } else if (code == 38 || code == 48) {
            // 38;5;n and 38;2;r;g;b (48 the same for the background) take
            // their arguments with them, so that none is read as an SGR
            // code of its own.
            int colour = -1;
            if (Param(i + 1) == 5 && i + 2 < n) {
                colour = colour_256(std::min(Param(i + 2), 255));
                i += 2;
            } else if (Param(i + 1) == 2 && i + 4 < n) {
                colour = nearest_colour(std::min(Param(i + 2), 255), std::min(Param(i + 3), 255),
                                        std::min(Param(i + 4), 255));
                i += 4;
            } else {
                i = n;  // malformed: the rest cannot be told apart
            }
            if (colour >= 0)
                (code == 38 ? foreground : background) = colour;
        }
        ComposeAttribute();
    }
}

void CAnsiTerminalEmulator::ComposeAttribute()
{
    int a = reverse ? foreground * 16 + background : background * 16 + foreground;
    if (bold)
        a |= 0x08;
    if (underline)
        a |= 0x80;
    attribute = static_cast<unsigned char>(a);
}

void CAnsiTerminalEmulator::PrivateMode(bool set)
{
    for (int i = 0; i < std::min(nparams, MaxParams); i++) {
        switch (params[i]) {
        case 1:
            application_cursor = set;
            break;
        case 25:
            cursor_type = set ? 15 : 0;
            break;
        case 47:
        case 1047:
            if (set)
                ShowAlternate();
            else
                ShowNormal();
            break;
        case 1048:
            if (set)
                SaveCursor();
            else
                RestoreCursor();
            break;
        case 1049:
            if (set) {
                SaveCursor();
                ShowAlternate();
            } else {
                ShowNormal();
                RestoreCursor();
            }
            break;
        default:
            break;  // 12 (blinking) and the rest
        }
    }
}

void CAnsiTerminalEmulator::Utf8Byte(unsigned char b)
{
    if (utf8_need > 0) {
        if ((b & 0xC0) == 0x80) {
            utf8_bytes[utf8_have++] = b;
            if (utf8_have <= utf8_need)
                return;
            unsigned cp = utf8_bytes[0] & (utf8_need == 1 ? 0x1F : utf8_need == 2 ? 0x0F : 0x07);
            for (int k = 1; k <= utf8_need; k++)
                cp = (cp << 6) | (utf8_bytes[k] & 0x3F);
            utf8_have = utf8_need = 0;
            WriteChar(cp == 0 ? Replacement : static_cast<wchar_t>(cp));
            return;
        }
        FlushUtf8();
    }
    int need = (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : 0;
    if (need == 0) {
        WriteChar(b);  // ASCII, or a byte that starts nothing: as Latin-1
        return;
    }
    utf8_bytes[0] = b;
    utf8_have = 1;
    utf8_need = need;
}

// An unfinished UTF-8 character cut off by something else: its bytes show
// as Latin-1, as everywhere else text is decoded.
void CAnsiTerminalEmulator::FlushUtf8()
{
    int have = utf8_have;
    utf8_have = utf8_need = 0;
    for (int k = 0; k < have; k++)
        WriteChar(utf8_bytes[k]);
}

void CAnsiTerminalEmulator::WriteChar(wchar_t c)
{
    if (column >= columns) {
        column = 0;
        NewLine();
    }
    if (line_y != line)
        ChangeLine(line);
    ScreenCell* row = line_buffer.data();
    if (insert_mode) {
        std::copy_backward(row + column, row + columns - 1, row + columns);
        changed_x2 = columns - 1;
    }
    row[column] = ScreenCell(c, attribute);
    changed_x1 = std::min(changed_x1, column);
    changed_x2 = std::max(changed_x2, column);
    last_char = c;
    column++;
}

void CAnsiTerminalEmulator::GetCLine()
{
    line_buffer.assign(con.Row(line), con.Row(line) + columns);
    line_y = line;
    changed_x1 = columns;
    changed_x2 = -1;
}

void CAnsiTerminalEmulator::WriteCLine()
{
    if (line_y >= 0 && changed_x1 <= changed_x2)
        con.PutRect(changed_x1, line_y, changed_x2 - changed_x1 + 1, 1, line_buffer.data() + changed_x1);
    changed_x1 = columns;
    changed_x2 = -1;
}

void CAnsiTerminalEmulator::ChangeLine(int)
{
    WriteCLine();
    GetCLine();
}

// Before anything but text touches the console: the line buffer goes back,
// and is fetched again by the next text.
void CAnsiTerminalEmulator::Sync()
{
    WriteCLine();
    line_y = -1;
}

void CAnsiTerminalEmulator::NewLine()
{
    // Only a cursor on the region's last line scrolls it; below the region
    // the cursor moves down to the last screen line and stays there.
    if (line == scroll_bottom)
        ScrollUp(1);
    else if (line < lines - 1)
        line++;
}

void CAnsiTerminalEmulator::ScrollUp(int n)
{
    n = std::min(n, scroll_bottom - scroll_top + 1);
    if (n <= 0)
        return;
    Sync();
    // Lines leave the screen only from a region that starts at its top.
    if (!alternate && scroll_top == 0 && ScrollBackCollecting())
        for (int i = 0; i < n; i++)
            AddScrollBackLine(i);
    con.ScrollUp(0, scroll_top, columns, scroll_bottom - scroll_top + 1, n, attribute);
}

void CAnsiTerminalEmulator::ScrollDown(int n)
{
    n = std::clamp(n, 1, scroll_bottom - scroll_top + 1);
    Sync();
    con.ScrollDown(0, scroll_top, columns, scroll_bottom - scroll_top + 1, n, attribute);
}

// ESC M: the cursor goes up a line; at the top of the region the region
// scrolls down instead, which is what programs send it for.
void CAnsiTerminalEmulator::ReverseIndex()
{
    if (line == scroll_top)
        ScrollDown(1);
    else if (line > 0)
        line--;
}

void CAnsiTerminalEmulator::SaveCursor()
{
    saved_column = column;
    saved_line = line;
}

void CAnsiTerminalEmulator::RestoreCursor()
{
    column = std::min(saved_column, columns);
    line = std::min(saved_line, lines - 1);
}

void CAnsiTerminalEmulator::ShowAlternate()
{
    if (alternate)
        return;
    Sync();
    // The window saves the normal screen and clears itself in the current
    // attribute; destroying it puts the normal screen back.
    alternate = std::make_unique<Win>(0, 0, columns - 1, lines - 1, attribute);
    column = line = 0;
}

void CAnsiTerminalEmulator::ShowNormal()
{
    if (!alternate)
        return;
    Sync();
    alternate.reset();
}

void CAnsiTerminalEmulator::Erase(int x, int y, int n)
{
    if (n <= 0)
        return;
    Sync();
    con.FillCell(x, y, n, ScreenCell(L' ', attribute));
}

void CAnsiTerminalEmulator::EraseLines(int y1, int y2)
{
    if (y1 > y2)
        return;
    Sync();
    con.Clear(0, y1, columns, y2 - y1 + 1, attribute);
}

// L and M: from the cursor's line to the region's bottom (below the region,
// to the screen's last line), n lines in or out.
void CAnsiTerminalEmulator::InsertLines(int n, bool insert)
{
    int bottom = line > scroll_bottom ? lines - 1 : scroll_bottom;
    int height = bottom - line + 1;
    if (height <= 0)
        return;
    n = std::min(n, height);
    Sync();
    if (insert)
        con.ScrollDown(0, line, columns, height, n, attribute);
    else
        con.ScrollUp(0, line, columns, height, n, attribute);
}

// @ and P: n blanks in at the cursor, or n cells out, within the line.
void CAnsiTerminalEmulator::InsertChars(int n, bool insert)
{
    int rest = columns - column;
    if (rest <= 0)
        return;
    n = std::min(n, rest);
    if (line_y != line)
        ChangeLine(line);
    ScreenCell* row = line_buffer.data();
    ScreenCell blank(L' ', attribute);
    if (insert) {
        std::copy_backward(row + column, row + columns - n, row + columns);
        std::fill_n(row + column, n, blank);
    } else {
        std::copy(row + column + n, row + columns, row + column);
        std::fill_n(row + columns - n, n, blank);
    }
    changed_x1 = std::min(changed_x1, column);
    changed_x2 = columns - 1;
}

void CAnsiTerminalEmulator::SetColumn(int x)
{
    column = std::clamp(x, 0, columns - 1);
}

void CAnsiTerminalEmulator::SetLine(int y)
{
    line = std::clamp(y, 0, lines - 1);
}

void CAnsiTerminalEmulator::Resized(int c, int l)
{
    (void)Resize(c, l);
}

int CAnsiTerminalEmulator::Resize(int c, int l)
{
    // The cells were reallocated: the line buffer belongs to the old screen.
    line_y = -1;
    changed_x1 = c;
    changed_x2 = -1;
    columns = c;
    lines = l;
    scroll_top = 0;
    scroll_bottom = lines - 1;
    column = std::min(column, columns);
    line = std::min(line, lines - 1);
    saved_column = std::min(saved_column, columns);
    saved_line = std::min(saved_line, lines - 1);
    return pty >= 0 ? set_pty_size(pty, columns, lines) : 0;
}

void CAnsiTerminalEmulator::Key(int code)
{
    if (code == (KEY_INS | KEY_SHIFT_FLAG)) {
        paste_requested = true;
    } else {
        std::string bytes;
        if (!terminal_key_bytes(code, application_cursor, bytes))
            return;
        if (keys.Put(bytes.data(), bytes.size()) == ENOBUFS)
            con.Beep();  // the child reads nothing: the key is lost
        if (!keys.Pending())
            return;
    }
    if (wake_fd >= 0) {
        uint64_t one = 1;
        (void)!write(wake_fd, &one, sizeof one);
    }
}

int CAnsiTerminalEmulator::FlushInput()
{
    if (wake_fd >= 0) {
        uint64_t count;
        (void)!read(wake_fd, &count, sizeof count);
    }
    if (paste_requested.exchange(false)) {
        Westring text;
        (void)con.GetClipText(text);
        std::string utf8;
        for (int i = 0; i < text.strlen(); i++)
            append_utf8(utf8, static_cast<unsigned>(text[i]));
        int rc = keys.Put(utf8.data(), utf8.size());
        if (rc == ENOBUFS)
            con.Beep();
        else if (rc != 0)
            return rc;
    }
    return keys.Flush();
}
