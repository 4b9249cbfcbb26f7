#ifndef PANNEX_PANELS_MAIN_LOOP_H
#define PANNEX_PANELS_MAIN_LOOP_H

// The main key loop: draws the command line and the key bar, reads one
// event at a time and dispatches it, until the user quits. Logic thread.
void main_loop();

#endif
