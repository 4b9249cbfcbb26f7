#include "config/config.h"
#include "console/colours.h"
#include "console/key_codes.h"
#include "foundation/program_name.h"
#include "panels/key_commands.h"
#include "panels/panel.h"
#include "tests/screen/px_screen.h"
#include "tools/help_file.h"
#include "tools/help_viewer.h"
#include "tools/tree_popup.h"
#include "tools/tree_set.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <utility>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

// Cells x .. x + width - 1 of row y.
std::string cells(int y, int x, int width)
{
    return screen_text(console, y, x, width);
}

std::string repeat(const std::string& s, int n)
{
    std::string r;
    for (int i = 0; i < n; i++)
        r += s;
    return r;
}

std::string pad(const std::string& s, int width)
{
    return s + std::string(static_cast<size_t>(width) - s.size(), ' ');
}

// Loads a help file of these topics (number and lines, in file order) in
// place of the program's own; no topics leaves no help loaded.
using TOPICS = std::vector<std::pair<int, std::vector<std::string>>>;
void load_topics(const TOPICS& topics)
{
    std::string file;
    for (const auto& [topic, lines] : topics) {
        std::string body;
        for (const std::string& l : lines)
            body += l + '\0';
        int len = static_cast<int>(body.size()) + 4;
        file += std::string{static_cast<char>(topic & 0xFF), static_cast<char>(topic >> 8),
                            static_cast<char>(len & 0xFF), static_cast<char>(len >> 8)} + body;
    }
    helptext.reset();
    if (file.empty())
        return;
    std::string path = px_home() + "/test.pxh";
    std::ofstream(path, std::ios::binary) << file;
    ASSERT_EQ(load_help_file(FileNameFromSys(path.c_str())), 0);
}

std::vector<std::string> numbered(int n)
{
    std::vector<std::string> lines;
    for (int i = 1; i <= n; i++) {
        char text[16];
        std::snprintf(text, sizeof text, "line %02d", i);
        lines.push_back(text);
    }
    return lines;
}

// The help window at 80x25 spans columns 3..76 and rows 2..21; its text
// rows are 3..20.
void expect_help_page(int first, bool above, bool below)
{
    for (int y = 3; y <= 20; y++) {
        char text[16];
        std::snprintf(text, sizeof text, "line %02d", first + y - 3);
        std::string side = y == 3 && above ? "▲" : y == 20 && below ? "▼" : "║";
        EXPECT_EQ(cells(y, 3, 74), "║" + pad(text, 72) + side) << "row " << y;
    }
}

}

TEST(HelpScreen, TopMiddleAndEndOfATopic)
{
    run_px({}, {KEYS({KEY_F1}), CHECK([] {
                    EXPECT_EQ(cells(2, 3, 74), "╔══ Help ══════════════════════ " PANNEX_NAME " " PANNEX_VERSION
                                               " ══════════════════════════════╗");
                    EXPECT_EQ(cells(21, 3, 74), "╚" + repeat("═", 57) + " Esc to Exit ══╝");
                    expect_help_page(1, false, true);
                    EXPECT_EQ(screen_attrs(console, 10, {{config.Colours[ColourMessages], 'm'}}, 3, 74),
                              std::string(74, 'm'));
                }),
                KEYS({KEY_PGDN}), CHECK([] { expect_help_page(19, true, true); }),
                KEYS({KEY_DOWN, KEY_DOWN}), CHECK([] { expect_help_page(21, true, true); }),
                KEYS({KEY_END}), CHECK([] { expect_help_page(23, true, false); }),
                KEYS({KEY_DOWN, KEY_PGDN}), CHECK([] { expect_help_page(23, true, false); }),
                KEYS({KEY_UP, KEY_PGUP}), CHECK([] { expect_help_page(4, true, true); }),
                KEYS({KEY_HOME}), CHECK([] { expect_help_page(1, false, true); }),
                // F1 in the contents stays there; Esc closes the window.
                KEYS({KEY_F1, KEY_ESC}), CHECK([] { EXPECT_EQ(screen_row_of("line 01"), -1); })},
           [] { load_topics({{0, numbered(40)}, {HelpTopicMissing, {"nothing here"}}}); });
    helptext.reset();
}

TEST(HelpScreen, AShortTopicHasNoArrowsAndIgnoresScrolling)
{
    run_px({}, {KEYS({KEY_F1, KEY_DOWN, KEY_PGDN, KEY_END}), CHECK([] {
                    EXPECT_EQ(cells(3, 3, 74), "║" + pad("line 01", 72) + "║");
                    EXPECT_EQ(cells(5, 3, 74), "║" + pad("line 03", 72) + "║");
                    EXPECT_EQ(cells(6, 3, 74), "║" + std::string(72, ' ') + "║");
                    EXPECT_EQ(cells(20, 3, 74), "║" + std::string(72, ' ') + "║");
                })},
           [] { load_topics({{0, numbered(3)}}); });
    helptext.reset();
}

TEST(HelpScreen, WithoutHelpOrTopicAMessageSaysSo)
{
    const struct { const char* what; std::function<void()> help; const char* message; } rows[] = {
        {"no help file", [] { load_topics({}); }, "Help not loaded"},
        {"neither topic 0 nor the missing-topic record", [] { load_topics({{5, {"five"}}}); },
         "Help topic 0 not found"},
        {"no topic 0: the missing-topic record", [] { load_topics({{5, {"five"}}, {HelpTopicMissing, {"nothing here"}}}); },
         "nothing here"},
    };
    for (const auto& r : rows) {
        int at = -1;
        run_px({}, {KEYS({KEY_F1}), CHECK([&] { at = screen_row_of(r.message); }), KEYS({KEY_ESC}),
                    CHECK([&] { EXPECT_EQ(screen_row_of(r.message), -1) << r.what; })},
               r.help);
        EXPECT_GE(at, 0) << r.what;
    }
    helptext.reset();
}

namespace {

// Directories below px's home and a tree data file that lists them, so
// that the pop-up needs no scan of the machine's file system. The names on
// the way from the file system's root to the home come first, each one
// level deeper.
struct TreeFixture
{
    std::vector<std::string> chain;  // names from the root down to home
    void make()
    {
        std::string home = px_home();
        for (const char* d : {"/alpha", "/beta", "/beta/one", "/beta/two", "/gamma"})
            ASSERT_EQ(mkdir((home + d).c_str(), 0755), 0);
        set_config_defaults(config);
        config.Confirmations |= ConfirmQuit;
        config.TreeDir = FileNameFromSys((home + "/trees").c_str());
        TreeSet.Clear();
        Westring root;
        uint32_t device = 0;
        ASSERT_TRUE(tree_root_of(FileNameFromSys(home.c_str()), root, device));
        std::string root_bytes = FileNameToSys(root).c_str();
        std::string lines = "0" + root_bytes + "\n";
        std::string rest = home.substr(root_bytes == "/" ? 0 : root_bytes.size());
        int depth = 0;
        chain.clear();
        for (size_t at = 1; at < rest.size();) {
            size_t slash = rest.find('/', at);
            std::string name = rest.substr(at, slash == std::string::npos ? std::string::npos : slash - at);
            chain.push_back(name);
            lines += std::string(1, static_cast<char>('0' + ++depth)) + name + "\n";
            at = slash == std::string::npos ? rest.size() : slash + 1;
        }
        auto level = [&](int d) { return std::string(1, static_cast<char>('0' + depth + d)); };
        lines += level(1) + "alpha\n" + level(1) + "beta\n" + level(2) + "one\n" + level(2) + "two\n" + level(1) +
                 "gamma\n";
        mkdir((home + "/trees").c_str(), 0700);
        std::ofstream(FileNameToSys(tree_data_file(device)).c_str(), std::ios::binary)
            << std::string(reinterpret_cast<const char*>(&device), 4) + lines;
        root_name = root_bytes;
    }
    // The list rows the pop-up shows, each cut or padded to width.
    std::vector<std::string> rows(int width) const
    {
        std::vector<std::string> r;
        auto fit = [&](const std::string& prefix, const std::string& name) {
            return prefix + pad(name, width - static_cast<int>(Westring(prefix.c_str()).strlen()));
        };
        r.push_back(fit("", root_name));
        std::string indent;
        for (const std::string& name : chain) {
            r.push_back(fit(indent + "└─", name));
            indent += "  ";
        }
        r.push_back(fit(indent + "├─", "alpha"));
        r.push_back(fit(indent + "├─", "beta"));
        r.push_back(fit(indent + "│ ├─", "one"));
        r.push_back(fit(indent + "│ └─", "two"));
        r.push_back(fit(indent + "└─", "gamma"));
        return r;
    }
    std::string root_name;
};

TreeFixture tree_fixture;

// The narrow pop-up, as the target dialogs open it: half the screen less 2.
void narrow_popup(int, PANEL_REQUEST&)
{
    Westring chosen;
    (void)tree_popup(&panel_base[currpanel], chosen, console.Columns() / 2 - 2);
}

void expect_popup(int x, int width, const std::string& selected)
{
    std::vector<std::string> want = tree_fixture.rows(width);
    for (int y = 0; y < 15; y++) {
        std::string line = y < static_cast<int>(want.size()) ? want[static_cast<size_t>(y)] : std::string(width, ' ');
        EXPECT_EQ(cells(3 + y, x, width + 2), "║" + line + "║") << "row " << 3 + y;
    }
    EXPECT_EQ(cells(18, x, width + 2), "║" + repeat("─", width) + "║");
    // The selected node is highlighted in its name field.
    int row = -1;
    for (size_t i = 0; i < want.size(); i++)
        if (want[i].find(selected) != std::string::npos && want[i].find(selected) + selected.size() < want[i].size() &&
            want[i][want[i].find(selected) + selected.size()] == ' ')
            row = static_cast<int>(i);
    ASSERT_GE(row, 0);
    int prefix = Westring(want[static_cast<size_t>(row)].substr(0, want[static_cast<size_t>(row)].find(selected)).c_str()).strlen();
    EXPECT_EQ(screen_attrs(console, 3 + row, {{config.Colours[ColourMenuHighlight], 'h'}, {config.Colours[ColourMenu], 'm'}},
                           x + 1, width),
              std::string(static_cast<size_t>(prefix), 'm') + std::string(static_cast<size_t>(width - prefix), 'h'));
}

}

TEST(TreeScreen, TheWidePopupTypesAndChooses)
{
    run_px({}, {KEYS({KEY_ALT_F1 + 9}), CHECK([] {
                    EXPECT_EQ(cells(2, 4, 72), "╔" + repeat("═", 27) + " Directory Tree " + repeat("═", 27) + "╗");
                    expect_popup(4, 70, tree_fixture.chain.back());
                    Westring here = FileNameFromSys(px_home().c_str());
                    EXPECT_EQ(cells(19, 4, 72), "║ " + pad(px_home(), 69) + "║");
                    EXPECT_EQ(cells(20, 4, 72), "║ Search: " + std::string(20, ' ') + std::string(14, ' ') +
                                                    "Ctrl-Enter for next match  ║");
                    EXPECT_EQ(cells(21, 4, 72), "╚" + repeat("═", 70) + "╝");
                }),
                // Typing jumps to the next name that starts with the text.
                KEYS(type_keys("t")), CHECK([] {
                    expect_popup(4, 70, "two");
                    EXPECT_EQ(cells(20, 4, 20), "║ Search: t         ");
                }),
                KEYS({KEY_BACKSPACE}), KEYS(type_keys("g")), CHECK([] { expect_popup(4, 70, "gamma"); }),
                // Collapsing hides a branch and marks it with "+".
                KEYS({KEY_UP, KEY_UP, KEY_UP, KEY_GREY_MINUS}), CHECK([] {
                    int row = screen_row_of("beta");
                    ASSERT_GE(row, 0);
                    EXPECT_NE(cells(row, 5, 70).find("├+beta"), std::string::npos);
                    EXPECT_EQ(screen_row_of("one"), -1);
                }),
                KEYS({KEY_GREY_PLUS, KEY_ALT_DOWN, KEY_RETURN}), CHECK([] {
                    EXPECT_EQ(screen_row_of("Directory Tree"), -1);
                    EXPECT_STREQ(panel_base[currpanel].path.c_str(),
                                 FileNameFromSys((px_home() + "/gamma").c_str()).c_str());
                })},
           [] { tree_fixture.make(); });
    TreeSet.Clear();
}

TEST(TreeScreen, TheNarrowPopupAndEscape)
{
    run_px({}, {KEYS({KEY_F12}), CHECK([] {
                    EXPECT_EQ(cells(2, 36, 40), "╔" + repeat("═", 11) + " Directory Tree " + repeat("═", 11) + "╗");
                    expect_popup(36, 38, tree_fixture.chain.back());
                    EXPECT_EQ(cells(20, 36, 40), "║ Search: " + std::string(20, ' ') + std::string(9, ' ') + "║");
                }),
                KEYS({KEY_HOME, KEY_END}), CHECK([] { expect_popup(36, 38, "gamma"); }),
                KEYS({KEY_ESC}), CHECK([] {
                    EXPECT_EQ(screen_row_of("Directory Tree"), -1);
                    EXPECT_STREQ(panel_base[currpanel].path.c_str(), FileNameFromSys(px_home().c_str()).c_str());
                })},
           [] {
               tree_fixture.make();
               bind_key(KEY_F12, narrow_popup);
           });
    TreeSet.Clear();
}

TEST(TreeScreen, TheMouseSelectsChoosesAndLeaves)
{
    auto mouse = [](CConsole::EType type, int button, int x, int y) {
        console.Queue().Put({type, button, 0, 0, x, y});
    };
    // Rows of the list: the root, the way down to home, then alpha, beta.
    auto row_of = [](int entry) { return 3 + static_cast<int>(tree_fixture.chain.size()) + entry; };
    run_px({}, {KEYS({KEY_ALT_F1 + 9}), CHECK([&] {
                    mouse(CConsole::EvButtonPress, 1, 40, row_of(1));
                    mouse(CConsole::EvButtonRelease, 1, 40, row_of(1));
                }),
                KEYS({}), CHECK([] { expect_popup(4, 70, "alpha"); }),
                CHECK([&] { mouse(CConsole::EvDoubleClick, 1, 40, row_of(2)); }), KEYS({}), CHECK([] {
                    EXPECT_EQ(screen_row_of("Directory Tree"), -1);
                    EXPECT_STREQ(panel_base[currpanel].path.c_str(),
                                 FileNameFromSys((px_home() + "/beta").c_str()).c_str());
                }),
                // A release outside the window leaves it as Escape does.
                KEYS({KEY_ALT_F1 + 9}), CHECK([&] {
                    EXPECT_GE(screen_row_of("Directory Tree"), 0);
                    mouse(CConsole::EvButtonPress, 1, 1, 23);
                    mouse(CConsole::EvButtonRelease, 1, 1, 23);
                }),
                KEYS({}), CHECK([] {
                    EXPECT_EQ(screen_row_of("Directory Tree"), -1);
                    EXPECT_STREQ(panel_base[currpanel].path.c_str(),
                                 FileNameFromSys((px_home() + "/beta").c_str()).c_str());
                })},
           [] { tree_fixture.make(); });
    TreeSet.Clear();
}

TEST(HelpScreen, TheMouseScrollsWhileHeldAndAReleaseOutsideCloses)
{
    auto mouse = [](CConsole::EType type, int button, int x, int y) {
        console.Queue().Put({type, button, 0, 0, x, y});
    };
    // Held still, a press scrolls until another event comes or the text
    // ends: here nothing else comes, so it runs to the end.
    run_px({}, {KEYS({KEY_F1}), CHECK([&] { mouse(CConsole::EvButtonPress, 1, 30, 18); }), KEYS({}),
                CHECK([] { expect_help_page(23, true, false); }),
                CHECK([&] { mouse(CConsole::EvButtonPress, 2, 30, 4); }), KEYS({}),
                CHECK([] { expect_help_page(1, false, true); }),
                // The middle third does not scroll.
                CHECK([&] { mouse(CConsole::EvButtonPress, 1, 30, 11); }), KEYS({}),
                CHECK([] { expect_help_page(1, false, true); }),
                CHECK([&] { mouse(CConsole::EvButtonRelease, 1, 0, 0); }), KEYS({}),
                CHECK([] { EXPECT_EQ(screen_row_of("line 01"), -1); })},
           [] { load_topics({{0, numbered(40)}, {HelpTopicMissing, {"nothing here"}}}); });
    helptext.reset();
}

namespace {

// A dialog's Help button opens its own topic; the test binds one to F12.
void help_topic_seven(int, PANEL_REQUEST&)
{
    help(7);
}

}

TEST(HelpScreen, F1InATopicOpensTheContentsOnTop)
{
    run_px({}, {KEYS({KEY_F12}), CHECK([] { EXPECT_GE(screen_row_of("seven"), 0); }),
                KEYS({KEY_F1}), CHECK([] {
                    EXPECT_GE(screen_row_of("line 01"), 0);
                    EXPECT_EQ(screen_row_of("seven"), -1);
                }),
                KEYS({KEY_ESC}), CHECK([] {
                    EXPECT_GE(screen_row_of("seven"), 0);
                    EXPECT_EQ(screen_row_of("line 01"), -1);
                }),
                KEYS({KEY_ESC}), CHECK([] { EXPECT_EQ(screen_row_of("seven"), -1); })},
           [] {
               load_topics({{0, {"line 01"}}, {7, {"seven"}}, {HelpTopicMissing, {"nothing here"}}});
               bind_key(KEY_F12, help_topic_seven);
           });
    helptext.reset();
}
