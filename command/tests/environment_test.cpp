#include "command/environment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace {

bool has(const std::vector<std::string>& block, const std::string& entry)
{
    return std::find(block.begin(), block.end(), entry) != block.end();
}

int count_named(const std::vector<std::string>& block, const std::string& name)
{
    return static_cast<int>(
        std::count_if(block.begin(), block.end(), [&](const std::string& s) { return s.rfind(name + "=", 0) == 0; }));
}

}

TEST(Environment, ChainAndSubstitution)
{
    setenv("HOME", "/home/ann", 1);
    ConfEnv.Clear();
    SessionEnv.Clear();
    ConfEnv.Set("TOOLS", "/opt/tools");
    SessionEnv.Set("tools", "/srv/tools");  // another variable: names are exact
    EXPECT_STREQ(SessionEnv.Get("TOOLS"), "/opt/tools");
    EXPECT_STREQ(SessionEnv.Get("tools"), "/srv/tools");
    EXPECT_EQ(ConfEnv.Get("Tools"), nullptr);
    EXPECT_NE(SessionEnv.Get("PATH"), nullptr);  // the process's own variables at the root
    setenv("PX_ENV_TEST_LATE", "seen", 1);
    EXPECT_STREQ(SessionEnv.Get("PX_ENV_TEST_LATE"), "seen");  // read where it lives, not a copy
    SessionEnv.Set("tools", nullptr);
    EXPECT_EQ(SessionEnv.Get("tools"), nullptr);

    ConfEnv.Set("CITY", "\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0");  // kept as UTF-8 bytes
    const struct { const wchar_t* in; const wchar_t* out; } rows[] = {
        {L"~/src", L"/home/ann/src"}, {L"x~/src", L"x~/src"}, {L"$TOOLS/bin", L"/opt/tools/bin"},
        {L"$TOOLS$x", L"/opt/toolsx"},          // a "$" closing a found name goes too
        {L"$tools/bin", L"/bin"},               // the lower-case spelling is another name
        {L"$NOSUCHVAR/x", L"/x"},               // unknown names become empty
        {L"$NOSUCHVAR$x", L""},                 // ... and scanning goes on at the next "$"
        {L"a$", L"a$"}, {L"$CITY/", L"\x041C\x043E\x0441\x043A\x0432\x0430/"}, {L"$TOOLS$TOOLS", L"/opt/toolsTOOLS"},
    };
    for (const auto& r : rows) {
        Westring w(r.in);
        SubstEnvVars(w);
        EXPECT_STREQ(w.c_str(), r.out) << r.in;
    }
    ConfEnv.Clear();
}

TEST(Environment, WhatAChildGets)
{
    ConfEnv.Clear();
    SessionEnv.Clear();
    setenv("PATH", "/usr/bin:/bin", 1);
    setenv("http_proxy", "http://lower", 1);
    setenv("HTTP_PROXY", "http://upper", 1);
    setenv("TERM", "dumb", 1);
    setenv("PX_EMPTY_LATER", "x", 1);
    ConfEnv.Set("GREETING", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82");
    ConfEnv.Set("PX_EMPTY_LATER", "");  // an empty value hides the inherited one
    SessionEnv.Set("GREETING", "hi");   // the session overrides px.ini

    std::vector<std::string> env = ChildEnvironment(L"/opt/x");
    EXPECT_TRUE(has(env, "PATH=/usr/bin:/bin:/opt/x"));
    EXPECT_EQ(count_named(env, "PATH"), 1);
    EXPECT_TRUE(has(env, "TERM=xterm"));
    EXPECT_TRUE(has(env, "http_proxy=http://lower"));
    EXPECT_TRUE(has(env, "HTTP_PROXY=http://upper"));
    EXPECT_TRUE(has(env, "GREETING=hi"));
    EXPECT_EQ(count_named(env, "PX_EMPTY_LATER"), 0);
    // Extended once per child, never cumulatively.
    EXPECT_EQ(ChildEnvironment(L"/opt/x"), env);
    EXPECT_TRUE(has(ChildEnvironment(L""), "PATH=/usr/bin:/bin"));
    setenv("PATH", "/usr/bin:", 1);
    EXPECT_TRUE(has(ChildEnvironment(L"/opt/x"), "PATH=/usr/bin:/opt/x"));
    unsetenv("PX_EMPTY_LATER");
    ConfEnv.Clear();
    SessionEnv.Clear();
}
