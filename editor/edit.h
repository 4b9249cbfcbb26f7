#ifndef PANNEX_EDITOR_EDIT_H
#define PANNEX_EDITOR_EDIT_H

// Edits name in the built-in editor: pos is a byte offset of the file at
// which the cursor starts (-1: where the file was left last), length the
// number of characters selected from there (0: none). The screen comes
// back as it was. 0 when the file was edited; otherwise the user has been
// told why not. Logic thread.
int edit(const wchar_t* name, long long pos = -1, int length = 0);

#endif
