#ifndef PANNEX_PANELS_TESTS_PANEL_TREE_H
#define PANNEX_PANELS_TESTS_PANEL_TREE_H

#include "config/config.h"
#include "console/console.h"
#include "console/key_codes.h"
#include "fileops/tests/temp_dir.h"
#include "panels/panel.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <ostream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

// Wide names print as UTF-8 in failure messages.
inline void PrintTo(const Westring& s, std::ostream* os)
{
    *os << '"' << s.ToUTF8().c_str() << '"';
}

// A directory tree built by a test with fixed names, sizes and times.
class PanelTree : public TempDir
{
public:
    using TempDir::TempDir;

    // A file of size bytes modified at the given time (seconds since the
    // epoch).
    void file(const std::string& name, long long size, time_t mtime = 1700000000) const
    {
        int fd = open(sys(name).c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
        EXPECT_GE(fd, 0) << name;
        if (fd >= 0) {
            EXPECT_EQ(ftruncate(fd, size), 0);
            close(fd);
        }
        stamp(name, mtime);
    }
    void dir(const std::string& name, time_t mtime = 1700000000) const
    {
        EXPECT_EQ(mkdir(sys(name).c_str(), 0755), 0) << name;
        stamp(name, mtime);
    }
    void link(const std::string& name, const std::string& target) const
    {
        EXPECT_EQ(symlink(target.c_str(), sys(name).c_str()), 0) << name;
    }
    void stamp(const std::string& name, time_t mtime) const
    {
        struct timespec t[2] = {{mtime, 0}, {mtime, 0}};
        EXPECT_EQ(utimensat(AT_FDCWD, sys(name).c_str(), t, AT_SYMLINK_NOFOLLOW), 0) << name;
    }
    Westring root() const { return FileNameFromSys(path.c_str()); }
};

// The settings every panel test starts from, a panel height of 19 rows,
// and Escape for every message box that waits for a key.
inline void panel_test_settings()
{
    set_config_defaults(config);
    config.ScreenColumns = 80;
    config.ScreenRows = 25;
    config.PanelHeight = 19;
    console.Queue().Clear();
    console.Queue().SetFallbackKey(KEY_ESC);
}

// The names of the panel's entries in display order, joined by blanks.
inline std::string listed(const PANEL& p)
{
    std::string s;
    for (int i = 0; i < p.Count(); i++)
        s += (i ? " " : "") + std::string(FileNameToSys(Westring(p.entries[i]->name)).c_str());
    return s;
}

#endif
