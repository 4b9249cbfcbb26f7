#ifndef PANNEX_PANELS_MAIN_LOOP_H
#define PANNEX_PANELS_MAIN_LOOP_H

// The main key loop: draws the command line and the key bar, reads one
// event at a time and dispatches it, until the user quits. Logic thread.
void main_loop();

// Keys the main loop was handed that no command took (neither the key
// table, the panels, the selection keys nor the command line): the key
// table test counts them.
extern unsigned long unhandled_keys;

#endif
