#include "editor/editor.h"

#include "config/config.h"
#include "console/colours.h"
#include "console/key_codes.h"
#include "editor/view_code_page.h"
#include "fileops/path_grammar.h"
#include "fileops/permissions.h"
#include "foundation/nls.h"
#include "foundation/os_error.h"
#include "text/code_page_table.h"
#include "text/format_select_dlg.h"
#include "textui/dialog.h"
#include "textui/message_box.h"
#include "textui/progress_thread.h"
#include "textui/textui_settings.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <memory>
#include <string_view>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Lines read between two looks at the keyboard for Esc.
constexpr int EscCheckLines = 8192;
// Characters the encoding box lists at most.
constexpr int ListedChars = 8;
// Results of the encoding box.
constexpr int ENC_REPLACE = 'r';
constexpr int ENC_SAVE_AS = 'a';

unsigned long long closeCounter = 0;

Westring sys_message(int err)
{
    return Westring(GetOSErrorMsg(err).c_str());
}

// The stat facts a later save compares with: nanosecond time, size,
// inode and device.
bool stat_of(const Westring& name, struct stat& st)
{
    return stat(FileNameToSys(name).c_str(), &st) == 0;
}

long long mtime_ns(const struct stat& st)
{
    return static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
}

}

int PXEditor::open_file(const Westring& name, CTextFile& file)
{
    // Read, write, no truncation: the descriptor only tells whether the
    // file may be written; saving opens the file anew.
    int rc = file.Open(name, StdFile::OpenRead | StdFile::OpenWrite | StdFile::OpenAppend);
    if (rc == 0) {
        readOnly = false;
        return 0;
    }
    if (rc == ENOENT)
        return ENOENT;
    if (rc == EINVAL) {
        // Nothing but a regular file: a FIFO would hang the reader.
        (void)::error(L"Not a regular file", name.c_str());
        return rc;
    }
    int rc2 = file.Open(name, StdFile::OpenRead);
    if (rc2 == 0) {
        readOnly = true;
        return 0;
    }
    (void)::error(sys_message(rc2), name.c_str());
    return rc2;
}

void PXEditor::record_stat()
{
    struct stat st;
    if (stat_of(fileName, st)) {
        diskMtime = mtime_ns(st);
        diskSize = st.st_size;
        diskInode = st.st_ino;
        diskDevice = st.st_dev;
    } else {
        diskMtime = 0;
        diskSize = -1;
        diskInode = diskDevice = 0;
    }
}

bool PXEditor::changed_on_disk()
{
    struct stat st;
    if (diskSize < 0 || !stat_of(fileName, st))
        return false;
    // Any difference counts, not only a later time: a file put back from
    // an older copy has changed too.
    return mtime_ns(st) != diskMtime || st.st_size != diskSize || st.st_ino != diskInode ||
           st.st_dev != diskDevice;
}

bool PXEditor::LoadFile(CTextFile& file, bool keepFormat, long long pos, int length)
{
    record_stat();
    HISTREC* rec = fileStatusStore.Find(fileName);
    if (!keepFormat) {
        codePage = viewCP;
        if (rec && pos < 0 && rec->viewOffset >= 0)
            pos = rec->viewOffset;
        if (rec && rec->format != FormatDetect) {
            file.SetFormat(rec->format);
            if (rec->format == FormatCodePage)
                codePage = rec->codePage;
        }
        if (file.GetFormat() == FormatCodePage)
            file.SetCodePage(codePage);
        file.SetCodePage(codePage);
    } else {
        file.SetFormat(format);
        file.SetCodePage(codePage);
        file.SetBOM(hasBOM);
    }
    if (file.GetFormat() == FormatDetect)
        (void)file.DetermineFileFormat();

    text.Clear();
    bufLine = -1;
    bufDirty = false;
    long long done = 0, total = diskSize > 0 ? diskSize : 0;
    bool cancelled = false, full = false;
    int lineAtPos = -1, indexAtPos = 0;
    {
        FileReadProgress progress(done, total, "Reading File");
        file.SetReadPos(0);
        // The encoded line, in a buffer that only grows: nothing is
        // cleared or filled per line.
        std::unique_ptr<char[]> buffer;
        size_t room = 0;
        std::string_view bytes;
        int len;
        long long lineStart = file.GetReadPos();
        for (int n = 0;; n++) {
            const wchar_t* p = file.ReadTextLine(len);
            if (!p)
                break;
            size_t need = 4 * static_cast<size_t>(len);
            if (need > room) {
                room = std::max(need, size_t{4096});
                buffer = std::make_unique_for_overwrite<char[]>(room);
            }
            bytes = std::string_view(buffer.get(), edit_utf8::Encode(p, static_cast<size_t>(len), buffer.get()));
            if (text.InsertEncoded(text.Count(), bytes.data(), bytes.size(), file.LastLineEnd()) != 0) {
                full = true;
                break;
            }
            long long next = file.GetReadPos();
            if (pos >= 0 && lineAtPos < 0 && pos < next) {
                // The byte offset within the line, in characters.
                lineAtPos = text.Count() - 1;
                long long into = std::max(0LL, pos - lineStart);
                int unit = file.GetFormat() <= FormatUTF32BE ? 4 : file.GetFormat() <= FormatUTF16BE ? 2 : 1;
                if (file.GetFormat() == FormatUTF8)
                    indexAtPos = static_cast<int>(edit_utf8::Count(reinterpret_cast<const unsigned char*>(bytes.data()),
                                                                   std::min<size_t>(bytes.size(), static_cast<size_t>(into))));
                else
                    indexAtPos = static_cast<int>(std::min<long long>(len, into / unit));
            }
            lineStart = next;
            done = next;
            if (n % EscCheckLines == EscCheckLines - 1 && check_esc()) {
                cancelled = true;
                break;
            }
        }
    }
    if (full || cancelled) {
        // Nothing partial is ever edited: it could be saved over the file.
        if (full)
            (void)::error(L"out of memory");
        text.Clear();
        (void)text.Insert(0, L"", 0, LineEndNone);
        return false;
    }
    if (text.Count() == 0 || text.End(text.Count() - 1) != LineEndNone)
        (void)text.Insert(text.Count(), L"", 0, LineEndNone);

    format = file.GetFormat();
    hasBOM = file.HasBOM();
    codePage = file.GetCodePage() == DefaultTextCodePage() ? 0 : file.GetCodePage();
    TLineEnd first = file.DefaultLineEnd();
    // A file whose lines end in NULs gets LF for new lines.
    newLineEnd = (first & 3) == 3 ? LineEndLF : first;
    invalidLines = format == FormatUTF8 ? file.InvalidLines() : 0;

    undo.Clear();
    redo.Clear();
    for (EPOS& b : bookmarks)
        b = {-1, 0};
    top = curLine = curIndex = scroll = 0;
    sel = SELECTION();
    modified = false;
    stateTop = -1;
    if (rec && !keepFormat)
        take_hist(*rec);
    // Undo may hold the whole text once (a delete-all stays undoable) but
    // never less than the default.
    size_t limit = std::max(TUndoStack::DefaultLimit, static_cast<size_t>(std::max(0LL, diskSize)));
    undo.SetLimit(limit);
    redo.SetLimit(limit);
    if (lineAtPos >= 0) {
        curLine = lineAtPos;
        curIndex = indexAtPos;
        clamp_cursor();
        // The line opens the page, as it did in the viewer that asked.
        top = curLine;
        if (length > 0) {
            // The selection runs length characters on, over line ends.
            EPOS a{curLine, curIndex}, b = a;
            int left = length;
            while (left > 0) {
                int room = line_length(b.line) - b.index;
                if (left <= room) {
                    b.index += left;
                    break;
                }
                left -= room + 1;
                if (b.line + 1 >= text.Count()) {
                    b.index = line_length(b.line);
                    break;
                }
                b.line++;
                b.index = 0;
            }
            Select(a, b);
        }
    }
    clamp_cursor();
    top = std::clamp(top, 0, curLine);
    if (curLine - top > H() - 1)
        top = curLine - (H() - 1);
    redraw = true;
    if (invalidLines > 0)
        (void)::error(Westring(esprintf("Warning: Invalid encoding found on %lld lines. Saving this file will cause "
                                        "corruption",
                                        invalidLines)
                                   .c_str()));
    return true;
}

void PXEditor::take_hist(HISTREC& rec)
{
    // History applies only to the very text it was recorded on.
    if (rec.size == diskSize && rec.mtime == diskMtime && rec.size >= 0) {
        undo = rec.undo;
        redo = rec.redo;
        for (int i = 0; i < 10; i++)
            bookmarks[i] = {rec.bookmarks[i].line, rec.bookmarks[i].index};
    }
    // The record keeps its copy: leaving with Discard writes none, and
    // the next run must find the history as it was.
    if (rec.viewOffset < 0) {
        top = rec.topLine;
        curLine = rec.topLine + rec.cursorRow;
        int col = rec.cursorColumn + rec.scroll;
        scroll = rec.scroll;
        clamp_cursor();
        curIndex = calc_pos(curLine, col);
    }
}

void PXEditor::write_hist(HISTREC& rec)
{
    rec.topLine = top;
    rec.cursorRow = curLine - top;
    rec.cursorColumn = calc_col(curLine, curIndex) - scroll;
    rec.scroll = scroll;
    rec.undo = std::move(undo);
    rec.redo = std::move(redo);
    undo = TUndoStack();
    redo = TUndoStack();
    for (int i = 0; i < 10; i++)
        rec.bookmarks[i] = {bookmarks[i].index, bookmarks[i].line};
    rec.viewOffset = -1;
    rec.format = format;
    rec.codePage = codePage;
    rec.size = diskSize;
    rec.mtime = diskMtime;
    rec.closed = ++closeCounter;
}

void PXEditor::store_hist(const wchar_t* name)
{
    HISTREC& rec = fileStatusStore.Obtain(Westring(name));
    write_hist(rec);
    fileStatusStore.TrimHistories(&rec);
}

bool PXEditor::ReloadFile()
{
    struct stat st;
    if (newFile && !stat_of(fileName, st))
        return true;
    if (modified) {
        Dialog d(-1, -2, 44, 6, ui_colour(ColourErrors));
        d.PutCentre(-1, L" Code Page Change ");
        d.puts_at(1, 1, L"File must be re-loaded, discard changes?");
        int ok = d.AddOkCancel(-1, -1, 1);
        d.ChangeFocus(ok + 1);
        if (d.Process() != RESULT_ACCEPT)
            return false;
    }
    CTextFile file;
    int rc = file.Open(fileName, StdFile::OpenRead);
    if (rc != 0) {
        (void)::error(sys_message(rc), fileName.c_str());
        return false;
    }
    EPOS at{curLine, curIndex};
    int keepTop = top;
    if (!LoadFile(file, true, -1, 0))
        return false;
    curLine = at.line;
    curIndex = at.index;
    clamp_cursor();
    top = std::min(keepTop, curLine);
    return true;
}

void PXEditor::RecodeFile(int fromCP, int toCP)
{
    if (fromCP == 0)
        fromCP = DefaultTextCodePage();
    if (toCP == 0)
        toCP = DefaultTextCodePage();
    if (fromCP == toCP)
        return;
    const CCodePageTable* from = GetCodePageTable(fromCP);
    const CCodePageTable* to = GetCodePageTable(toCP);
    if (!from || !to)
        return;
    if (flush() != 0)
        return;
    bufLine = -1;
    std::wstring s;
    for (int l = 0; l < text.Count(); l++) {
        text.Get(l, s);
        bool changed = false;
        for (wchar_t& c : s) {
            // A character the old code page cannot hold stays as it is.
            int b = from->ByteOf(c);
            if (b < 0)
                continue;
            wchar_t n = to->chars[b];
            if (n != c) {
                c = n;
                changed = true;
            }
        }
        if (changed && text.Set(l, s.data(), s.size(), text.End(l)) != 0) {
            (void)::error(L"out of memory");
            return;
        }
    }
    stateTop = -1;
    redraw = true;
}

int PXEditor::check_encodable()
{
    std::vector<TUnencodable> found, line;
    long long count = 0;
    std::wstring s;
    for (int l = 0; l < text.Count(); l++) {
        line_text(l, s);
        line.clear();
        if (CTextFile::FindUnencodable(s.data(), static_cast<int>(s.size()), l, format,
                                       codePage ? codePage : DefaultTextCodePage(), line, SIZE_MAX))
            continue;
        count += static_cast<long long>(line.size());
        for (const auto& u : line)
            if (found.size() < ListedChars)
                found.push_back(u);
    }
    if (count == 0)
        return 0;
    Dialog d(-1, -2, 54, 8, ui_colour(ColourErrors));
    d.PutCentre(-1, L" Encoding ");
    Estring target = CTextFile::GetFormatDesc(format, codePage ? codePage : DefaultTextCodePage());
    d.puts_at(1, 0, Westring(esprintf("%lld characters cannot be saved as %s:", count, target.c_str()).c_str()).c_str());
    Westring list;
    for (size_t i = 0; i < found.size(); i++) {
        if (i)
            list += L' ';
        list += found[i].ch;
    }
    if (count > static_cast<long long>(found.size()))
        list += L" ...";
    d.puts_at(1, 1, list.c_str());
    d.puts_at(1, 2, Westring(esprintf("The first is on line %lld.", found[0].line + 1).c_str()).c_str());
    static const PushButtonData buttons[] = {
        {ENC_REPLACE, "_Replace"}, {ENC_SAVE_AS, "_Save As"}, {RESULT_CANCEL, "Cancel"}, {0, nullptr}};
    int first = d.AddPushButtonGroup(-1, -1, 1, buttons);
    d.ChangeFocus(first + 2);
    int r = d.Process();
    if (r == ENC_REPLACE)
        return 1;
    if (r == ENC_SAVE_AS)
        return 2;
    return -1;
}

int PXEditor::save_text(const wchar_t* name_)
{
    Westring name = name_;
    CReadOnlyOverride override_;
    bool sameFile = fncompare(name.c_str(), fileName.c_str()) == 0;
    if (sameFile && readOnly) {
        if (::error(L"File is Read Only, override?", name.c_str(), MB_OK_CANCEL) != ANSWER_YES)
            return -1;
        int rc = override_.Override(name);
        if (rc != 0 && rc != EACCES) {
            (void)::error(Westring(L"Error clearing Read Only flag: ") + sys_message(rc), name.c_str());
            return rc;
        }
    }
    if (sameFile && changed_on_disk() &&
        ::error(L"File has been modified since it was loaded. Overwrite anyway?", name.c_str(), MB_OK_CANCEL) !=
            ANSWER_YES)
        return -1;
    int enc = check_encodable();
    if (enc < 0)
        return -1;
    if (enc == 2) {
        Westring other = name;
        return SaveAs(other) ? 0 : -1;
    }
    if (int rc = flush()) {
        (void)::error(L"out of memory");
        return rc;
    }

    CTextFile out;
    out.SetFormat(format);
    out.SetCodePage(codePage);
    out.SetBOM(hasBOM && format < FormatCodePage);
    out.SetSubstitute(enc == 1);
    int rc = out.BeginSave(name);
    // Writing over the file itself: room for the whole text first, so a
    // full disk stops the save before the first byte changes.
    if (rc == 0 && out.SavesInPlace())
        rc = out.ReserveSave(encoded_length(enc == 1));
    if (rc != 0)
        out.AbortSave();
    long long done = 0, total = text.Count();
    if (rc == 0) {
        FileReadProgress progress(done, total, "Saving File");
        std::wstring s;
        for (int l = 0; l < text.Count() && rc == 0; l++, done++) {
            // A stored line without 0xED holds no surrogate (a raw byte or
            // a lone half), so its bytes are already what a UTF-8 file
            // holds: written as they are. The line being edited and any
            // other line go through the characters.
            size_t n;
            const unsigned char* b = text.Bytes(l, n);
            if (format == FormatUTF8 && l != bufLine && !std::memchr(b, 0xED, n)) {
                rc = out.WriteBytes(reinterpret_cast<const char*>(b), n, text.End(l));
                continue;
            }
            line_text(l, s);
            rc = out.WriteStr(s.data(), static_cast<int>(s.size()), text.End(l));
        }
        if (rc == 0)
            rc = out.EndSave();
        else
            out.AbortSave();
    }
    if (override_.Active())
        (void)override_.Release();
    if (rc != 0) {
        (void)::error(Westring(L"Error writing text file: ") + sys_message(rc), name.c_str());
        return rc;
    }
    if (enc == 1) {
        // What was written is the text with "?" for what could not be: so
        // is the text in memory now, else the next save would ask again.
        std::wstring s;
        std::vector<TUnencodable> bad;
        for (int l = 0; l < text.Count(); l++) {
            line_text(l, s);
            bad.clear();
            if (CTextFile::FindUnencodable(s.data(), static_cast<int>(s.size()), l, format,
                                           codePage ? codePage : DefaultTextCodePage(), bad, SIZE_MAX))
                continue;
            for (const auto& u : bad)
                s[static_cast<size_t>(u.column)] = L'?';
            if (l == bufLine) {
                buf = s;
                bufDirty = true;
            } else
                (void)text.Set(l, s.data(), s.size(), text.End(l));
        }
        redraw = true;
    }
    if (sameFile) {
        record_stat();
        newFile = false;
        readOnly = false;
        if (override_.Active() || access(FileNameToSys(name).c_str(), W_OK) != 0)
            readOnly = access(FileNameToSys(name).c_str(), W_OK) != 0;
    }
    modified = false;
    redraw = true;
    return 0;
}

long long PXEditor::encoded_length(bool substitute)
{
    CTextFile sink;
    sink.SetFormat(format);
    sink.SetCodePage(codePage);
    sink.SetBOM(hasBOM && format < FormatCodePage);
    sink.SetSubstitute(substitute);
    std::vector<unsigned char> bytes;
    sink.BeginSaveToMemory(bytes);
    long long n = 0;
    std::wstring s;
    for (int l = 0; l < text.Count(); l++) {
        line_text(l, s);
        if (sink.WriteStr(s.data(), static_cast<int>(s.size()), text.End(l)) != 0)
            break;
        n += static_cast<long long>(bytes.size());
        bytes.clear();
    }
    (void)sink.EndSave();
    return n + static_cast<long long>(bytes.size());
}

bool PXEditor::SaveAs(Westring& name)
{
    EFileFormat f = format;
    int cp = codePage;
    bool bom = hasBOM;
    for (;;) {
        Westring field = name;
        int r;
        {
            CFormatSelectDlg d(" Save As ", f, cp, bom, 1);
            d.puts_at(1, 0, L"Name:");
            int at = d.AddStringField(7, 0, 1, field, 50, PATH_MAX, HistoryFileName);
            d.SetAccelerators("c863pben", 8);
            d.ChangeFocus(at);
            r = d.Process();
        }
        redraw = true;
        if (r != RESULT_ACCEPT || field.trim().empty())
            return false;
        Westring target = field.trim();
        (void)ResolvePath(target);
        bool other = fncompare(target.c_str(), fileName.c_str()) != 0;
        bool created = false;
        if (other) {
            struct stat st;
            bool exists = stat_of(target, st);
            // Never over another file unasked.
            if (exists && ::error(L"File exists. Overwrite?", target.c_str(), MB_OK_CANCEL) != ANSWER_YES)
                continue;
            created = !exists;
            int fd = ::open(FileNameToSys(target).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
            if (fd < 0) {
                (void)::error(Westring(L"Unable to open: ") + sys_message(errno), target.c_str());
                continue;
            }
            ::close(fd);
        }
        EFileFormat oldFormat = format;
        int oldCP = codePage;
        bool oldBOM = hasBOM;
        format = f;
        codePage = f == FormatCodePage ? (cp == DefaultTextCodePage() ? 0 : cp) : codePage;
        hasBOM = bom;
        Westring oldName = fileName;
        bool oldRO = readOnly, oldNew = newFile;
        long long oldSize = diskSize, oldMtime = diskMtime;
        unsigned long long oldIno = diskInode, oldDev = diskDevice;
        if (other) {
            fileName = target;
            readOnly = false;
            newFile = false;
            record_stat();
        }
        if (save_text(fileName.c_str()) == 0) {
            name = fileName;
            return true;
        }
        // A file made only to be saved into goes again.
        if (created)
            (void)unlink(FileNameToSys(target).c_str());
        format = oldFormat;
        codePage = oldCP;
        hasBOM = oldBOM;
        fileName = oldName;
        readOnly = oldRO;
        newFile = oldNew;
        diskSize = oldSize;
        diskMtime = oldMtime;
        diskInode = oldIno;
        diskDevice = oldDev;
        return false;
    }
}

bool PXEditor::leave()
{
    while (modified) {
        Dialog d(-1, -2, 35, 9, ui_colour(ColourErrors));
        d.PutCentre(1, L"There are unsaved changes");
        static const PushButtonData buttons[] = {{'s', "_Save"}, {'d', "_Discard"}, {'e', "_Edit"}, {0, nullptr}};
        d.AddPushButtonGroup(-1, -1, 1, buttons);
        d.SetAccelerators("sde", 3);
        int r = d.Process();
        if (r == 's' || r == RESULT_ACCEPT) {
            if (save_text(fileName.c_str()) == 0) {
                modified = false;
                break;
            }
            continue;
        }
        if (r == 'd')
            return true;
        redraw = true;
        return false;
    }
    store_hist(fileName.c_str());
    return true;
}

void PXEditor::select_format()
{
    EFileFormat f = format;
    int cp = codePage ? codePage : DefaultTextCodePage();
    bool bom = hasBOM;
    {
        CFormatSelectDlg d("Select File Encoding", f, cp, bom, 0);
        redraw = true;
        if (d.Process() != RESULT_ACCEPT)
            return;
    }
    if (cp == DefaultTextCodePage())
        cp = 0;
    if (f == format && (f != FormatCodePage || cp == codePage)) {
        hasBOM = bom;
        return;
    }
    if (f == FormatCodePage && format == FormatCodePage) {
        RecodeFile(codePage, cp);
        codePage = cp;
        return;
    }
    EFileFormat oldFormat = format;
    int oldCP = codePage;
    bool oldBOM = hasBOM;
    format = f;
    codePage = f == FormatCodePage ? cp : codePage;
    hasBOM = bom;
    if (!ReloadFile()) {
        format = oldFormat;
        codePage = oldCP;
        hasBOM = oldBOM;
    }
}

void PXEditor::next_code_page(bool editList)
{
    if (editList) {
        if (GetViewCodePage() != 0)
            return;
        viewCPPos = 0;
    } else if (format != FormatCodePage)
        return;
    int cp = viewCP;
    (void)SwitchViewCodePage(cp);
    viewCP = cp;
    if (format == FormatCodePage) {
        RecodeFile(codePage, cp);
        codePage = cp;
        redraw = true;
        return;
    }
    EFileFormat oldFormat = format;
    int oldCP = codePage;
    format = FormatCodePage;
    codePage = cp;
    if (!ReloadFile()) {
        format = oldFormat;
        codePage = oldCP;
    }
    redraw = true;
}
