#ifndef PANNEX_COMMAND_ANSI_TERMINAL_H
#define PANNEX_COMMAND_ANSI_TERMINAL_H

#include "command/pty_write_queue.h"
#include "console/console.h"
#include "textui/win.h"

#include <atomic>
#include <cstddef>
#include <memory>
#include <vector>

// The terminal a child sees while it runs on a pseudo-terminal: its output
// is interpreted as the VT100/xterm subset below, directly on the console's
// cells (there is no screen of its own), and typed keys go to the child as
// the bytes an xterm would send.
//
// Output: printable text (UTF-8, or the DEC Special Graphics set while G0
// holds it), BEL, BS, TAB, LF, CR; ESC ( 0/B, ESC 7/8, ESC =/>, ESC M,
// OSC (skipped to BEL or ESC \), CSI with the finals @ A-D G H f J K L M P
// S T X b d h l m r and the private modes 1, 12, 25, 47, 1047, 1048, 1049.
// Anything else is consumed and ignored.
//
// Output arrives in arbitrary chunks. The parser is a state machine that
// carries an unfinished sequence or UTF-8 character over to the next chunk,
// so a chunk may end anywhere; what it holds of an unfinished sequence
// never exceeds MaxPending bytes (a longer sequence is dropped whole).
//
// Threads: WriteOutput, Resized, FlushInput and the destructor run on the
// logic thread; Key on the toolkit thread, where it never blocks.
class CAnsiTerminalEmulator : public CConsoleTerminal
{
public:
    // Bytes of an unfinished sequence kept for the next chunk; beyond this
    // the sequence is dropped, and the rest of it skipped when it comes.
    static constexpr size_t MaxPending = 4096;
    // CSI parameters kept; later ones are consumed and dropped.
    static constexpr int MaxParams = 16;
    // Every parameter is capped here before it counts or indexes anything.
    static constexpr int MaxParam = 65535;

    // pty: the master the keys go to, or -1 (tests). Takes the console's
    // size, cursor and default attribute (the "Command Line" colour). The
    // alternate screen is a Win, which draws on the global console: con is
    // that console.
    CAnsiTerminalEmulator(CConsole& con, int pty);
    // Leaves the alternate screen when it is still shown, so that the
    // screen from before the child comes back.
    ~CAnsiTerminalEmulator() override;
    CAnsiTerminalEmulator(const CAnsiTerminalEmulator&) = delete;
    CAnsiTerminalEmulator& operator=(const CAnsiTerminalEmulator&) = delete;

    // Interprets a chunk of the child's output; a NUL is a control byte
    // like the others. Painted once, at the end, with the cursor.
    void WriteOutput(const char* data, size_t length) override;
    // Sends a key code to the child (terminal_key_bytes); Shift+Insert
    // sends the clipboard, fetched by FlushInput on the logic thread, as
    // the clipboard cannot be read on the toolkit thread.
    void Key(int code) override;
    // The console now has columns x lines: the emulator follows, and the
    // child is told (Resize).
    void Resized(int columns, int lines) override;
    // Takes the new size: the scroll region becomes the whole screen, the
    // cursor stays on it, and with a master attached TIOCSWINSZ is set, so
    // the child gets SIGWINCH. 0, or the errno of the ioctl.
    [[nodiscard]] int Resize(int columns, int lines);

    // For the run loop: writes queued keys and a requested paste. Call it
    // when InputWakeFd is readable or the master is writable while
    // InputPending, outside BeginPaint/EndPaint (the clipboard is read
    // here). 0, or the errno of a failed write.
    [[nodiscard]] int FlushInput() override;
    bool InputPending() const override { return keys.Pending() || paste_requested; }
    // Readable (an eventfd) when Key left something for FlushInput; -1
    // when none could be made.
    int InputWakeFd() const override { return wake_fd; }
    CPtyWriteQueue& InputQueue() { return keys; }

    // State, for the run loop and tests. The column may equal the width:
    // a line just filled, whose wrap waits for the next character.
    int CursorColumn() const { return column; }
    int CursorLine() const { return line; }
    int ScrollTop() const { return scroll_top; }
    int ScrollBottom() const { return scroll_bottom; }
    int CursorType() const { return cursor_type; }
    unsigned char Attribute() const { return attribute; }
    bool AlternateScreen() const { return alternate != nullptr; }
    bool ApplicationCursorKeys() const { return application_cursor; }
    // Bytes of an unfinished sequence or character held for the next chunk.
    size_t PendingLength() const { return pending + utf8_have; }

private:
    enum EState {
        Ground,
        Escape,      // after ESC
        Charset,     // after ESC (
        Csi,         // after ESC [, up to the final byte
        Osc,         // after ESC ], up to BEL or ESC backslash
        OscEscape,   // ESC inside an OSC: a backslash ends it
    };

    void Byte(unsigned char b);
    void Control(unsigned char b);
    void EscapeFinal(unsigned char b);
    void CsiByte(unsigned char b);
    void CsiDispatch(unsigned char final);
    void SelectGraphicRendition();
    void PrivateMode(bool set);
    int Param(int i) const { return i < nparams ? params[i] : 0; }

    // Text: a decoded character at the cursor.
    void Utf8Byte(unsigned char b);
    void FlushUtf8();
    void WriteChar(wchar_t c);

    // The line buffer: the cells of the cursor's line while text is written
    // to it, stored back (changed cells only) before anything else touches
    // the console.
    void GetCLine();
    void WriteCLine();
    void ChangeLine(int y);

    void NewLine();
    void ScrollUp(int n);
    void ScrollDown(int n);
    void ReverseIndex();
    void SaveCursor();
    void RestoreCursor();
    void ShowAlternate();
    void ShowNormal();
    void Erase(int x, int y, int n);
    void EraseLines(int y1, int y2);
    void Sync();
    void InsertLines(int n, bool insert);
    void InsertChars(int n, bool insert);
    void SetColumn(int x);
    void SetLine(int y);
    void ComposeAttribute();

    CConsole& con;
    int pty;
    CPtyWriteQueue keys;
    int wake_fd = -1;
    std::atomic<bool> paste_requested{false};

    EState state = Ground;
    // Bytes of the sequence in progress, counted against MaxPending.
    size_t pending = 0;
    int params[MaxParams];
    int nparams = 0;
    char prefix = 0;            // '?', '>' or another private marker
    // A byte 0x20-0x2F came before the final, or the sequence grew past
    // MaxPending: the CSI is consumed without effect.
    bool ignore = false;

    // A UTF-8 character whose bytes have not all arrived.
    unsigned char utf8_bytes[4];
    int utf8_have = 0;
    int utf8_need = 0;

    std::vector<ScreenCell> line_buffer;
    int line_y = -1;            // the line in line_buffer, -1 none
    int changed_x1 = 0, changed_x2 = -1;  // cells to store back, inclusive

    int column = 0;
    int line = 0;
    int saved_column = 0;
    int saved_line = 0;
    int columns;
    int lines;
    unsigned char default_attribute;
    int foreground;
    int background;
    bool reverse = false;
    bool bold = false;
    bool underline = false;
    unsigned char attribute;
    bool insert_mode = false;
    std::atomic<bool> application_cursor{false};
    bool application_keypad = false;
    int cursor_type = 15;
    std::unique_ptr<Win> alternate;
    int scroll_top = 0;
    int scroll_bottom;
    bool graphics = false;
    wchar_t last_char = 0;
};

// Makes the console attach a CAnsiTerminalEmulator in SetPty.
void install_terminal_emulator();

// Sets the window size of the pseudo-terminal fd: 0, or the errno of the
// ioctl.
[[nodiscard]] int set_pty_size(int fd, int columns, int lines);

#endif
