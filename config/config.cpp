#include "config/config.h"

#include "console/colours.h"

CONFIG config;
Westring dirstore[10];

void set_config_defaults(CONFIG& c)
{
    c.AutoIndent = false;
    c.AutoSave = false;
    c.Background = L"x-terminal-emulator -e ! &";
    c.BriefWordRight = true;
    c.CaseFilter = L"";
    c.CaseMod = "ll";
    c.CaseModRecurse = false;
    c.CaseModDirs = true;
    c.CaseModFiles = true;
    c.Clock = false;
    c.CmdChar = L'!';
    c.CMPContents = false;
    c.CMPMask = L"*";
    c.CMPSize = 0;
    c.CMPTime = 1;
    c.CMPUnmatched = true;
    c.CodePage = 0;
    c.Confirmations = 0;
    c.ConsoleScrollback = true;
    c.ScrollbackLines = 10000;
    c.CtrlRDriveChng = false;
    c.DisableInvert = false;
    c.Editor = L"";
    c.Editor2 = L"editor";
    c.EscPanelSwitch = false;
    c.ExpandedTrees = true;
    c.FFRootSearch = true;
    c.FFRecurse = true;
    c.FFCase = false;
    c.FFWholeWord = false;
    c.FFMultiDrive = false;
    c.FFDriveList = "";
    c.FFFollowLinks = false;
    c.FontFamily = "DejaVu Sans Mono";
    c.FontSize = 12;
    c.FullScreen = true;
    c.Hidden = false;
    c.IndentWidth = 1;
    c.KeepExtVisible = true;
    c.Left = L"";
    c.Right = L"";
    c.LeftFilter = L"*";
    c.RightFilter = L"*";
    c.LeftSort = SortName;
    c.RightSort = SortName;
    c.LeftStyle = DetailFull;
    c.RightStyle = DetailFull;
    c.LeftShowing = true;
    c.RightShowing = true;
    c.LeftType = PanelFiles;
    c.RightType = PanelFiles;
    c.Lines = 0;
    c.Columns = 0;
    c.MaxHist = 500;
    c.MouSpeed = 8;
    c.NumLock = false;
    c.OverStrike = false;
    c.PathAppend = L"";
    c.PathPrompt = true;
    c.XClipboard = true;
    c.RetainCount = false;
    c.Saver = 0;
    c.ScrollDelay = 10;
    c.Shadows = true;
    c.SizeCountPause = false;
    c.StartupSide = L'L';
    c.StickyAlt = true;
    c.TabWidth = 8;
    c.TagDirs = false;
    c.TextCodePage = 0;
    c.TimeMode = 12;
    c.ThousandSep = false;
    c.TranslateCP = "";
    c.TreeDir = L"";
    c.Viewer = L"";
    c.Viewer2 = L"pager";
    c.ViewerWrap = true;
    c.WaitShell = false;
    set_default_colours(c.Colours);
}
