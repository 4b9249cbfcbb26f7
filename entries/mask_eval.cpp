#include "entries/mask_eval.h"

#include "entries/entry.h"
#include "entries/locale_facts.h"
#include "fileops/file_system.h"
#include "fileops/permissions.h"
#include "foundation/wild.h"

#include <climits>
#include <cstring>
#include <cwchar>
#include <cwctype>

namespace {

// The archive bit of the attribute letters; directory reading never sets it.
constexpr int AttrArchive = 0x20;

void skip_blanks(const wchar_t*& p)
{
    while (*p == L' ')
        p++;
}

bool ascii_letter(wchar_t c)
{
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

bool ascii_digit(wchar_t c)
{
    return c >= L'0' && c <= L'9';
}

// The decimal number at the start of s, saturating instead of overflowing.
long long leading_number(const wchar_t* s)
{
    long long n = 0;
    for (; ascii_digit(*s); s++) {
        int d = *s - L'0';
        n = n > (LLONG_MAX - d) / 10 ? LLONG_MAX : n * 10 + d;
    }
    return n;
}

long long scaled(long long n, long long unit)
{
    return n > LLONG_MAX / unit ? LLONG_MAX : n * unit;
}

// The value of a number with an optional unit letter at its end.
long long number_with_unit(const Westring& v, const wchar_t* units, const long long* factors)
{
    long long n = leading_number(v.c_str());
    wchar_t last = v[v.strlen() - 1];
    for (int i = 0; units[i]; i++)
        if (last == units[i])
            return scaled(n, factors[i]);
    return n;
}

long long letter_bits(const Westring& v, const wchar_t* letters, const int* bits)
{
    long long r = 0;
    for (const wchar_t* p = v.c_str(); *p; p++)
        for (int i = 0; letters[i]; i++)
            if (std::towupper(static_cast<wint_t>(*p)) == static_cast<wint_t>(letters[i]))
                r |= bits[i];
    return r;
}

std::time_t local_midnight(std::time_t t)
{
    std::tm tm;
    localtime_r(&t, &tm);
    tm.tm_hour = tm.tm_min = tm.tm_sec = 0;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

}

int CMaskExpression::add(Node n)
{
    nodes.push_back(std::move(n));
    return static_cast<int>(nodes.size()) - 1;
}

bool CMaskExpression::Compile(const wchar_t* text)
{
    nodes.clear();
    children.clear();
    uses_time = false;
    const wchar_t* p = text ? text : L"";
    root = parse_expression(p);
    valid = root >= 0;
    return valid;
}

int CMaskExpression::parse_expression(const wchar_t*& p)
{
    return parse_list(p, L'|', Or, &CMaskExpression::parse_primary);
}

int CMaskExpression::parse_primary(const wchar_t*& p)
{
    return parse_list(p, L'&', And, &CMaskExpression::parse_secondary);
}

// operand { separator operand }: a single operand stands for itself, more
// make a node of kind over them.
int CMaskExpression::parse_list(const wchar_t*& p, wchar_t separator, Kind kind,
                                int (CMaskExpression::*operand)(const wchar_t*&))
{
    std::vector<int> operands;
    for (;;) {
        int n = (this->*operand)(p);
        if (n < 0)
            return -1;
        operands.push_back(n);
        skip_blanks(p);
        if (*p != separator)
            break;
        p++;
    }
    if (operands.size() == 1)
        return operands[0];
    int first = static_cast<int>(children.size());
    children.insert(children.end(), operands.begin(), operands.end());
    return add({kind, Size, {0, 0}, first, static_cast<int>(children.size()), 0, Westring()});
}

int CMaskExpression::parse_secondary(const wchar_t*& p)
{
    skip_blanks(p);
    if (*p == L'!') {
        p++;
        int n = parse_secondary(p);
        return n < 0 ? -1 : add({Not, Size, {0, 0}, n, 0, 0, Westring()});
    }
    if (*p == L'(') {
        p++;
        int n = parse_expression(p);
        if (n < 0)
            return -1;
        skip_blanks(p);
        if (*p != L')')
            return -1;
        p++;
        return n;
    }
    return parse_value(p);
}

int CMaskExpression::parse_value(const wchar_t*& p)
{
    if (*p == L'%')
        return parse_test(p);
    Westring pattern;
    bool quoted = false;
    for (; *p; p++) {
        if (*p == L'"') {
            quoted = !quoted;
            continue;
        }
        if (!quoted && (*p == L'|' || *p == L'&' || *p == L')'))
            break;
        pattern += *p;
    }
    int len = pattern.strlen();
    while (len > 0 && pattern[len - 1] == L' ')
        len--;
    if (len == 0)
        return -1;
    return add({Pattern, Size, {0, 0}, 0, 0, 0, pattern.left(len)});
}

int CMaskExpression::parse_test(const wchar_t*& p)
{
    p++;
    Westring name;
    while (ascii_letter(*p))
        name += *p++;
    skip_blanks(p);
    if (!*p)
        return -1;
    char op[2] = {static_cast<char>(*p), 0};
    if (*p >= 128)
        return -1;
    p++;
    if (*p == L'=') {
        op[1] = '=';
        p++;
    }
    if (!(op[0] == '<' || op[0] == '=' || op[0] == '>' || (op[0] == '!' && op[1] == '=')))
        return -1;
    skip_blanks(p);
    Westring value;
    wchar_t sep = static_cast<unsigned char>(date_separator);
    while (ascii_letter(*p) || ascii_digit(*p) || *p == sep)
        value += *p++;
    if (value.empty())
        return -1;

    static const long long size_units[] = {1024LL, 1LL << 20, 1LL << 30};
    static const long long age_units[] = {86400, 3600, 60};
    static const int attrib_bits[] = {AttrArchive, AttrDirectory, AttrHidden, AttrReadOnly, AttrSystem};
    static const int perm_bits[] = {4, 2, 1};
    Node n{Test, Size, {op[0], op[1]}, 0, 0, 0, Westring()};
    if (std::wcscmp(name.c_str(), L"size") == 0) {
        n.attribute = Size;
        n.value = number_with_unit(value, L"kmg", size_units);
    } else if (std::wcscmp(name.c_str(), L"date") == 0) {
        n.attribute = Date;
        n.value = str2unixtime(value.ToAscii());
    } else if (std::wcscmp(name.c_str(), L"age") == 0) {
        n.attribute = Age;
        n.value = number_with_unit(value, L"dhm", age_units);
        uses_time = true;
    } else if (std::wcscmp(name.c_str(), L"attrib") == 0) {
        n.attribute = Attrib;
        n.value = letter_bits(value, L"ADHRS", attrib_bits);
    } else if (std::wcscmp(name.c_str(), L"owner") == 0) {
        n.attribute = Owner;
        n.value = static_cast<long long>(Str2UID(value));
    } else if (std::wcscmp(name.c_str(), L"group") == 0) {
        n.attribute = Group;
        n.value = static_cast<long long>(Str2GID(value));
    } else if (std::wcscmp(name.c_str(), L"perm") == 0) {
        n.attribute = Perm;
        n.value = letter_bits(value, L"RWX", perm_bits);
    } else {
        return -1;
    }
    return add(std::move(n));
}

bool CMaskExpression::eval(int i, const entry& e, std::time_t now) const
{
    const Node& n = nodes[i];
    switch (n.kind) {
    case Or:
    case And: {
        // Every operand is evaluated, as the language has no short cut.
        bool any = false, all = true;
        for (int k = n.a; k < n.b; k++) {
            bool r = eval(children[k], e, now);
            any = any || r;
            all = all && r;
        }
        return n.kind == Or ? any : all;
    }
    case Not:
        return !eval(n.a, e, now);
    case Pattern:
        return wild(n.pattern.c_str(), e.name) != 0;
    case Test:
        break;
    }
    long long l = 0;
    switch (n.attribute) {
    case Size:
        l = static_cast<long long>(e.size);
        break;
    case Date:
        l = local_midnight(e.time.seconds);
        break;
    case Age:
        l = now - e.time.seconds;
        break;
    case Attrib:
        l = e.attributes & n.value;
        break;
    case Owner:
        l = static_cast<long long>(e.uid);
        break;
    case Group:
        l = static_cast<long long>(e.gid);
        break;
    case Perm:
        l = MyPermissions(e.mode, e.uid, e.gid) & n.value;
        break;
    }
    long long r = n.value;
    if (n.op[1] == '=' && n.op[0] != '!' && l == r)
        return true;
    switch (n.op[0]) {
    case '<':
        return l < r;
    case '=':
        return l == r;
    case '>':
        return l > r;
    default:
        return l != r;
    }
}

int CMaskExpression::Evaluate(const entry& e, std::time_t now) const
{
    if (!valid)
        return -1;
    return eval(root, e, now) ? 1 : 0;
}

int mask_eval(const wchar_t* expression, const entry& e)
{
    thread_local Westring last_text;
    thread_local CMaskExpression last;
    thread_local bool compiled = false;
    const wchar_t* text = expression ? expression : L"";
    if (!compiled || std::wcscmp(last_text.c_str(), text) != 0) {
        last_text = text;
        last.Compile(text);
        compiled = true;
    }
    return last.Evaluate(e, last.UsesTime() ? std::time(nullptr) : 0);
}

int mask_eval(const wchar_t* expression, const wchar_t* name)
{
    entry* e = entry::Create(name, static_cast<int>(std::wcslen(name)));
    e->time = TimeStamp(0, 0);
    int r = mask_eval(expression, *e);
    entry::Destroy(e);
    return r;
}

long str2unixtime(Estring date)
{
    int numbers[3] = {0, 0, 0};
    const char* p = date.c_str();
    for (int i = 0; i < 3 && *p; i++) {
        long long n = 0;
        for (const char* q = p; *q >= '0' && *q <= '9'; q++)
            n = n < 100000 ? n * 10 + (*q - '0') : n;
        numbers[i] = static_cast<int>(n);
        const char* sep = std::strchr(p, date_separator);
        if (sep)
            p = sep + 1;
    }
    int month, day, year;
    if (date_fmt == 0) {
        month = numbers[0], day = numbers[1], year = numbers[2];
    } else if (date_fmt == 1) {
        day = numbers[0], month = numbers[1], year = numbers[2];
    } else {
        year = numbers[0], month = numbers[1], day = numbers[2];
    }
    if (year < 100)
        year += year > 70 ? 1900 : 2000;
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_isdst = -1;
    return static_cast<long>(std::mktime(&tm));
}
