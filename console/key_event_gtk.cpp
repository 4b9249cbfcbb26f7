#include "console/key_event_gtk.h"

#include "console/key_codes.h"
#include "console/key_symbols.h"

#include <gdk/gdkkeysyms.h>

// Key translation names its own symbol values so that it needs no toolkit
// header; they must be GDK's.
static_assert(KS_BackSpace == GDK_KEY_BackSpace && KS_Tab == GDK_KEY_Tab && KS_Return == GDK_KEY_Return);
static_assert(KS_Break == GDK_KEY_Break && KS_Escape == GDK_KEY_Escape && KS_ISO_Left_Tab == GDK_KEY_ISO_Left_Tab);
static_assert(KS_Home == GDK_KEY_Home && KS_Left == GDK_KEY_Left && KS_Up == GDK_KEY_Up && KS_Right == GDK_KEY_Right);
static_assert(KS_Down == GDK_KEY_Down && KS_Page_Up == GDK_KEY_Page_Up && KS_Page_Down == GDK_KEY_Page_Down);
static_assert(KS_End == GDK_KEY_End && KS_Insert == GDK_KEY_Insert && KS_Delete == GDK_KEY_Delete);
static_assert(KS_KP_Enter == GDK_KEY_KP_Enter && KS_KP_Home == GDK_KEY_KP_Home && KS_KP_Left == GDK_KEY_KP_Left);
static_assert(KS_KP_Up == GDK_KEY_KP_Up && KS_KP_Right == GDK_KEY_KP_Right && KS_KP_Down == GDK_KEY_KP_Down);
static_assert(KS_KP_Page_Up == GDK_KEY_KP_Page_Up && KS_KP_Page_Down == GDK_KEY_KP_Page_Down);
static_assert(KS_KP_End == GDK_KEY_KP_End && KS_KP_Begin == GDK_KEY_KP_Begin && KS_KP_Insert == GDK_KEY_KP_Insert);
static_assert(KS_KP_Delete == GDK_KEY_KP_Delete && KS_KP_Multiply == GDK_KEY_KP_Multiply);
static_assert(KS_KP_Add == GDK_KEY_KP_Add && KS_KP_Subtract == GDK_KEY_KP_Subtract);
static_assert(KS_KP_Decimal == GDK_KEY_KP_Decimal && KS_KP_0 == GDK_KEY_KP_0 && KS_KP_0 + 9 == GDK_KEY_KP_9);
static_assert(KS_F1 == GDK_KEY_F1 && KS_F1 + 9 == GDK_KEY_F10 && KS_F11 == GDK_KEY_F11 && KS_F12 == GDK_KEY_F12);
static_assert(KS_Shift_L == GDK_KEY_Shift_L && KS_Shift_R == GDK_KEY_Shift_R && KS_Control_L == GDK_KEY_Control_L);
static_assert(KS_Control_R == GDK_KEY_Control_R && KS_Alt_L == GDK_KEY_Alt_L && KS_Alt_R == GDK_KEY_Alt_R);
static_assert(STATE_SHIFT == GDK_SHIFT_MASK && STATE_CONTROL == GDK_CONTROL_MASK && STATE_ALT == GDK_MOD1_MASK);

KeyTranslation translate_gdk_key(const GdkEventKey* ev)
{
    return translate_key(ev->keyval, ev->state, ev->hardware_keycode, ev->type == GDK_KEY_RELEASE);
}
