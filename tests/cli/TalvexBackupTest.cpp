#include "TalvexProcess.hpp"

#include "host/data/Connection.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

using namespace Talvex::Testing;
namespace fs = std::filesystem;

namespace {

// Counts of the company's main tables and a checksum of every document row, computed by the
// server itself, so two databases compare without trusting the code that copied them.
std::string Fingerprint(const std::string& connect)
{
    auto db = Talvex::Data::Connection::Open(connect);
    auto rs = db.QueryPostgres(
        "SELECT (SELECT count(*) FROM THDocument) || '/' || (SELECT count(*) FROM REFClient) || '/' || "
        "(SELECT count(*) FROM talvex_install) || '/' || "
        "(SELECT md5(string_agg(d::text, '|' ORDER BY d::text)) FROM THDocument d)");
    return rs.rows.at(0).at(0).ToText();
}

std::string Connect(const std::string& database)
{
    return TestServer().ConnectString(database);
}

std::string DbOf(const std::string& database)
{
    return "--db " + ShellQuote(Connect(database));
}

std::string TempPath(const std::string& name)
{
    return ::testing::TempDir() + "talvex-" + std::to_string(::getpid()) + "-" + name;
}

} // namespace

TEST(TalvexBackup, RestoredCopyHoldsTheSameRowsAndACompanyIsReplacedOnlyWithForce)
{
    // Set-off tests write and delete documents; none may run while the copy is compared.
    SetOffWritesLock writes;
    const std::string original = Fingerprint(DemoDatabaseConnectString());
    const std::string file = TempPath("company.backup");

    Outcome backup = RunTalvexApart("backup " + Db() + " " + ShellQuote(file));
    ASSERT_EQ(backup.exitCode, 0) << backup.err;
    EXPECT_NE(backup.out.find(file), std::string::npos) << backup.out;
    EXPECT_FALSE(fs::exists(file + ".partial"));

    auto server = TestServer();
    server.EnsureRunning();
    const std::string copy = "talvex_restore_test";
    server.DropDatabase(copy);
    server.EnsureDatabase(copy);

    Outcome restore = RunTalvexApart("restore " + DbOf(copy) + " " + ShellQuote(file));
    ASSERT_EQ(restore.exitCode, 0) << restore.err;
    EXPECT_NE(restore.out.find("Restored"), std::string::npos) << restore.out;
    EXPECT_EQ(restore.out.find("replacing"), std::string::npos) << restore.out;
    EXPECT_EQ(Fingerprint(Connect(copy)), original);

    // A company there is kept unless --force says otherwise, and the refusal says how.
    {
        auto db = Talvex::Data::Connection::Open(Connect(copy));
        db.ExecutePostgresScript(
            "UPDATE THDocument SET Number = Number || ' changed' WHERE IDC = (SELECT min(IDC) FROM THDocument)");
    }
    const std::string changed = Fingerprint(Connect(copy));
    ASSERT_NE(changed, original);
    Outcome refused = RunTalvexApart("restore " + DbOf(copy) + " " + ShellQuote(file));
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_TRUE(refused.out.empty()) << refused.out;
    EXPECT_NE(refused.err.find("--force"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find(file), std::string::npos) << refused.err;
    EXPECT_EQ(Fingerprint(Connect(copy)), changed);

    Outcome forced = RunTalvexApart("restore --force " + DbOf(copy) + " " + ShellQuote(file));
    ASSERT_EQ(forced.exitCode, 0) << forced.err;
    EXPECT_NE(forced.out.find("replacing a company"), std::string::npos) << forced.out;
    EXPECT_EQ(Fingerprint(Connect(copy)), original);

    server.DropDatabase(copy);
    fs::remove(file);
}

TEST(TalvexBackup, ErrorsNameTheFileAndTheProblem)
{
    const std::string missing = TempPath("no-such.backup");
    Outcome absent = RunTalvexApart("restore " + Db() + " " + ShellQuote(missing));
    EXPECT_NE(absent.exitCode, 0);
    EXPECT_NE(absent.err.find(missing + ": no such file"), std::string::npos) << absent.err;

    const std::string notBackup = TempPath("not-a.backup");
    std::ofstream(notBackup) << "Code,Name\n1001,UAB Test\n";
    Outcome garbage = RunTalvexApart("restore " + Db() + " " + ShellQuote(notBackup));
    EXPECT_NE(garbage.exitCode, 0);
    EXPECT_NE(garbage.err.find(notBackup + ": not a backup"), std::string::npos) << garbage.err;
    fs::remove(notBackup);

    const std::string noFolder = TempPath("no-folder/company.backup");
    Outcome unwritable = RunTalvexApart("backup " + Db() + " " + ShellQuote(noFolder));
    EXPECT_NE(unwritable.exitCode, 0);
    EXPECT_NE(unwritable.err.find(noFolder), std::string::npos) << unwritable.err;
    EXPECT_NE(unwritable.err.find("does not exist"), std::string::npos) << unwritable.err;
}
