#include "host/ui/ProgressRunner.hpp"
#include "host/ui/Form.hpp"
#include "host/ui/Session.hpp"
#include "support/ScriptedUser.hpp"

#include <gtest/gtest.h>

#include <functional>

using namespace Talvex::Ui;
using Talvex::Testing::ScriptedUser;

namespace {

class CountingProcess : public IProcessObject {
public:
    explicit CountingProcess(long count) : count_(count) {}
    std::string Caption() override { return "Filling the list"; }
    long CountStep() override { return count_; }
    bool Step(long index) override
    {
        steps.push_back(index);
        if (Session* session = Session::TryCurrent(); session && session->Progress())
            windowTexts.push_back(session->Progress()->Text());
        return onStep ? onStep(index) : true;
    }

    std::vector<long> steps;
    std::vector<std::string> windowTexts;
    std::function<bool(long)> onStep;

private:
    long count_;
};

} // namespace

TEST(ProgressRunner, CallsStepOncePerCountFromOneAndRecordsTheRun)
{
    ScriptedUser user;
    CountingProcess process(4);
    const ProgressRecord record = ProgressRunner().Run(process);

    EXPECT_EQ(process.steps, (std::vector<long>{1, 2, 3, 4}));
    EXPECT_EQ(process.windowTexts.front(), "step 1 of 4");
    EXPECT_EQ(process.windowTexts.back(), "step 4 of 4");
    EXPECT_EQ(record.stepsDone, 4);
    EXPECT_FALSE(record.cancelled);
    ASSERT_EQ(user.ProgressRuns().size(), 1u);
    EXPECT_EQ(user.ProgressRuns()[0].caption, "Filling the list");
    EXPECT_FALSE(user.Session().Progress().has_value()); // the window is closed

    CountingProcess empty(0);
    EXPECT_EQ(ProgressRunner().Run(empty).stepsDone, 0);
    EXPECT_TRUE(empty.steps.empty());
}

TEST(ProgressRunner, StopsBetweenStepsOnCancelAndOnAStepThatSaysStop)
{
    ScriptedUser user("progress cancel 2\n");
    CountingProcess cancelled(10);
    const ProgressRecord first = ProgressRunner().Run(cancelled);
    EXPECT_EQ(cancelled.steps, (std::vector<long>{1, 2}));
    EXPECT_TRUE(first.cancelled);
    EXPECT_EQ(first.stepsDone, 2);

    // A cancel coming from another front end during a step is seen before the next one,
    // and a cancel left over after the last step does not cancel the next run.
    CountingProcess late(3);
    late.onStep = [&](long index) {
        if (index == 3) user.Session().Post(CancelProgressAction{});
        return true;
    };
    EXPECT_FALSE(ProgressRunner().Run(late).cancelled);
    CountingProcess next(3);
    EXPECT_EQ(ProgressRunner().Run(next).stepsDone, 3);

    CountingProcess stopping(5);
    stopping.onStep = [](long index) { return index < 3; };
    const ProgressRecord stopped = ProgressRunner().Run(stopping);
    EXPECT_EQ(stopping.steps, (std::vector<long>{1, 2, 3}));
    EXPECT_TRUE(stopped.stopped);
    EXPECT_FALSE(stopped.cancelled);
}

TEST(ProgressRunner, AStepThatThrowsEndsTheRunAndIsReported)
{
    ScriptedUser user;
    CountingProcess failing(5);
    failing.onStep = [](long index) -> bool {
        if (index == 2) throw std::runtime_error("document K-17 could not be written");
        return true;
    };
    const ProgressRecord record = ProgressRunner().Run(failing);
    EXPECT_TRUE(record.failed);
    EXPECT_EQ(record.stepsDone, 1);
    EXPECT_EQ(user.ErrorsText(), "ProgressRunner: Filling the list, step 2: document K-17 could not be written\n");
    EXPECT_FALSE(user.Session().Progress().has_value());
}
