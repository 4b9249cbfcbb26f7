#include "text/ini_stack.h"

#include "foundation/os_error.h"
#include "foundation/std_file.h"
#include "textui/message_box.h"

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>

namespace {

class FileSource : public CIniSource
{
public:
    int gets(char* buf, int size) override { return file.gets(buf, size); }
    StdFile file;
};

}

int CIniStack::OpenSource(const Westring& path, std::unique_ptr<CIniSource>& source, dev_t& dev, ino_t& ino)
{
    auto f = std::make_unique<FileSource>();
    int rc = f->file.open(path, StdFile::OpenRead | StdFile::OpenRegularOnly);
    if (rc != 0)
        return rc;
    struct stat st;
    if (fstat(f->file.handle(), &st) != 0)
        return errno;
    dev = st.st_dev;
    ino = st.st_ino;
    source = std::move(f);
    return 0;
}

void CIniStack::Report(const Westring& path, int err)
{
    (void)error(Westring(GetOSErrorMsg(err).c_str()), path.c_str());
}

bool CIniStack::Open(const Westring& path)
{
    std::unique_ptr<CIniSource> source;
    dev_t dev = 0;
    ino_t ino = 0;
    int err = static_cast<int>(files.size()) >= MaxDepth ? ELOOP : OpenSource(path, source, dev, ino);
    // A file already being read would be read again and again.
    if (err == 0 && std::any_of(files.begin(), files.end(), [&](const Level& l) { return l.dev == dev && l.ino == ino; }))
        err = ELOOP;
    if (err != 0) {
        bool top = files.empty();
        bool seen = std::any_of(reported.begin(), reported.end(), [&](const Westring& p) { return p == path; });
        if (!(top && err == ENOENT) && !seen) {
            reported.push_back(path);
            Report(path, err);
        }
        return false;
    }
    files.push_back({std::move(source), dev, ino});
    return true;
}

int CIniStack::gets(char* buf, int size)
{
    while (!files.empty()) {
        int rc = files.back().source->gets(buf, size);
        if (rc == 0)
            return 0;
        // The end of this file, or one that cannot be read on: back to the
        // file that included it.
        files.pop_back();
    }
    buf[0] = 0;
    return -1;
}
