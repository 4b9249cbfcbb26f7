#ifndef PANNEX_TEXTUI_TEXTUI_SETTINGS_H
#define PANNEX_TEXTUI_TEXTUI_SETTINGS_H

#include "console/colours.h"

// The settings the text interface reads. Until the configuration record
// exists they point at textui's own copies, holding the defaults; at
// start-up the configuration points each one at the field of its record,
// so that a change made in a dialog is seen by the next window drawn:
//     textui_settings.colours = config.colours;
//     textui_settings.shadows = &config.Shadows;
// Every pointer stays valid for the whole run. Read on the logic thread,
// and by progress indicators on their watcher thread.
struct TEXTUI_SETTINGS
{
    // The colour table: ColourCount attributes, indexed by EColour.
    unsigned char* colours;
    // "Shadows": framed windows drop a shadow where it fits.
    const bool* shadows;
    // ScrollDelay: milliseconds between the steps of mouse scrolling.
    const int* scroll_delay;
    // BriefWordRight: Ctrl+Right goes to the end of the next word (true) or
    // to the start of the next word (false).
    const bool* brief_word_right;
    // The locale's thousands separator, for counts shown in progress boxes.
    const wchar_t* thousand_separator;
};

extern TEXTUI_SETTINGS textui_settings;

// The attribute of one row of the colour table.
inline unsigned char ui_colour(EColour row)
{
    return textui_settings.colours[row];
}

#endif
