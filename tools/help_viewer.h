#ifndef PANNEX_TOOLS_HELP_VIEWER_H
#define PANNEX_TOOLS_HELP_VIEWER_H

// Topics the program opens. Commands and dialogs name them here, so that a
// test can check that the help file has each one.
enum : int {
    HelpContents = 0,
    HelpViewer = 2,
    HelpEditor = 3,
    HelpConfiguration = 4,
    HelpHistory = 5,
    HelpConfirmations = 6,
    HelpFind = 7,
    HelpAttributes = 8,
    HelpCompare = 9,
    HelpUserMenus = 10,
    HelpIniFile = 11,
    HelpMenuLeft = 100,   // the Left and Right menus
    HelpMenuFiles = 101,
    HelpMenuCommands = 102,
    HelpMenuOptions = 103,
};

// Every topic above, for the test that the built help file holds them.
extern const int help_topics_opened[15];

// Shows a help topic in its window until Escape (or F10) closes it; F1 in
// a topic other than the contents opens the contents on top. Without
// loaded help: the message "Help not loaded"; with neither the topic nor
// the record for missing topics: "Help topic N not found". Logic thread.
void help(int topic);

#endif
