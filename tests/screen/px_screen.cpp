#include "tests/screen/px_screen.h"

#include "app/key_bindings.h"
#include "app/single_file.h"
#include "command/environment.h"
#include "config/command_history.h"
#include "config/config.h"
#include "console/key_codes.h"
#include "console/keyboard.h"
#include "panels/startup.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <deque>
#include <string>
#include <unistd.h>

namespace {

std::string home_dir;

}

std::vector<int> type_keys(const std::string& utf8)
{
    Westring w(utf8.c_str());
    std::vector<int> keys;
    for (const wchar_t* p = w.c_str(); *p; p++)
        keys.push_back(*p);
    return keys;
}

std::string row(int y)
{
    return screen_text(console, y);
}

int screen_row_of(const std::string& text)
{
    for (int y = 0; y < console.Lines(); y++)
        if (row(y).find(text) != std::string::npos)
            return y;
    return -1;
}

std::string px_home()
{
    return home_dir;
}

int px_closing_alternate = 0;

PX_RUN run_px(std::vector<const char*> args, std::vector<ScreenStep> steps, std::function<void()> settings,
              int columns, int lines)
{
    // A home and a working directory of its own, with a short known path:
    // no test reads or writes the user's px.ini, and the prompt never shows
    // the checkout's path.
    char home[] = "/tmp/pxhomeXXXXXX";
    if (!mkdtemp(home)) {
        ADD_FAILURE() << "cannot make a home directory for px";
        return PX_RUN{-1, static_cast<int>(steps.size())};
    }
    home_dir = home;
    char old_cwd[PATH_MAX];
    bool have_cwd = getcwd(old_cwd, sizeof old_cwd) != nullptr;
    setenv("HOME", home, 1);
    EXPECT_EQ(chdir(home), 0);
    console.SetDisplay(nullptr);
    console.SetSize(columns, lines, "", 0);
    console.Queue().Clear();
    console.Queue().SetFallbackKey(0);
    history.DestroyAll();
    // Variables of an earlier run (px.ini's [Environment], set) are gone.
    ConfEnv.Clear();
    SessionEnv.Clear();
    // Nor is an earlier run's px.ini this one's: its directory would hold
    // the user menu and syntax.ini.
    config.IniFile = Westring();
    bind_commands();
    alt_on = 0;
    lastShiftState = 0;

    std::deque<ScreenStep> script(steps.begin(), steps.end());
    bool first = true;
    bool ran_past_exit = false;
    console.idle_hook = [&] {
        if (first) {
            first = false;
            config.Confirmations |= ConfirmQuit;
            if (settings)
                settings();
        }
        while (!script.empty()) {
            if (std::holds_alternative<ScreenExit>(script.front())) {
                // px should have ended before waiting here: end it now, and
                // leave the rest of the script unrun.
                ran_past_exit = true;
                break;
            }
            ScreenStep step = std::move(script.front());
            script.pop_front();
            if (auto* keys = std::get_if<std::vector<int>>(&step)) {
                for (int k : *keys)
                    console.Queue().Put({CConsole::EvKey, k, 0, 0, 0, 0});
                return;
            }
            std::get<std::function<void()>>(step)();
        }
        console.Queue().SetFallbackKey(KEY_F10, px_closing_alternate);
    };

    args.insert(args.begin(), "px");
    START_OPTIONS opt;
    PX_RUN result;
    result.status = parse_arguments(static_cast<int>(args.size()), const_cast<char**>(args.data()), opt, stdout);
    if (result.status == 0)
        result.status = opt.single == 'v'   ? run_single_viewer(opt)
                        : opt.single == 'e' ? run_single_editor(opt)
                                            : run_file_manager(opt);
    console.idle_hook = nullptr;
    console.Queue().SetFallbackKey(0);

    bool expected_exit = !script.empty() && std::holds_alternative<ScreenExit>(script.front());
    if (ran_past_exit) {
        ADD_FAILURE() << "px was still waiting for input where the script expected it to have ended";
    } else if (!script.empty() && !expected_exit) {
        ADD_FAILURE() << "px ended with " << script.size() << " step(s) of the script left unrun";
    }
    result.steps_left = static_cast<int>(script.size()) - (expected_exit ? 1 : 0);

    if (have_cwd) {
        EXPECT_EQ(chdir(old_cwd), 0);
    }
    std::system((std::string("rm -rf ") + home).c_str());
    home_dir.clear();
    return result;
}
