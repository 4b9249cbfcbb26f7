#include "tools/tree.h"

#include "foundation/nls.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <vector>

namespace {

// A data file line: the depth character and a name, escaped. Names are at
// most 255 bytes (510 escaped); the root line holds a whole path.
constexpr size_t MaxTreeLine = 2 * PATH_MAX + 2;

void unlink_child(TREENODE* node)
{
    TREENODE* parent = node->parent;
    if (!parent)
        return;
    TREENODE** link = &parent->child;
    while (*link && *link != node)
        link = &(*link)->next;
    if (*link)
        *link = node->next;
    node->next = nullptr;
    node->parent = nullptr;
}

bool names_equal(const wchar_t* a, const wchar_t* b, size_t n, bool ignore_case)
{
    if (std::wcslen(a) != n)
        return false;
    return ignore_case ? nls_strnicmp(a, b, n) == 0 : std::wcsncmp(a, b, n) == 0;
}

// The child of node named by the n characters at name.
TREENODE* child_named(const TREENODE* node, const wchar_t* name, size_t n, bool ignore_case)
{
    for (TREENODE* c = node->child; c; c = c->next)
        if (names_equal(c->name.c_str(), name, n, ignore_case))
            return c;
    return nullptr;
}

// Walks the names of rest (separated by "/") down from node; stops at the
// first missing one (nearest) or returns null (exact).
TREENODE* walk(TREENODE* node, const wchar_t* rest, bool ignore_case, bool nearest)
{
    const wchar_t* p = rest;
    while (node && *p) {
        while (*p == L'/')
            p++;
        if (!*p)
            break;
        const wchar_t* end = p;
        while (*end && *end != L'/')
            end++;
        TREENODE* c = child_named(node, p, static_cast<size_t>(end - p), ignore_case);
        if (!c)
            return nearest ? node : nullptr;
        node = c;
        p = end;
    }
    return node;
}

void set_depths(TREENODE* node, int depth)
{
    node->depth = static_cast<unsigned char>(depth);
    for (TREENODE* c = node->child; c; c = c->next)
        set_depths(c, depth + 1);
}

// The deepest level below node (0 for a leaf).
int branch_height(const TREENODE* node)
{
    int h = 0;
    for (const TREENODE* c = node->child; c; c = c->next)
        h = std::max(h, 1 + branch_height(c));
    return h;
}

// The scan: lists directories through descriptors (openat relative to the
// parent, never following a link), so a path is never resolved twice and a
// directory swapped for a link while the scan runs is not entered.
class CScanner
{
public:
    CScanner(dev_t device, CTreeScanWatch* watch, bool expand_all)
        : device(device), watch(watch), expand_all(expand_all), buffer(64 * 1024)
    {
    }

    // Lists directory fd into node and descends; false when stopped.
    bool List(int fd, TREENODE* node);

private:
    dev_t device;
    CTreeScanWatch* watch;
    bool expand_all;
    std::vector<char> buffer;
    long count = 0;
};

struct linux_dirent64
{
    ino64_t d_ino;
    off64_t d_off;
    unsigned short d_reclen;
    unsigned char d_type;
    char d_name[];
};

bool CScanner::List(int fd, TREENODE* node)
{
    if (watch && (++count & 63) == 0 && !watch->Continue(count))
        return false;
    // The children first, in directory order, then each one's branch, so
    // that only the descriptors of one path are open at a time.
    TREENODE* last = nullptr;
    if (node->depth < TreeMaxDepth) {
        for (;;) {
            long n = syscall(SYS_getdents64, fd, buffer.data(), buffer.size());
            if (n <= 0)
                break;  // the end, or an unreadable directory listed as it is
            for (long at = 0; at < n;) {
                auto* d = reinterpret_cast<linux_dirent64*>(buffer.data() + at);
                at += d->d_reclen;
                const char* name = d->d_name;
                if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
                    continue;
                bool dir = d->d_type == DT_DIR;
                if (d->d_type == DT_UNKNOWN) {
                    struct stat st;
                    dir = fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
                }
                if (!dir)
                    continue;
                auto* c = new TREENODE;
                c->name = FileNameFromSys(name);
                c->parent = node;
                c->depth = static_cast<unsigned char>(node->depth + 1);
                c->expanded = expand_all;
                (last ? last->next : node->child) = c;
                last = c;
            }
        }
    }
    for (TREENODE* c = node->child; c; c = c->next) {
        int sub = openat(fd, FileNameToSys(c->name).c_str(),
                         O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        if (sub < 0)
            continue;  // unreadable, or gone: listed as empty
        struct stat st;
        bool same = fstat(sub, &st) == 0 && st.st_dev == device;
        // A mount point is listed but not entered: its file system has a
        // tree of its own.
        bool ok = !same || List(sub, c);
        close(sub);
        if (!ok)
            return false;
    }
    return true;
}

}

void free_nodes(TREENODE* node)
{
    // Without recursion: a directory of 100,000 subdirectories is one
    // chain of siblings.
    std::vector<TREENODE*> stack;
    if (node)
        stack.push_back(node);
    while (!stack.empty()) {
        TREENODE* n = stack.back();
        stack.pop_back();
        if (n->next)
            stack.push_back(n->next);
        if (n->child)
            stack.push_back(n->child);
        delete n;
    }
}

uint32_t tree_device_key(dev_t device)
{
    return static_cast<uint32_t>((major(device) << 20) | (minor(device) & 0xFFFFF));
}

std::string escape_tree_name(const std::string& bytes)
{
    std::string r;
    r.reserve(bytes.size());
    for (char c : bytes) {
        if (c == '\\')
            r += "\\\\";
        else if (c == '\n')
            r += "\\n";
        else
            r += c;
    }
    return r;
}

std::string unescape_tree_name(const std::string& text)
{
    std::string r;
    r.reserve(text.size());
    for (size_t i = 0; i < text.size(); i++) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            i++;
            r += text[i] == 'n' ? '\n' : text[i];
        } else {
            r += text[i];
        }
    }
    return r;
}

CTree::CTree(char key, uint32_t device, const Westring& root_path, const Westring& data_file)
    : key(key), device(device), root_path(root_path), data_file(data_file)
{
}

CTree::~CTree()
{
    free_nodes(root);
}

void CTree::Load(bool expand_all)
{
    free_nodes(root);
    root = nullptr;
    changed = false;
    written = false;
    FILE* f = data_file.empty() ? nullptr : std::fopen(FileNameToSys(data_file).c_str(), "rbe");
    uint32_t header = 0;
    if (f && std::fread(&header, sizeof header, 1, f) == 1 && header == device) {
        std::string line;
        TREENODE* prev = nullptr;
        for (int c = 0; c != EOF;) {
            line.clear();
            while ((c = std::fgetc(f)) != EOF && c != '\n' && line.size() <= MaxTreeLine)
                line += static_cast<char>(c);
            // A line cut off by the end of the file, too long or with a
            // depth out of range ends what is read.
            if (c != '\n' || line.empty())
                break;
            int depth = line[0] - '0';
            if (depth < 0 || depth > TreeMaxDepth)
                break;
            if (!prev ? depth != 0 : depth == 0 || depth > prev->depth + 1)
                break;
            auto* node = new TREENODE;
            node->name = FileNameFromSys(unescape_tree_name(line.substr(1)).c_str());
            node->depth = static_cast<unsigned char>(depth);
            node->expanded = expand_all || depth == 0;
            if (!prev) {
                root = node;
            } else if (depth > prev->depth) {
                node->parent = prev;
                prev->child = node;
            } else {
                TREENODE* sibling = prev;
                while (sibling->depth > depth)
                    sibling = sibling->parent;
                node->parent = sibling->parent;
                sibling->next = node;
            }
            prev = node;
        }
    }
    if (f)
        std::fclose(f);
    written = root != nullptr;
    complete = written;
    if (!root) {
        root = new TREENODE;
        root->expanded = true;
    }
    // The file system may be mounted elsewhere now: the tree serves where
    // it is.
    root->name = root_path;
}

bool CTree::Scan(CTreeScanWatch* watch, bool expand_all)
{
    int fd = open(FileNameToSys(root_path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    struct stat st;
    auto* fresh = new TREENODE;
    fresh->name = root_path;
    fresh->expanded = true;
    bool ok = true;
    if (fd >= 0) {
        if (fstat(fd, &st) == 0) {
            CScanner scanner(st.st_dev, watch, expand_all);
            ok = scanner.List(fd, fresh);
        }
        close(fd);
    }
    if (!ok) {
        free_nodes(fresh);
        return false;
    }
    free_nodes(root);
    root = fresh;
    changed = true;
    complete = true;
    rescan = false;
    return true;
}

namespace {

// Writes the nodes of the branch at node (pre-order) to out.
void put_nodes(const TREENODE* node, std::string& out)
{
    for (const TREENODE* n = node; n; n = next_in_tree(n)) {
        out += static_cast<char>('0' + n->depth);
        Estring bytes = FileNameToSys(n->name);
        out += escape_tree_name(std::string(bytes.c_str(), static_cast<size_t>(bytes.strlen())));
        out += '\n';
    }
}

int make_parent_dir(const Estring& file)
{
    std::string dir(file.c_str());
    size_t slash = dir.rfind('/');
    if (slash == std::string::npos || slash == 0)
        return 0;
    dir.resize(slash);
    if (mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST)
        return 0;
    return errno;
}

}

int CTree::Write()
{
    Sort();
    if (!root || !changed || data_file.empty())
        return 0;
    std::string out(reinterpret_cast<const char*>(&device), sizeof device);
    put_nodes(root, out);

    Estring name = FileNameToSys(data_file);
    if (int err = make_parent_dir(name))
        return err;
    std::string temp = std::string(name.c_str()) + ".XXXXXX";
    int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return errno;
    int err = 0;
    for (size_t done = 0; done < out.size() && !err;) {
        ssize_t n = ::write(fd, out.data() + done, out.size() - done);
        if (n < 0 && errno != EINTR)
            err = errno;
        else if (n > 0)
            done += static_cast<size_t>(n);
    }
    if (!err && fsync(fd) != 0)
        err = errno;
    if (close(fd) != 0 && !err)
        err = errno;
    if (!err && rename(temp.c_str(), name.c_str()) != 0)
        err = errno;
    if (err) {
        unlink(temp.c_str());
        return err;
    }
    changed = false;
    written = true;
    return 0;
}

void CTree::Sort()
{
    if (!root)
        return;
    std::vector<TREENODE*> kids;
    for (TREENODE* n = root; n; n = next_in_tree(n)) {
        if (!n->child || !n->child->next)
            continue;
        kids.clear();
        for (TREENODE* c = n->child; c; c = c->next)
            kids.push_back(c);
        std::stable_sort(kids.begin(), kids.end(), [](const TREENODE* a, const TREENODE* b) {
            return std::wcscmp(a->name.c_str(), b->name.c_str()) < 0;
        });
        for (size_t i = 0; i + 1 < kids.size(); i++)
            kids[i]->next = kids[i + 1];
        kids.back()->next = nullptr;
        n->child = kids.front();
    }
}

bool CTree::relative_names(const wchar_t* path, Westring& rest) const
{
    size_t n = static_cast<size_t>(root_path.strlen());
    bool at_root = n == 1 && root_path[0] == L'/';
    if (std::wcsncmp(path, root_path.c_str(), n) != 0)
        return false;
    if (!at_root && path[n] != 0 && path[n] != L'/')
        return false;
    rest = path + n;
    return true;
}

TREENODE* CTree::Find(const wchar_t* path, bool ignore_case) const
{
    Westring rest;
    if (!root || !relative_names(path, rest))
        return nullptr;
    return walk(root, rest.c_str(), ignore_case, false);
}

TREENODE* CTree::FindNearest(const wchar_t* path) const
{
    Westring rest;
    if (!root || !relative_names(path, rest))
        return nullptr;
    return walk(root, rest.c_str(), false, true);
}

bool CTree::Search(const Westring& names, Westring& result, bool ignore_case, const TREENODE* below) const
{
    const TREENODE* top = below ? below : root;
    // The nodes of top's branch, in depth-first order.
    for (TREENODE* n = const_cast<TREENODE*>(top); n; n = next_in_tree(n)) {
        if (n != top && n->depth <= top->depth)
            break;
        if (TREENODE* found = walk(n, names.c_str(), ignore_case, false); found && found != n) {
            result = FullPath(found);
            return true;
        }
    }
    return false;
}

TREENODE* CTree::AddPath(const wchar_t* path)
{
    Westring rest;
    if (!root || !relative_names(path, rest))
        return nullptr;
    TREENODE* node = root;
    const wchar_t* p = rest.c_str();
    while (*p) {
        while (*p == L'/')
            p++;
        if (!*p)
            break;
        const wchar_t* end = p;
        while (*end && *end != L'/')
            end++;
        size_t n = static_cast<size_t>(end - p);
        TREENODE* c = child_named(node, p, n, false);
        if (!c) {
            Westring name;
            name.copy(p, static_cast<int>(n));
            c = AddChild(node, name);
            if (!c)
                return nullptr;
        }
        node = c;
        p = end;
    }
    return node;
}

TREENODE* CTree::AddChild(TREENODE* parent, const Westring& name)
{
    if (parent->depth >= TreeMaxDepth)
        return nullptr;
    auto* c = new TREENODE;
    c->name = name;
    c->parent = parent;
    c->depth = static_cast<unsigned char>(parent->depth + 1);
    TREENODE** link = &parent->child;
    while (*link)
        link = &(*link)->next;
    *link = c;
    changed = true;
    return c;
}

void CTree::Remove(TREENODE* node)
{
    if (node == root) {
        free_nodes(root->child);
        root->child = nullptr;
    } else {
        unlink_child(node);
        node->next = nullptr;
        free_nodes(node);
    }
    changed = true;
}

bool CTree::Move(TREENODE* node, TREENODE* new_parent)
{
    if (node == root)
        return false;
    for (TREENODE* p = new_parent; p; p = p->parent)
        if (p == node)
            return false;
    if (new_parent->depth + 1 + branch_height(node) > TreeMaxDepth)
        return false;
    unlink_child(node);
    node->parent = new_parent;
    node->next = new_parent->child;
    new_parent->child = node;
    set_depths(node, new_parent->depth + 1);
    changed = true;
    return true;
}

Westring CTree::FullPath(const TREENODE* node) const
{
    std::vector<const TREENODE*> chain;
    for (const TREENODE* n = node; n && n->parent; n = n->parent)
        chain.push_back(n);
    Westring path = root_path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (path.empty() || path[path.strlen() - 1] != L'/')
            path += L'/';
        path += (*it)->name;
    }
    return path;
}

TREENODE* next_in_tree(const TREENODE* node)
{
    if (node->child)
        return node->child;
    for (const TREENODE* n = node; n; n = n->parent)
        if (n->next)
            return n->next;
    return nullptr;
}

void expand_branch(TREENODE* node, bool expand)
{
    node->expanded = expand;
    // Every node below: the children of node and, from there on, each
    // one's siblings and children.
    std::vector<TREENODE*> stack;
    if (node->child)
        stack.push_back(node->child);
    while (!stack.empty()) {
        TREENODE* n = stack.back();
        stack.pop_back();
        n->expanded = expand;
        if (n->next)
            stack.push_back(n->next);
        if (n->child)
            stack.push_back(n->child);
    }
}

TREENODE* tree_seek(TREENODE* root, TREENODE* from, const wchar_t* prefix)
{
    if (!root)
        return nullptr;
    size_t n = std::wcslen(prefix);
    TREENODE* start = from ? from : root;
    TREENODE* node = start;
    do {
        node = next_in_tree(node);
        if (!node)
            node = root;
        if (nls_strnicmp(node->name.c_str(), prefix, n) == 0 && node->name.strlen() >= static_cast<int>(n))
            return node;
    } while (node != start);
    return nullptr;
}
