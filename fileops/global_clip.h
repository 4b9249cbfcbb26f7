#ifndef PANNEX_FILEOPS_GLOBAL_CLIP_H
#define PANNEX_FILEOPS_GLOBAL_CLIP_H

#include "foundation/object_store.h"
#include "foundation/westring.h"

// The bridge between the editor's line clipboard and the desktop's
// clipboard. The file-system layer cannot reach the console window, so the
// start-up code hands it a CClipboardBridge that talks to the console (and
// knows whether the shared clipboard is switched on). Until one is set, an
// in-process text stands in for the desktop's clipboard.

class CClipboardBridge
{
public:
    virtual ~CClipboardBridge() = default;
    // Whether the shared clipboard is in use (the XClipboard setting).
    virtual bool Enabled() const = 0;
    virtual void PutText(const Westring& text) = 0;
    // The clipboard's text; empty when there is none.
    virtual Westring GetText() = 0;
};

// Sets the bridge (owned by the caller, who keeps it alive while set);
// null goes back to the in-process text. Call from the logic thread.
void SetClipboardBridge(CClipboardBridge* bridge);

// Joins lines with a line feed between them (none after the last) and puts
// the text on the shared clipboard, when that is enabled.
void PutGlobalClip(const TObjectStore<Westring>& lines);
// When the shared clipboard is enabled, replaces lines by its text split at
// line feeds (a carriage return before one is dropped; always at least one
// line). Otherwise lines stay as they are. Always returns 0.
int GetGlobalClip(TObjectStore<Westring>& lines);

#endif
