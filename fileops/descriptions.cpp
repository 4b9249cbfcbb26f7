#include "fileops/descriptions.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A description file larger than this is not one: it is left alone.
constexpr off_t DescriptionFileMax = 16 * 1024 * 1024;

bool is_blank(char c)
{
    return c == ' ' || c == '\t';
}

// Characters of UTF-8 text: every byte that does not continue a sequence.
size_t characters(const std::string& s)
{
    size_t n = 0;
    for (unsigned char c : s)
        n += (c & 0xC0) != 0x80;
    return n;
}

size_t skip_blanks(const std::string& line, size_t pos)
{
    while (pos < line.size() && line[pos] == ' ')
        pos++;
    return pos;
}

}

int fname_from_desc(const std::string& line, std::string& name, std::string* escaped, size_t* escapedRest)
{
    if (escaped)
        escaped->clear();
    size_t pos = 0;
    while (pos < line.size() && is_blank(line[pos]))
        pos++;
    if (pos == line.size())
        return -1;
    size_t end;
    if (line[pos] == '"') {
        // No closing quote: the name runs to the end of the line.
        size_t close = line.find('"', pos + 1);
        end = close == std::string::npos ? line.size() : close;
        name.assign(line, pos + 1, end - pos - 1);
        end = close == std::string::npos ? end : end + 1;
    } else {
        end = line.find(' ', pos);
        if (end == std::string::npos)
            end = line.size();
        name.assign(line, pos, end - pos);
        // Names with blanks were once written with backslashes; a bare name
        // holding "\ " is read that way too. Only then: "x\y" is a name of
        // its own and must not also answer for "xy".
        if (escaped && escapedRest && line.find("\\ ", pos) != std::string::npos) {
            size_t p = pos;
            std::string e;
            while (p < line.size() && line[p] != ' ') {
                if (line[p] == '\\' && p + 1 < line.size())
                    p++;
                e += line[p++];
            }
            if (e != name && !e.empty() && characters(e) <= DescriptionNameMax) {
                *escaped = e;
                *escapedRest = skip_blanks(line, p);
            }
        }
    }
    if (name.empty() || characters(name) > DescriptionNameMax) {
        name.clear();
        return -1;
    }
    return static_cast<int>(skip_blanks(line, end));
}

CDescriptionFile::~CDescriptionFile()
{
    if (dir >= 0)
        close(dir);
}

void CDescriptionFile::Add(std::string raw)
{
    Line l;
    l.raw = std::move(raw);
    if (l.raw.size() <= DescriptionLineMax) {
        int rest = fname_from_desc(l.raw, l.name, &l.escaped, &l.escapedRest);
        l.rest = rest < 0 ? 0 : static_cast<size_t>(rest);
    }
    if (l.name.empty()) {
        // A blank line carries nothing and goes; anything else is kept.
        if (l.raw.find_first_not_of(" \t") == std::string::npos)
            return;
        kept++;
    }
    size_t at = lines.size();
    lines.push_back(std::move(l));
    const Line& added = lines.back();
    if (!added.name.empty())
        index[added.name].push_back(at);
    if (!added.escaped.empty())
        index[added.escaped].push_back(at);
}

int CDescriptionFile::Load(int fd)
{
    lines.clear();
    index.clear();
    kept = 0;
    existed = changed = quiet = false;
    if (dir >= 0)
        close(dir);
    dir = fcntl(fd, F_DUPFD_CLOEXEC, 0);
    struct stat st;
    if (dir < 0 || fstat(dir, &st) != 0) {
        quiet = true;
        return errno;
    }
    dev = st.st_dev;
    ino = st.st_ino;
    int f = openat(dir, DescriptionFileName, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (f < 0) {
        if (errno == ENOENT)
            return 0;
        quiet = true;  // a link, or unreadable: left alone
        return errno;
    }
    int err = 0;
    std::string text;
    if (fstat(f, &st) != 0)
        err = errno;
    else if (!S_ISREG(st.st_mode) || st.st_size > DescriptionFileMax)
        err = EINVAL;
    else {
        char buf[65536];
        ssize_t n;
        while ((n = read(f, buf, sizeof buf)) > 0 && static_cast<off_t>(text.size()) <= DescriptionFileMax)
            text.append(buf, static_cast<size_t>(n));
        if (n < 0)
            err = errno;
    }
    close(f);
    if (err) {
        quiet = true;
        return err;
    }
    existed = true;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        size_t end = nl == std::string::npos ? text.size() : nl;
        size_t cut = end > pos && text[end - 1] == '\r' ? end - 1 : end;
        Add(text.substr(pos, cut - pos));
        pos = end + 1;
    }
    return 0;
}

int CDescriptionFile::Load(const Westring& path)
{
    int fd = open(FileNameToSys(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        int err = errno;
        lines.clear();
        index.clear();
        quiet = true;
        return err;
    }
    int err = Load(fd);
    close(fd);
    return err;
}

bool CDescriptionFile::IsOf(int fd) const
{
    struct stat st;
    return dir >= 0 && fstat(fd, &st) == 0 && st.st_dev == dev && st.st_ino == ino;
}

bool CDescriptionFile::Get(const std::string& name, std::string& text) const
{
    auto it = index.find(name);
    if (it == index.end())
        return false;
    // A line whose plain reading is the name wins over a quoted reading.
    const Line* best = nullptr;
    for (size_t i : it->second) {
        const Line& l = lines[i];
        if (l.gone)
            continue;
        if (l.name == name) {
            best = &l;
            break;
        }
        if (!best)
            best = &l;
    }
    if (!best)
        return false;
    size_t rest = best->name == name ? best->rest : best->escapedRest;
    text.assign(best->raw, std::min(rest, best->raw.size()), std::string::npos);
    return true;
}

bool CDescriptionFile::Remove(const std::string& name)
{
    auto it = index.find(name);
    if (it == index.end())
        return false;
    std::vector<size_t> found = std::move(it->second);
    index.erase(it);
    bool removed = false;
    for (size_t i : found) {
        Line& l = lines[i];
        if (l.gone)
            continue;
        l.gone = removed = true;
        // The line's other reading no longer answers either.
        const std::string& other = l.name == name ? l.escaped : l.name;
        auto o = other.empty() ? index.end() : index.find(other);
        if (o != index.end()) {
            std::erase(o->second, i);
            if (o->second.empty())
                index.erase(o);
        }
    }
    changed |= removed;
    return removed;
}

bool CDescriptionFile::Set(const std::string& name, const std::string& text)
{
    if (name.empty() || name.find_first_of("\r\n") != std::string::npos)
        return false;
    bool quote = name.find_first_of(" \t") != std::string::npos || name[0] == '"';
    if (quote && name.find('"') != std::string::npos)
        return false;
    Remove(name);
    std::string clean = text;
    for (char& c : clean)
        if (c == '\r' || c == '\n')
            c = ' ';
    Add((quote ? "\"" + name + "\"" : name) + " " + clean);
    changed = true;
    return true;
}

int CDescriptionFile::Save()
{
    if (!changed || quiet || dir < 0)
        return 0;
    changed = false;
    // Whatever happens now is the one attempt.
    auto fail = [this](int err) {
        quiet = true;
        return err;
    };
    struct stat old;
    bool have = fstatat(dir, DescriptionFileName, &old, AT_SYMLINK_NOFOLLOW) == 0;
    if (have && !S_ISREG(old.st_mode))
        return fail(EINVAL);
    // Replacing by rename needs only the directory's permission; a file
    // its user made read-only is respected all the same.
    if (have && faccessat(dir, DescriptionFileName, W_OK, AT_EACCESS) != 0)
        return fail(errno);
    if (Empty()) {
        if (have && unlinkat(dir, DescriptionFileName, 0) != 0 && errno != ENOENT)
            return fail(errno);
        existed = false;
        return 0;
    }
    std::string content;
    for (const Line& l : lines)
        if (!l.gone)
            content += l.raw + "\r\n";

    static std::atomic<unsigned> counter{0};
    char tmp[64];
    int out = -1;
    for (int attempt = 0; attempt < 100 && out < 0; attempt++) {
        unsigned long long mix =
            static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
            (static_cast<unsigned long long>(getpid()) << 20) ^ counter.fetch_add(1);
        std::snprintf(tmp, sizeof tmp, ".descript.ion.%010llx", mix & 0xFFFFFFFFFFull);
        out = openat(dir, tmp, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, have ? 0600 : 0666);
        if (out < 0 && errno != EEXIST)
            return fail(errno);
    }
    if (out < 0)
        return fail(EEXIST);
    int err = 0;
    for (size_t done = 0; done < content.size() && !err;) {
        ssize_t n = write(out, content.data() + done, content.size() - done);
        if (n <= 0)
            err = n < 0 ? errno : ENOSPC;
        else
            done += static_cast<size_t>(n);
    }
    // No fsync: a description is not worth a disk flush per directory, and
    // the rename still never leaves a half-written file under the name.
    if (!err && have) {
        if (fchown(out, old.st_uid, old.st_gid) != 0 && errno != EPERM)
            err = errno;
        if (!err && fchmod(out, old.st_mode & 07777) != 0)
            err = errno;
    }
    if (close(out) != 0 && !err && errno != EINTR)
        err = errno;
    if (!err && renameat(dir, tmp, dir, DescriptionFileName) != 0)
        err = errno;
    if (err) {
        unlinkat(dir, tmp, 0);
        return fail(err);
    }
    existed = true;
    return 0;
}

CDescriptionFile* CDescriptionSet::Lookup(int fd)
{
    struct stat st;
    if (fstat(fd, &st) != 0)
        return nullptr;
    auto key = std::make_pair(static_cast<unsigned long>(st.st_dev), static_cast<unsigned long>(st.st_ino));
    auto it = files.find(key);
    if (it != files.end())
        return it->second.get();
    auto file = std::make_unique<CDescriptionFile>();
    // A file that cannot be read stays empty and quiet: the command goes on.
    (void)file->Load(fd);
    return files.emplace(key, std::move(file)).first->second.get();
}

CDescriptionFile* CDescriptionSet::Directory(int dir)
{
    return Lookup(dir);
}

CDescriptionFile* CDescriptionSet::Directory(const Westring& dir)
{
    int fd = open(FileNameToSys(dir).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    CDescriptionFile* file = Lookup(fd);
    close(fd);
    return file;
}

void SplitDescribedPath(const Westring& path, std::string& dir, std::string& name)
{
    std::string p = FileNameToSys(path).c_str();
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    size_t slash = p.rfind('/');
    if (slash == std::string::npos) {
        dir = ".";
        name = p;
    } else {
        dir = slash == 0 ? "/" : p.substr(0, slash);
        name = p.substr(slash + 1);
    }
}

namespace {

struct Described
{
    std::string dir, name;
    explicit Described(const Westring& path) { SplitDescribedPath(path, dir, name); }
    Westring Dir() const { return FileNameFromSys(dir.c_str()); }
};

}

void CDescriptionSet::Copy(const Westring& src, const Westring& dst)
{
    Described s(src), d(dst);
    CDescriptionFile* from = Directory(s.Dir());
    std::string text;
    if (!from || !from->Get(s.name, text))
        return;
    if (CDescriptionFile* to = Directory(d.Dir()))
        to->Set(d.name, text);
}

void CDescriptionSet::Move(const Westring& src, const Westring& dst)
{
    Described s(src), d(dst);
    CDescriptionFile* from = Directory(s.Dir());
    CDescriptionFile* to = Directory(d.Dir());
    std::string text;
    if (!from || !from->Get(s.name, text))
        return;
    if (from == to && s.name == d.name)
        return;
    from->Remove(s.name);
    if (to)
        to->Set(d.name, text);
}

void CDescriptionSet::Delete(const Westring& path)
{
    Described p(path);
    if (CDescriptionFile* file = Directory(p.Dir()))
        file->Remove(p.name);
}

void CDescriptionSet::Write(const Westring& path, const std::string& text)
{
    Described p(path);
    if (CDescriptionFile* file = Directory(p.Dir()))
        file->Set(p.name, text);
}

int CDescriptionSet::Flush()
{
    int first = 0;
    for (auto& [key, file] : files) {
        int err = file->Save();
        if (!first)
            first = err;
    }
    return first;
}

int open_desc(const Westring& path, std::string& name, CDescriptionFile& file)
{
    Described p(path);
    name = p.name;
    return file.Load(p.Dir());
}

int delete_desc(const Westring& path)
{
    CDescriptionFile file;
    std::string name;
    if (open_desc(path, name, file) != 0 || !file.Remove(name))
        return 0;
    bool empty = file.Empty();
    return file.Save() == 0 && empty ? 1 : 0;
}

void write_desc(const Westring& path, const std::string& text)
{
    CDescriptionFile file;
    std::string name;
    if (open_desc(path, name, file) == 0 && file.Set(name, text))
        (void)file.Save();
}

void copy_desc(const Westring& source, const Westring& destination, CDescriptionFile& descfile)
{
    Described s(source), d(destination);
    std::string text;
    if (!descfile.Get(s.name, text))
        return;
    int fd = open(d.dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    bool same = descfile.IsOf(fd);
    close(fd);
    if (!same) {
        write_desc(destination, text);
    } else if (descfile.Set(d.name, text)) {
        (void)descfile.Save();
    }
}

void move_desc(const Westring& source, const Westring& destination, CDescriptionFile& descfile)
{
    Described s(source), d(destination);
    copy_desc(source, destination, descfile);
    int fd = open(d.dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    bool same = fd >= 0 && descfile.IsOf(fd);
    if (fd >= 0)
        close(fd);
    if (same && s.name == d.name)
        return;
    if (descfile.Remove(s.name))
        (void)descfile.Save();
}
