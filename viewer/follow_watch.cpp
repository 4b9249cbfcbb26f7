#include "viewer/follow_watch.h"

#include <sys/stat.h>

namespace {

FOLLOW_STAT from_stat(const struct stat& st)
{
    FOLLOW_STAT s;
    s.exists = true;
    s.dev = st.st_dev;
    s.ino = st.st_ino;
    s.size = st.st_size;
    s.mtime = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    return s;
}

}

FOLLOW_STAT follow_stat(int fd)
{
    struct stat st;
    return fd >= 0 && fstat(fd, &st) == 0 ? from_stat(st) : FOLLOW_STAT();
}

FOLLOW_STAT follow_stat(const Westring& name)
{
    struct stat st;
    return stat(FileNameToSys(name).c_str(), &st) == 0 ? from_stat(st) : FOLLOW_STAT();
}

EFollowChange CFollowWatch::Poll(const FOLLOW_STAT& open, const FOLLOW_STAT& name)
{
    if (name.exists && (name.dev != open.dev || name.ino != open.ino)) {
        last = name;
        return FollowReplaced;
    }
    EFollowChange change = open.size > last.size   ? FollowGrown
                         : open.size < last.size   ? FollowShrunk
                         : open.mtime != last.mtime ? FollowRewritten
                                                    : FollowNone;
    last = open;
    return change;
}
