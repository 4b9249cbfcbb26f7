#ifndef PANNEX_ARCHIVE_TESTS_ARCHIVE_TEST_SUPPORT_H
#define PANNEX_ARCHIVE_TESTS_ARCHIVE_TEST_SUPPORT_H

#include "archive/archive.h"
#include "foundation/tests/temp_dir.h"

#include <string>
#include <vector>

// Keeps the messages an archive reports instead of showing them.
struct RecordingUI : CArchiveUI
{
    std::vector<std::string> messages;
    bool stop = false;
    void Message(const Westring& message, const Westring&) override { messages.push_back(message.ToUTF8().c_str()); }
    bool Stopped() override { return stop; }
};

inline std::string utf8(const wchar_t* s)
{
    return Westring(s).ToUTF8().c_str();
}

inline std::string utf8(const Westring& s)
{
    return s.ToUTF8().c_str();
}

// One member as a line: "D path" for a directory, "F path/name size" for
// a file, with " unsafe", " link" and " ./" (dot-slash) marks.
inline std::string describe(const ArchiveEntry& e)
{
    std::string full = utf8(e.path);
    if (e.name_length) {
        if (!full.empty())
            full += "/";
        full += utf8(e.name);
    }
    std::string s = e.IsDirectory() ? "D " + full : "F " + full + " " +
                    (e.size == ArchiveSizeUnknown ? std::string("?") : std::to_string(e.size));
    if (e.unsafe)
        s += " unsafe";
    if (e.link)
        s += " link";
    if (e.dotslash)
        s += " ./";
    return s;
}

inline std::vector<std::string> describe_all(const Archive& a)
{
    std::vector<std::string> lines;
    for (int i = 0; i < a.Entries().Count(); i++)
        lines.push_back(describe(*a.Entries().At(i)));
    return lines;
}

// The names of one directory's listing, "/" after directories.
inline std::vector<std::string> list_dir(Archive& a, const wchar_t* dir)
{
    std::vector<std::string> names;
    ArchiveListEntry e;
    if (a.FindFirst(dir, e) != 0)
        return {"(none)"};
    do
        names.push_back(utf8(e.name) + (e.IsDirectory() ? "/" : ""));
    while (a.FindNext(e) == 0);
    return names;
}

#endif
