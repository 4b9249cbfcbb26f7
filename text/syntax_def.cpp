#include "text/syntax_def.h"

#include "console/colours.h"
#include "foundation/csv.h"
#include "foundation/nls.h"
#include "foundation/unicode_case_fold.h"
#include "foundation/wild.h"
#include "foundation/word_chars.h"
#include "text/ini_stack.h"
#include "text/syntax_highlighter.h"
#include "textui/textui_settings.h"

#include <algorithm>
#include <cstring>
#include <cwctype>

namespace {

// A joined line stops growing here, however many lines end in "\".
constexpr int MaxJoinedLine = 65536;

// text (NUL-terminated) starts with t, which is not empty.
bool match_text(const wchar_t* text, const Westring& t, bool caseSensitive, int& length)
{
    const wchar_t* p = t.c_str();
    if (!*p)
        return false;
    int i = 0;
    for (; p[i]; i++) {
        wchar_t a = text[i];
        if (!a)
            return false;
        if (caseSensitive ? a != p[i] : nls_toupper(a) != nls_toupper(p[i]))
            return false;
    }
    length = i;
    return true;
}

int fold_compare(const wchar_t* a, size_t alen, const wchar_t* b, size_t blen, bool caseSensitive)
{
    size_t n = std::min(alen, blen);
    for (size_t i = 0; i < n; i++) {
        wchar_t x = caseSensitive ? a[i] : CUnicodeCaseFold::toupper(a[i]);
        wchar_t y = caseSensitive ? b[i] : CUnicodeCaseFold::toupper(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return alen < blen ? -1 : alen > blen ? 1 : 0;
}

// The file-name pattern of a section header. Brace alternatives may hold
// "*" here ({Makefile,*.mk}): such a group is tried one alternative at a
// time, everything else is the panels' wildcard matching.
bool pattern_matches(const std::wstring& pattern, const wchar_t* name, int depth = 0)
{
    size_t open = pattern.find(L'{');
    while (open != std::wstring::npos && depth < 8) {
        size_t close = pattern.find(L'}', open);
        if (close == std::wstring::npos)
            break;
        std::wstring group = pattern.substr(open + 1, close - open - 1);
        if (group.find(L'*') != std::wstring::npos) {
            std::wstring head = pattern.substr(0, open), tail = pattern.substr(close + 1);
            size_t from = 0;
            for (;;) {
                size_t comma = group.find(L',', from);
                std::wstring alt = group.substr(from, comma == std::wstring::npos ? std::wstring::npos : comma - from);
                if (pattern_matches(head + alt + tail, name, depth + 1))
                    return true;
                if (comma == std::wstring::npos)
                    return false;
                from = comma + 1;
            }
        }
        open = pattern.find(L'{', close);
    }
    return wild(pattern.c_str(), name) != 0;
}

// A line that the next one continues: one final backslash, not two.
bool ends_in_join(const Estring& line)
{
    Estring t = line.rtrim();
    int n = t.strlen();
    return n >= 1 && t.c_str()[n - 1] == '\\' && !(n >= 2 && t.c_str()[n - 2] == '\\');
}

// The fields of a statechange's arguments: ":" separates, "\" takes the
// next character as it is.
std::vector<Estring> split_escaped(const Estring& args)
{
    std::vector<Estring> fields(1);
    for (const char* p = args.c_str(); *p; p++) {
        if (*p == '\\' && p[1])
            fields.back() += *++p;
        else if (*p == ':')
            fields.emplace_back();
        else
            fields.back() += *p;
    }
    for (auto& f : fields)
        f = f.trim();
    return fields;
}

}

void CSyntaxContext::Add(const Estring& list)
{
    const char* p = list.c_str();
    bool any = false, empty_name = false;
    while (*p) {
        Estring field = ParseCSVField(p).trim();
        any = true;
        if (field.empty())
            empty_name = true;
        else if (field == "*")
            everywhere = true;
        else
            names.push_back(field);
    }
    if (list.trim().empty())
        empty_name = true;
    outside = !any || empty_name || (names.empty() && !everywhere);
}

bool CSyntaxContext::Test(const CSyntaxElement* current) const
{
    if (everywhere)
        return true;
    if (!current)
        return outside;
    return std::any_of(names.begin(), names.end(), [&](const Estring& n) { return n == current->name; });
}

bool CSyntaxBlock::TestStart(const wchar_t* text, const CSyntaxElement* current, int& length, bool firstColumn)
{
    if (firstColumnOnly && !firstColumn)
        return false;
    return TestContext(current) && match_text(text, start, caseSensitive, length);
}

bool CSyntaxBlock::TestEnd(const wchar_t* text, int& length)
{
    return match_text(text, end, caseSensitive, length);
}

bool CSyntaxLiteralString::TestStart(const wchar_t* text, const CSyntaxElement* current, int& length, bool)
{
    if (!open || *text != open || !TestContext(current))
        return false;
    length = 1;
    return true;
}

bool CSyntaxLiteralString::TestEnd(const wchar_t* text, int& length)
{
    if (!close || *text != close)
        return false;
    length = 1;
    return true;
}

bool CSyntaxLineComment::TestStart(const wchar_t* text, const CSyntaxElement* current, int& length, bool firstColumn)
{
    if (firstColumnOnly && !firstColumn)
        return false;
    return TestContext(current) && match_text(text, start, caseSensitive, length);
}

bool CSyntaxStateChange::Test(const wchar_t* t, const CSyntaxElement* current, int& length) const
{
    return context.Test(current) && match_text(t, text, caseSensitive, length);
}

void CSyntaxStateChange::DoChange(CContextStack& stack, const std::vector<std::unique_ptr<CSyntaxElement>>& elements)
{
    if (!targetLooked) {
        targetLooked = true;
        for (const auto& e : elements)
            if (e->name == targetName) {
                target = e.get();
                break;
            }
    }
    if (type != ChangePush)
        (void)stack.Pop();
    if (type != ChangePop && target)
        stack.Push(target);
}

namespace {

size_t word_hash(const wchar_t* w, size_t n, bool caseSensitive)
{
    size_t h = 14695981039346656037ull;
    for (size_t i = 0; i < n; i++) {
        wchar_t c = caseSensitive ? w[i] : CUnicodeCaseFold::toupper(w[i]);
        h = (h ^ static_cast<size_t>(c)) * 1099511628211ull;
    }
    return h;
}

}

void WordCollection::Finish()
{
    bool cs = caseSensitive;
    auto less = [cs](const std::wstring& a, const std::wstring& b) {
        return fold_compare(a.data(), a.size(), b.data(), b.size(), cs) < 0;
    };
    std::sort(words.begin(), words.end(), less);
    size_t size = 16;
    while (size < words.size() * 2)
        size *= 2;
    table.assign(size, 0);
    longest = 0;
    for (size_t i = 0; i < words.size(); i++) {
        longest = std::max(longest, words[i].size());
        size_t h = word_hash(words[i].data(), words[i].size(), cs) & (size - 1);
        while (table[h])
            h = (h + 1) & (size - 1);
        table[h] = static_cast<unsigned>(i + 1);
    }
}

bool WordCollection::Contains(const wchar_t* word, int len) const
{
    size_t n = static_cast<size_t>(len);
    if (n > longest || table.empty())
        return false;
    size_t mask = table.size() - 1;
    for (size_t h = word_hash(word, n, caseSensitive) & mask; table[h]; h = (h + 1) & mask) {
        const std::wstring& w = words[table[h] - 1];
        if (fold_compare(w.data(), w.size(), word, n, caseSensitive) == 0)
            return true;
    }
    return false;
}

void SyntaxSymbolList::Add(const Westring& text)
{
    for (const wchar_t* p = text.c_str(); *p; p++) {
        if (static_cast<unsigned>(*p) < 256)
            flags[*p] = true;
        else if (!contains_wide(*p))
            wide.insert(std::lower_bound(wide.begin(), wide.end(), *p), *p);
    }
}

bool SyntaxSymbolList::contains_wide(wchar_t c) const
{
    return std::binary_search(wide.begin(), wide.end(), c);
}


SyntaxDef::SyntaxDef() : defaultColour(ui_colour(ColourFileViewer))
{
    auto chars = std::make_unique<CWordChars>();
    chars->Add(L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789");
    wordChars.push_back(std::move(chars));
}

CWordChars* SyntaxDef::GetWordChars(CSyntaxElement* current)
{
    if (!current)
        return wordChars[0].get();
    if (!current->wordChars) {
        current->wordChars = wordChars[0].get();
        for (const auto& w : wordChars)
            if (w->context.Test(current)) {
                current->wordChars = w.get();
                break;
            }
    }
    return current->wordChars;
}

CSyntaxElement* SyntaxDef::FindElement(const Estring& name) const
{
    for (const auto& e : elements)
        if (e->name == name)
            return e.get();
    return nullptr;
}

bool SyntaxDef::Load(const Westring& iniPath, const Westring& fileName)
{
    CIniStack stack;
    return Load(stack, iniPath, fileName);
}

bool SyntaxDef::Load(CIniStack& stack, const Westring& iniPath, const Westring& fileName)
{
    if (!stack.Open(iniPath))
        return false;
    Westring dir = iniPath.path();
    Westring name = fileName.filename();
    enum { None, Colours, Language } section = None;
    bool matched = false;
    char buf[CIniStack::MaxLine];
    while (stack.gets(buf, sizeof buf) == 0) {
        Estring line = Estring(buf).trim();
        // A final "\" joins the next physical line, as it is, for as long
        // as each joined line ends in one. A doubled final "\\" stands for
        // one backslash and joins nothing, so that a string's escape
        // character can end a line.
        Estring piece = line;
        while (ends_in_join(piece) && line.strlen() < MaxJoinedLine) {
            line = line.rtrim().chop(1);
            if (stack.gets(buf, sizeof buf) != 0)
                break;
            piece = buf;
            line += buf;
        }
        line = line.trim();
        if (line.strlen() >= 2 && std::strcmp(line.c_str() + line.strlen() - 2, "\\\\") == 0)
            line = line.chop(1);
        if (line.empty() || line.c_str()[0] == ';')
            continue;
        if (nls_strnicmp(line.c_str(), "!include ", 9) == 0) {
            Westring file(line.mid(9, 0).trim().c_str());
            if (!file.empty() && file.c_str()[0] != L'/')
                file = dir + L"/" + file;
            if (!file.empty())
                (void)stack.Open(file);
            continue;
        }
        if (line.c_str()[0] == '[') {
            section = None;
            int len = line.strlen();
            if (line.c_str()[len - 1] != ']')
                continue;
            Estring inner = line.mid(1, len - 2).trim();
            if (inner == "Colour Classes") {
                section = Colours;
                continue;
            }
            int colon = inner.chr(':');
            if (colon < 0)
                continue;
            Westring pattern(inner.mid(colon + 1, 0).trim().c_str());
            if (pattern_matches(pattern.c_str(), name.c_str())) {
                section = Language;
                matched = true;
            }
            continue;
        }
        if (section == Colours) {
            int colon = line.chr(':');
            if (colon > 0)
                colourClasses.SetValue(line.left(colon).trim(), line.mid(colon + 1, 0).trim());
        } else if (section == Language)
            element_line(line);
    }
    for (auto& w : words)
        w->Finish();
    return matched;
}

void SyntaxDef::element_line(const Estring& line)
{
    int colon = line.chr(':');
    if (colon < 0)
        return;
    Estring key = line.left(colon).trim();
    Estring rest = line.mid(colon + 1, 0);
    Estring options;
    int slash = key.chr('/');
    if (slash >= 0) {
        options = key.mid(slash + 1, 0).trim();
        key = key.left(slash).trim();
    }
    Estring context;
    bool has_context = false;
    int paren = key.chr('(');
    if (paren >= 0 && key.strlen() > 0 && key.c_str()[key.strlen() - 1] == ')') {
        context = key.mid(paren + 1, key.strlen() - paren - 2);
        key = key.left(paren).trim();
        has_context = true;
    }
    int colon2 = rest.chr(':');
    Estring colour = (colon2 < 0 ? rest : rest.left(colon2)).trim();
    Estring args = colon2 < 0 ? Estring() : rest.mid(colon2 + 1, 0).trim();

    const Estring* cls = colourClasses.GetValue(colour);
    unsigned char attr = Str2Attr(cls ? *cls : colour, defaultColour);
    bool ci = options.chr('i') >= 0 || options.chr('I') >= 0;
    bool eol = options.chr('l') >= 0 || options.chr('L') >= 0;
    bool nonword = options.chr('w') >= 0 || options.chr('W') >= 0;
    bool first = options.chr('b') >= 0 || options.chr('B') >= 0;
    auto setup = [&](CSyntaxElement& e) {
        e.context.Add(context);
        e.colour = attr;
        e.endsAtEol = eol;
        e.endsAtNonWord = nonword;
        e.firstColumnOnly = first;
    };

    if (key == "words") {
        auto w = std::make_unique<WordCollection>();
        w->caseSensitive = !ci;
        w->colour = attr;
        w->context.Add(context);
        Westring list(args.c_str());
        const wchar_t* p = list.c_str();
        while (*p) {
            while (*p && std::iswspace(static_cast<wint_t>(*p)))
                p++;
            const wchar_t* s = p;
            while (*p && !std::iswspace(static_cast<wint_t>(*p)))
                p++;
            if (p > s)
                w->words.emplace_back(s, static_cast<size_t>(p - s));
        }
        words.push_back(std::move(w));
    } else if (key == "symbols") {
        auto s = std::make_unique<SyntaxSymbolList>();
        s->colour = attr;
        s->context.Add(context);
        s->Add(Westring(args.c_str()));
        symbols.push_back(std::move(s));
    } else if (key == "number") {
        auto n = std::make_unique<SyntaxNumber>();
        n->colour = attr;
        n->context.Add(context);
        numbers.push_back(std::move(n));
    } else if (key == "linecomment") {
        auto c = std::make_unique<CSyntaxLineComment>();
        setup(*c);
        c->name = "linecomment";
        c->endsAtEol = true;
        c->start = Westring(args.c_str());
        c->caseSensitive = !ci;
        elements.push_back(std::move(c));
    } else if (key == "blockcomment" || key == "state") {
        Estring name = "blockcomment";
        Estring a = args;
        if (key == "state") {
            int c = a.chr(':');
            if (c < 0)
                return;
            name = a.left(c).trim();
            a = a.mid(c + 1, 0);
        }
        int c = a.chr(':');
        auto b = std::make_unique<CSyntaxBlock>();
        setup(*b);
        b->name = name;
        b->start = Westring((c < 0 ? a : a.left(c)).trim().c_str());
        b->end = Westring(c < 0 ? "" : a.mid(c + 1, 0).trim().c_str());
        b->caseSensitive = !ci;
        elements.push_back(std::move(b));
    } else if (key == "string") {
        // open ":" close [":" escape], one character each, blanks around
        // them allowed.
        std::vector<Westring> f;
        Estring a = args;
        for (;;) {
            int c = a.chr(':');
            f.emplace_back((c < 0 ? a : a.left(c)).trim().c_str());
            if (c < 0)
                break;
            a = a.mid(c + 1, 0);
        }
        if (f.size() < 2 || f[0].empty() || f[1].empty())
            return;
        auto s = std::make_unique<CSyntaxLiteralString>();
        setup(*s);
        s->name = "string";
        s->open = f[0].c_str()[0];
        s->close = f[1].c_str()[0];
        s->escape = f.size() > 2 && !f[2].empty() ? f[2].c_str()[0] : escape;
        elements.push_back(std::move(s));
    } else if (key == "statechange") {
        std::vector<Estring> f = split_escaped(args);
        if (f.size() < 3)
            return;
        auto sc = std::make_unique<CSyntaxStateChange>();
        sc->colour = attr;
        sc->context.Add(context);
        sc->text = Westring(f[0].c_str());
        sc->type = f[1] == "pop" ? ChangePop : f[1] == "push" ? ChangePush : ChangePopPush;
        sc->targetName = f[2];
        sc->caseSensitive = !ci;
        stateChanges.push_back(std::move(sc));
    } else if (key == "wordchars") {
        Westring chars(colour.c_str());
        if (!has_context)
            wordChars[0]->Add(chars);
        else {
            auto w = std::make_unique<CWordChars>();
            w->context.Add(context);
            w->Add(chars);
            wordChars.push_back(std::move(w));
        }
    } else if (key == "escape") {
        Westring e(colour.c_str());
        escape = e.c_str()[0];
    }
}
