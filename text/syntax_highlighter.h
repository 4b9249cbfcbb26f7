#ifndef PANNEX_TEXT_SYNTAX_HIGHLIGHTER_H
#define PANNEX_TEXT_SYNTAX_HIGHLIGHTER_H

#include "console/cell_string.h"
#include "foundation/westring.h"
#include "text/syntax_def.h"

#include <vector>

// The elements open at a point of the text, innermost last. It does not
// own them: they belong to the SyntaxDef, which outlives every stack taken
// from it. Copying copies the pointers.
class CContextStack
{
public:
    // Deeper nesting is dropped: a definition whose states push on every
    // line could otherwise grow each saved state without bound.
    static constexpr int MaxDepth = 256;

    void Push(CSyntaxElement* e)
    {
        if (static_cast<int>(items.size()) < MaxDepth)
            items.push_back(e);
    }
    // The top element, removed; null when empty.
    CSyntaxElement* Pop()
    {
        if (items.empty())
            return nullptr;
        CSyntaxElement* e = items.back();
        items.pop_back();
        return e;
    }
    CSyntaxElement* Top() const { return items.empty() ? nullptr : items.back(); }
    void Clear() { items.clear(); }
    int Count() const { return static_cast<int>(items.size()); }
    CSyntaxElement* At(int i) const { return items[static_cast<size_t>(i)]; }
    bool operator==(const CContextStack&) const = default;

private:
    std::vector<CSyntaxElement*> items;
};

// What carries from one line to the next.
class SyntaxHighlighterState
{
public:
    void Reset() { stack.Clear(); }
    bool operator==(const SyntaxHighlighterState&) const = default;

    CContextStack stack;
};

// Adds c to cells in colour: BEL and backspace as a blank, a tab as blanks
// up to the next multiple of TabWidth counted from the cells already in
// the row (the one tab rule of the program).
void AddChar(CellString& cells, wchar_t c, unsigned char colour);

// Colours lines of text by a SyntaxDef, carrying the open comments,
// strings and states from line to line. Logic thread.
class SyntaxHighlighter : public SyntaxHighlighterState
{
public:
    // Loads the definition for fileName from iniPath: whether a section
    // matched. Enables colouring and resets the state.
    // The definition is replaced: states taken from the old one (a
    // CSyntaxStateStore's checkpoints) must be reset too.
    bool LoadDef(const Westring& iniPath, const Westring& fileName);
    // The same from the files stack opens (tests: files from memory).
    bool LoadDef(CIniStack& stack, const Westring& iniPath, const Westring& fileName);
    // As LoadDef, trying the user's file first and the data directory's
    // when the user has none (either path may be empty). The user's file
    // wins whenever it exists, matched or not.
    bool LoadDef(const Westring& userIni, const Westring& dataIni, const Westring& fileName);
    void Disable() { enabled = false; }
    // Colours again with the definition loaded before, whose states stay
    // valid (the viewer switching colouring back on).
    void Enable() { enabled = loaded; }
    bool Enabled() const { return enabled; }

    // Replaces cells by the coloured line and carries the state on.
    void ProcessLine(const wchar_t* line, CellString& cells);
    // len characters (a NUL among them is a character, and line[len] is
    // 0); cells may be null to carry the state on without colouring
    // (catching up).
    void ProcessLine(const wchar_t* line, int len, CellString* cells);

    // The first element (in file order) that starts at text.
    CSyntaxElement* TestElementStart(const wchar_t* text, CSyntaxElement* current, int& length, bool firstColumn);
    // The first state change that matches at text, already applied.
    CSyntaxStateChange* TestStateChange(const wchar_t* text, CSyntaxElement* current, int& length);

    const SyntaxDef& Def() const { return *def; }

private:
    // Notes the first characters of every start and change text, so that
    // most positions need no element tested at all.
    void prepare();
    void add(CellString* cells, const wchar_t* text, int n, unsigned char colour);

    std::unique_ptr<SyntaxDef> def = std::make_unique<SyntaxDef>();
    bool enabled = false;
    bool loaded = false;
    bool startChars[256] = {};
    bool wideStarts = false;
    // Some word character may start an element or a state change.
    bool startInWord = true;
};

#endif
