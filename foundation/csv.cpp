#include "foundation/csv.h"

Estring ParseCSVField(const char*& p)
{
    Estring field;
    bool quoted = false;
    bool after_quote = false;
    while (*p) {
        char c = *p++;
        bool was_quote = after_quote;
        after_quote = false;
        if (c == '"') {
            if (!quoted && was_quote) {
                // The second of a doubled quote: one literal quote, and the
                // quoted stretch goes on.
                field += '"';
                quoted = true;
            } else {
                quoted = !quoted;
                after_quote = true;
            }
        } else if (c == ',' && !quoted) {
            break;
        } else if (c == '\\') {
            if (!*p)
                break;
            if (*p >= '0' && *p <= '9') {
                int code = 0;
                for (int i = 0; i < 3 && *p >= '0' && *p <= '9'; i++)
                    code = code * 10 + (*p++ - '0');
                // A NUL cannot be held; an escaped code above 255 keeps its low byte.
                if (code & 0xFF)
                    field += static_cast<char>(code);
            } else {
                field += *p++;
            }
        } else if (c != '\n') {
            field += c;
        }
    }
    return field;
}

Estring ParseCSVField(Estring& s)
{
    const char* p = s.c_str();
    Estring field = ParseCSVField(p);
    s = Estring(p);
    return field;
}
