#include "fileops/path_grammar.h"

#include "fileops/file_system.h"
#include "foundation/nls.h"

#include <cerrno>
#include <cstdlib>
#include <cwchar>
#include <dirent.h>

namespace {

Westring piece(const Westring& s, int start, int count)
{
    Westring r;
    r.copy(s.c_str() + start, count);
    return r;
}

// One step up for "..": false when the result is already the root.
bool step_up(Westring& result)
{
    int len = result.strlen();
    // A trailing "/" (from a base such as "/home/u/" or an empty component)
    // does not count as a level of its own.
    if (len > 1 && result[len - 1] == L'/')
        result = result.left(len - 1);
    if (result.empty() || IsRoot(result))
        return false;
    int slash = result.rchr(L'/');
    result = slash == 0 ? Westring(L"/") : result.left(slash < 0 ? 0 : slash);
    return true;
}

// Empty environment values count as unset.
const char* env(const char* name)
{
    const char* v = std::getenv(name);
    return v && *v ? v : nullptr;
}

}

bool IsAbsolute(const Westring& path)
{
    return path[0] == L'/';
}

bool IsRoot(const Westring& path)
{
    return path[0] == L'/' && path[1] == 0;
}

bool IsUNC(const Westring& path)
{
    return path[0] == L'/' && path[1] == L'/';
}

bool IsDrive(const Westring& path)
{
    wchar_t c = path[0];
    return ((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z')) && path[1] == L':';
}

Westring UNCShare(const Westring& path)
{
    int fourth = path.chr(L'/', 4);
    return fourth < 0 ? path : path.left(fourth);
}

Westring DetermineVolume(const Westring& path)
{
    Westring full = path;
    if (ResolvePath(full) != 0)
        return Westring();
    if (IsDrive(full))
        return full.left(2);
    if (IsUNC(full))
        return UNCShare(full);
    return Westring();
}

bool IsBelow(const Westring& dir, const Westring& path)
{
    int n = dir.strlen();
    if (n == 0)
        return true;
    if (path.strlen() < n || fncomparen(dir.c_str(), path.c_str(), n) != 0)
        return false;
    wchar_t next = path[n];
    return next == 0 || next == L'/' || dir[n - 1] == L'/';
}

int ResolvePath(Westring& path, const wchar_t* base)
{
    Westring result;
    int i = 0;
    if (path[0] == L'/') {
        result = L"/";
        i = 1;
    } else {
        result = base && *base ? Westring(base) : PxGetCwd();
        if (result.empty())
            return -1;
    }
    int len = path.strlen();
    // An empty rest has no components; otherwise a trailing "/" yields a
    // final empty component, which keeps the "/" on the result.
    while (i < len || (i == len && i > 0 && path[i - 1] == L'/')) {
        int j = i;
        while (j < len && path[j] != L'/')
            j++;
        Westring comp = piece(path, i, j - i);
        if (comp == L"..") {
            if (!step_up(result))
                return -1;
        } else if (!(comp[0] == L'.' && comp[1] == 0)) {
            if (result[result.strlen() - 1] != L'/')
                result += L'/';
            result += comp;
        }
        i = j + 1;
    }
    if (result.empty())
        result = L"/";
    path = result;
    return 0;
}

int ResolvePath(wchar_t* path, int size, const wchar_t* base)
{
    Westring p(path);
    if (ResolvePath(p, base) != 0 || p.strlen() >= size)
        return -1;
    std::wmemcpy(path, p.c_str(), p.strlen() + 1);
    return 0;
}

bool RemoveBackslash(Westring& path)
{
    int len = path.strlen();
    if (len == 0 || path[len - 1] != L'/')
        return false;
    path = path.left(len - 1);
    return true;
}

bool ValidDirectory(const Westring& dir)
{
    DIR* d = opendir(FileNameToSys(dir).c_str());
    if (!d)
        return errno == ENOENT;
    closedir(d);
    return true;
}

Westring TmpDir()
{
    for (const char* name : {"TMPDIR", "TMP", "TEMP"})
        if (const char* v = env(name))
            return FileNameFromSys(v);
    return Westring(L"/tmp");
}

void DoubleCmdChar(Westring& text, wchar_t cmdchar)
{
    if (text.chr(cmdchar) < 0)
        return;
    Westring r;
    for (int i = 0; text[i]; i++) {
        r += text[i];
        if (text[i] == cmdchar)
            r += cmdchar;
    }
    text = r;
}

void GetPaths(TObjectStore<Westring>& list, const Westring& pathAppend)
{
    list.DestroyAll();
    const char* p = std::getenv("PATH");
    Westring all = FileNameFromSys(p ? p : "");
    if (!pathAppend.empty())
        all = all + L":" + pathAppend;
    int len = all.strlen();
    for (int i = 0; i < len;) {
        int j = i;
        while (j < len && all[j] != L':')
            j++;
        if (j > i)
            list.AddObject(new Westring(piece(all, i, j - i)));
        i = j + 1;
    }
}

Westring DosEditName(const Westring& name, const Westring& pattern)
{
    Westring out;
    int pos = 0, len = name.strlen();
    for (int i = 0; pattern[i]; i++) {
        wchar_t c = pattern[i];
        if (c == L'*') {
            while (pos < len && name[pos] != L'.')
                out += name[pos++];
        } else if (c == L'?') {
            if (pos < len)
                out += name[pos++];
        } else if (c == L'.') {
            while (pos < len && name[pos] != L'.')
                pos++;
            out += L'.';
            if (pos < len)
                pos++;
        } else {
            out += c;
        }
    }
    return out;
}

int DosEditName(int, const wchar_t* name, const wchar_t* pattern, wchar_t* out, int size)
{
    Westring r = DosEditName(Westring(name), Westring(pattern));
    if (r.strlen() >= size)
        return ENAMETOOLONG;
    std::wmemcpy(out, r.c_str(), r.strlen() + 1);
    return 0;
}
