#include "config/ini_file.h"

#include "command/environment.h"
#include "command/scroll_back.h"
#include "config/associations.h"
#include "config/px_filename.h"
#include "console/console.h"
#include "console/keyboard.h"
#include "entries/mask_eval.h"
#include "fileops/file_system.h"
#include "foundation/std_file.h"
#include "foundation/wild.h"
#include "textui/message_box.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

const char* const section_headers[SectionCount] = {
    "[Archiver:ZIP]",   "[Archiver:RAR]",   "[Archiver:LHARC]",       "[Archiver:ARJ]",
    "[Archiver:ACE]",   "[Archiver:HA]",    "[Archiver:GZIP]",        "[Archiver:TAR]",
    "[Archiver:7ZIP]",  "[Archiver:BZIP2]", "[Associations]",         "[Viewer Associations]",
    "[Editor Associations]", "[Colours]",   "[Directory Colours]",    "[Environment]",
    "[General Options]",
};

ARCHIVER Archiver[10];
KeyedValueSet ConfEnvText;
void (*save_config_hook)() = nullptr;

namespace {

// px.ini lines are at most this long.
constexpr int LineSize = 4096;

} // namespace

const char* const archiver_keys[ARCHIVER::KeyCount] = {
    "Extract", "ExtractListfileSwitch", "Compress", "CompressListfileSwitch", "Delete", "CompressDirSpec",
    "ExtractDirSpec",
};
namespace {

// The order in which the keys are written.
const ARCHIVER::Key archiver_write_order[ARCHIVER::KeyCount] = {
    ARCHIVER::Compress, ARCHIVER::CompressListfileSwitch, ARCHIVER::Extract, ARCHIVER::ExtractListfileSwitch,
    ARCHIVER::Delete,   ARCHIVER::CompressDirSpec,        ARCHIVER::ExtractDirSpec,
};

enum OptionType { OptText, OptAscii, OptInt, OptSwitch, OptChar, OptTimeMode, OptSort, OptDetail, OptPanelType,
                  OptColours, OptNone };

// One general option: its key, how it is read and written, where it lives
// and, for numbers, the values it may take (anything else keeps the
// setting as it was).
struct OPTION
{
    const char* key;
    OptionType type;
    void* field;
    int min = 0, max = INT_MAX;
};

const OPTION options[] = {
    {"AutoIndent", OptSwitch, &config.AutoIndent},
    {"AutoSave", OptSwitch, &config.AutoSave},
    {"Background", OptText, &config.Background},
    {"BriefWordRight", OptSwitch, &config.BriefWordRight},
    {"CaseFilter", OptText, &config.CaseFilter},
    {"CaseMod", OptAscii, &config.CaseMod},
    {"CaseModRecurse", OptSwitch, &config.CaseModRecurse},
    {"CaseModDirs", OptSwitch, &config.CaseModDirs},
    {"CaseModFiles", OptSwitch, &config.CaseModFiles},
    {"Clock", OptSwitch, &config.Clock},
    {"CmdChar", OptChar, &config.CmdChar},
    {"CMPContents", OptSwitch, &config.CMPContents},
    {"CMPMask", OptText, &config.CMPMask},
    {"CMPSize", OptInt, &config.CMPSize},
    {"CMPTime", OptInt, &config.CMPTime},
    {"CMPUnmatched", OptSwitch, &config.CMPUnmatched},
    {"CodePage", OptInt, &config.CodePage, 0, 65535},
    {"Confirmations", OptInt, &config.Confirmations, 0, 31},
    {"ConsoleScrollback", OptSwitch, &config.ConsoleScrollback},
    {"ScrollbackLines", OptInt, &config.ScrollbackLines, 100, 1000000},
    {"CtrlRDriveChng", OptSwitch, &config.CtrlRDriveChng},
    {"DisableInvert", OptSwitch, &config.DisableInvert},
    {"Editor", OptText, &config.Editor},
    {"Editor2", OptText, &config.Editor2},
    {"EscPanelSwitch", OptSwitch, &config.EscPanelSwitch},
    {"ExpandedTrees", OptSwitch, &config.ExpandedTrees},
    {"FFRootSearch", OptSwitch, &config.FFRootSearch},
    {"FFRecurse", OptSwitch, &config.FFRecurse},
    {"FFCase", OptSwitch, &config.FFCase},
    {"FFWholeWord", OptSwitch, &config.FFWholeWord},
    {"FFMultiDrive", OptSwitch, &config.FFMultiDrive},
    {"FFDriveList", OptAscii, &config.FFDriveList},
    {"FFFollowLinks", OptSwitch, &config.FFFollowLinks},
    {"FontFamily", OptAscii, &config.FontFamily},
    {"FontSize", OptInt, &config.FontSize, 1, 400},
    {"FullScreen", OptSwitch, &config.FullScreen},
    {"Manual", OptNone, nullptr},
    {"Hidden", OptSwitch, &config.Hidden},
    {"IndentWidth", OptInt, &config.IndentWidth, 1, 1000},
    {"KeepExtVisible", OptSwitch, &config.KeepExtVisible},
    {"Left", OptText, &config.Left},
    {"Right", OptText, &config.Right},
    {"LeftFilter", OptText, &config.LeftFilter},
    {"RightFilter", OptText, &config.RightFilter},
    {"LeftSort", OptSort, &config.LeftSort},
    {"RightSort", OptSort, &config.RightSort},
    {"LeftStyle", OptDetail, &config.LeftStyle},
    {"RightStyle", OptDetail, &config.RightStyle},
    {"LeftShowing", OptSwitch, &config.LeftShowing},
    {"RightShowing", OptSwitch, &config.RightShowing},
    {"LeftType", OptPanelType, &config.LeftType},
    {"RightType", OptPanelType, &config.RightType},
    {"Lines", OptInt, &config.Lines, 0, 10000},
    {"Columns", OptInt, &config.Columns, 0, 10000},
    {"MaxHist", OptInt, &config.MaxHist, 0, 1000000},
    {"MouSpeed", OptInt, &config.MouSpeed},
    {"NumLock", OptSwitch, &config.NumLock},
    {"OverStrike", OptSwitch, &config.OverStrike},
    {"PathAppend", OptText, &config.PathAppend},
    {"PathPrompt", OptSwitch, &config.PathPrompt},
    {"XClipboard", OptSwitch, &config.XClipboard},
    {"RetainCount", OptSwitch, &config.RetainCount},
    {"Saver", OptInt, &config.Saver},
    {"ScrollDelay", OptInt, &config.ScrollDelay, 0, 10000},
    {"Shadows", OptSwitch, &config.Shadows},
    {"SizeCountPause", OptSwitch, &config.SizeCountPause},
    {"StartupSide", OptChar, &config.StartupSide},
    {"StickyAlt", OptSwitch, &config.StickyAlt},
    {"TabWidth", OptInt, &config.TabWidth},
    {"TagDirs", OptSwitch, &config.TagDirs},
    {"TextCodePage", OptInt, &config.TextCodePage, 0, 65535},
    {"TimeMode", OptTimeMode, &config.TimeMode},
    {"ThousandSep", OptSwitch, &config.ThousandSep},
    {"TranslateCP", OptAscii, &config.TranslateCP},
    {"TreeDir", OptText, &config.TreeDir},
    {"Use132", OptNone, nullptr},
    {"Viewer", OptText, &config.Viewer},
    {"Viewer2", OptText, &config.Viewer2},
    {"ViewerWrap", OptSwitch, &config.ViewerWrap},
    {"WaitShell", OptSwitch, &config.WaitShell},
    {"Colours", OptColours, config.Colours},
};

const char* const sort_names[10] = {"name", "extension", "time", "size", "unsorted",
                                    "rname", "rextension", "rtime", "rsize", "unsorted"};
// "tree" too: a panel left in tree detail opens in it again.
const char* const detail_names[6] = {"brief", "full", "wide", "briefwide", "unix", "tree"};
const char* const panel_type_names[2] = {"files", "info"};

AssociationSet& association_set(SectionType section)
{
    switch (section) {
    case SectionViewerAssociations:
        return viewAssociations;
    case SectionEditorAssociations:
        return editAssociations;
    case SectionColours:
        return colourAssociations;
    case SectionDirectoryColours:
        return colourDirAssociations;
    default:
        return execAssociations;
    }
}

// A whole decimal number within [min, max]; false for anything else.
bool parse_int(const char* text, int min, int max, int& out)
{
    errno = 0;
    char* end;
    long v = std::strtol(text, &end, 10);
    if (end == text || *end || errno == ERANGE || v < min || v > max)
        return false;
    out = static_cast<int>(v);
    return true;
}

void read_colours(const char* text)
{
    const char* p = text;
    for (int i = 0; i < ConfigColourCount; i++) {
        while (*p == ' ' || *p == '\t')
            p++;
        if (!*p)
            break;
        char* end;
        errno = 0;
        long v = std::strtol(p, &end, 10);
        if (end == p)
            break;
        // A number that is no attribute byte keeps that colour.
        if (errno == 0 && v >= 0 && v <= 255)
            config.Colours[i] = static_cast<unsigned char>(v);
        p = end;
    }
}

void set_option(const OPTION& o, const char* value)
{
    switch (o.type) {
    case OptText:
        static_cast<Westring*>(o.field)->FromUTF8(value);
        break;
    case OptAscii:
        *static_cast<Estring*>(o.field) = value;
        break;
    case OptInt:
        parse_int(value, o.min, o.max, *static_cast<int*>(o.field));
        break;
    case OptSwitch:
        *static_cast<bool*>(o.field) = strcasecmp(value, "on") == 0;
        break;
    case OptChar:
        if (*value)
            *static_cast<wchar_t*>(o.field) = Westring(value)[0];
        break;
    case OptTimeMode:
        *static_cast<int*>(o.field) = std::strcmp(value, "24") == 0 ? 24 : 12;
        break;
    case OptSort:
        *static_cast<sortby*>(o.field) = sort_type(value);
        break;
    case OptDetail:
        *static_cast<paneldetail*>(o.field) = det_type(value);
        break;
    case OptPanelType:
        *static_cast<paneltype*>(o.field) = panel_type(value);
        break;
    case OptColours:
        read_colours(value);
        break;
    case OptNone:
        break;
    }
}

Estring option_value(const OPTION& o)
{
    switch (o.type) {
    case OptText:
        return static_cast<Westring*>(o.field)->ToUTF8();
    case OptAscii:
        return *static_cast<Estring*>(o.field);
    case OptInt:
    case OptTimeMode:
        return IntToStr(static_cast<long>(*static_cast<int*>(o.field)));
    case OptSwitch:
        return *static_cast<bool*>(o.field) ? "on" : "off";
    case OptChar:
        return Westring(String(*static_cast<wchar_t*>(o.field), 1)).ToUTF8();
    case OptSort: {
        int s = *static_cast<sortby*>(o.field);
        return sort_names[s >= 0 && s < 10 ? s : 0];
    }
    case OptDetail: {
        int d = *static_cast<paneldetail*>(o.field);
        return detail_names[d >= 0 && d < 6 ? d : 1];
    }
    case OptPanelType:
        return panel_type_names[*static_cast<paneltype*>(o.field) == PanelInfo ? 1 : 0];
    case OptColours: {
        Estring r;
        for (int i = 0; i < ConfigColourCount; i++)
            r += IntToStr(static_cast<long>(config.Colours[i])) + " ";
        return r;
    }
    case OptNone:
        break;
    }
    return Estring();
}

const OPTION* find_option(const char* key)
{
    for (const OPTION& o : options)
        if (strcasecmp(o.key, key) == 0)
            return &o;
    return nullptr;
}

void report(const Westring& message, const Westring& detail)
{
    error(message, detail.empty() ? nullptr : detail.c_str(), 0);
}

// The settings read take effect: the limits of a few, then the screen.
void after_reading()
{
    if (config.MouSpeed == 0 || config.MouSpeed > 1000)
        config.MouSpeed = 8;
    if (config.Lines)
        config.ScreenRows = config.Lines;
    if (config.Columns)
        config.ScreenColumns = config.Columns;
    if (config.ScreenRows > 250)
        config.ScreenRows = 25;
    if (config.TabWidth < 1 || config.TabWidth > 8)
        config.TabWidth = 8;
    SetScrollBackOptions(config.ConsoleScrollback, config.ScrollbackLines);
    if (config.ScreenRows != console.Lines() || config.ScreenColumns != console.Columns() ||
        config.FontSize != console.FontSize() ||
        std::strcmp(config.FontFamily.c_str(), console.FontFamily().c_str()) != 0) {
        console.SetSize(config.ScreenColumns, config.ScreenRows, config.FontFamily, config.FontSize);
        if (screen_size_hook)
            screen_size_hook();
    }
}

// Appends a line with the given line end.
void put_line(Estring& out, const Estring& line, const char* eol = "\r\n")
{
    out += line;
    out += eol;
}

// The path the new contents are written to: the ini path itself, or, when
// that is a symbolic link, the file it names (so the link keeps working).
Estring save_target(const Estring& path)
{
    char resolved[PATH_MAX];
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode) && realpath(path.c_str(), resolved))
        return Estring(resolved);
    return path;
}

// Writes all of text to fd; 0 or the errno.
int write_all(int fd, const Estring& text)
{
    const char* p = text.c_str();
    size_t left = static_cast<size_t>(text.strlen());
    while (left > 0) {
        ssize_t n = write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return EIO;
        p += n;
        left -= static_cast<size_t>(n);
    }
    return 0;
}

// Writes text to target through a new file beside it, renamed over it
// once it is safely on the disk. 0 or the errno; the failing path is put
// in failed.
int replace_file(const Estring& target, const Estring& text, Estring& failed)
{
    int fd = -1;
    Estring tmp;
    // The user directory is made on the first save.
    Estring dir = FileNameToSys(FileNameFromSys(target.c_str()).path());
    if (!dir.empty())
        (void)mkdir(dir.c_str(), 0755);
    for (int attempt = 0; attempt < 100 && fd < 0; attempt++) {
        tmp = target + esprintf(".%d.%d.tmp", static_cast<int>(getpid()), attempt);
        fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0 && errno != EEXIST) {
            failed = tmp;
            return errno;
        }
    }
    if (fd < 0) {
        failed = tmp;
        return EEXIST;
    }
    // An existing file keeps its permissions.
    struct stat st;
    if (stat(target.c_str(), &st) == 0)
        (void)fchmod(fd, st.st_mode & 07777);
    int err = write_all(fd, text);
    if (!err && fsync(fd) != 0)
        err = errno;
    if (close(fd) != 0 && !err)
        err = errno;
    if (!err && rename(tmp.c_str(), target.c_str()) != 0)
        err = errno;
    if (err) {
        unlink(tmp.c_str());
        failed = target;
    }
    return err;
}

}

void trim(char* s)
{
    char* start = s;
    while (*start && std::isspace(static_cast<unsigned char>(*start)))
        start++;
    char* end = start + std::strlen(start);
    while (end > start && std::isspace(static_cast<unsigned char>(end[-1])))
        end--;
    std::memmove(s, start, static_cast<size_t>(end - start));
    s[end - start] = 0;
}

void despace(char* s)
{
    char* out = s;
    for (char* p = s; *p; p++)
        if (!std::isspace(static_cast<unsigned char>(*p)))
            *out++ = *p;
    *out = 0;
}

sortby sort_type(const char* text)
{
    for (int i = 0; i < 9; i++)
        if (strcasecmp(text, sort_names[i]) == 0)
            return static_cast<sortby>(i);
    return SortName;
}

paneldetail det_type(const char* text)
{
    for (int i = 0; i < 6; i++)
        if (strcasecmp(text, detail_names[i]) == 0)
            return static_cast<paneldetail>(i);
    return DetailFull;
}

paneltype panel_type(const char* text)
{
    return strcasecmp(text, "info") == 0 ? PanelInfo : PanelFiles;
}

Westring decide_ini_file(bool writing)
{
    if (!config.IniFile.empty() && (writing || FileExists(config.IniFile)))
        return config.IniFile;
    return PXFilename(PXConfig);
}

void config_line(char* line, SectionType& section, char reload, int line_number)
{
    trim(line);
    if (line[0] == '[') {
        for (int i = 0; i < SectionCount; i++)
            if (std::strcmp(line, section_headers[i]) == 0) {
                section = static_cast<SectionType>(i);
                return;
            }
    }

    char* sep;
    if (section >= SectionAssociations && section <= SectionDirectoryColours) {
        sep = std::strchr(line, ':');
    } else if (section == SectionGeneral) {
        sep = std::strpbrk(line, "=:");
    } else {
        sep = std::strchr(line, '=');
    }
    if (!sep)
        return;
    char separator = *sep;
    *sep = 0;
    char* key = line;
    char* value = sep + 1;
    trim(key);
    trim(value);

    if (separator == ':') {
        // An unknown archiver's header: its lines follow the section before.
        if (std::strncmp(key, "[Archiver", 9) == 0)
            return;
        Westring mask(key);
        if (mask_eval(mask.c_str(), L"test") < 0) {
            report(L"Syntax error in association", Westring(key) + L":" + Westring(value));
            return;
        }
        association_set(section).AddAssociation(mask, Westring(value));
        return;
    }

    if (section <= SectionArchiverLast) {
        ARCHIVER& a = Archiver[section];
        for (int k = 0; k < ARCHIVER::KeyCount; k++)
            if (strcasecmp(key, archiver_keys[k]) == 0) {
                a.value[k] = value;
            }
        return;
    }
    if (section == SectionEnvironment) {
        // The value is expanded for use, and kept as typed for writing; both
        // stay UTF-8.
        ConfEnvText.SetValue(key, value);
        Westring expanded = FileNameFromSys(value);
        SubstEnvVars(expanded);
        ConfEnv.Set(key, FileNameToSys(expanded).c_str());
        return;
    }
    if (reload)
        return;
    if (const OPTION* o = find_option(key)) {
        set_option(*o, value);
        return;
    }
    if (wild("d[0-9]", key) && !key[2]) {
        dirstore[key[1] - '0'].FromUTF8(value);
        return;
    }
    report(Westring(esprintf("Bad directive (%s) in px.ini, line %d", key, line_number).c_str()), Westring());
}

void configure(char reload)
{
    if (reload) {
        execAssociations.DestroyAll();
        viewAssociations.DestroyAll();
        editAssociations.DestroyAll();
        colourAssociations.DestroyAll();
        colourDirAssociations.DestroyAll();
        ConfEnv.Clear();
        ConfEnvText.DestroyAll();
    } else {
        set_config_defaults(config);
    }
    InitializeArchivers();

    StdFile f;
    int err = openini(f);
    if (err == 0) {
        SectionType section = SectionGeneral;
        int line_number = 0;
        char line[LineSize];
        while (f.gets(line, LineSize) == 0)
            config_line(line, section, reload, ++line_number);
        (void)f.close();
    } else if (err != ENOENT) {
        report(Westring(GetOSErrorMessage(err).c_str()), PXFilename(PXConfig));
    }
    if (!reload)
        after_reading();
}

void WriteAssociationSet(const AssociationSet& set, SectionType section, Estring& out)
{
    put_line(out, section_headers[section]);
    for (int i = 0; i < set.count; i++)
        put_line(out, set.At(i)->mask.ToUTF8() + ": " + set.At(i)->value.ToUTF8());
    put_line(out, "");
}

int openini(StdFile& f)
{
    return f.open(decide_ini_file(false).c_str(), StdFile::OpenRead, 0);
}

Estring config_text()
{
    Estring out;
    const SectionType association_sections[] = {SectionAssociations, SectionViewerAssociations,
                                                 SectionEditorAssociations, SectionColours, SectionDirectoryColours};
    for (SectionType s : association_sections)
        WriteAssociationSet(association_set(s), s, out);

    put_line(out, section_headers[SectionEnvironment], "\n");
    for (int i = 0; i < ConfEnvText.count; i++)
        put_line(out, ConfEnvText.At(i)->key + "=" + ConfEnvText.At(i)->value, "\n");
    put_line(out, "", "\n");

    for (int s = SectionArchiverFirst; s <= SectionArchiverLast; s++) {
        const ARCHIVER& a = Archiver[s];
        put_line(out, section_headers[s]);
        for (ARCHIVER::Key k : archiver_write_order)
            put_line(out, Estring(archiver_keys[k]) + "=" + a.value[k]);
        put_line(out, "");
    }

    put_line(out, section_headers[SectionGeneral]);
    for (const OPTION& o : options)
        if (o.type != OptNone)
            put_line(out, Estring(o.key) + "=" + option_value(o));
    put_line(out, "");
    for (int d = 0; d < 10; d++)
        if (!dirstore[d].empty())
            put_line(out, esprintf("d%d=", d) + dirstore[d].ToUTF8());
    return out;
}

int save_config()
{
    configure(1);
    if (config.Lines && config.Lines != console.Lines())
        config.Lines = console.Lines();
    if (save_config_hook)
        save_config_hook();

    Estring path = FileNameToSys(decide_ini_file(true));
    Estring failed;
    int err = replace_file(save_target(path), config_text(), failed);
    if (err)
        report(Westring(GetOSErrorMessage(err).c_str()), FileNameFromSys(failed.c_str()));
    return err;
}
