#include "archive/archive_commands.h"

#include "archive/archive.h"
#include "config/ini_file.h"
#include "console/colours.h"
#include "fileops/file_system.h"
#include "fileops/path_grammar.h"
#include "panels/panel.h"
#include "panels/read_panel.h"
#include "textui/dialog.h"
#include "textui/field_history.h"
#include "textui/message_box.h"
#include "textui/textui_settings.h"

#include <cwchar>
#include <string>
#include <sys/stat.h>

namespace {

// The type chosen last, for the next Shift+F7 of this run.
int chosen_type = ArchZip;

bool ends_with(const Westring& text, const wchar_t* tail)
{
    int n = static_cast<int>(std::wcslen(tail));
    return text.strlen() >= n && std::wcscmp(text.c_str() + text.strlen() - n, tail) == 0;
}

Westring proposed_name(PANEL* panel)
{
    PANEL* other = &panel_base[1 - panel_side(panel)];
    Westring name;
    if (other->showing && other->type != PanelInfo) {
        // Inside an archive the other panel's path is no place for a file.
        name = other->archive ? other->GetWD() : other->path;
        if (name.empty() || name[name.strlen() - 1] != L'/')
            name += L'/';
    }
    entry* e = panel->Current();
    Westring base = !e || e->IsUpDir() ? Westring(L"archive") : Westring(e->name);
    int dot = base.rchr(L'.');
    // A name that is all extension (".profile") keeps it.
    if (dot > 0)
        base = base.left(dot);
    return name + base;
}

// The dialog; RESULT_ACCEPT with the name and the type.
int ask(Westring& name, int& type)
{
    Dialog d(-1, -3, 70, 7, ui_colour(ColourMessages));
    d.PutCentre(-1, L" Compress Files ");
    d.AddStaticText(1, 0, "Archive Name:");
    int field = d.AddStringField(1, 1, 1, name, 44, 512, HistoryArchiveName);
    static const char* const labels[ArchTypeCount] = {"_ZIP", "_RAR", "_LHARC", "_ARJ", "A_CE",
                                                      "_HA",  "_GZIP", "_TAR", "_7ZIP", "_BZIP2"};
    for (int t = 0; t < ArchTypeCount; t++)
        d.AddRadioButton(t < 5 ? 48 : 58, t % 5, t == 0 ? 2 : 0, type, t, labels[t]);
    d.AddPushButton(12, 3, 3, RESULT_ACCEPT, "_OK");
    d.AddPushButton(20, 3, 0, RESULT_CANCEL, "Cancel");
    d.ChangeFocus(field);
    int r = d.Process();
    name = name.trim();
    return r;
}

} // namespace

void MakeArchive(PANEL* panel)
{
    if (panel->archive || panel->type != PanelFiles || panel->Count() == 0)
        return;
    entry* current = panel->Current();
    if (panel->tagged_count == 0 && (!current || current->IsUpDir()))
        return;
    Westring name = proposed_name(panel);
    int type = chosen_type;
    if (ask(name, type) != RESULT_ACCEPT || name.empty())
        return;
    chosen_type = type;
    const char* type_name = Archive::TypeName(type);
    if ((type == ArchGzip || type == ArchBzip2) && panel->tagged_count > 1) {
        error(Westring(esprintf("%s archives cannot contain multiple files", type_name).c_str()));
        return;
    }
    if (type == ArchGzip && !ends_with(name, L".gz") && !ends_with(name, L".tgz"))
        name += L".gz";
    if (type == ArchTar && !ends_with(name, L".tar"))
        name += L".tar";
    if (type == ArchBzip2 && !ends_with(name, L".bz2") && !ends_with(name, L".tbz"))
        name += L".bz2";
    Westring command(Archiver[type].value[ARCHIVER::Compress].c_str());
    if (command.trim().empty()) {
        error(Westring(esprintf("Adding to %s not supported", type_name).c_str()));
        return;
    }
    // A relative name lies in the panel's directory; made absolute, it can
    // never pass for an option of the archiver.
    if (ResolvePath(name, panel->path.c_str()) != 0) {
        error(L"Invalid path", name.c_str());
        return;
    }
    struct stat st;
    if (stat(FileNameToSys(name).c_str(), &st) == 0) {
        bool single = type == ArchGzip || type == ArchBzip2;
        char a = error(single ? L"The file exists. Overwrite it?" : L"The archive exists. Add to it?", name.c_str(),
                       MB_OK_CANCEL);
        if (a != ANSWER_YES)
            return;
    }
    std::vector<entry*> chosen = chosen_entries(panel);
    std::vector<ArchiveItem> items;
    for (entry* e : chosen) {
        ArchiveItem item;
        item.name = e->name;
        item.directory = e->IsDirectory();
        item.file = true;
        items.push_back(item);
    }
    int result;
    {
        Westring saved = PxGetCwd();
        (void)cdd(panel->path);
        result = ExecMultiFile(command, name, Westring(), items, type, ArchiveOpCompress);
        (void)cdd(saved);
    }
    if (result > 0)
        error(L"An error occurred updating", (name + L" (" + Westring(std::to_string(result).c_str()) + L")").c_str());
    panel_refresh();
}
