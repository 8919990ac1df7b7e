// Sales and debt by clients of a department over the demo company: each client's figures
// against an SQL of its own (rates looked up in the rate table), the form's refusals, an
// empty period, and the report run by its name.

#include "quarn/sales/CRepDeptSaleByClients.hpp"
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/ClientApp.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "quarn/sales/ReportRun.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <map>

using namespace Talvex;
using Quarn_DuzAde::CRepDeptSaleByClients;

namespace {

using DeptRun = Testing::ReportRun<CRepDeptSaleByClients>;

std::string Answers(const std::string& beg, const std::string& end, const std::string& dep)
{
    return "frmRepDeptSaleByClients.edBegPeriod = " + beg + "\nfrmRepDeptSaleByClients.edEndPeriod = " + end +
           "\nfrmRepDeptSaleByClients.cbDep = \"" + dep + "\"\nfrmRepDeptSaleByClients.btOK click\n";
}

// One unit of the currency in euros on the day, by the currency's default rate type (PostgreSQL).
constexpr const char* kRate = "(CASE WHEN d.CurrencyCode = 'EUR' THEN 1 ELSE (SELECT r.Rate FROM REFCurrencyRate r "
                              "JOIN REFCurrency c ON c.Code = r.CurrencyCode AND r.RateTypeCode = c.DefaultRateType "
                              "WHERE r.CurrencyCode = d.CurrencyCode AND r.DateApply <= d.DocumentDate "
                              "ORDER BY r.DateApply DESC LIMIT 1) END)";

class RepDeptSaleByClients : public ::testing::Test {
protected:
    void SetUp() override { book = Testing::OpenDemoBook("dept_sale_tester"); }
    std::shared_ptr<Book> book;
};

} // namespace

TEST_F(RepDeptSaleByClients, EachClientsFiguresMatchAnSqlOfTheirOwn)
{
    auto& db = book->Db();
    const std::string dep =
        db.Query("SELECT TOP 1 Department FROM THDocument WHERE DocTypeCode = 'PRSF' AND IsPosted = 1 "
                 "AND Department IS NOT NULL AND DocumentDate BETWEEN '2026-03-01' AND "
                 "'2026-03-31' GROUP BY Department ORDER BY COUNT(*) DESC, Department")
            .rows.at(0)
            .at(0)
            .ToText();
    DeptRun run(book, Answers("2026-03-01", "2026-03-31", dep));
    ASSERT_TRUE(run.ok) << run.user.ErrorsText();
    auto list = std::dynamic_pointer_cast<DataList>(run.out.Item("DataList").GetValue().ToObject());
    ASSERT_TRUE(list);

    const std::string sql = std::string(R"sql(
WITH sales AS (
    SELECT COALESCE(p.PartyCode, '') AS Client, SUM(ROUND(d.Summa * )sql") +
                            kRate + R"sql(, 2)) AS Sales
    FROM THDocument d LEFT JOIN THPartyAttribute p ON p.DocID = d.IDC AND p.RolePartyCode = 'PIR'
    WHERE d.DocTypeCode = 'PRSF' AND d.IsPosted = 1 AND d.Department = $1
      AND d.DocumentDate BETWEEN '2026-03-01' AND '2026-03-31'
    GROUP BY 1),
debt AS (
    SELECT COALESCE(p.PartyCode, '') AS Client,
           SUM(ROUND(t.DebtSumma * )sql" +
                            kRate + R"sql(, 2)) AS Debt,
           SUM(CASE WHEN COALESCE(t.NeedPayDate, t.DocumentDate) < '2026-03-31'
                    THEN ROUND(t.DebtSumma * )sql" +
                            kRate + R"sql(, 2) ELSE 0 END) AS Overdue,
           SUM(CASE WHEN t.DocumentDate >= '2026-03-01'
                    THEN ROUND(t.DebtSumma * )sql" +
                            kRate + R"sql(, 2) ELSE 0 END) AS OwedOfPeriod
    FROM THDocumentPayTermExt('2026-03-31') t JOIN THDocument d ON d.IDC = t.IDC
    LEFT JOIN THPartyAttribute p ON p.DocID = d.IDC AND p.RolePartyCode = 'PIR'
    WHERE t.DocTypeCode = 'PRSF' AND t.IsPosted = 1 AND t.DebtSumma <> 0 AND d.Department = $1
      AND t.DocumentDate <= '2026-03-31'
    GROUP BY 1)
SELECT COALESCE(s.Client, b.Client), COALESCE(s.Sales, 0), COALESCE(s.Sales, 0) - COALESCE(b.OwedOfPeriod, 0),
       COALESCE(b.Debt, 0), COALESCE(b.Overdue, 0)
FROM sales s FULL JOIN debt b ON b.Client = s.Client
ORDER BY 1)sql";
    // Plain PostgreSQL: the check takes no route the report takes.
    const auto expected = db.QueryPostgres(sql, {Value(dep)});
    ASSERT_GT(expected.rows.size(), 2u);

    std::map<std::string, std::vector<Currency>> got;
    Currency totalSales;
    std::vector<Currency> total;
    auto rs = list->Recordset();
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        auto value = [&](const char* name) { return rs->Fields().Item(name).Value(); };
        std::vector<Currency> figures{value("SaleSumma").ToCurrency(), value("PaidSumma").ToCurrency(),
                                      value("DebtSumma").ToCurrency(), value("OverdueSumma").ToCurrency()};
        if (value("RowType").ToInteger() == 1) {
            total = figures;
            continue;
        }
        totalSales += figures[0];
        got[value("ClientCode").ToText()] = figures;
    }
    ASSERT_EQ(got.size(), expected.rows.size());
    std::vector<Currency> sums(4);
    for (const auto& row : expected.rows) {
        const std::string client = row[0].ToText();
        ASSERT_TRUE(got.count(client)) << client;
        for (std::size_t i = 0; i < 4; ++i) {
            EXPECT_EQ(got[client][i], row[i + 1].ToCurrency()) << client << " figure " << i;
            sums[i] += row[i + 1].ToCurrency();
        }
    }
    ASSERT_EQ(total.size(), 4u);
    EXPECT_EQ(total, sums);
    EXPECT_GT(sums[3], Currency()) << "some debt was overdue";
}

TEST_F(RepDeptSaleByClients, TheFormRefusesBadInputAndAnEmptyPeriodSaysSo)
{
    const std::string dep =
        book->Db().Query("SELECT MIN(Code) FROM REFDepartment WHERE IsGroup = 0").rows.at(0).at(0).ToText();
    struct Case {
        std::string answers, message;
    };
    const std::vector<Case> cases{
        {Answers("2026-03-31", "2026-03-01", dep),
         "frmRepDeptSaleByClients.edEndPeriod: The first day of the period is after its last day."},
        {Answers("2026-03-01", "2026-03-31", "D'X;--"),
         "frmRepDeptSaleByClients.cbDep: There is no department with the code 'D'X;--'"},
        {Answers("2020-01-01", "2020-01-31", dep), "The data list is empty."},
    };
    for (const auto& c : cases) {
        DeptRun run(book, c.answers);
        EXPECT_FALSE(run.ok);
        EXPECT_EQ(run.user.ErrorsText(), "");
        ASSERT_FALSE(run.user.MessageTexts().empty()) << c.message;
        EXPECT_EQ(run.user.MessageTexts().front(), c.message);
        EXPECT_FALSE(run.out.ExistsField("DataList"));
    }
}
