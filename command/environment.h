#ifndef PANNEX_COMMAND_ENVIRONMENT_H
#define PANNEX_COMMAND_ENVIRONMENT_H

#include "foundation/westring.h"

#include <map>
#include <string>
#include <vector>

// A set of environment variables with an optional parent: a lookup searches
// the set and then its parents. Names are compared exactly, as the system
// does (http_proxy and HTTP_PROXY are two variables). Values are bytes as
// the system has them: UTF-8 text, or any bytes of a path. Logic thread.
class Environment
{
public:
    explicit Environment(Environment* parent = nullptr) : parent(parent) {}
    virtual ~Environment() = default;
    Environment(const Environment&) = delete;
    Environment& operator=(const Environment&) = delete;

    // Sets name to value; a null value removes the variable. An empty value
    // is kept: it hides the parents' value, and children do not get it.
    virtual void Set(const char* name, const char* value);
    // The value of name here or in a parent; null when none has it. The
    // pointer is valid until the next Set or Clear of the set that has it.
    const char* Get(const char* name) const;
    // Removes every variable of this set (not of its parents).
    virtual void Clear();
    // Copies every variable of the chain into into, the nearest set winning.
    void Flatten(std::map<std::string, std::string>& into) const;
    // The whole chain as "NAME=value" texts for a child process, sorted by
    // name: what Flatten gives, empty values left out.
    std::vector<std::string> Block() const;

protected:
    virtual const char* Own(const std::string& name) const;
    virtual void FlattenOwn(std::map<std::string, std::string>& into) const;

private:
    std::map<std::string, std::string> vars;
    Environment* parent;
};

// The process's own environment, read where it lives (environ), so that a
// change made with setenv is seen at once. Set and Clear do nothing: the
// program never changes its own environment through this chain.
class ProcessEnvironment : public Environment
{
public:
    void Set(const char*, const char*) override {}
    void Clear() override {}

protected:
    const char* Own(const std::string& name) const override;
    void FlattenOwn(std::map<std::string, std::string>& into) const override;
};

// The chain, child to parent: variables set with the internal set command,
// the [Environment] section of px.ini, the process's environment.
extern ProcessEnvironment Env;
extern Environment ConfEnv;
extern Environment SessionEnv;

// The environment a command runs with: the process's environment overlaid
// by ConfEnv and then SessionEnv; PATH extended once by path_append (the
// PathAppend setting) after a ":"; TERM=xterm, since the built-in terminal
// speaks xterm's sequences; variables with empty values left out.
std::vector<std::string> ChildEnvironment(const Westring& path_append);

// Expands "~/" at the start to the home directory and every "$NAME" (letters,
// digits, "_") to the variable's value in SessionEnv's chain (empty when
// unknown); a "$" right after a name with a value is dropped too.
void SubstEnvVars(Westring& text);

#endif
