#include "command/environment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

TEST(Environment, ChainAndSubstitution)
{
    setenv("HOME", "/home/ann", 1);
    ConfEnv.Clear();
    SessionEnv.Clear();
    ConfEnv.Set("TOOLS", "/opt/tools");
    SessionEnv.Set("tools", "/srv/tools");  // names ignore case; the session wins
    EXPECT_STREQ(SessionEnv.Get("TOOLS"), "/srv/tools");
    EXPECT_STREQ(ConfEnv.Get("Tools"), "/opt/tools");
    EXPECT_NE(SessionEnv.Get("PATH"), nullptr);  // the process's own variables at the root
    SessionEnv.Set("TOOLS", nullptr);
    EXPECT_STREQ(SessionEnv.Get("TOOLS"), "/opt/tools");

    ConfEnv.Set("CITY", "\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0");  // kept as UTF-8 bytes
    const struct { const wchar_t* in; const wchar_t* out; } rows[] = {
        {L"~/src", L"/home/ann/src"},
        {L"x~/src", L"x~/src"},
        {L"$TOOLS/bin", L"/opt/tools/bin"},
        {L"$TOOLS$x", L"/opt/toolsx"},          // a "$" closing a found name goes too
        {L"$NOSUCHVAR/x", L"/x"},               // unknown names become empty
        {L"$NOSUCHVAR$x", L""},                 // ... and scanning goes on at the next "$"
        {L"a$", L"a$"},
        {L"$CITY/", L"\x041C\x043E\x0441\x043A\x0432\x0430/"},
        {L"$TOOLS$TOOLS", L"/opt/toolsTOOLS"},
    };
    for (const auto& r : rows) {
        Westring w(r.in);
        SubstEnvVars(w);
        EXPECT_STREQ(w.c_str(), r.out) << r.in;
    }

    std::vector<std::string> block = SessionEnv.Block();
    EXPECT_NE(std::find(block.begin(), block.end(), "TOOLS=/opt/tools"), block.end());
    EXPECT_EQ(std::count_if(block.begin(), block.end(), [](const std::string& s) { return s.rfind("PATH=", 0) == 0; }), 1);
    ConfEnv.Clear();
}
