#include "tools/dir_compare.h"

#include "console/colours.h"
#include "console/keyboard.h"
#include "fileops/file_system.h"
#include "textui/dialog.h"
#include "textui/message_box.h"
#include "textui/textui_settings.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr size_t BlockSize = 262144;
// Most pairs are done long before this: only a long comparison shows its
// window, so comparing thousands of small files does not flicker.
constexpr auto ShowAfter = std::chrono::milliseconds(100);
constexpr int NameWidth = 36;

class CFile
{
public:
    CFile() = default;
    ~CFile()
    {
        if (fd >= 0)
            close(fd);
    }
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // 0 or the errno. Opening never blocks, even on a FIFO.
    [[nodiscard]] int Open(const Westring& path)
    {
        fd = open(FileNameToSys(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return errno;
        struct stat st;
        if (fstat(fd, &st) != 0)
            return errno;
        regular = S_ISREG(st.st_mode);
        size = st.st_size;
        return 0;
    }
    // Up to BlockSize bytes, fewer only at the end; or -errno.
    long Read(char* buffer)
    {
        size_t got = 0;
        while (got < BlockSize) {
            ssize_t n = read(fd, buffer + got, BlockSize - got);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return -errno;
            }
            if (n == 0)
                break;
            got += static_cast<size_t>(n);
        }
        return static_cast<long>(got);
    }

    int fd = -1;
    bool regular = false;
    long long size = 0;
};

// The " Comparing " window, made once a comparison has run long enough.
class CCompareWindow
{
public:
    void Show(const Westring& name)
    {
        dlg = std::make_unique<Dialog>(-1, -4, 40, 6, ui_colour(ColourMessages));
        dlg->PutCentre(0, L"Comparing");
        Westring shown = name.strlen() > NameWidth ? name.left(NameWidth) : name;
        dlg->PutCentre(1, shown.c_str());
        dlg->AddProgressIndicator(1, 3, NameWidth, fraction);
    }
    bool Shown() const { return dlg != nullptr; }
    void Update(float f)
    {
        fraction = f;
        dlg->Draw();
    }

private:
    float fraction = 0;
    std::unique_ptr<Dialog> dlg;
};

int report(int err, const Westring& path)
{
    error(Westring(GetOSErrorMessage(err).c_str()), path.c_str());
    return -1;
}

}

int compareFileContents(const Westring& a, const Westring& b)
{
    auto start = std::chrono::steady_clock::now();
    CFile fa, fb;
    if (int err = fa.Open(a))
        return report(err, a);
    if (int err = fb.Open(b))
        return report(err, b);
    // A FIFO or device has no contents to compare, and reading one may
    // never end.
    if (!fa.regular || !fb.regular)
        return fa.regular == fb.regular ? 0 : 1;

    // Kept for the run: a directory compare reads thousands of pairs.
    static std::vector<char> block_a(BlockSize), block_b(BlockSize);
    CCompareWindow window;
    long long done = 0;
    for (;;) {
        long na = fa.Read(block_a.data());
        if (na < 0)
            return report(static_cast<int>(-na), a);
        long nb = fb.Read(block_b.data());
        if (nb < 0)
            return report(static_cast<int>(-nb), b);
        if (na == 0)
            return nb == 0 ? 0 : 1;
        if (na != nb || std::memcmp(block_a.data(), block_b.data(), static_cast<size_t>(na)) != 0)
            return 1;
        // A short block is the end of both files: no read is spent on
        // being told so, which halves the calls on small files.
        if (na < static_cast<long>(BlockSize))
            return 0;
        done += na;
        if (!window.Shown() && std::chrono::steady_clock::now() - start >= ShowAfter)
            window.Show(a.filename());
        if (window.Shown())
            window.Update(fa.size > 0 ? static_cast<float>(static_cast<double>(done) / static_cast<double>(fa.size))
                                      : 1.0f);
        if (check_esc())
            return -1;
    }
}
