#include "fileops/attributes_dialog.h"

#include "console/console.h"
#include "console/key_codes.h"
#include "entries/entry.h"
#include "fileops/file_system.h"
#include "fileops/panel_entries.h"
#include "fileops/permissions.h"
#include "panels/panel.h"
#include "textui/message_box.h"
#include "textui/string_field.h"
#include "textui/textui_settings.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int FieldOwner = 12;
constexpr int FieldGroup = 13;

// The mode bit of a cell: row 0 user, 1 group, 2 other; column 0 read,
// 1 write, 2 execute, 3 the row's special bit.
unsigned cell_bit(int row, int column)
{
    if (column == 3)
        return 04000u >> row;
    return (0400u >> column) >> (3 * row);
}

// The owner and group fields: the digits 0-7 set the special bits from
// there, so the field leaves them to the dialog.
class COwnerField : public StringField
{
public:
    COwnerField(Dialog& d, int x, int y, Westring& text) : StringField(d, x, y, text, 8, 20, NoHistory) {}

protected:
    bool Accepts(int k) const override { return k < '0' || k > '7'; }
};

const PushButtonData Buttons[] = {
    {RESULT_ACCEPT, "_OK"},
    {RESULT_CANCEL, "Cancel"},
    {KEY_F1, "Help"},
    {0, nullptr},
};

}

CFileAttributeDialog::CFileAttributeDialog(PANEL* panel, std::vector<entry*> chosen, bool tagged)
    : Dialog(-1, -2, 45, 10, ui_colour(ColourMessages)), panel(panel), entries(std::move(chosen)), tagged(tagged)
{
    const entry* one = tagged ? nullptr : entries.front();
    for (int row = 0; row < 3; row++)
        for (int column = 0; column < 4; column++) {
            char& cell = cells[row * 4 + column];
            cell = one ? ((one->mode & cell_bit(row, column)) != 0) : 1;
            char group = column == 0 ? 1 : 0;
            if (tagged)
                AddCheckBox3S(8 + 4 * column, 3 + row, group, cell, "", 1);
            else
                AddCheckBox(8 + 4 * column, 3 + row, group, cell, "", 1);
        }
    if (one) {
        owner = owner0 = UID2Str(one->uid);
        group = group0 = GID2Str(one->gid);
    }
    Add(std::make_unique<COwnerField>(*this, 34, 3, owner), 1);
    Add(std::make_unique<COwnerField>(*this, 34, 4, group), 1);
    first_button = AddPushButtonGroup(-1, -1, 1, Buttons);
    // The digits and letters the dialog takes for itself; the capitals
    // first, so that a capital never presses its small letter's key.
    for (int key : {'0', '1', '2', '3', '4', '5', '6', '7', 'R', 'W', 'X', 'S', 'r', 'w', 'x', 's'})
        AddExitKey(key);

    put_frame_title(*this, " File  Attributes ");
    if (one)
        AddStaticText(-1, 0, shorten(one->name, 43).c_str());
    AddStaticText(8, 2, " R   W   X   S");
    AddStaticText(1, 3, "User");
    AddStaticText(1, 4, "Group");
    AddStaticText(1, 5, "Other");
    AddStaticText(28, 3, "Owner");
    AddStaticText(28, 4, "Group");
}

void CFileAttributeDialog::DrawRow(int row)
{
    for (int column = 0; column < 4; column++)
        Draw(row * 4 + column);
}

bool CFileAttributeDialog::ApplyKey(int key)
{
    // Rows of four in focus order; the owner and group fields make row 3.
    int row = Focus() < FieldOwner ? Focus() / 4 : Focus() <= FieldGroup ? 3 : -1;
    char on = tagged ? 2 : 1;
    int states = tagged ? 3 : 2;
    if (key >= '0' && key <= '7') {
        int digit = key - '0';
        if (row < 3) {
            for (int column = 0; column < 3; column++)
                cells[row * 4 + column] = (digit & (4 >> column)) ? on : 0;
            DrawRow(row);
        } else if (row == 3) {
            // From the owner or group field a digit sets the special bits.
            for (int r = 0; r < 3; r++) {
                cells[r * 4 + 3] = (digit & (4 >> r)) ? on : 0;
                Draw(r * 4 + 3);
            }
        } else {
            return false;
        }
        // On to the next row of four; after the owner and group fields,
        // to OK.
        int next = (row + 1) * 4;
        ChangeFocus(next <= FieldOwner ? next : first_button);
        return true;
    }
    static const char letters[] = "rwxs";
    for (int column = 0; column < 4; column++) {
        if (key == letters[column]) {
            if (row < 0 || row >= 3)
                return false;
            char& cell = cells[row * 4 + column];
            cell = static_cast<char>((cell + 1) % states);
            Draw(row * 4 + column);
            return true;
        }
        if (key == letters[column] - 'a' + 'A') {
            if (row == 3)
                return false;
            // The whole column follows the User row's next state.
            char next = static_cast<char>((cells[column] + 1) % states);
            for (int r = 0; r < 3; r++) {
                cells[r * 4 + column] = next;
                Draw(r * 4 + column);
            }
            return true;
        }
    }
    return false;
}

unsigned CFileAttributeDialog::UpdateMode(unsigned mode) const
{
    for (int row = 0; row < 3; row++)
        for (int column = 0; column < 4; column++) {
            unsigned bit = cell_bit(row, column);
            char cell = cells[row * 4 + column];
            if (cell == 0)
                mode &= ~bit;
            else if (cell == 2 || !tagged)
                mode |= bit;
        }
    return mode;
}

int CFileAttributeDialog::UpdateOwner(const entry&, uid_t& uid, gid_t& gid) const
{
    uid = NoUID;
    gid = NoGID;
    // Only a field the user changed names an owner or group to give; a
    // field left as it was never chowns.
    if (!owner.empty() && fncompare(owner.c_str(), owner0.c_str()) != 0) {
        uid = Str2UID(owner);
        if (uid == NoUID) {
            error(L"Invalid user", owner.c_str());
            return -1;
        }
    }
    if (!group.empty() && fncompare(group.c_str(), group0.c_str()) != 0) {
        gid = Str2GID(group);
        if (gid == NoGID) {
            error(L"Invalid group", group.c_str());
            return -1;
        }
    }
    return 0;
}

int CFileAttributeDialog::UpdateAttributes(const Westring& path, entry& e, unsigned mode, uid_t uid, gid_t gid)
{
    Estring sys = FileNameToSys(path);
    int result = 0;
    for (;;) {
        int err = 0;
        // chown first: it clears set-user-id and set-group-id, which the
        // chmod after it then sets as asked.
        if ((uid != NoUID || gid != NoGID) && chown(sys.c_str(), uid, gid) != 0)
            err = errno;
        if (err == 0 && chmod(sys.c_str(), mode & 07777) != 0)
            err = errno;
        if (err == 0)
            break;
        char answer = error(Westring(GetOSErrorMessage(err).c_str()), path.c_str(), MB_RETRY_SKIP_CANCEL);
        if (answer == 'r')
            continue;
        if (answer != 's')
            return -1;
        result = 1;
        break;
    }
    // The panel shows what the file really has now.
    struct stat own, target;
    if (lstat(sys.c_str(), &own) == 0) {
        bool link = S_ISLNK(own.st_mode);
        bool reached = link && stat(sys.c_str(), &target) == 0;
        const struct stat& st = reached ? target : own;
        e.mode = static_cast<unsigned short>(st.st_mode & 0xFFFF);
        e.uid = st.st_uid;
        e.gid = st.st_gid;
        e.attributes = EntryAttributes(Westring(e.name), own, reached ? &target : nullptr);
    }
    return result;
}

int CFileAttributeDialog::UpdateAttributes()
{
    for (entry* e : entries) {
        uid_t uid;
        gid_t gid;
        if (UpdateOwner(*e, uid, gid) != 0)
            return -1;
        if (UpdateAttributes(entry_path(panel, e), *e, UpdateMode(e->mode), uid, gid) < 0)
            return -1;
    }
    return 0;
}

int CFileAttributeDialog::Run()
{
    for (;;) {
        int r = Process();
        if (r == RESULT_ACCEPT) {
            if (UpdateAttributes() == 0)
                return r;
            continue;
        }
        if (r == RESULT_CANCEL)
            return r;
        if (r == KEY_F1) {
            // FIXME: help page 8, once the help viewer exists.
            console.Beep();
            continue;
        }
        (void)ApplyKey(r);
    }
}

void file_attrib(PANEL* panel)
{
    std::vector<entry*> chosen = chosen_entries(panel);
    if (chosen.empty())
        return;
    bool tagged = panel->tagged_count > 0;
    {
        CFileAttributeDialog dlg(panel, std::move(chosen), tagged);
        (void)dlg.Run();
    }
    panel->repaint_pending = true;
}

void file_attrib_key(int, PANEL_REQUEST& request)
{
    PANEL* panel = &panel_base[currpanel];
    if (!panel->showing || !files_panel(panel) || panel->archive)
        return;
    file_attrib(panel);
    request.redraw = 2;
}
