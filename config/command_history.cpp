#include "config/command_history.h"

#include "config/config.h"
#include "config/history_file.h"
#include "config/px_filename.h"
#include "textui/field_history.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>

TObjectStore<Westring> history;
Westring history_file;

namespace {

// history_longest's memory: the longest length and the count it held for;
// -1 when it must be measured again.
int longest = -1;
int longest_count = 0;

// Appends one record; texts that would not read back as the same record
// stay in memory only.
void write_record(int list, const Westring& text)
{
    if (history_file.empty())
        return;
    std::string line = hist_record_line(list, text);
    if (!line.empty())
        (void)hist_append(history_file, line);
}

// The field histories of the dialogs, each new text also appended to the
// history file.
class CFileFieldHistory : public CFieldHistory
{
public:
    void Add(int list, const Westring& text) override
    {
        CFieldHistory::Add(list, text);
        if (list >= 0 && list < HistFieldLists)
            write_record(list, text);
    }
};

CFileFieldHistory file_field_history;

void drop_equal(const wchar_t* command)
{
    for (int i = history.count - 1; i >= 0; i--)
        if (std::wcscmp(history.At(i)->c_str(), command) == 0) {
            history[i];
            history.DestroyCurrent();
        }
}

}

void init_history()
{
    init_history(PXFilename(PXHistory), config.MaxHist);
}

void init_history(const Westring& path, int max_hist)
{
    history_file = path;
    field_history = &file_field_history;
    HISTLOAD load;
    std::string text;
    // The file is read under its lock, and compacted in the same locked
    // spell, so that no record another px appends meanwhile is lost.
    (void)hist_rewrite(path, [&](const std::string& current, std::string& out) {
        text = current;
        load_hist_text(text.data(), text.size(), load);
        if (max_hist < 1 || load.command_lines <= max_hist)
            return false;
        out = compact_hist_text(load, max_hist);
        return true;
    });
    history.DestroyAll();
    history_changed();
    size_t n = load.commands.size();
    size_t first = max_hist >= 1 && n > static_cast<size_t>(max_hist) ? n - static_cast<size_t>(max_hist) : 0;
    for (size_t i = first; i < n; i++)
        history.AddObject(new Westring(hist_text(load.commands[i])));
    for (int list = 0; list < HistFieldLists; list++) {
        std::vector<Westring> texts;
        texts.reserve(load.fields[list].size());
        for (std::string_view t : load.fields[list])
            texts.push_back(hist_text(t));
        file_field_history.Assign(list, std::move(texts));
    }
}

void add_hist(const wchar_t* command, char loading)
{
    while (*command && std::iswspace(static_cast<wint_t>(*command)))
        command++;
    if (!*command)
        return;
    int before = history.count;
    drop_equal(command);
    bool known = longest >= 0 && longest_count == before;
    history.AddObject(new Westring(command));
    if (known) {
        longest = std::max(longest, history.At(history.count - 1)->strlen());
        longest_count = history.count;
    }
    if (!loading)
        write_record(-1, Westring(command));
}

int history_longest()
{
    if (longest < 0 || longest_count != history.count) {
        longest = 0;
        for (int i = 0; i < history.count; i++)
            longest = std::max(longest, history.At(i)->strlen());
        longest_count = history.count;
    }
    return longest;
}

void history_changed()
{
    longest = -1;
}

void AddFieldHist(const wchar_t* text, int list, bool loading)
{
    if (loading)
        field_history->CFieldHistory::Add(list, text);
    else
        field_history->Add(list, text);
}

void WriteHistLine(const wchar_t* line)
{
    Westring text(line);
    Estring bytes = FileNameToSys(text);
    HISTRECORD r;
    if (parse_hist_line(bytes.c_str(), static_cast<size_t>(bytes.strlen()), r) == 0 && r.list >= 0)
        write_record(r.list, r.text);
    else
        write_record(-1, text);
}

int RemoveFromHistory(const Westring& command)
{
    if (history_file.empty())
        return 0;
    return hist_rewrite(history_file, [&](const std::string& current, std::string& out) {
        bool removed = false;
        size_t start = 0;
        while (start < current.size()) {
            size_t end = current.find('\n', start);
            if (end == std::string::npos)
                end = current.size();
            size_t len = end - start;
            if (len > 0 && current[start + len - 1] == '\r')
                len--;
            HISTRECORD r;
            if (parse_hist_line(current.data() + start, len, r) == 0 && r.list < 0 &&
                std::wcscmp(r.text.c_str(), command.c_str()) == 0) {
                removed = true;
            } else if (len > 0) {
                out.append(current, start, len);
                out += "\r\n";
            }
            start = end + 1;
        }
        return removed;
    });
}
