#ifndef PANNEX_TOOLS_TREE_COMMANDS_H
#define PANNEX_TOOLS_TREE_COMMANDS_H

// Connects the panels and the file commands to the directory tree: makes
// tree_hooks (panels/tree_hooks.h) the tree's. Called by app/ at start-up,
// and by tests that want the tree kept.
void install_tree_hooks();

#endif
