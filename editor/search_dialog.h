#ifndef PANNEX_EDITOR_SEARCH_DIALOG_H
#define PANNEX_EDITOR_SEARCH_DIALOG_H

// The search dialog of the viewer and the editor (65 x 7, "Messages"
// colour): "Search for:" over `word` (history 5), OK and Cancel, and the
// switches "Case Sensitive", "Reverse" and "Whole Word". RESULT_ACCEPT
// with the settings of search_settings.h changed, RESULT_CANCEL with them
// as they were. Logic thread.
int search_dialog();
// The editor's replace dialog (65 x 9): the same with "Replace with:"
// over replaceWord (history 6) below the search text.
int replace_dialog();

#endif
