#include "console/colours.h"
#include "text/ini_stack.h"
#include "text/syntax_def.h"
#include "text/syntax_highlighter.h"
#include "text/text_settings.h"
#include "textui/textui_settings.h"

#include "foundation/tests/temp_dir.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// syntax.ini files from memory; what would go to the error box is kept.
class MemoryIni : public CIniStack
{
public:
    explicit MemoryIni(std::map<std::wstring, std::string> f) : files(std::move(f)) {}

    std::vector<std::wstring> errors;

protected:
    class Source : public CIniSource
    {
    public:
        explicit Source(const std::string& t) : text(t) {}
        int gets(char* buf, int size) override
        {
            if (pos >= text.size())
                return -1;
            size_t n = 0;
            while (pos < text.size() && text[pos] != '\n' && n + 1 < static_cast<size_t>(size))
                buf[n++] = text[pos++];
            if (pos < text.size() && text[pos] == '\n')
                pos++;
            buf[n] = 0;
            return 0;
        }
        std::string text;
        size_t pos = 0;
    };

    int OpenSource(const Westring& path, std::unique_ptr<CIniSource>& source, dev_t& dev, ino_t& ino) override
    {
        auto it = files.find(path.c_str());
        if (it == files.end())
            return ENOENT;
        source = std::make_unique<Source>(it->second);
        dev = 1;
        ino = static_cast<ino_t>(std::distance(files.begin(), it));
        return 0;
    }
    void Report(const Westring& path, int err) override { errors.push_back(std::wstring(path.c_str()) + L":" + std::to_wstring(err)); }

private:
    std::map<std::wstring, std::string> files;
};

constexpr unsigned char Default = 0x1B;

unsigned char attr(const char* spec)
{
    return Str2Attr(spec, Default);
}

// One letter per cell: the colour it has, as the rows below spell it.
std::string colours(const CellString& cells)
{
    static const struct { const char* spec; char letter; } letters[] = {
        {"bright white", 'W'}, {"black", 'b'}, {"white", 'w'}, {"bright green", 'g'}, {"bright yellow", 'y'},
        {"bright magenta", 'm'}, {"bright red", 'r'}, {"yellow", 'o'}, {"red", 'R'}, {"green", 'G'},
    };
    std::string out;
    for (int i = 0; i < cells.length(); i++) {
        char c = cells[i].attr == Default ? '.' : '?';
        for (const auto& l : letters)
            if (cells[i].attr == attr(l.spec))
                c = l.letter;
        out += c;
    }
    return out;
}

std::wstring text_of(const CellString& cells)
{
    std::wstring s;
    for (int i = 0; i < cells.length(); i++)
        s += cells[i].ch;
    return s;
}

std::vector<std::string> colour_lines(SyntaxHighlighter& hl, const std::vector<std::wstring>& lines)
{
    std::vector<std::string> out;
    for (const auto& l : lines) {
        CellString cells;
        hl.ProcessLine(l.c_str(), cells);
        out.push_back(colours(cells));
    }
    return out;
}

// Colours lines with a definition from memory.
struct Highlight
{
    explicit Highlight(const std::string& ini, const wchar_t* name = L"f.x")
    {
        MemoryIni stack({{L"/s/syntax.ini", ini}});
        matched = hl.LoadDef(stack, L"/s/syntax.ini", name);
    }
    std::vector<std::string> run(const std::vector<std::wstring>& lines)
    {
        hl.Enable();
        return colour_lines(hl, lines);
    }
    SyntaxHighlighter hl;
    bool matched = false;
};

}

// The viewer's colour and a known tab width for every test here.
class SyntaxTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        textui_settings.colours[ColourFileViewer] = Default;
        text_settings.tab_width = &tab;
    }
    int tab = 4;
};

TEST_F(SyntaxTest, SectionPatterns)
{
    const struct { const wchar_t* name; bool matched; } rows[] = {
        {L"main.C", true}, {L"util.h", true}, {L"main.cpp", false}, {L"/dir.c/x", false}, {L"/src/y.c", true},
    };
    for (const auto& r : rows) {
        Highlight h("[C:*.{c,h}]\nnumber : red\n", r.name);
        EXPECT_EQ(h.matched, r.matched) << Westring(r.name).ToUTF8().c_str();
    }
}

TEST_F(SyntaxTest, HighlighterRules)
{
    const struct { const char* ini; std::vector<std::wstring> lines; std::vector<std::string> expected; } rows[] = {
        // A words line with "i" colours IF; without it, it does not.
        {"[x:*]\nwords/i : red : if else\n", {L"IF x"}, {"RR.."}},
        {"[x:*]\nwords : red : if else\n", {L"IF if"}, {"...RR"}},
        // Words with a context are coloured only inside that state.
        {"[x:*]\nstate : green : comment : { : }\nwords(comment) : red : todo\n", {L"todo {todo}"}, {".....GRRRRG"}},
        // A block comment left open carries to the next line.
        {"[x:*]\nblockcomment : green : /* : */\n", {L"a /*", L"b */ c"}, {"..GG", "GGGG.."}},
        // A line comment ends with its line.
        {"[x:*]\nlinecomment : green : //\n", {L"a // b", L"c"}, {"..GGGG", "."}},
        // An escaped quote does not end the string.
        {"[x:*]\nstring : red : \" : \" : \\\\\n", {L"x\"a\\\"b\"y"}, {".RRRRRR."}},  // "\\" at the end is one "\"
        // The escape of the definition at that point.
        {"[x:*]\nescape : ~\nstring : red : ' : '\n", {L"'a~'b'"}, {"RRRRRR"}},
        // A state with "w" ends at the first non-word character.
        {"[x:*]\nstatechange : red : $ : push : var\nstate/w : green : var : @ :\n", {L"$abc d"}, {"RGGG.."}},
        // A number word; a Cyrillic word with the low byte of "0" is none.
        {"[x:*]\nnumber : red\n", {L"123abc x"}, {"RRRRRR.."}},
        {"[x:*]\nnumber : red\n", {L"\x0430\x0431 1"}, {"...R"}},
        // Symbols given in UTF-8.
        {"[x:*]\nsymbols : red : \xE2\x86\x92+\n", {L"a\x2192" L"b+"}, {".R.R"}},
        // Option "b": only in the first column.
        {"[x:*]\nstate/lb : red : h : # :\n", {L"# a", L"b # c"}, {"RRR", "....."}},
        {"[x:*]\nlinecomment/b : green : ;\n", {L"; a", L"b ; c"}, {"GGG", "....."}},
        // A colour class defined after its first use does not apply there.
        {"[x:*]\nwords : Kw : a\n[Colour Classes]\nKw: red\n[x:*]\nwords : Kw : b\n", {L"a b"}, {"b.R"}},  // an unknown colour word is black
        // A backslash joins lines, in the colour classes too.
        {"[Colour Classes]\nKw: bright \\\nred\n[x:*]\nwords : Kw : a \\\n b\n", {L"a b"}, {"r.r"}},
        // A state that does not end by text but with its line.
        {"[x:*]\nstate/l : red : pp : # :\n", {L"#x", L"y"}, {"RR", "."}},
        // Pop and pop-then-push.
        {"[x:*]\nstate : red : a : < :\nstatechange(a) : green : > : pop : a\n", {L"x<y>z"}, {".RRG."}},
    };
    for (const auto& r : rows) {
        Highlight h(r.ini);
        EXPECT_TRUE(h.matched) << r.ini;
        EXPECT_EQ(h.run(r.lines), r.expected) << r.ini;
    }
}

TEST_F(SyntaxTest, TabsReachTheNextStop)
{
    Highlight h("[x:*]\nnumber : red\n");
    CellString cells;
    h.hl.ProcessLine(L"ab\tc\t\x07" L"1", cells);
    EXPECT_EQ(text_of(cells), L"ab  c    1");
    EXPECT_EQ(colours(cells), ".........R");
}

TEST_F(SyntaxTest, DisabledColoursNothingAndKeepsTheState)
{
    Highlight h("[x:*]\nblockcomment : green : /* : */\n");
    h.run({L"/* open"});
    h.hl.Disable();
    CellString cells;
    h.hl.ProcessLine(L"*/ a", cells);
    EXPECT_EQ(colours(cells), "....");
    EXPECT_EQ(h.hl.stack.Count(), 1);
    EXPECT_EQ(h.run({L"b */"}), std::vector<std::string>{"GGGG"});
}

TEST_F(SyntaxTest, Includes)
{
    MemoryIni stack({
        {L"/s/syntax.ini", "!include part.ini\n!INCLUDE missing.ini\n!include missing.ini\n[x:*]\nnumber : red\n"},
        {L"/s/part.ini", "[Colour Classes]\nKw: green\n!include part.ini\n[x:*]\nwords : Kw : a\n"},
    });
    Highlight h("");
    EXPECT_TRUE(h.hl.LoadDef(stack, L"/s/syntax.ini", L"f"));
    // The missing file is reported once; the file including itself is
    // refused instead of read again and again.
    EXPECT_EQ(stack.errors, (std::vector<std::wstring>{L"/s/part.ini:" + std::to_wstring(ELOOP),
                                                       L"/s/missing.ini:" + std::to_wstring(ENOENT)}));
    EXPECT_EQ(h.run({L"a 1"}), std::vector<std::string>{"G.R"});
}

TEST_F(SyntaxTest, IncludesNestAtMostEightDeep)
{
    std::map<std::wstring, std::string> files;
    for (int i = 0; i < 12; i++)
        files[L"/s/" + std::to_wstring(i)] = "!include " + std::to_string(i + 1) + "\n[x:*]\nwords : red : w" +
                                             std::to_string(i) + "\n";
    MemoryIni stack(files);
    Highlight h("");
    EXPECT_TRUE(h.hl.LoadDef(stack, L"/s/0", L"f"));
    EXPECT_EQ(stack.errors, std::vector<std::wstring>{L"/s/8:" + std::to_wstring(ELOOP)});
    EXPECT_EQ(h.run({L"w7 w8"}), std::vector<std::string>{"RR..."});
}

TEST_F(SyntaxTest, MissingTopFileIsSilentAndLongJoinsStop)
{
    MemoryIni none({});
    Highlight h("");
    EXPECT_FALSE(h.hl.LoadDef(none, L"/s/syntax.ini", L"f"));
    EXPECT_TRUE(none.errors.empty());
    // Ten thousand continued lines: the joined line stops at 64 KiB and
    // loading goes on.
    std::string ini = "[x:*]\nwords : red : a";
    for (int i = 0; i < 10000; i++)
        ini += " bbbbbbbbb\\\n";
    ini += "\nwords : green : c\n";
    Highlight big(ini);
    EXPECT_EQ(big.run({L"a c"}), std::vector<std::string>{"R.G"});
}

TEST_F(SyntaxTest, UserFileWins)
{
    TempDir dir;
    std::string data = dir.write("data.ini", "[x:*]\nwords : red : a\n");
    std::string user = dir.write("user.ini", "[x:*]\nwords : green : a\n");
    SyntaxHighlighter hl;
    EXPECT_TRUE(hl.LoadDef(FileNameFromSys(user.c_str()), FileNameFromSys(data.c_str()), L"f"));
    EXPECT_EQ(colour_lines(hl, {L"a"}), std::vector<std::string>{"G"});
    EXPECT_TRUE(hl.LoadDef(FileNameFromSys(dir.file("none.ini").c_str()), FileNameFromSys(data.c_str()), L"f"));
    EXPECT_EQ(colour_lines(hl, {L"a"}), std::vector<std::string>{"R"});
}

TEST_F(SyntaxTest, ShippedDefinitionMatchesItsFiles)
{
    const struct { const wchar_t* name; const char* element; } rows[] = {
        {L"main.c", "preproc"}, {L"x.H", "preproc"}, {L"a.cpp", "preproc"}, {L"b.hpp", "preproc"},
        {L"main.cs", nullptr}, {L"cpp", nullptr},
        {L"run.sh", "variable"}, {L"x.bash", "variable"}, {L".bashrc", "variable"}, {L".profile", "variable"},
        {L"bashrc", nullptr}, {L"a.shar", nullptr},
        {L"a.py", "triple_double"}, {L"a.pyc", nullptr},
        {L"px.ini", "section"}, {L"app.desktop", "section"},
        {L"README.md", "heading"}, {L"notes.markdown", "heading"},
        {L"Makefile", "paren_variable"}, {L"GNUmakefile", "paren_variable"}, {L"rules.mk", "paren_variable"},
        {L"makefile", "paren_variable"}, {L"Makefile.am", nullptr},
        {L"fix.diff", "added"}, {L"fix.patch", "added"}, {L"fix.patches", nullptr},
    };
    for (const auto& r : rows) {
        SyntaxHighlighter hl;
        EXPECT_EQ(hl.LoadDef(PANNEX_SYNTAX_INI, r.name), r.element != nullptr) << Westring(r.name).ToUTF8().c_str();
        if (r.element) {
            EXPECT_NE(hl.Def().FindElement(r.element), nullptr) << Westring(r.name).ToUTF8().c_str();
        }
    }
}

TEST_F(SyntaxTest, ShippedLanguagesOnSamples)
{
    // W keyword, w type or symbol, g comment or added, y string, m number,
    // r preprocessor or removed, o variable or code.
    const struct { const wchar_t* name; std::vector<std::wstring> lines; std::vector<std::string> expected; } rows[] = {
        {L"t.c",
         {L"#include <x.h>", L"int n = 42; /* a", L"b */ return \"s\\\"\"; // c", L"char c = 'x';"},
         {"rrrrrrrrrrrrrr", "www...w.mmw.gggg", "gggg.WWWWWW.yyyyyw.gggg", "wwww...w.yyyw"}},
        {L"t.sh",
         {L"if [ \"$HOME\" ]; then # x", L"echo '$a' $b"},
         {"WW.w.yyyyyyy.ww.WWWW.ggg", ".....yyyy.oo"}},
        {L"t.py",
         {L"def f(x): # c", L"    s = \"\"\"a", L"b\"\"\" + 'q' + 12"},
         {"WWW..w.ww.ggg", "......w.yyyy", "yyyy.w.yyy.w.mm"}},
        {L"t.ini", {L"[main]", L"; note", L"key=value"}, {"WWWWWW", "gggggg", "...yyyyyy"}},
        {L"t.md",
         {L"# Title", L"text `code` and **bold**", L"```", L"x", L"```"},
         {"WWWWWWW", ".....oooooo.....WWWWWWWW", "ooo", "o", "ooo"}},
        {L"Makefile", {L"CC = $(X) # c", L"ifeq (a,b)"}, {"...w.oooo.ggg", "WWWW......"}},
        {L"t.diff",
         {L"--- a/f", L"+++ b/f", L"@@ -1 +1 @@", L"-old", L"+new", L" same"},
         {"WWWWWWW", "WWWWWWW", "WWWWWWWWWWW", "rrrr", "gggg", "....."}},
    };
    for (const auto& r : rows) {
        SyntaxHighlighter hl;
        ASSERT_TRUE(hl.LoadDef(PANNEX_SYNTAX_INI, r.name));
        EXPECT_EQ(colour_lines(hl, r.lines), r.expected) << Westring(r.name).ToUTF8().c_str();
    }
}
