#ifndef PANNEX_APP_KEY_BINDINGS_H
#define PANNEX_APP_KEY_BINDINGS_H

// Binds the keys of every command that lives above the panels (file
// commands, and the subsystems of later stages) into the main loop's key
// table. Call once before the main loop runs; calling again rebinds.
void bind_commands();

#endif
