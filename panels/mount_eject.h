#ifndef PANNEX_PANELS_MOUNT_EJECT_H
#define PANNEX_PANELS_MOUNT_EJECT_H

#include "foundation/westring.h"

// Ejecting the mount that holds a directory, through the desktop's volume
// service (GIO).

constexpr int EjectTimeLimitMs = 15000;

// Ejects the mount enclosing mount_point and waits for the outcome at most
// limit_ms milliseconds. Returns 0 when it was ejected, -1 when no answer
// came in time (the request is cancelled), otherwise 1 with the service's
// text in message (also when no mount encloses the directory). Runs the
// service's replies on a context of its own, so it needs no toolkit loop.
[[nodiscard]] int eject_mount(const Westring& mount_point, Westring& message, int limit_ms = EjectTimeLimitMs);

#endif
