#include "fileops/copy_status.h"

#include "console/console.h"
#include "foundation/estring.h"
#include "foundation/time_stamp.h"
#include "panels/entry_format.h"
#include "textui/collapse_path.h"
#include "textui/textui_settings.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwchar>

double (*copy_status::clock)() = GetRelativeTime;

namespace {

constexpr int RefreshMs = 100;
constexpr int MinCopyWidth = 39;
constexpr int MinMoveWidth = 35;
constexpr int WindowHeight = 9;

// A name as the window shows it, at most width characters: shortened in
// the middle, or (moving) its last characters.
Westring shown_name(const Westring& name, int width, bool tail)
{
    Westring s = name;
    if (tail)
        return s.strlen() > width ? s.right(width) : s;
    collapse_path(s, width);
    return s;
}

int name_width()
{
    return std::max(console.Columns() - 10, 1);
}

}

copy_status::~copy_status()
{
    Close();
}

void copy_status::ShowItem(const wchar_t* new_title, const Westring& src, const Westring& dst, int index,
                           int count)
{
    bool tail = std::wcscmp(new_title, L"Moving") == 0;
    Westring s = shown_name(src, name_width(), tail);
    Westring d = shown_name(dst, name_width(), tail);
    Westring c;
    if (count > 1)
        c = Westring(esprintf("(%d of %d)", index, count).c_str());
    int w = std::max({tail ? MinMoveWidth : MinCopyWidth, s.strlen(), d.strlen(), c.strlen()});
    w += w & 1;
    std::lock_guard<std::mutex> hold(mutex);
    moving = tail;
    source = s;
    destination = d;
    counter = c;
    if (!window || window->x2 - window->x1 + 1 < w + 4 || std::wcscmp(title.c_str(), new_title) != 0)
        open_window(new_title, w + 4);
    changed = true;
}

void copy_status::ShowPath(const Westring& src, const Westring& dst)
{
    std::lock_guard<std::mutex> hold(mutex);
    int inner = window ? window->x2 - window->x1 - 1 : name_width();
    source = shown_name(src, inner, moving);
    destination = shown_name(dst, inner, moving);
    changed = true;
}

void copy_status::open_window(const wchar_t* new_title, int width)
{
    window.reset();
    unsigned char colour = ui_colour(ColourMessages);
    window = std::make_unique<Win>(-1, -4, width, WindowHeight, colour, colour);
    title = new_title;
    window->PutCentre(0, new_title);
    window->PutCentre(2, L"to");
    shown_source = shown_destination = shown_counter = shown_time = Westring();
    bar_fill = bar_width = -1;
}

Westring copy_status::centred(const Westring& text) const
{
    int inner = window->x2 - window->x1 - 1;
    Westring t = text.strlen() > inner ? text.left(inner) : text;
    int before = (inner - t.strlen()) / 2;
    return (String(L' ', before) + t).pad(inner, L' ');
}

void copy_status::draw_line(int y, const Westring& text, Westring& last)
{
    Westring line = centred(text);
    if (std::wcscmp(line.c_str(), last.c_str()) == 0)
        return;
    window->puts_at(0, y, line.c_str());
    last = line;
}

void copy_status::ProgressUpdate()
{
    std::lock_guard<std::mutex> hold(mutex);
    changed = false;
    if (!window)
        return;
    draw_line(1, source, shown_source);
    draw_line(3, destination, shown_destination);
    draw_line(4, counter, shown_counter);
    long long t = total, d = done;
    int inner = window->x2 - window->x1 - 1;
    if (t <= 0) {
        // Nothing to measure against: forget what is shown, so that all is
        // written again once a total is known.
        bar_fill = bar_width = -1;
        shown_time = Westring();
        return;
    }
    int width = inner - 2;
    int fill = static_cast<int>(std::min<long long>(d * width / t, width));
    if (fill != bar_fill || width != bar_width) {
        window->puts_at(1, 5, (String(L'\x2588', fill) + String(L'\x2591', width - fill)).c_str());
        bar_fill = fill;
        bar_width = width;
    }
    double started = start_time;
    if (started <= 0)
        return;
    long long elapsed = static_cast<long long>(clock() - started);
    if (elapsed <= 0 || d <= 0)
        return;
    wchar_t bps[32];
    itoa_comma(d / elapsed, bps, 7);
    long long left = (t - d) * elapsed / d;
    Westring line = Westring(esprintf("Time: %lld:%02lld  BPS: ", elapsed / 60, elapsed % 60).c_str()) +
                    Westring(bps).lpad(7, L' ') +
                    Westring(esprintf("  ETA: %lld:%02lld", left / 60, left % 60).c_str());
    draw_line(6, line, shown_time);
}

void copy_status::refresh()
{
    std::unique_lock<std::mutex> lock(stop_mutex);
    while (!stop_requested) {
        stop_event.wait_for(lock, std::chrono::milliseconds(RefreshMs));
        if (stop_requested)
            break;
        if (changed) {
            lock.unlock();
            ProgressUpdate();
            lock.lock();
        }
    }
}

void copy_status::StartUpdate()
{
    if (updater.joinable())
        return;
    {
        std::lock_guard<std::mutex> hold(stop_mutex);
        stop_requested = false;
    }
    updater = std::thread([this] { refresh(); });
}

void copy_status::StopUpdate()
{
    if (!updater.joinable())
        return;
    {
        std::lock_guard<std::mutex> hold(stop_mutex);
        stop_requested = true;
    }
    stop_event.notify_all();
    updater.join();
    ProgressUpdate();
}

void copy_status::Close()
{
    StopUpdate();
    std::lock_guard<std::mutex> hold(mutex);
    window.reset();
    title = Westring();
}
