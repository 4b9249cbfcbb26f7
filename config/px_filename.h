#ifndef PANNEX_CONFIG_PX_FILENAME_H
#define PANNEX_CONFIG_PX_FILENAME_H

#include "foundation/westring.h"

enum PXFilenameType {
    PXHelp = 0,        // data directory + the program's base + "pxh"
    PXManual = 1,      // documentation directory + "manual/index.html"
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
// history, user menu and log live beside it; the help file and the manual
// are the program's own and keep PXProg's base ("px my.ini" still reads
// px.pxh). The data and documentation directories are PXInstalledFile's.
Westring PXFilename(PXFilenameType type, PXFilenameLocation where = 0);

// Where the program's installed files live.
enum PXInstallDir {
    PXDataDir,  // share/pannex/
    PXDocDir,   // share/doc/pannex/
};

// The full path of file (relative to dir) among the places it is installed
// to, looked for in this order: the build tree's data directory when PXProg
// lies in the build tree (a px run from its build finds what that build
// made), then the share directory of the prefix PXProg was installed into
// (PXProg's directory's parent: /opt/px/bin/px looks in /opt/px/share),
// then /usr/share. The first place that holds the file wins; when none does,
// the /usr/share path is returned.
Westring PXInstalledFile(PXInstallDir dir, const Westring& file);

#endif
