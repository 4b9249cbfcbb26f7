#ifndef PANNEX_PANELS_CLOCK_H
#define PANNEX_PANELS_CLOCK_H

#include "foundation/westring.h"

#include <ctime>

class Win;

// The clock window at the right end of row 0, absent while the Clock
// setting is off.
extern Win* clock_win;

// The clock's text: "%2d%c%02d" with TimeMode 24, else the 12-hour form
// with "a" before noon and "p" after (12 for noon and midnight). The
// separator is ":" on even seconds and a blank on odd ones, so it blinks.
Westring clock_text(const std::tm& t, int time_mode);

// Opens and draws the clock when the setting is on and none is shown.
void init_clock();
// Redraws the clock with the present time; called whenever the key wait
// wakes, at least once a second.
void update_clock();
// Removes the clock window, restoring what it covered.
void hide_clock();

#endif
