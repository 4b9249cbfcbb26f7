#ifndef PANNEX_ARCHIVE_ARCHIVE_FILE_H
#define PANNEX_ARCHIVE_ARCHIVE_FILE_H

#include "foundation/random_file.h"

#include <cstddef>
#include <memory>

// The bytes of an archive as the header readers see them: reads at a
// named position through a 64 KiB window, so that walking from header to
// header costs one system call per window rather than one per header, and
// seeking over member data costs nothing. Short reads at the end of the
// file are normal and reported by their count; nothing is ever read
// outside the caller's buffer.
class CArchiveFile
{
public:
    static constexpr int WindowSize = 65536;

    virtual ~CArchiveFile() = default;

    // Total size in bytes, fixed when the file was opened.
    long long Size() const { return size; }
    // Up to n bytes at pos into buf; the count read (0 at or past the end),
    // or -1 on a read error. n >= 0.
    [[nodiscard]] int ReadAt(long long pos, void* buf, int n);
    // True when exactly n bytes were read at pos.
    [[nodiscard]] bool ReadExact(long long pos, void* buf, int n) { return ReadAt(pos, buf, n) == n; }
    // The byte at pos (0-255), or -1 past the end or on an error.
    int GetChar(long long pos);

protected:
    // Reads raw bytes for the window; the count, or -1 on an error.
    virtual int Fill(long long pos, void* buf, int n) = 0;
    long long size = 0;

private:
    std::unique_ptr<unsigned char[]> window;
    long long windowPos = 0;
    int windowLength = 0;
};

// An archive file on disk, read through the random-access file class.
class CArchiveDiskFile : public CArchiveFile
{
public:
    // 0 or the errno of the open.
    [[nodiscard]] int Open(const char* path);

protected:
    int Fill(long long pos, void* buf, int n) override;

private:
    RandomFile file;
};

// An archive held in memory: the fuzz targets and the mutation tests read
// thousands of variants without touching the disk. The bytes are the
// caller's and must outlive the object.
class CArchiveMemoryFile : public CArchiveFile
{
public:
    CArchiveMemoryFile(const void* data, size_t n);

protected:
    int Fill(long long pos, void* buf, int n) override;

private:
    const unsigned char* bytes;
};

// Little-endian fields of a header buffer; the caller has checked that the
// bytes lie inside what was read.
inline unsigned Get16(const unsigned char* p)
{
    return p[0] | (p[1] << 8);
}
inline unsigned Get32(const unsigned char* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<unsigned>(p[3]) << 24);
}
inline unsigned long long Get64(const unsigned char* p)
{
    return Get32(p) | (static_cast<unsigned long long>(Get32(p + 4)) << 32);
}

#endif
