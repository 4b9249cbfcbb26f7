#include "archive/archive.h"
#include "archive/archive_file.h"
#include "archive/archive_readers.h"
#include "foundation/nls.h"

#include <cstring>

// BZip2: one member, named after the archive, whose size and time the
// format does not store.

int read_bzip2(Archive& a, CArchiveFile& f)
{
    unsigned char h[3];
    if (!f.ReadExact(0, h, 3) || std::memcmp(h, "BZh", 3) != 0)
        return -1;
    ArchiveEntry* e = a.NewEntry();
    e->packed = static_cast<unsigned long long>(f.Size());
    e->size = ArchiveSizeUnknown;
    e->time = ArchiveTimeUnknown;
    Westring name = archive_base_name(a);
    int dot = name.rchr(L'.');
    if (dot > 0) {
        Westring ext = name.mid(dot + 1, name.strlen());
        if (fncompare(ext.c_str(), L"bz2") == 0)
            name = name.left(dot);
        else if (fncompare(ext.c_str(), L"tbz") == 0)
            name = name.left(dot) + L".tar";
    }
    Estring sys = FileNameToSys(name);
    a.AddMember(e, name.c_str(), name.strlen(), sys.c_str(), sys.strlen(), false);
    return 0;
}
