#include "foundation/os_error.h"

#include <cstring>

Estring GetOSErrorMsg(int err)
{
    // strerror may share one buffer between threads; worker threads report
    // errors too, so use the reentrant (GNU) form.
    char work[256];
    return Estring(strerror_r(err, work, sizeof work)).rtrim();
}
