#ifndef PANNEX_FILEOPS_DESCRIPTIONS_H
#define PANNEX_FILEOPS_DESCRIPTIONS_H

#include "foundation/estring.h"
#include "foundation/westring.h"

#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

// File descriptions: a directory may hold "descript.ion", one line per
// described entry, the entry's name first and its description after it.
// Copy, move and delete keep these lines with the entries they act on.
//
// Names are file-name bytes (FileNameToSys), compared exactly, so "\xe4"
// and "\xc3\xa4" are two names. Reading skips leading blanks; a name in
// double quotes runs to the closing quote, any other to the first blank.
// A bare name is also read the way shells quote it ("a\ b" is "a b"), and
// a line matches a name under either reading. Writing puts a name holding
// a blank or tab in double quotes; a name that holds CR or LF, or a quote
// where quotes would be needed, gets no line at all. Lines end in CR LF.
//
// Failures to read or write a description file are never the command's
// failure: callers may ignore every result here except to tell the user.

constexpr const char* DescriptionFileName = "descript.ion";
// Longest name a line may begin with, in characters.
constexpr int DescriptionNameMax = 260;
// Longest line that is looked at; longer lines are kept as they are.
constexpr size_t DescriptionLineMax = 4096;

// Splits one line (without its line end) into the name and the offset of
// the description, its leading blanks skipped. -1 when the line holds no
// usable name (empty, or a name over DescriptionNameMax characters).
// escaped, when given, receives the shell-quoted reading of a bare name
// holding a backslash (empty otherwise) and escapedRest its description.
int fname_from_desc(const std::string& line, std::string& name, std::string* escaped = nullptr,
                    size_t* escapedRest = nullptr);

// The descriptions of one directory, read once, changed in memory and
// written back once by Save.
class CDescriptionFile
{
public:
    CDescriptionFile() = default;
    CDescriptionFile(const CDescriptionFile&) = delete;
    CDescriptionFile& operator=(const CDescriptionFile&) = delete;
    ~CDescriptionFile();

    // Reads the description file of the directory dir (a descriptor the
    // caller keeps; a duplicate is held for Save). A missing file is an
    // empty one. 0, or the errno that made the directory or the file
    // unusable; the object is then empty and Save does nothing.
    [[nodiscard]] int Load(int dir);
    [[nodiscard]] int Load(const Westring& dir);

    // The description of name; false when it has none.
    bool Get(const std::string& name, std::string& text) const;
    // Gives name the description text in a new last line, replacing any
    // old one; false (and nothing changes) when name cannot be written.
    bool Set(const std::string& name, const std::string& text);
    // Removes every line of name; false when there was none.
    bool Remove(const std::string& name);
    bool Empty() const { return index.empty() && kept == 0; }
    // True when this is the file of the directory fd is open on.
    bool IsOf(int fd) const;

    // Writes the changes through a temporary beside the file and a rename,
    // keeping the file's mode and owner; deletes the file when no line is
    // left. A file this user may not write (or a link) is left alone. Only
    // one attempt is made: after a failure the object stays quiet. 0, or
    // the errno of that one attempt.
    [[nodiscard]] int Save();

private:
    struct Line
    {
        std::string raw;     // the line as read, or as Set made it
        std::string name;    // empty: the line names nothing
        std::string escaped; // the shell-quoted reading, when it differs
        size_t rest = 0, escapedRest = 0;
        bool gone = false;
    };
    void Add(std::string raw);

    std::vector<Line> lines;
    // Name -> the lines holding it (under either reading), in file order.
    std::unordered_map<std::string, std::vector<size_t>> index;
    // Lines that name nothing but are kept (too long, unreadable names).
    size_t kept = 0;
    int dir = -1;
    unsigned long dev = 0, ino = 0;
    bool existed = false, changed = false, quiet = false;
};

// The description files of every directory one command touches, each read
// on first use and written once by Flush. Directories are told apart by
// (st_dev, st_ino), so two spellings of one directory share a file.
class CDescriptionSet
{
public:
    // The file of directory dir (a path or a borrowed descriptor), loaded on
    // first use and owned by the set; null when the directory cannot be
    // opened.
    CDescriptionFile* Directory(const Westring& dir);
    CDescriptionFile* Directory(int dir);

    // The entry at path (directory part and name) takes the description of
    // src, keeps it when moved, or loses it; Write sets it.
    void Copy(const Westring& src, const Westring& dst);
    void Move(const Westring& src, const Westring& dst);
    void Delete(const Westring& path);
    void Write(const Westring& path, const std::string& text);

    // Saves every file that changed; the first error, or 0.
    [[nodiscard]] int Flush();

private:
    CDescriptionFile* Lookup(int fd);
    std::map<std::pair<unsigned long, unsigned long>, std::unique_ptr<CDescriptionFile>> files;
};

// The directory of path ("." for a bare name) and its last component as
// file-name bytes.
void SplitDescribedPath(const Westring& path, std::string& dir, std::string& name);

// The classic single-shot forms: each loads the one description file it
// needs and saves it at once.
// open_desc loads the file of path's directory into file and gives the
// name part of path.
[[nodiscard]] int open_desc(const Westring& path, std::string& name, CDescriptionFile& file);
// Removes path's line; returns 1 when the description file was deleted
// because it became empty, else 0.
int delete_desc(const Westring& path);
void write_desc(const Westring& path, const std::string& text);
// Gives destination the description source has in descfile (the loaded
// file of source's directory); nothing when it has none. When destination
// lies in the same directory, descfile itself takes the line and is saved,
// so that it cannot later write back a file without it.
void copy_desc(const Westring& source, const Westring& destination, CDescriptionFile& descfile);
// copy_desc, then the line goes from descfile, which is saved.
void move_desc(const Westring& source, const Westring& destination, CDescriptionFile& descfile);

#endif
