#include "command/environment.h"

#include <cstdlib>
#include <cstring>
#include <unistd.h>

ProcessEnvironment Env;
Environment ConfEnv(&Env);
Environment SessionEnv(&ConfEnv);

void Environment::Set(const char* name, const char* value)
{
    if (!name || !*name)
        return;
    if (value)
        vars[name] = value;
    else
        vars.erase(name);
}

const char* Environment::Own(const std::string& name) const
{
    auto it = vars.find(name);
    return it == vars.end() ? nullptr : it->second.c_str();
}

const char* Environment::Get(const char* name) const
{
    if (!name)
        return nullptr;
    std::string key(name);
    for (const Environment* e = this; e; e = e->parent)
        if (const char* value = e->Own(key))
            return value;
    return nullptr;
}

void Environment::Clear()
{
    vars.clear();
}

void Environment::FlattenOwn(std::map<std::string, std::string>& into) const
{
    for (const auto& [name, value] : vars)
        into[name] = value;
}

void Environment::Flatten(std::map<std::string, std::string>& into) const
{
    if (parent)
        parent->Flatten(into);
    FlattenOwn(into);
}

std::vector<std::string> Environment::Block() const
{
    std::map<std::string, std::string> flat;
    Flatten(flat);
    std::vector<std::string> block;
    for (const auto& [name, value] : flat)
        if (!value.empty())
            block.push_back(name + "=" + value);
    return block;
}

const char* ProcessEnvironment::Own(const std::string& name) const
{
    return std::getenv(name.c_str());
}

void ProcessEnvironment::FlattenOwn(std::map<std::string, std::string>& into) const
{
    for (char** p = environ; p && *p; p++) {
        const char* eq = std::strchr(*p, '=');
        if (!eq || eq == *p)
            continue;
        into[std::string(*p, static_cast<size_t>(eq - *p))] = eq + 1;
    }
}

std::vector<std::string> ChildEnvironment(const Westring& path_append)
{
    std::map<std::string, std::string> flat;
    SessionEnv.Flatten(flat);
    if (!path_append.empty()) {
        std::string& path = flat["PATH"];
        if (!path.empty() && path.back() != ':')
            path += ':';
        path += FileNameToSys(path_append).c_str();
    }
    flat["TERM"] = "xterm";
    std::vector<std::string> block;
    block.reserve(flat.size());
    for (const auto& [name, value] : flat)
        if (!value.empty())
            block.push_back(name + "=" + value);
    return block;
}

namespace {

bool name_char(wchar_t c)
{
    return c == L'_' || (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

}

void SubstEnvVars(Westring& text)
{
    if (text[0] == L'~' && text[1] == L'/') {
        const char* home = std::getenv("HOME");
        text = FileNameFromSys(home ? home : "") + L"/" + text.mid(2, 0);
    }
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
