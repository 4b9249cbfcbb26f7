#ifndef PANNEX_CONSOLE_CONSOLE_H
#define PANNEX_CONSOLE_CONSOLE_H

#include "console/cell_string.h"
#include "console/console_display.h"
#include "console/screen_cell.h"
#include "foundation/estring.h"
#include "foundation/westring.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

class CConsole;

// The terminal emulator attached between SetPty and EndPty; the terminal
// subsystem implements it.
class CConsoleTerminal
{
public:
    virtual ~CConsoleTerminal() = default;
    // A key code typed while a child runs. Called on the toolkit thread,
    // with the console's terminal mutex held (EndPty waits for it).
    virtual void Key(int code) = 0;
    // Bytes for the screen, what CConsole::Write was given; a NUL is a byte
    // like any other. Logic thread.
    virtual void WriteOutput(const char* data, size_t length) = 0;
    // The console was resized to columns x lines (its cells are blank).
    // Logic thread.
    virtual void Resized(int /*columns*/, int /*lines*/) {}
    // For the loop that reads the child's output (logic thread): a
    // descriptor that becomes readable when keys wait to be written (-1:
    // none), whether any wait, and writing them to the child (0 or an
    // errno).
    virtual int InputWakeFd() const { return -1; }
    virtual bool InputPending() const { return false; }
    [[nodiscard]] virtual int FlushInput() { return 0; }
};

// Makes the emulator for SetPty on a pseudo-terminal master; the console
// owns the result. Installed by the terminal subsystem; while it is null,
// SetPty attaches nothing.
using TerminalFactory = CConsoleTerminal* (*)(CConsole& console, int master_fd);
extern TerminalFactory terminal_factory;

// Called by Write just before screen line `line` scrolls off the top, while
// the console still shows it; installed by the scroll-back (which copies
// the line when the ConsoleScrollback setting is on). May be null.
using ScrollBackSink = void (*)(int line);
extern ScrollBackSink scroll_back_sink;

// Process-wide stop flag of long operations: 0 idle, 1 a break is accepted,
// 2 the user asked for one (the Break key, or Escape seen by the operation).
extern std::atomic<int> break_status;

// The cp437 pictures that stand for the characters 1-31 on the screen.
extern const wchar_t ctrlmap[32];
// The character the screen shows for a cell's code point: 0 is a blank,
// 1-31 their pictures, 127-159 U+2302, and a file-name byte that is not
// UTF-8 (or anything that is no character) the replacement glyph U+FFFD.
wchar_t painted_char(wchar_t c);

// The screen: a grid of cells the program draws into, with a cursor, an
// event queue of input, mouse selection and the clipboard. Runs without a
// window; a CConsoleDisplay attached with SetDisplay paints it. The single
// instance is the global `console`.
//
// Coordinates are 0-based cells. Cell contents are written by the logic
// thread; the painter reads them under the display lock. Output outside the
// screen is clipped.
class CConsole
{
public:
    // Inclusive ends.
    struct Rect
    {
        int x1, y1, x2, y2;
        bool Includes(int x, int y) const { return x1 <= x && x <= x2 && y1 <= y && y <= y2; }
    };

    enum EType {
        EvKey = 0,
        EvButtonPress = 1,
        EvButtonRelease = 2,
        EvMotion = 3,        // with a button held
        EvDoubleClick = 4,
        EvWheel = 5,
    };

    struct TEvent
    {
        EType type;
        // Key: the key code. Mouse: 1 left, 2 right, 3 other button; motion:
        // 1 left held, 2 right held, 0 neither. Wheel: +1 up, -1 down.
        int key;
        // GDK modifier bits: keys carry the full state after the key (0 for
        // text from the input method), mouse events only Shift, Control, Alt.
        unsigned state;
        // Hardware key code of a key press; 0 for text and mouse events.
        int keycode;
        int x, y;
    };

    // Input events in arrival order: several producers (the toolkit thread,
    // tests), one consumer (the logic thread). Unbounded.
    class CEventQueue
    {
    public:
        void Put(const TEvent& ev);
        // The oldest event. timeout_ms < 0 waits without limit, 0 does not
        // wait; false when nothing came in time.
        bool Get(TEvent& ev, int timeout_ms);
        int Length() const;
        void Clear();
        // For windowless tests: once the queue is empty, every wait
        // (timeout_ms != 0) returns a key event with this code at once
        // instead of blocking; polls still find nothing. After 1000 such
        // returns the process aborts, so a screen that ignores the fallback
        // fails its test instead of hanging it. 0 switches it off. With an
        // alternate, the two codes take turns (F10 and Esc leave most
        // screens between them).
        void SetFallbackKey(int code, int alternate = 0);

    private:
        mutable std::mutex mutex;
        std::condition_variable added;
        std::deque<TEvent> events;
        int fallback = 0;
        int alternateFallback = 0;
        int fallbacks_used = 0;
    };

    CConsole();
    ~CConsole();
    CConsole(const CConsole&) = delete;
    CConsole& operator=(const CConsole&) = delete;

    // Attaches the window that paints the screen, or detaches it (null).
    // Not owned. The whole screen is repainted on attaching.
    void SetDisplay(CConsoleDisplay* d);

    void GetSize(int& columns, int& lines) const;
    int Columns() const { return columns; }
    int Lines() const { return lines; }
    // Resizes to columns x lines; an empty family or a size of 0 keeps the
    // font. The screen is cleared to blanks in 0x07.
    void SetSize(int columns, int lines, const Estring& family, int size);
    const Estring& FontFamily() const { return font_family; }
    int FontSize() const { return font_size; }
    // The code page of 8-bit text given to PutStringAt and SetTitle; 0 keeps it.
    void SetCodePage(int cp);

    // Percent of the cell height drawn as cursor, bottom-aligned; 0 hides it.
    void SetCursorType(int percent);
    int GetCursorType() const { return cursor_type; }
    void GetCursorPos(int& x, int& y) const;
    void SetCursorPos(int x, int y);

    // Writes from (x, y) towards the right edge. 1-31 become their ctrlmap
    // pictures and 127-159 U+2302; only cells that differ are written, and
    // the changed span is painted once.
    void PutStringAt(int x, int y, const char* s, unsigned char attr);
    void PutStringAt(int x, int y, const wchar_t* s, unsigned char attr);
    // Cells with their own attributes, up to the 0 cell.
    void PutStringAt(int x, int y, const ScreenCell* cells);
    // n copies of c (only 1-31 are mapped).
    void FillCell(int x, int y, int n, const ScreenCell& c);
    void FillAttr(int x, int y, int n, unsigned char attr);
    const ScreenCell& Cell(int x, int y) const;
    // The `columns` cells of line y (0 <= y < lines). Lines are not
    // contiguous with each other: scrolling moves whole lines by reordering
    // them rather than copying their cells.
    const ScreenCell* Row(int y) const;
    // w x h cells row after row; cells off the screen read as blanks in 0x07.
    std::unique_ptr<ScreenCell[]> GetRect(int x, int y, int w, int h) const;
    void GetRect(CellString& out, int x, int y, int w, int h) const;
    void PutRect(int x, int y, int w, int h, const ScreenCell* rect);
    void Clear(int x, int y, int w, int h, unsigned char attr);
    // Move the rectangle's content n lines up or down; the freed lines
    // become blanks in attr. The pixels are moved rather than repainted:
    // at once, or between BeginPaint and EndPaint once at EndPaint for all
    // the scrolls of one rectangle together (the display stays locked from
    // the first such scroll until then, so nothing paints in between).
    void ScrollUp(int x, int y, int w, int h, int n, unsigned char attr);
    void ScrollDown(int x, int y, int w, int h, int n, unsigned char attr);

    // Teletype output at the cursor: TAB to the next multiple of 8, CR, BS,
    // LF (to column 0 of the next line), wrapping at the right edge and
    // scrolling at the bottom, in the default attribute. With a terminal
    // emulator attached the text goes to it instead.
    void Write(const char* utf8);
    // length bytes, NULs included: the output of a child for its terminal
    // emulator. Without one, NULs are skipped.
    void Write(const char* data, size_t length);
    // The default attribute of Write and of the terminal's output.
    void SetAttr(unsigned char attr) { default_attr = attr; }
    unsigned char GetAttr() const { return default_attr; }

    void SetTitle(const wchar_t* title);
    // 8-bit text in the console's code page.
    void SetTitle(const char* title);
    const Westring& GetTitle() const { return title; }
    // The window's icons from image files; a file that cannot be loaded is
    // skipped. FIXME: take the WestringStore of the collections once they exist.
    void SetIcon(const Westring& file);
    void SetIcons(std::span<const Westring> files);

    // The oldest event; timeout_ms as CEventQueue::Get. Before blocking, and
    // when PX_SCREEN_DUMP was set, writes the screen snapshot if the screen
    // changed since the last one.
    bool GetEvent(TEvent& ev, int timeout_ms);
    // For in-process tests: called on the logic thread each time GetEvent
    // is about to wait (timeout_ms != 0) on an empty queue, before the
    // snapshot is written; it may queue events or inspect the screen.
    std::function<void()> idle_hook;
    int GetEventQueueLen() const { return queue.Length(); }
    CEventQueue& Queue() { return queue; }

    // The CLIPBOARD selection. The 8-bit form takes UTF-8. The NoLock form
    // is for callers that hold the toolkit lock; as that lock is recursive
    // it is the same operation.
    void PutClipText(const char* utf8);
    void PutClipText(const wchar_t* text);
    void PutClipTextNoLock(const wchar_t* text);
    // Empty when the clipboard holds no text; always true.
    bool GetClipText(Westring& out);
    void Beep();
    // Waits until the window has drawn everything painted so far.
    void SyncDisplay();

    // Attaches a new terminal emulator on this pseudo-terminal master (made
    // by terminal_factory), replacing any other; EndPty deletes it.
    void SetPty(int master_fd);
    void EndPty();
    bool HasTerminal() const;
    // The attached emulator, or null. Logic thread: only it replaces one.
    CConsoleTerminal* Terminal() const { return terminal.get(); }

    // Bracket many writes so that they are painted once, as the smallest
    // rectangle holding every change. Nest; an unmatched EndPaint does
    // nothing.
    void BeginPaint();
    void EndPaint();
    // Paint now, or add to the rectangle EndPaint paints.
    void UpdateCells(int x, int y, int w, int h);
    void PaintCells(const Rect& r);

    // Where a mouse drag selects text instead of reaching the program.
    // Setting the zone cancels an active selection; the reset zone is the
    // single cell (0, 0).
    void SetSelectionZone(const Rect& r);
    void SetSelectionZone(int x, int y, int w, int h);
    void GetSelectionZone(Rect& r) const;
    void ResetSelectionZone();
    // The current mouse selection, for the painter (shown with foreground
    // and background swapped); false when none.
    bool GetSelection(Rect& r) const;
    // The text a selection copies: trailing blanks removed, and when it
    // spans several lines each line ended by "\n".
    Westring SelectionText(const Rect& r) const;

    // The Break key: a break that is accepted (break_status 1) is requested.
    void BreakHandler();

    // Input, from the toolkit thread with its lock held, or from tests.
    // Coordinates are cells.
    void InputKey(int code, unsigned state, int keycode);
    // Text the input method committed: one key event per character.
    void InputText(const char* utf8);
    // type EvButtonPress, EvDoubleClick or EvButtonRelease; button as the
    // toolkit numbers it (1 left, 2 middle, 3 right).
    void InputButton(EType type, int button, int x, int y, unsigned state);
    // held: 1 left button, 2 right button, 0 another.
    void InputMotion(int held, int x, int y, unsigned state);
    // direction: +1 up, -1 down.
    void InputWheel(int direction, int x, int y, unsigned state);
    // The window's close button: the program sees F10.
    void InputClose();

    // Cursor blinking, for the painter and the flash thread: the cursor
    // shows during the first five of ten 100 ms ticks. FlashTick advances
    // one tick and tells whether the cursor cell needs repainting.
    bool CursorShown() const { return cursor_type > 0 && flash < 5 && !cursor_suppressed; }
    bool FlashTick();

    // The screen snapshot: written to path (renamed from path + ".tmp")
    // when the logic thread is about to wait for input and the cells, the
    // cursor or the title changed since the last one. Null switches it off.
    // The constructor takes the path from PX_SCREEN_DUMP.
    void SetScreenDump(const char* path);
    // The snapshot text: "PXSCREEN seq columns lines x y cursor_type",
    // "TITLE title", the rows as painted, then the attributes of each row
    // as two hex digits per cell; UTF-8, LF line ends.
    std::string ScreenDumpText(int seq) const;
    // 0, or the errno of the failed write.
    [[nodiscard]] int WriteScreenDump();
    // Writes the snapshot when one is asked for and the screen changed
    // since the last; for loops that wait for something other than input.
    void DumpScreenIfChanged();

private:
    template <class CellAt>
    void write_span(int x, int y, int n, CellAt cell_at);
    ScreenCell* row_cells(int y) { return &cells[static_cast<size_t>(row_map[y]) * columns]; }
    void write_text(const Westring& text);
    void defer_move(int x0, int y0, int x1, int y1, int dy);
    void allocate_screen();
    void move_cursor(int x, int y);
    void store_line(const std::vector<ScreenCell>& line, int y);
    void scroll(int x, int y, int w, int h, int n, unsigned char attr, bool up);
    void set_selection(bool active, const Rect& r);
    void queue_mouse(EType type, int key, int x, int y, unsigned state);

    CConsoleDisplay* display;
    Estring font_family;
    int columns = 80;
    int lines = 25;
    int font_size = 12;
    int code_page = 850;
    int cursor_type = 0;
    int cursor_x = 0;
    int cursor_y = 0;
    // Set while a scroll moves the pixels, so that the cursor is not moved
    // with them.
    bool cursor_suppressed = false;
    unsigned char default_attr = 0x07;
    std::atomic<int> flash{0};
    CEventQueue queue;
    // Line y of the screen is physical row row_map[y] of cells.
    std::vector<ScreenCell> cells;
    std::vector<int> row_map;
    Westring title;

    // Only the logic thread changes the terminal pointer; the mutex guards
    // its use on the toolkit thread (keys, mouse) against that.
    mutable std::mutex terminal_mutex;
    std::unique_ptr<CConsoleTerminal> terminal;

    int paint_nesting = 0;
    int dirty_x1 = -1, dirty_y1 = 0, dirty_x2 = 0, dirty_y2 = 0;  // exclusive ends; x1 < 0: empty
    // Scrolls waiting for EndPaint to move the pixels: the rectangle
    // (exclusive ends) and the lines its content moved (negative: up).
    // The dirty rectangle follows the content, so that EndPaint repaints
    // only what the moved pixels do not show.
    bool move_locked = false;     // display->Lock() held until EndPaint
    bool move_valid = false;
    bool move_cancelled = false;  // another rectangle scrolled: repaint instead
    int move_x0 = 0, move_y0 = 0, move_x1 = 0, move_y1 = 0, move_dy = 0;

    Rect selection_zone = {0, 0, 0, 0};
    bool selection_active = false;
    bool selection_dragging = false;
    Rect selection = {0, 0, 0, 0};
    int anchor_x = 0, anchor_y = 0;

    // Counts changes of cells, cursor and title, for the snapshot.
    uint64_t revision = 1;
    uint64_t dumped_revision = 0;
    int dump_seq = 0;
    Estring dump_path;
};

extern CConsole console;

#endif
