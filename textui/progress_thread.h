#ifndef PANNEX_TEXTUI_PROGRESS_THREAD_H
#define PANNEX_TEXTUI_PROGRESS_THREAD_H

#include "foundation/estring.h"
#include "textui/dialog.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

// Watches a long operation that runs on the logic thread without reading
// keys (a big directory, an archive listing, a large file). A watcher
// thread waits `delay_ms`; if the operation is still running then, it
// calls Update every `interval_ms` until the operation stops it, so short
// operations never show a window.
//
// Construct it before the operation, update the counters it watches as the
// operation goes, and destroy it (or call Stop) when done; call Stop before
// showing a message during the operation. Update runs on the watcher
// thread and draws through the console; it only reads the caller's
// counters, without a lock (a stale value only shows late).
class ProgressIndicatorThread
{
public:
    // Deletes the window, which restores the screen under it. A derived
    // class calls Stop in its own destructor, before its Update can no
    // longer run.
    virtual ~ProgressIndicatorThread();
    ProgressIndicatorThread(const ProgressIndicatorThread&) = delete;
    ProgressIndicatorThread& operator=(const ProgressIndicatorThread&) = delete;

    // Ends the watcher and waits for it; after it returns nothing more is
    // drawn. Further calls do nothing.
    void Stop();
    // Whether the window was opened; any thread.
    bool Shown() const { return shown; }

protected:
    ProgressIndicatorThread(int delay_ms, int interval_ms);
    // Starts the watcher. A derived class calls it last in its constructor,
    // so that the watcher never sees a half-built object.
    void Start();
    // Opens the window on its first call, then refreshes it.
    virtual void Update() = 0;

    std::unique_ptr<Dialog> dialog;

private:
    void watch();

    int delay_ms, interval_ms;
    std::atomic<bool> shown{false};
    std::mutex mutex;
    std::condition_variable stopped;
    bool stop_requested = false;
    std::thread watcher;
};

// "Reading directory:" with a spinner and the number of entries read.
class DirReadProgress : public ProgressIndicatorThread
{
public:
    explicit DirReadProgress(int& count, int delay_ms = 1000, int interval_ms = 250);
    ~DirReadProgress() override;

protected:
    void Update() override;

private:
    int& count;
    int phase = 0;
};

// A title and a bar showing done out of total; a total of 0 leaves the bar
// empty.
class FileReadProgress : public ProgressIndicatorThread
{
public:
    FileReadProgress(long long& done, long long& total, Estring title, int delay_ms = 1000, int interval_ms = 250);
    ~FileReadProgress() override;

protected:
    void Update() override;

private:
    long long& done;
    long long& total;
    Estring title;
    float fraction = 0;
};

// value with the digits grouped in threes by the thousands separator of
// textui_settings.
Westring group_thousands(long long value);

#endif
