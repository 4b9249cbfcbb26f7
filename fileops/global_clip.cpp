#include "fileops/global_clip.h"

#include <mutex>

namespace {

// The stand-in for the desktop's clipboard while no bridge is set.
class CLocalClipboard : public CClipboardBridge
{
public:
    bool Enabled() const override { return true; }
    void PutText(const Westring& t) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        text = t;
    }
    Westring GetText() override
    {
        std::lock_guard<std::mutex> lock(mutex);
        return text;
    }

private:
    std::mutex mutex;
    Westring text;
};

CLocalClipboard& local_clipboard()
{
    static CLocalClipboard clip;
    return clip;
}

CClipboardBridge* bridge = nullptr;

CClipboardBridge& current()
{
    return bridge ? *bridge : local_clipboard();
}

}

void SetClipboardBridge(CClipboardBridge* b)
{
    bridge = b;
}

void PutGlobalClip(const TObjectStore<Westring>& lines)
{
    CClipboardBridge& clip = current();
    if (!clip.Enabled())
        return;
    Westring text;
    for (int i = 0; i < lines.count; i++) {
        if (i > 0)
            text += L'\n';
        text += *lines.At(i);
    }
    clip.PutText(text);
}

int GetGlobalClip(TObjectStore<Westring>& lines)
{
    CClipboardBridge& clip = current();
    if (!clip.Enabled())
        return 0;
    Westring text = clip.GetText();
    lines.DestroyAll();
    int start = 0;
    for (int i = 0;; i++) {
        if (text[i] == L'\n' || text[i] == 0) {
            int end = i;
            if (end > start && text[end - 1] == L'\r')
                end--;
            Westring* line = new Westring;
            line->copy(text.c_str() + start, end - start);
            lines.AddObject(line);
            if (text[i] == 0)
                break;
            start = i + 1;
        }
    }
    return 0;
}
