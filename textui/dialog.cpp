#include "textui/dialog.h"

#include "console/console.h"
#include "console/key_codes.h"
#include "textui/check_box.h"
#include "textui/colour_selector.h"
#include "textui/exit_key.h"
#include "textui/list_box.h"
#include "textui/progress_indicator.h"
#include "textui/push_button.h"
#include "textui/radio_button.h"
#include "textui/static_text.h"
#include "textui/string_field.h"
#include "textui/textui_settings.h"

#include <cassert>
#include <cwctype>

void Event::GetEvent(int timeout)
{
    for (;;) {
        _MEVENT mev{};
        int k = getkey(nullptr, &mev, timeout);
        if (k == 0) {
            // Without a timeout getkey returns 0 only for a mouse event
            // that means nothing here (a middle button).
            if (timeout < 0)
                continue;
            type = EventTimeout;
            key = 0;
            return;
        }
        if (k == KEY_MODIFIERS)
            continue;
        if (k != KEY_MOUSE) {
            type = EventKey;
            key = k;
            return;
        }
        static const int types[] = {
            EventLeftPress,      // MouseLeftPress
            EventRightPress,     // MouseRightPress
            EventLeftDrag,       // MouseLeftDrag
            0,                   // MouseRightDrag: skipped
            EventLeftDouble,     // MouseLeftDouble
            EventLeftRelease,    // MouseLeftRelease
            EventRightRelease,   // MouseRightRelease
            EventWheel,          // MouseWheel
        };
        if (mev.kind < 0 || mev.kind > MouseWheel || types[mev.kind] == 0)
            continue;
        type = types[mev.kind];
        key = mev.kind == MouseWheel ? mev.wheel : 0;
        x = mev.x;
        y = mev.y;
        return;
    }
}

int Event::UnAlt() const
{
    if (type != EventKey)
        return -1;
    _MEVENT mev{};
    return un_alt(key, mev);
}

DialogElement::DialogElement(Dialog& d, int ax, int ay, bool can_focus, int element_id)
    : dialog(&d), x(ax), y(ay), focusable(can_focus), id(element_id)
{
}

void DialogElement::ProcessHotKey()
{
    dialog->ChangeFocus(index);
}

void DialogElement::FocusChange(int)
{
    Draw();
}

bool DialogElement::HasFocus() const
{
    return dialog->Focus() == index;
}

Estring DialogElement::AddHotKey(const char* label)
{
    Estring text(label);
    int at = text.chr('_');
    if (at < 0)
        return text;
    hot_key = static_cast<char>(std::towlower(static_cast<unsigned char>(text[at + 1])));
    return text.left(at) + (text.c_str() + at + 1);
}

void DialogElement::PutHot(int px, int py, const char* text, unsigned char attr, bool show_brackets) const
{
    char hot[4] = {};
    int n = 0;
    if (char a = dialog->Accelerator(index))
        hot[n++] = a;
    if (show_brackets) {
        hot[n++] = '[';
        hot[n++] = ']';
    }
    dialog->PutHot(px, py, text, hot, attr);
}

Dialog::Dialog(int x, int y, int w, int h, int colour_) : Win(x, y, w, h, colour_, colour_, 0)
{
    colours[ColourNormal] = colour;
    colours[ColourInput] = colours[ColourFocusButton] = ui_colour(ColourInputFields);
}

Dialog::~Dialog()
{
    if (result != RESULT_CANCEL)
        SaveToHistory();
}

int Dialog::Add(std::unique_ptr<DialogElement> element, char group)
{
    int index = Count();
    assert(index < MaxElements);
    DialogElement* e = element.get();
    e->index = index;
    if (index == 0 || group != 0) {
        building_leader = index;
        e->tab_to_leader = (group & 1) != 0;
    }
    e->group_leader = building_leader;
    e->group_current = index;
    elements.push_back(std::move(element));
    if (e->hot_key) {
        accelerators[index] = e->hot_key;
        accelerator_count = std::max(accelerator_count, index + 1);
    }
    e->Draw();
    return index;
}

char Dialog::Accelerator(int index) const
{
    return index >= 0 && index < accelerator_count ? accelerators[index] : 0;
}

int Dialog::AddStaticText(int x, int y, const char* text, unsigned char attr)
{
    return AddStaticText(x, y, MkWestring(Estring(text)).c_str(), attr);
}

int Dialog::AddStaticText(int x, int y, const wchar_t* text, unsigned char attr)
{
    return Add(std::make_unique<StaticText>(*this, x, y, text, attr), 0);
}

int Dialog::AddPushButton(int x, int y, char group, int result_code, const char* label)
{
    if (default_result == 0)
        default_result = result_code;
    return Add(std::make_unique<PushButton>(*this, x, y, result_code, label), group);
}

int Dialog::AddPushButtonGroup(int x, int y, char group, const PushButtonData* buttons)
{
    int total = 0, n = 0;
    for (const PushButtonData* b = buttons; b->label; b++, n++)
        total += (n ? 2 : 0) + PushButton::Width(b->label);
    if (x < 0)
        x = std::max((inner_width() - total + 1) / 2, 0);
    if (y < 0)
        y += (y2 - y1 + 1) - 2 * (origin_y - y1);
    int first = -1;
    for (const PushButtonData* b = buttons; b->label; b++) {
        int i = AddPushButton(x, y, first < 0 ? group : 0, b->result, b->label);
        if (first < 0)
            first = i;
        x += PushButton::Width(b->label) + 2;
    }
    return first;
}

int Dialog::AddOkCancel(int x, int y, char group)
{
    static const PushButtonData ok_cancel[] = {
        {RESULT_ACCEPT, "_OK"},
        {RESULT_CANCEL, "Cancel"},
        {0, nullptr},
    };
    return AddPushButtonGroup(x, y, group, ok_cancel);
}

int Dialog::AddStringField(int x, int y, char group, Westring& text, int width, int max_length,
                           HistoryIndex history)
{
    return Add(std::make_unique<StringField>(*this, x, y, text, width, max_length, history), group);
}

int Dialog::AddIntField(int x, int y, char group, int& value, int width, char refresh_on_change,
                        HistoryIndex history)
{
    return Add(std::make_unique<IntegerField>(*this, x, y, value, width, refresh_on_change != 0, history), group);
}

int Dialog::AddCheckBox(int x, int y, char group, char& value, const char* label, char label_after)
{
    return Add(std::make_unique<CheckBox>(*this, x, y, value, label, label_after != 0), group);
}

int Dialog::AddCheckBox3S(int x, int y, char group, char& value, const char* label, char label_after)
{
    return Add(std::make_unique<CheckBox3S>(*this, x, y, value, label, label_after != 0), group);
}

int Dialog::AddRadioButton(int x, int y, char group, int& variable, int value, const char* label)
{
    int index = Add(std::make_unique<RadioButton>(*this, x, y, variable, value, label), group);
    if (variable == value)
        leader_of(index)->group_current = index;
    return index;
}

int Dialog::AddListBox(int x, int y, char group, int width, int height, const char** items, int count,
                       int& selection, int exit_code)
{
    return Add(std::make_unique<ListBoxString>(*this, x, y, width, height, items, count, selection, exit_code),
               group);
}

int Dialog::AddListBox(int x, int y, char group, int width, int height, TObjectStore<Estring>& items,
                       int& selection, int exit_code)
{
    return Add(std::make_unique<ListBoxEstring>(*this, x, y, width, height, items, selection, exit_code), group);
}

int Dialog::AddListBox(int x, int y, char group, int width, int height, TObjectStore<Westring>& items,
                       int& selection, int exit_code)
{
    return Add(std::make_unique<ListBoxWestring>(*this, x, y, width, height, items, selection, exit_code), group);
}

int Dialog::AddColourSelector(int x, int y, char group, int width, int height, const char* const* names,
                              unsigned char* colour_table, int count, int& selection, int exit_code)
{
    return Add(std::make_unique<ColourSelector>(*this, x, y, width, height, names, colour_table, count, selection,
                                                exit_code),
               group);
}

int Dialog::AddExitKey(int key)
{
    return Add(std::make_unique<ExitKey>(*this, key), 0);
}

int Dialog::AddProgressIndicator(int x, int y, int width, float& fraction)
{
    return Add(std::make_unique<ProgressIndicator>(*this, x, y, width, fraction), 0);
}

void Dialog::SetAccelerators(const char* letters, int n)
{
    assert(n >= 0 && n <= MaxElements);
    for (int i = 0; i < n; i++)
        accelerators[i] = letters[i];
    accelerator_count = std::max(accelerator_count, n);
}

void Dialog::SetDefault(int index)
{
    if (index < 0 || index >= Count() || Element(index)->GetElementType() != ElementPushButton)
        return;
    default_result = Element(index)->id;
    Draw(-1);
}

void Dialog::Draw(int index)
{
    std::lock_guard<std::recursive_mutex> hold(lock);
    console.BeginPaint();
    if (index >= 0)
        Element(index)->Draw();
    else
        for (auto& e : elements)
            e->Draw();
    console.EndPaint();
}

void Dialog::ChangeFocus(int index)
{
    if (index < 0 || index >= Count() || index == focus)
        return;
    int old = focus;
    if (!OnFocusChange(old, index) || index < 0 || index >= Count() || index == focus)
        return;
    DialogElement* leader = leader_of(index);
    int previous_current = leader->group_current;
    focus = index;
    leader->group_current = index;
    Element(index)->FocusChange(1);
    Element(old)->FocusChange(0);
    if (previous_current != old && previous_current != index)
        Element(previous_current)->FocusChange(0);
    PostFocusChange();
}

void Dialog::MoveIntraGroup(int dir)
{
    int n = Count();
    if (n == 0)
        return;
    int group = Element(focus)->group_leader;
    for (int i = (focus + dir + n) % n; i != focus; i = (i + dir + n) % n) {
        DialogElement* e = Element(i);
        if (e->focusable && e->group_leader == group) {
            ChangeFocus(i);
            return;
        }
    }
}

void Dialog::MoveInterGroup(int dir)
{
    int n = Count();
    if (n == 0)
        return;
    int group = Element(focus)->group_leader;
    for (int i = (focus + dir + n) % n; i != focus; i = (i + dir + n) % n) {
        DialogElement* e = Element(i);
        if (!e->focusable || e->group_leader == group)
            continue;
        DialogElement* leader = Element(e->group_leader);
        int target = leader->tab_to_leader ? leader->index : leader->group_current;
        ChangeFocus(target);
        if (!Element(focus)->focusable)
            MoveIntraGroup(dir);
        return;
    }
}

int Dialog::SendMessage(int index, Event& ev)
{
    std::lock_guard<std::recursive_mutex> hold(lock);
    if (index < 0 || index >= Count())
        return 0;
    console.BeginPaint();
    int handled = Element(index)->ProcessEvent(ev);
    console.EndPaint();
    return handled;
}

void Dialog::SetSeekValue(int index, const Westring& value)
{
    std::lock_guard<std::recursive_mutex> hold(lock);
    if (index < 0 || index >= Count())
        return;
    if (auto* list = dynamic_cast<ListBoxBase*>(Element(index)))
        list->Seek(value);
}

void Dialog::SaveToHistory()
{
    for (auto& e : elements)
        e->SaveToHistory();
}

void Dialog::hot_key(int key)
{
    int lower = key < 256 ? static_cast<int>(std::towlower(static_cast<wint_t>(key))) : key;
    for (auto& e : elements)
        if (e->id != 0 && (e->id == key || e->id == lower)) {
            e->ProcessHotKey();
            return;
        }
    if (!(key & KEY_EXTENDED))
        return;
    _MEVENT mev{};
    int ch = un_alt(key, mev);
    if (ch == key || ch == 0)
        return;
    for (int i = 0; i < accelerator_count && i < Count(); i++)
        if (accelerators[i] == ch) {
            Element(i)->ProcessHotKey();
            return;
        }
}

void Dialog::dispatch(Event& ev, bool& pressed_outside)
{
    if (ev.type == EventKey) {
        pressed_outside = false;
        if (Count() > 0 && Element(focus)->ProcessEvent(ev))
            return;
        switch (ev.key) {
        case KEY_TAB:
            MoveInterGroup(1);
            break;
        case KEY_SHIFT_TAB:
            MoveInterGroup(-1);
            break;
        case KEY_UP:
        case KEY_LEFT:
            MoveIntraGroup(-1);
            break;
        case KEY_DOWN:
        case KEY_RIGHT:
            MoveIntraGroup(1);
            break;
        case KEY_RETURN:
            result = AcceptResult();
            break;
        case KEY_ESC:
            result = RESULT_CANCEL;
            break;
        default:
            hot_key(ev.key);
            break;
        }
        return;
    }
    bool inside = ev.x >= x1 && ev.x <= x2 && ev.y >= y1 && ev.y <= y2;
    ev.x -= origin_x;
    ev.y -= origin_y;
    if (ev.type >= EventLeftPress && ev.type <= EventLeftDrag) {
        bool handled = false;
        for (auto& e : elements)
            if (e->ProcessEvent(ev)) {
                handled = true;
                break;
            }
        bool was_pressed_outside = pressed_outside;
        pressed_outside = !handled && !inside && ev.type == EventLeftPress;
        if (!handled && !inside && ev.type == EventLeftRelease && was_pressed_outside)
            result = RESULT_CANCEL;
        return;
    }
    pressed_outside = false;
    if (ev.type == EventRightRelease)
        result = AcceptResult();
}

int Dialog::Process(int timeout)
{
    result = 0;
    console.SetCursorType(0);
    if (Count() == 0)
        AddExitKey(KEY_ESC);
    bool pressed_outside = false;
    while (result == 0) {
        Event ev;
        {
            std::lock_guard<std::recursive_mutex> hold(lock);
            int current = leader_of(focus)->group_current;
            if (current != focus)
                ChangeFocus(current);
            if (!Element(focus)->focusable) {
                MoveIntraGroup(1);
                if (!Element(focus)->focusable)
                    MoveInterGroup(1);
            }
            // The focused element puts the cursor back if it shows one.
            console.SetCursorType(0);
            Element(focus)->Draw();
        }
        ev.GetEvent(timeout);
        if (ev.type == EventTimeout)
            return 0;
        // Not bracketed by BeginPaint: an element may run a dialog of its
        // own (a history list), which must paint as it goes.
        std::lock_guard<std::recursive_mutex> hold(lock);
        dispatch(ev, pressed_outside);
    }
    console.SetCursorType(0);
    return result;
}
