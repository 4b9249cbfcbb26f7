#include "archive/archive.h"
#include "archive/archive_file.h"
#include "archive/archive_readers.h"

#include <algorithm>
#include <archive.h>
#include <archive_entry.h>
#include <clocale>
#include <cstring>
#include <locale.h>
#include <memory>
#include <vector>

// 7z, and RAR 5 (whose marker differs from RAR 4's in its seventh byte),
// through libarchive over the random-access file. Only headers are asked
// for: libarchive lists a 7z from its header database and skips member
// data without decoding it when nothing was read.

namespace {

constexpr char SevenZipSig[] = "7z\xBC\xAF\x27\x1C";
constexpr char Rar5Sig[] = "Rar!\x1A\x07\x01\x00";
constexpr int ChunkSize = 65536;

struct Source
{
    CArchiveFile& file;
    long long pos = 0;
    std::unique_ptr<unsigned char[]> chunk = std::make_unique<unsigned char[]>(ChunkSize);
};

la_ssize_t read_callback(struct archive* ar, void* data, const void** buffer)
{
    auto* s = static_cast<Source*>(data);
    int got = s->file.ReadAt(s->pos, s->chunk.get(), ChunkSize);
    if (got < 0) {
        archive_set_error(ar, EIO, "Read error");
        return -1;
    }
    s->pos += got;
    *buffer = s->chunk.get();
    return got;
}

la_int64_t seek_callback(struct archive*, void* data, la_int64_t offset, int whence)
{
    auto* s = static_cast<Source*>(data);
    long long target;
    switch (whence) {
    case SEEK_SET:
        target = offset;
        break;
    case SEEK_CUR:
        target = s->pos + offset;
        break;
    case SEEK_END:
        target = s->file.Size() + offset;
        break;
    default:
        return ARCHIVE_FATAL;
    }
    if (target < 0)
        return ARCHIVE_FATAL;
    s->pos = target;
    return target;
}

la_int64_t skip_callback(struct archive*, void* data, la_int64_t request)
{
    auto* s = static_cast<Source*>(data);
    long long left = s->file.Size() - s->pos;
    long long n = request < left ? request : left;
    if (n < 0)
        n = 0;
    s->pos += n;
    return n;
}

// libarchive turns the archive's UTF-16 names into the thread's multibyte
// charset; UTF-8 for this thread while it lists, so that no name depends on
// the locale px runs in.
class Utf8Locale
{
public:
    Utf8Locale()
    {
        utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
        if (utf8)
            previous = uselocale(utf8);
    }
    ~Utf8Locale()
    {
        if (utf8) {
            uselocale(previous);
            freelocale(utf8);
        }
    }
    Utf8Locale(const Utf8Locale&) = delete;
    Utf8Locale& operator=(const Utf8Locale&) = delete;

private:
    locale_t utf8 = static_cast<locale_t>(0);
    locale_t previous = static_cast<locale_t>(0);
};

struct ArchiveCloser
{
    void operator()(struct archive* ar) const { archive_read_free(ar); }
};

// The 7z number: the leading one bits of the first byte count the bytes
// that follow (little-endian); the rest of it are the top bits.
bool read_number(const unsigned char*& p, const unsigned char* end, unsigned long long& value)
{
    if (p >= end)
        return false;
    unsigned first = *p++;
    value = 0;
    unsigned mask = 0x80;
    for (int i = 0; i < 8; i++, mask >>= 1) {
        if ((first & mask) == 0) {
            value |= static_cast<unsigned long long>(first & (mask - 1)) << (8 * i);
            return true;
        }
        if (p >= end)
            return false;
        value |= static_cast<unsigned long long>(*p++) << (8 * i);
    }
    return true;
}

// libarchive reserves the whole unpacked size an encoded (compressed)
// header declares before decoding it, so a few hundred crafted bytes could
// ask for gigabytes. The declared sizes are read here first: a header
// database larger than this is refused. 100,000 members take a few MiB.
constexpr unsigned long long MaxHeaderDatabase = 256ull << 20;
constexpr long long MaxNextHeaderRead = 1 << 20;

// True when the start header or an encoded header's declared sizes are
// impossible for this file; what cannot be parsed here is left to
// libarchive, which checks it.
bool header_sizes_impossible(CArchiveFile& f)
{
    unsigned char sig[32];
    if (!f.ReadExact(0, sig, 32))
        return false;
    auto le64 = [&](int at) {
        unsigned long long v = 0;
        for (int i = 7; i >= 0; i--)
            v = v << 8 | sig[at + i];
        return v;
    };
    unsigned long long offset = le64(12), size = le64(20);
    unsigned long long room = static_cast<unsigned long long>(f.Size()) - 32;
    if (offset > room || size > room - offset)
        return true;
    if (size == 0)
        return false;
    int n = static_cast<int>(std::min<unsigned long long>(size, MaxNextHeaderRead));
    std::vector<unsigned char> h(static_cast<size_t>(n));
    if (!f.ReadExact(32 + static_cast<long long>(offset), h.data(), n))
        return false;
    const unsigned char* p = h.data();
    const unsigned char* end = p + n;
    if (*p++ != 0x17)  // only an encoded header is unpacked first
        return false;
    unsigned long long v, folders = 0, outs = 0;
    // The pack information: position, stream count, sizes and digests.
    if (p < end && *p == 0x06) {
        p++;
        unsigned long long streams;
        if (!read_number(p, end, v) || !read_number(p, end, streams))
            return false;
        // Each stream needs at least a byte of its own here: libarchive
        // reserves by the count before reading them.
        if (streams > static_cast<unsigned long long>(end - p))
            return true;
        while (p < end && *p != 0x00) {
            unsigned id = *p++;
            if (id == 0x09) {
                for (unsigned long long i = 0; i < streams; i++)
                    if (!read_number(p, end, v))
                        return false;
            } else {
                return false;  // digests and the like: libarchive's business
            }
        }
        p++;
    }
    if (p >= end || *p++ != 0x07 || p >= end || *p++ != 0x0B)
        return false;
    if (!read_number(p, end, folders))
        return false;
    if (folders > static_cast<unsigned long long>(end - p))
        return true;  // each folder takes bytes of its own: a count no header can hold
    if (folders > 64 || p >= end || *p++ != 0)
        return false;
    for (unsigned long long i = 0; i < folders; i++) {
        unsigned long long coders, ins = 0, outsHere = 0;
        if (!read_number(p, end, coders) || coders > 64)
            return false;
        for (unsigned long long c = 0; c < coders; c++) {
            if (p >= end)
                return false;
            unsigned flags = *p++;
            p += flags & 0x0F;
            if (p > end)
                return false;
            unsigned long long in = 1, out = 1;
            if ((flags & 0x10) && (!read_number(p, end, in) || !read_number(p, end, out)))
                return false;
            if (in > 64 || out > 64)
                return false;
            ins += in;
            outsHere += out;
            if (flags & 0x20) {
                if (!read_number(p, end, v) || v > static_cast<unsigned long long>(end - p))
                    return false;
                p += v;
            }
        }
        if (outsHere == 0)
            return false;
        for (unsigned long long b = 0; b + 1 < outsHere; b++)
            if (!read_number(p, end, v) || !read_number(p, end, v))
                return false;
        if (ins < outsHere - 1)
            return false;
        unsigned long long packed = ins - (outsHere - 1);
        if (packed > 1)
            for (unsigned long long k = 0; k < packed; k++)
                if (!read_number(p, end, v))
                    return false;
        outs += outsHere;
    }
    if (p >= end || *p++ != 0x0C)
        return false;
    for (unsigned long long i = 0; i < outs; i++) {
        if (!read_number(p, end, v))
            return false;
        if (v > MaxHeaderDatabase)
            return true;
    }
    return false;
}

} // namespace

int read_seven_zip(Archive& a, CArchiveFile& f)
{
    unsigned char h[8];
    int got = f.ReadAt(0, h, 8);
    bool sevenZip = got >= 6 && std::memcmp(h, SevenZipSig, 6) == 0;
    bool rar5 = got == 8 && std::memcmp(h, Rar5Sig, 8) == 0;
    if (!sevenZip && !rar5)
        return -1;
    Utf8Locale locale;
    std::unique_ptr<struct archive, ArchiveCloser> ar(archive_read_new());
    if (!ar)
        return -1;
    if (sevenZip)
        archive_read_support_format_7zip(ar.get());
    else
        archive_read_support_format_rar5(ar.get());
    if (sevenZip && header_sizes_impossible(f)) {
        a.error(L"Error in 7z header");
        return -1;
    }
    Source source{f};
    archive_read_set_read_callback(ar.get(), read_callback);
    archive_read_set_seek_callback(ar.get(), seek_callback);
    archive_read_set_skip_callback(ar.get(), skip_callback);
    archive_read_set_callback_data(ar.get(), &source);
    if (archive_read_open1(ar.get()) != ARCHIVE_OK) {
        const char* why = archive_error_string(ar.get());
        a.error(Westring(why ? why : "Cannot read the archive"));
        return -1;
    }
    if (rar5)
        a.readerType = ArchRar;
    Westring ownName = archive_base_name(a);
    if (int dot = ownName.rchr(L'.'); dot > 0)
        ownName = ownName.left(dot);
    Estring ownStored = FileNameToSys(ownName);
    int members = 0;
    for (;;) {
        if (a.Stopped())
            return -1;
        struct archive_entry* entry;
        int rc = archive_read_next_header(ar.get(), &entry);
        if (rc == ARCHIVE_EOF)
            break;
        if (rc < ARCHIVE_WARN) {
            const char* why = archive_error_string(ar.get());
            a.error(Westring(why ? why : "Cannot read the archive"));
            if (members == 0)
                return -1;
            break;
        }
        ArchiveEntry* e = a.NewEntry();
        e->size = archive_entry_size_is_set(entry) ? static_cast<unsigned long long>(archive_entry_size(entry))
                                                   : ArchiveSizeUnknown;
        e->packed = ArchiveSizeUnknown;
        if (archive_entry_mtime_is_set(entry))
            e->time = TimeStamp(archive_entry_mtime(entry), static_cast<unsigned>(archive_entry_mtime_nsec(entry)));
        else
            e->time = ArchiveTimeUnknown;
        e->uid = static_cast<unsigned>(archive_entry_uid(entry));
        e->gid = static_cast<unsigned>(archive_entry_gid(entry));
        unsigned type = archive_entry_filetype(entry);
        bool directory = type == AE_IFDIR;
        e->link = type == AE_IFLNK;
        const char* name = archive_entry_pathname_utf8(entry);
        if (!name)
            name = archive_entry_pathname(entry);
        if (!name || !*name) {
            // An archive that stores no names holds one stream, named after
            // the archive.
            a.AddMember(e, ownName.c_str(), ownName.strlen(), ownStored.c_str(), ownStored.strlen(), directory);
        } else {
            a.AddMember(e, name, static_cast<int>(strnlen(name, 1 << 20)), directory, true);
        }
        members++;
    }
    return 0;
}
