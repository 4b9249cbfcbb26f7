#include "config/menu_store.h"

#include "console/key_codes.h"
#include "foundation/unicode_case_fold.h"
#include "text/text_file.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A menu file larger than this is read only this far.
constexpr size_t MaxMenuFile = 16u << 20;

struct FD
{
    int fd = -1;
    ~FD()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// Opens without blocking, so that a FIFO named px.mnu cannot hang F2; only
// a regular file is read.
int open_menu(const std::string& path, FD& f, struct stat& st)
{
    f.fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (f.fd < 0)
        return errno;
    if (fstat(f.fd, &st) != 0)
        return errno;
    return 0;
}

// Reads the opened file as text in whatever encoding it is in (UTF-8, or
// UTF-16 or UTF-32 with or without a mark, or the text code page), through
// the descriptor already judged: opening the path again could reach
// another file. Lines are kept as UTF-8, raw bytes as they were.
int read_lines(int fd, std::vector<std::string>& lines)
{
    CTextFile text;
    Westring self = FileNameFromSys(("/proc/self/fd/" + std::to_string(fd)).c_str());
    if (int err = text.Open(self))
        return err;
    int len;
    while (const wchar_t* line = text.ReadTextLine(len)) {
        if (text.GetReadPos() > static_cast<long long>(MaxMenuFile))
            break;
        lines.emplace_back(Westring(line).ToUTF8().c_str());
    }
    return 0;
}

std::string directory_of(const std::string& path)
{
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

int read_menu(MenuStore& menu, const std::string& path, const Westring& shown, MENULOAD& load, bool included)
{
    FD f;
    struct stat st;
    if (int err = open_menu(path, f, st))
        return err;
    if (!S_ISREG(st.st_mode))
        return EINVAL;
    if (load.check_owner && !menu_file_trusted(f.fd)) {
        if (included)
            load.messages.push_back({L"Menu file ignored: another user can change it", shown});
        return EPERM;
    }
    std::pair<unsigned long long, unsigned long long> id{st.st_dev, st.st_ino};
    if (std::find(load.stack.begin(), load.stack.end(), id) != load.stack.end() ||
        static_cast<int>(load.stack.size()) > MenuIncludeDepth) {
        load.messages.push_back({L"Included menus nested too deeply", shown});
        return ELOOP;
    }
    std::vector<std::string> lines;
    if (int err = read_lines(f.fd, lines))
        return err;
    load.stack.push_back(id);
    size_t i = 0;
    menu.LoadEntries(lines, i, directory_of(path), load);
    load.stack.pop_back();
    return 0;
}

bool is_blank(char c)
{
    return c == ' ' || c == '\t';
}

Westring trimmed(const std::string& s)
{
    return Westring(s.c_str()).trim();
}

}

int menu_key_code(const Westring& text)
{
    int len = text.strlen();
    if (len == 1)
        return static_cast<int>(CUnicodeCaseFold::toupper(text[0]));
    if (len < 2 || len > 4)
        return 0;
    // "Fn" or "XFn": the number after the F.
    int f = text[0] == L'F' ? 0 : 1;
    if (text[f] != L'F')
        return 0;
    int n = 0;
    for (int i = f + 1; i < len; i++) {
        if (text[i] < L'0' || text[i] > L'9')
            return 0;
        n = n * 10 + (text[i] - L'0');
    }
    if (f + 1 == len || n < 1 || n > 12)
        return 0;
    auto fkey = [n](int first, int eleventh) { return n <= 10 ? first + n - 1 : eleventh + n - 11; };
    if (f == 0)
        return fkey(KEY_F1, KEY_F11);
    switch (text[0]) {
    case L'A':
        return fkey(KEY_ALT_F1, KEY_ALT_F11);
    case L'C':
        return fkey(KEY_CTRL_F1, KEY_CTRL_F11);
    case L'S':
        return fkey(KEY_SHIFT_F1, KEY_SHIFT_F11);
    default:
        // Kept from the file format's history: another first letter gives
        // the bare number.
        return n;
    }
}

bool menu_file_trusted(int fd)
{
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    if (st.st_uid != geteuid() && st.st_uid != 0)
        return false;
    return (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

MenuEntry* MenuStore::FindKey(int key) const
{
    for (const auto& e : entries)
        if (e->key == key)
            return e.get();
    return nullptr;
}

void MenuStore::LoadEntries(const std::vector<std::string>& lines, size_t& i, const std::string& dir, MENULOAD& load)
{
    static const char include[] = "!include ";
    while (i < lines.size()) {
        const std::string& line = lines[i++];
        Westring t = trimmed(line);
        if (t == L"}")
            return;
        MenuEntry* last = entries.empty() ? nullptr : entries.back().get();
        if (t == L"{" && last && last->commands.empty() && !last->submenu) {
            last->submenu = std::make_unique<MenuStore>();
            last->submenu->LoadEntries(lines, i, dir, load);
            continue;
        }
        if (line.compare(0, sizeof include - 1, include) == 0) {
            Westring name = trimmed(line.substr(sizeof include - 1));
            if (name.empty())
                continue;
            Estring bytes = FileNameToSys(name);
            std::string path = bytes.c_str();
            if (path[0] != '/')
                path = (dir == "/" ? "" : dir) + "/" + path;
            int err = read_menu(*this, path, name, load, true);
            if (err && err != EPERM && err != ELOOP)
                load.messages.push_back({L"Unable to open included menu", name});
            continue;
        }
        if (!line.empty() && is_blank(line[0])) {
            if (!t.empty() && last)
                last->commands.push_back(t);
            continue;
        }
        size_t colon = line.find(':');
        if (colon == std::string::npos || colon == 0)
            continue;
        auto e = std::make_unique<MenuEntry>();
        e->key_text = trimmed(line.substr(0, colon));
        e->key = menu_key_code(e->key_text);
        if (!e->key)
            continue;
        e->title = trimmed(line.substr(colon + 1));
        key_width = std::max(key_width, e->key_text.strlen());
        entries.push_back(std::move(e));
    }
}

int load_menu_file(MenuStore& menu, const Westring& path, MENULOAD& load)
{
    Estring bytes = FileNameToSys(path);
    return read_menu(menu, bytes.c_str(), path, load, false);
}

void load_user_menu(MenuStore& menu, const Westring& dir, const Westring& name, const Westring& own_path,
                    MENULOAD& load, Westring& found)
{
    found = Westring();
    Estring base = FileNameToSys(name);
    std::string d = FileNameToSys(dir).c_str();
    while (!d.empty()) {
        std::string path = (d == "/" ? "" : d) + "/" + base.c_str();
        struct stat st;
        if (::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) {
            Westring wpath = FileNameFromSys(path.c_str());
            // A file found looking upwards may have been put there by anyone.
            MENULOAD upward;
            upward.check_owner = true;
            MenuStore m;
            int err = read_menu(m, path, wpath, upward, false);
            if (err == 0) {
                menu = std::move(m);
                load.messages.insert(load.messages.end(), upward.messages.begin(), upward.messages.end());
                found = wpath;
                return;
            }
            if (err == EPERM || err == EINVAL) {
                load.messages.push_back({L"Menu file ignored: another user can change it", wpath});
                break;
            }
        }
        if (d == "/")
            break;
        d = directory_of(d);
    }
    if (load_menu_file(menu, own_path, load) == 0)
        found = own_path;
}
