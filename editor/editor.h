#ifndef PANNEX_EDITOR_EDITOR_H
#define PANNEX_EDITOR_EDITOR_H

#include "console/cell_string.h"
#include "console/keyboard.h"
#include "editor/edit_text.h"
#include "editor/file_status_store.h"
#include "editor/undo_stack.h"
#include "foundation/object_store.h"
#include "foundation/westring.h"
#include "text/syntax_highlighter.h"
#include "text/text_file.h"
#include "textui/win.h"

#include <memory>
#include <string>

// A place in the text: line and character index.
struct EPOS
{
    int line = 0;
    int index = 0;
    auto operator<=>(const EPOS&) const = default;
};

// The marked stream of text: from the start up to, not including, the
// end. The anchor is where marking began; the cursor is the other end.
struct SELECTION
{
    int startLine = 0, startIndex = 0;
    int endLine = 0, endIndex = 0;
    bool active = false;
    // Alt+S: movement keys extend the selection without Shift.
    bool extending = false;
    EPOS anchor;
};

// The program-wide line clipboard of the editor.
using WestringStore = TObjectStore<Westring>;
extern WestringStore clip;
// Replaces store by text split at LF (a CR before one is dropped); always
// at least one line.
void TextToClip(const std::wstring& text, WestringStore& store);
// The lines of store joined with LF.
std::wstring ClipToText(const WestringStore& store);

// The built-in editor: one file held in memory as lines (CEditText), the
// line under the cursor decoded in the edit buffer, undo and redo, ten
// bookmarks, stream selections, search and replace and syntax colours. The
// work is split by job: editor_text.cpp (changing the text, undo),
// editor_display.cpp (the page and the status line), editor_keys.cpp (keys
// and mouse), editor_clip.cpp, editor_files.cpp (loading, saving,
// leaving) and editor_search.cpp. Logic thread.
class PXEditor
{
public:
    PXEditor();
    ~PXEditor();
    PXEditor(const PXEditor&) = delete;
    PXEditor& operator=(const PXEditor&) = delete;

    // The whole editing run on name: pos a byte offset for the cursor (-1:
    // where the file was left), length characters selected from there.
    // 0 when the run took place, else the reason it did not (the user has
    // seen it).
    int edit(const wchar_t* name, long long pos, int length);

    // What the run's keys do, for the run and for tests: 0 to go on, or
    // KEY_ESC when the editor is to be left (with nothing unsaved).
    int Key(int key, _MEVENT* m = nullptr);
    // Replaces the text by lines joined with LF (tests and new files); the
    // history is cleared.
    void SetText(const std::wstring& joined);
    // The text joined with LF.
    std::wstring Text();
    void MoveToPos(int index, int line);
    EPOS Cursor() const { return {curLine, curIndex}; }
    const SELECTION& Selection() const { return sel; }
    void Select(EPOS from, EPOS to);
    bool Modified() const { return modified; }
    int LineCount() const { return text.Count(); }
    TLineEnd LineEnd(int line) const { return text.End(line); }
    TUndoStack& UndoStack() { return undo; }
    TUndoStack& RedoStack() { return redo; }
    EPOS Bookmark(int n) const { return bookmarks[n]; }
    void SetBookmark(int n) { bookmarks[n] = {curLine, curIndex}; }
    // Display columns of line up to index (tabs expanded) and the index
    // for a column, the column moved back to the start of a tab inside.
    int calc_col(int line, int index);
    int calc_pos(int line, int& column);

    // Changes (editor_text.cpp), each one undo step.
    void BreakLine(bool indent);
    void DeleteChar(bool backwards);
    void InsertChar(wchar_t c);
    void DuplicateLine();
    void DeleteLine();
    void IndentLine(int line, int delta);
    void IndentBlock(int delta);
    // The indentation column of the nearest line at or above line that is
    // not blank.
    int CalcIndentPos(int line);
    // Moves to the bracket matching the one under the cursor.
    void MatchBracket();
    void MarkWord();
    void DeleteWordLeft();
    void DeleteWordRight();
    void CopyCharAbove();
    void DeleteSelection();
    // Undo (undo true) or redo; -1 when there was nothing to do, 1 when the
    // cursor only moved to the change, 0 when undone.
    int UndoRedo(bool undoing);
    int Undo(UndoItem& item, UndoItem& inverse);
    void StoreUndoItem(UndoItem& item);
    // Replaces from a up to b by ins (LF separates lines), records it
    // and puts the cursor at `cursor` (null: behind the inserted text).
    // 0, or ENOMEM with the text as it was.
    int change(EPOS a, EPOS b, const std::wstring& ins, const EPOS* cursor = nullptr);

    // Clipboard (editor_clip.cpp).
    void clipcopy(bool append);
    void clipcut();
    void clippaste();

    // Files (editor_files.cpp).
    [[nodiscard]] bool LoadFile(CTextFile& file, bool keepFormat, long long pos, int length);
    bool ReloadFile();
    void RecodeFile(int fromCP, int toCP);
    [[nodiscard]] int save_text(const wchar_t* name);
    bool SaveAs(Westring& name);
    void store_hist(const wchar_t* name);
    // The exit question: true when the run may end.
    bool leave();

    // Search (editor_search.cpp).
    bool findstr(int& line, int& index, bool replace, bool dialog, bool again);
    // Searches word from the cursor without asking; the match's start.
    bool find_next(const std::wstring& what, bool backward, EPOS& at);
    // Replaces every match of word by rep from the start of the text as
    // one undo step; the number replaced.
    int ReplaceAll(const std::wstring& rep);

    // Settings of the file as it is saved.
    EFileFormat format = FormatUTF8;
    int codePage = 0;
    bool hasBOM = false;
    // The line end new lines get.
    TLineEnd newLineEnd = LineEndLF;
    // The line count the invalid-encoding warning counted.
    long long invalidLines = 0;

private:
    // The edit buffer (editor_text.cpp).
    std::wstring& cur();
    void line_text(int line, std::wstring& out);
    const std::wstring& line_ref(int line);
    int line_length(int line);
    void load_line(int line);
    [[nodiscard]] int flush();
    int replace_range(EPOS a, EPOS b, const std::wstring& ins, std::wstring* removed, EPOS& insEnd);
    // The same with the inserted and removed text in the stored encoding.
    int replace_bytes(EPOS a, EPOS b, const std::string& ins, std::string* removed, EPOS& insEnd);
    void adjust_bookmarks(EPOS a, EPOS removedEnd, EPOS insEnd);
    void clamp_cursor();
    void touched(int line);

    // Movement (editor_keys.cpp).
    bool movement(int key);
    void word_left();
    void word_right();
    void page(int dir);
    void goto_line();
    bool mouse(_MEVENT& m, int& key);
    void bookmark_key(int key, unsigned state);

    // Display (editor_display.cpp).
    void show();
    void status_line();
    void key_bar();
    void keep_visible();
    void reestablish_syntax_state();
    // Copying a selection's text.
    std::wstring selected_text();

    // Files (editor_files.cpp).
    int open_file(const Westring& name, CTextFile& file);
    void record_stat();
    bool changed_on_disk();
    void select_format();
    void next_code_page(bool edit_list);
    int check_encodable();
    // The bytes the text takes in its format (for reserving room).
    long long encoded_length(bool substitute);
    void write_hist(HISTREC& rec);
    void take_hist(HISTREC& rec);

    Westring fileName;
    CEditText text;
    std::wstring buf;
    int bufLine = -1;
    bool bufDirty = false;
    std::wstring scratch;

    int top = 0;
    int curLine = 0;
    int curIndex = 0;
    int scroll = 0;
    SELECTION sel;

    bool newFile = false;
    bool readOnly = false;
    bool modified = false;
    bool redraw = true;
    bool literal = false;
    bool colouring = true;

    // The file as loaded or last saved.
    long long diskMtime = 0;
    long long diskSize = -1;
    unsigned long long diskInode = 0;
    unsigned long long diskDevice = 0;

    TUndoStack undo;
    TUndoStack redo;
    EPOS bookmarks[10];

    SyntaxHighlighter hl;
    // The state at the top line, kept while the top line and the text
    // above it are unchanged (aboveChanges counts changes above it).
    SyntaxHighlighterState topState;
    int stateTop = -1;
    unsigned long long stateChanges = 0;
    unsigned long long aboveChanges = 0;

    std::unique_ptr<Win> win;
    int columns = 80, screenLines = 25;
    int H() const { return screenLines - 2; }
    int W() const { return columns; }
    CellString cells;
    // The key bar label under the last mouse press (0: none).
    int barPress = 0;
    bool dragging = false;

public:
    // Is the file (0 when new) as loaded, for the run's history record.
    long long LoadedSize() const { return diskSize; }
};

// Help for the editor, set by the commands above (topic numbers of the
// help file).
extern void (*editor_help_hook)(int topic);

#endif
