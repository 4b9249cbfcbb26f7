#ifndef PANNEX_CONFIG_MENU_STORE_H
#define PANNEX_CONFIG_MENU_STORE_H

#include "foundation/westring.h"

#include <memory>
#include <string>
#include <vector>

class MenuStore;

// One entry of the user menu: its hot key, the key as written in the file,
// its title and either command lines or a submenu.
struct MenuEntry
{
    int key = 0;
    Westring key_text;
    Westring title;
    std::vector<Westring> commands;
    // Null when the entry has no submenu.
    std::unique_ptr<MenuStore> submenu;
};

// A message the loading wants shown: the text and the name it is about.
struct MENUMESSAGE
{
    Westring text;
    Westring detail;
};

// How deep "!include" may nest below the file F2 opened.
constexpr int MenuIncludeDepth = 8;

// The entries of one menu in file order. The user menu file (px.mnu) is
// UTF-8 text:
//     key: title          an entry; key is a letter, F1-F12, AF5, CF5, SF5
//       command           (indented) a command line of the last entry
//     {  ...  }           after an entry without commands: its submenu
//     !include other.mnu  the entries of another file, relative to this one
class MenuStore
{
public:
    std::vector<std::unique_ptr<MenuEntry>> entries;
    // The length of the longest key text.
    int key_width = 0;

    // Reads entries from lines[i] on until the end or a closing "}"
    // (a stray one ends this menu), following includes relative to the
    // directory dir. i ends after the last line read.
    void LoadEntries(const std::vector<std::string>& lines, size_t& i, const std::string& dir,
                     struct MENULOAD& load);
    MenuEntry* FindKey(int key) const;
};

// What loading carries through includes: the files open above the one being
// read (device and inode), whether included files must pass the owner rule,
// and the messages to show afterwards.
struct MENULOAD
{
    std::vector<std::pair<unsigned long long, unsigned long long>> stack;
    bool check_owner = false;
    std::vector<MENUMESSAGE> messages;
};

// The hot key a key text stands for: an upper-cased single character; "F"
// and 1-12; "A", "C" or "S" before such a function key; a three- or
// four-character text with "F" second and another letter first gives the
// bare number. 0 for a text that names no key (the entry is ignored).
int menu_key_code(const Westring& text);

// Whether an open file may serve as a menu found outside the user's own
// directory: a regular file owned by the user or root that neither the
// group nor others may write. Judged on the open file, not its name.
bool menu_file_trusted(int fd);

// Loads the menu file at path into menu: 0, or the errno when it cannot be
// opened or is no regular file. With check_owner the file and everything it
// includes must pass menu_file_trusted; a file that fails gives EPERM (and
// an included one a message).
[[nodiscard]] int load_menu_file(MenuStore& menu, const Westring& path, MENULOAD& load);

// The menu F2 opens for directory dir: the nearest file named name in dir
// or one of its parents, when it passes the owner rule ("Menu file ignored:
// another user can change it" with its path otherwise); else own_path, the
// user's own menu. found is the path read, empty when none could be.
void load_user_menu(MenuStore& menu, const Westring& dir, const Westring& name, const Westring& own_path,
                    MENULOAD& load, Westring& found);

#endif
