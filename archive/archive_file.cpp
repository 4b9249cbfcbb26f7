#include "archive/archive_file.h"

#include <algorithm>
#include <cstring>

int CArchiveFile::ReadAt(long long pos, void* buf, int n)
{
    if (pos < 0 || n < 0)
        return -1;
    if (pos >= size || n == 0)
        return 0;
    long long available = size - pos;
    if (n > available)
        n = static_cast<int>(available);
    if (pos >= windowPos && pos + n <= windowPos + windowLength) {
        std::memcpy(buf, window.get() + (pos - windowPos), static_cast<size_t>(n));
        return n;
    }
    // Larger reads bypass the window: only the 7z path asks for them.
    if (n > WindowSize / 2)
        return Fill(pos, buf, n);
    if (!window)
        window.reset(new unsigned char[WindowSize]); // not cleared: only filled bytes are read
    int got = Fill(pos, window.get(), WindowSize);
    if (got < 0) {
        windowLength = 0;
        return -1;
    }
    windowPos = pos;
    windowLength = got;
    n = std::min(n, got);
    std::memcpy(buf, window.get(), static_cast<size_t>(n));
    return n;
}

int CArchiveFile::GetChar(long long pos)
{
    unsigned char c;
    return ReadAt(pos, &c, 1) == 1 ? c : -1;
}

int CArchiveDiskFile::Open(const char* path)
{
    int rc = file.open(path, 1);
    if (rc)
        return rc;
    size = file.size();
    return 0;
}

int CArchiveDiskFile::Fill(long long pos, void* buf, int n)
{
    int got = n;
    int rc = file.GetBlock(pos, buf, got);
    if (rc == -1)
        return 0;
    return rc ? -1 : got;
}

CArchiveMemoryFile::CArchiveMemoryFile(const void* data, size_t n)
    : bytes(static_cast<const unsigned char*>(data))
{
    size = static_cast<long long>(n);
}

int CArchiveMemoryFile::Fill(long long pos, void* buf, int n)
{
    if (pos >= size)
        return 0;
    int got = static_cast<int>(std::min<long long>(n, size - pos));
    if (got > 0)
        std::memcpy(buf, bytes + pos, static_cast<size_t>(got));
    return got;
}
