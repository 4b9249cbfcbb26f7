#include "archive/archive.h"

#include "archive/archive_file.h"
#include "archive/archive_names.h"
#include "archive/archive_readers.h"
#include "console/console.h"
#include "fileops/path_grammar.h"
#include "foundation/nls.h"
#include "textui/message_box.h"
#include "textui/progress_thread.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <ctime>
#include <cwchar>
#include <cerrno>
#include <ftw.h>
#include <unistd.h>
#include <sys/stat.h>
#include <unordered_set>
#include <string>

struct ArchiveScreenUI::Progress
{
    explicit Progress(int& count) : display(count) {}
    DirReadProgress display;
};

ArchiveScreenUI::ArchiveScreenUI() = default;
ArchiveScreenUI::~ArchiveScreenUI() = default;

void ArchiveScreenUI::BeginRead(int& count)
{
    progress = std::make_unique<Progress>(count);
}

void ArchiveScreenUI::EndRead()
{
    progress.reset();
}

void ArchiveScreenUI::Message(const Westring& message, const Westring& name)
{
    EndRead();
    error(message, name.c_str());
}

bool ArchiveScreenUI::Stopped()
{
    return break_status == 2;
}

namespace {

using Reader = int (*)(Archive&, CArchiveFile&);
// The order matters: a later reader's signature can occur inside an
// earlier format (a zip stored in a tar), and the first match decides.
constexpr struct
{
    int type;
    Reader read;
} readers[] = {
    {ArchZip, read_zip},   {ArchRar, read_rar},   {ArchLharc, read_lzh},     {ArchArj, read_arj},
    {ArchAce, read_ace},   {ArchHa, read_ha},     {ArchGzip, read_gzip},     {ArchTar, read_tar},
    {Arch7zip, read_seven_zip}, {ArchBzip2, read_bzip2},
};

constexpr const char* typeNames[ArchTypeCount] = {"ZIP", "RAR", "LHARC", "ARJ", "ACE",
                                                  "HA",  "GZIP", "TAR",  "7ZIP", "BZIP2"};

} // namespace

Archive::Archive(const Westring& path, Archive* parentArchive, const ArchiveSettings& s, CArchiveUI* userInterface)
    : archivePath(path), parent(parentArchive), settings(s)
{
    if (ResolvePath(archivePath) != 0)
        archivePath = path;
    if (parent)
        parentDirectory = parent->currentDirectory;
    codepageForNames = settings.CodePage ? settings.CodePage : (codepage ? codepage : 850);
    if (!userInterface) {
        ownUI = std::make_unique<ArchiveScreenUI>();
        userInterface = ownUI.get();
    }
    ui = userInterface;
    Estring sysPath = FileNameToSys(archivePath);
    struct stat st;
    if (stat(sysPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return;
    CArchiveDiskFile file;
    if (file.Open(sysPath.c_str()) != 0)
        return;
    archiveTime = TimeStamp(st.st_mtim.tv_sec, static_cast<unsigned>(st.st_mtim.tv_nsec));
    Read(file);
}

Archive::Archive(const Westring& path, CArchiveFile& file, const ArchiveSettings& s, CArchiveUI* userInterface,
                 int onlyType)
    : archivePath(path), settings(s)
{
    codepageForNames = settings.CodePage ? settings.CodePage : (codepage ? codepage : 850);
    if (!userInterface) {
        ownUI = std::make_unique<CArchiveUI>();
        userInterface = ownUI.get();
    }
    ui = userInterface;
    Read(file, onlyType);
}

ArchiveExtractHook archive_extract_hook = nullptr;
ArchiveWriteBackHook archive_write_back_hook = nullptr;

Archive::~Archive()
{
    if (tmp.directory.empty())
        return;
    // A copy whose write-back failed is the user's only edited text: it
    // stays where the message said.
    if (archive_write_back_hook && archive_write_back_hook(*this) != 0)
        return;
    (void)RemoveTmpTree(tmp.directory);
}

int TmpExtractFile(Archive& archive, const Westring& name, Westring& path)
{
    if (!archive_extract_hook)
        return -1;
    return archive_extract_hook(archive, name, path);
}

namespace {

int remove_entry(const char* path, const struct stat*, int flag, struct FTW*)
{
    int r = flag == FTW_DP ? rmdir(path) : unlink(path);
    return r == 0 ? 0 : errno;
}

} // namespace

int RemoveTmpTree(const Westring& directory)
{
    if (directory.empty())
        return 0;
    Estring sys = FileNameToSys(directory);
    // Depth first, never through a link: a link an archiver made in the
    // directory is removed as a link.
    int r = nftw(sys.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS);
    return r < 0 ? errno : r;
}

void Archive::Read(CArchiveFile& file, int onlyType)
{
    ui->BeginRead(readCount);
    int previous = break_status;
    if (previous == 0)
        break_status = 1;
    for (const auto& r : readers) {
        if (onlyType >= 0 && r.type != onlyType)
            continue;
        readerType = -1;
        if (r.read(*this, file) == 0) {
            type = readerType >= 0 ? readerType : r.type;
            status = 0;
            break;
        }
        // A reader that gives up leaves nothing behind for the next one.
        entries.Clear();
        hasLinks = false;
        if (Stopped())
            break;
    }
    // Escape during reading leaves the file unrecognised: a partial list
    // would look like the whole archive.
    if (Stopped()) {
        status = -1;
        type = -1;
        entries.Clear();
    }
    if (status == 0)
        Finish();
    ui->EndRead();
    if (previous == 0)
        break_status = 0;
}

void Archive::Finish()
{
    if (hasLinks)
        MarkLinkedPaths();
    entries.Sort();
}

// A member below a symbolic-link member would be written through the link
// on extraction, wherever it points: such members are unsafe and move to
// the root under their whole name.
void Archive::MarkLinkedPaths()
{
    std::unordered_set<std::wstring> links;
    for (int i = 0; i < entries.Count(); i++) {
        const ArchiveEntry* e = entries.At(i);
        if (!e->link || e->unsafe)
            continue;
        std::wstring full(e->path, static_cast<size_t>(e->path_length));
        if (e->name_length) {
            if (!full.empty())
                full += L'/';
            full.append(e->name, static_cast<size_t>(e->name_length));
        }
        links.insert(full);
    }
    for (int i = 0; i < entries.Count(); i++) {
        ArchiveEntry* e = entries.At(i);
        if (e->unsafe)
            continue;
        std::wstring path(e->path, static_cast<size_t>(e->path_length));
        bool below = false;
        for (size_t k = 0; k <= path.size() && !below; k++) {
            if (k < path.size() && path[k] != L'/')
                continue;
            // For a directory member its whole path is itself, not a parent.
            if (k == path.size() && !e->name_length)
                break;
            below = links.count(path.substr(0, k)) != 0;
        }
        if (!below)
            continue;
        std::wstring whole = e->dotslash ? L"./" + path : path;
        if (e->name_length) {
            whole += L'/';
            whole.append(e->name, static_cast<size_t>(e->name_length));
        } else {
            whole += L'/';
        }
        e->name = strdup(whole.c_str(), static_cast<int>(whole.size()));
        e->name_length = static_cast<int>(whole.size());
        e->path = L"";
        e->path_length = 0;
        e->attributes &= static_cast<unsigned short>(~ArchiveAttrDirectory);
        e->unsafe = true;
    }
}

const char* Archive::TypeName(int t)
{
    return t >= 0 && t < ArchTypeCount ? typeNames[t] : "";
}

const char* Archive::GetArchTypeName() const
{
    return TypeName(type);
}

Westring Archive::VirtualRoot() const
{
    if (!parent)
        return archivePath;
    Westring root = parent->VirtualRoot();
    auto join = [&root](const Westring& part) {
        if (part.empty())
            return;
        if (root.empty() || root[root.strlen() - 1] != L'/')
            root += L'/';
        root += part;
    };
    join(parentDirectory);
    join(archivePath.filename());
    return root;
}

ArchiveEntry* Archive::NewEntry()
{
    void* p = pool.Alloc(sizeof(ArchiveEntry));
    return new (p) ArchiveEntry();
}

const wchar_t* Archive::strdup(const wchar_t* s, int n)
{
    // Rounded to 8 bytes, so that the members allocated after it stay aligned.
    size_t room = (sizeof(wchar_t) * static_cast<size_t>(n + 1) + 7) & ~static_cast<size_t>(7);
    auto* p = static_cast<wchar_t*>(pool.Alloc(room));
    if (n)
        std::memcpy(p, s, sizeof(wchar_t) * static_cast<size_t>(n));
    p[n] = 0;
    return p;
}

const char* Archive::strdup(const char* s, int n)
{
    // Keeps the pool's wchar_t and entry allocations aligned.
    size_t room = (static_cast<size_t>(n) + 1 + 7) & ~static_cast<size_t>(7);
    auto* p = static_cast<char*>(pool.Alloc(room));
    if (n)
        std::memcpy(p, s, static_cast<size_t>(n));
    p[n] = 0;
    return p;
}

void Archive::AddMember(ArchiveEntry* e, const char* stored, int length, bool directory, bool utf8)
{
    static thread_local std::vector<wchar_t> name;
    DecodeArchiveName(stored, length, utf8, codepageForNames, name);
    AddMember(e, name.data(), static_cast<int>(name.size()), stored, length, directory);
}

void Archive::AddMember(ArchiveEntry* e, const wchar_t* wname, int wlength, const char* stored, int length,
                        bool directory)
{
    e->stored = strdup(stored, length);
    e->stored_length = length;
    // A decoded name ends at a NUL (RAR's wide form can encode one).
    for (int i = 0; i < wlength; i++)
        if (!wname[i]) {
            wlength = i;
            break;
        }
    // The format's own mark decides what is a directory: a DOS attribute
    // word with 0x10 on a member with a name would list a directory that
    // cannot be entered.
    if (!directory && !(wlength > 0 && wname[wlength - 1] == L'/'))
        e->attributes &= static_cast<unsigned short>(~ArchiveAttrDirectory);
    if (e->link)
        hasLinks = true;
    if (IsUnsafeArchiveName(wname, wlength)) {
        e->unsafe = true;
        e->attributes &= static_cast<unsigned short>(~ArchiveAttrDirectory);
        e->name = strdup(wname, wlength);
        e->name_length = wlength;
        entries.Add(e);
        readCount++;
        return;
    }
    // One trailing "/" marks a directory in every format that has no flag
    // for it (IsUnsafeArchiveName let through no more than one).
    if (wlength > 0 && wname[wlength - 1] == L'/') {
        directory = true;
        wlength--;
    }
    int split = wlength;
    if (!directory) {
        split = -1;
        for (int i = wlength - 1; i >= 0; i--)
            if (wname[i] == L'/') {
                split = i;
                break;
            }
    }
    static thread_local std::vector<wchar_t> path;
    int pathLength = split < 0 ? 0 : split;
    path.assign(wname, wname + pathLength);
    path.push_back(0);
    e->dotslash = FixDotSlash(path.data(), pathLength);
    // Consecutive members of one directory share one copy of its path,
    // which also lets sorting compare them by name alone.
    if (pathLength == lastPathLength &&
        std::wmemcmp(lastPath, path.data(), static_cast<size_t>(pathLength)) == 0) {
        e->path = lastPath;
    } else {
        e->path = strdup(path.data(), pathLength);
        lastPath = e->path;
        lastPathLength = pathLength;
    }
    e->path_length = pathLength;
    if (directory) {
        e->attributes |= ArchiveAttrDirectory;
    } else {
        // A name of "." with a leading "./" was split off: "./x" is x.
        int start = split + 1;
        if (split < 0 && wlength == 1 && wname[0] == L'.') {
            e->dotslash = true;
            start = wlength;
        }
        e->name = strdup(wname + start, wlength - start);
        e->name_length = wlength - start;
    }
    entries.Add(e);
    readCount++;
}

bool Archive::FixDotSlash(wchar_t* p, int& len)
{
    if (len >= 2 && p[0] == L'.' && p[1] == L'/') {
        std::memmove(p, p + 2, sizeof(wchar_t) * static_cast<size_t>(len - 1));
        len -= 2;
        return true;
    }
    if (len == 1 && p[0] == L'.') {
        p[0] = 0;
        len = 0;
        return true;
    }
    return false;
}

TimeStamp Archive::DosTime(unsigned date, unsigned time)
{
    unsigned key = (date & 0xFFFF) << 5 | (time >> 11);
    auto it = dosHours.find(key);
    if (it == dosHours.end()) {
        // The hour's fields read as UTC, moved by the local offset in force
        // then. mktime would do the same but reads the time-zone file on
        // every call; localtime_r reads it once.
        DOSDATE d(static_cast<unsigned short>(date));
        tm fields{};
        fields.tm_year = d.year() - 1900;
        fields.tm_mon = d.month() - 1;
        fields.tm_mday = d.day();
        fields.tm_hour = static_cast<int>(time >> 11);
        time_t guess = timegm(&fields);
        tm local{};
        localtime_r(&guess, &local);
        time_t t = guess - local.tm_gmtoff;
        localtime_r(&t, &local);
        t = guess - local.tm_gmtoff;
        it = dosHours.emplace(key, t).first;
    }
    DOSTIME t(static_cast<unsigned short>(time));
    return TimeStamp(it->second + t.minute() * 60 + t.second(), 0);
}

void Archive::error(const Westring& message)
{
    ui->EndRead();
    ui->Message(message, archivePath);
}

bool Archive::Stopped()
{
    return ui->Stopped();
}

namespace {

bool path_is_below(const wchar_t* dir, int dirlen, const ArchiveEntry& e)
{
    if (dirlen == 0)
        return true;
    if (e.path_length < dirlen || std::wmemcmp(e.path, dir, static_cast<size_t>(dirlen)) != 0)
        return false;
    return e.path_length == dirlen || e.path[dirlen] == L'/';
}

} // namespace

int Archive::FindFirst(const Westring& dir, ArchiveListEntry& e)
{
    currentDirectory = dir;
    int dirlen = currentDirectory.strlen();
    while (dirlen > 0 && currentDirectory[dirlen - 1] == L'/')
        dirlen--;
    currentDirectory = currentDirectory.left(dirlen);
    lastSubdirectory = Westring();
    position = -1;
    if (status != 0)
        return -1;
    int first = entries.LowerBound(currentDirectory.c_str(), dirlen);
    position = first - 1;
    if (dirlen > 0 && (first >= entries.Count() || !path_is_below(currentDirectory.c_str(), dirlen, *entries.At(first))))
        return -1;
    e = ArchiveListEntry();
    e.name = L"..";
    e.attributes = ArchiveAttrDirectory;
    e.time = archiveTime;
    e.size = 0;
    e.packed = 0;
    currentDotSlash = false;
    return 0;
}

int Archive::FindNext(ArchiveListEntry& e)
{
    if (status != 0)
        return -1;
    const wchar_t* dir = currentDirectory.c_str();
    int dirlen = currentDirectory.strlen();
    while (++position < entries.Count()) {
        const ArchiveEntry& m = *entries.At(position);
        if (m.path_length == dirlen && std::wmemcmp(m.path, dir, static_cast<size_t>(dirlen)) == 0 &&
            m.name_length) {
            e = ArchiveListEntry();
            e.name = Westring(m.name);
            e.size = m.size;
            e.packed = m.packed;
            e.attributes = m.attributes;
            e.time = m.time;
            e.uid = m.uid;
            e.gid = m.gid;
            e.unsafe = m.unsafe;
            e.link = m.link;
            e.member = &m;
            currentDotSlash = m.dotslash;
            return 0;
        }
        if (!path_is_below(dir, dirlen, m))
            return -1;
        // The first component of the rest of the path names a subdirectory.
        int start = dirlen ? dirlen + 1 : 0;
        if (start > m.path_length)
            continue;
        int end = start;
        while (end < m.path_length && m.path[end] != L'/')
            end++;
        if (end == start)
            continue;
        int n = end - start;
        if (lastSubdirectory.strlen() == n &&
            std::wmemcmp(lastSubdirectory.c_str(), m.path + start, static_cast<size_t>(n)) == 0)
            continue;
        lastSubdirectory = Westring();
        lastSubdirectory.copy(m.path + start, n);
        e = ArchiveListEntry();
        e.name = lastSubdirectory;
        e.attributes = ArchiveAttrDirectory;
        e.time = m.time;
        e.size = 0;
        e.packed = 0;
        // The stored directory member itself, when this is it.
        if (end == m.path_length && !m.name_length) {
            e.attributes = m.attributes;
            e.uid = m.uid;
            e.gid = m.gid;
            e.link = m.link;
            e.member = &m;
        }
        currentDotSlash = m.dotslash;
        return 0;
    }
    return -1;
}

void Archive::GetTotals(unsigned long long& size, unsigned long long& packed)
{
    if (!totalsKnown) {
        totalSize = totalPacked = 0;
        for (int i = 0; i < entries.Count(); i++) {
            const ArchiveEntry* e = entries.At(i);
            if (e->IsDirectory())
                continue;
            if (e->size != ArchiveSizeUnknown)
                totalSize += e->size;
            if (e->packed != ArchiveSizeUnknown)
                totalPacked += e->packed;
        }
        totalsKnown = true;
    }
    size = totalSize;
    packed = totalPacked;
}

const ArchiveEntry* Archive::FindMember(const Westring& dir, const Westring& name) const
{
    int dirlen = dir.strlen();
    for (int i = entries.LowerBound(dir.c_str(), dirlen); i < entries.Count(); i++) {
        const ArchiveEntry* e = entries.At(i);
        if (CompArchPath(e->path, e->path_length, dir.c_str(), dirlen) != 0)
            break;
        if (std::wcscmp(e->name, name.c_str()) == 0)
            return e;
    }
    return nullptr;
}

int ArchiveReload(Archive*& archive, const ArchiveSettings& settings, CArchiveUI* ui)
{
    assert(archive);
    Westring dir = archive->currentDirectory;
    auto* fresh = new Archive(archive->archivePath, archive->parent, settings, ui);
    delete archive;
    archive = nullptr;
    if (fresh->status != 0) {
        delete fresh;
        return -1;
    }
    ArchiveListEntry e;
    if (fresh->FindFirst(dir, e) != 0 && fresh->FindFirst(Westring(), e) != 0) {
        delete fresh;
        return -1;
    }
    archive = fresh;
    return 0;
}

long long find_signature(CArchiveFile& f, const char* sig, int n, long long from, long long limit)
{
    // Reads in chunks that overlap by n - 1 bytes, so that a signature
    // across a chunk boundary is found; the first match counts.
    constexpr int Chunk = 16384;
    unsigned char buf[Chunk];
    if (limit > f.Size())
        limit = f.Size();
    for (long long pos = from; pos < limit;) {
        int want = static_cast<int>(std::min<long long>(Chunk, limit - pos + n - 1));
        int got = f.ReadAt(pos, buf, want);
        if (got < n)
            return -1;
        const unsigned char* begin = buf;
        const unsigned char* end = buf + got;
        const unsigned char* hit =
            std::search(begin, end, reinterpret_cast<const unsigned char*>(sig), reinterpret_cast<const unsigned char*>(sig) + n);
        if (hit != end && pos + (hit - buf) < limit)
            return pos + (hit - buf);
        if (got < want)
            return -1;
        pos += got - (n - 1);
    }
    return -1;
}

Westring archive_base_name(const Archive& a)
{
    return a.archivePath.filename();
}
