#include "app/single_file.h"

#include "console/console.h"
#include "editor/edit.h"
#include "editor/editor.h"
#include "tools/help_viewer.h"
#include "viewer/view.h"

int run_single_viewer(const START_OPTIONS& opt)
{
    Westring saved_title = console.GetTitle();
    load_settings();
    console.SetCursorType(0);
    set_title(opt.file.c_str());
    view(opt.file.c_str());
    console.SetTitle(saved_title.c_str());
    console.SetCursorPos(0, console.Lines() - 1);
    console.SetCursorType(15);
    return 0;
}

int run_single_editor(const START_OPTIONS& opt)
{
    Westring saved_title = console.GetTitle();
    load_settings();
    editor_help_hook = help;
    set_title(opt.file.c_str());
    (void)edit(opt.file.c_str());
    console.SetTitle(saved_title.c_str());
    console.SetCursorPos(0, console.Lines() - 1);
    console.SetCursorType(15);
    return 0;
}
