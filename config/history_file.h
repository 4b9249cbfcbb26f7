#ifndef PANNEX_CONFIG_HISTORY_FILE_H
#define PANNEX_CONFIG_HISTORY_FILE_H

#include "foundation/westring.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// px.hst: the command history and the dialogs' field histories, one record
// a line. A command is its text; a field text is its list number (0-11, one
// or two digits), the character 0x19 and the text. UTF-8 through the
// lossless file-name codec, so a command naming a file whose name is no
// valid UTF-8 names the same bytes after a restart. Written with CR LF,
// read with CR LF or LF.
//
// Every px of a user shares the file. Appends are one write under an
// exclusive flock on a descriptor opened with O_APPEND, so records of two
// instances never interleave; rewrites take the same lock, read the file as
// it is then, and replace it through a new file renamed over it, so that a
// crash or a full disk leaves the old file whole.

constexpr int HistMaxRecord = 4095;
constexpr wchar_t HistFieldSeparator = 0x19;
constexpr int HistFieldLists = 12;
// Texts of each field list a compaction keeps.
constexpr int HistKeepFieldTexts = 20;

// One record: list -1 for a command, else the field list.
struct HISTRECORD
{
    int list = -1;
    Westring text;
};

// Parses one line (without its line end): 0 with the record filled, or -1
// for a line that holds no record (a field list outside 0-11, a list number
// that is no number, an empty text, a line over HistMaxRecord bytes).
[[nodiscard]] int parse_hist_line(const char* line, size_t length, HISTRECORD& out);

// The bytes of a record, CR LF included; empty when the text cannot be
// read back as the same single record (it holds CR or LF, it is longer
// than HistMaxRecord bytes, or a command would read as a field record), so
// such a text stays in memory only.
std::string hist_record_line(int list, const Westring& text);

// The histories a file's text gives: each text once, at the position of its
// last use, oldest first, as views of the text's bytes (which must outlive
// them; hist_text decodes one). O(n log n) in the number of lines.
struct HISTLOAD
{
    std::vector<std::string_view> commands;
    std::vector<std::string_view> fields[HistFieldLists];
    // Command records read, repetitions included.
    long command_lines = 0;
};
void load_hist_text(const char* data, size_t size, HISTLOAD& out);
// A record's text as the program holds it (the lossless name codec).
Westring hist_text(std::string_view bytes);

// The whole file as a compaction writes it: the newest max_hist commands,
// oldest first, then for each list 0-11 its last HistKeepFieldTexts texts.
std::string compact_hist_text(const HISTLOAD& load, int max_hist);

// Appends bytes (whole records) to the file at path, creating it 0600. 0 or
// the errno.
[[nodiscard]] int hist_append(const Westring& path, const std::string& bytes);

// Under the file's lock: reads it as it is now and, unless rewrite returns
// false, replaces it with what rewrite put in out. A new file is written
// beside the real file (a symbolic link stays a link to it) with the old
// mode, flushed to disk and renamed over it; on any failure the old file
// stays as it was and the new one is removed. A missing file reads as
// empty and is created only when rewrite returns true. 0 or the errno.
using HistRewrite = std::function<bool(const std::string& current, std::string& out)>;
[[nodiscard]] int hist_rewrite(const Westring& path, const HistRewrite& rewrite);

#endif
