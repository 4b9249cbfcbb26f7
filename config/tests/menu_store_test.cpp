#include "config/menu_store.h"
#include "console/key_codes.h"
#include "foundation/nls.h"

#include <gtest/gtest.h>

#include <fstream>
#include <ftw.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string narrow(const Westring& s)
{
    return FileNameToSys(s).c_str();
}

// The menu as text: "key title [commands] {submenu}" per entry.
std::string outline(const MenuStore& m)
{
    std::string s;
    for (const auto& e : m.entries) {
        s += narrow(e->key_text) + ":" + narrow(e->title);
        for (const Westring& c : e->commands)
            s += "[" + narrow(c) + "]";
        if (e->submenu)
            s += "{" + outline(*e->submenu) + "}";
        s += ";";
    }
    return s;
}

// The outline, "#" and the messages ("text (file);" each).
std::string result(const MenuStore& m, const MENULOAD& load)
{
    std::string s = outline(m) + "#";
    for (const MENUMESSAGE& msg : load.messages)
        s += narrow(msg.text) + " (" + narrow(Westring(msg.detail).filename()) + ");";
    return s;
}

class MenuFile : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/px menü.XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
    }
    void TearDown() override
    {
        nftw(dir.c_str(), [](const char* p, const struct stat*, int, FTW*) { return remove(p); }, 16,
             FTW_DEPTH | FTW_PHYS);
    }
    std::string put(const std::string& name, const std::string& text, mode_t mode = 0644) const
    {
        std::string path = dir + "/" + name;
        std::ofstream(path, std::ios::binary) << text;
        chmod(path.c_str(), mode);
        return path;
    }
    // Loads a menu file, as F2 does with the file found upward from
    // directory "from" when from is given.
    std::string load(const std::string& path, const char* from = nullptr, int* key_width = nullptr) const
    {
        MenuStore m;
        MENULOAD load;
        Westring found;
        if (from)
            load_user_menu(m, w(dir + from), L"px.mnu", w(path), load, found);
        else if (load_menu_file(m, w(path), load) != 0)
            return "not loaded";
        if (key_width)
            *key_width = m.key_width;
        return result(m, load);
    }
    static Westring w(const std::string& s) { return FileNameFromSys(s.c_str()); }
    std::string dir;
};

}

TEST(MenuKey, KeyTexts)
{
    const struct { const wchar_t* text; int key; } rows[] = {
        {L"a", 'A'},
        {L"A", 'A'},
        {L"ä", L'Ä'},
        {L"5", '5'},
        {L"F5", KEY_F1 + 4},
        {L"F1", KEY_F1},
        {L"F10", KEY_F10},
        {L"F11", KEY_F11},
        {L"F12", KEY_F12},
        {L"AF5", KEY_ALT_F1 + 4},
        {L"CF5", KEY_CTRL_F1 + 4},
        {L"SF5", KEY_SHIFT_F1 + 4},
        {L"SF12", KEY_SHIFT_F11 + 1},
        {L"AF11", KEY_ALT_F11},
        {L"f5", 0},     // F must be a capital
        {L"af5", 0},
        {L"F13", 0},
        {L"F0", 0},
        {L"F", 'F'},
        {L"FF", 0},
        {L"XF5", 5},    // another first letter: the bare number
        {L"ab", 0},
        {L"F1x", 0},
        {L"", 0},
    };
    for (const auto& r : rows)
        EXPECT_EQ(menu_key_code(r.text), r.key) << narrow(r.text);
}

TEST_F(MenuFile, EntriesSubmenusAndBraces)
{
    const struct { const char* text; const char* outline; } rows[] = {
        {"a: Archive\n  tar cf x.tar !\n\n  gzip x.tar\nF5: Build\n\tmake\n", "a:Archive[tar cf x.tar !][gzip x.tar];F5:Build[make];"},
        {":x\nf5: lower\nF13: big\nnocolon\n  orphan\nb: B\n", "b:B;"},
        {"s: Sub\n{\nx: X\n   echo x\n}\nt: T\n  ls\n", "s:Sub{x:X[echo x];};t:T[ls];"},
        {"s: Sub\n{\n x: X\n}\n", "s:Sub{};"},  // indented: a command, and no entry to take it
        {"s: Sub\n{\nx: X\n", "s:Sub{x:X;};"},                          // missing "}"
        {"a: A\n}\nb: B\n", "a:A;"},                                      // stray "}" ends the menu
        {"a: A\n  cmd\n{\nb: B\n}\n", "a:A[cmd];b:B;"},                   // "{" after commands is no submenu
        {"\xEF\xBB\xBF" "a: A\r\n  ls\r\n", "a:A[ls];"},
        {"CF3: title: with colon\n", "CF3:title: with colon;"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(load(put("px.mnu", r.text)), std::string(r.outline) + "#") << r.text;
    int key_width = 0;
    load(put("px.mnu", "F12: a\nab: b\n"), nullptr, &key_width);
    EXPECT_EQ(key_width, 3);
}

TEST_F(MenuFile, EncodingsOfTheMenuFile)
{
    // "Сборка" (Cyrillic) as a title, and a command line, in UTF-16LE with a
    // mark, UTF-16BE with one, and in code page 1251 as the text code page.
    const std::string utf8 = "b: \xD0\xA1\xD0\xB1\xD0\xBE\xD1\x80\xD0\xBA\xD0\xB0\r\n  make\r\n";
    auto utf16 = [&](bool big) {
        std::string out = big ? "\xFE\xFF" : "\xFF\xFE";
        Westring wide(utf8.c_str());
        for (const wchar_t* p = wide.c_str(); *p; p++) {
            char lo = static_cast<char>(*p & 0xFF), hi = static_cast<char>(*p >> 8);
            out += big ? std::string{hi, lo} : std::string{lo, hi};
        }
        return out;
    };
    const std::string cp1251 = "b: \xD1\xE1\xEE\xF0\xEA\xE0\r\n  make\r\n";
    const struct { std::string bytes; int codepage; } rows[] = {
        {utf8, 0}, {utf16(false), 0}, {utf16(true), 0}, {cp1251, 1251},
    };
    int saved = textcodepage;
    for (const auto& r : rows) {
        textcodepage = r.codepage;
        EXPECT_EQ(load(put("px.mnu", r.bytes)), "b:\xD0\xA1\xD0\xB1\xD0\xBE\xD1\x80\xD0\xBA\xD0\xB0[make];#") << r.codepage;
    }
    textcodepage = saved;
}

TEST_F(MenuFile, Includes)
{
    mkdir((dir + "/sub").c_str(), 0755);
    put("sub/inner.mnu", "i: Inner\n!include ../leaf.mnu\n");
    put("leaf.mnu", "l: Leaf\n");
    put("self.mnu", "s: Self\n!include self.mnu\n");
    const struct { const char* text; const char* outline; const char* messages; } rows[] = {
        {"a: A\n!include sub/inner.mnu\nb: B\n", "a:A;i:Inner;l:Leaf;b:B;", ""},  // relative to each including file
        {"a: A\n!include missing.mnu\nb: B\n", "a:A;b:B;", "Unable to open included menu (missing.mnu);"},
        {"!include self.mnu\nb: B\n", "s:Self;b:B;", "Included menus nested too deeply (self.mnu);"},
        {"m: M\n{\n!include leaf.mnu\n}\n", "m:M{l:Leaf;};", ""},
    };
    for (const auto& r : rows)
        EXPECT_EQ(load(put("px.mnu", r.text)), std::string(r.outline) + "#" + r.messages) << r.text;
    // A chain 20 deep: the opened file and 8 levels below it are read.
    std::string nine;
    for (int i = 0; i < 20; i++) {
        std::string entry = std::to_string(i % 10) + ": level " + std::to_string(i);
        put("c" + std::to_string(i) + ".mnu", entry + "\n!include c" + std::to_string(i + 1) + ".mnu\n");
        if (i < 9)
            nine += std::to_string(i) + ":level " + std::to_string(i) + ";";
    }
    EXPECT_EQ(load(dir + "/c0.mnu"), nine + "#Included menus nested too deeply (c9.mnu);");
}

TEST_F(MenuFile, UpwardSearchUnderTheOwnerRule)
{
    mkdir((dir + "/a").c_str(), 0755);
    mkdir((dir + "/a/b").c_str(), 0755);
    mkdir((dir + "/a/b/c").c_str(), 0755);
    std::string own = put("own.mnu", "o: Own\n");
    put("a/px.mnu", "u: Upper\n");
    put("a/b/c/px.mnu", "d: Deeper\n");  // below the directory: never used
    const struct { const char* setup; mode_t mode; int uid; const char* outline; bool ignored; } rows[] = {
        {"nearest", 0644, -1, "n:Nearest;", false},
        {"world-writable", 0666, -1, "o:Own;", true},
        {"group-writable", 0664, -1, "o:Own;", true},
        {"other owner", 0644, 12345, "o:Own;", true},
        {"fifo", 0, -1, "o:Own;", true},
        {"link to own", 0, -1, "o:Own;", false},
        {"none", 0, -1, "u:Upper;", false},
    };
    std::string near = dir + "/a/b/px.mnu";
    for (const auto& r : rows) {
        std::string what = r.setup;
        remove(near.c_str());
        if (what == "fifo") {
            ASSERT_EQ(mkfifo(near.c_str(), 0644), 0);
        } else if (what == "link to own") {
            ASSERT_EQ(symlink(own.c_str(), near.c_str()), 0);
        } else if (what != "none") {
            if (r.uid >= 0 && geteuid() != 0)
                continue;  // only root can give a file away
            put("a/b/px.mnu", "n: Nearest\n", r.mode);
            if (r.uid >= 0) {
                ASSERT_EQ(chown(near.c_str(), static_cast<uid_t>(r.uid), 0), 0);
            }
        }
        EXPECT_EQ(load(own, "/a/b"), std::string(r.outline) + "#" +
                                         (r.ignored ? "Menu file ignored: another user can change it (px.mnu);" : ""))
            << what;
    }
    // An include of a trusted upward menu must pass the rule too.
    put("a/b/px.mnu", "n: Nearest\n!include open.mnu\n");
    put("a/b/open.mnu", "x: Open\n", 0666);
    EXPECT_EQ(load(own, "/a/b"), "n:Nearest;#Menu file ignored: another user can change it (open.mnu);");
}
