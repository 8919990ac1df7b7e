// Cards and printing from an answers file: the client card opened from a cell of the debt of
// clients, checked by an "expect" step and printed to an HTML file; a step naming a column
// the grid lacks fails the run and names the step.

#include "TalvexProcess.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace Talvex::Testing {
namespace {

const char* const kFill = "frmDebtOfClients.edDateBeg = 2026-03-01\nfrmDebtOfClients.edDateEnd = 2026-06-30\n"
                          "frmDebtOfClients.btFillList click\nfrmDebtOfClients.chTotalByPerson click\n";

std::string WriteAnswers(const std::string& name, const std::string& text)
{
    const std::string path = ::testing::TempDir() + name;
    std::ofstream(path) << text;
    return path;
}

std::string Cleanup()
{
    return "sql " + Db() + " " + ShellQuote("DELETE FROM AdminUserSetting WHERE UserName = N'cli_card_tester'");
}

} // namespace

TEST(TalvexCard, ClientCardOpensFromAGridCellIsCheckedAndPrintsToAFile)
{
    // The first client of the list as the grid shows it: "code: name".
    Outcome list =
        RunTalvexApart("run Quarn_DuzAde.CDebtOfClients " + Db() + " --answers " +
                       ShellQuote(WriteAnswers("card-list.txt", kFill)) + " --format csv --user cli_card_tester");
    ASSERT_EQ(list.exitCode, 0) << list.err;
    std::istringstream lines(list.out);
    std::string header;
    std::string first;
    std::getline(lines, header);
    std::getline(lines, first);
    // Department,Manager,Client,...: the client is the third field.
    std::istringstream fields(first);
    std::string department, manager, client;
    std::getline(fields, department, ',');
    std::getline(fields, manager, ',');
    std::getline(fields, client, ',');
    const std::string code = client.substr(0, client.find(": "));
    ASSERT_FALSE(code.empty()) << first;

    const std::filesystem::path folder = std::filesystem::path(::testing::TempDir()) / "card-prints";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::string answers =
        WriteAnswers("card-open.txt", std::string(kFill) + "frmDebtOfClients.grdList card 1 Client\n" +
                                          "frmClientCard.edCode expect = " + code + "\nfrmClientCard.btPrint click\n" +
                                          "frmClientCard close\n");
    Outcome r = RunTalvexApart("run Quarn_DuzAde.CDebtOfClients " + Db() + " --answers " + ShellQuote(answers) +
                               " --format csv --user cli_card_tester --print-dir " + ShellQuote(folder.string()));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::filesystem::path page = folder / "ClientCard-1.html";
    EXPECT_NE(r.err.find("printed: ClientCard -> " + page.string()), std::string::npos) << r.err;
    std::ifstream in(page);
    std::stringstream html;
    html << in.rdbuf();
    EXPECT_NE(html.str().find("<dt>Code</dt><dd>" + code + "</dd>"), std::string::npos) << html.str().substr(0, 800);
    EXPECT_NE(html.str().find("<h2>Managers and persons</h2>"), std::string::npos);
    EXPECT_EQ(RunTalvex(Cleanup()).exitCode, 0);
}

TEST(TalvexCard, StepsNamingAColumnTheGridLacksOrAValueTheCardDoesNotShowFail)
{
    const std::string unknown =
        WriteAnswers("card-unknown.txt", std::string(kFill) + "frmDebtOfClients.grdList card 1 Klient\n");
    Outcome r = RunTalvexApart("run Quarn_DuzAde.CDebtOfClients " + Db() + " --answers " + ShellQuote(unknown) +
                               " --format csv --user cli_card_tester");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("answers line 5: frmDebtOfClients.grdList: no column 'Klient'"), std::string::npos) << r.err;

    const std::string wrong =
        WriteAnswers("card-wrong.txt", std::string(kFill) + "frmDebtOfClients.grdList card 1 Client\n"
                                                            "frmClientCard.edCode expect = NOBODY\n");
    r = RunTalvexApart("run Quarn_DuzAde.CDebtOfClients " + Db() + " --answers " + ShellQuote(wrong) +
                       " --format csv --user cli_card_tester");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("answers line 6: frmClientCard.edCode shows '"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("expected 'NOBODY'"), std::string::npos) << r.err;
    EXPECT_EQ(RunTalvex(Cleanup()).exitCode, 0);
}

} // namespace Talvex::Testing
