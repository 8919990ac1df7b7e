// The table of sign-ins and the throttle of failed ones, with a clock the test moves.

#include "web/SignIns.hpp"
#include "RunningServer.hpp"
#include "host/types/Errors.hpp"
#include "web/SignInThrottle.hpp"

#include <gtest/gtest.h>

#include <set>

namespace Talvex::Testing {
namespace {

using namespace std::chrono_literals;

TEST(SignIns, EndIdleAfterTheLimitAndPushOutTheIdlestWhenFull)
{
    ManualClock clock;
    Web::SignIns table(10min, 3, clock.Function());
    const std::string a = table.Begin("a");
    clock.Advance(1s);
    const std::string b = table.Begin("b");
    clock.Advance(1s);
    const std::string c = table.Begin("c");
    EXPECT_EQ(std::set<std::string>({a, b, c}).size(), 3u);
    clock.Advance(1s);
    EXPECT_EQ(table.Use(a), "a"); // now b is the idlest
    const std::string d = table.Begin("d");
    EXPECT_EQ(table.Count(), 3u) << "the table never grows past its size";
    EXPECT_FALSE(table.Use(b)) << "the idlest made room";
    EXPECT_EQ(table.Use(c), "c");
    EXPECT_EQ(table.Use(d), "d");

    clock.Advance(10min - 1s);
    EXPECT_EQ(table.Use(a), "a") << "one second short of the limit";
    EXPECT_TRUE(table.Live(Web::SignIns::KeyOf(a)));
    clock.Advance(10min);
    EXPECT_FALSE(table.Use(a)) << "idle for exactly the limit";
    EXPECT_FALSE(table.Live(Web::SignIns::KeyOf(c)));
    EXPECT_FALSE(table.Use(""));
    EXPECT_FALSE(table.Use(d + "0"));
    const std::string e = table.Begin("e");
    table.End(e);
    EXPECT_FALSE(table.Use(e));
    EXPECT_THROW(Web::SignIns(0s, 1, {}), ValueError);
}

TEST(SignInThrottle, WaitDoublesPerFailureForgetsAndStaysBounded)
{
    ManualClock clock;
    Web::SignInThrottle throttle(2, clock.Function());
    for (int i = 0; i < Web::SignInThrottle::kFreeFailures - 1; ++i)
        throttle.Failed("10.0.0.1");
    EXPECT_FALSE(throttle.WaitFor("10.0.0.1")) << "a few slips are free";
    throttle.Failed("10.0.0.1");
    EXPECT_EQ(throttle.WaitFor("10.0.0.1"), 1s);
    EXPECT_FALSE(throttle.WaitFor("10.0.0.2")) << "another address is not slowed";
    throttle.Failed("10.0.0.1");
    throttle.Failed("10.0.0.1");
    EXPECT_EQ(throttle.WaitFor("10.0.0.1"), 4s);
    clock.Advance(3s);
    EXPECT_EQ(throttle.WaitFor("10.0.0.1"), 1s);
    clock.Advance(1s);
    EXPECT_FALSE(throttle.WaitFor("10.0.0.1"));
    for (int i = 0; i < 40; ++i)
        throttle.Failed("10.0.0.1");
    EXPECT_EQ(throttle.WaitFor("10.0.0.1"), Web::SignInThrottle::kLongestWait);
    clock.Advance(Web::SignInThrottle::kMemory);
    EXPECT_FALSE(throttle.WaitFor("10.0.0.1")) << "old failures are forgotten";

    // Two slots: a third address takes the place of the one that failed longest ago.
    Web::SignInThrottle small(2, clock.Function());
    for (const std::string address : {"a", "b", "c"}) {
        clock.Advance(1s);
        for (int i = 0; i < Web::SignInThrottle::kFreeFailures + 3; ++i) // each waits 8 s
            small.Failed(address);
    }
    EXPECT_FALSE(small.WaitFor("a")) << "pushed out";
    EXPECT_TRUE(small.WaitFor("b"));
    EXPECT_TRUE(small.WaitFor("c"));
    small.Succeeded("c");
    EXPECT_FALSE(small.WaitFor("c"));
}

} // namespace
} // namespace Talvex::Testing
