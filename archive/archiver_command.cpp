#include "archive/archiver_command.h"

#include "archive/archive.h"
#include "command/execute.h"
#include "command/process.h"
#include "command/quote_name.h"
#include "command/temp_files.h"
#include "config/config.h"
#include "config/ini_file.h"
#include "panels/panel.h"
#include "textui/message_box.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The kernel's MAX_ARG_STRLEN: 32 pages of 4 KiB for one argument, here
// the shell's "-c" command line with its terminating NUL.
constexpr size_t MaxArgStrlen = 32 * 4096;
size_t command_room_bytes = 0;

size_t room()
{
    return command_room_bytes ? command_room_bytes : MaxArgStrlen - 1;
}

int run_on_console(const Westring& command, int flags)
{
    return run(command.c_str(), currpanel, command.c_str(), flags);
}

// The directory px runs from, for archivers installed beside it.
Westring own_directory()
{
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return Westring();
    buf[n] = 0;
    return FileNameFromSys(buf).path();
}

bool find_program(const Westring& program, Westring& found)
{
    if (PathSearch(program.c_str(), found, config.PathAppend))
        return true;
    Westring own = own_directory();
    if (own.empty() || program.chr(L'/') >= 0)
        return false;
    Westring candidate = own + L"/" + program;
    if (access(FileNameToSys(candidate).c_str(), X_OK) != 0)
        return false;
    found = candidate;
    return true;
}

// "> %a" with any blanks between: the template writes the archive through
// the shell's redirection.
int redirect_into_archive(const Westring& command)
{
    for (int i = command.instr(L"%a"); i >= 0; i = command.instr(L"%a", i + 2)) {
        int j = i - 1;
        while (j >= 0 && command[j] == L' ')
            j--;
        if (j >= 0 && command[j] == L'>')
            return i;
    }
    return -1;
}

size_t byte_length(const Westring& text)
{
    return static_cast<size_t>(FileNameToSys(text).strlen());
}

} // namespace

ArchiveRunner archive_runner = run_on_console;

void set_archive_command_room(size_t bytes)
{
    command_room_bytes = bytes;
}

Westring ShellEscape(const Westring& text)
{
    Westring out;
    for (int i = 0; i < text.strlen(); i++) {
        wchar_t c = text[i];
        if (c == L'*' || c == L'?' || c == L'!')
            out += L'\\';
        out += c;
    }
    return out;
}

Westring ForwardSlash(const Westring& text)
{
    Westring out = text;
    for (int i = 0; i < out.strlen(); i++)
        if (out[i] == L'\\')
            out[i] = L'/';
    return out;
}

bool ArchiverForwardSlash(int type)
{
    // unar names RAR members with "/" whatever the archive stored.
    return type == ArchTar || type == ArchRar;
}

bool ArchiverMatchesPatterns(int type)
{
    return type == ArchZip;
}

bool ArchiverExtractsWhole(int type)
{
    return type == ArchAce;
}

Westring PatternQuote(const Westring& name)
{
    Westring out;
    for (int i = 0; i < name.strlen(); i++) {
        wchar_t c = name[i];
        if (c == L'*' || c == L'?' || c == L'[') {
            out += L'[';
            out += c;
            out += L']';
        } else {
            out += c;
        }
    }
    return out;
}

bool FindArchiver(Westring& command, bool report)
{
    Westring text = command.trim();
    int blank = text.chr(L' ');
    Westring program = blank < 0 ? text : text.left(blank);
    Westring rest = blank < 0 ? Westring() : text.mid(blank, 0);
    // A program already quoted (a path found before) is taken as it is.
    Westring bare = DequoteName(program);
    Westring found;
    bool ok = find_program(bare, found);
    // Debian's 7zip package calls it 7zz.
    if (!ok && std::wcscmp(bare.c_str(), L"7z") == 0)
        ok = find_program(L"7zz", found);
    if (!ok) {
        if (report)
            error(L"Archiver not found:", bare.c_str());
        return false;
    }
    command = QuoteName(found) + rest;
    return true;
}

Westring pentry2cmd(const ArchiveItem& item, const Westring& prefix, const Westring& dirSpec, bool forListFile,
                    bool patterns)
{
    Westring name = patterns ? PatternQuote(item.name) : item.name;
    if (item.file && prefix.empty() && name[0] == L'-')
        name = Westring(L"./") + name;
    Westring whole = prefix + name;
    Westring quoted = forListFile ? whole : QuoteName(whole);
    if (!item.directory)
        return quoted;
    Westring out;
    for (int i = 0; i < dirSpec.strlen(); i++) {
        wchar_t c = dirSpec[i];
        if (c == L'!')
            out += quoted;
        else if (c == L' ' && forListFile)
            out += L'\n';
        else if (!forListFile && (c == L'*' || c == L'?'))
            out += Westring(L"\\") + c;
        else
            out += c;
    }
    return out;
}

Westring FillArchiveCommand(const Westring& command, const Westring& archive, const Westring& files,
                            Westring* redirect_to)
{
    Westring target = archive;
    if (redirect_to) {
        *redirect_to = Westring();
        if (redirect_into_archive(command) >= 0) {
            // Beside the archive, so that the rename stays on its file
            // system; the name is free when the command starts.
            Westring dir = archive.path().empty() ? Westring(L".") : archive.path();
            for (int n = 0; n < 1000; n++) {
                Westring candidate = dir + L"/.px" + Westring(std::to_string(getpid() % 65536).c_str()) + L"." +
                                     Westring(std::to_string(n).c_str()) + L"." + archive.filename();
                struct stat st;
                if (lstat(FileNameToSys(candidate).c_str(), &st) != 0) {
                    target = candidate;
                    *redirect_to = candidate;
                    break;
                }
            }
        }
    }
    Westring qarchive = QuoteName(target);
    Westring out;
    bool had_a = false, had_f = false;
    for (int i = 0; i < command.strlen(); i++) {
        if (command[i] == L'%' && i + 1 < command.strlen() && command[i + 1] == L'a') {
            out += qarchive;
            had_a = true;
            i++;
        } else if (command[i] == L'%' && i + 1 < command.strlen() && command[i + 1] == L'f') {
            out += files;
            had_f = true;
            i++;
        } else {
            out += command[i];
        }
    }
    if (!had_a)
        out += Westring(L" ") + qarchive;
    if (!had_f && !files.empty())
        out += Westring(L" ") + files;
    return out;
}

int RunArchiveCommand(const Westring& command, const Westring& archive, const Westring& files, int flags)
{
    Westring redirect;
    Westring line = FillArchiveCommand(command, archive, files, &redirect);
    int result = archive_runner(line, flags);
    if (redirect.empty())
        return result;
    Estring made = FileNameToSys(redirect);
    if (result == 0 && rename(made.c_str(), FileNameToSys(archive).c_str()) != 0)
        result = errno;
    if (result != 0)
        unlink(made.c_str());
    return result;
}

int ExecMultiFile(const Westring& command, const Westring& archive, const Westring& prefix,
                  const std::vector<ArchiveItem>& items, int type, int operation, int* runs)
{
    if (runs)
        *runs = 0;
    if (items.empty())
        return 0;
    const ARCHIVER& a = Archiver[type];
    Westring list_switch(a.value[operation == ArchiveOpExtract ? ARCHIVER::ExtractListfileSwitch
                                                               : ARCHIVER::CompressListfileSwitch].c_str());
    Westring dir_spec(a.value[operation == ArchiveOpExtract ? ARCHIVER::ExtractDirSpec : ARCHIVER::CompressDirSpec]
                          .c_str());
    Westring cmd = command;
    if (!FindArchiver(cmd))
        return -1;
    Westring pre = ArchiverForwardSlash(type) ? ForwardSlash(prefix) : prefix;
    // Only member names are matched as patterns; files on disk are not.
    auto patterns = [&](const ArchiveItem& item) { return ArchiverMatchesPatterns(type) && !item.file; };
    int result = 0;
    auto run_once = [&](const Westring& files) {
        if (runs)
            ++*runs;
        int r = RunArchiveCommand(cmd, archive, files);
        if (r > 0 && result == 0)
            result = r;
        return r;
    };

    if (items.size() == 1) {
        (void)run_once(pentry2cmd(items[0], pre, dir_spec, false, patterns(items[0])));
        return result;
    }

    std::vector<const ArchiveItem*> on_line;
    if (!list_switch.empty()) {
        Estring bytes;
        for (const ArchiveItem& item : items) {
            if (item.name.chr(L'\n') >= 0) {
                on_line.push_back(&item);
                continue;
            }
            bytes += FileNameToSys(pentry2cmd(item, pre, dir_spec, true, patterns(item)));
            bytes += "\n";
        }
        if (!bytes.empty()) {
            Westring list;
            int fd = -1;
            if (MakeTmpFile(list, fd) != 0)
                return -1;
            const char* p = bytes.c_str();
            size_t left = static_cast<size_t>(bytes.strlen());
            bool written = true;
            while (left > 0) {
                ssize_t n = write(fd, p, left);
                if (n < 0 && errno == EINTR)
                    continue;
                if (n <= 0) {
                    written = false;
                    break;
                }
                p += n;
                left -= static_cast<size_t>(n);
            }
            close(fd);
            if (written)
                (void)run_once(ShellEscape(list_switch) + QuoteName(list));
            unlink(FileNameToSys(list).c_str());
            if (!written)
                return -1;
        }
    } else {
        for (const ArchiveItem& item : items)
            on_line.push_back(&item);
    }

    // The rest on command lines, each as long as the kernel takes.
    size_t fixed = byte_length(FillArchiveCommand(cmd, archive, Westring()));
    Westring files;
    size_t files_bytes = 0;
    for (const ArchiveItem* item : on_line) {
        Westring arg = pentry2cmd(*item, pre, dir_spec, false, patterns(*item));
        size_t n = byte_length(arg) + 1;
        if (!files.empty() && fixed + files_bytes + n > room()) {
            if (result != 0)
                return result;
            (void)run_once(files);
            files = Westring();
            files_bytes = 0;
        }
        if (!files.empty())
            files += L' ';
        files += arg;
        files_bytes += n;
    }
    if (!files.empty() && result == 0)
        (void)run_once(files);
    return result;
}
