#ifndef PANNEX_ARCHIVE_ARCHIVE_H
#define PANNEX_ARCHIVE_ARCHIVE_H

#include "archive/archive_entry.h"
#include "foundation/estring.h"
#include "foundation/memory_pool.h"
#include "foundation/westring.h"

#include <memory>
#include <unordered_map>

class CArchiveFile;

// The format indexes; the same index picks the archiver of the format.
enum EArchiveType : int {
    ArchZip = 0,
    ArchRar = 1,
    ArchLharc = 2,
    ArchArj = 3,
    ArchAce = 4,
    ArchHa = 5,
    ArchGzip = 6,
    ArchTar = 7,
    Arch7zip = 8,
    ArchBzip2 = 9,
    ArchTypeCount = 10,
};

// What reading an archive needs from the settings, handed in by whoever
// opens it (the archive library does not read px.ini).
struct ArchiveSettings
{
    // Code page of 8-bit names that are not valid UTF-8; 0 = the
    // program-wide codepage.
    int CodePage = 0;
};

// How an archive being read reaches the user: the reading progress
// display, messages and the Escape key. ArchiveScreenUI is the program's;
// tests and fuzz targets record or ignore.
class CArchiveUI
{
public:
    virtual ~CArchiveUI() = default;
    // Reading starts; count is the number of members read so far and stays
    // valid until EndRead.
    virtual void BeginRead(int& count) { (void)count; }
    // Reading ends; also called before a message, so that the display does
    // not draw over it. A second call does nothing.
    virtual void EndRead() {}
    // A damaged archive: message and the archive's path.
    virtual void Message(const Westring& message, const Westring& name) { (void)message, (void)name; }
    // The user asked to stop (Escape).
    virtual bool Stopped() { return false; }
};

// The program's: "Reading directory:" after a second, the message box,
// and break_status 2 from Escape. Logic thread.
class ArchiveScreenUI : public CArchiveUI
{
public:
    ArchiveScreenUI();
    ~ArchiveScreenUI() override;
    void BeginRead(int& count) override;
    void EndRead() override;
    void Message(const Westring& message, const Westring& name) override;
    bool Stopped() override;

private:
    struct Progress;
    std::unique_ptr<Progress> progress;
};

// One listed name, as FindFirst and FindNext give it to the panel.
struct ArchiveListEntry
{
    Westring name;
    unsigned long long size = 0;   // ArchiveSizeUnknown when not stored
    unsigned long long packed = 0; // likewise
    unsigned short attributes = 0; // ArchiveAttrDirectory for directories and ".."
    TimeStamp time;                // ArchiveTimeUnknown when not stored
    unsigned uid = 0, gid = 0;
    bool unsafe = false;
    bool link = false;
    // The member listed, or null for ".." and for a directory that only
    // deeper paths imply.
    const ArchiveEntry* member = nullptr;

    bool IsDirectory() const { return attributes & ArchiveAttrDirectory; }
};

// One open archive: its members, read once from the headers, and the
// listing of any directory inside it. The file is closed after reading;
// a change on disk is seen only by a reload.
class Archive
{
public:
    // Reads the archive at path (made absolute), trying the readers in the
    // fixed order ZIP, RAR, LZH, ARJ, ACE, HA, GZip, TAR, 7z, BZip2. parent
    // is the archive this one's file was extracted from, or null; it must
    // outlive this one. ui may be null for the program's ArchiveScreenUI.
    // Check status.
    Archive(const Westring& path, Archive* parent, const ArchiveSettings& settings = {},
            CArchiveUI* ui = nullptr);
    // The same on bytes already at hand (fuzzing, tests); path only names
    // the archive. onlyType >= 0 tries that format's reader alone.
    Archive(const Westring& path, CArchiveFile& file, const ArchiveSettings& settings, CArchiveUI* ui,
            int onlyType = -1);
    virtual ~Archive();
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    // 0 when a reader recognised the file, -1 when it could not be opened,
    // no reader knew it, or reading was stopped.
    int status = -1;
    // An EArchiveType when status is 0.
    int type = -1;
    // The archive file, absolute.
    Westring archivePath;
    Archive* parent = nullptr;
    // The file's modification time when it was read; also the time of "..".
    TimeStamp archiveTime;
    // The directory being listed ("" = root).
    Westring currentDirectory;
    // The dot-slash flag of the member last listed.
    bool currentDotSlash = false;
    // Members read so far, shown by the progress display.
    int readCount = 0;
    // Set by a reader that lists a format of another type's archiver (RAR
    // 5 through the 7z path); -1 takes the reader's own type.
    int readerType = -1;

    // The path under which the root shows in a panel: the archive path, or
    // for a nested archive the parent's VirtualRoot, its current directory
    // and this archive's file name, joined by single "/".
    Westring VirtualRoot() const;
    // "ZIP", "RAR", "LHARC", "ARJ", "ACE", "HA", "GZIP", "TAR", "7ZIP",
    // "BZIP2"; "" before a reader recognised the file.
    const char* GetArchTypeName() const;
    static const char* TypeName(int type);

    // Starts listing dir: 0 with ".." in e, or -1 when the archive is not
    // valid or holds no such directory. Every subdirectory is listed once,
    // stored or implied by deeper paths; unsafe members list at the root.
    [[nodiscard]] int FindFirst(const Westring& dir, ArchiveListEntry& e);
    // The next entry of the listing: 0, or -1 at the end.
    [[nodiscard]] int FindNext(ArchiveListEntry& e);
    // Sums of the known unpacked and packed sizes of all file members,
    // computed once.
    void GetTotals(unsigned long long& size, unsigned long long& packed);
    // The member called name in dir, or null.
    const ArchiveEntry* FindMember(const Westring& dir, const Westring& name) const;

    const ArchiveEntryStore& Entries() const { return entries; }

    // For the readers.
    // A new member with defaults, owned by the pool.
    ArchiveEntry* NewEntry();
    // Copies into the pool; never null.
    const wchar_t* strdup(const wchar_t* s, int n);
    const char* strdup(const char* s, int n);
    // Decodes a stored name (see archive_names.h for the rules), fills
    // path, name, stored, dotslash and unsafe, and appends the member.
    // directory: the format marks it a directory (the whole name is the
    // path). utf8: the format says the name is UTF-8.
    void AddMember(ArchiveEntry* e, const char* stored, int length, bool directory, bool utf8);
    // The same with a name already decoded to code points (RAR Unicode,
    // 7z); stored keeps the bytes for command lines.
    void AddMember(ArchiveEntry* e, const wchar_t* wname, int wlength, const char* stored, int length,
                   bool directory);
    // A stored DOS date and time as local time. The local offset is looked
    // up once per day and hour, which holds wherever daylight saving
    // changes on the hour.
    TimeStamp DosTime(unsigned date, unsigned time);
    // Stops the progress display and reports message naming the archive.
    void error(const Westring& message);
    // The user pressed Escape.
    bool Stopped();
    // Resolved code page for 8-bit names.
    int CodePage() const { return codepageForNames; }

    // The member last extracted for viewing, editing, a command line or a
    // nested archive: its own directory (made by the archive commands in
    // the private temporary directory, empty when there is none), the
    // extracted file, the member as the archiver names it, and the file's
    // time and size after extraction, which tell whether it was changed.
    // The archive owns the directory: it goes when the member is replaced
    // or the archive closes, after a changed copy was written back.
    struct TmpMember
    {
        Westring directory;
        Westring file;
        Estring member;
        TimeStamp time;
        long long size = 0;
    };
    TmpMember tmp;

    // Normalises a path in place: drops a leading "./", turns "." into "";
    // returns whether it did either. len is updated.
    static bool FixDotSlash(wchar_t* path, int& len);

private:
    void Read(CArchiveFile& file, int onlyType = -1);
    void Finish();
    void MarkLinkedPaths();

    ArchiveSettings settings;
    int codepageForNames = 850;
    std::unique_ptr<CArchiveUI> ownUI;
    CArchiveUI* ui = nullptr;
    MemoryPool pool;
    ArchiveEntryStore entries;
    // Listing state: the last synthesised subdirectory and the position.
    Westring lastSubdirectory;
    int position = -1;
    bool totalsKnown = false;
    unsigned long long totalSize = 0, totalPacked = 0;
    bool hasLinks = false;
    std::unordered_map<unsigned, time_t> dosHours;
    // The path of the member added last, shared by the next when equal.
    const wchar_t* lastPath = L"";
    int lastPathLength = 0;
    // The parent's current directory when this archive was opened from it.
    Westring parentDirectory;
};

// Extracting members and writing them back run the archivers, which the
// archive commands above the panels own; they set these hooks at start-up.
// Logic thread.
//
// Extracts the member called name in the archive's current directory into
// a temporary directory of its own (replacing the archive's earlier one):
// 0 with the copy's path, or -1 once the user was told why not (an unsafe
// name, no archiver, a failed run). Null: nothing can be extracted.
using ArchiveExtractHook = int (*)(Archive& archive, const Westring& name, Westring& path);
extern ArchiveExtractHook archive_extract_hook;
// Called by ~Archive while its temporary member exists: puts a changed
// copy back; 0 lets the temporary directory go, anything else keeps it
// (the user was told its path). Null: the directory simply goes.
using ArchiveWriteBackHook = int (*)(Archive& archive);
extern ArchiveWriteBackHook archive_write_back_hook;

// archive_extract_hook, or -1 when there is none.
[[nodiscard]] int TmpExtractFile(Archive& archive, const Westring& name, Westring& path);

// Removes a directory tree without following any link and without asking;
// 0 or the first errno. For the archive's own temporary directories.
[[nodiscard]] int RemoveTmpTree(const Westring& directory);

// Reads the archive again from its file (after an archiver changed it) and
// replaces *archive with the new one: 0, or -1 with *archive deleted and
// null when the file can no longer be read. The current directory is kept
// when it still exists.
[[nodiscard]] int ArchiveReload(Archive*& archive, const ArchiveSettings& settings = {},
                                CArchiveUI* ui = nullptr);

#endif
