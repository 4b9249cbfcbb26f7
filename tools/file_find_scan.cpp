#include "tools/file_find_scan.h"

#include "entries/mask_eval.h"
#include "fileops/file_system.h"
#include "tools/file_find_search.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

// Kernel file systems whose files are no data: reading them can block
// (a pipe in /proc) or never end, and they hold nothing a user looks for.
bool pseudo_file_system(int fd)
{
    struct statfs fs;
    if (fstatfs(fd, &fs) != 0)
        return false;
    static const unsigned long types[] = {
        PROC_SUPER_MAGIC, SYSFS_MAGIC,    DEBUGFS_MAGIC, TRACEFS_MAGIC, SECURITYFS_MAGIC, CGROUP_SUPER_MAGIC,
        CGROUP2_SUPER_MAGIC, PSTOREFS_MAGIC, BPF_FS_MAGIC, DEVPTS_SUPER_MAGIC, EFIVARFS_MAGIC, BINFMTFS_MAGIC,
        0x62656570 /* configfs */, 0x65735543 /* fusectl */, 0x19800202 /* mqueue */, NSFS_MAGIC,
    };
    unsigned long type = static_cast<unsigned long>(fs.f_type);
    return std::find(std::begin(types), std::end(types), type) != std::end(types);
}

struct Listed
{
    std::string name;
    unsigned char type;
};

struct EntryFree
{
    void operator()(entry* e) const { entry::Destroy(e); }
};
using EntryPtr = std::unique_ptr<entry, EntryFree>;

}

CFileScan::CFileScan(const FindOptions& o) : options(o) {}

int CFileScan::Run(const std::atomic<bool>& stop)
{
    CMaskExpression mask;
    if (!mask.Compile(options.mask.c_str()))
        return EINVAL;
    const std::time_t now = mask.UsesTime() ? std::time(nullptr) : 0;
    // Without "%" tests the name alone decides, so an entry is looked at
    // (stat) only when its name matches.
    const bool name_only = options.mask.chr(L'%') < 0;
    std::unique_ptr<CContentSearch> search;
    if (!options.text.empty())
        search = std::make_unique<CContentSearch>(options.text, options.case_sensitive, options.whole_word,
                                                  options.code_page);

    Estring start_bytes = FileNameToSys(options.start);
    std::string start(start_bytes.empty() ? "/" : start_bytes.c_str());
    // Pending directories, in byte order: case-sensitive, as the file
    // system is.
    std::set<std::string> pending{start};
    std::set<std::pair<dev_t, ino_t>> entered;
    std::vector<Listed> names;
    int result = 0;

    while (!pending.empty()) {
        if (stop.load(std::memory_order_relaxed))
            return -1;
        std::string dir = std::move(pending.extract(pending.begin()).value());
        const bool is_start = dir == start;
        int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) {
            unlistable++;
            if (is_start)
                result = errno;
            continue;
        }
        struct stat self;
        if (fstat(fd, &self) != 0 || !entered.insert({self.st_dev, self.st_ino}).second ||
            (!is_start && options.skip_pseudo && pseudo_file_system(fd))) {
            ::close(fd);
            continue;
        }
        Entering(dir);
        DIR* d = fdopendir(fd);
        if (!d) {
            ::close(fd);
            unlistable++;
            continue;
        }
        names.clear();
        errno = 0;
        bool failed = false;
        while (dirent* de = readdir(d)) {
            const char* n = de->d_name;
            if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)))
                continue;
            if (!options.hidden && n[0] == '.')
                continue;
            names.push_back({n, de->d_type});
        }
        if (errno != 0)
            failed = true;
        int dfd = dirfd(d);
        // Listed in name order, so results come in the same order on every
        // run.
        std::sort(names.begin(), names.end(), [](const Listed& a, const Listed& b) { return a.name < b.name; });
        std::string prefix = dir;
        if (prefix != "/")
            prefix.push_back('/');

        for (const Listed& l : names) {
            if (stop.load(std::memory_order_relaxed)) {
                closedir(d);
                return -1;
            }
            Tick();
            struct stat own, target;
            bool have_own = false, have_target = false;
            auto get_own = [&] {
                if (!have_own)
                    have_own = fstatat(dfd, l.name.c_str(), &own, AT_SYMLINK_NOFOLLOW) == 0;
                return have_own;
            };
            unsigned char type = l.type;
            if (type == DT_UNKNOWN) {
                if (!get_own())
                    continue;
                type = S_ISDIR(own.st_mode) ? DT_DIR : S_ISLNK(own.st_mode) ? DT_LNK : S_ISREG(own.st_mode) ? DT_REG : DT_UNKNOWN;
            }
            if (type == DT_LNK && (options.follow_links || !name_only || search))
                have_target = fstatat(dfd, l.name.c_str(), &target, 0) == 0;
            const bool is_dir = type == DT_DIR || (type == DT_LNK && options.follow_links && have_target &&
                                                   S_ISDIR(target.st_mode));
            std::string path;
            path.reserve(prefix.size() + l.name.size());
            path.append(prefix).append(l.name);
            if (options.recurse && is_dir)
                pending.insert(path);
            // A text is looked for in files only.
            if (search && (type == DT_DIR || (type == DT_LNK && have_target && S_ISDIR(target.st_mode))))
                continue;

            Westring wname = FileNameFromSys(l.name.c_str());
            EntryPtr e(entry::Create(wname));
            auto fill = [&] {
                if (!get_own())
                    return false;
                const struct stat* t = type == DT_LNK && have_target ? &target : nullptr;
                e->attributes = EntryAttributes(wname, own, t);
                const struct stat& st = t ? *t : own;
                e->size = (e->attributes & AttrDirectory) ? 0 : static_cast<unsigned long long>(st.st_size);
                e->mode = static_cast<unsigned short>(st.st_mode & 0xFFFF);
                e->uid = st.st_uid;
                e->gid = st.st_gid;
                e->time = TimeStamp(st.st_mtim.tv_sec, static_cast<unsigned>(st.st_mtim.tv_nsec));
                e->group = (e->attributes & AttrDirectory) ? GroupDirectory
                           : (e->attributes & AttrHidden) ? GroupHidden
                                                          : GroupFile;
                return true;
            };
            if (name_only) {
                e->time = TimeStamp(0, 0);
                // A file to search is looked at only once it holds the
                // text.
                if (mask.Evaluate(*e, now) != 1 || (!(search && type == DT_REG) && !fill()))
                    continue;
            } else if (!fill() || mask.Evaluate(*e, now) != 1) {
                continue;
            }
            long long pos = FoundNotSearched;
            if (search) {
                // Only regular files are opened: a FIFO, a device or a
                // socket (or a link to one) is passed over unopened.
                bool regular = type == DT_REG || (type == DT_LNK && have_target && S_ISREG(target.st_mode)) ||
                               (type != DT_LNK && get_own() && S_ISREG(own.st_mode));
                if (!regular)
                    continue;
                pos = search->Search(path.c_str(), &stop);
                if (pos == FoundStopped) {
                    closedir(d);
                    return -1;
                }
                if (pos == FoundNone || !fill())
                    continue;
            }
            Westring full = FileNameFromSys(path.c_str());
            entry* r = entry::Create(full);
            r->size = e->size;
            r->attributes = e->attributes;
            r->mode = e->mode;
            r->uid = e->uid;
            r->gid = e->gid;
            r->time = e->time;
            r->group = e->group;
            r->match_pos = pos;
            Found(r);
        }
        closedir(d);
        if (failed)
            unlistable++;
    }
    return result;
}
