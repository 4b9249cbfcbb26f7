#ifndef PANNEX_MENUS_OPTION_DIALOGS_H
#define PANNEX_MENUS_OPTION_DIALOGS_H

// Options menu "Confirmations": five check boxes over the bits of the
// Confirmations setting, a box checked where its bit is clear (the
// question is asked). OK stores them, Cancel leaves the setting alone.
void edit_confirmations();

// Options menu "Configuration": the most used settings in one dialog,
// edited in place. Cancel puts back every setting as it was before; OK
// applies the locale and re-reads both panels. In both cases a changed
// Lines or Columns resizes the console, and the clock is set up again.
void edit_config();

// Dialog results of the Help buttons.
constexpr int ResultHelp = 'h';

#endif
