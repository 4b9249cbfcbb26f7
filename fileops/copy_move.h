#ifndef PANNEX_FILEOPS_COPY_MOVE_H
#define PANNEX_FILEOPS_COPY_MOVE_H

#include "fileops/copy_status.h"
#include "fileops/descriptions.h"
#include "fileops/file_globals.h"
#include "foundation/westring.h"
#include "panels/panel.h"

struct PANEL_REQUEST;

// Copy, move and rename: F5, F6, Shift+F5, Shift+F6.
//
// Item routines return 0 when the item was done, -1 to abort the whole
// command, and a positive value when the item was left (reported already,
// or skipped by an answer or a policy; ItemSkippedQuietly without a word).
// Every question and failure is asked here, on the logic thread; the byte
// mover and the tree walks below never ask. Identity is (st_dev, st_ino),
// never text; a replaced target is written beside it and renamed over it,
// so an old target is never lost; a move deletes a source only once its
// copy is durable.

// file_copy_move flags.
constexpr int CopyFlagMove = 1;         // move or rename instead of copy
constexpr int CopyFlagProposeName = 2;  // propose the current name, not the other panel

// The command on panels[which] (the other panel is the destination).
// target, when given, is used instead of asking in the dialog. Returns 0,
// or -1 when nothing was done (precondition, Esc, an invalid target).
int file_copy_move(PANEL* panels, int which, int flags, const wchar_t* target = nullptr);

// One item, with its questions and retries; index and count make the
// "(index of count)" counter. descriptions carries the item's line in
// descript.ion.
[[nodiscard]] int copy_file(const Westring& src, const Westring& dst, int index, int count, copy_status* status,
                            CDescriptionSet& descriptions);
// nested: an entry of a directory being merged, which never asks the merge
// question itself.
[[nodiscard]] int move_file(const Westring& src, const Westring& dst, int index, int count, copy_status* status,
                            CDescriptionSet& descriptions, bool nested = false);

// copyfile flags.
constexpr int CopyAcceptChanged = 1;  // keep a copy whose source changed ("copy anyway")
constexpr int CopyNested = 2;         // no merge question: not the item the user chose

// One file, link, node or tree copied once, without asking about targets
// that exist: EEXIST, or StatusSourceChanged for a source that changed
// while it was read (the command's questions). With move each source goes
// once its copy is durable; a source that changed is kept. Other results
// as for the item routines, or the errno of the failure (not yet shown).
[[nodiscard]] int copyfile(const Westring& src, const Westring& dst, bool overwrite, bool move, copy_status* status,
                           CDescriptionSet& descriptions, int flags);

// The destination of the entry name (a path, or a bare name) for the
// target text: the target itself, or the target and name's last component
// when the target ends in "/" or is an existing directory other than name
// that is not named as name is (so copying src/docs onto dst/docs merges
// instead of making dst/docs/docs); a wildcard last component of the
// target is applied to the name (DosEditName). Returns 0, or
// ENAMETOOLONG when the wildcard result does not fit.
[[nodiscard]] int editname(const Westring& name, const Westring& target, Westring& out);

// True when the panel's directory and the directory part of target lie on
// the same device, and also when either cannot be examined.
bool SameFS(const PANEL* panel, const Westring& target);

// The keys F5, F6, Shift+F5 and Shift+F6 of the main loop: the current
// panel must show a files panel; its quick search is cleared.
void copy_move_key(int key, PANEL_REQUEST& request);

#endif
