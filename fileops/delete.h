#ifndef PANNEX_FILEOPS_DELETE_H
#define PANNEX_FILEOPS_DELETE_H

#include "fileops/copy_status.h"
#include "fileops/descriptions.h"
#include "foundation/westring.h"
#include "panels/panel.h"

struct PANEL_REQUEST;

// Delete: F8 (the tagged entries or the one under the cursor), Shift+F8
// (a typed path), and the single deletions copy and move use. Up to three
// confirmations, each switched off by its bit of the Confirmations
// setting, and the read-only question whose answer sticks. ".." is never
// deleted; a link to a directory is removed as the link it is.

// delete_file modes.
enum EDeleteMode : int {
    DeleteShowClose = 0,   // "Deleting the file" shown, closed at the end
    DeleteShowKeep = 1,    // shown and left open for the next file
    DeleteCloseWindow = 2, // only closes the window; no file is named
    DeleteNoWindow = 3,    // interactive, without the window
    // Quiet: no window and no read-only question; a missing file or
    // directory on the path is "not deleted" without a word. Other
    // failures are still reported.
    DeleteQuiet = 4,
};

// F8 on panel.
void file_delete(PANEL* panel);
// Shift+F8 on panel.
void file_delete_single(PANEL* panel);
// Deletes the tagged entries of panel, or the one under the cursor, with
// the per-file questions but without the confirmations. Inside an archive
// it hands over to archive_delete_hook.
void file_delete_selected(PANEL* panel);
// Deletes from the panel's archive (ArchiveDelete), set by the archive
// commands at start-up, so that this library never includes theirs. Null:
// nothing is deleted inside an archive.
extern void (*archive_delete_hook)(PANEL* panel);

// One file (or link, or node). 1 deleted, 0 not deleted, -1 abort the
// command. descriptions, when given, loses the file's line; without it the
// line is removed at once. status, when given, stops its progress display
// before any question.
[[nodiscard]] int delete_file(const Westring& path, int mode, copy_status* status = nullptr,
                              CDescriptionSet* descriptions = nullptr);
// One directory; a non-empty one as a tree (delete_tree). mask is the file
// filter expression of the tree deletion. 1 deleted, 0 not deleted, -1 a
// tree deletion was refused or stopped.
[[nodiscard]] int delete_dir(const Westring& path, const wchar_t* mask = L"*", copy_status* status = nullptr,
                             CDescriptionSet* descriptions = nullptr);
// Asks about and deletes a non-empty directory. 1 deleted, -1 refused or
// stopped, 0 when called inside another tree deletion (nothing is done)
// or when the mask or an answer kept something.
[[nodiscard]] int delete_tree(const Westring& path, const wchar_t* mask = L"*");

// The keys F8 and Shift+F8 of the main loop.
void delete_key(int key, PANEL_REQUEST& request);

#endif
