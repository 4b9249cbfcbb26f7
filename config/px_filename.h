#ifndef PANNEX_CONFIG_PX_FILENAME_H
#define PANNEX_CONFIG_PX_FILENAME_H

#include "foundation/westring.h"

enum PXFilenameType {
    PXHelp = 0,        // data directory + base + "pxh"
    PXManual = 1,      // documentation directory + "manual/" + base + "html"
    PXUserMenu = 2,    // user directory + base + "mnu"
    PXConfig = 3,      // user directory + base + "ini"
    PXHistory = 4,     // user directory + base + "hst"
    PXLog = 5,         // user directory + base + "log"
    PXSyntax = 6,      // "syntax.ini" in the data or the user directory
};

// For PXSyntax: non-zero names the data directory's file, 0 the user's.
using PXFilenameLocation = int;

// The program's own path as invoked, made absolute.
extern Westring PXProg;

// The full path of one of the program's files. The user directory is
// "$HOME/.pxl/" and the base is PXProg's file name up to and including its
// last "." ("px" gives "px."). When an ini file was named on the command
// line (config.IniFile), its directory and name take their place, so that
// history, user menu and log live beside it.
Westring PXFilename(PXFilenameType type, PXFilenameLocation where = 0);
// The directory of the read-only data files, with a final "/":
// "/usr/share/pannex/", or the build tree's data/ for a px started from
// the tree it was built in.
Westring PXDataDirectory();

#endif
