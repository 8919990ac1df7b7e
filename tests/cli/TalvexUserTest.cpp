// talvex user add/passwd/remove through the built command, the password on standard input
// as a script gives it, checked against what the company's database then holds.

#include "TalvexProcess.hpp"
#include "host/data/Connection.hpp"
#include "host/erp/UserAccounts.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

namespace Talvex::Testing {
namespace {

// The command with a password as the one line of its standard input.
Outcome WithPassword(const std::string& arguments, const std::string& password)
{
    static int files = 0;
    const std::string file =
        ::testing::TempDir() + "talvex-password-" + std::to_string(::getpid()) + "-" + std::to_string(++files);
    std::ofstream(file) << password << "\n";
    Outcome outcome = RunTalvex(arguments + " < " + ShellQuote(file));
    std::remove(file.c_str());
    return outcome;
}

TEST(TalvexUser, AddChangePasswordRemoveRoundTrip)
{
    const std::string name = "cli.user." + std::to_string(::getpid());
    const std::string user = " " + ShellQuote(name) + " " + Db();
    Data::Connection db = OpenDemoDatabase();
    Erp::UserAccounts users(db);
    if (users.Exists(name)) users.Remove(name);

    Outcome added = WithPassword("user add" + user, "first secret");
    ASSERT_EQ(added.exitCode, 0) << added.out;
    EXPECT_EQ(added.out, "User " + name + " added.\n");
    EXPECT_TRUE(users.Verify(name, "first secret"));
    EXPECT_FALSE(users.Verify(name, "first secret "));
    auto stored = db.QueryPostgres("SELECT PasswordHash FROM UserPassword WHERE Login = $1", {Value(name)});
    ASSERT_EQ(stored.rows.size(), 1u);
    const std::string hash = stored.rows[0][0].ToText();
    EXPECT_EQ(hash.rfind("$argon2id$", 0), 0u) << hash;
    EXPECT_EQ(hash.find("first secret"), std::string::npos);

    Outcome twice = WithPassword("user add" + user, "other");
    EXPECT_EQ(twice.exitCode, 1);
    EXPECT_EQ(twice.out, "talvex: User " + name + ": exists already\n");
    EXPECT_TRUE(users.Verify(name, "first secret")) << "a refused add leaves the password alone";

    Outcome empty = WithPassword("user passwd" + user, "");
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_EQ(empty.out, "talvex: Password: must not be empty\n");
    EXPECT_TRUE(users.Verify(name, "first secret"));

    Outcome changed = WithPassword("user passwd" + user, "second secret");
    ASSERT_EQ(changed.exitCode, 0) << changed.out;
    EXPECT_FALSE(users.Verify(name, "first secret"));
    EXPECT_TRUE(users.Verify(name, "second secret"));
    auto rehashed = db.QueryPostgres("SELECT PasswordHash FROM UserPassword WHERE Login = $1", {Value(name)});
    EXPECT_NE(rehashed.rows.at(0)[0].ToText(), hash);

    Outcome removed = RunTalvex("user remove" + user);
    ASSERT_EQ(removed.exitCode, 0) << removed.out;
    EXPECT_EQ(removed.out, "User " + name + " removed.\n");
    EXPECT_FALSE(users.Exists(name));
    EXPECT_FALSE(users.Verify(name, "second secret"));

    for (const std::string& action : {std::string("passwd"), std::string("remove")}) {
        Outcome unknown = WithPassword("user " + action + user, "any");
        EXPECT_EQ(unknown.exitCode, 1) << action;
        EXPECT_EQ(unknown.out, "talvex: User " + name + ": unknown user\n") << action;
    }
    Outcome badName = WithPassword("user add 'two words' " + Db(), "pw");
    EXPECT_EQ(badName.exitCode, 1);
    EXPECT_NE(badName.out.find("User name"), std::string::npos) << badName.out;
    EXPECT_EQ(RunTalvex("user rename" + user).exitCode, 105) << "an action the command does not know";
}

} // namespace
} // namespace Talvex::Testing
