#include "editor/editor.h"

#include "fileops/global_clip.h"

WestringStore clip;

void TextToClip(const std::wstring& text, WestringStore& store)
{
    store.DestroyAll();
    size_t from = 0;
    for (;;) {
        size_t lf = text.find(L'\n', from);
        std::wstring piece(text, from, lf == std::wstring::npos ? std::wstring::npos : lf - from);
        if (!piece.empty() && piece.back() == L'\r' && lf != std::wstring::npos)
            piece.pop_back();
        store.AddObject(new Westring(piece.c_str()));
        if (lf == std::wstring::npos)
            break;
        from = lf + 1;
    }
}

std::wstring ClipToText(const WestringStore& store)
{
    std::wstring out;
    for (int i = 0; i < store.count; i++) {
        if (i)
            out.push_back(L'\n');
        out += store.At(i)->c_str();
    }
    return out;
}

void PXEditor::clipcopy(bool append)
{
    if (!sel.active)
        return;
    std::wstring t = selected_text();
    if (append && clip.count > 0)
        t = ClipToText(clip) + t;
    TextToClip(t, clip);
    PutGlobalClip(clip);
    sel.extending = false;
    redraw = true;
}

void PXEditor::clipcut()
{
    if (!sel.active)
        return;
    clipcopy(false);
    DeleteSelection();
}

void PXEditor::clippaste()
{
    (void)GetGlobalClip(clip);
    if (clip.count == 0)
        return;
    std::wstring t = ClipToText(clip);
    EPOS a{curLine, curIndex}, b = a;
    // Chosen here: a paste replaces the selection, as typing
    // does.
    if (sel.active) {
        a = {sel.startLine, sel.startIndex};
        b = {sel.endLine, sel.endIndex};
        sel.active = sel.extending = false;
    }
    if (change(a, b, t) != 0)
        (void)0;
}
