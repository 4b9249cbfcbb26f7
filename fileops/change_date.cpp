#include "fileops/change_date.h"

#include "config/config.h"
#include "entries/locale_facts.h"
#include "fileops/file_system.h"
#include "fileops/fs_error.h"
#include "fileops/panel_entries.h"
#include "foundation/estring.h"
#include "panels/read_panel.h"
#include "textui/dialog.h"
#include "textui/message_box.h"
#include "textui/textui_settings.h"

namespace {

constexpr int ResultNow = 'n';

struct DATE_FIELDS
{
    int year, month, day, hour, minute, second, pm;
};

// Fills the fields from t, the hour as the clock shows it.
void set_fields(DATE_FIELDS& f, const TimeStamp& t, bool clock12)
{
    ExpandedTime x;
    t.Expand(x);
    f = {x.year, x.month, x.day, x.hour, x.minute, x.second, 0};
    if (clock12)
        HourAdjust(f.hour, f.pm);
}

class CDateDialog : public Dialog
{
public:
    CDateDialog(const Westring& what, DATE_FIELDS& f, bool clock12)
        : Dialog(-1, -3, 33, 12, ui_colour(ColourMessages)), f(f), clock12(clock12)
    {
        // The date fields in the locale's order; each keeps its own
        // accelerator letter wherever it stands.
        struct { int* value; int width; const char* label; char hot; } date[3] = {
            {&f.day, 2, "Day", 'd'}, {&f.month, 2, "Mon", 'm'}, {&f.year, 4, "Year", 'y'}};
        int order[3] = {0, 1, 2};                                    // day first
        if (date_fmt == 0)
            order[0] = 1, order[1] = 0;                              // month first
        else if (date_fmt == 2)
            order[0] = 2, order[2] = 0;                              // year first
        char letters[MaxElements] = {};
        int n = 0;
        const int columns[3] = {6, 12, 18};
        for (int i = 0; i < 3; i++) {
            const auto& d = date[order[i]];
            AddIntField(columns[i], 4, 1, *d.value, d.width, 1);
            letters[n++] = d.hot;
        }
        int shift = clock12 ? 0 : 3;
        AddIntField(3 + shift, 7, 1, f.hour, 2, 1);
        AddIntField(9 + shift, 7, 1, f.minute, 2, 1);
        AddIntField(15 + shift, 7, 1, f.second, 2, 1);
        letters[n++] = 'h';
        letters[n++] = 'i';
        letters[n++] = 's';
        if (clock12) {
            AddRadioButton(21, 6, 2, f.pm, 0, "AM");
            AddRadioButton(21, 7, 0, f.pm, 1, "PM");
            letters[n++] = 'a';
            letters[n++] = 'p';
        }
        AddPushButton(2, 9, 1, RESULT_ACCEPT, "_OK");
        letters[n++] = 'o';
        AddPushButton(10, 9, 0, RESULT_CANCEL, "Cancel");
        n++;
        AddPushButton(22, 9, 0, ResultNow, "Now");
        letters[n++] = 'n';
        SetAccelerators(letters, n);

        AddStaticText(0, 0, "Change date of");
        AddStaticText(0, 1, what.c_str());
        for (int i = 0; i < 3; i++) {
            const auto& d = date[order[i]];
            labels[i] = {columns[i], 3, d.label, d.hot};
        }
        labels[3] = {3 + shift, 6, "Hour", 'h'};
        labels[4] = {9 + shift, 6, "Min", 'i'};
        labels[5] = {15 + shift, 6, "Sec", 's'};
        DrawLabels();
    }

    // RESULT_ACCEPT with valid fields, or RESULT_CANCEL.
    int Run()
    {
        for (;;) {
            int r = Process();
            if (r == ResultNow) {
                set_fields(f, TimeStamp::Now(), clock12);
                Draw();
                continue;
            }
            if (r != RESULT_ACCEPT)
                return RESULT_CANCEL;
            int hour = clock12 ? HourFrom12(f.hour, f.pm) : f.hour;
            bool hourOk = clock12 ? f.hour >= 1 && f.hour <= 12 : true;
            if (hourOk && ValidDateTime(f.year, f.month, f.day, hour, f.minute, f.second) == 0)
                return r;
            error(L"Invalid date");
        }
    }

private:
    void DrawLabels()
    {
        for (const auto& l : labels) {
            char hot[2] = {l.hot, 0};
            PutHot(l.x, l.y, l.text, hot);
        }
    }

    struct LABEL
    {
        int x, y;
        const char* text;
        char hot;
    } labels[6];
    DATE_FIELDS& f;
    bool clock12;
};

bool leap(int year)
{
    return year % 4 == 0;
}

}

int ValidDateTime(int year, int month, int day, int hour, int minute, int second)
{
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1980 || year > 2099 || month < 1 || month > 12)
        return -1;
    int last = days[month - 1] + (month == 2 && leap(year) ? 1 : 0);
    if (day < 1 || day > last)
        return -1;
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        return -1;
    return 0;
}

void HourAdjust(int& hour, int& pm)
{
    pm = hour >= 12 ? 1 : 0;
    if (hour == 0)
        hour = 12;
    else if (hour > 12)
        hour -= 12;
}

int HourFrom12(int hour, int pm)
{
    if (pm)
        return hour == 12 ? 12 : hour + 12;
    return hour == 12 ? 0 : hour;
}

int change_entry_date(PANEL* panel, const entry& e, const TimeStamp& time)
{
    Westring path = entry_path(panel, &e);
    for (;;) {
        int code = SetFileTime(path, time);
        if (code == 0)
            return 0;
        bool done = true;
        char answer = fs_error(code, done, path);
        if (!done)
            continue;
        return answer == ANSWER_CANCEL ? 1 : 0;
    }
}

void change_dates(PANEL* panel, const std::vector<entry*>& entries, const TimeStamp& time)
{
    for (entry* e : entries)
        if (change_entry_date(panel, *e, time) != 0)
            break;
}

void change_date(PANEL* panel)
{
    std::vector<entry*> chosen = chosen_entries(panel);
    if (chosen.empty())
        return;
    bool tagged = panel->tagged_count > 0;
    bool clock12 = config.TimeMode != 24;
    DATE_FIELDS f;
    set_fields(f, tagged ? TimeStamp::Now() : chosen[0]->time, clock12);
    Westring what = tagged ? Westring(esprintf("%d file%s", panel->tagged_count, panel->tagged_count == 1 ? "" : "s").c_str())
                           : shorten(chosen[0]->name, 26);
    {
        CDateDialog dlg(what, f, clock12);
        if (dlg.Run() != RESULT_ACCEPT)
            return;
    }
    ExpandedTime x;
    x.year = f.year;
    x.month = f.month;
    x.day = f.day;
    x.hour = clock12 ? HourFrom12(f.hour, f.pm) : f.hour;
    x.minute = f.minute;
    x.second = f.second;
    change_dates(panel, chosen, TimeStamp(x));
    panel_refresh();
}

void change_date_key(int, PANEL_REQUEST& request)
{
    PANEL* panel = &panel_base[currpanel];
    if (!panel->showing || !files_panel(panel) || panel->archive)
        return;
    change_date(panel);
    request.redraw = 2;
}
