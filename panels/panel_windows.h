#ifndef PANNEX_PANELS_PANEL_WINDOWS_H
#define PANNEX_PANELS_PANEL_WINDOWS_H

#include "foundation/westring.h"
#include "panels/panel.h"

// The panels' windows on and off. Logic thread.

// Sets a panel up from the configuration of its side (sort, detail, type,
// filter, showing), reads its directory and shows it when it is on.
void init_panel(PANEL* panel, int side);
// Builds the panel's window on its half of the screen and paints it,
// reading the directory first when a read is pending.
void make_panel(PANEL* panel, int side);
// Hides the panel's window and marks it not showing.
void remove_panel(PANEL* panel);
// Ctrl+O: both panels off, leaving the screen to command output (which the
// mouse may then select); or back on.
void hide_panels(PANEL* panels);
// enable 1: every showing panel is on screen, read and painted as it asks.
// enable 0: the windows are hidden (kept) while a command runs.
void EnablePanels(char enable);
// Toggles FullScreen and rebuilds the showing panels at the new height.
void full_screen();
// Destroys the windows of both panels (before the screen changes size, and
// at exit); the next EnablePanels(1) rebuilds those that are showing.
void drop_panel_windows();
// Exchanges the two panels with everything they hold and rebuilds their
// windows on the new sides.
void swap_panels(PANEL* panels);
// Ctrl+F1, Ctrl+F2: the panel of side off when it shows, else on.
void toggle_panel(int side);

// Start-up: each panel starts in the process's directory and moves to
// dir (the -l or -r option), else to the Left or Right setting; then both
// are set up (init_panel) and the current side chosen from StartupSide.
void start_panels(const Westring& left_dir, const Westring& right_dir);

#endif
