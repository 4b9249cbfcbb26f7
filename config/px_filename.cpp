#include "config/px_filename.h"

#include "config/config.h"

#include <cstdlib>

Westring PXProg;

namespace {

// A file name cut after its last ".", or with "." appended when it has none.
Westring base_of(const Westring& file)
{
    Westring name = file.filename();
    int dot = name.rchr(L'.');
    return dot < 0 ? name + L'.' : name.left(dot + 1);
}

}

Westring PXFilename(PXFilenameType type, PXFilenameLocation where)
{
    Westring user_dir, base;
    if (!config.IniFile.empty()) {
        user_dir = config.IniFile.path() + L'/';
        base = base_of(config.IniFile);
    } else {
        user_dir = FileNameFromSys(std::getenv("HOME")) + L"/.pxl/";
        base = base_of(PXProg.empty() ? Westring(L"px") : PXProg);
    }
    switch (type) {
    case PXHelp:
        return L"/usr/share/pannex/" + base + L"pxh";
    case PXManual:
        return L"/usr/share/doc/pannex/manual/" + base + L"html";
    case PXUserMenu:
        return user_dir + base + L"mnu";
    case PXConfig:
        return user_dir + base + L"ini";
    case PXHistory:
        return user_dir + base + L"hst";
    case PXLog:
        return user_dir + base + L"log";
    case PXSyntax:
        return (where ? Westring(L"/usr/share/pannex/") : user_dir) + L"syntax.ini";
    }
    return Westring();
}
