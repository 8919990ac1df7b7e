#include "quarn/cube/RPendingCashFlow.hpp"

#include "host/cube/CCube.hpp"
#include "host/cube/Engine.hpp"
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/ClientApp.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/Grid.hpp"
#include "quarn/cube/COLAPCubeExt2.hpp"
#include "quarn/cube/fCubeParamPayQ.hpp"
#include "quarn/cube/CubeRunChecks.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <map>

using namespace Talvex;
using Quarn_DuzAde::fCubeParamPayQ;
using Quarn_DuzAde::PendingCashFlowParams;
using Quarn_DuzAde::RPendingCashFlow;

namespace {

constexpr double kTolerance = 0.005;

class PendingCashFlowTest : public ::testing::Test {
protected:
    void SetUp() override { book = Testing::OpenDemoBook("pending_tester"); }

    // The open terms due from a day worked out in plain PostgreSQL: each posted document's
    // term of a known type whose party of the type's role is an organisation or a private
    // person, its debt in the accounting currency by the latest rate up to the due day; what
    // we owe negative. Keyed "in", "out" and, per due month, "YYYY-MM".
    std::map<std::string, double> Expected(const std::string& fromDay, const std::string& marketGroup = "") const
    {
        const std::string acc = book->AccountCurrency();
        std::string sql = R"sql(
        WITH t AS (
            SELECT t.DocTypeCode, t.NeedPayDate, t.CurrencyCode, t.DebtSumma, p.PartyCode,
                   t.DocTypeCode IN ('PRSF','TPPR','PGA','PISD','SCN') AS incoming
            FROM THDocumentPayTermCur t
            JOIN THPartyAttribute p ON p.DocID = t.IDC AND p.RolePartyCode = CASE
                 WHEN t.DocTypeCode IN ('PISF','PGA','PIS','PISD','BCN') THEN 'PAR' WHEN t.DocTypeCode = 'TID' THEN 'GAV'
                 WHEN t.DocTypeCode = 'TPPI' THEN 'VEZ' ELSE 'PIR' END
            WHERE t.IsPosted = 1 AND t.NeedPayDate >= ')sql" + fromDay + R"sql('
              AND t.DocTypeCode IN ('PISF','TPPI','GPG','TID','PRSF','TPPR','PGA','PISD','PRSD','SCN','BCN')
              AND p.PartyType IN ()sql" + (marketGroup.empty() ? "1,2" : "1") + R"sql()
              )sql" + (marketGroup.empty() ? std::string() : "AND p.PartyCode IN (SELECT Code FROM REFClient WHERE MarketGrCode = '" + marketGroup + "')") + R"sql(
        ), v AS (
            SELECT t.incoming, t.NeedPayDate,
                   (CASE WHEN t.incoming THEN 1 ELSE -1 END) *
                   (CASE WHEN t.CurrencyCode = ')sql" + acc + R"sql(' THEN t.DebtSumma ELSE ROUND(t.DebtSumma * (
                        SELECT r.Rate FROM REFCurrencyRate r JOIN REFCurrency cu ON cu.Code = r.CurrencyCode
                        WHERE r.CurrencyCode = t.CurrencyCode AND r.RateTypeCode = cu.DefaultRateType
                          AND r.DateApply <= t.NeedPayDate ORDER BY r.DateApply DESC LIMIT 1), 2) END) AS val
            FROM t)
        SELECT CASE WHEN incoming THEN 'in' ELSE 'out' END, SUM(val)::float8 FROM v GROUP BY 1
        UNION ALL SELECT to_char(NeedPayDate, 'YYYY-MM'), SUM(val)::float8 FROM v GROUP BY 1)sql";
        std::map<std::string, double> out;
        for (const auto& row : book->Db().QueryPostgres(sql).rows)
            out[row.at(0).ToText()] = row.at(1).IsNull() ? 0 : row.at(1).ToDouble();
        return out;
    }

    std::shared_ptr<Book> book;
};

} // namespace

// The grand totals of both directions and the net of each due month match the terms read
// apart in plain SQL; one direction gives its own part of them.
TEST_F(PendingCashFlowTest, TotalsMatchTheOpenTermsReadApart)
{
    PendingCashFlowParams params;
    params.dateBeg = book->Today();
    const auto expected = Expected(params.dateBeg.ToIso());
    const auto rows = RPendingCashFlow::Compute(book, params);
    ASSERT_FALSE(rows.Empty());
    ASSERT_GT(expected.at("in"), 0);
    ASSERT_LT(expected.at("out"), 0);
    EXPECT_NEAR(rows.GrandTotals().in.ToDouble(), expected.at("in"), kTolerance);
    EXPECT_NEAR(rows.GrandTotals().out.ToDouble(), expected.at("out"), kTolerance);
    std::size_t months = 0;
    for (const auto& [month, net] : rows.NetByMonth()) {
        const std::string key = month.ToIso().substr(0, 7);
        EXPECT_NEAR(net.ToDouble(), expected.count(key) ? expected.at(key) : 0.0, kTolerance) << key;
        ++months;
    }
    EXPECT_GT(months, 1u);
    for (const auto& row : rows.Rows())
        EXPECT_GE(rows.Terms()[row.term].dueDate, params.dateBeg);

    // Money in alone: organisations only, the same terms as the "in" part above less the
    // private persons' ones.
    params.direction = 2;
    const auto incoming = RPendingCashFlow::Compute(book, params);
    EXPECT_EQ(incoming.GrandTotals().out, Currency());
    EXPECT_LE(incoming.GrandTotals().in.ToDouble(), expected.at("in") + kTolerance);
    EXPECT_GT(incoming.GrandTotals().in.ToDouble(), 0);
}

// A market group narrows to its clients' terms; a group code holding quotes and comment
// markers is only a code no client has.
TEST_F(PendingCashFlowTest, MarketGroupNarrowsToItsClients)
{
    const std::string group = book->Db()
                                  .QueryPostgres("SELECT c.MarketGrCode FROM REFClient c JOIN THPartyAttribute a ON "
                                                 "a.PartyCode = c.Code WHERE c.MarketGrCode IS NOT NULL AND "
                                                 "a.RolePartyCode = 'PIR' GROUP BY 1 ORDER BY COUNT(*) DESC LIMIT 1")
                                  .rows.at(0)
                                  .at(0)
                                  .ToText();
    PendingCashFlowParams params;
    params.dateBeg = book->Today();
    params.direction = 2;
    params.marketGroup = group;
    const auto expected = Expected(params.dateBeg.ToIso(), group);
    const auto rows = RPendingCashFlow::Compute(book, params);
    EXPECT_NEAR(rows.GrandTotals().in.ToDouble(), expected.count("in") ? expected.at("in") : 0.0, kTolerance);

    params.marketGroup = "X'; --/*";
    EXPECT_TRUE(RPendingCashFlow::Compute(book, params).Empty());
}

// The whole road: the form answered, the cube shown with its total, a double-click on a
// cell lists the terms that add up to it; a day after every term says nothing is due.
TEST_F(PendingCashFlowTest, RunShowsTheCubeAndTheTermsBehindACell)
{
    {
        Testing::ScriptedUser user;
        user.Set("fCubeParamPayQ", "edDateBeg", book->Today().ToIso())
            .Click("fCubeParamPayQ", "btOk")
            .Accept("CubeSrcList");
        ClientApp app(user.Session());
        ClientApp::Scope scope(app);
        auto report = std::make_shared<RPendingCashFlow>();
        report->SetVisual(true);
        FieldList in, out;
        in.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
        EXPECT_FALSE(report->Run(in, out));
        ASSERT_EQ(user.ErrorsText(), "");
        auto* window = dynamic_cast<CubeWindow*>(user.Session().FindWindow(CubeWindow::kFormName));
        ASSERT_NE(window, nullptr);
        CCube& cube = window->CubeControl();
        EXPECT_EQ(cube.Caption(), "Expected cash flow, Due from " + book->Today().ToIso());
        const auto& grid = cube.cube().Grid();
        auto total = grid.FindRow({});
        auto all = grid.FindColHeader({});
        ASSERT_TRUE(total && all);
        const auto totals = RPendingCashFlow::Compute(book, report->ParamsOf()).GrandTotals();
        EXPECT_NEAR(grid.FactValue(*total, *all, "AccNeedPaySum").value_or(0), totals.Net().ToDouble(), kTolerance);

        double cellSum = 0;
        ASSERT_NO_FATAL_FAILURE(CubeRunChecks::ExpectDrillDownAddsUp(user, cube, *report->Wrapper(), "AccNeedPaySum",
                                                                     kTolerance, cellSum));
        EXPECT_NE(cellSum, 0.0);
    }
    {
        Testing::ScriptedUser user;
        user.Set("fCubeParamPayQ", "edDateBeg", "2099-01-01").Click("fCubeParamPayQ", "btOk").Answer("OK");
        ClientApp app(user.Session());
        ClientApp::Scope scope(app);
        auto report = std::make_shared<RPendingCashFlow>();
        report->SetVisual(true);
        FieldList in, out;
        in.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
        report->Run(in, out);
        EXPECT_EQ(user.ErrorsText(), "");
        EXPECT_EQ(user.MessageTexts(),
                  (std::vector<std::string>{"No open payment terms fall due from 2099-01-01"}));
    }
}

// Each bad choice is refused at its control, and the form stays open for the next try.
TEST_F(PendingCashFlowTest, FormRefusesBadChoicesAtTheirControls)
{
    Testing::ScriptedUser user;
    const char* f = "fCubeParamPayQ";
    user.Set(f, "edDateBeg", "").Click(f, "btOk");
    user.Set(f, "edDateBeg", "2026-02-30").Click(f, "btOk");
    user.Set(f, "edDateBeg", "2026-03-01").Set(f, "cbMarketGroup", "X'; --").Click(f, "btOk");
    user.Click(f, "btCancel");
    ClientApp app(user.Session());
    ClientApp::Scope scope(app);
    fCubeParamPayQ form;
    FieldList params;
    params.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
    EXPECT_FALSE(form.Browse(params, "Expected"));
    EXPECT_FALSE(params.ExistsField("DateBeg")); // nothing written by a refused choice
    // An impossible day is refused by the date box itself and leaves it empty.
    EXPECT_EQ(user.ErrorsText(), "Quarn_DuzAde: edDateBeg: give the day the terms are due from\n"
                                 "fCubeParamPayQ.edDateBeg value: edDateBeg: '2026-02-30' is not a valid date\n"
                                 "Quarn_DuzAde: edDateBeg: give the day the terms are due from\n"
                                 "Quarn_DuzAde: cbMarketGroup: there is no market group with the code 'X'; --'\n");
}

// The week level is there only when asked for; the parameters refuse a direction the cube
// does not know, and a selection type of 0 reads every client whatever group is remembered.
TEST_F(PendingCashFlowTest, WeeksOnRequestAndParametersChecked)
{
    Cube::Engine withWeeks;
    RPendingCashFlow::DefineCube(withWeeks, true);
    EXPECT_TRUE(withWeeks.Dims().Exists("Week"));
    Cube::Engine without;
    RPendingCashFlow::DefineCube(without, false);
    EXPECT_FALSE(without.Dims().Exists("Week"));
    for (const char* name : {"Direction", "ResponsPerson", "ClientGroup", "Client", "Year", "Q", "Month", "Dec", "Day"})
        EXPECT_TRUE(without.Dims().Exists(name)) << name;

    RPendingCashFlow report;
    FieldList in;
    in.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
    in.Add("MarketGroup", FieldType::kCode, Value(std::string("G1")));
    ASSERT_TRUE(report.Prepare(in));
    EXPECT_EQ(report.ParamsOf().dateBeg, book->Today());
    EXPECT_EQ(report.ParamsOf().marketGroup, "");
    report.Params().Add("MarketGroupSelType", FieldType::kInteger, Value(std::int64_t{1}));
    EXPECT_EQ(report.ParamsOf().marketGroup, "G1");
    report.Params().Add("Direction", FieldType::kInteger, Value(std::int64_t{3}));
    EXPECT_THROW(report.ParamsOf(), ValueError);
}
