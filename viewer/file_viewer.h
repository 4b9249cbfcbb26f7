#ifndef PANNEX_VIEWER_FILE_VIEWER_H
#define PANNEX_VIEWER_FILE_VIEWER_H

#include "console/cell_string.h"
#include "console/keyboard.h"
#include "foundation/westring.h"
#include "text/syntax_highlighter.h"
#include "text/syntax_state_store.h"
#include "text/text_file.h"
#include "textui/win.h"
#include "viewer/follow_watch.h"
#include "viewer/line_starts.h"

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

// The internal viewer: one file full-screen and read-only, as text (in its
// detected or a chosen encoding, coloured, wrapped or scrolled sideways)
// or as a hex dump, paged through without loading it: lines are found
// from the bytes around the page (CLineStarts), and only the page is
// decoded. One object serves a whole run of files (view_panel_files steps
// from file to file); the screen it covers comes back when it is
// destroyed. Logic thread.
class CFileViewer : public CTextFile
{
public:
    CFileViewer();
    ~CFileViewer() override;

    // Shows name (made absolute) from pos: a byte offset whose line starts
    // the page and whose text is marked as a match, or -1 for where the
    // file was left last (its record in fileStatusStore) or its start.
    // Returns the key that ended it: KEY_ESC, or KEY_ALT_UP / KEY_ALT_DOWN
    // when the caller has a file that way (HasNeighbour).
    int View(const wchar_t* name, long long pos);

    // Asked on Alt+Up (-1) and Alt+Down (+1): true when the caller has a
    // file to show that way, so View returns the key; otherwise View says
    // "No more files" and stays. Unset: there is never one.
    std::function<bool(int direction)> HasNeighbour;
    // Shows "No more files" over the next page, as long as no key comes
    // within 500 ms (view_panel_files, back on the same file).
    void NoMoreFiles() { noticePending = true; }
    // Hides the window (while an archive member is extracted) or shows it.
    void Hide(bool hide);

private:
    // Opening and leaving.
    [[nodiscard]] int open_file(const Westring& name);
    void take_memory(long long& pos, long long& line);
    void store_memory();
    void leave();
    int run();
    int key_command(int key, _MEVENT& m);
    bool mouse(_MEVENT& m, int& key);
    void mouse_step(int action, bool big);

    // Paging (viewer_page.cpp).
    // The piece at pos decoded into line (NULs replaced as shown); false at
    // the end of the data. cellLimit > 0 allows stopping once that many
    // cells are known (unwrapped, uncoloured).
    bool read_piece(long long pos, long long& next, long long cellLimit = 0);
    // Cells the piece at pos takes (tabs expanded).
    long long piece_cells(long long pos);
    // The cell column of the character at offset at within the piece that
    // starts at pos, and the column behind chars characters from there.
    void cell_span(long long pos, long long at, int chars, long long& from, long long& to);
    long long piece_start(long long pos);
    // Cells of the line at the top (cached for the offset it was taken at).
    long long top_cells();
    void down_row();
    bool up_row();
    void page_down();
    void page_up();
    void go_home();
    void go_end(bool always);
    // The size as fstat tells it (probed when the file claims more than it
    // holds, read through when it claims nothing); true when it changed.
    bool refresh_size();
    long long unit_size() const;
    void align_top();

    // Display (viewer_display.cpp).
    void showpage();
    void show_text();
    void show_hex();
    void heading();
    void key_bar();
    void paint_match();
    int text_rows() const { return screenLines - 2; }

    // Searching (viewer_search.cpp): with the dialog (the direction its
    // key presets), or again without it in the direction given.
    void search(bool dialog, bool backward);
    // The match found at at (its end at end) brought into view.
    void show_match(long long at, long long end, int chars);

    // Commands with dialogs (viewer_dialogs.cpp).
    void goto_line();
    void goto_offset();
    void select_format();
    void code_page_list();
    void next_code_page();
    void start_follow();
    void end_follow();
    void follow_tick();
    void format_changed();

    Westring fileName;
    std::unique_ptr<Win> win;
    std::unique_ptr<Win> followBox;
    std::unique_ptr<Win> notice;
    bool noticePending = false;
    std::chrono::steady_clock::time_point noticeUntil;
    int screenColumns = 80, screenLines = 25;

    SyntaxHighlighter hl;
    CSyntaxStateStore states;
    CLineStarts lines;
    CFollowWatch watch;
    bool follow = false;

    // The decoded piece read_piece gives, and its cells.
    std::vector<wchar_t> line;
    CellString cells;
    // top_cells' cache: the offset counted (-1: none) and its count.
    long long countedTop = -1;
    long long countedCells = 0;

    long long top = 0;
    // Cells of the top line above the page (wrapped: a multiple of the
    // width).
    long long wrapOffset = 0;
    // The bottom line's start (-1 when the page reaches past the end), the
    // offset behind it, the cells of it the page shows and all its cells.
    long long bottomStart = -1;
    long long bottomEnd = 0;
    long long bottomShown = 0;
    long long bottomCells = 0;
    long long fileSize = 0;
    // The match shown: its offset (-1 none), the offset behind it, and how
    // many characters it takes.
    long long searchPos = -1;
    long long searchEnd = -1;
    int matchChars = 0;
    int hscroll = 0;
    bool hex = false;
    int emptyLines = 0;
    // A change waiting to be shown.
    bool redraw = true;
    // The key bar label under the last mouse press (0: none).
    int barPress = 0;
};

#endif
