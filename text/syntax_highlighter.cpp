#include "text/syntax_highlighter.h"

#include "foundation/nls.h"
#include "foundation/std_file.h"
#include "text/ini_stack.h"
#include "text/text_settings.h"

#include <cwctype>
#include <sys/stat.h>

void AddChar(CellString& cells, wchar_t c, unsigned char colour)
{
    if (c == 7 || c == 8)
        c = L' ';
    if (c == L'\t') {
        int width = text_tab_width();
        int n = width - cells.length() % width;
        for (int i = 0; i < n; i++)
            cells += ScreenCell(L' ', colour);
        return;
    }
    cells += ScreenCell(c, colour);
}

bool SyntaxHighlighter::LoadDef(const Westring& iniPath, const Westring& fileName)
{
    CIniStack stack;
    return LoadDef(stack, iniPath, fileName);
}

bool SyntaxHighlighter::LoadDef(CIniStack& stack, const Westring& iniPath, const Westring& fileName)
{
    def = std::make_unique<SyntaxDef>();
    Reset();
    loaded = def->Load(stack, iniPath, fileName);
    enabled = loaded;
    prepare();
    return loaded;
}

bool SyntaxHighlighter::LoadDef(const Westring& userIni, const Westring& dataIni, const Westring& fileName)
{
    struct stat st;
    bool user = !userIni.empty() && stat(FileNameToSys(userIni).c_str(), &st) == 0;
    return LoadDef(user || dataIni.empty() ? userIni : dataIni, fileName);
}

void SyntaxHighlighter::prepare()
{
    for (bool& b : startChars)
        b = false;
    wideStarts = false;
    auto note = [this](wchar_t c, bool caseSensitive) {
        wchar_t forms[3] = {c, caseSensitive ? c : nls_toupper(c), caseSensitive ? c : static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)))};
        for (wchar_t f : forms) {
            if (static_cast<unsigned>(f) < 256)
                startChars[f] = true;
            else
                wideStarts = true;
        }
        // Case folding can reach Latin-1 from above it (the Kelvin sign
        // and k): such a definition tests everywhere.
        if (!caseSensitive && static_cast<unsigned>(c) >= 128)
            wideStarts = true;
    };
    for (const auto& e : def->elements) {
        if (auto* b = dynamic_cast<CSyntaxBlock*>(e.get()); b && !b->start.empty())
            note(b->start.c_str()[0], b->caseSensitive);
        else if (auto* l = dynamic_cast<CSyntaxLineComment*>(e.get()); l && !l->start.empty())
            note(l->start.c_str()[0], l->caseSensitive);
        else if (auto* s = dynamic_cast<CSyntaxLiteralString*>(e.get()); s && s->open)
            note(s->open, true);
    }
    for (const auto& sc : def->stateChanges)
        if (!sc->text.empty())
            note(sc->text.c_str()[0], sc->caseSensitive);
    startInWord = wideStarts;
    for (int c = 0; c < 256; c++)
        if (startChars[c] && def->GetWordChars(nullptr)->IsWordChar(static_cast<wchar_t>(c)))
            startInWord = true;
}

CSyntaxElement* SyntaxHighlighter::TestElementStart(const wchar_t* text, CSyntaxElement* current, int& length,
                                                    bool firstColumn)
{
    for (const auto& e : def->elements)
        if (e->TestStart(text, current, length, firstColumn))
            return e.get();
    return nullptr;
}

CSyntaxStateChange* SyntaxHighlighter::TestStateChange(const wchar_t* text, CSyntaxElement* current, int& length)
{
    for (const auto& sc : def->stateChanges)
        if (sc->Test(text, current, length)) {
            sc->DoChange(stack, def->elements);
            return sc.get();
        }
    return nullptr;
}

void SyntaxHighlighter::add(CellString* cells, const wchar_t* text, int n, unsigned char colour)
{
    if (cells)
        for (int i = 0; i < n; i++)
            AddChar(*cells, text[i], colour);
}

void SyntaxHighlighter::ProcessLine(const wchar_t* line, CellString& cells)
{
    ProcessLine(line, static_cast<int>(std::wcslen(line)), &cells);
}

void SyntaxHighlighter::ProcessLine(const wchar_t* line, int len, CellString* cells)
{
    if (cells)
        *cells = L"";
    if (!enabled) {
        add(cells, line, len, def->defaultColour);
        return;
    }
    SyntaxDef& d = *def;
    CSyntaxElement* current = stack.Top();
    int i = 0;
    CWordChars* outside = d.GetWordChars(nullptr);
    while (i < len) {
        if (!current && !cells) {
            // Catching up outside every state, only what may start an
            // element or change the state counts: skip to it, a word at a
            // time as the steps below would.
            if (!startInWord) {
                // No word character starts anything: words need no care.
                while (i < len && !(static_cast<unsigned>(line[i]) < 256 ? startChars[line[i]] : wideStarts))
                    i++;
            } else
                while (i < len) {
                    wchar_t c = line[i];
                    if (static_cast<unsigned>(c) < 256 ? startChars[c] : wideStarts)
                        break;
                    i++;
                    if (outside->IsWordChar(c))
                        while (i < len && outside->IsWordChar(line[i]))
                            i++;
                }
            if (i >= len)
                break;
        }
        const wchar_t* t = line + i;
        wchar_t c = *t;
        int n = 0;
        // a. The open element ends here.
        if (current && current->TestEnd(t, n)) {
            add(cells, t, n, current->colour);
            i += n;
            (void)stack.Pop();
            current = stack.Top();
            continue;
        }
        bool may_start = static_cast<unsigned>(c) < 256 ? startChars[c] : wideStarts;
        if (may_start) {
            // b. An element starts here.
            if (CSyntaxElement* e = TestElementStart(t, current, n, i == 0)) {
                add(cells, t, n, e->colour);
                i += n;
                stack.Push(e);
                current = stack.Top();
                continue;
            }
            // c. A state change.
            if (CSyntaxStateChange* sc = TestStateChange(t, current, n)) {
                add(cells, t, n, sc->colour);
                i += n;
                current = stack.Top();
                continue;
            }
        }
        unsigned char colour = current ? current->colour : d.defaultColour;
        CWordChars* wc = d.GetWordChars(current);
        if (wc->IsWordChar(c)) {
            // d. A whole word: a number when it starts with a digit, else
            // perhaps a keyword. Catching up needs neither.
            int j = i + 1;
            while (j < len && wc->IsWordChar(line[j]))
                j++;
            if (!cells) {
                i = j;
                continue;
            }
            if (c >= L'0' && c <= L'9') {
                for (const auto& num : d.numbers)
                    if (num->context.Test(current))
                        colour = num->colour;
            } else {
                for (const auto& w : d.words)
                    if (w->context.Test(current) && w->Contains(t, j - i)) {
                        colour = w->colour;
                        break;
                    }
            }
            add(cells, t, j - i, colour);
            i = j;
        } else {
            // e. Any other character ends a state with option "w", takes
            // the colour of its symbol list and may escape the next one.
            if (current && current->endsAtNonWord) {
                (void)stack.Pop();
                current = stack.Top();
                colour = current ? current->colour : d.defaultColour;
            }
            if (cells)
                for (const auto& s : d.symbols)
                    if (s->Contains(c) && s->context.Test(current))
                        colour = s->colour;
            if (current && current->escape && c == current->escape && i + 1 < len) {
                add(cells, t, 2, colour);
                i += 2;
            } else {
                add(cells, t, 1, colour);
                i++;
            }
        }
        current = stack.Top();
    }
    // States that end with the line or with the word do not carry over.
    while ((current = stack.Top()) && (current->endsAtEol || current->endsAtNonWord))
        (void)stack.Pop();
}
