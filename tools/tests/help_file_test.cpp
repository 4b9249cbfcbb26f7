#include "config/px_filename.h"
#include "tools/help_file.h"
#include "tools/help_viewer.h"
#include "tools/tests/scratch_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

// One record: topic, then lines each ended by a 0 byte; length is the
// stored length field, or the true length when -1.
std::string record(int topic, const std::vector<std::string>& lines, int length = -1)
{
    std::string body;
    for (const std::string& l : lines)
        body += l + '\0';
    int len = length < 0 ? static_cast<int>(body.size()) + 4 : length;
    return std::string{static_cast<char>(topic), static_cast<char>(topic >> 8), static_cast<char>(len),
                       static_cast<char>(len >> 8)} +
           body;
}

// The lines Find gives, joined by "|"; "-" when nothing is found.
std::string lookup(const std::string& file, int topic)
{
    CHelpText help(std::vector<unsigned char>(file.begin(), file.end()));
    std::vector<Westring> lines;
    if (!help.Find(topic, lines))
        return "-";
    std::string r;
    for (size_t i = 0; i < lines.size(); i++)
        r += (i ? "|" : "") + std::string(lines[i].ToUTF8().c_str());
    return r;
}

// Runs the help compiler on source; its exit status, with the outputs read
// back into pxh and html.
int compile(const ScratchDir& dir, const std::string& source, std::string& pxh, std::string& html)
{
    dir.write("help.txt", source);
    std::string command = std::string("'") + PX_HELP_COMPILER + "' " + dir.sys("help.txt") + " " +
                          dir.sys("px.pxh") + " " + dir.sys("index.html") + " 2>/dev/null";
    int status = std::system(command.c_str());
    pxh = dir.read("px.pxh");
    html = dir.read("index.html");
    std::remove(dir.sys("px.pxh").c_str());
    std::remove(dir.sys("index.html").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}

TEST(HelpText, LookupStaysInsideWholeRecords)
{
    const std::string good = record(0, {"contents", "keys"}) + record(7, {"find"});
    const std::string missing = record(30000, {"no help"});
    const struct { const char* what; std::string file; int topic; const char* lines; } rows[] = {
        {"a topic", good + missing, 7, "find"},
        {"a missing topic shows 30000", good + missing, 5, "no help"},
        {"neither topic nor 30000", good, 5, "-"},
        {"the search stops at 30000", good + missing + record(9, {"late"}), 9, "no help"},
        // Damaged files: nothing from the damaged record on is used.
        {"length 0 would loop", good + record(9, {"x"}, 0) + missing, 9, "-"},
        {"length 2 is inside the header", good + record(9, {"x"}, 2) + missing, 9, "-"},
        {"length past the end", good + record(9, {"abc"}, 400), 9, "-"},
        {"a header cut short", good + std::string("\x09\x00\x30", 3), 9, "-"},
        {"records before the damage still work", good + record(9, {"x"}, 0), 7, "find"},
        // A last line without its 0 byte ends with its record, not beyond.
        {"a line cut at the record's end", record(3, {"ab"}, 6) + missing, 3, "ab"},
        {"code page 850", record(4, {"\x84\xC4\xB3"}) + missing, 4, "ä─│"},
        {"an empty topic", record(6, {}) + missing, 6, ""},
        {"a negative topic", record(-2, {"minus"}) + missing, -2, "minus"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(lookup(r.file, r.topic), r.lines) << r.what;
}

TEST(HelpText, LoadingKeepsNothingOfAFileWithoutWholeRecords)
{
    ScratchDir dir;
    const struct { const char* name; const char* what; std::string content; int status; } rows[] = {
        {"none.pxh", "a missing file", "", ENOENT},
        {"empty.pxh", "an empty file", "", EINVAL},
        {"bad.pxh", "a first record with length 0", record(0, {"x"}, 0), EINVAL},
        {"good.pxh", "a good file", record(0, {"x"}) + record(30000, {"none"}), 0},
    };
    for (const auto& r : rows) {
        if (r.status != ENOENT)
            dir.write(r.name, r.content);
        EXPECT_EQ(load_help_file(dir.wide(r.name)), r.status) << r.what;
        EXPECT_EQ(helptext != nullptr, r.status == 0) << r.what;
    }
    EXPECT_EQ(load_help_file(dir.wide()), EINVAL);  // a directory
    helptext.reset();
}

TEST(HelpText, TheBuiltHelpHasEveryTopicTheProgramOpens)
{
    ASSERT_EQ(load_help_file(FileNameFromSys(PX_BUILT_HELP)), 0);
    for (int topic : help_topics_opened)
        EXPECT_TRUE(helptext->Has(topic)) << "topic " << topic;
    std::vector<Westring> lines;
    ASSERT_TRUE(helptext->Find(HelpTopicMissing, lines));
    // Topics without a record of their own fall back to it.
    EXPECT_TRUE(helptext->Find(12345, lines));
    helptext.reset();
}

TEST(HelpText, APxRunFromItsBuildTreeReadsWhatThatBuildMade)
{
    Westring saved = PXProg;
    PXProg = FileNameFromSys(PX_BUILD_DIR "/app/px");
    EXPECT_STREQ(PXFilename(PXHelp).c_str(), FileNameFromSys(PX_BUILT_HELP).c_str());
    EXPECT_STREQ(PXFilename(PXManual).c_str(), FileNameFromSys(PX_BUILD_DIR "/data/manual/index.html").c_str());
    // Elsewhere the build tree is not looked at.
    PXProg = L"/nowhere/bin/px";
    EXPECT_STRNE(PXFilename(PXHelp).c_str(), FileNameFromSys(PX_BUILT_HELP).c_str());
    PXProg = saved;
}

TEST(HelpCompiler, RefusesWhatTheHelpWindowCannotShow)
{
    ScratchDir dir;
    const std::string tail = "@topic 30000 None\nnothing\n";
    std::string wide;  // 72 columns of a two-byte character
    for (int i = 0; i < 72; i++)
        wide += "\xC3\xA4";
    const struct { const char* what; std::string source; int status; } rows[] = {
        {"a good source", "@topic 0 Start\nhello\n" + tail, 0},
        {"72 columns fit", "@topic 0 Start\n" + std::string(72, 'x') + "\n" + tail, 0},
        {"73 columns do not", "@topic 0 Start\n" + std::string(73, 'x') + "\n" + tail, 1},
        {"72 non-ASCII columns fit", "@topic 0 Start\n" + wide + "\n" + tail, 0},
        {"a character code page 850 lacks", "@topic 0 Start\nan arrow \xE2\x86\x92\n" + tail, 1},
        {"a tab", "@topic 0 Start\na\tb\n" + tail, 1},
        {"invalid UTF-8", "@topic 0 Start\nbad \xE4 byte\n" + tail, 1},
        {"no record for missing topics", "@topic 0 Start\nhello\n", 1},
        {"a topic twice", "@topic 0 Start\n@topic 0 Again\n" + tail, 1},
        {"text before any topic", "stray\n@topic 0 Start\n" + tail, 1},
    };
    for (const auto& r : rows) {
        std::string pxh, html;
        EXPECT_EQ(compile(dir, r.source, pxh, html), r.status) << r.what;
        if (r.status != 0) {
            EXPECT_TRUE(pxh.empty() && html.empty()) << r.what << ": no output after a refusal";
        }
    }
}

TEST(HelpCompiler, WritesLittleEndianRecordsAndTheManual)
{
    ScratchDir dir;
    std::string pxh, html;
    ASSERT_EQ(compile(dir, "@# a comment\n@topic 30000 None\nnothing\n@topic 300 A <b>\nGrüße & more\n\n\n", pxh, html), 0);
    // The record for missing topics goes last, whatever the source order;
    // trailing blank lines are dropped; the title and its rule come first.
    const std::string first = record(300, {"A <b>", "\xC4\xC4\xC4\xC4\xC4", "", "Gr\x81\xE1" "e & more"});
    EXPECT_EQ(pxh, first + record(30000, {"None", "\xC4\xC4\xC4\xC4", "", "nothing"}));
    EXPECT_EQ(static_cast<unsigned char>(pxh[1]), 0x01);  // 300 = 0x012C, low byte first
    EXPECT_NE(html.find("<h2 id=\"topic-300\">A &lt;b&gt;</h2>"), std::string::npos) << html;
    EXPECT_NE(html.find("Grüße &amp; more"), std::string::npos) << html;
    EXPECT_EQ(html.find("nothing"), std::string::npos) << "the missing-topic note is not part of the manual";
}
