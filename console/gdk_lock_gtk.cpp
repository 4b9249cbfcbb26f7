#include "console/console_window_gtk.h"

#include <mutex>

namespace {

// Recursive, because the console's display operations take it and are
// also called from toolkit handlers that already hold it.
std::recursive_mutex GdkMutex;

}

void gdkLock()
{
    GdkMutex.lock();
}

void gdkUnlock()
{
    GdkMutex.unlock();
}
