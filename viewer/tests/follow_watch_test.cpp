#include "viewer/follow_watch.h"

#include <gtest/gtest.h>


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
    for (const auto& r : rows) {
        EXPECT_EQ(w.Poll(r.open, r.name), r.change) << r.what;
        // After a replacement the viewer opens the new file and starts over.
        if (r.change == FollowReplaced)
            w.Start(r.name);
    }
}
