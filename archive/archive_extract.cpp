#include "archive/archive_extract.h"

#include "command/quote_name.h"
#include "command/temp_files.h"
#include "config/ini_file.h"
#include "fileops/file_system.h"
#include "panels/change_dir.h"
#include "panels/panel.h"
#include "textui/message_box.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

Westring status_text(int status)
{
    return Westring(L" (") + Westring(std::to_string(status).c_str()) + L")";
}

// True when path, below base, is reached through real directories only
// and is itself a regular file: whatever an archiver did with links or
// "..", nothing outside base is taken for the member.
bool regular_below(const Westring& base, const Westring& relative)
{
    Westring walked = base;
    int len = relative.strlen();
    int start = 0;
    for (int i = 0; i <= len; i++) {
        if (i < len && relative[i] != L'/')
            continue;
        Westring component = relative.mid(start, i - start);
        start = i + 1;
        if (component.empty() || std::wcscmp(component.c_str(), L".") == 0 ||
            std::wcscmp(component.c_str(), L"..") == 0)
            return false;
        walked = walked + L"/" + component;
        struct stat st;
        if (lstat(FileNameToSys(walked).c_str(), &st) != 0)
            return false;
        if (i < len ? !S_ISDIR(st.st_mode) : !S_ISREG(st.st_mode))
            return false;
    }
    return true;
}

// The argument naming member for its archiver in an Extract or Compress
// template.
Westring member_argument(const Archive& archive, const ArchiveEntry& member, bool patterns)
{
    // The single-file formats write their member under its listed name.
    if (archive.type == ArchGzip || archive.type == ArchBzip2)
        return QuoteName(Westring(member.name));
    Westring name = member_item(member).name;
    if (ArchiverForwardSlash(archive.type))
        name = ForwardSlash(name);
    if (patterns && ArchiverMatchesPatterns(archive.type))
        name = PatternQuote(name);
    return QuoteName(name);
}

int ArchiveTmpExtractHook(Archive& archive, const Westring& name, Westring& path)
{
    return ArchiveTmpExtract(archive, name, path);
}

int UpdateTmpFileHook(Archive& archive)
{
    return UpdateTmpFile(archive);
}

} // namespace

ArchiveItem member_item(const ArchiveEntry& member)
{
    ArchiveItem item;
    item.name = FileNameFromSys(member.stored);
    // A directory's stored name may end in "/"; its templates add their own.
    while (item.name.strlen() > 1 && item.name[item.name.strlen() - 1] == L'/')
        item.name = item.name.left(item.name.strlen() - 1);
    item.directory = member.IsDirectory();
    return item;
}

Westring member_path(const ArchiveEntry& member)
{
    Westring path(member.path);
    if (member.name_length == 0)
        return path;
    return path.empty() ? Westring(member.name) : path + L"/" + member.name;
}

int ExtractFile(Archive& archive, const ArchiveEntry& member, const Westring& directory, Westring& path)
{
    Westring command(Archiver[archive.type].value[ARCHIVER::Extract].c_str());
    Westring whole = member_path(member);
    if (command.trim().empty()) {
        error(Westring(esprintf("Extracting from %s not supported", archive.GetArchTypeName()).c_str()));
        return -1;
    }
    if (!FindArchiver(command))
        return -1;
    Westring files = ArchiverExtractsWhole(archive.type) ? Westring() : member_argument(archive, member, true);
    int result;
    {
        CWorkingDirectory back;
        if (int err = cdd(directory)) {
            error(Westring(GetOSErrorMessage(err).c_str()), directory.c_str());
            return -1;
        }
        result = RunArchiveCommand(command, archive.archivePath, files);
    }
    Westring relative = archive.type == ArchGzip || archive.type == ArchBzip2 ? Westring(member.name) : whole;
    if (result == 0 && !regular_below(directory, relative))
        result = ENOENT;
    if (result != 0) {
        Westring detail = whole + L" to " + directory + status_text(result);
        error(L"An error occurred extracting", detail.c_str());
        return -1;
    }
    path = directory + L"/" + relative;
    return 0;
}

CWorkingDirectory::CWorkingDirectory() : saved(PxGetCwd()) {}

CWorkingDirectory::~CWorkingDirectory()
{
    if (!saved.empty())
        (void)cdd(saved);
}

int ArchiveTmpExtract(Archive& archive, const Westring& name, Westring& path)
{
    if (archive.status != 0)
        return -1;
    const ArchiveEntry* member = archive.FindMember(archive.currentDirectory, name);
    if (!member || member->IsDirectory())
        return -1;
    if (member->unsafe) {
        error(L"Unsafe name in archive:", name.c_str());
        return -1;
    }
    Archive::TmpMember& tmp = archive.tmp;
    struct stat st;
    if (!tmp.directory.empty() && std::strcmp(tmp.member.c_str(), member->stored) == 0 &&
        lstat(FileNameToSys(tmp.file).c_str(), &st) == 0) {
        path = tmp.file;
        return 0;
    }
    if (!tmp.directory.empty()) {
        // A copy that could not be put back stays where the message said.
        if (UpdateTmpFile(archive) == 0)
            (void)RemoveTmpTree(tmp.directory);
        tmp = Archive::TmpMember();
    }
    Westring priv;
    if (int err = PrivateTmpDir(priv)) {
        error(L"Unable to create temporary directory", Westring(GetOSErrorMessage(err).c_str()).c_str());
        return -1;
    }
    std::string tmpl = std::string(FileNameToSys(priv).c_str()) + "/memberXXXXXX";
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back(0);
    if (!mkdtemp(buf.data())) {
        error(L"Unable to create temporary directory", priv.c_str());
        return -1;
    }
    Westring dir = FileNameFromSys(buf.data());
    Westring file;
    if (ExtractFile(archive, *member, dir, file) != 0) {
        (void)RemoveTmpTree(dir);
        return -1;
    }
    stat(FileNameToSys(file).c_str(), &st);
    tmp.directory = dir;
    tmp.file = file;
    tmp.member = member->stored;
    tmp.time = TimeStamp(st.st_mtim.tv_sec, static_cast<unsigned>(st.st_mtim.tv_nsec));
    tmp.size = st.st_size;
    path = file;
    return 0;
}

int UpdateTmpFile(Archive& archive)
{
    Archive::TmpMember& tmp = archive.tmp;
    if (tmp.directory.empty())
        return 0;
    struct stat st;
    if (stat(FileNameToSys(tmp.file).c_str(), &st) != 0) {
        error(L"Error reading file time stamp", Westring(GetOSErrorMessage(errno).c_str()).c_str());
        return 0;
    }
    TimeStamp now(st.st_mtim.tv_sec, static_cast<unsigned>(st.st_mtim.tv_nsec));
    if (now.seconds == tmp.time.seconds && now.nanoseconds == tmp.time.nanoseconds && st.st_size == tmp.size)
        return 0;
    Westring relative = tmp.file.mid(tmp.directory.strlen() + 1, 0);
    Westring command(Archiver[archive.type].value[ARCHIVER::Compress].c_str());
    int result = 0;
    if (command.trim().empty()) {
        error(Westring(esprintf("Adding to %s not supported", archive.GetArchTypeName()).c_str()));
        result = 1;
    } else if (!FindArchiver(command)) {
        result = 1;
    } else {
        if (ArchiverForwardSlash(archive.type))
            relative = ForwardSlash(relative);
        {
            CWorkingDirectory back;
            result = cdd(tmp.directory);
            if (result == 0)
                result = RunArchiveCommand(command, archive.archivePath, QuoteName(relative),
                                           ArchiveUpdateRunFlags);
        }
        if (result != 0) {
            Westring detail = relative + L" to " + archive.archivePath + status_text(result);
            error(L"An error occurred updating", detail.c_str());
        }
    }
    if (result != 0) {
        error(L"The changed copy is kept in", tmp.file.c_str());
        return result < 0 ? 1 : result;
    }
    tmp.time = now;
    tmp.size = st.st_size;
    return 0;
}

void archive_member_edited(PANEL* panel)
{
    if (!panel || !panel->archive || panel->archive->tmp.directory.empty())
        return;
    Archive::TmpMember before = panel->archive->tmp;
    if (UpdateTmpFile(*panel->archive) != 0)
        return;
    if (before.time.seconds != panel->archive->tmp.time.seconds ||
        before.time.nanoseconds != panel->archive->tmp.time.nanoseconds || before.size != panel->archive->tmp.size)
        (void)reload_archive(panel);
}

void install_archive_member_hooks()
{
    archive_extract_hook = ArchiveTmpExtractHook;
    archive_write_back_hook = UpdateTmpFileHook;
}
