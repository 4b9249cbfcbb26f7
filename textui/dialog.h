#ifndef PANNEX_TEXTUI_DIALOG_H
#define PANNEX_TEXTUI_DIALOG_H

#include "foundation/estring.h"
#include "foundation/object_store.h"
#include "foundation/westring.h"
#include "textui/field_history.h"
#include "textui/win.h"

#include <memory>
#include <mutex>
#include <vector>

// Dialog results: accepting gives RESULT_ACCEPT unless a default button
// says otherwise, cancelling gives RESULT_CANCEL; a button or exit key ends
// the dialog with its own code.
constexpr int RESULT_ACCEPT = 13;
constexpr int RESULT_CANCEL = 27;

// What a dialog element receives.
enum EEventType {
    EventKey = 1,
    EventLeftPress = 2,
    EventLeftDouble = 3,
    EventLeftRelease = 4,
    EventLeftDrag = 5,
    EventRightPress = 6,
    EventRightRelease = 7,
    EventWheel = 8,
    EventListLength = 10,  // key: the list's new number of items
    EventListRedraw = 11,  // the list must be redrawn in full
    EventTimeout = 12,
};

struct Event
{
    int type = 0;
    // Key code; the wheel step (+1 up, -1 down); the new list length.
    int key = 0;
    // Cell position; relative to the dialog's origin once Process
    // dispatches it.
    int x = 0, y = 0;

    // Reads the next input with getkey. Changes of Shift, Control or Alt
    // and right drags are skipped. timeout < 0 waits without limit;
    // otherwise nothing within timeout ms gives EventTimeout.
    void GetEvent(int timeout);
    // The character of an Alt key (un_alt) for key events, -1 otherwise.
    int UnAlt() const;
};

enum ElementType {
    ElementStaticText = 0,
    ElementStringField = 1,
    ElementIntegerField = 5,
    ElementPushButton = 6,
    ElementRadioButton = 7,
    ElementCheckBox = 8,
    ElementCheckBox3S = 9,
    ElementListBox = 10,
    ElementColourSelector = 11,
    ElementExitKey = 12,
    ElementProgressIndicator = 13,
};

enum ColourClass {
    ColourNormal = 0,        // the dialog's text
    ColourInput = 1,         // input fields
    ColourFocusButton = 2,   // the focused push button
};

class Dialog;

// One control of a dialog. The dialog owns its elements; they are created
// through the dialog's Add functions, which return the element's index.
//
// Group argument of every Add function: 0 joins the group of the previous
// element; 1 starts a group that Tab enters at its first element; 2 starts
// a group that Tab enters at the element focused or selected last (radio
// buttons, so that Tab lands on the selected one).
class DialogElement
{
public:
    DialogElement(Dialog& dialog, int x, int y, bool focusable, int id = 0);
    virtual ~DialogElement() = default;
    DialogElement(const DialogElement&) = delete;
    DialogElement& operator=(const DialogElement&) = delete;

    // Non-zero when the element handled the event.
    virtual int ProcessEvent(Event&) { return 0; }
    // The element's accelerator or id key was pressed. Takes the focus.
    virtual void ProcessHotKey();
    virtual ElementType GetElementType() const = 0;
    // gained: 1 when the element got the focus, 0 when it lost it.
    virtual void FocusChange(int gained);
    virtual void Draw() {}
    virtual void SaveToHistory() {}

    bool HasFocus() const;
    // Writes a label with its accelerator letter highlighted; with
    // show_brackets also its "[" and "]" (the default push button).
    void PutHot(int x, int y, const char* text, unsigned char attr, bool show_brackets) const;

    Dialog* dialog;
    int index = -1;
    // Relative to the dialog's origin.
    int x, y;
    int group_leader = 0;
    // In the group leader: the element of the group focused or selected
    // last.
    int group_current = 0;
    bool focusable;
    // The push button's result or the exit key's key; 0 for the others.
    int id;
    bool tab_to_leader = false;
    // The letter after the "_" of the label, lower case; 0 for none. The
    // dialog makes it the element's accelerator when adding it.
    char hot_key = 0;

protected:
    // Removes the first "_" of a label and keeps the letter after it as the
    // hot key.
    Estring AddHotKey(const char* label);
};

struct PushButtonData
{
    int result;
    const char* label;  // null ends a list
};

// A modal form: a framed window holding up to 100 controls. Process runs
// it on the logic thread until a control, a key or a click sets a result.
//
// A worker thread may update controls while Process waits for input: it
// sends them events with SendMessage, or holds Mutex() while it changes
// what a control shows (the store behind a list box). Process holds the
// mutex only while it draws and handles one event.
class Dialog : public Win
{
public:
    static constexpr int MaxElements = 100;

    // Cleared and framed in colour. With x < 0, w is the width and the
    // dialog is centred; with y < 0, h is the height and y the vertical
    // placement code of Win. Otherwise w and h are the right and bottom
    // screen coordinates, as for Win.
    Dialog(int x, int y, int w, int h, int colour);
    // Adds the texts of the input fields to their histories unless the
    // dialog was cancelled.
    ~Dialog() override;

    // May veto a move of the focus (false) or change its target.
    virtual bool OnFocusChange(int /*from*/, int& /*to*/) { return true; }
    virtual void PostFocusChange() {}

    // attr 0 writes in the dialog colour; x < 0 centres the text on line y.
    int AddStaticText(int x, int y, const char* text, unsigned char attr = 0);
    int AddStaticText(int x, int y, const wchar_t* text, unsigned char attr = 0);
    // The first push button's result becomes the default result.
    int AddPushButton(int x, int y, char group, int result, const char* label);
    // A row of buttons 2 columns apart, only the first starting a group;
    // x < 0 centres the row, y < 0 counts lines from the bottom of the
    // interior (-1 is the last). Returns the first button's index.
    int AddPushButtonGroup(int x, int y, char group, const PushButtonData* buttons);
    // "_OK" (RESULT_ACCEPT) and "Cancel" (RESULT_CANCEL).
    int AddOkCancel(int x, int y, char group);
    // max_length < 0: 32767 characters.
    int AddStringField(int x, int y, char group, Westring& text, int width, int max_length,
                       HistoryIndex history = NoHistory);
    // At most min(width, 18) digits.
    int AddIntField(int x, int y, char group, int& value, int width, char refresh_on_change,
                    HistoryIndex history = NoHistory);
    int AddCheckBox(int x, int y, char group, char& value, const char* label, char label_after);
    int AddCheckBox3S(int x, int y, char group, char& value, const char* label, char label_after);
    int AddRadioButton(int x, int y, char group, int& variable, int value, const char* label);
    // exit_code > 0: Enter ends the dialog with it; -1: any key that is no
    // list key ends the dialog with the key, and so does a release; 0:
    // Enter accepts the dialog.
    int AddListBox(int x, int y, char group, int width, int height, const char** items, int count, int& selection,
                   int exit_code);
    int AddListBox(int x, int y, char group, int width, int height, TObjectStore<Estring>& items, int& selection,
                   int exit_code);
    int AddListBox(int x, int y, char group, int width, int height, TObjectStore<Westring>& items, int& selection,
                   int exit_code);
    int AddColourSelector(int x, int y, char group, int width, int height, const char* const* names,
                          unsigned char* colours, int count, int& selection, int exit_code);
    // The key ends the dialog with itself as result.
    int AddExitKey(int key);
    int AddProgressIndicator(int x, int y, int width, float& fraction);

    // Copies n accelerator letters to elements 0 .. n-1; a 0 byte means none.
    void SetAccelerators(const char* letters, int n);
    // Makes a push button's result the default and redraws.
    void SetDefault(int index);
    void SetColour(ColourClass c, unsigned char attr) { colours[c] = attr; }
    unsigned char Colour(ColourClass c) const { return colours[c]; }

    // Runs the dialog. Returns the result, or 0 when timeout >= 0 and no
    // input came within timeout ms.
    int Process() { return Process(-1); }
    int Process(int timeout);
    void ChangeFocus(int index);
    // Tab (+1) and Shift+Tab (-1).
    void MoveInterGroup(int dir);
    // The arrow keys within a group.
    void MoveIntraGroup(int dir);
    // index -1 draws every element.
    void Draw(int index = -1);
    // Hands an event to an element under the dialog's mutex; any thread.
    // Non-zero when it was handled.
    int SendMessage(int index, Event& ev);
    // List boxes: selects the first item whose text begins with value
    // (ignoring case); without one the selection stays.
    void SetSeekValue(int index, const Westring& value);
    void SaveToHistory();

    int Count() const { return static_cast<int>(elements.size()); }
    DialogElement* Element(int index) const { return elements[static_cast<size_t>(index)].get(); }
    int Focus() const { return focus; }
    int Result() const { return result; }
    // Ends Process with r once the current event is handled; 0 keeps it
    // running.
    void SetResult(int r) { result = r; }
    // The default result, or RESULT_ACCEPT when there is none.
    int AcceptResult() const { return default_result ? default_result : RESULT_ACCEPT; }
    int DefaultResult() const { return default_result; }
    // The accelerator letter of an element, 0 for none.
    char Accelerator(int index) const;
    std::recursive_mutex& Mutex() { return lock; }

protected:
    // Takes ownership, assigns the index and group and draws the element.
    int Add(std::unique_ptr<DialogElement> element, char group);

private:
    DialogElement* leader_of(int index) const { return Element(Element(index)->group_leader); }
    void dispatch(Event& ev, bool& pressed_outside);
    void hot_key(int key);

    std::vector<std::unique_ptr<DialogElement>> elements;
    int focus = 0;
    int default_result = 0;
    int result = 0;
    unsigned char colours[3];
    char accelerators[MaxElements] = {};
    int accelerator_count = 0;
    // The leader of the group being built by the Add functions.
    int building_leader = 0;
    std::recursive_mutex lock;
};

#endif
