#include "tools/find_replace.h"

#include "fileops/file_system.h"
#include "tools/file_find_search.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr size_t WriteBytes = 1 << 20;

bool same_time(const struct timespec& a, const struct timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// The new file being written beside the target; removed unless committed.
class CReplacementFile
{
public:
    ~CReplacementFile()
    {
        if (fd >= 0)
            ::close(fd);
        if (!name.empty())
            ::unlink(name.c_str());
    }
    // Made exclusively (mode 0600) in the target's directory, under a
    // name no other file has: a file of the user's is never reused.
    int Create(const std::string& target)
    {
        size_t slash = target.rfind('/');
        std::string dir = target.substr(0, slash + 1);
        std::string base = target.substr(slash + 1, 160);
        std::string tmpl = dir + "." + base + ".pxr.XXXXXX";
        std::unique_ptr<char[]> buf(new char[tmpl.size() + 1]);
        std::memcpy(buf.get(), tmpl.c_str(), tmpl.size() + 1);
        fd = mkostemp(buf.get(), O_CLOEXEC);
        if (fd < 0)
            return errno;
        name = buf.get();
        out = std::make_unique_for_overwrite<char[]>(WriteBytes);
        return 0;
    }
    int Write(const void* data, size_t n)
    {
        const char* p = static_cast<const char*>(data);
        while (n > 0) {
            if (used == WriteBytes) {
                if (int r = Flush())
                    return r;
            }
            size_t k = std::min(n, WriteBytes - used);
            std::memcpy(out.get() + used, p, k);
            used += k;
            p += k;
            n -= k;
        }
        return 0;
    }
    int Flush()
    {
        size_t done = 0;
        while (done < used) {
            ssize_t w = ::write(fd, out.get() + done, used - done);
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                return errno;
            }
            done += static_cast<size_t>(w);
        }
        used = 0;
        return 0;
    }
    // Owner, group and mode of the original (the owner first, since
    // changing it clears set-id bits), then the bytes made durable, then
    // the rename over target.
    int Commit(const struct stat& st, const std::string& target)
    {
        if (int r = Flush())
            return r;
        if (fchown(fd, st.st_uid, st.st_gid) != 0)
            return ReplaceOwner;
        if (fchmod(fd, st.st_mode & 07777) != 0)
            return errno;
        if (fsync(fd) != 0)
            return errno;
        int r = ::close(fd);
        fd = -1;
        if (r != 0)
            return errno;
        if (::rename(name.c_str(), target.c_str()) != 0)
            return errno;
        name.clear();
        // The rename itself made durable too.
        std::string dir = target.substr(0, target.rfind('/') + 1);
        int dfd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dfd >= 0) {
            (void)fsync(dfd);
            ::close(dfd);
        }
        return 0;
    }

    int fd = -1;

private:
    std::string name;
    std::unique_ptr<char[]> out;
    size_t used = 0;
};

// Copies [from, to) of fd to the new file (to < 0: to the end).
int copy_range(int fd, long long from, long long to, CReplacementFile& file)
{
    static thread_local std::unique_ptr<char[]> buf;
    if (!buf)
        buf = std::make_unique_for_overwrite<char[]>(WriteBytes);
    while (to < 0 || from < to) {
        size_t want = WriteBytes;
        if (to >= 0)
            want = static_cast<size_t>(std::min<long long>(to - from, WriteBytes));
        ssize_t n = ::pread(fd, buf.get(), want, from);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return to < 0 ? 0 : ReplaceChanged;
        if (int r = file.Write(buf.get(), static_cast<size_t>(n)))
            return r;
        from += n;
    }
    return 0;
}

}

int replace_in_file(const Westring& path, const ReplaceRequest& request, const entry* found, int& count)
{
    count = 0;
    if (request.text.empty())
        return 0;
    Estring given = FileNameToSys(path);
    // The file a link leads to is the one rewritten; the link stays.
    char resolved[PATH_MAX];
    if (!realpath(given.c_str(), resolved))
        return errno;
    const std::string target = resolved;
    int fd = ::open(resolved, O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    struct Closer
    {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat before;
    if (fstat(fd, &before) != 0)
        return errno;
    if (!S_ISREG(before.st_mode))
        return ReplaceNotRegular;
    if (found && (static_cast<unsigned long long>(before.st_size) != found->size ||
                  before.st_mtim.tv_sec != found->time.seconds ||
                  static_cast<unsigned>(before.st_mtim.tv_nsec) != found->time.nanoseconds))
        return ReplaceChanged;
    if (::access(resolved, W_OK) != 0)
        return errno;
    if (before.st_nlink > 1)
        return ReplaceHardLinks;

    CContentSearch search(request.text, request.case_sensitive, request.whole_word, request.code_page);
    CReplacementFile out;
    std::string replacement;
    long long copied = 0;
    int failure = 0;
    int r = search.ForEachMatch(fd, nullptr, [&](long long at, long long length) {
        if (count == 0) {
            // The replacement in the encoding the file was found in.
            if (!encode_exact(request.replacement, search.Format(), search.CodePage(), replacement)) {
                failure = ReplaceUnencodable;
                return false;
            }
            if ((failure = out.Create(target)) != 0)
                return false;
        }
        if ((failure = copy_range(fd, copied, at, out)) != 0 ||
            (failure = out.Write(replacement.data(), replacement.size())) != 0)
            return false;
        copied = at + length;
        count++;
        return true;
    });
    if (failure) {
        count = 0;
        return failure;
    }
    if (r > 0) {
        count = 0;
        return r;
    }
    if (count == 0)
        return 0;
    if ((failure = copy_range(fd, copied, -1, out)) != 0) {
        count = 0;
        return failure;
    }
    // Written by someone else meanwhile: what was read may be a mixture.
    struct stat after;
    if (fstat(fd, &after) != 0 || after.st_size != before.st_size || !same_time(after.st_mtim, before.st_mtim) ||
        !same_time(after.st_ctim, before.st_ctim)) {
        count = 0;
        return ReplaceChanged;
    }
    if ((failure = out.Commit(before, target)) != 0) {
        count = 0;
        return failure;
    }
    return 0;
}

Westring replace_error_text(int status)
{
    switch (status) {
    case ReplaceChanged:
        return L"The file changed since it was found; it was skipped";
    case ReplaceUnencodable:
        return L"The file's encoding cannot hold the replacement; it was skipped";
    case ReplaceNotRegular:
        return L"Not a regular file; it was skipped";
    case ReplaceOwner:
        return L"The file's owner and group cannot be kept; it was skipped";
    case ReplaceHardLinks:
        return L"The file has other hard links; it was skipped";
    default:
        return MkWestring(GetOSErrorMessage(status));
    }
}
