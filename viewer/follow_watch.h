#ifndef PANNEX_VIEWER_FOLLOW_WATCH_H
#define PANNEX_VIEWER_FOLLOW_WATCH_H

#include "foundation/westring.h"

// What stat says of a followed file: its identity, size and time.
struct FOLLOW_STAT
{
    bool exists = false;
    unsigned long long dev = 0, ino = 0;
    long long size = 0;
    // Modification time in nanoseconds since the epoch.
    long long mtime = 0;
};

// fstat of an open descriptor, stat of a name (links followed).
FOLLOW_STAT follow_stat(int fd);
FOLLOW_STAT follow_stat(const Westring& name);

// How a followed file changed since the last look.
enum EFollowChange {
    FollowNone,
    FollowGrown,
    // Cut (": > file", a rewrite that came out shorter).
    FollowShrunk,
    // The same size, another time: rewritten in place.
    FollowRewritten,
    // The name now names another file (renamed over, a log rotated): the
    // viewer opens that one.
    FollowReplaced,
};

// Follow mode's judgement, as "tail -F" makes it: the open file is watched
// for growth, truncation and rewriting; its name for being replaced. A
// name that vanished leaves the open file watched until a file of that
// name appears. A change is any difference of size, time or identity,
// never a time being later: a file replaced by an older copy counts too.
// The caller takes the stats (and with them the time), so tests feed
// their own.
class CFollowWatch
{
public:
    // The open file as follow mode starts.
    void Start(const FOLLOW_STAT& open) { last = open; }
    // open: fstat of the descriptor now; name: stat of the name now.
    EFollowChange Poll(const FOLLOW_STAT& open, const FOLLOW_STAT& name);

private:
    FOLLOW_STAT last;
};

#endif
