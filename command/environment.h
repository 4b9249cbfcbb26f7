#ifndef PANNEX_COMMAND_ENVIRONMENT_H
#define PANNEX_COMMAND_ENVIRONMENT_H

#include "foundation/estring.h"
#include "foundation/string_collection.h"
#include "foundation/westring.h"

#include <string>
#include <vector>

// A set of environment variables, names compared without regard to case,
// with an optional parent: a lookup searches the set and then its parents.
// Values are bytes as the system has them (UTF-8 text, or any bytes of a
// path). Logic thread.
class Environment
{
public:
    explicit Environment(Environment* parent = nullptr) : parent(parent) {}
    virtual ~Environment() = default;
    Environment(const Environment&) = delete;
    Environment& operator=(const Environment&) = delete;

    // Sets name to value; a null value removes the variable.
    void Set(const char* name, const char* value);
    // The value of name here or in a parent; null when none has it.
    const char* Get(const char* name) const;
    // Removes every variable of this set (not of its parents).
    void Clear();
    // Copies every variable of the chain into into, the nearest set winning.
    void Flatten(Environment& into) const;
    // The whole chain as "NAME=value" texts, for a child process.
    std::vector<std::string> Block() const;
    const KeyedValueSet& Variables() const { return vars; }

private:
    KeyedValueSet vars;
    Environment* parent;
};

// The process's own environment, read once at start-up.
class ProcessEnvironment : public Environment
{
public:
    ProcessEnvironment();
};

// The chain, child to parent: variables set with the internal set command,
// the [Environment] section of px.ini, the process's environment.
extern ProcessEnvironment Env;
extern Environment ConfEnv;
extern Environment SessionEnv;

// Expands "~/" at the start to the home directory and every "$NAME" (letters,
// digits, "_") to the variable's value in SessionEnv's chain (empty when
// unknown); a "$" right after a name with a value is dropped too.
void SubstEnvVars(Westring& text);

#endif
