#ifndef PANNEX_FOUNDATION_OS_ERROR_H
#define PANNEX_FOUNDATION_OS_ERROR_H

#include "foundation/estring.h"

// The system's text for an errno value, without trailing white space.
// Safe to call from any thread.
Estring GetOSErrorMsg(int err);

#endif
