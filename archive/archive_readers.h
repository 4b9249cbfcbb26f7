#ifndef PANNEX_ARCHIVE_ARCHIVE_READERS_H
#define PANNEX_ARCHIVE_ARCHIVE_READERS_H

class Archive;
class CArchiveFile;

// The header readers, one per format, tried by Archive in this order. Each
// returns 0 when the file is an archive of its format (having added its
// members and reported damage through Archive::error), or -1 quickly and
// without adding members when it is not. Only headers are read.
[[nodiscard]] int read_zip(Archive& a, CArchiveFile& f);
[[nodiscard]] int read_rar(Archive& a, CArchiveFile& f);
[[nodiscard]] int read_lzh(Archive& a, CArchiveFile& f);
[[nodiscard]] int read_arj(Archive& a, CArchiveFile& f);
[[nodiscard]] int read_ace(Archive& a, CArchiveFile& f);
[[nodiscard]] int read_ha(Archive& a, CArchiveFile& f);
[[nodiscard]] int read_gzip(Archive& a, CArchiveFile& f);
[[nodiscard]] int read_tar(Archive& a, CArchiveFile& f);
[[nodiscard]] int read_seven_zip(Archive& a, CArchiveFile& f);
[[nodiscard]] int read_bzip2(Archive& a, CArchiveFile& f);

// The self-extractor search shared by ZIP, RAR, LZH, ARJ and ACE: looks
// for sig (n bytes) starting at an offset from from up to (not including)
// limit. The offset of the first match, or -1.
long long find_signature(CArchiveFile& f, const char* sig, int n, long long from, long long limit);

// The archive file's name after the last "/", for formats that store none.
class Westring;
Westring archive_base_name(const Archive& a);

#endif
