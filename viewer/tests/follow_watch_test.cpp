#include "viewer/follow_watch.h"

#include "viewer/tests/viewer_test_util.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

TEST(FollowWatch, JudgesEachChangeByDifferenceNotByTime)
{
    // The stats are made up: times are whatever the row says, so nothing
    // waits for a clock to tick.
    auto st = [](unsigned long long ino, long long size, long long mtime) {
        FOLLOW_STAT s;
        s.exists = true;
        s.dev = 1;
        s.ino = ino;
        s.size = size;
        s.mtime = mtime;
        return s;
    };
    FOLLOW_STAT gone;
    const struct { const char* what; FOLLOW_STAT open, name; EFollowChange change; } rows[] = {
        {"nothing", st(7, 100, 5), st(7, 100, 5), FollowNone},
        {"grown", st(7, 150, 6), st(7, 150, 6), FollowGrown},
        {"truncated", st(7, 0, 7), st(7, 0, 7), FollowShrunk},
        {"rewritten, same size", st(7, 0, 8), st(7, 0, 8), FollowRewritten},
        {"an older copy put back", st(7, 0, 3), st(7, 0, 3), FollowRewritten},
        {"renamed over", st(7, 0, 3), st(9, 40, 2), FollowReplaced},
        {"the new file grows", st(9, 60, 4), st(9, 60, 4), FollowGrown},
        {"unlinked", st(9, 60, 4), gone, FollowNone},
        {"gone, and growing on", st(9, 70, 5), gone, FollowGrown},
        {"back under the name", st(9, 70, 5), st(11, 10, 1), FollowReplaced},
    };
    CFollowWatch w;
    w.Start(st(7, 100, 5));
    FOLLOW_STAT open = st(7, 100, 5);
    for (const auto& r : rows) {
        EXPECT_EQ(w.Poll(r.open, r.name), r.change) << r.what;
        // After a replacement the viewer opens the new file and starts over.
        if (r.change == FollowReplaced)
            w.Start(r.name);
    }
    (void)open;
}

TEST(FollowWatch, StatsOfARealFile)
{
    ScratchDir dir;
    std::string name = dir.write("log", "one\n");
    int fd = open(name.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    CFollowWatch w;
    w.Start(follow_stat(fd));
    Westring wname = FileNameFromSys(name.c_str());
    EXPECT_EQ(w.Poll(follow_stat(fd), follow_stat(wname)), FollowNone);
    dir.write("new", "fresh\n");
    ASSERT_EQ(std::rename(dir.file("new").c_str(), name.c_str()), 0);
    EXPECT_EQ(w.Poll(follow_stat(fd), follow_stat(wname)), FollowReplaced);
    ASSERT_EQ(unlink(name.c_str()), 0);
    EXPECT_FALSE(follow_stat(wname).exists);
    close(fd);
}
