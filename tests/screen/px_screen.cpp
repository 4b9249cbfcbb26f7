#include "tests/screen/px_screen.h"

#include "config/command_history.h"
#include "config/config.h"
#include "console/key_codes.h"
#include "console/keyboard.h"
#include "panels/startup.h"

#include <cstdlib>
#include <deque>
#include <string>

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

PX_RUN run_px(std::vector<const char*> args, std::vector<ScreenStep> steps, std::function<void()> settings,
              int columns, int lines)
{
    // A home of its own: no test reads or writes the user's px.ini.
    char home[] = "/tmp/pxhomeXXXXXX";
    if (mkdtemp(home))
        setenv("HOME", home, 1);
    console.SetDisplay(nullptr);
    console.SetSize(columns, lines, "", 0);
    console.Queue().Clear();
    console.Queue().SetFallbackKey(0);
    history.DestroyAll();
    alt_on = 0;
    lastShiftState = 0;

    std::deque<ScreenStep> script(steps.begin(), steps.end());
    bool first = true;
    console.idle_hook = [&] {
        if (first) {
            first = false;
            config.Confirmations |= ConfirmQuit;
            if (settings)
                settings();
        }
        while (!script.empty()) {
            ScreenStep step = std::move(script.front());
            script.pop_front();
            if (auto* keys = std::get_if<std::vector<int>>(&step)) {
                for (int k : *keys)
                    console.Queue().Put({CConsole::EvKey, k, 0, 0, 0, 0});
                return;
            }
            std::get<std::function<void()>>(step)();
        }
        console.Queue().SetFallbackKey(KEY_F10);
    };

    args.insert(args.begin(), "px");
    START_OPTIONS opt;
    PX_RUN result;
    result.status = parse_arguments(static_cast<int>(args.size()), const_cast<char**>(args.data()), opt, stdout);
    if (result.status == 0)
        result.status = run_file_manager(opt);
    result.steps_left = static_cast<int>(script.size());
    console.idle_hook = nullptr;
    console.Queue().SetFallbackKey(0);
    std::system((std::string("rm -rf ") + home).c_str());
    return result;
}
