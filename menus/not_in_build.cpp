#include "menus/not_in_build.h"

#include "textui/message_box.h"

void not_in_this_build(const wchar_t* name)
{
    (void)error(L"Not in this build", name, MB_MESSAGE);
}
