#include "text/text_settings.h"

namespace {

const int own_tab_width = 8;

}

TEXT_SETTINGS text_settings = {&own_tab_width};
