#ifndef PANNEX_CONFIG_CONFIG_H
#define PANNEX_CONFIG_CONFIG_H

#include "foundation/estring.h"
#include "foundation/westring.h"

// Sort orders of a panel; 5..9 are 0..4 reversed.
enum sortby : int {
    SortName = 0,
    SortExtension = 1,
    SortTime = 2,
    SortSize = 3,
    SortUnsorted = 4,
    SortReversed = 5,
};

enum paneltype : int {
    PanelFiles = 0,
    PanelInfo = 1,
};

enum paneldetail : int {
    DetailBrief = 0,
    DetailFull = 1,
    DetailWide = 2,
    DetailBriefWide = 3,
    DetailUnix = 4,
    DetailTree = 5,
};

// Bits of Confirmations: a set bit switches that question off.
enum : int {
    ConfirmDeleteFile = 1,
    ConfirmDeleteTagged = 2,
    ConfirmDeleteTree = 4,
    ConfirmQuit = 8,
    ConfirmYesPrompt = 16,
};

constexpr int ConfigColourCount = 18;

// Every setting of the program, each field named by its px.ini key. Filled
// with the defaults by set_config_defaults, then from px.ini.
struct CONFIG
{
    // The ini file named on the command line; empty when none was.
    Westring IniFile;
    // The present screen geometry, kept up to date by get_screen_size: rows
    // and columns of the console and the entry rows inside a panel.
    int ScreenRows = 25;
    int ScreenColumns = 80;
    int PanelHeight = 19;

    bool AutoIndent;
    bool AutoSave;
    Westring Background;
    bool BriefWordRight;
    Westring CaseFilter;
    Estring CaseMod;
    bool CaseModRecurse;
    bool CaseModDirs;
    bool CaseModFiles;
    bool Clock;
    wchar_t CmdChar;
    bool CMPContents;
    Westring CMPMask;
    int CMPSize;
    int CMPTime;
    bool CMPUnmatched;
    int CodePage;
    int Confirmations;
    bool ConsoleScrollback;
    // Lines the scroll-back keeps (100 - 1,000,000); the oldest go first.
    int ScrollbackLines;
    bool CtrlRDriveChng;
    bool DisableInvert;
    Westring Editor;
    Westring Editor2;
    bool EscPanelSwitch;
    bool ExpandedTrees;
    bool FFRootSearch;
    bool FFRecurse;
    bool FFCase;
    bool FFWholeWord;
    bool FFMultiDrive;
    Estring FFDriveList;
    bool FFFollowLinks;
    Estring FontFamily;
    int FontSize;
    bool FullScreen;
    bool Hidden;
    int IndentWidth;
    bool KeepExtVisible;
    Westring Left;
    Westring Right;
    Westring LeftFilter;
    Westring RightFilter;
    sortby LeftSort;
    sortby RightSort;
    paneldetail LeftStyle;
    paneldetail RightStyle;
    bool LeftShowing;
    bool RightShowing;
    paneltype LeftType;
    paneltype RightType;
    int Lines;
    int Columns;
    int MaxHist;
    int MouSpeed;
    bool NumLock;
    bool OverStrike;
    Westring PathAppend;
    bool PathPrompt;
    bool XClipboard;
    bool RetainCount;
    int Saver;
    int ScrollDelay;
    bool Shadows;
    bool SizeCountPause;
    wchar_t StartupSide;
    bool StickyAlt;
    int TabWidth;
    bool TagDirs;
    int TextCodePage;
    // 12 or 24.
    int TimeMode;
    bool ThousandSep;
    Estring TranslateCP;
    Westring TreeDir;
    Westring Viewer;
    Westring Viewer2;
    bool ViewerWrap;
    bool WaitShell;
    // Attribute bytes of the interface elements, in the colour table's order.
    unsigned char Colours[ConfigColourCount];
};

extern CONFIG config;

// The ten stored directory paths (Ctrl+digit, Alt+F5), saved in px.ini as
// d0..d9; empty slots are unused. A slot may hold "~/" and "$NAME"
// references, expanded when it is used.
extern Westring dirstore[10];

// Sets every setting to its default (the ini path and the screen geometry
// are kept).
void set_config_defaults(CONFIG& c);

#endif
