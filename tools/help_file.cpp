#include "tools/help_file.h"

#include "config/px_filename.h"

#include <cerrno>
#include <cstdint>
#include <string>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::unique_ptr<CHelpText> helptext;

namespace {

int read_le16(const unsigned char* p)
{
    return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
}

// A help file larger than this is not a help file: 64 KiB records, and no
// more than a few hundred topics make sense.
constexpr off_t MaxHelpFile = 16 * 1024 * 1024;

}

CHelpText::CHelpText(std::vector<unsigned char> data) : bytes(std::move(data))
{
    size_t at = 0;
    while (at + 4 <= bytes.size()) {
        int length = read_le16(&bytes[at + 2]);
        if (length < 4 || at + static_cast<size_t>(length) > bytes.size())
            break;
        at += static_cast<size_t>(length);
    }
    usable = at;
}

long long CHelpText::record_of(int topic, bool fallback) const
{
    for (size_t at = 0; at < usable; at += static_cast<size_t>(read_le16(&bytes[at + 2]))) {
        int number = read_le16(&bytes[at]);
        if (number == topic)
            return static_cast<long long>(at);
        if (number == HelpTopicMissing)
            return fallback ? static_cast<long long>(at) : -1;
    }
    return -1;
}

bool CHelpText::Has(int topic) const
{
    return record_of(topic, false) >= 0;
}

bool CHelpText::Find(int topic, std::vector<Westring>& lines) const
{
    lines.clear();
    long long at = record_of(topic, true);
    if (at < 0)
        return false;
    size_t start = static_cast<size_t>(at) + 4;
    size_t end = static_cast<size_t>(at) + static_cast<size_t>(read_le16(&bytes[static_cast<size_t>(at) + 2]));
    std::string line;
    for (size_t i = start; i < end; i++) {
        if (bytes[i] == 0) {
            lines.emplace_back(line.c_str(), 850);
            line.clear();
        } else {
            line += static_cast<char>(bytes[i]);
        }
    }
    // A last line without its 0 byte ends with the record.
    if (!line.empty())
        lines.emplace_back(line.c_str(), 850);
    return true;
}

int load_help_file(const Westring& path)
{
    helptext.reset();
    int fd = open(FileNameToSys(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    struct stat st;
    int err = 0;
    std::vector<unsigned char> data;
    if (fstat(fd, &st) != 0) {
        err = errno;
    } else if (!S_ISREG(st.st_mode) || st.st_size > MaxHelpFile) {
        err = EINVAL;
    } else {
        data.resize(static_cast<size_t>(st.st_size));
        size_t got = 0;
        while (got < data.size()) {
            ssize_t n = read(fd, data.data() + got, data.size() - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                err = n < 0 ? errno : EIO;
                break;
            }
            got += static_cast<size_t>(n);
        }
    }
    close(fd);
    if (err)
        return err;
    auto text = std::make_unique<CHelpText>(std::move(data));
    if (text->Size() == 0)
        return EINVAL;
    helptext = std::move(text);
    return 0;
}

void load_help()
{
    // Without a help file every request says so; nothing else depends on it.
    (void)load_help_file(PXFilename(PXHelp));
}
