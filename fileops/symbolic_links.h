#ifndef PANNEX_FILEOPS_SYMBOLIC_LINKS_H
#define PANNEX_FILEOPS_SYMBOLIC_LINKS_H

#include "foundation/westring.h"
#include "panels/panel_commands.h"

struct PANEL;

// Ctrl+Shift+F5: asks where, then makes symbolic links to the tagged
// entries (one each, named as the entry, in the directory typed) or to the
// entry under the cursor (named by the text typed). Each link holds the
// entry's absolute path. A typed relative text is taken from the panel's
// directory. Only entries whose link was made are untagged. A free
// function rather than a member, so that the panels library needs no
// declaration of a command that lives above it.
void MakeSymLinks(PANEL* panel, const Westring& otherDir);

// Makes link pointing to target, offering Retry, Skip and Cancel on
// failure: 0 made, a positive value when skipped, -1 when cancelled.
[[nodiscard]] int MakeSymLink(const Westring& link, const Westring& target);

// symlink(target, link): 0 or the errno.
[[nodiscard]] int CreateSymLink(const Westring& link, const Westring& target);

// The key-table entry for Ctrl+Shift+F5.
void make_links_key(int key, PANEL_REQUEST& request);

#endif
