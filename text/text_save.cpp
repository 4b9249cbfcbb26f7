// Saving a CTextFile: encoding lines and replacing the file safely.

#include "text/text_file.h"

#include "text/ascii_run.h"

#include <cerrno>
#include <algorithm>
#include <climits>
#include <immintrin.h>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

SaveTestHooks saveTestHooks;

namespace {

// Every byte or the errno; a write that makes no progress is a full disk.
int write_all_at(int fd, const unsigned char* p, size_t n, long long at)
{
    if (saveTestHooks.failWriteAt >= at && saveTestHooks.failWriteAt - at < static_cast<long long>(n))
        return saveTestHooks.failWriteErrno;
    while (n > 0) {
        ssize_t w = pwrite(fd, p, n, at);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (w == 0)
            return ENOSPC;
        p += w;
        n -= static_cast<size_t>(w);
        at += w;
    }
    return 0;
}

Estring dir_of(const Estring& path)
{
    int slash = path.rchr('/');
    if (slash < 0)
        return ".";
    if (slash == 0)
        return "/";
    return path.left(slash);
}

// The file a save must write: path itself, or where its symbolic links
// lead (a dangling link names the file to create).
Estring follow_links(const Estring& path)
{
    Estring cur = path;
    for (int hops = 0; hops < 40; hops++) {
        struct stat st;
        if (lstat(cur.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return cur;
        char target[PATH_MAX];
        ssize_t n = readlink(cur.c_str(), target, sizeof target - 1);
        if (n <= 0)
            return cur;
        target[n] = 0;
        cur = target[0] == '/' ? Estring(target) : dir_of(cur) + "/" + target;
    }
    return cur;
}

// The byte-order mark of format, or nothing: its length.
int mark_of(bool bom, EFileFormat format, const unsigned char*& mark)
{
    static const unsigned char marks[5][4] = {
        {0xFF, 0xFE, 0x00, 0x00}, {0x00, 0x00, 0xFE, 0xFF}, {0xFF, 0xFE}, {0xFE, 0xFF}, {0xEF, 0xBB, 0xBF}};
    static const int lengths[5] = {4, 4, 2, 2, 3};
    if (!bom || format >= FormatCodePage || format < 0)
        return 0;
    mark = marks[format];
    return lengths[format];
}


bool encodable(wchar_t c, EFileFormat format, const CCodePageTable& cp)
{
    if (IsRawTextByte(c))
        return true;
    if (format == FormatCodePage)
        return cp.ByteOf(c) >= 0;
    unsigned u = static_cast<unsigned>(c);
    return u <= 0x10FFFF && !(u >= 0xD800 && u <= 0xDFFF);
}

}

unsigned char* SaveBuffer::more(size_t n)
{
    if (used + n > cap) {
        size_t grown = std::max({cap * 2, used + n, size_t{65536}});
        auto b = std::make_unique_for_overwrite<unsigned char[]>(grown);
        if (used)
            std::memcpy(b.get(), bytes.get(), used);
        bytes = std::move(b);
        cap = grown;
    }
    return bytes.get() + used;
}

void SaveBuffer::append(const unsigned char* p, size_t n)
{
    if (n == 0)
        return;
    std::memcpy(more(n), p, n);
    used += n;
}

bool CTextFile::FindUnencodable(const wchar_t* text, int len, long long lineNo, EFileFormat format, int codePage,
                                std::vector<TUnencodable>& out, size_t limit)
{
    const CCodePageTable* t = GetCodePageTable(codePage);
    const CCodePageTable& cp = t ? *t : RawCodePageTable();
    bool clean = true;
    for (int i = 0; i < len; i++)
        if (!encodable(text[i], format, cp)) {
            clean = false;
            if (out.size() < limit)
                out.push_back({lineNo, i, text[i]});
        }
    return clean;
}

int CTextFile::BeginSave()
{
    return BeginSave(name());
}

int CTextFile::BeginSave(const Westring& target)
{
    AbortSave();
    saveError = 0;
    saveWritten = 0;
    wbuf.clear();
    if (format == FormatDetect)
        SetFormat(FormatUTF8);
    Estring real = follow_links(FileNameToSys(target));
    struct stat st;
    bool exists = stat(real.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode))
        return S_ISDIR(st.st_mode) ? EISDIR : EINVAL;

    // Replacing the file by a new one keeps the old text whole until the
    // new one is complete. Where the new file would not be the same file
    // to its users (other names link to it, its owner or group cannot be
    // given to a new file, no new file can be made there) it is rewritten
    // in place instead.
    bool in_place = exists && (st.st_nlink > 1 || (st.st_uid != geteuid() && geteuid() != 0));
    int fd = -1;
    if (!in_place) {
        Estring dir = dir_of(real);
        int slash = real.rchr('/');
        Estring base = slash < 0 ? real : real.mid(slash + 1, 0);
        static unsigned counter = 0;
        for (int attempt = 0; attempt < 100 && fd < 0; attempt++) {
            unsigned r = 0;
            if (getrandom(&r, sizeof r, GRND_NONBLOCK) != sizeof r)
                r = 0;
            Estring tmp = dir + "/." + base + esprintf(".px%x-%x%x", static_cast<unsigned>(getpid()), counter++, r);
            fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, exists ? 0600 : 0666);
            if (fd >= 0)
                saveTemp = tmp;
            else if (errno != EEXIST) {
                if (!exists)
                    return errno;
                in_place = true;
                break;
            }
        }
        if (fd < 0 && !in_place)
            return EEXIST;
        if (fd >= 0 && exists) {
            struct stat tst;
            bool kept = fstat(fd, &tst) == 0;
            // Owner first: a change of owner clears the set-id bits.
            if (kept && (tst.st_uid != st.st_uid || tst.st_gid != st.st_gid))
                kept = fchown(fd, st.st_uid, st.st_gid) == 0;
            if (kept)
                kept = fchmod(fd, st.st_mode & 07777) == 0;
            if (!kept) {
                ::close(fd);
                unlink(saveTemp.c_str());
                saveTemp = "";
                fd = -1;
                in_place = true;
            }
        }
    }
    if (in_place) {
        // Never truncated when opened (a failure then would leave nothing)
        // and never O_APPEND (which would add the text after the old one):
        // written from offset 0, cut at the end of the new text.
        do
            fd = ::open(real.c_str(), O_WRONLY | O_CLOEXEC);
        while (fd < 0 && errno == EINTR);
        if (fd < 0)
            return errno;
    }
    saveFd = fd;
    saveTarget = real;
    saveName = target;

    const unsigned char* mark = nullptr;
    int mark_length = mark_of(hasBOM, format, mark);
    wbuf.append(mark, static_cast<size_t>(mark_length));
    return 0;
}

void CTextFile::BeginSaveToMemory(std::vector<unsigned char>& out)
{
    AbortSave();
    saveError = 0;
    saveWritten = 0;
    if (format == FormatDetect)
        SetFormat(FormatUTF8);
    saveMemory = &out;
    const unsigned char* mark = nullptr;
    int mark_length = mark_of(hasBOM, format, mark);
    wbuf.append(mark, static_cast<size_t>(mark_length));
}

int CTextFile::put_chars(const wchar_t* text, int len)
{
    // A piece at a time, so that a line of any length needs a buffer of
    // at most four times the piece.
    constexpr int Piece = 65536;
    for (int from = 0; from < len || from == 0; from += Piece)
        if (int rc = put_piece(text + from, std::min(Piece, len - from)))
            return rc;
    return 0;
}

int CTextFile::put_piece(const wchar_t* text, int len)
{
    if (saveFd < 0 && !saveMemory)
        return saveError ? saveError : EBADF;
    if (saveError)
        return saveError;
    const CCodePageTable& cp = table();
    // Room for the worst case, then plain stores: a save of 200 MB must
    // not cost a call per byte.
    unsigned char* const start = wbuf.more(static_cast<size_t>(len) * 4);
    unsigned char* out = start;
    // Members in locals: a store through out could alias any of them, so
    // the compiler would read them again after every byte.
    const EFileFormat fmt = format;
    const bool swap = swapBytes, subst = substitute;
    // One character at o; where the next goes, or null when the target
    // cannot hold it and no substitute is wanted. The pointer is passed
    // and returned so that it stays in a register.
    auto one = [&](wchar_t c, unsigned char* o) -> unsigned char* {
        unsigned u = static_cast<unsigned>(c);
        if (u < 0x80 && fmt == FormatUTF8) {
            *o++ = static_cast<unsigned char>(u);
            return o;
        }
        if (!encodable(c, fmt, cp)) {
            if (!subst)
                return nullptr;
            c = L'?';
            u = '?';
        }
        if (IsRawTextByte(c)) {
            *o++ = static_cast<unsigned char>(u - RawByteBase);
            return o;
        }
        switch (fmt) {
        case FormatCodePage:
            *o++ = static_cast<unsigned char>(cp.ByteOf(c));
            break;
        case FormatUTF8:
            if (u < 0x80)
                *o++ = static_cast<unsigned char>(u);
            else if (u < 0x800) {
                *o++ = static_cast<unsigned char>(0xC0 | u >> 6);
                *o++ = static_cast<unsigned char>(0x80 | (u & 0x3F));
            } else if (u < 0x10000) {
                *o++ = static_cast<unsigned char>(0xE0 | u >> 12);
                *o++ = static_cast<unsigned char>(0x80 | ((u >> 6) & 0x3F));
                *o++ = static_cast<unsigned char>(0x80 | (u & 0x3F));
            } else {
                *o++ = static_cast<unsigned char>(0xF0 | u >> 18);
                *o++ = static_cast<unsigned char>(0x80 | ((u >> 12) & 0x3F));
                *o++ = static_cast<unsigned char>(0x80 | ((u >> 6) & 0x3F));
                *o++ = static_cast<unsigned char>(0x80 | (u & 0x3F));
            }
            break;
        case FormatUTF16LE:
        case FormatUTF16BE: {
            // Beyond the 16-bit plane as a surrogate pair.
            unsigned units[2] = {u, 0};
            int n = 1;
            if (u >= 0x10000) {
                units[0] = 0xD800 + ((u - 0x10000) >> 10);
                units[1] = 0xDC00 + ((u - 0x10000) & 0x3FF);
                n = 2;
            }
            for (int k = 0; k < n; k++) {
                unsigned char lo = static_cast<unsigned char>(units[k]), hi = static_cast<unsigned char>(units[k] >> 8);
                *o++ = swap ? hi : lo;
                *o++ = swap ? lo : hi;
            }
            break;
        }
        default:
            for (int k = 0; k < 4; k++)
                *o++ = static_cast<unsigned char>(u >> (8 * (swap ? 3 - k : k)));
            break;
        }
        return o;
    };
    if (fmt == FormatUTF8 || (fmt == FormatCodePage && cp.asciiSame)) {
        // ASCII sixteen characters at a time; the group of sixteen that
        // stopped the run goes a character at a time before the next run
        // is tried, so one accented letter costs one group, not sixteen
        // tries.
        for (int i = 0; i < len;) {
            int n = static_cast<int>(AsciiRun(text + i, static_cast<size_t>(len - i), out));
            out += n;
            i += n;
            for (int stop = std::min(len, i + 16); i < stop; i++) {
                if (static_cast<unsigned>(text[i]) < 0x80) {
                    *out++ = static_cast<unsigned char>(text[i]);
                    continue;
                }
                if (!(out = one(text[i], out)))
                    return saveError = EILSEQ;
            }
        }
    } else {
        for (int i = 0; i < len; i++)
            if (!(out = one(text[i], out)))
                return saveError = EILSEQ;
    }
    wbuf.used += static_cast<size_t>(out - start);
    if (wbuf.used >= 1024 * 1024)
        return flush_save();
    return 0;
}

int CTextFile::flush_save(bool last)
{
    if (saveMemory) {
        if (saveError || wbuf.used == 0)
            return saveError;
        saveMemory->insert(saveMemory->end(), wbuf.bytes.get(), wbuf.bytes.get() + wbuf.used);
        wbuf.clear();
        return 0;
    }
    if (last && saveWriter) {
        int err = saveWriter->Finish();
        saveWriter.reset();
        if (saveError == 0)
            saveError = err;
    }
    if (saveError || wbuf.used == 0)
        return saveError;
    long long at = saveWritten;
    saveWritten += static_cast<long long>(wbuf.used);
    if (!last) {
        // Only a save of more than one buffer gets the thread.
        if (!saveWriter)
            saveWriter = std::make_unique<CSaveWriter>(saveFd);
        return saveError = saveWriter->Put(wbuf, at);
    }
    saveError = write_all_at(saveFd, wbuf.bytes.get(), wbuf.used, at);
    wbuf.clear();
    return saveError;
}

CSaveWriter::CSaveWriter(int fd) : fd(fd), thread([this] { run(); }) {}

CSaveWriter::~CSaveWriter()
{
    (void)Finish();
}

int CSaveWriter::Put(SaveBuffer& buf, long long at)
{
    std::unique_lock l(m);
    cv.wait(l, [this] { return !busy; });
    if (error == 0) {
        std::swap(pending, buf);
        pendingAt = at;
        busy = true;
        cv.notify_all();
    }
    buf.clear();
    return error;
}

int CSaveWriter::Finish()
{
    {
        std::unique_lock l(m);
        cv.wait(l, [this] { return !busy; });
        stop = true;
        cv.notify_all();
    }
    if (thread.joinable())
        thread.join();
    return error;
}

void CSaveWriter::run()
{
    std::unique_lock l(m);
    for (;;) {
        cv.wait(l, [this] { return busy || stop; });
        if (!busy)
            return;
        l.unlock();
        int err = write_all_at(fd, pending.bytes.get(), pending.used, pendingAt);
        long long written = pendingAt + static_cast<long long>(pending.used);
        // Written text goes to the disk while the rest is encoded, so that
        // the final fsync of a large save waits for little more than the
        // tail.
        constexpr long long Kick = 8 << 20;
        if (err == 0 && written - started >= Kick) {
            (void)sync_file_range(fd, started, written - started, SYNC_FILE_RANGE_WRITE);
            started = written;
        }
        l.lock();
        if (err != 0 && error == 0)
            error = err;
        pending.clear();
        busy = false;
        cv.notify_all();
    }
}

int CTextFile::put_line_end(TLineEnd end)
{
    wchar_t ends[3];
    int n = LineEndChars(end, ends);
    // CR, LF and NUL are their own bytes wherever ASCII is: stored
    // straight, as a save of millions of lines would otherwise pay a whole
    // encoding pass for each line's end.
    if (n > 0 && !saveError && (saveFd >= 0 || saveMemory) &&
        (format == FormatUTF8 || (format == FormatCodePage && table().asciiSame))) {
        unsigned char* o = wbuf.more(3);
        for (int i = 0; i < n; i++)
            o[i] = static_cast<unsigned char>(ends[i]);
        wbuf.used += static_cast<size_t>(n);
        return wbuf.used >= 1024 * 1024 ? flush_save() : 0;
    }
    return put_chars(ends, n);
}

int CTextFile::WriteStr(const wchar_t* text, int len, TLineEnd end)
{
    int rc = put_chars(text, len);
    return rc ? rc : put_line_end(end);
}

int CTextFile::WriteStr(const wchar_t* text, bool newline)
{
    return WriteStr(text, static_cast<int>(std::wcslen(text)), newline ? DefaultLineEnd() : LineEndNone);
}

int CTextFile::WriteBytes(const char* bytes, size_t n, TLineEnd end)
{
    if (saveFd < 0 && !saveMemory)
        return saveError ? saveError : EBADF;
    if (saveError)
        return saveError;
    // A piece at a time, so that a line of any length needs no more room
    // than the buffer's flushing size.
    constexpr size_t Piece = 1 << 20;
    while (n > 0) {
        size_t k = std::min(n, Piece);
        std::memcpy(wbuf.more(k), bytes, k);
        wbuf.used += k;
        bytes += k;
        n -= k;
        if (wbuf.used >= Piece)
            if (int rc = flush_save())
                return rc;
    }
    return put_line_end(end);
}

int CTextFile::WriteWideStr(const wchar_t* text)
{
    return put_chars(text, static_cast<int>(std::wcslen(text)));
}

int CTextFile::ReserveSave(long long bytes)
{
    if (!SavesInPlace() || bytes <= 0)
        return 0;
    // Blocks past the end stay beyond the file's size: a failure changes
    // nothing a reader can see.
    int rc;
    do
        rc = fallocate(saveFd, FALLOC_FL_KEEP_SIZE, 0, bytes);
    while (rc != 0 && errno == EINTR);
    if (rc == 0 || errno == EOPNOTSUPP || errno == ENOSYS)
        return 0;
    saveError = errno;
    return saveError;
}

void CTextFile::AbortSave()
{
    // The writer finishes its buffer before the descriptor goes.
    saveWriter.reset();
    if (saveFd >= 0)
        ::close(saveFd);
    saveFd = -1;
    if (!saveTemp.empty())
        unlink(saveTemp.c_str());
    saveTemp = "";
    saveMemory = nullptr;
    wbuf.clear();
}

int CTextFile::EndSave()
{
    if (saveMemory) {
        int err = flush_save();
        saveMemory = nullptr;
        wbuf.clear();
        return err;
    }
    if (saveFd < 0)
        return saveError ? saveError : EBADF;
    int err = flush_save(true);
    if (err == 0 && saveTemp.empty() && ftruncate(saveFd, saveWritten) != 0)
        err = errno;
    if (err == 0 && fsync(saveFd) != 0)
        err = errno;
    if (::close(saveFd) != 0 && err == 0)
        err = errno;
    saveFd = -1;
    if (err == 0 && !saveTemp.empty() && rename(saveTemp.c_str(), saveTarget.c_str()) != 0)
        err = errno;
    if (err != 0) {
        AbortSave();
        saveError = err;
        return err;
    }
    if (!saveTemp.empty()) {
        // The rename itself must reach the disk too.
        int dfd = ::open(dir_of(saveTarget).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dfd >= 0) {
            (void)fsync(dfd);
            ::close(dfd);
        }
        saveTemp = "";
    }

    // Read on from the file just written; the text is the one the caller
    // has, so its line ends stay as they were.
    int style = lineEndStyle;
    TLineEnd first = firstLineEnd;
    bool nul = nulEndsLine;
    Westring target = saveName;
    int rc = Open(target, OpenRead);
    lineEndStyle = style;
    firstLineEnd = first;
    nulEndsLine = nul;
    return rc;
}

namespace {

size_t ascii_run_sse2(const wchar_t* text, size_t n, unsigned char* out)
{
    const __m128i high = _mm_set1_epi32(~0x7F), zero = _mm_setzero_si128();
    size_t i = 0;
    for (; n - i >= 16; i += 16) {
        const __m128i* p = reinterpret_cast<const __m128i*>(text + i);
        __m128i a = _mm_loadu_si128(p), b = _mm_loadu_si128(p + 1), c = _mm_loadu_si128(p + 2),
                d = _mm_loadu_si128(p + 3);
        __m128i any = _mm_and_si128(_mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(c, d)), high);
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(any, zero)) != 0xFFFF)
            break;
        __m128i lo = _mm_packs_epi32(a, b), hi = _mm_packs_epi32(c, d);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(lo, hi));
    }
    return i;
}

// Thirty-two at a time where the processor has AVX2; the rest, and the
// group that stops the run, sixteen at a time as above.
__attribute__((target("avx2"))) size_t ascii_run_avx2(const wchar_t* text, size_t n, unsigned char* out)
{
    const __m256i high = _mm256_set1_epi32(~0x7F);
    // The packs work within 128-bit lanes: this puts the 32-bit groups
    // of bytes back in order.
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    size_t i = 0;
    for (; n - i >= 32; i += 32) {
        const __m256i* p = reinterpret_cast<const __m256i*>(text + i);
        __m256i a = _mm256_loadu_si256(p), b = _mm256_loadu_si256(p + 1), c = _mm256_loadu_si256(p + 2),
                d = _mm256_loadu_si256(p + 3);
        __m256i any = _mm256_or_si256(_mm256_or_si256(a, b), _mm256_or_si256(c, d));
        if (!_mm256_testz_si256(any, high))
            break;
        __m256i bytes = _mm256_packus_epi16(_mm256_packs_epi32(a, b), _mm256_packs_epi32(c, d));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_permutevar8x32_epi32(bytes, order));
    }
    return i + ascii_run_sse2(text + i, n - i, out + i);
}

}

size_t AsciiRun(const wchar_t* text, size_t n, unsigned char* out)
{
    static const bool avx2 = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"));
    return avx2 ? ascii_run_avx2(text, n, out) : ascii_run_sse2(text, n, out);
}
