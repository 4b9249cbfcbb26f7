#include "textui/textui_settings.h"

namespace {

unsigned char own_colours[ColourCount] = {
    default_colours[0],  default_colours[1],  default_colours[2],  default_colours[3],  default_colours[4],
    default_colours[5],  default_colours[6],  default_colours[7],  default_colours[8],  default_colours[9],
    default_colours[10], default_colours[11], default_colours[12], default_colours[13], default_colours[14],
    default_colours[15], default_colours[16], default_colours[17],
};
const bool own_shadows = true;
const int own_scroll_delay = 10;
const bool own_brief_word_right = true;
const wchar_t own_thousand_separator = L',';

}

TEXTUI_SETTINGS textui_settings = {
    own_colours, &own_shadows, &own_scroll_delay, &own_brief_word_right, &own_thousand_separator,
};
