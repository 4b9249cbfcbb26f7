#ifndef PANNEX_TEXT_SYNTAX_DEF_H
#define PANNEX_TEXT_SYNTAX_DEF_H

#include "foundation/estring.h"
#include "foundation/string_collection.h"
#include "foundation/westring.h"
#include "foundation/word_chars.h"

#include <memory>
#include <string>
#include <vector>

class CIniStack;
class CContextStack;
class CSyntaxElement;

// The states in which an element applies, from the "(…)" of its key: a
// comma-separated list of state names. "*" means everywhere; an empty list
// or an empty name means outside any state.
class CSyntaxContext
{
public:
    void Add(const Estring& list);
    // Whether the element applies with current on top of the stack (null:
    // outside any state).
    bool Test(const CSyntaxElement* current) const;

    std::vector<Estring> names;
    bool outside = true;
    bool everywhere = false;
};

class CWordChars;

// An element that starts and ends: block comments, states, strings and
// line comments. Owned by the SyntaxDef; the highlighter's stack only
// points at them.
class CSyntaxElement
{
public:
    virtual ~CSyntaxElement() = default;
    // Whether the element starts at text (NUL-terminated, the rest of the
    // line), with current on top of the stack; length gets the length of
    // the start text. firstColumn tells that text is the line's start, for
    // elements with option "b".
    virtual bool TestStart(const wchar_t* text, const CSyntaxElement* current, int& length, bool firstColumn) = 0;
    // Whether it ends at text; length gets the length of the end text.
    virtual bool TestEnd(const wchar_t* /*text*/, int& /*length*/) { return false; }
    virtual bool TestContext(const CSyntaxElement* current) const { return context.Test(current); }

    Estring name;
    CSyntaxContext context;
    unsigned char colour = 0;
    // The word characters in this state, found on first use.
    CWordChars* wordChars = nullptr;
    // Option "l": ends at the end of the line; "w": at the first character
    // that is no word character; "b": starts only in the first column.
    bool endsAtEol = false;
    bool endsAtNonWord = false;
    bool firstColumnOnly = false;
    // Escapes the next character inside the element (strings).
    wchar_t escape = 0;
};

// Block comments and user states: a start text and an end text (an empty
// end text never matches, so such a state does not end by text).
class CSyntaxBlock : public CSyntaxElement
{
public:
    bool TestStart(const wchar_t* text, const CSyntaxElement* current, int& length, bool firstColumn) override;
    bool TestEnd(const wchar_t* text, int& length) override;

    Westring start, end;
    bool caseSensitive = true;
};

// A string literal between one opening and one closing character.
class CSyntaxLiteralString : public CSyntaxElement
{
public:
    bool TestStart(const wchar_t* text, const CSyntaxElement* current, int& length, bool firstColumn) override;
    bool TestEnd(const wchar_t* text, int& length) override;

    wchar_t open = 0, close = 0;
};

// A comment to the end of the line.
class CSyntaxLineComment : public CSyntaxElement
{
public:
    bool TestStart(const wchar_t* text, const CSyntaxElement* current, int& length, bool firstColumn) override;

    Westring start;
    bool caseSensitive = true;
};

enum EChangeType {
    ChangePush = 0,
    ChangePop = 1,
    ChangePopPush = 2,
};

// A text that changes the state: pushes a state, pops one, or both.
class CSyntaxStateChange
{
public:
    bool Test(const wchar_t* text, const CSyntaxElement* current, int& length) const;
    // Applies the change; the target state is looked up by name (without
    // case) among elements on first use.
    void DoChange(CContextStack& stack, const std::vector<std::unique_ptr<CSyntaxElement>>& elements);

    unsigned char colour = 0;
    CSyntaxContext context;
    Westring text;
    EChangeType type = ChangePush;
    Estring targetName;
    CSyntaxElement* target = nullptr;
    bool targetLooked = false;
    bool caseSensitive = true;
};

// Keywords of one colour. They are kept sorted, and a hash table over
// them answers a lookup with one comparison as a rule: every word of a
// coloured page is looked up.
class WordCollection
{
public:
    // Sorts the words and builds the table; call once all are added.
    void Finish();
    bool Contains(const wchar_t* word, int len) const;

    std::vector<std::wstring> words;
    bool caseSensitive = true;
    unsigned char colour = 0;
    CSyntaxContext context;

private:
    // Indexes into words plus one (0 empty), open addressing.
    std::vector<unsigned> table;
    size_t longest = 0;
};

// Single characters of one colour.
class SyntaxSymbolList
{
public:
    // Adds the characters of text.
    void Add(const Westring& text);
    bool Contains(wchar_t c) const
    {
        if (static_cast<unsigned>(c) < 256)
            return flags[c];
        return contains_wide(c);
    }

    unsigned char colour = 0;
    CSyntaxContext context;
    bool flags[256] = {};
    std::vector<wchar_t> wide;

private:
    bool contains_wide(wchar_t c) const;
};

// The characters words are made of. Below U+0100 the set's own table
// decides; from U+0100 up a character counts by its full value (a letter or
// digit of any script, iswordchar) or when the set names it, never by its
// low 8 bits.
class CWordChars : public SyntaxSymbolList
{
public:
    bool IsWordChar(wchar_t c) const
    {
        if (static_cast<unsigned>(c) < 256)
            return flags[c];
        return iswordchar(c) || Contains(c);
    }
};

// Words starting with a digit take this colour.
class SyntaxNumber
{
public:
    unsigned char colour = 0;
    CSyntaxContext context;
};

// The colouring rules for one file, read from syntax.ini. Loading adds to
// what is there.
class SyntaxDef
{
public:
    SyntaxDef();

    // Reads iniPath (and what it includes) for the sections whose pattern
    // matches fileName's name. True when at least one section matched. A
    // missing file says nothing.
    bool Load(const Westring& iniPath, const Westring& fileName);
    // The same from the files stack opens (tests give files from memory).
    bool Load(CIniStack& stack, const Westring& iniPath, const Westring& fileName);
    // The word characters in the state current (null: outside).
    CWordChars* GetWordChars(CSyntaxElement* current);
    // The element named name (without case) among the starting elements.
    CSyntaxElement* FindElement(const Estring& name) const;

    std::vector<std::unique_ptr<CWordChars>> wordChars;
    unsigned char defaultColour;
    std::vector<std::unique_ptr<WordCollection>> words;
    std::vector<std::unique_ptr<SyntaxSymbolList>> symbols;
    std::vector<std::unique_ptr<SyntaxNumber>> numbers;
    std::vector<std::unique_ptr<CSyntaxElement>> elements;
    std::vector<std::unique_ptr<CSyntaxStateChange>> stateChanges;
    // The escape character of strings that name none.
    wchar_t escape = 0;
    KeyedValueSet colourClasses;

private:
    void element_line(const Estring& line);
};

#endif
