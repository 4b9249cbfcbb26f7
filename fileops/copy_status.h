#ifndef PANNEX_FILEOPS_COPY_STATUS_H
#define PANNEX_FILEOPS_COPY_STATUS_H

#include "foundation/westring.h"
#include "textui/message_box.h"
#include "textui/win.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

// The progress window of one copy or move command and the thread that
// refreshes it. The copy loop only publishes: it adds to `done` and sets
// the names; the refresh thread, woken every 100 ms, redraws what changed,
// so the window is drawn at most ten times a second and never slows the
// copy. The thread runs from StartUpdate to StopUpdate; a prompt stops it
// first (CProgressStop), so that a message box and the window never draw
// at the same time.
//
//     ╔══════════════════════════════════════════╗
//     ║                 Copying                  ║  row 0: the title
//     ║            /home/u/src/a.txt             ║  row 1: source
//     ║                    to                    ║  row 2
//     ║            /home/u/dst/a.txt             ║  row 3: destination
//     ║                 (2 of 5)                 ║  row 4: counter
//     ║ ██████████░░░░░░░░░░░░░░░░░░░░░░░░░░░░░░ ║  row 5: bytes done
//     ║  Time: 0:04  BPS: 123,456  ETA: 0:10     ║  row 6
//     ╚══════════════════════════════════════════╝
//
// The window is centred a quarter of the way down, in the Messages colour,
// kept while it is wide enough and replaced by a wider one when a longer
// name needs it. The command owns the object; its destructor stops the
// thread and closes the window.
class copy_status : public CProgressStop
{
public:
    copy_status() = default;
    ~copy_status() override;
    copy_status(const copy_status&) = delete;
    copy_status& operator=(const copy_status&) = delete;

    // Bytes copied in this command and bytes to copy (0: unknown, no bar).
    // Written by the copy loop, read by the refresh thread.
    std::atomic<long long> done{0};
    std::atomic<long long> total{0};
    // When the command's work began (clock()); 0 while it has not.
    std::atomic<double> start_time{0};

    // The item's window: title "Copying" or "Moving", the two names, and
    // "(index of count)" when count is above 1. Moving cuts names to their
    // last characters instead of shortening them in the middle. Opens or
    // widens the window as needed. Logic thread.
    void ShowItem(const wchar_t* title, const Westring& source, const Westring& destination, int index, int count);
    // New names within the same item (the files of a tree); no window is
    // opened or widened for them, they are shortened to fit.
    void ShowPath(const Westring& source, const Westring& destination);
    // The status changed; the next refresh redraws.
    void Changed() { changed = true; }

    // Starts the refresh thread unless it runs.
    void StartUpdate();
    // Stops and joins the thread, then draws once more. Safe to call when
    // the thread does not run.
    void StopUpdate() override;
    // Draws what changed since the last drawing, now. Any thread.
    void ProgressUpdate();
    // Stops the thread and closes the window (restoring what it covered).
    void Close();

    // The clock the time line reads: seconds of a steady clock. Tests set
    // a fixed one.
    static double (*clock)();

private:
    void refresh();
    void open_window(const wchar_t* title, int width);
    // Text centred in the inner width, padded with blanks.
    Westring centred(const Westring& text) const;
    void draw_line(int y, const Westring& text, Westring& last);

    std::mutex mutex;  // the window and the texts below
    std::unique_ptr<Win> window;
    Westring title;
    bool moving = false;
    Westring source, destination, counter;
    Westring shown_source, shown_destination, shown_counter, shown_time;
    int bar_fill = -1, bar_width = -1;
    std::atomic<bool> changed{false};

    std::thread updater;
    std::mutex stop_mutex;
    std::condition_variable stop_event;
    bool stop_requested = false;
};

// Marks status (may be null) as changed; no drawing.
inline void progressUpdate(copy_status* status)
{
    if (status)
        status->Changed();
}

#endif
