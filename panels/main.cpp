#include "console/console.h"
#include "console/console_window_gtk.h"
#include "console/key_codes.h"
#include "console/keyboard.h"

#include <cstdio>
#include <unistd.h>
#include <vector>

namespace {

// The window icons: the installed ones, else those of the install prefix
// this build was configured for, else (running from the build tree) the
// source's data/ directory.
std::vector<Westring> icon_files()
{
    const char* dirs[] = {"/usr/share/icons/hicolor", PANNEX_INSTALL_PREFIX "/share/icons/hicolor"};
    for (const char* dir : dirs) {
        Estring png = Estring(dir) + "/16x16/apps/pannex.png";
        if (access(png.c_str(), R_OK) == 0)
            return {FileNameFromSys(png.c_str()),
                    FileNameFromSys((Estring(dir) + "/scalable/apps/pannex.svg").c_str())};
    }
    return {FileNameFromSys(PANNEX_SOURCE_DIR "/data/pannex.png"), FileNameFromSys(PANNEX_SOURCE_DIR "/data/pannex.svg")};
}

}

// Until the main loop exists, px shows a blank console and quits on F10 or
// when its window is closed.
int main(int argc, char** argv)
{
    if (init_gui(argc, argv) != 0) {
        std::fprintf(stderr, "px: cannot open the display\n");
        return 1;
    }
    if (open_console_window(console) != 0)
        return 1;
    console.SetIcons(icon_files());
    while (getkey() != KEY_F10) {
    }
    close_console_window();
    return 0;
}
