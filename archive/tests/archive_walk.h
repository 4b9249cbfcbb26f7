#ifndef PANNEX_ARCHIVE_TESTS_ARCHIVE_WALK_H
#define PANNEX_ARCHIVE_TESTS_ARCHIVE_WALK_H

#include "archive/archive.h"

#include <cwchar>
#include <set>
#include <string>
#include <vector>

// Lists every directory of an archive the way a panel would, breadth
// first, and checks what a panel relies on. Returns an empty string, or
// what went wrong. Shared by the mutation test and the fuzz targets.
inline std::string walk_archive(Archive& a)
{
    constexpr int NameBound = 1 << 20;
    if (a.status != 0)
        return {};
    std::vector<Westring> pending{Westring()};
    std::set<std::wstring> seen;
    long long listed = 0;
    // Each member lists once, and implies at most one directory per
    // component of its path.
    long long limit = 16;
    for (int i = 0; i < a.Entries().Count(); i++) {
        const ArchiveEntry* m = a.Entries().At(i);
        limit += 2;
        for (int k = 0; k < m->path_length; k++)
            limit += m->path[k] == L'/';
    }
    while (!pending.empty()) {
        Westring dir = pending.back();
        pending.pop_back();
        if (!seen.insert(dir.c_str()).second)
            return "directory listed twice: " + std::string(dir.ToUTF8().c_str());
        ArchiveListEntry e;
        if (a.FindFirst(dir, e) != 0)
            return dir.empty() ? "no root" : "a listed directory does not open";
        if (std::wcscmp(e.name.c_str(), L"..") != 0 || !e.IsDirectory())
            return "listing does not start with ..";
        std::set<std::wstring> subdirs;
        std::vector<Westring> found;
        while (a.FindNext(e) == 0) {
            if (++listed > limit)
                return "listing does not end";
            const wchar_t* n = e.name.c_str();
            int len = static_cast<int>(std::wcslen(n));
            if (len > NameBound)
                return "name beyond its bound";
            if (!e.unsafe && (len == 0 || std::wcscmp(n, L".") == 0 || std::wcscmp(n, L"..") == 0))
                return "empty, . or .. listed";
            if (e.unsafe && (e.IsDirectory() || !dir.empty()))
                return "unsafe member listed as a directory or below the root";
            if (e.IsDirectory()) {
                if (!subdirs.insert(n).second)
                    return "subdirectory listed twice";
                if (!e.unsafe)
                    found.push_back(dir.empty() ? e.name : dir + L"/" + e.name);
            }
        }
        for (auto& f : found)
            pending.push_back(f);
    }
    unsigned long long size, packed;
    a.GetTotals(size, packed);
    return {};
}

#endif
