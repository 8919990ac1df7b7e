#include "TalvexProcess.hpp"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <string>

using namespace Talvex::Testing;

TEST(TalvexCommand, SqlPrintsCsvWithInvariantNumbersDatesAndQuoting)
{
    Outcome r = RunTalvex("sql " + Db() + " --format csv " +
                          ShellQuote("SELECT 1234.5 AS Summa, CAST('2025-03-01' AS DATE) AS DocumentDate, "
                                     "N'say \"hi\", then go' AS Name, NULL AS Empty"));
    ASSERT_EQ(r.exitCode, 0) << r.out;
    EXPECT_EQ(r.out, "Summa,DocumentDate,Name,Empty\r\n1234.5,2025-03-01,\"say \"\"hi\"\", then go\",\r\n");
}

TEST(TalvexCommand, BadInputGivesOneLineErrorsAndNonZeroExit)
{
    Outcome unreachable = RunTalvex("sql --db 'host=/nonexistent/socket port=1 dbname=x connect_timeout=2' " +
                                    ShellQuote("SELECT 1 AS n"));
    EXPECT_NE(unreachable.exitCode, 0);
    EXPECT_EQ(Lines(unreachable.out), 1u) << unreachable.out;
    EXPECT_NE(unreachable.out.find("Cannot connect"), std::string::npos) << unreachable.out;

    // The statement is read before any server is asked, so this fails even with no server.
    Outcome garbled =
        RunTalvex("sql --db 'host=/nonexistent/socket dbname=x' " + ShellQuote("SELECT Code,\nFROM REFClient WHERE"));
    EXPECT_NE(garbled.exitCode, 0);
    EXPECT_EQ(Lines(garbled.out), 1u) << garbled.out;
    EXPECT_NE(garbled.out.find("line 2"), std::string::npos) << garbled.out;

    Outcome format = RunTalvex("sql " + Db() + " --format xml " + ShellQuote("SELECT 1 AS n"));
    EXPECT_NE(format.exitCode, 0);
    EXPECT_NE(format.out.find("--format"), std::string::npos) << format.out;
}

TEST(TalvexCommand, ExistingCompanyIsNeverReplacedWithoutForce)
{
    // Set-off documents come and go as other tests write and delete them meanwhile.
    std::string count = "sql " + Db() + " --format csv " +
                        ShellQuote("SELECT COUNT(*) AS n FROM THDocument WHERE DocTypeCode <> 'SUSM'");
    Outcome before = RunTalvex(count);
    ASSERT_EQ(before.exitCode, 0) << before.out;

    Outcome refused = RunTalvex("init-db " + Db() + " --seed 7");
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_NE(refused.out.find("--force"), std::string::npos) << refused.out;
    EXPECT_EQ(Lines(refused.out), 1u) << refused.out;

    EXPECT_EQ(RunTalvex(count).out, before.out);
}

TEST(TalvexCommand, CatalogueListsEveryClassAndRunCreatesThemByName)
{
    Outcome catalogue = RunTalvex("catalogue --format csv");
    ASSERT_EQ(catalogue.exitCode, 0) << catalogue.out;
    EXPECT_EQ(Lines(catalogue.out), 59u); // a header and 58 classes
    EXPECT_NE(catalogue.out.find("Quarn_DuzAde.RSale,"), std::string::npos);

    // The shell report closes its browser and returns no list: a run with nothing to show.
    Outcome shell = RunTalvexApart("run Quarn_DuzAde.CDuzAde " + Db());
    EXPECT_NE(shell.exitCode, 0) << shell.err;
    EXPECT_EQ(shell.out, "");
    EXPECT_EQ(shell.err, "talvex: Quarn_DuzAde.CDuzAde showed no list to print\n");

    Outcome pending = RunTalvex("run Quarn_DuzAde.ISrcDocList " + Db());
    EXPECT_NE(pending.exitCode, 0);
    EXPECT_NE(pending.out.find("ISrcDocList is not available"), std::string::npos) << pending.out;

    Outcome unknown = RunTalvex("run Quarn_DuzAde.NoSuchClass " + Db());
    EXPECT_NE(unknown.exitCode, 0);
    EXPECT_NE(unknown.out.find("no class"), std::string::npos) << unknown.out;

    // A parameter's kind is a number the host knows, or the run does not start.
    // The shell takes it and runs (it then has nothing to print, as above).
    Outcome dated = RunTalvex("run Quarn_DuzAde.CDuzAde " + Db() + " --param DateBeg:9=2025-01-01");
    EXPECT_EQ(dated.out, "talvex: Quarn_DuzAde.CDuzAde showed no list to print\n");
    Outcome badKind = RunTalvex("run Quarn_DuzAde.CDuzAde " + Db() + " --param DateBeg:42=2025-01-01");
    EXPECT_NE(badKind.exitCode, 0);
    EXPECT_NE(badKind.out.find("field type 42"), std::string::npos) << badKind.out;
    Outcome notANumber = RunTalvex("run Quarn_DuzAde.CDuzAde " + Db() + " --param DateBeg:date=2025-01-01");
    EXPECT_NE(notANumber.exitCode, 0);
    EXPECT_NE(notANumber.out.find("DateBeg:date"), std::string::npos) << notANumber.out;
}

TEST(TalvexCommand, RunPrintsTheGridOfAListDialogTheClassLeftOpen)
{
    // The answers of examples/debt-of-clients.txt: four months, manager subtotals hidden.
    const std::string answers = ::testing::TempDir() + "debt-of-clients-answers.txt";
    {
        FILE* file = std::fopen(answers.c_str(), "w");
        ASSERT_NE(file, nullptr);
        std::fputs("frmDebtOfClients.edDateBeg = 2026-03-01\nfrmDebtOfClients.edDateEnd = 2026-06-30\n"
                   "frmDebtOfClients.btFillList click\nfrmDebtOfClients.chTotalByPerson click\n",
                   file);
        std::fclose(file);
    }
    Outcome r = RunTalvex("run Quarn_DuzAde.CDebtOfClients " + Db() + " --answers " + ShellQuote(answers) +
                          " --format csv --user cli_debt_tester");
    ASSERT_EQ(r.exitCode, 0) << r.out;
    const std::string header = "Department,Manager,Client,Total,Debt before the period,03,04,05,06\r\n";
    ASSERT_EQ(r.out.substr(0, header.size()), header) << r.out.substr(0, 300);
    EXPECT_GT(Lines(r.out), 10u);
    // The grand total closes the grid; no manager subtotal is shown.
    EXPECT_NE(r.out.find("\r\n,,,"), std::string::npos);
    std::size_t subtotals = 0;
    for (std::size_t at = r.out.find("\r\n"); at != std::string::npos; at = r.out.find("\r\n", at + 2)) {
        const std::string line = r.out.substr(at + 2, r.out.find("\r\n", at + 2) - at - 2);
        // Department, Manager, empty Client: a manager subtotal.
        const std::size_t first = line.find(',');
        const std::size_t second = first == std::string::npos ? first : line.find(',', first + 1);
        if (second != std::string::npos && second > first + 1 && line.size() > second + 1 && line[second + 1] == ',')
            ++subtotals;
    }
    EXPECT_EQ(subtotals, 0u);
    // The footer is the last line and repeats the grand total row above it.
    const std::size_t lastLine = r.out.rfind("\r\n", r.out.size() - 3) + 2;
    const std::size_t totalLine = r.out.rfind("\r\n", lastLine - 3) + 2;
    const std::string footer = r.out.substr(lastLine);
    const std::string total = r.out.substr(totalLine, lastLine - totalLine);
    ASSERT_EQ(footer.substr(0, 11), "(footer),,,") << footer;
    EXPECT_EQ(footer.substr(8), total) << total;
    // The run saved its parameters for that user; leave the shared company as it was.
    Outcome forget =
        RunTalvex("sql " + Db() + " " + ShellQuote("DELETE FROM AdminUserSetting WHERE UserName = N'cli_debt_tester'"));
    EXPECT_EQ(forget.exitCode, 0) << forget.out;
}

TEST(TalvexCommand, RunPrintsTheCubeWindowWithAmountsInCents)
{
    const std::string answers = ::testing::TempDir() + "sales-cube-answers.txt";
    {
        FILE* file = std::fopen(answers.c_str(), "w");
        ASSERT_NE(file, nullptr);
        std::fputs("fCubeParamDatesSale.edBegDate = 2025-01-01\nfCubeParamDatesSale.edEndDate = 2025-12-31\n"
                   "fCubeParamDatesSale.btOk click\n",
                   file);
        std::fclose(file);
    }
    Outcome r = RunTalvex("run Quarn_DuzAde.RSale " + Db() + " --answers " + ShellQuote(answers) + " --format csv");
    ASSERT_EQ(r.exitCode, 0) << r.out;
    ASSERT_EQ(r.out.substr(0, r.out.find(',')), "Goods group") << r.out.substr(0, 200);
    EXPECT_GT(Lines(r.out), 3u);
    // A folded sum of doubles prints at its column's decimals: never more than two.
    std::size_t numbers = 0;
    for (std::size_t at = 0; (at = r.out.find('.', at)) != std::string::npos; ++at) {
        std::size_t digits = 0;
        while (at + 1 + digits < r.out.size() && std::isdigit(static_cast<unsigned char>(r.out[at + 1 + digits])))
            ++digits;
        if (digits == 0) continue;
        ++numbers;
        EXPECT_LE(digits, 2u) << r.out.substr(at > 20 ? at - 20 : 0, 40);
    }
    EXPECT_GT(numbers, 0u);
}

TEST(TalvexCommand, ParametersThatStartLikeANumberMustBeOneWhole)
{
    for (const char* value : {"1) OR 1=1", "12abc", "1,2"}) {
        Outcome r =
            RunTalvexApart("run Quarn_DuzAde.RSale " + Db() + " --param " + ShellQuote(std::string("Idc=") + value));
        EXPECT_NE(r.exitCode, 0) << value;
        EXPECT_EQ(r.err, "talvex: --param Idc: '" + std::string(value) +
                             "' is not a whole number, an amount or a date (a text that starts with a digit goes in "
                             "double quotes)\n");
        EXPECT_EQ(r.out, "");
    }
    // A whole number passes, and so does a text in quotes.
    Outcome whole =
        RunTalvexApart("run Quarn_DuzAde.RSale " + Db() + " --param Idc=12 --param " + ShellQuote("Note=\"1) x\""));
    EXPECT_EQ(whole.exitCode, 0) << whole.err;
}

TEST(TalvexCommand, SqlNestedTooDeeplyIsASyntaxErrorWithItsPlace)
{
    const std::string statement = "SELECT " + std::string(3000, '(') + "1" + std::string(3000, ')');
    Outcome r = RunTalvex("sql " + Db() + " " + ShellQuote(statement));
    EXPECT_NE(r.exitCode, 0) << r.out;
    EXPECT_NE(r.out.find("line 1, column 208 near '(': nested deeper than 200 levels"), std::string::npos) << r.out;
}
