#include "textui/message_box.h"

#include "console/console.h"
#include "textui/collapse_path.h"
#include "textui/dialog.h"
#include "textui/static_text.h"
#include "textui/textui_settings.h"

#include <algorithm>

namespace {

constexpr int MaxMessageLines = 10;

struct ButtonSet
{
    PushButtonData buttons[7];
    int min_width;
    // One accelerator letter per button, 0 for none.
    char accelerators[6];
};

constexpr const char* STR_OK = "_OK";
constexpr const char* STR_CANCEL = "Cancel";

const ButtonSet button_sets[] = {
    {{{'y', STR_OK}, {0, nullptr}}, 8, {'o'}},
    {{{'y', STR_OK}, {27, STR_CANCEL}, {0, nullptr}}, 20, {'o'}},
    {{{'y', STR_OK}, {27, STR_CANCEL}, {'s', "Skip"}, {'a', "All"}, {'e', "None"}, {0, nullptr}},
     50,
     {'o', 0, 's', 'a', 'e'}},
    {{{'r', "Retry"}, {'s', "Skip"}, {27, STR_CANCEL}, {0, nullptr}}, 33, {'r', 's'}},
    {{{'y', STR_OK},
      {27, STR_CANCEL},
      {'s', "Skip"},
      {'a', "All"},
      {'e', "None"},
      {'d', "All Older"},
      {0, nullptr}},
     61,
     {'o', 0, 's', 'a', 'e', 'd'}},
};

}

std::vector<Westring> wrap_message(const Westring& message, int width, int max_lines)
{
    std::vector<Westring> lines;
    Westring rest = message;
    width = std::max(width, 1);
    while (static_cast<int>(lines.size()) < max_lines && !rest.empty()) {
        if (rest.strlen() <= width) {
            lines.push_back(rest);
            break;
        }
        int cut = rest.left(width + 1).rchr(L' ');
        if (cut >= 0) {
            lines.push_back(rest.left(cut));
            rest = Westring(rest.c_str() + cut + 1);
        } else {
            lines.push_back(rest.left(width));
            rest = Westring(rest.c_str() + width);
        }
    }
    return lines;
}

char error(const Westring& message, const wchar_t* name, char flags)
{
    int columns = console.Columns();
    std::vector<Westring> lines = wrap_message(message, columns - 8, MaxMessageLines);
    Westring shown_name(name ? name : L"");
    collapse_path(shown_name, columns - 8);
    int set = flags & 15;
    if (set >= static_cast<int>(std::size(button_sets)))
        set = MB_OK;
    const ButtonSet& buttons = button_sets[set];

    int n = static_cast<int>(lines.size());
    int w = std::max(buttons.min_width, shown_name.strlen());
    for (const Westring& line : lines)
        w = std::max(w, line.strlen());
    w += w & 1;
    unsigned char colour = ui_colour(flags & MB_MESSAGE ? ColourMessages : ColourErrors);
    Dialog box(-1, -3, w + 4, n + 4, colour);
    // The buttons come first so that the accelerator letters, which count
    // from element 0, belong to them.
    int first = box.AddPushButtonGroup(-1, n + 1, 1, buttons.buttons);
    box.SetAccelerators(buttons.accelerators, box.Count() - first);
    for (int i = 0; i < n; i++)
        box.AddStaticText(-1, i, lines[static_cast<size_t>(i)].c_str());
    box.AddStaticText(-1, n, shown_name.c_str());
    int result = box.Process();
    if (result == RESULT_ACCEPT)
        return ANSWER_YES;
    if (result < 0)
        return ' ';
    return static_cast<char>(result);
}

char error(CProgressStop* status, const Westring& message, const wchar_t* name, char flags)
{
    if (status)
        status->StopUpdate();
    return error(message, name, flags);
}
