#include "editor/editor.h"

#include "console/colours.h"
#include "editor/search_dialog.h"
#include "editor/search_settings.h"
#include "foundation/nls.h"
#include "foundation/word_chars.h"
#include "textui/dialog.h"
#include "textui/message_box.h"
#include "textui/textui_settings.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace {

// Lines searched between two looks at the keyboard for Esc.
constexpr int EscCheckLines = 16384;
constexpr int ReplacePauseMs = 200;
constexpr int FOUND_REPLACE = 'r';
constexpr int FOUND_SKIP = 's';
constexpr int FOUND_ALL = 'a';

// The search of one line: the needle prepared once.
struct CNeedle
{
    std::wstring text;
    bool caseSensitive;
    bool whole;
    // The needle in UTF-8 when a line's bytes can be searched as they are
    // stored (a case-sensitive needle: equal characters, equal bytes).
    std::string bytes;

    CNeedle(const std::wstring& t, bool cs, bool w) : text(t), caseSensitive(cs), whole(w)
    {
        if (!cs)
            for (wchar_t& c : text)
                c = nls_toupper(c);
        else
            edit_utf8::Encode(text.data(), text.size(), bytes);
    }
    bool at(const std::wstring& s, size_t i) const
    {
        if (i + text.size() > s.size())
            return false;
        for (size_t k = 0; k < text.size(); k++) {
            wchar_t c = s[i + k];
            if (!caseSensitive)
                c = nls_toupper(c);
            if (c != text[k])
                return false;
        }
        if (whole) {
            if (i > 0 && iswordchar(s[i - 1]))
                return false;
            size_t e = i + text.size();
            if (e < s.size() && iswordchar(s[e]))
                return false;
        }
        return true;
    }
    // Forward: the first match at or after from; backward: the last one
    // ending at or before from. -1 when none.
    long find(const std::wstring& s, long from, bool backward) const
    {
        long n = static_cast<long>(text.size());
        long len = static_cast<long>(s.size());
        if (backward) {
            for (long i = std::min(from, len) - n; i >= 0; i--)
                if (at(s, static_cast<size_t>(i)))
                    return i;
        } else {
            for (long i = std::max(0L, from); i + n <= len; i++)
                if (at(s, static_cast<size_t>(i)))
                    return i;
        }
        return -1;
    }
};

}

bool PXEditor::find_next(const std::wstring& what, bool backward, EPOS& at)
{
    if (what.empty())
        return false;
    CNeedle needle(what, casesense != 0, wholeWord != 0);
    std::wstring s;
    long from = curIndex;
    int count = text.Count();
    std::unique_ptr<Win> box;
    for (int l = curLine, n = 0; l >= 0 && l < count; l += backward ? -1 : 1, n++) {
        if (n == EscCheckLines) {
            box = std::make_unique<Win>(-1, -2, 16, 7, ui_colour(ColourMessages), ui_colour(ColourMessages));
            box->PutCentre(2, L"Searching...");
        }
        if (n % EscCheckLines == EscCheckLines - 1 && check_esc())
            return false;
        if (l == bufLine) {
            s = buf;
        } else {
            size_t nb;
            const unsigned char* p = text.Bytes(l, nb);
            // Most lines hold no match: with a case-sensitive needle
            // their bytes tell without decoding them.
            if (!needle.bytes.empty() &&
                memmem(p, nb, needle.bytes.data(), needle.bytes.size()) == nullptr)
                goto next;
            text.Get(l, s);
        }
        {
            long start = l == curLine ? from : backward ? static_cast<long>(s.size()) : 0;
            long i = needle.find(s, start, backward);
            if (i >= 0) {
                at = {l, static_cast<int>(i)};
                return true;
            }
        }
    next:;
    }
    return false;
}

bool PXEditor::findstr(int& line, int& index, bool replace, bool dialog, bool again)
{
    (void)again;
    redraw = true;
    if (dialog) {
        int r = replace ? replace_dialog() : search_dialog();
        if (r != RESULT_ACCEPT)
            return false;
    }
    std::wstring what = word.c_str();
    if (what.empty())
        return false;
    bool backward = reverse != 0;
    curLine = line;
    curIndex = index;
    // A match selected already is passed over: forward the search starts
    // behind it, backward before it.
    if (sel.active && sel.startLine == sel.endLine && sel.startLine == curLine) {
        if (!backward && curIndex == sel.startIndex)
            curIndex = sel.endIndex;
        if (backward && curIndex == sel.endIndex)
            curIndex = sel.startIndex;
    }
    EPOS at;
    if (!find_next(what, backward, at)) {
        (void)::error(L"String not found", nullptr, MB_MESSAGE);
        return false;
    }
    int n = static_cast<int>(what.size());
    if (!replace) {
        Select(at, {at.line, at.index + n});
        MoveToPos(backward ? at.index : at.index + n, at.line);
        line = curLine;
        index = curIndex;
        return true;
    }
    std::wstring rep = replaceWord.c_str();
    int replaced = 0;
    for (;;) {
        Select(at, {at.line, at.index + n});
        MoveToPos(at.index + n, at.line);
        keep_visible();
        show();
        int r;
        {
            Dialog d(-1, -3, 48, 5, ui_colour(ColourMessages));
            d.PutCentre(-1, L" String Found ");
            static const PushButtonData buttons[] = {{FOUND_REPLACE, "_Replace"},
                                                     {FOUND_SKIP, "_Skip"},
                                                     {RESULT_CANCEL, "Cancel"},
                                                     {FOUND_ALL, "_All"},
                                                     {0, nullptr}};
            d.AddPushButtonGroup(-1, 1, 1, buttons);
            r = d.Process();
        }
        if (r == RESULT_ACCEPT)
            r = FOUND_REPLACE;
        if (r == FOUND_ALL) {
            MoveToPos(at.index, at.line);
            sel.active = false;
            replaced += ReplaceAll(rep);
            break;
        }
        if (r != FOUND_REPLACE && r != FOUND_SKIP) {
            sel.active = false;
            break;
        }
        EPOS next{at.line, at.index + n};
        if (r == FOUND_REPLACE) {
            sel.active = false;
            EPOS end{at.line, at.index + static_cast<int>(rep.size())};
            EPOS cursor = backward ? at : end;
            (void)change(at, {at.line, at.index + n}, rep, &cursor);
            replaced++;
            redraw = true;
            show();
            std::this_thread::sleep_for(std::chrono::milliseconds(ReplacePauseMs));
            next = cursor;
        } else
            next = backward ? at : next;
        sel.active = false;
        MoveToPos(next.index, next.line);
        if (!find_next(what, backward, at))
            break;
    }
    sel.active = false;
    redraw = true;
    if (replaced > 0)
        (void)::error(Westring(std::to_wstring(replaced).c_str()) + L" replacements", nullptr, MB_MESSAGE);
    line = curLine;
    index = curIndex;
    return replaced > 0;
}

int PXEditor::ReplaceAll(const std::wstring& rep)
{
    std::wstring what = word.c_str();
    if (what.empty())
        return 0;
    bool backward = reverse != 0;
    int n = static_cast<int>(what.size());
    // One undo step for all of it: the lines from the first to the last
    // one changed, as they were.
    std::vector<std::pair<int, std::wstring>> originals;
    EPOS before{curLine, curIndex};
    int count = 0;
    EPOS at;
    while (find_next(what, backward, at)) {
        if (originals.empty() || originals.back().first != at.line) {
            std::wstring s;
            line_text(at.line, s);
            originals.emplace_back(at.line, std::move(s));
        }
        EPOS insEnd;
        if (replace_range(at, {at.line, at.index + n}, rep, nullptr, insEnd) != 0)
            break;
        count++;
        // Never into the text just put in: "a" by "aa" ends.
        if (backward) {
            curLine = at.line;
            curIndex = at.index;
        } else {
            curLine = insEnd.line;
            curIndex = insEnd.index;
        }
    }
    if (count == 0)
        return 0;
    int first = originals.front().first, last = originals.back().first;
    if (first > last)
        std::swap(first, last);
    std::sort(originals.begin(), originals.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    UndoItem item;
    std::wstring old, s;
    size_t k = 0;
    for (int l = first; l <= last; l++) {
        if (l > first)
            old.push_back(L'\n');
        if (k < originals.size() && originals[k].first == l)
            old += originals[k++].second;
        else {
            line_text(l, s);
            old += s;
        }
    }
    edit_utf8::Encode(old.data(), old.size(), item.text);
    item.beforeLine = before.line;
    item.beforeIndex = before.index;
    item.startLine = first;
    item.startIndex = 0;
    item.endLine = last;
    item.endIndex = line_length(last);
    clamp_cursor();
    item.afterLine = curLine;
    item.afterIndex = curIndex;
    StoreUndoItem(item);
    redraw = true;
    return count;
}
