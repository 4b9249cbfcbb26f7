#include "console/key_codes.h"
#include "tests/screen/px_screen.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

// The harness itself: a script that px does not use up must fail its test,
// or a px that quits early would pass every check it never reached.

TEST(ScreenHarness, KeysOrACheckLeftWhenPxEndsFailTheTest)
{
    bool ran = false;
    EXPECT_NONFATAL_FAILURE(run_px({}, {KEYS({KEY_F10}), KEYS(type_keys("never typed"))}), "left unrun");
    EXPECT_NONFATAL_FAILURE(run_px({}, {KEYS({KEY_F10}), CHECK([&] { ran = true; })}), "left unrun");
    EXPECT_FALSE(ran);
}

TEST(ScreenHarness, PxStillRunningWhereItShouldHaveEndedFailsTheTest)
{
    EXPECT_NONFATAL_FAILURE(run_px({}, {KEYS(type_keys("ls")), EXITS(), KEYS({'x'})}), "still waiting for input");
}

TEST(ScreenHarness, AnExpectedEndLeavesTheRestUnrun)
{
    bool ran = false;
    PX_RUN r = run_px({}, {KEYS({KEY_F10}), EXITS(), CHECK([&] { ran = true; })});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.steps_left, 1);
    EXPECT_FALSE(ran);
}

TEST(ScreenHarness, PxRunsInAShortDirectoryOfItsOwn)
{
    std::string home;
    run_px({}, {CHECK([&] {
               home = px_home();
               EXPECT_EQ(home.rfind("/tmp/pxhome", 0), 0u) << home;
               // The prompt is the working directory: the short home.
               EXPECT_EQ(row(23).substr(0, home.size() + 1), home + ">");
           })});
    EXPECT_FALSE(home.empty());
}
