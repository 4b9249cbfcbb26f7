#include "archive/archive.h"
#include "archive/archive_file.h"
#include "archive/archive_readers.h"

#include <archive.h>
#include <archive_entry.h>
#include <clocale>
#include <cstring>
#include <locale.h>
#include <memory>

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
