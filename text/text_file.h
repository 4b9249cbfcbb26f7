#ifndef PANNEX_TEXT_TEXT_FILE_H
#define PANNEX_TEXT_TEXT_FILE_H

#include "foundation/estring.h"
#include "foundation/random_file.h"
#include "foundation/westring.h"
#include "text/code_page_table.h"
#include "text/save_writer.h"

#include <atomic>
#include <memory>
#include <vector>

// The encodings of text files. The numbers are stored in the per-file
// memory of viewer and editor: never renumber them.
enum EFileFormat : int {
    FormatUTF32LE = 0,
    FormatUTF32BE = 1,
    FormatUTF16LE = 2,
    FormatUTF16BE = 3,
    FormatUTF8 = 4,
    FormatCodePage = 5,
    FormatDetect = 6,
};

// The exact end of one line: up to three of CR, LF and NUL (each at most
// once) in the order they stood, two bits each from the low bits up
// (1 CR, 2 LF, 3 NUL); 0 is a line without an end (the last one, or a
// piece of a long line).
using TLineEnd = unsigned char;
constexpr TLineEnd LineEndNone = 0;
constexpr TLineEnd LineEndCR = 1;
constexpr TLineEnd LineEndLF = 2;
constexpr TLineEnd LineEndCRLF = 1 | 2 << 2;
constexpr TLineEnd LineEndLFCR = 2 | 1 << 2;
// The characters of a line end into out (room for 3); their number.
int LineEndChars(TLineEnd end, wchar_t* out);

// Where a text cannot be written in a chosen encoding.
struct TUnencodable
{
    long long line;  // as the caller counts lines
    int column;      // index in the line
    wchar_t ch;
};

// A text file read as lines of wide characters and written back, in one of
// six encodings (see EFileFormat). The viewer is one; the editor, the user
// menu and file find read through one.
//
// Nothing is lost on the way through: bytes that do not decode (broken
// UTF-8, lone UTF-16 surrogates, a trailing odd byte, UTF-32 values beyond
// Unicode, code-page bytes without a character) come back as raw bytes,
// U+DC00 plus the byte (IsRawTextByte), and are written back as that byte;
// every line reports its exact end. So a text saved unchanged in the
// format it was read in gives the file back byte for byte.
//
// Reading decodes whole blocks, never a call per character: lines, the
// line index and searches run at the speed of the disk on 10 GiB files.
// One thread at a time, like any RandomFile user.
class CTextFile : public RandomFile
{
public:
    // Line-end styles of GetLineEndStyle.
    static constexpr int StyleCRLF = 0;
    static constexpr int StyleLF = 1;
    static constexpr int StyleUnknown = 2;

    CTextFile();
    // Removes the new file of an unfinished save.
    ~CTextFile() override;

    // Opens a regular file (nothing else: a FIFO would hang the reader) and
    // determines its format. Resets everything but the format and the code
    // page, so that a format chosen before opening stays unless a
    // byte-order mark says otherwise. 0 or the errno.
    [[nodiscard]] int Open(const Westring& name, int flags = OpenRead, int share = 0);
    // Byte-order mark first, then (format 6 only) the content of the first
    // 32 KiB. Returns the format.
    EFileFormat DetermineFileFormat();

    // The character at the read position, which advances past it; -1 at
    // the end. A NUL is 0, a raw byte U+DC00 + byte.
    int ReadChar();
    // Moves the read position back over one character and returns it; -1
    // at the text start. Gives the forward characters in reverse, at the
    // same offsets.
    int ReadPrevChar();
    // The next line, NUL-terminated, valid until the next call; len gets
    // its length (a NUL inside counts when NUL does not end lines). Null at
    // the end of the file. max > 0 cuts longer lines into pieces of max
    // characters. LastLineEnd tells how the line ended.
    const wchar_t* ReadTextLine(int& len, long long max = 0);
    // The offset of every line start from the text start on, as
    // ReadTextLine would return the lines with no max. 0; -1 when cancel
    // was set (starts holds what was found so far); or the errno.
    [[nodiscard]] int IndexLines(std::vector<long long>& starts, const std::atomic<bool>* cancel = nullptr);
    // The start of the line `lines` lines above the line that starts at
    // pos, found from line feeds without decoding, looking at most limit
    // bytes back: the text start when that is reached, -1 when the lines
    // are not found within limit (or the format gives no way to tell,
    // EBCDIC say).
    long long LineStartBefore(long long pos, int lines, long long limit);
    // Finds text from start (below 0: the text start, or the end of the
    // file for a reverse search). Forward, the first match at or after
    // start; reverse, the last match that ends at or before start. The
    // offset of the match's first character, -2 for none, -1 when the
    // format cannot be told.
    long long Search(const Westring& text, long long start, bool caseSensitive, bool wholeWord, bool reverse);

    // Saving. The text goes to a new file beside the target, which replaces
    // the target only when all of it is safely on disk; the object is then
    // open on the new file. Where replacing would change the file (it has
    // other hard links, its owner cannot be kept, the directory is not
    // writable) the target is rewritten in place instead. A byte-order mark
    // is written when HasBOM() and the format is below 5.
    [[nodiscard]] int BeginSave();
    // Saves under another name (Save As; a new file too).
    [[nodiscard]] int BeginSave(const Westring& target);
    // Encodes into out instead of a file (appending); EndSave then only
    // finishes the encoding. For checks of what a save would write.
    void BeginSaveToMemory(std::vector<unsigned char>& out);
    // One line in the current format, with the file's line end when
    // newline is set. EILSEQ when a character cannot be written (see
    // FindUnencodable) and SetSubstitute is off: then the save fails.
    [[nodiscard]] int WriteStr(const wchar_t* text, bool newline);
    // len characters (NULs included) and exactly the given line end.
    [[nodiscard]] int WriteStr(const wchar_t* text, int len, TLineEnd end);
    // The UTF-16/UTF-32 writer under WriteStr.
    [[nodiscard]] int WriteWideStr(const wchar_t* text);
    // Writes n bytes the caller has in the file's encoding already (the
    // editor's UTF-8 lines into a UTF-8 file), then the line end: no
    // decoding and no encoding.
    [[nodiscard]] int WriteBytes(const char* bytes, size_t n, TLineEnd end);
    // Finishes the save: 0, or the first error of the save, in which case
    // the target is as it was (in place: as far as it was written).
    [[nodiscard]] int EndSave();
    // Gives up a save begun: the new file is removed, the target untouched.
    void AbortSave();
    // True when the save begun writes over the target itself.
    bool SavesInPlace() const { return saveFd >= 0 && saveTemp.empty(); }
    // Before a save in place writes anything: makes the file system hold
    // bytes for the target, so a full disk fails the save (ENOSPC) while
    // the target is still untouched. File systems that cannot reserve are
    // written as they are. 0 otherwise, and for saves to a new file.
    [[nodiscard]] int ReserveSave(long long bytes);
    // Characters that cannot be written go out as "?" instead of failing.
    void SetSubstitute(bool on) { substitute = on; }

    // Adds to out (at most limit entries in all) the characters of text
    // that format and code page cannot hold; lineNo fills TUnencodable::line.
    // Raw bytes can always be written. True when nothing was added.
    static bool FindUnencodable(const wchar_t* text, int len, long long lineNo, EFileFormat format, int codePage,
                                std::vector<TUnencodable>& out, size_t limit = 1000);

    Estring GetFormatDesc() const;
    static Estring GetFormatDesc(EFileFormat format, int codePage);
    // Forgets every byte read, the decoding buffer's too, so that a file
    // rewritten on disk is read afresh (the viewer following a file).
    void DiscardBuffers();

    // Plausible as UTF-16 text: false for 0, surrogates and private use,
    // and some mostly unassigned ranges.
    static bool IsValidUTF16(unsigned short u);
    // The format of text without a byte-order mark, judged from its first
    // size bytes (at most 32 KiB of them count); whole when they are all
    // the file holds. File find judges its blocks by the same rules.
    static EFileFormat DetectFormatOfText(const unsigned char* p, int size, bool whole);
    // True when cp is a single-byte code page the system can convert.
    static bool IsUsableCodePage(int cp);

    EFileFormat GetFormat() const { return format; }
    // Also sets the byte swapping. Format 6 asks the next Open to detect.
    void SetFormat(EFileFormat f);
    int GetCodePage() const { return codePage; }
    // 0 means DefaultTextCodePage().
    void SetCodePage(int cp);
    bool HasBOM() const { return hasBOM; }
    void SetBOM(bool on) { hasBOM = on; }
    // StyleCRLF, StyleLF or StyleUnknown, from the first line end with a CR
    // or LF; the end of the file makes an unknown style LF.
    int GetLineEndStyle() const { return lineEndStyle; }
    // The line end new lines get: the first one the file had, else LF.
    TLineEnd DefaultLineEnd() const { return firstLineEnd ? firstLineEnd : LineEndLF; }
    void SetDefaultLineEnd(TLineEnd end) { firstLineEnd = end; }
    // The viewer clears it: a NUL is then a character of the line.
    void SetNulEndsLine(bool on) { nulEndsLine = on; }
    bool LastLineEnded() const { return lastLineEnd != LineEndNone; }
    TLineEnd LastLineEnd() const { return lastLineEnd; }
    // Raw bytes met by ReadChar and ReadTextLine, and the lines holding
    // any: the editor warns before saving such a text.
    long long InvalidCount() const { return invalidCount; }
    long long InvalidLines() const { return invalidLines; }
    bool SwapEndian() const { return swapBytes; }
    long long GetReadPos() const { return readPos; }
    void SetReadPos(long long pos) { readPos = pos; }
    long long TextStart() const { return textStart; }

    // A second line buffer for the editor's use.
    Westring editLine;

private:
    struct Buffer;
    // Makes at least 4 bytes from pos readable (fewer only at the end of
    // the file): the pointer to pos and the end of what was read.
    bool fill(long long pos, const unsigned char*& p, const unsigned char*& end, int want = BlockBytes);
    void drop_buffer();
    // One character at pos: its value and the bytes it takes (0 at the end).
    int char_at(long long pos, int& c);
    // The character before pos: its value and the bytes it takes (0 at the
    // text start).
    int char_before(long long pos, int& c);
    // A character boundary at or before pos, to start decoding from.
    long long boundary_before(long long pos);
    // Decodes from a boundary while the offset is below to, then extra
    // characters more; offsets of each character into offs.
    void decode_range(long long from, long long to, size_t extra, std::vector<wchar_t>& chars,
                      std::vector<long long>& offs);
    const CCodePageTable& table();
    // Encodes and queues len characters; the save's error.
    int put_chars(const wchar_t* text, int len);
    int put_piece(const wchar_t* text, int len);
    int put_line_end(TLineEnd end);
    // Writes what is buffered: through the writer while the save goes on,
    // directly after it when last.
    int flush_save(bool last = false);
    void finish_line(int len, TLineEnd end, bool raw);
    static constexpr int BlockBytes = 65536;

    EFileFormat format = FormatDetect;
    int codePage;
    int lineEndStyle = StyleUnknown;
    TLineEnd firstLineEnd = LineEndNone;
    TLineEnd lastLineEnd = LineEndNone;
    bool nulEndsLine = true;
    bool hasBOM = false;
    bool swapBytes = false;
    long long invalidCount = 0;
    long long invalidLines = 0;
    long long readPos = 0;
    long long textStart = 0;
    int openFlags = OpenRead;

    // The line ReadTextLine returns.
    std::unique_ptr<wchar_t[]> line;
    size_t lineCap = 0;
    // Bytes read ahead for decoding: rbuf holds rbufLen bytes from rbufPos.
    std::unique_ptr<unsigned char[]> rbuf;
    long long rbufPos = 0;
    int rbufLen = 0;
    // The code page the table was taken for.
    const CCodePageTable* cpTable = nullptr;
    int cpTableFor = -1;

    // The save in progress: the descriptor written, the new file's name
    // (empty when writing in place), the target and the bytes queued.
    int saveFd = -1;
    Estring saveTemp;
    Estring saveTarget;
    Westring saveName;
    int saveError = 0;
    long long saveWritten = 0;
    SaveBuffer wbuf;
    // Writes the full buffers of a save larger than one.
    std::unique_ptr<CSaveWriter> saveWriter;
    std::vector<unsigned char>* saveMemory = nullptr;
    bool substitute = false;
};

#endif
