#include "textui/progress_thread.h"

#include "textui/textui_settings.h"

#include <chrono>

ProgressIndicatorThread::ProgressIndicatorThread(int delay, int interval) : delay_ms(delay), interval_ms(interval)
{
}

ProgressIndicatorThread::~ProgressIndicatorThread()
{
    Stop();
    dialog.reset();
}

void ProgressIndicatorThread::Start()
{
    watcher = std::thread([this] { watch(); });
}

void ProgressIndicatorThread::Stop()
{
    {
        std::lock_guard<std::mutex> hold(mutex);
        stop_requested = true;
    }
    stopped.notify_all();
    if (watcher.joinable())
        watcher.join();
}

void ProgressIndicatorThread::watch()
{
    std::unique_lock<std::mutex> hold(mutex);
    auto wait = [&](int ms) { return stopped.wait_for(hold, std::chrono::milliseconds(ms), [&] { return stop_requested; }); };
    if (wait(delay_ms))
        return;
    do {
        hold.unlock();
        Update();
        shown = true;
        hold.lock();
    } while (!wait(interval_ms));
}

Westring group_thousands(long long value)
{
    Estring digits = IntToStr(value < 0 ? -value : value);
    Westring out;
    int n = digits.strlen();
    for (int i = 0; i < n; i++) {
        if (i > 0 && (n - i) % 3 == 0)
            out += *textui_settings.thousand_separator;
        out += static_cast<wchar_t>(digits[i]);
    }
    return value < 0 ? L"-" + out : out;
}

DirReadProgress::DirReadProgress(int& n, int delay, int interval) : ProgressIndicatorThread(delay, interval), count(n)
{
    Start();
}

DirReadProgress::~DirReadProgress()
{
    Stop();
}

void DirReadProgress::Update()
{
    static const wchar_t spinner[] = L"-\\|/";
    if (!dialog) {
        dialog = std::make_unique<Dialog>(-1, -3, 35, 6, ui_colour(ColourMessages));
        dialog->puts_at(4, 1, "Reading directory:");
    }
    wchar_t spin[] = {spinner[phase], 0};
    phase = (phase + 1) % 4;
    dialog->puts_at(23, 1, spin);
    dialog->puts_at(4, 2, (L"Files: " + group_thousands(count)).c_str());
}

FileReadProgress::FileReadProgress(long long& d, long long& t, Estring text, int delay, int interval)
    : ProgressIndicatorThread(delay, interval), done(d), total(t), title(std::move(text))
{
    Start();
}

FileReadProgress::~FileReadProgress()
{
    Stop();
}

void FileReadProgress::Update()
{
    if (!dialog) {
        dialog = std::make_unique<Dialog>(-1, -3, 40, 5, ui_colour(ColourMessages));
        dialog->PutCentre(0, title.c_str());
        dialog->AddProgressIndicator(1, 2, 36, fraction);
    }
    long long t = total;
    if (t > 0) {
        fraction = static_cast<float>(static_cast<double>(done) / static_cast<double>(t));
        dialog->Draw(-1);
    }
}
