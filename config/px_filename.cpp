#include "config/px_filename.h"

#include "config/config.h"

#include "foundation/nls.h"

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

Westring PXDataDirectory()
{
#ifdef PANNEX_BUILD_DIR
    // A px started from its build tree reads the tree's data files, so a
    // build can be tried before it is installed. An installed px lies
    // elsewhere and uses the installed files.
    Westring build = FileNameFromSys(PANNEX_BUILD_DIR "/");
    if (fncomparen(PXProg.c_str(), build.c_str(), static_cast<size_t>(build.strlen())) == 0)
        return build + L"data/";
#endif
    return L"/usr/share/pannex/";
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
        return PXDataDirectory() + base + L"pxh";
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
        return (where ? PXDataDirectory() : user_dir) + L"syntax.ini";
    }
    return Westring();
}
