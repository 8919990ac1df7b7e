// The cash payment plan edited from an answers file: lines added, typed into, refused at
// their cell and deleted in the plan's list, then saved; what the database holds afterwards
// is read straight from it.

#include "TalvexProcess.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace Talvex::Testing {
namespace {

constexpr int kYear = 2041;

std::string WriteAnswers(const std::string& name, const std::string& text)
{
    const std::string path = ::testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

std::string Text(const std::string& sql)
{
    auto db = OpenDemoDatabase();
    auto rs = db.QueryPostgres(sql);
    return rs.rows.at(0).at(0).IsNull() ? std::string() : rs.rows.at(0).at(0).ToText();
}

std::string PlansOfYear()
{
    return Text("SELECT count(*) FROM THDocument WHERE DocTypeCode = 'CPAY' AND DocumentDate = '2041-01-01'");
}

// The year's plan as stored: its header, then one text per line.
std::string StoredPlan()
{
    return Text("SELECT d.Number || ' ' || d.Summa || ' | ' || COALESCE((SELECT string_agg(gs.PosNumb || ':' || "
                "gs.Summa || ':' || c.NeedPayDate || ':' || c.PaymentTypeCode || ':' || gs.GoodCode || ':' || "
                "gs.UnitCode, ' ' ORDER BY gs.PosNumb) FROM THGoodSpec gs JOIN THGoodSpecCPAY c ON c.DocID = "
                "gs.DocID AND c.PosNumb = gs.PosNumb WHERE gs.DocID = d.IDC), '') FROM THDocument d "
                "WHERE d.DocTypeCode = 'CPAY' AND d.DocumentDate = '2041-01-01'");
}

void RemoveThePlan()
{
    auto db = OpenDemoDatabase();
    db.QueryPostgres("DELETE FROM THGoodSpecCPAY WHERE DocID IN (SELECT IDC FROM THDocument WHERE DocTypeCode = "
                     "'CPAY' AND DocumentDate = '2041-01-01')");
    db.QueryPostgres("DELETE FROM THGoodSpec WHERE DocID IN (SELECT IDC FROM THDocument WHERE DocTypeCode = 'CPAY' "
                     "AND DocumentDate = '2041-01-01')");
    db.QueryPostgres("DELETE FROM THDocument WHERE DocTypeCode = 'CPAY' AND DocumentDate = '2041-01-01'");
}

std::string PlanRun(const std::string& answers, const std::string& more = "")
{
    return "run Quarn_DuzAde.CCashPaymentPlan " + Db() + " --param Year=" + std::to_string(kYear) + " --answers " +
           ShellQuote(answers) + more;
}

} // namespace

TEST(TalvexCashPlan, LinesAddedEditedRefusedAndDeletedFromAnAnswersFileAreSavedOnce)
{
    RemoveThePlan();
    // Three lines added; two values refused at their cell and typed again; the second line
    // deleted, so the third closes up to position 2.
    const std::string answers = WriteAnswers("cash-plan-edit.txt", "frmCPAY.edNumb = CP-2041\n"
                                                                   "frmCPAY.SpecList addrow\n"
                                                                   "frmCPAY.SpecList edit 1 Summa = 0\n"
                                                                   "frmCPAY.SpecList edit 1 Summa = 150.50\n"
                                                                   "frmCPAY.SpecList edit 1 NeedPayDate = 2041-03-15\n"
                                                                   "frmCPAY.SpecList edit 1 PaymentTypeCode = NOPE\n"
                                                                   "frmCPAY.SpecList edit 1 PaymentTypeCode = CASH\n"
                                                                   "frmCPAY.SpecList addrow\n"
                                                                   "frmCPAY.SpecList edit 2 Summa = 99\n"
                                                                   "frmCPAY.SpecList addrow\n"
                                                                   "frmCPAY.SpecList edit 3 Summa = 10\n"
                                                                   "frmCPAY.SpecList delrow 2\n"
                                                                   "frmCPAY.edSum expect = 160.50\n"
                                                                   "frmCPAY accept\n");
    Outcome edited = RunTalvexApart(PlanRun(answers));
    // The refusals fail the run, each naming its column, but the values typed after them count.
    EXPECT_NE(edited.exitCode, 0);
    EXPECT_NE(edited.err.find("Suma (Summa): must be above zero"), std::string::npos) << edited.err;
    EXPECT_NE(edited.err.find("(PaymentTypeCode): no payment type 'NOPE'"), std::string::npos) << edited.err;
    EXPECT_EQ(edited.err.find("never ran"), std::string::npos) << edited.err;
    EXPECT_EQ(PlansOfYear(), "1");
    const std::string expected =
        "CP-2041 160.5000 | 1:150.5000:2041-03-15:CASH:CP:VNT 2:10.0000:2041-01-01:BANK:CP:VNT";
    EXPECT_EQ(StoredPlan(), expected);

    // Opened again and saved as it is: the same plan, nothing doubled; the run lists its lines.
    Outcome again = RunTalvexApart(PlanRun(WriteAnswers("cash-plan-again.txt", "frmCPAY accept\n"), " --format csv"));
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(Lines(again.out), 3u) << again.out;
    EXPECT_NE(again.out.find("150.50"), std::string::npos) << again.out;
    EXPECT_EQ(PlansOfYear(), "1");
    EXPECT_EQ(StoredPlan(), expected);

    // A plan that cannot be saved (a line without a sum) is refused and leaves the stored one as it was.
    Outcome refused = RunTalvexApart(
        PlanRun(WriteAnswers("cash-plan-refused.txt", "frmCPAY.SpecList addrow\nfrmCPAY.SpecList delrow 1\n"
                                                      "frmCPAY.edNumb = CHANGED\nfrmCPAY accept\n")));
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_NE(refused.err.find("Line 2 of the cash payment plan needs a sum above zero"), std::string::npos)
        << refused.err;
    EXPECT_EQ(StoredPlan(), expected);
    RemoveThePlan();
}

} // namespace Talvex::Testing
