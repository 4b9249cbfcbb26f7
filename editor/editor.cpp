#include "editor/editor.h"

#include "config/config.h"
#include "config/px_filename.h"
#include "console/colours.h"
#include "console/console.h"
#include "console/key_codes.h"
#include "fileops/path_grammar.h"
#include "foundation/os_error.h"
#include "textui/message_box.h"
#include "textui/textui_settings.h"

#include <cerrno>

PXEditor::PXEditor()
{
    for (EPOS& b : bookmarks)
        b = {-1, 0};
    (void)text.Insert(0, L"", 0, LineEndNone);
    columns = console.Columns();
    screenLines = console.Lines();
}

PXEditor::~PXEditor()
{
    win.reset();
}

void PXEditor::SetText(const std::wstring& joined)
{
    text.Clear();
    bufLine = -1;
    bufDirty = false;
    size_t from = 0;
    for (;;) {
        size_t lf = joined.find(L'\n', from);
        size_t n = lf == std::wstring::npos ? joined.size() - from : lf - from;
        (void)text.Insert(text.Count(), joined.data() + from, n, lf == std::wstring::npos ? LineEndNone : newLineEnd);
        if (lf == std::wstring::npos)
            break;
        from = lf + 1;
    }
    undo.Clear();
    redo.Clear();
    for (EPOS& b : bookmarks)
        b = {-1, 0};
    sel = SELECTION();
    curLine = curIndex = top = scroll = 0;
    modified = false;
    stateTop = -1;
    redraw = true;
}

std::wstring PXEditor::Text()
{
    std::wstring out, s;
    for (int l = 0; l < text.Count(); l++) {
        line_text(l, s);
        if (l)
            out.push_back(L'\n');
        out += s;
    }
    return out;
}

int PXEditor::edit(const wchar_t* name, long long pos, int length)
{
    fileName = name;
    (void)ResolvePath(fileName);
    columns = console.Columns();
    screenLines = console.Lines();
    hl.LoadDef(PXFilename(PXSyntax, 0), PXFilename(PXSyntax, 1), fileName.filename());

    CTextFile file;
    int rc = open_file(fileName, file);
    if (rc != 0 && rc != ENOENT)
        return rc;
    if (rc == ENOENT) {
        if (::error(L"File does not exist, Create?", fileName.c_str(), MB_OK_CANCEL) != ANSWER_YES)
            return rc;
        newFile = true;
    }

    // The clock would paint over the status line: off for the run.
    bool savedClock = config.Clock;
    void (*savedRefresh)() = clock_refresh_hook;
    config.Clock = false;
    clock_refresh_hook = nullptr;
    win = std::make_unique<Win>(0, 0, columns - 1, screenLines - 1, ui_colour(ColourFileViewer));
    win->SetOrigin(0, 1);
    key_bar();

    bool loaded = true;
    if (newFile) {
        SetText(L"");
        format = FormatUTF8;
        codePage = 0;
        HISTREC* rec = fileStatusStore.Find(fileName);
        if (rec)
            rec->undo.Clear(), rec->redo.Clear();
    } else {
        loaded = LoadFile(file, false, pos, length);
        (void)file.close();
    }
    if (loaded) {
        for (;;) {
            if (redraw) {
                show();
                redraw = false;
            }
            _MEVENT m{};
            int key = getkey(nullptr, &m, -1);
            if (key == KEY_MODIFIERS || key == 0)
                continue;
            if (Key(key, &m) == KEY_ESC)
                break;
        }
    }
    config.Clock = savedClock;
    clock_refresh_hook = savedRefresh;
    win.reset();
    return loaded ? 0 : -1;
}

int edit(const wchar_t* name, long long pos, int length)
{
    PXEditor editor;
    return editor.edit(name, pos, length);
}
