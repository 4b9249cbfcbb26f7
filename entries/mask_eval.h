#ifndef PANNEX_ENTRIES_MASK_EVAL_H
#define PANNEX_ENTRIES_MASK_EVAL_H

#include "foundation/estring.h"
#include "foundation/westring.h"

#include <ctime>
#include <vector>

struct entry;

// The filter language of panel filters, group selection, associations and
// file find:
//
//   expression = primary { "|" primary }        any operand true
//   primary    = secondary { "&" secondary }    all operands true
//   secondary  = "!" secondary | "(" expression ")" | value
//   value      = "%" attribute test | pattern
//
// A pattern runs to the next "|", "&" or ")" outside double quotes (which
// are removed) and is matched against the name with wild. An attribute test
// is "%name", an operator ("<", "=", ">", "<=", ">=", "==", "!=") and a
// value: %size (k, m, g units), %date (a date in the locale's order), %age
// (d, h, m units, else seconds), %attrib (letters ADHRS), %owner, %group,
// %perm (letters RWX). Blanks between elements are skipped; text after a
// complete expression is ignored.
//
// An expression is compiled once and then evaluated per entry.
class CMaskExpression
{
public:
    // False when the expression is invalid.
    bool Compile(const wchar_t* text);
    bool Valid() const { return valid; }
    // Whether evaluating needs the present time (an %age test).
    bool UsesTime() const { return uses_time; }
    // 1 when e matches, 0 when not, -1 for an invalid expression. now is
    // the time %age measures from.
    int Evaluate(const entry& e, std::time_t now) const;

private:
    enum Kind : unsigned char { Or, And, Not, Pattern, Test };
    enum Attribute : unsigned char { Size, Date, Age, Attrib, Owner, Group, Perm };
    struct Node
    {
        Kind kind;
        Attribute attribute;
        char op[2];
        // Operands of Or and And (first and last child index), of Not (a).
        int a, b;
        long long value;
        Westring pattern;
    };

    int parse_expression(const wchar_t*& p);
    int parse_primary(const wchar_t*& p);
    int parse_list(const wchar_t*& p, wchar_t separator, Kind kind, int (CMaskExpression::*operand)(const wchar_t*&));
    int parse_secondary(const wchar_t*& p);
    int parse_value(const wchar_t*& p);
    int parse_test(const wchar_t*& p);
    int add(Node n);
    bool eval(int node, const entry& e, std::time_t now) const;

    std::vector<Node> nodes;
    // Children of Or and And nodes, in order.
    std::vector<int> children;
    int root = -1;
    bool valid = false;
    bool uses_time = false;
};

// 1 when the entry matches the expression, 0 when not, -1 when the
// expression is invalid. The last expression's compiled form is kept (per
// thread), so filtering a directory compiles it once.
int mask_eval(const wchar_t* expression, const entry& e);
// The same for a bare name (every other field 0). Validity checks use the
// name "test".
int mask_eval(const wchar_t* expression, const wchar_t* name);

// Midnight (local time) of a date written in the locale's order (month,
// day, year / day, month, year / year, month, day) with the locale's date
// separator; a two-digit year above 70 is 19xx, else 20xx.
long str2unixtime(Estring date);

#endif
