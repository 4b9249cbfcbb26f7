#include "fileops/file_globals.h"

#include "console/console.h"
#include "console/keyboard.h"
#include "foundation/time_stamp.h"

FILE_GLOBALS file_globals;

void ResetFileGlobals()
{
    file_globals = FILE_GLOBALS();
}

bool file_command_stopped()
{
    constexpr double LookEvery = 0.05;
    static double last = 0;
    if (break_status == 2)
        return true;
    double now = GetRelativeTime();
    if (now - last < LookEvery)
        return false;
    last = now;
    if (!check_esc())
        return false;
    break_status = 2;
    return true;
}
