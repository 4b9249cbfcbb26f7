#ifndef PANNEX_VIEWER_INTERRUPT_H
#define PANNEX_VIEWER_INTERRUPT_H

// Long operations of the viewer (searching, counting lines) run on the
// logic thread and call this between blocks of work. An Escape waiting in
// the input (taken from it; any other event waiting is dropped with it)
// or the Break key makes break_status 2; true once that happened.
bool break_requested();

// Sets break_status to 1 for its lifetime and restores what it was.
class CBreakScope
{
public:
    CBreakScope();
    ~CBreakScope();
    CBreakScope(const CBreakScope&) = delete;
    CBreakScope& operator=(const CBreakScope&) = delete;

private:
    int outer;
};

#endif
