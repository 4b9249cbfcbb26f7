#include "command/completion.h"

#include "command/process.h"
#include "command/quote_name.h"
#include "config/config.h"
#include "console/colours.h"
#include "console/console.h"
#include "console/key_codes.h"
#include "fileops/path_grammar.h"
#include "foundation/nls.h"
#include "panels/command_line.h"
#include "panels/panel.h"
#include "textui/dialog.h"
#include "textui/textui_settings.h"

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The length of the beginning a and b share.
int common_length(const Westring& a, const Westring& b)
{
    int n = 0;
    while (a[n] && a[n] == b[n])
        n++;
    return n;
}

}

CFileNameCompletion::CFileNameCompletion(const Westring& base, const Westring& path_append)
    : base(base), path_append(path_append)
{
}

void CFileNameCompletion::CheckName(const Westring& name, bool dir, Westring& result)
{
    if (fncompare(name.c_str(), L".") == 0 || fncompare(name.c_str(), L"..") == 0)
        return;
    if (fncomparen(name.c_str(), prefix.c_str(), static_cast<size_t>(prefix_length)) != 0 ||
        name.strlen() < prefix_length)
        return;
    Westring match = dir ? name + L"/" : name;
    // The same program in two directories of the path is one match.
    for (int i = 0; i < matches.count; i++)
        if (fncompare(matches.At(i)->c_str(), match.c_str()) == 0)
            return;
    matches.AddObject(new Westring(match));
    longest = std::max(longest, match.strlen());
    if (matches.count == 1) {
        result = match;
        unique = true;
    } else {
        unique = false;
        result = result.left(common_length(result, match));
    }
}

void CFileNameCompletion::CheckDirectory(const Westring& dir, Westring& result, bool programs)
{
    Estring sys = FileNameToSys(dir);
    DIR* d = opendir(sys.c_str());
    if (!d)
        return;
    while (dirent* de = readdir(d)) {
        Estring full = sys + "/" + de->d_name;
        struct stat st;
        bool is_dir = stat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        if (programs && (is_dir || stat(full.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || access(full.c_str(), X_OK) != 0))
            continue;
        CheckName(FileNameFromSys(de->d_name), is_dir, result);
    }
    closedir(d);
}

bool CFileNameCompletion::decide(Westring& result)
{
    // Name order, so that the list reads as a directory listing does.
    std::vector<Westring> sorted;
    for (int i = 0; i < matches.count; i++)
        sorted.push_back(*matches.At(i));
    std::sort(sorted.begin(), sorted.end(),
              [](const Westring& a, const Westring& b) { return fncompare(a.c_str(), b.c_str()) < 0; });
    matches.DestroyAll();
    for (const Westring& m : sorted)
        matches.AddObject(new Westring(m));

    if (result.strlen() > prefix_length) {
        result = directory + result;
        return true;
    }
    if (matches.count == 1) {
        result = directory + *matches.At(0);
        unique = true;
        return true;
    }
    if (matches.count > 1)
        return PickMatch(result);
    return false;
}

bool CFileNameCompletion::CompleteFilename(const Westring& word, Westring& result)
{
    int slash = word.rchr(L'/');
    Westring dir;
    if (slash >= 0) {
        no_directory = false;
        directory = word.left(slash + 1);
        prefix = word.mid(slash + 1, 0);
        dir = slash == 0 ? Westring(L"/") : word.left(slash);
    } else {
        no_directory = true;
        directory = Westring();
        prefix = word;
        dir = L".";
    }
    prefix_length = prefix.strlen();
    if (ResolvePath(dir, base.c_str()) != 0)
        return false;
    result = Westring();
    CheckDirectory(dir, result, false);
    return decide(result);
}

bool CFileNameCompletion::CompleteProgramName(const Westring& word, Westring& result)
{
    if (word.chr(L'/') >= 0)
        return CompleteFilename(word, result);
    no_directory = true;
    directory = Westring();
    prefix = word;
    prefix_length = prefix.strlen();
    result = Westring();
    TObjectStore<Westring> dirs;
    GetPaths(dirs, path_append);
    for (int i = 0; i < dirs.count; i++) {
        Westring d = *dirs.At(i);
        if (ResolvePath(d, base.c_str()) == 0)
            CheckDirectory(d, result, true);
    }
    return decide(result);
}

bool CFileNameCompletion::PickMatch(Westring& result)
{
    int cols = console.Columns(), lines = console.Lines();
    int width = std::min(longest + 4, cols - 6);
    int height = std::min(matches.count + 2, lines - 4);
    int selection = 0;
    int r;
    {
        Dialog dlg(-1, -2, width, height, ui_colour(ColourMenu));
        int list = dlg.AddListBox(0, 0, 1, width - 2, height - 2, matches, selection, RESULT_ACCEPT);
        dlg.AddExitKey(KEY_CTRL_RETURN);
        dlg.SetSeekValue(list, prefix);
        r = dlg.Process();
    }
    if ((r != RESULT_ACCEPT && r != KEY_CTRL_RETURN) || selection < 0 || selection >= matches.count)
        return false;
    result = directory + *matches.At(selection);
    unique = true;
    return true;
}

bool FileCompletion(Westring& line, int& cursor, const Westring& dir, const Westring& path_append)
{
    int end = std::min(cursor, line.strlen());
    Westring word;
    int start = 0;
    for (int i = 0; i < end; i++) {
        wchar_t c = line[i];
        if (c == L'\\' && i + 1 < end) {
            word += line[++i];
        } else if (c == L' ' || c == L'<' || c == L'>') {
            word = Westring();
            start = i + 1;
        } else {
            word += c;
        }
    }
    if (start >= end)
        return false;
    CFileNameCompletion completion(dir, path_append);
    Westring result;
    bool ok = start == 0 ? completion.CompleteProgramName(word, result) : completion.CompleteFilename(word, result);
    if (!ok)
        return false;
    Westring insert = QuoteName(result);
    if (completion.unique && result[result.strlen() - 1] != L'/')
        insert += L' ';
    Westring changed = line.left(start) + insert + line.mid(end, 0);
    if (changed.strlen() >= MaxCommandLine)
        return false;
    line = changed;
    cursor = start + insert.strlen();
    return true;
}

bool FileCompletion(Westring& line, int& cursor, PANEL* panel)
{
    return FileCompletion(line, cursor, panel->GetWD(), config.PathAppend);
}
