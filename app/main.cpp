#include "app/key_bindings.h"
#include "app/single_file.h"
#include "command/process.h"
#include "config/px_filename.h"
#include "console/console.h"
#include "console/console_window_gtk.h"
#include "fileops/path_grammar.h"
#include "panels/startup.h"

#include <climits>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace {

// The window icons: those of the prefix px was installed into, the
// system's, those of the install prefix this build was configured for, else
// (running from the build tree) the source's data/ directory.
std::vector<Westring> icon_files()
{
    Estring own = FileNameToSys(PXProg.path().path() + L"/share/icons/hicolor");
    const char* dirs[] = {own.c_str(), "/usr/share/icons/hicolor", PANNEX_INSTALL_PREFIX "/share/icons/hicolor"};
    for (const char* dir : dirs) {
        Estring png = Estring(dir) + "/16x16/apps/pannex.png";
        if (access(png.c_str(), R_OK) == 0)
            return {FileNameFromSys(png.c_str()),
                    FileNameFromSys((Estring(dir) + "/scalable/apps/pannex.svg").c_str())};
    }
    return {FileNameFromSys(PANNEX_SOURCE_DIR "/data/pannex.png"), FileNameFromSys(PANNEX_SOURCE_DIR "/data/pannex.svg")};
}

}

int main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "");
    PXProg = FileNameFromSys(argv[0]);
    if (std::strchr(argv[0], '/') == nullptr) {
        // Found through PATH: the name alone says nothing of where px
        // lives, and its installed files are found from there.
        char self[PATH_MAX + 1];
        ssize_t n = readlink("/proc/self/exe", self, PATH_MAX);
        if (n > 0) {
            self[n] = 0;
            PXProg = FileNameFromSys(self).path().AppendBackslash() + FileNameFromSys(argv[0]);
        }
    } else if (ResolvePath(PXProg) != 0) {
        PXProg = FileNameFromSys(argv[0]);
    }

    // The command line is read before the window opens, so that a usage
    // error shows nothing but its text.
    START_OPTIONS opt;
    if (parse_arguments(argc, argv, opt, stdout) != 0)
        return 1;
    // Before the toolkit starts its threads, so that none of them takes the
    // signal of a child that the command runner waits for by its pid.
    block_child_signal();
    if (init_gui(argc, argv) != 0) {
        std::fprintf(stderr, "px: cannot open the display\n");
        return 1;
    }
    if (open_console_window(console) != 0)
        return 1;
    console.SetIcons(icon_files());
    bind_commands();
    int status = opt.single == 'v'   ? run_single_viewer(opt)
                 : opt.single == 'e' ? run_single_editor(opt)
                                     : run_file_manager(opt);
    close_console_window();
    return status;
}
