#include "console/console.h"

#include "console/key_codes.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int MaxFallbacks = 1000;

}

void CConsole::CEventQueue::Put(const TEvent& ev)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        events.push_back(ev);
    }
    added.notify_one();
}

bool CConsole::CEventQueue::Get(TEvent& ev, int timeout_ms)
{
    std::unique_lock<std::mutex> lock(mutex);
    if (events.empty() && fallback != 0 && timeout_ms != 0) {
        if (++fallbacks_used > MaxFallbacks) {
            std::fprintf(stderr, "console: the fallback key was read %d times; the screen never ends\n",
                         MaxFallbacks);
            std::abort();
        }
        int code = alternateFallback != 0 && (fallbacks_used & 1) == 0 ? alternateFallback : fallback;
        ev = {EvKey, code, 0, 0, 0, 0};
        return true;
    }
    auto ready = [this] { return !events.empty(); };
    if (timeout_ms < 0)
        added.wait(lock, ready);
    else if (!added.wait_for(lock, std::chrono::milliseconds(timeout_ms), ready))
        return false;
    ev = events.front();
    events.pop_front();
    return true;
}

int CConsole::CEventQueue::Length() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return static_cast<int>(events.size());
}

void CConsole::CEventQueue::Clear()
{
    std::lock_guard<std::mutex> lock(mutex);
    events.clear();
}

void CConsole::CEventQueue::SetFallbackKey(int code, int alternate)
{
    std::lock_guard<std::mutex> lock(mutex);
    // Setting the same keys again (a harness does so at every wait) keeps
    // the count, so a screen that never ends still ends the test.
    if (code == fallback && alternate == alternateFallback)
        return;
    fallback = code;
    alternateFallback = alternate;
    fallbacks_used = 0;
}
