#include "config/px_filename.h"

#include "config/config.h"

#include "foundation/nls.h"

#include <cstdlib>
#include <cwchar>
#include <unistd.h>

Westring PXProg;

namespace {

// A file name cut after its last ".", or with "." appended when it has none.
Westring base_of(const Westring& file)
{
    Westring name = file.filename();
    int dot = name.rchr(L'.');
    return dot < 0 ? name + L'.' : name.left(dot + 1);
}

// True when path names something that exists.
bool exists(const Westring& path)
{
    return access(FileNameToSys(path).c_str(), F_OK) == 0;
}

}

Westring PXInstalledFile(PXInstallDir dir, const Westring& file)
{
    const wchar_t* share = dir == PXDataDir ? L"/share/pannex/" : L"/share/doc/pannex/";
    Westring build = FileNameFromSys(PANNEX_BUILD_DIR "/");
    if (!PXProg.empty() && std::wcsncmp(PXProg.c_str(), build.c_str(), static_cast<size_t>(build.strlen())) == 0) {
        // The build writes every data file, the manual too, to data/.
        Westring built = build + L"data/" + file;
        if (exists(built))
            return built;
    }
    // The prefix px was installed into is the directory above its own:
    // an install into any prefix finds its files without being told.
    Westring prefix = PXProg.path().path();
    if (!PXProg.empty() && !prefix.empty()) {
        Westring installed = prefix + share + file;
        if (exists(installed))
            return installed;
    }
    return Westring(L"/usr") + share + file;
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
    Westring program_base = base_of(PXProg.empty() ? Westring(L"px") : PXProg);
    switch (type) {
    case PXHelp:
        return PXInstalledFile(PXDataDir, program_base + L"pxh");
    case PXManual:
        return PXInstalledFile(PXDocDir, L"manual/index.html");
    case PXUserMenu:
        return user_dir + base + L"mnu";
    case PXConfig:
        return user_dir + base + L"ini";
    case PXHistory:
        return user_dir + base + L"hst";
    case PXLog:
        return user_dir + base + L"log";
    case PXSyntax:
        return where ? PXInstalledFile(PXDataDir, L"syntax.ini") : user_dir + L"syntax.ini";
    }
    return Westring();
}
