#include "fileops/desktop_entry.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The stand-ins FileNameFromSys makes for bytes that are not UTF-8.
bool stray_byte(wchar_t c)
{
    return c >= 0xDC80 && c <= 0xDCFF;
}

int write_all(int fd, const char* p, size_t n)
{
    while (n > 0) {
        ssize_t w = write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        p += w;
        n -= static_cast<size_t>(w);
    }
    return 0;
}

// Creates path exclusively and writes text into it; on any failure the
// file is removed again.
int write_new(const std::string& path, const Estring& text)
{
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0775);
    if (fd < 0)
        return errno;
    int err = write_all(fd, text.c_str(), static_cast<size_t>(text.strlen()));
    if (close(fd) != 0 && err == 0)
        err = errno;
    if (err != 0)
        unlink(path.c_str());
    return err;
}

// The value of one "KEY=value" line of user-dirs.dirs, its quotes and
// backslash escapes removed; false when the line does not set key.
bool user_dirs_value(const std::string& line, const char* key, std::string& value)
{
    size_t i = line.find_first_not_of(" \t");
    if (i == std::string::npos || line[i] == '#')
        return false;
    size_t klen = std::strlen(key);
    if (line.compare(i, klen, key) != 0)
        return false;
    i += klen;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
        i++;
    if (i >= line.size() || line[i] != '=')
        return false;
    i++;
    value.clear();
    bool quoted = i < line.size() && line[i] == '"';
    if (quoted)
        i++;
    for (; i < line.size(); i++) {
        char c = line[i];
        if (quoted && c == '"')
            break;
        if (!quoted && (c == ' ' || c == '\t'))
            break;
        if (c == '\\' && i + 1 < line.size())
            c = line[++i];
        value += c;
    }
    return true;
}

}

Estring DesktopEntryEscape(const Estring& utf8)
{
    std::string out;
    const char* s = utf8.c_str();
    size_t n = std::strlen(s);
    for (size_t i = 0; i < n; i++) {
        switch (s[i]) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        case ' ':
            out += (i == 0 || i + 1 == n) ? "\\s" : " ";
            break;
        default:
            out += s[i];
        }
    }
    return Estring(out.c_str());
}

Estring DesktopExecArgument(const Estring& utf8)
{
    std::string out = "\"";
    for (const char* p = utf8.c_str(); *p; p++) {
        if (*p == '"' || *p == '`' || *p == '$' || *p == '\\')
            out += '\\';
        if (*p == '%')
            out += '%';
        out += *p;
    }
    out += '"';
    return Estring(out.c_str());
}

bool IsUTF8Name(const Westring& name)
{
    for (const wchar_t* p = name.c_str(); *p; p++)
        if (stray_byte(*p))
            return false;
    return true;
}

int DesktopEntryExec(const Westring& program, bool run_directly, Estring& exec)
{
    if (!IsUTF8Name(program))
        return EILSEQ;
    Estring path = program.ToUTF8();
    Estring arg = DesktopExecArgument(path);
    if (!run_directly)
        exec = Estring("xdg-open ") + arg;
    else if (path.chr('%') < 0)
        exec = arg;
    else
        // Readers look the program up before expanding "%%", so a program
        // whose path holds a "%" is not found under its own name. The
        // shell starts it instead, the path being its $0 and never code.
        exec = Estring("/bin/sh -c ") + DesktopExecArgument(Estring("exec \"$0\"")) + " " + arg;
    return 0;
}

int DesktopEntryText(const Westring& title, const Estring& exec, bool terminal, Estring& text)
{
    if (!IsUTF8Name(title))
        return EILSEQ;
    std::string t = "#!/usr/bin/env xdg-open\n\n";
    t += "[Desktop Entry]\n";
    t += "Version=1.0\n";
    t += "Encoding=UTF-8\n";
    t += std::string("Name=") + DesktopEntryEscape(title.ToUTF8()).c_str() + "\n";
    t += std::string("Exec=") + DesktopEntryEscape(exec).c_str() + "\n";
    t += std::string("Terminal=") + (terminal ? "true" : "false") + "\n";
    t += "Type=Application\n";
    text = Estring(t.c_str());
    return 0;
}

Westring DesktopEntryFileName(const Westring& dir, const Westring& title)
{
    Westring name = title;
    for (int i = 0; i < name.strlen(); i++)
        if (name[i] == L'/')
            name[i] = L'_';
    Westring file = dir;
    if (file.empty() || file[file.strlen() - 1] != L'/')
        file += L"/";
    return file + name + L".desktop";
}

int WriteDesktopEntry(const Westring& file, const Estring& text, bool replace)
{
    std::string path = FileNameToSys(file).c_str();
    if (!replace)
        return write_new(path, text);
    // The temporary is made exclusively beside the file, under a name no
    // other writer uses at the same time.
    static std::atomic<unsigned> counter{0};
    size_t slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? std::string(".") : path.substr(0, slash);
    for (int attempt = 0; attempt < 100; attempt++) {
        std::string tmp = dir + "/.px-launcher-" + std::to_string(getpid()) + "-" +
                          std::to_string(counter.fetch_add(1)) + ".tmp";
        int err = write_new(tmp, text);
        if (err == EEXIST)
            continue;
        if (err != 0)
            return err;
        if (rename(tmp.c_str(), path.c_str()) != 0) {
            err = errno;
            unlink(tmp.c_str());
            return err;
        }
        return 0;
    }
    return EEXIST;
}

Westring DesktopDirectory(const char* home, const char* config_home)
{
    if (!home)
        home = std::getenv("HOME");
    std::string h = home ? home : "";
    if (!config_home)
        config_home = std::getenv("XDG_CONFIG_HOME");
    std::string config = config_home && config_home[0] == '/' ? config_home : h + "/.config";

    std::string found;
    std::ifstream in(config + "/user-dirs.dirs");
    std::string line, value;
    // A sane bound on what is read: the file holds a handful of short lines.
    for (int lines = 0; lines < 10000 && std::getline(in, line); lines++) {
        if (line.size() > 4096 || !user_dirs_value(line, "XDG_DESKTOP_DIR", value))
            continue;
        if (value == "$HOME")
            found = h;
        else if (value.compare(0, 6, "$HOME/") == 0)
            found = h + value.substr(5);
        else if (!value.empty() && value[0] == '/')
            found = value;
    }
    if (found.empty())
        found = h + "/Desktop";
    return FileNameFromSys(found.c_str());
}

int MakeDirectoryPath(const Westring& dir)
{
    std::string path = FileNameToSys(dir).c_str();
    struct stat st;
    if (stat(path.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
    // Each missing component from the top down; one that appears meanwhile
    // is as good as one made here.
    for (size_t at = 1; at <= path.size(); at++) {
        if (at < path.size() && path[at] != '/')
            continue;
        std::string part = path.substr(0, at);
        if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST)
            return errno;
    }
    if (stat(path.c_str(), &st) != 0)
        return errno;
    return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}
