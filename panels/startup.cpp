#include "panels/startup.h"

#include "command/ansi_terminal.h"
#include "command/scroll_back.h"
#include "command/temp_files.h"
#include "config/command_history.h"
#include "config/config.h"
#include "config/ini_file.h"
#include "config/px_filename.h"
#include "console/colours.h"
#include "console/console.h"
#include "console/keyboard.h"
#include "fileops/file_system.h"
#include "fileops/global_clip.h"
#include "fileops/path_grammar.h"
#include "foundation/program_name.h"
#include "panels/clock.h"
#include "panels/country_info.h"
#include "panels/main_loop.h"
#include "panels/panel.h"
#include "panels/panel_loop.h"
#include "panels/panel_windows.h"
#include "panels/screen_geometry.h"
#include "text/text_settings.h"
#include "textui/textui_settings.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

const char* const usage_text =
    "Usage:\tpx [ini_file] [-v|-e file_name] [-l|-r directory]\n"
    "\t-v: invoke internal viewer\n"
    "\t-e: invoke internal editor\n"
    "\t-l: specify left panel's directory\n"
    "\t-r: specify right panel's directory\n";

namespace {

bool is_directory(const Westring& path)
{
    struct stat st;
    return stat(FileNameToSys(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

Westring absolute(const Westring& path)
{
    Westring p = path;
    if (ResolvePath(p) != 0)
        return path;
    return p;
}

// The shared clipboard of the editor's line clipboard is the console's
// CLIPBOARD selection, in use while XClipboard is on.
class CConsoleClipboard : public CClipboardBridge
{
public:
    bool Enabled() const override { return config.XClipboard; }
    void PutText(const Westring& text) override { console.PutClipText(text.c_str()); }
    Westring GetText() override
    {
        Westring text;
        console.GetClipText(text);
        return text;
    }
};

CConsoleClipboard console_clipboard;

// What px.ini keeps of the panels as they are now.
void take_panel_settings()
{
    for (int side = 0; side < 2; side++) {
        const PANEL& p = panel_base[side];
        (side ? config.RightShowing : config.LeftShowing) = p.showing;
        (side ? config.RightStyle : config.LeftStyle) = p.detail;
        (side ? config.RightType : config.LeftType) = p.type;
        (side ? config.RightFilter : config.LeftFilter) = p.filter;
    }
}

}

void connect_settings()
{
    textui_settings.colours = config.Colours;
    textui_settings.shadows = &config.Shadows;
    textui_settings.scroll_delay = &config.ScrollDelay;
    textui_settings.brief_word_right = &config.BriefWordRight;
    textui_settings.thousand_separator = &thousand_separator;
    text_settings.tab_width = &config.TabWidth;
    clock_refresh_hook = update_clock;
    screen_size_hook = get_screen_size;
    SetClipboardBridge(&console_clipboard);
    save_config_hook = take_panel_settings;
}

namespace {

// Writes the x option's file; an error is reported on standard error, as
// the window is gone by then.
void write_exit_file(const Westring& file, const Westring& dir)
{
    Estring line = exit_file_line(dir);
    Estring name = FileNameToSys(file);
    int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    int err = 0;
    if (fd < 0) {
        err = errno;
    } else {
        size_t len = static_cast<size_t>(line.strlen());
        if (write(fd, line.c_str(), len) != static_cast<ssize_t>(len))
            err = errno ? errno : EIO;
        if (close(fd) != 0 && !err)
            err = errno;
    }
    if (err)
        std::fprintf(stderr, "px: %s: %s\n", name.c_str(), std::strerror(err));
}

}

int parse_arguments(int argc, char** argv, START_OPTIONS& opt, FILE* out)
{
    // Only this command line names the settings file (an in-process run
    // after one that named a file starts from the usual one again).
    config.IniFile = Westring();
    for (int i = 1; i < argc; i++) {
        const char* a = argv[i];
        if (a[0] != '-' && a[0] != '\\') {
            Westring path = FileNameFromSys(a);
            if (!is_directory(path))
                config.IniFile = absolute(path);
            continue;
        }
        char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(a[1])));
        switch (letter) {
        case 'e':
        case 'v':
            if (i + 1 >= argc) {
                std::fputs("No file specified\n", out);
                return 1;
            }
            opt.single = letter;
            opt.file = FileNameFromSys(argv[++i]);
            break;
        case 'l':
        case 'r':
        case 'x':
            if (i + 1 >= argc) {
                std::fputs(usage_text, out);
                return 1;
            }
            (letter == 'l' ? opt.left_dir : letter == 'r' ? opt.right_dir : opt.exit_file) =
                FileNameFromSys(argv[++i]);
            break;
        default:
            std::fputs(usage_text, out);
            return 1;
        }
    }
    return 0;
}

void set_title(const wchar_t* text)
{
    if (!text)
        console.SetTitle(L"" PANNEX_NAME " " PANNEX_VERSION);
    else
        console.SetTitle((Westring(L"" PANNEX_NAME ": ") + text).c_str());
}

Estring exit_file_line(const Westring& dir)
{
    Estring bytes = FileNameToSys(dir);
    Estring line = "cd -- '";
    for (const char* p = bytes.c_str(); *p; p++) {
        if (*p == '\'')
            line += "'\\''";
        else
            line += *p;
    }
    line += "'\n";
    return line;
}

void load_settings()
{
    set_config_defaults(config);
    connect_settings();
    get_screen_size();
    country_info();
    configure(0);
    get_screen_size();
    if (console.Columns() < 80 || console.Lines() < 25)
        set_lines(console.Lines(), 80);
    // The code page may have come from px.ini.
    country_info();
}

int run_file_manager(const START_OPTIONS& opt)
{
    Westring saved_title = console.GetTitle();
    load_settings();

    // Commands' output goes through the terminal emulator, and the lines it
    // scrolls away to the scroll-back.
    install_terminal_emulator();
    install_scroll_back();

    console.Write("\n\n");
    init_history();
    start_panels(opt.left_dir, opt.right_dir);
    set_title(nullptr);

    main_loop();

    // Shutdown: the screen is left as a terminal would be, with the window
    // title as it was before the program set its own.
    if (config.AutoSave)
        (void)save_config();
    Westring last_dir = panels_directory();
    // Archives write their edited members back while the screen can still
    // show a failure, and take their temporary directories with them.
    close_panel_archives();
    drop_panel_windows();
    RemovePrivateTmpDir();
    int rows = console.Lines(), cols = console.Columns();
    console.Clear(0, rows - 2, cols, 2, config.Colours[ColourCommandLine]);
    console.SetCursorType(15);
    console.SetTitle(saved_title.c_str());
    console.SetCursorPos(0, rows - 1);
    if (!opt.exit_file.empty())
        write_exit_file(opt.exit_file, last_dir);
    return 0;
}
