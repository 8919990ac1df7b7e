#include "host/data/ApplicationLock.hpp"
#include "host/types/Errors.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <thread>

namespace Talvex::Data {
namespace {

// A name as a user could make one (quotes, a statement separator and a comment marker), one
// of its own for each test, so that tests run at once by other programs meet no lock of another.
std::string Resource()
{
    return std::string("Quarn_DuzAde.Lock:K'1;--") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
}

// Whether the connection gets the session's lock at once (LockTimeout 0); taken, it is
// released again so that the probe leaves nothing behind.
bool Free(Connection& db, const std::string& resource)
{
    const auto granted = db.Query("EXEC sp_getapplock @Resource = ?, @LockMode = 'Exclusive', @LockOwner = 'Session', "
                                  "@LockTimeout = 0",
                                  {Value(resource)})
                             .rows.at(0)
                             .at(0)
                             .ToInteger();
    if (granted == 0) db.Execute("EXEC sp_releaseapplock @Resource = ?, @LockOwner = 'Session'", {Value(resource)});
    return granted == 0;
}

std::int64_t BackendPid(Connection& db)
{
    return db.QueryPostgres("SELECT pg_backend_pid()").rows.at(0).at(0).ToInteger();
}

// Waits until the session with the pid waits for a lock.
void UntilWaiting(std::int64_t pid)
{
    Connection watch = Testing::OpenScratchDatabase();
    while (watch.QueryPostgres("SELECT count(*) FROM pg_locks WHERE pid = $1 AND NOT granted", {Value(pid)})
               .rows.at(0)
               .at(0)
               .ToInteger() == 0)
        std::this_thread::yield();
}

TEST(ApplicationLock, SessionLockKeepsOtherSessionsOutOfItsNameOnlyWhileItLives)
{
    const std::string kResource = Resource();
    Connection mine = Testing::OpenScratchDatabase();
    Connection other = Testing::OpenScratchDatabase();
    {
        SessionLock lock(mine, kResource);
        EXPECT_EQ(lock.Resource(), kResource);
        EXPECT_FALSE(Free(other, kResource));
        // Another name is another lock.
        EXPECT_TRUE(Free(other, kResource + "2"));
        // Held by the session, not by a transaction: a unit ending does not let it go.
        {
            Transaction unit(mine);
            mine.Execute("SELECT 1");
            unit.Commit();
        }
        EXPECT_FALSE(Free(other, kResource));
    }
    EXPECT_TRUE(Free(other, kResource));
    EXPECT_THROW(SessionLock(mine, ""), ValueError);
}

TEST(ApplicationLock, SecondSessionWaitsForTheFirstAndThenHoldsTheLock)
{
    const std::string kResource = Resource();
    Connection first = Testing::OpenScratchDatabase();
    Connection second = Testing::OpenScratchDatabase();
    // Asked before the second connection is busy waiting in the other thread.
    const std::int64_t secondPid = BackendPid(second);
    auto held = std::make_optional<SessionLock>(first, kResource);
    std::atomic<bool> taken{false};
    std::optional<SessionLock> theirs;
    std::thread waiting([&] {
        theirs.emplace(second, kResource);
        taken = true;
    });
    UntilWaiting(secondPid);
    EXPECT_FALSE(taken);
    held.reset();
    waiting.join();
    EXPECT_TRUE(taken);
    EXPECT_FALSE(Free(first, kResource));
    theirs.reset();
    EXPECT_TRUE(Free(first, kResource));
}

TEST(ApplicationLock, TransactionLockGoesWithItsTransactionAndNeedsOne)
{
    const std::string kResource = Resource();
    Connection mine = Testing::OpenScratchDatabase();
    Connection other = Testing::OpenScratchDatabase();
    try {
        LockForTransaction(mine, kResource);
        FAIL() << "a lock outside a transaction was taken";
    } catch (const ValueError& e) {
        EXPECT_NE(std::string(e.what()).find(kResource), std::string::npos) << e.what();
    }
    EXPECT_TRUE(Free(other, kResource));
    {
        Transaction unit(mine);
        LockForTransaction(mine, kResource);
        EXPECT_FALSE(Free(other, kResource));
        unit.Commit();
    }
    EXPECT_TRUE(Free(other, kResource));
    {
        // Rolled back, the lock goes too.
        Transaction unit(mine);
        LockForTransaction(mine, kResource);
        EXPECT_FALSE(Free(other, kResource));
    }
    EXPECT_TRUE(Free(other, kResource));
}

} // namespace
} // namespace Talvex::Data
