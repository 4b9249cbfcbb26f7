#ifndef PANNEX_FILEOPS_CHANGE_DATE_H
#define PANNEX_FILEOPS_CHANGE_DATE_H

#include "foundation/time_stamp.h"
#include "panels/panel_commands.h"

#include <vector>

struct PANEL;
struct entry;

// File Date/Time: sets the modification time of the current or tagged
// entries from a dialog laid out in the locale's date order, on the
// TimeMode clock.

// 0 when the fields form a date and time the command accepts: years
// 1980-2099, a day within its month (29 February in years divisible by
// 4), hours 0-23, minutes and seconds 0-59; -1 otherwise.
[[nodiscard]] int ValidDateTime(int year, int month, int day, int hour, int minute, int second);

// A 24-hour value for a 12-hour clock: pm becomes 1 from hour 12 on, hour
// 0 shows as 12 and hours above 12 lose 12.
void HourAdjust(int& hour, int& pm);
// The way back: 12 AM is hour 0, 12 PM hour 12, PM adds 12 to 1-11.
int HourFrom12(int hour, int pm);

// Gives one entry of the panel the modification time, offering Retry,
// Skip and Cancel on failure; non-zero when the user chose to stop. The
// entry is named by the panel's directory, never the process's current
// directory.
[[nodiscard]] int change_entry_date(PANEL* panel, const entry& e, const TimeStamp& time);
// Each entry in order, until one asks to stop.
void change_dates(PANEL* panel, const std::vector<entry*>& entries, const TimeStamp& time);

void change_date(PANEL* panel);

// The key-table entry for the "File Date/Time" command code.
void change_date_key(int key, PANEL_REQUEST& request);

#endif
