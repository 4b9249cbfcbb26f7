#include "command/environment.h"

#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <unistd.h>

ProcessEnvironment Env;
Environment ConfEnv(&Env);
Environment SessionEnv(&ConfEnv);

void Environment::Set(const char* name, const char* value)
{
    if (!name || !*name)
        return;
    if (value) {
        vars.SetValue(name, value);
    } else if (vars.FindItem(Estring(name))) {
        vars.DestroyCurrent();
    }
}

const char* Environment::Get(const char* name) const
{
    for (const Environment* e = this; e; e = e->parent) {
        KeyedValueSet& v = const_cast<KeyedValueSet&>(e->vars);
        if (const Estring* value = v.GetValue(name))
            return value->c_str();
    }
    return nullptr;
}

void Environment::Clear()
{
    vars.DestroyAll();
}

void Environment::Flatten(Environment& into) const
{
    if (parent)
        parent->Flatten(into);
    for (int i = 0; i < vars.count; i++)
        into.Set(vars.At(i)->key.c_str(), vars.At(i)->value.c_str());
}

std::vector<std::string> Environment::Block() const
{
    Environment flat;
    Flatten(flat);
    std::vector<std::string> block;
    for (int i = 0; i < flat.vars.count; i++) {
        const KeyedValue* kv = flat.vars.At(i);
        block.push_back(std::string(kv->key.c_str()) + "=" + kv->value.c_str());
    }
    return block;
}

ProcessEnvironment::ProcessEnvironment()
{
    for (char** p = environ; p && *p; p++) {
        const char* eq = std::strchr(*p, '=');
        if (!eq || eq == *p)
            continue;
        Set(Estring(*p).left(static_cast<int>(eq - *p)).c_str(), eq + 1);
    }
}

namespace {

bool name_char(wchar_t c)
{
    return c == L'_' || (c < 128 && std::iswalnum(static_cast<wint_t>(c)));
}

}

void SubstEnvVars(Westring& text)
{
    if (text[0] == L'~' && text[1] == L'/')
        text = FileNameFromSys(std::getenv("HOME")) + L"/" + text.mid(2, 0);
    for (int i = 0; i < text.strlen(); i++) {
        if (text[i] != L'$')
            continue;
        int end = i + 1;
        while (name_char(text[end]))
            end++;
        if (end == i + 1)
            continue;
        Estring name = text.mid(i + 1, end - i - 1).ToAscii();
        const char* found = SessionEnv.Get(name.c_str());
        Westring value = FileNameFromSys(found ? found : "");
        int cut = end;
        if (!value.empty() && text[end] == L'$')
            cut++;
        text = text.left(i) + value + text.mid(cut, 0);
        i += value.strlen() - 1;
    }
}
