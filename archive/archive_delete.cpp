#include "archive/archive_commands.h"

#include "archive/archive.h"
#include "archive/archive_extract.h"
#include "config/ini_file.h"
#include "fileops/file_system.h"
#include "panels/change_dir.h"
#include "panels/panel.h"
#include "textui/message_box.h"

#include <string>

namespace {

// arj and lha take the names of a delete as patterns and have no way to
// name "*" itself: such a member is refused rather than deleting others.
bool pattern_only_deleter(int type)
{
    return type == ArchArj || type == ArchLharc;
}

bool has_pattern_character(const Westring& name)
{
    for (int i = 0; i < name.strlen(); i++)
        if (name[i] == L'*' || name[i] == L'?' || name[i] == L'[')
            return true;
    return false;
}

} // namespace

void ArchiveDelete(PANEL* panel)
{
    if (!panel->archive)
        return;
    Archive& archive = *panel->archive;
    Westring command(Archiver[archive.type].value[ARCHIVER::Delete].c_str());
    if (command.trim().empty()) {
        error(Westring(esprintf("Deleting from %s not supported", archive.GetArchTypeName()).c_str()));
        return;
    }
    std::vector<entry*> chosen = chosen_entries(panel);
    std::vector<ArchiveItem> items;
    std::vector<entry*> used;
    Westring skipped;
    chosen_members(panel, chosen, items, used, skipped);
    report_unsafe(skipped);
    if (pattern_only_deleter(archive.type)) {
        std::vector<ArchiveItem> kept;
        for (const ArchiveItem& item : items) {
            if (has_pattern_character(item.name))
                error(Westring(esprintf("%s matches names as patterns and cannot delete:", archive.GetArchTypeName())
                                   .c_str()),
                      item.name.c_str());
            else
                kept.push_back(item);
        }
        items.swap(kept);
    }
    if (items.empty())
        return;
    int result;
    {
        Westring saved = PxGetCwd();
        (void)cdd(panel->GetWD());
        result = ExecMultiFile(command, archive.archivePath, Westring(), items, archive.type, ArchiveOpCompress);
        (void)cdd(saved);
    }
    if (result > 0)
        error(L"An error occurred updating",
              (archive.archivePath + L" (" + Westring(std::to_string(result).c_str()) + L")").c_str());
    Westring left;
    if (reload_archive(panel, &left) != 0) {
        change_dir(panel, L"");
        goto_fname(panel, left.c_str());
    }
}
