#ifndef PANNEX_TESTS_SCREEN_SCREEN_HELPERS_H
#define PANNEX_TESTS_SCREEN_SCREEN_HELPERS_H

// What the screen tests of px share: keys by name, pieces of the screen,
// files, and px run on the two panels of a scratch tree.

#include "config/config.h"
#include "fileops/tests/temp_dir.h"
#include "console/console_test_support.h"
#include "console/key_codes.h"
#include "panels/panel.h"
#include "panels/tests/panel_tree.h"
#include "tests/screen/px_screen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

constexpr int F(int n)
{
    return KEY_F1 + n - 1;
}
constexpr int ShiftF(int n)
{
    return KEY_SHIFT_F1 + n - 1;
}
constexpr int AltF(int n)
{
    return KEY_ALT_F1 + n - 1;
}
constexpr int CtrlF(int n)
{
    return KEY_CTRL_F1 + n - 1;
}
constexpr int ctrl(char letter)
{
    return KEY_CTRL_A + letter - 'A';
}

using Rows = std::vector<std::string>;

// before, the keys of typing text, then after.
inline std::vector<int> typed(std::vector<int> before, const std::string& text, const std::vector<int>& after = {})
{
    for (int k : type_keys(text))
        before.push_back(k);
    before.insert(before.end(), after.begin(), after.end());
    return before;
}

// Cells x .. x + width - 1 of screen row y.
inline std::string cells(int y, int x, int width)
{
    return screen_text(console, y, x, width);
}

// s with blanks after it to width cells.
inline std::string pad(const std::string& s, size_t width)
{
    size_t n = Westring(s.c_str()).strlen();
    return n >= width ? s : s + std::string(width - n, ' ');
}

// The name on the left panel's status line (in the full layout, the
// current entry's).
inline std::string left_status()
{
    std::string s = screen_text(console, 21, 1, 38);
    return s.substr(0, s.find_last_not_of(' ') + 1);
}

// The text cursor's place, as "x,y".
inline std::string cursor_at()
{
    int x, y;
    console.GetCursorPos(x, y);
    return std::to_string(x) + "," + std::to_string(y);
}

inline std::string repeat(const std::string& s, int n)
{
    std::string r;
    for (int i = 0; i < n; i++)
        r += s;
    return r;
}

// Cells x .. x + width - 1 of screen rows y1 .. y2.
inline Rows screen_rows(int y1, int y2, int x, int width)
{
    Rows rows;
    for (int y = y1; y <= y2; y++)
        rows.push_back(cells(y, x, width));
    return rows;
}

// The rows of a double frame around lines, each padded to width cells;
// top, when given, is the top row with its title.
inline Rows framed(int width, const Rows& lines, const std::string& top = "")
{
    Rows rows{top.empty() ? "╔" + repeat("═", width) + "╗" : top};
    for (const std::string& l : lines)
        rows.push_back("║" + pad(l, static_cast<size_t>(width)) + "║");
    rows.push_back("╚" + repeat("═", width) + "╝");
    return rows;
}

inline std::string read_file(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return f ? s.str() : "<missing>";
}

inline void write_file(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// The names in dir, hidden ones included, sorted and joined by blanks.
inline std::string names_in(const std::string& dir)
{
    return names_in_dir(dir);
}

inline bool have(const char* program)
{
    return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

// A fresh directory /tmp/<prefix>XXXXXX, removed with all it holds. The
// short name keeps paths shown in headings whole.
class ScratchDir
{
public:
    explicit ScratchDir(const std::string& prefix)
    {
        std::string tmpl = "/tmp/" + prefix + "XXXXXX";
        if (mkdtemp(tmpl.data()))
            path = tmpl;
    }
    ~ScratchDir()
    {
        if (!path.empty())
            (void)!std::system(("rm -rf '" + path + "'").c_str());
    }
    std::string sys(const std::string& name) const { return path + "/" + name; }

    std::string path;
};

// px with its left and right panels in directories of a scratch tree made in
// /tmp. Rows read through at() have the tree's random part masked, so that
// they hold wherever the tests run.
class PanelsScreen : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(t.ok()); }

    // A name in the tree, the tree itself for "", an absolute path as it is.
    std::string place(const std::string& name) const
    {
        return name.empty() ? t.path : name[0] == '/' ? name : t.sys(name);
    }
    PX_RUN run_in(const std::string& l, const std::string& r, std::vector<ScreenStep> steps,
                  std::function<void()> settings = {}, int columns = 80, int lines = 25)
    {
        std::string a = place(l), b = place(r);
        return run_px({"-l", a.c_str(), "-r", b.c_str()}, std::move(steps), std::move(settings), columns, lines);
    }
    PX_RUN run(std::vector<ScreenStep> steps, std::function<void()> settings = {})
    {
        return run_in(left_dir, right_dir, std::move(steps), std::move(settings));
    }

    std::string at(int y, int x = 0, int w = 80) const
    {
        std::string s = screen_text(console, y, x, w);
        for (size_t p; (p = s.find(t.path)) != std::string::npos;)
            s.replace(p, t.path.size(), "/tmp/pxfileops.XXXXXX");
        return s;
    }
    Rows rows_at(int y1, int y2, int x = 0, int w = 80) const
    {
        Rows rows;
        for (int y = y1; y <= y2; y++)
            rows.push_back(at(y, x, w));
        return rows;
    }
    // Keeps rows y1 .. y2 as they are when the step runs.
    std::function<void()> keep(Rows& rows, int y1, int y2, int x = 0, int w = 80)
    {
        return [this, &rows, y1, y2, x, w] { rows = rows_at(y1, y2, x, w); };
    }
    // Keeps the frame of the box around the row showing text.
    std::function<void()> keep_box(Rows& rows, const std::string& text)
    {
        return [this, &rows, text] {
            rows.clear();
            int y = screen_row_of(text);
            if (y < 0) {
                rows.push_back("(no \"" + text + "\" on the screen)");
                return;
            }
            int top = y, bottom = y;
            while (top > 0 && at(top).find("╔") == std::string::npos)
                top--;
            while (bottom < 24 && at(bottom).find("╚") == std::string::npos)
                bottom++;
            std::string first = at(top);
            int x1 = Westring(first.substr(0, first.find("╔")).c_str()).strlen();
            int x2 = Westring(first.substr(0, first.rfind("╗")).c_str()).strlen();
            for (int r = top; r <= bottom; r++)
                rows.push_back(at(r, x1, x2 - x1 + 1));
        };
    }

    PanelTree t{"/tmp"};
    std::string left_dir = "src", right_dir = "dst";
};

#endif
