// Every answers file in examples/ run through the built command against the demo company,
// and the mistakes a person makes in one: each named, none writing anything.

#include "TalvexProcess.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

using namespace Talvex;
using namespace Talvex::Testing;

namespace {

constexpr const char* kUser = "cli_examples_tester";

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The class an example answers, from the command line its comments show.
std::string ClassOf(const std::string& answers)
{
    std::smatch match;
    static const std::regex command(R"(talvex run (Quarn_DuzAde\.\w+))");
    return std::regex_search(answers, match, command) ? match[1].str() : "";
}

// The cells of each line of RFC 4180 text.
std::vector<std::vector<std::string>> CsvRows(const std::string& text)
{
    std::vector<std::vector<std::string>> rows(1);
    std::string cell;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"')
                cell += text[++i];
            else if (c == '"')
                quoted = false;
            else
                cell += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            rows.back().push_back(std::move(cell));
            cell.clear();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            rows.back().push_back(std::move(cell));
            cell.clear();
            rows.emplace_back();
            ++i;
        } else {
            cell += c;
        }
    }
    rows.pop_back(); // after the last line break
    return rows;
}

// Amounts print in cents: in a column that holds a decimal figure, every figure has two
// decimals ("0.00", "2170.90"), and no figure carries a thousands separator.
void ExpectAmountsInCents(const std::string& csv, const std::string& example)
{
    static const std::regex decimal(R"(-?[0-9]+\.[0-9]+)");
    static const std::regex figure(R"(-?[0-9]+(\.[0-9]+)?)");
    static const std::regex cents(R"(-?[0-9]+\.[0-9]{2})");
    static const std::regex grouped(R"(-?[0-9]{1,3}(,[0-9]{3})+(\.[0-9]+)?)");
    const auto rows = CsvRows(csv);
    ASSERT_GT(rows.size(), 1u) << example;
    std::size_t amounts = 0;
    for (std::size_t c = 0; c < rows[0].size(); ++c) {
        bool holdsAmounts = false;
        for (std::size_t r = 1; r < rows.size(); ++r)
            holdsAmounts = holdsAmounts || (c < rows[r].size() && std::regex_match(rows[r][c], decimal));
        for (std::size_t r = 1; r < rows.size(); ++r) {
            ASSERT_EQ(rows[r].size(), rows[0].size()) << example << " line " << r + 1;
            const std::string& cell = rows[r][c];
            EXPECT_FALSE(std::regex_match(cell, grouped)) << example << ": " << cell;
            if (!holdsAmounts || !std::regex_match(cell, figure)) continue;
            EXPECT_TRUE(std::regex_match(cell, cents)) << example << ", " << rows[0][c] << ": " << cell;
            ++amounts;
        }
    }
    EXPECT_GT(amounts, 0u) << example;
}

// The set-off documents of the day the command writes them (the Book's "today").
std::int64_t SetOffDocumentsOfToday()
{
    auto db = OpenDemoDatabase();
    return db
        .QueryPostgres("SELECT count(*) FROM thdocument WHERE doctypecode = 'SUSM' AND documentdate = "
                       "(SELECT settingvalue::date FROM booksetting WHERE settingname = 'DemoToday')")
        .rows.at(0)
        .at(0)
        .ToInteger();
}

// The report settings the runs saved for the test's user go with it.
void ForgetTheUsersSettings()
{
    auto db = OpenDemoDatabase();
    db.QueryPostgres("DELETE FROM adminusersetting WHERE username = $1", {Value(kUser)});
}

std::string RunArguments(const std::string& className, const std::string& answers, const std::string& more = "")
{
    return "run " + className + " " + Db() + " --answers " + ShellQuote(answers) + " --user " + kUser + more;
}

} // namespace

TEST(TalvexExamples, EveryAnswersFileRunsCleanlyAndLeavesTheCompanyAsItWas)
{
    SetOffWritesLock lock;
    const std::int64_t setOffsBefore = SetOffDocumentsOfToday();
    std::size_t examples = 0;
    for (const auto& entry : std::filesystem::directory_iterator(TALVEX_EXAMPLES_DIR)) {
        if (entry.path().extension() != ".txt") continue;
        const std::string name = entry.path().filename().string();
        const std::string className = ClassOf(ReadFile(entry.path()));
        ASSERT_FALSE(className.empty()) << name << " does not show its command";
        ++examples;

        Outcome csv = RunTalvexApart(RunArguments(className, entry.path().string(), " --format csv"));
        EXPECT_EQ(csv.exitCode, 0) << name << "\n" << csv.err;
        ASSERT_FALSE(csv.out.empty()) << name;
        EXPECT_EQ(csv.out.back(), '\n') << name;
        ExpectAmountsInCents(csv.out, name);
        EXPECT_EQ(csv.err.find("talvex:"), std::string::npos) << name << "\n" << csv.err;

        Outcome table = RunTalvexApart(RunArguments(className, entry.path().string()));
        EXPECT_EQ(table.exitCode, 0) << name << "\n" << table.err;
        ASSERT_FALSE(table.out.empty()) << name;
        EXPECT_EQ(table.out.back(), '\n') << name;
        EXPECT_NE(table.out.find(" rows)\n"), std::string::npos) << name;
    }
    EXPECT_GE(examples, 3u);
    EXPECT_EQ(SetOffDocumentsOfToday(), setOffsBefore);
    ForgetTheUsersSettings();
}

TEST(TalvexExamples, AMistakeInTheAnswersIsNamedExitsNonZeroAndWritesNothing)
{
    // The set-off example with the window of its delete step misspelt: without a stop its
    // documents would be written and never deleted.
    std::string setOff = ReadFile(std::filesystem::path(TALVEX_EXAMPLES_DIR) / "set-off.txt");
    const std::string step = "frmSetOffDebt.grdList select all";
    const std::size_t at = setOff.find(step);
    ASSERT_NE(at, std::string::npos);
    setOff.replace(at, step.size(), "frmSetOffDbt.grdList select all");
    const std::size_t line = static_cast<std::size_t>(std::count(setOff.begin(), setOff.begin() + at, '\n')) + 1;
    const std::string misspelt = ::testing::TempDir() + "set-off-misspelt.txt";
    std::ofstream(misspelt, std::ios::binary) << setOff;
    {
        SetOffWritesLock lock;
        const std::int64_t before = SetOffDocumentsOfToday();
        Outcome r = RunTalvexApart(RunArguments("Quarn_DuzAde.CSetOffDebt", misspelt));
        EXPECT_NE(r.exitCode, 0);
        EXPECT_NE(r.err.find("answers line " + std::to_string(line) + ": frmSetOffDbt.grdList select all"),
                  std::string::npos)
            << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(SetOffDocumentsOfToday(), before);
    }

    // A step for a window that never opens.
    const std::string debt = (std::filesystem::path(TALVEX_EXAMPLES_DIR) / "debt-of-clients.txt").string();
    const std::string lateStep = ::testing::TempDir() + "debt-late-step.txt";
    std::ofstream(lateStep, std::ios::binary) << ReadFile(debt) << "frmNowhere.btOk click\n";
    Outcome never = RunTalvexApart(RunArguments("Quarn_DuzAde.CDebtOfClients", lateStep, " --format csv"));
    EXPECT_NE(never.exitCode, 0);
    EXPECT_NE(never.err.find("frmNowhere.btOk click: never ran: no window 'frmNowhere' opened"), std::string::npos)
        << never.err;

    // A period that ends before it begins: the form's refusal on standard error.
    const std::string reversed = ::testing::TempDir() + "debt-reversed.txt";
    std::ofstream(reversed, std::ios::binary) << "frmDebtOfClients.edDateBeg = 2026-06-01\n"
                                                 "frmDebtOfClients.edDateEnd = 2026-03-31\n"
                                                 "frmDebtOfClients.btFillList click\n";
    Outcome refused = RunTalvexApart(RunArguments("Quarn_DuzAde.CDebtOfClients", reversed, " --format csv"));
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_NE(refused.err.find("refused: The first day of the period is after its last day.\n"), std::string::npos)
        << refused.err;
    EXPECT_EQ(refused.out, "");

    // Answers that are no file.
    for (const std::string& path : {::testing::TempDir(), ::testing::TempDir() + "no-such-answers.txt"}) {
        Outcome noFile = RunTalvexApart(RunArguments("Quarn_DuzAde.CDebtOfClients", path));
        EXPECT_NE(noFile.exitCode, 0) << path;
        EXPECT_NE(noFile.err.find("Cannot read the answers file '" + path + "'"), std::string::npos) << noFile.err;
        EXPECT_EQ(noFile.out, "");
    }
    ForgetTheUsersSettings();
}
