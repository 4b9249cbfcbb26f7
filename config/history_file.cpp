#include "config/history_file.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <fcntl.h>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace {

// A descriptor closed on every path out.
struct FD
{
    int fd = -1;
    FD() = default;
    FD(const FD&) = delete;
    FD& operator=(const FD&) = delete;
    ~FD() { reset(); }
    void reset()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
};

int lock_wait(int fd, int op)
{
    while (flock(fd, op) != 0)
        if (errno != EINTR)
            return errno;
    return 0;
}

// Opens path and takes the lock. Another px may have renamed a new file
// over the path while this one waited for the lock on the old file: the
// descriptor must then be re-opened on the file the path names now.
int open_locked(const char* path, int flags, FD& out)
{
    for (int tries = 0;; tries++) {
        out.reset();
        out.fd = ::open(path, flags | O_CLOEXEC, 0600);
        if (out.fd < 0)
            return errno;
        if (int err = lock_wait(out.fd, LOCK_EX))
            return err;
        struct stat held, named;
        if (fstat(out.fd, &held) != 0)
            return errno;
        // A path that vanished or changed hands is tried again; a path
        // replaced over and over by others is used as it is at last.
        if ((::stat(path, &named) == 0 && named.st_dev == held.st_dev && named.st_ino == held.st_ino) || tries >= 50)
            return 0;
    }
}

int write_all(int fd, const char* data, size_t size)
{
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return EIO;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return 0;
}

int read_all(int fd, std::string& out)
{
    out.clear();
    struct stat st;
    if (fstat(fd, &st) == 0 && st.st_size > 0)
        out.reserve(static_cast<size_t>(st.st_size));
    char buf[65536];
    off_t at = 0;
    for (;;) {
        ssize_t n = ::pread(fd, buf, sizeof buf, at);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return 0;
        out.append(buf, static_cast<size_t>(n));
        at += n;
    }
}

// Calls f for each line of data without its CR LF or LF.
template <class F>
void for_each_line(const char* data, size_t size, F f)
{
    size_t start = 0;
    while (start < size) {
        const void* nl = std::memchr(data + start, '\n', size - start);
        size_t end = nl ? static_cast<size_t>(static_cast<const char*>(nl) - data) : size;
        size_t len = end - start;
        if (len > 0 && data[start + len - 1] == '\r')
            len--;
        f(data + start, len);
        start = end + 1;
    }
}

// Keeps each text once, at the index of its last use, and lists them in
// that order: a hash map over views of the file's bytes and one sort,
// instead of a scan per record; nothing is decoded here.
class CLastUse
{
public:
    void Reserve(size_t n) { last.reserve(n); }
    void Add(std::string_view text, long seq) { last.insert_or_assign(text, seq); }
    std::vector<std::string_view> Ordered() const
    {
        std::vector<std::pair<long, std::string_view>> by_seq;
        by_seq.reserve(last.size());
        for (const auto& [text, seq] : last)
            by_seq.emplace_back(seq, text);
        std::sort(by_seq.begin(), by_seq.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        std::vector<std::string_view> out;
        out.reserve(by_seq.size());
        for (const auto& o : by_seq)
            out.push_back(o.second);
        return out;
    }

private:
    std::unordered_map<std::string_view, long> last;
};

// Splits a line into its record without decoding it: the list (-1 for a
// command) and the text's bytes. -1 for a line that holds no record.
int split_record(std::string_view l, int& list, std::string_view& text)
{
    if (l.size() > static_cast<size_t>(HistMaxRecord))
        return -1;
    // A NUL byte ends the record as the line reader would.
    l = l.substr(0, l.find('\0'));
    size_t sep = std::string_view::npos;
    if (l.size() > 1 && l[1] == static_cast<char>(HistFieldSeparator))
        sep = 1;
    else if (l.size() > 2 && l[2] == static_cast<char>(HistFieldSeparator))
        sep = 2;
    if (sep != std::string_view::npos) {
        list = 0;
        for (size_t i = 0; i < sep; i++) {
            if (l[i] < '0' || l[i] > '9')
                return -1;
            list = list * 10 + (l[i] - '0');
        }
        if (list >= HistFieldLists)
            return -1;
        text = l.substr(sep + 1);
    } else {
        list = -1;
        // Commands are recorded without leading white space.
        size_t i = 0;
        while (i < l.size() && (l[i] == ' ' || l[i] == '\t'))
            i++;
        text = l.substr(i);
    }
    return text.empty() ? -1 : 0;
}

}

int parse_hist_line(const char* line, size_t length, HISTRECORD& out)
{
    std::string_view text;
    if (split_record(std::string_view(line, length), out.list, text) != 0)
        return -1;
    out.text = FileNameFromSys(std::string(text).c_str());
    return 0;
}

std::string hist_record_line(int list, const Westring& text)
{
    if (text.empty() || list >= HistFieldLists)
        return {};
    for (const wchar_t* p = text.c_str(); *p; p++)
        if (*p == L'\r' || *p == L'\n')
            return {};
    Estring bytes = FileNameToSys(text);
    std::string line;
    if (list >= 0) {
        line = std::to_string(list);
        line += static_cast<char>(HistFieldSeparator);
    } else {
        // A command with the separator at position 1 or 2 would read back
        // as a field text.
        int len = bytes.strlen();
        if ((len > 1 && bytes[1] == static_cast<char>(HistFieldSeparator)) ||
            (len > 2 && bytes[2] == static_cast<char>(HistFieldSeparator)))
            return {};
    }
    line.append(bytes.c_str(), static_cast<size_t>(bytes.strlen()));
    if (line.size() > static_cast<size_t>(HistMaxRecord))
        return {};
    line += "\r\n";
    return line;
}

void load_hist_text(const char* data, size_t size, HISTLOAD& out)
{
    CLastUse commands, fields[HistFieldLists];
    // About one record per 40 bytes: no rehashing on the way.
    commands.Reserve(size / 40 + 16);
    long seq = 0;
    out.command_lines = 0;
    for_each_line(data, size, [&](const char* line, size_t len) {
        int list;
        std::string_view text;
        if (split_record(std::string_view(line, len), list, text) != 0)
            return;
        if (list < 0) {
            out.command_lines++;
            commands.Add(text, seq++);
        } else {
            fields[list].Add(text, seq++);
        }
    });
    out.commands = commands.Ordered();
    for (int i = 0; i < HistFieldLists; i++)
        out.fields[i] = fields[i].Ordered();
}

std::string compact_hist_text(const HISTLOAD& load, int max_hist)
{
    // The records are written back as the bytes they were read as.
    std::string text;
    size_t n = load.commands.size();
    size_t keep = max_hist < 0 ? 0 : std::min(n, static_cast<size_t>(max_hist));
    for (size_t i = n - keep; i < n; i++) {
        text += load.commands[i];
        text += "\r\n";
    }
    for (int list = 0; list < HistFieldLists; list++) {
        const std::vector<std::string_view>& f = load.fields[list];
        size_t first = f.size() > HistKeepFieldTexts ? f.size() - HistKeepFieldTexts : 0;
        for (size_t i = first; i < f.size(); i++) {
            text += std::to_string(list);
            text += static_cast<char>(HistFieldSeparator);
            text += f[i];
            text += "\r\n";
        }
    }
    return text;
}

Westring hist_text(std::string_view bytes)
{
    return FileNameFromSys(std::string(bytes).c_str());
}

int hist_append(const Westring& path, const std::string& bytes)
{
    Estring name = FileNameToSys(path);
    FD f;
    if (int err = open_locked(name.c_str(), O_WRONLY | O_APPEND | O_CREAT, f))
        return err;
    return write_all(f.fd, bytes.data(), bytes.size());
}

int hist_rewrite(const Westring& path, const HistRewrite& rewrite)
{
    Estring name = FileNameToSys(path);
    FD f;
    int err = open_locked(name.c_str(), O_RDONLY, f);
    if (err == ENOENT) {
        // Nothing to lock yet. Only a rewrite that wants a file creates one
        // (empty, 0600) to hold the lock, and then reads it again: another
        // px may have created it meanwhile.
        std::string none, out;
        if (!rewrite(none, out))
            return 0;
        err = open_locked(name.c_str(), O_RDONLY | O_CREAT, f);
    }
    if (err)
        return err;
    std::string current, next;
    if ((err = read_all(f.fd, current)) != 0)
        return err;
    if (!rewrite(current, next))
        return 0;

    // The new file goes beside the real one, so that a symbolic link named
    // px.hst keeps pointing at it and the rename stays on one file system.
    char* real = realpath(name.c_str(), nullptr);
    if (!real)
        return errno;
    std::string target = real;
    std::free(real);
    struct stat st;
    if (fstat(f.fd, &st) != 0)
        return errno;
    std::string temp = target + ".XXXXXX";
    FD t;
    t.fd = mkostemp(temp.data(), O_CLOEXEC);
    if (t.fd < 0)
        return errno;
    err = fchmod(t.fd, st.st_mode & 07777) != 0 ? errno : 0;
    if (!err)
        err = write_all(t.fd, next.data(), next.size());
    if (!err && fsync(t.fd) != 0)
        err = errno;
    int fd = t.fd;
    t.fd = -1;
    if (::close(fd) != 0 && !err)
        err = errno;
    if (!err && ::rename(temp.c_str(), target.c_str()) != 0)
        err = errno;
    if (err) {
        ::unlink(temp.c_str());
        return err;
    }
    // The rename itself reaches the disk with the directory.
    std::string dir = target.substr(0, target.rfind('/') + 1);
    FD d;
    d.fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (d.fd >= 0)
        (void)fsync(d.fd);
    return 0;
}
