#ifndef PANNEX_TEXT_TEXT_SETTINGS_H
#define PANNEX_TEXT_TEXT_SETTINGS_H

// The settings text/ reads. Until the configuration exists they point at
// text's own defaults; at start-up the configuration points them at its
// record's fields, so that a change in the options dialog counts at once:
//     text_settings.tab_width = &config.TabWidth;
// The default code page of text files (TextCodePage) is foundation's
// textcodepage, read through DefaultTextCodePage(). Logic thread only.
struct TEXT_SETTINGS
{
    // TabWidth: a tab reaches the next multiple of it (at least 1).
    const int* tab_width;
};

extern TEXT_SETTINGS text_settings;

inline int text_tab_width()
{
    int w = *text_settings.tab_width;
    return w > 0 ? w : 1;
}

#endif
