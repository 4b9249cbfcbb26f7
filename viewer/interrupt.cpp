#include "viewer/interrupt.h"

#include "console/console.h"
#include "console/keyboard.h"

bool break_requested()
{
    if (break_status != 2 && CheckEvent() && check_esc())
        break_status = 2;
    return break_status == 2;
}

CBreakScope::CBreakScope() : outer(break_status.exchange(1)) {}

CBreakScope::~CBreakScope()
{
    break_status = outer;
}
