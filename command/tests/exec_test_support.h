#ifndef PANNEX_COMMAND_TESTS_EXEC_TEST_SUPPORT_H
#define PANNEX_COMMAND_TESTS_EXEC_TEST_SUPPORT_H

#include "command/environment.h"
#include "config/config.h"
#include "console/console.h"
#include "console/key_codes.h"
#include "entries/entry.h"
#include "panels/panel.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

inline void PrintTo(const Westring& s, std::ostream* os)
{
    *os << '"' << FileNameToSys(s).c_str() << '"';
}

inline std::string narrow(const Westring& s)
{
    return FileNameToSys(s).c_str();
}

// Fills a panel without reading a directory: path, entries by byte name,
// the cursor on entry `current`, the entries listed in `tagged` tagged.
inline void set_panel(PANEL& p, const std::string& path, const std::vector<std::string>& names, int current = 0,
                      const std::vector<int>& tagged = {})
{
    p.entries.Clear();
    p.path = FileNameFromSys(path.c_str());
    p.prev_path = p.path;
    p.top = 0;
    p.cursor = current;
    p.page_size = 1000;
    p.tagged_count = 0;
    p.tagged_bytes = 0;
    p.type = PanelFiles;
    p.detail = DetailFull;
    for (const std::string& n : names) {
        entry* e = entry::Create(FileNameFromSys(n.c_str()));
        e->mode = 0100644;
        p.entries.Append(e);
    }
    for (int i : tagged) {
        p.entries[i]->tagged = 1;
        p.tagged_count++;
    }
}

inline int tags_left(const PANEL& p)
{
    int n = 0;
    for (int i = 0; i < p.Count(); i++)
        n += p.entries[i]->tagged ? 1 : 0;
    EXPECT_EQ(n, p.tagged_count);
    return n;
}

// Settings every command test starts from; message boxes read Esc.
inline void exec_test_settings()
{
    set_config_defaults(config);
    console.Queue().Clear();
    console.Queue().SetFallbackKey(KEY_ESC);
    ConfEnv.Clear();
    SessionEnv.Clear();
}

#endif
