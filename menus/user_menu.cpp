#include "menus/user_menu.h"

#include "command/environment.h"
#include "command/execute.h"
#include "command/pling_subst.h"
#include "command/quote_name.h"
#include "command/temp_files.h"
#include "config/px_filename.h"
#include "console/colours.h"
#include "console/console.h"
#include "console/key_codes.h"
#include "fileops/file_system.h"
#include "fileops/path_grammar.h"
#include "foundation/unicode_case_fold.h"
#include "foundation/wild.h"
#include "panels/change_dir.h"
#include "panels/command_line.h"
#include "panels/panel.h"
#include "textui/dialog.h"
#include "textui/list_box.h"
#include "textui/message_box.h"
#include "textui/textui_settings.h"

#include <algorithm>
#include <sys/stat.h>
#include <vector>

Westring menu_item_text(const MenuStore& menu, const MenuEntry& entry, int width)
{
    Westring text = entry.key_text.pad(menu.key_width + 1, L' ') + entry.title;
    if (!entry.submenu)
        return text;
    text = text.pad(std::max(width - 1, 0), L' ');
    return text + L">";
}

int menu_list_width(const MenuStore& menu, const Westring& title, int columns)
{
    int longest = title.strlen();
    for (const auto& e : menu.entries)
        longest = std::max(longest, menu.key_width + 1 + e->title.strlen() + (e->submenu ? 2 : 0));
    return std::min(longest + 2, columns - 2);
}

MenuEntry* Choose(MenuStore& menu, const Westring& title, int x)
{
    int cols = console.Columns();
    int width = menu_list_width(menu, title, cols);
    int count = static_cast<int>(menu.entries.size());
    int height = std::min(count, console.Lines() - 8);
    TObjectStore<Westring> lines;
    for (const auto& e : menu.entries)
        lines.AddObject(new Westring(menu_item_text(menu, *e, width)));
    int selection = 0;
    int outer = width + 2;
    if (x >= 0 && x + outer > cols)
        x = std::max(0, cols - outer);
    Dialog d(x < 0 ? -1 : x, -3, x < 0 ? outer : x + outer - 1, height + 2, ui_colour(ColourMenu));
    d.PutCentre(-1, title.c_str());
    d.AddListBox(0, 0, 1, width, height, lines, selection, -1);
    for (;;) {
        int r = d.Process();
        if (r == RESULT_CANCEL)
            return nullptr;
        MenuEntry* chosen = nullptr;
        if (r == RESULT_ACCEPT) {
            chosen = menu.entries[static_cast<size_t>(selection)].get();
        } else {
            int key = r < KEY_EXTENDED ? static_cast<int>(CUnicodeCaseFold::toupper(static_cast<wchar_t>(r))) : r;
            chosen = menu.FindKey(key);
            if (chosen)
                selection = static_cast<int>(std::find_if(menu.entries.begin(), menu.entries.end(),
                                                          [&](const auto& e) { return e.get() == chosen; }) -
                                             menu.entries.begin());
        }
        if (!chosen)
            continue;
        if (!chosen->submenu)
            return chosen;
        if (MenuEntry* sub = Choose(*chosen->submenu, L" " + chosen->title + L" ", d.x2 + 1))
            return sub;
    }
}

int menu_cd(const Westring& line, const Westring& from, Westring& dir)
{
    if (!wild(L"cd[\\. ]*", line.c_str()) || line[0] != L'c' || line[1] != L'd')
        return -1;
    Westring arg = DequoteName(line.mid(2, line.strlen()).trim());
    if (arg.empty() || arg == L"~") {
        const char* home = SessionEnv.Get("HOME");
        arg = FileNameFromSys(home ? home : "/");
    } else if (arg.left(2) == L"~/") {
        const char* home = SessionEnv.Get("HOME");
        arg = FileNameFromSys(home ? home : "/") + arg.mid(1, arg.strlen());
    }
    if (ResolvePath(arg, from.c_str()) != 0)
        return ENOENT;
    struct stat st;
    if (::stat(FileNameToSys(arg).c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return ENOENT;
    if (arg.strlen() > 1 && arg[arg.strlen() - 1] == L'/')
        arg = arg.chop(1);
    dir = arg;
    return 0;
}

void run_menu_entry(int side, const MenuEntry& entry)
{
    CleanupTmpFiles();
    PANEL* p = &panel_base[side];
    Westring where = p->GetWD();
    (void)cdd(where);
    Westring target;
    bool echo = true;
    for (const Westring& raw : entry.commands) {
        // The first pass asks the "!i" prompts and tells the per-file form
        // ("!t"), which runs once per tagged entry in list order.
        Westring first = raw;
        int form = pling_subst(first, nullptr, side, SubstFirstPass);
        if (form < 0)
            return;
        std::vector<Westring> names;
        if (form == 1 && p->tagged_count > 0) {
            for (int i = 0; i < p->Count(); i++)
                if (p->entries[i]->tagged)
                    names.push_back(p->entries[i]->name);
        } else {
            ::entry* e = p->Current();
            names.push_back(e ? Westring(e->name) : Westring());
        }
        for (const Westring& name : names) {
            Westring line = first;
            if (pling_subst(line, name.c_str(), side, SubstNormal) < 0)
                return;
            // A cd line moves the process for the lines after it; the
            // directory is never reset between lines. It must name an
            // existing directory exactly: the tree cache's search of a
            // typed cd could land the rest of the entry anywhere.
            Westring dir;
            int cd = menu_cd(line, where, dir);
            if (cd == ENOENT) {
                (void)error(L"Invalid directory", line.mid(2, line.strlen()).trim().c_str());
                return;
            }
            if (cd == 0) {
                where = target = dir;
                (void)cdd(dir);
                continue;
            }
            if (line.trim().empty())
                continue;
            Westring shown = echo ? command_prompt(where) + line : Westring();
            if (run(line.c_str(), side, shown.c_str(), RunKeepDirectory) != 0)
                return;
            echo = false;
        }
    }
    console.Write("\n");
    if (!target.empty() && panel_base[side].ChangeVirtualWD(target))
        change_dir(panel_base, side, L"");
}

void user_menu(int side, char main)
{
    MenuStore menu;
    MENULOAD load;
    Westring own = PXFilename(PXUserMenu);
    Westring found;
    if (main) {
        if (load_menu_file(menu, own, load) == 0)
            found = own;
    } else {
        load_user_menu(menu, panel_base[side].GetWD(), own.filename(), own, load, found);
    }
    for (const MENUMESSAGE& m : load.messages)
        (void)error(m.text, m.detail.c_str());
    if (menu.entries.empty())
        return;
    MenuEntry* entry = Choose(menu, main ? L" Main Menu " : L" User Menu ", -1);
    if (entry)
        run_menu_entry(side, *entry);
}
