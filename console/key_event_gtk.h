#ifndef PANNEX_CONSOLE_KEY_EVENT_GTK_H
#define PANNEX_CONSOLE_KEY_EVENT_GTK_H

#include "console/key_translate.h"

#include <gdk/gdk.h>

// The key code of a GDK key press or release: reads key symbol, state and
// hardware key code from the event and applies translate_key.
KeyTranslation translate_gdk_key(const GdkEventKey* ev);

#endif
