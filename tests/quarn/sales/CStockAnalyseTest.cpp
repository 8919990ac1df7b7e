// Stock age by goods group over the demo company and over lots of its own: the sums against
// an SQL of the same figures, the band edges, the goods tree, the form's refusals.

#include "quarn/sales/CStockAnalyse.hpp"
#include "quarn/sales/StockAgeReference.hpp"
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
using Quarn_DuzAde::CStockAnalyse;

namespace {

using Bands = std::array<Currency, 4>;

using StockAnalyseRun = Testing::ReportRun<CStockAnalyse>;

std::string Answers(const std::string& date)
{
    return "frmOrvStockAnalyse.edDate = " + date + "\nfrmOrvStockAnalyse.btOK click\n";
}

// The rows of a result list by goods group.
std::map<std::string, Bands> ByGroup(const std::shared_ptr<DataList>& list)
{
    std::map<std::string, Bands> groups;
    auto rs = list->Recordset();
    if (rs->RecordCount() == 0) return groups;
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        Bands& bands = groups[rs->Fields().Item("GoodGroupName").Value().ToText()];
        int i = 0;
        for (const char* column : {"Sum90", "Sum180", "Sum360", "SumD"})
            bands[static_cast<std::size_t>(i++)] = rs->Fields().Item(column).Value().ToCurrency();
    }
    return groups;
}

class StockAnalyse : public ::testing::Test {
protected:
    void SetUp() override { book = Testing::OpenDemoBook("stock_age_tester"); }
    std::shared_ptr<Book> book;
};

} // namespace

TEST_F(StockAnalyse, EachGroupsBandsMatchAnSqlOverTheStockLots)
{
    CStockAnalyse report;
    report.SetBook(book);
    const Date reportDate(2026, 6, 30);
    const auto got = ByGroup(report.RestGoodByPeriod(reportDate));

    const auto expected = book->Db().QueryPostgres(Testing::kStockAgeByGroup, {Value(reportDate)});
    ASSERT_GT(expected.rows.size(), 2u);
    ASSERT_EQ(got.size(), expected.rows.size());
    Bands sum{};
    for (const auto& row : expected.rows) {
        const std::string group = row[0].ToText();
        ASSERT_TRUE(got.count(group)) << group;
        for (std::size_t band = 0; band < 4; ++band) {
            EXPECT_EQ(got.at(group)[band], row[band + 1].ToCurrency()) << group << " band " << band;
            sum[band] += got.at(group)[band];
        }
    }
    // The demo company's stock is of every age, so no band is idle.
    for (std::size_t band = 0; band < 4; ++band)
        EXPECT_NE(sum[band], Currency()) << "band " << band;
}

TEST_F(StockAnalyse, LotsOfItsOwnFallIntoBandsByTheirDocumentsDateAndGroupUpTheTree)
{
    Data::Transaction tx(book->Db());
    auto& db = book->Db();
    // A group whose code and name hold a quote, a semicolon and a comment marker.
    db.Execute("INSERT INTO REFGood (Code, Name, Parent, IsGroup) VALUES (?, ?, NULL, 1)",
               {Value("GA'1;--"), Value("Age ';-- /* group")});
    db.Execute("INSERT INTO REFGood (Code, Name, Parent, IsGroup) VALUES ('GA11', 'Age sub', ?, 1)",
               {Value("GA'1;--")});
    db.Execute("INSERT INTO REFGood (Code, Name, Parent) VALUES ('PA1', 'Deep good', 'GA11'), "
               "('PA4', 'Sold out', 'GA11'), ('PA3', 'Alone', NULL)");
    db.Execute("INSERT INTO REFGood (Code, Name, Parent) VALUES ('PA2', 'Shallow good', ?)", {Value("GA'1;--")});
    const Date report(2031, 6, 30);
    auto document = [&](const char* type, Date date, const char* number) {
        db.Execute("INSERT INTO THDocument (DocTypeCode, DocumentDate, Number, IsPosted) VALUES (?, ?, ?, 1)",
                   {Value(type), Value(date), Value(number)});
        return db.Query("SELECT IDC FROM THDocument WHERE Number = ?", {Value(number)}).rows.at(0).at(0).ToInteger();
    };
    auto row = [&](std::int64_t doc, int pos, const char* good, int amount, const char* cost) {
        db.Execute("INSERT INTO THGoodSpec (DocID, PosNumb, GoodCode, UnitCode, Amount, AmountAccount, CostSumm) "
                   "VALUES (?, ?, ?, 'VNT', ?, ?, ?)",
                   {Value(doc), Value(static_cast<std::int64_t>(pos)), Value(good), Value(std::int64_t{amount}),
                    Value(std::int64_t{amount}), Value(Currency::Parse(cost))});
        return db
            .Query("SELECT IDC FROM THGoodSpec WHERE DocID = ? AND PosNumb = ?",
                   {Value(doc), Value(static_cast<std::int64_t>(pos))})
            .rows.at(0)
            .at(0)
            .ToInteger();
    };
    auto fix = [&](std::int64_t lot, std::int64_t out, int amount) {
        db.Execute("INSERT INTO THGoodSpecFixLog (IncomeSpecID, OutcomeSpecID, Amount) VALUES (?, ?, ?)",
                   {Value(lot), Value(out), Value(std::int64_t{amount})});
    };
    const auto today = document("PISF", report, "AGE-1");
    row(today, 1, "PA1", 10, "10.00");
    const auto edge = document("PISF", report.AddDays(-90), "AGE-2");
    const auto edgeLot = row(edge, 1, "PA2", 3, "33.33");
    const auto old = document("PISF", report.AddDays(-400), "AGE-3");
    const auto oldLot = row(old, 1, "PA1", 4, "10.00");
    const auto soldLot = row(old, 2, "PA4", 2, "5.00");
    const auto alone = document("MNFC", report.AddDays(-180), "AGE-4");
    row(alone, 1, "PA3", 1, "1.2345");
    const auto sale = document("PRSF", report.AddDays(-5), "AGE-5");
    fix(oldLot, row(sale, 1, "PA1", 1, "0"), 1);
    fix(soldLot, row(sale, 2, "PA4", 2, "0"), 2);
    const auto later = document("PRSF", report.AddDays(1), "AGE-6");
    fix(edgeLot, row(later, 1, "PA2", 1, "0"), 1); // sold after the report date: still in stock

    StockAnalyseRun run(book, Answers(report.ToIso()));
    ASSERT_TRUE(run.ok) << run.user.ErrorsText();
    EXPECT_EQ(run.out.Item("EndDate").GetValue().ToDate(), report);
    const auto groups = ByGroup(std::dynamic_pointer_cast<DataList>(run.out.Item("DataList").GetValue().ToObject()));
    // The demo company's stock is there too; of the goods of its own, the sold-out one adds
    // nothing to its group.
    const std::string odd = "GA'1;--:Age ';-- /* group";
    ASSERT_TRUE(groups.count(odd));
    EXPECT_EQ(groups.at(odd),
              (Bands{Currency::Parse("10.00"), Currency::Parse("33.33"), Currency(), Currency::Parse("7.50")}));
    ASSERT_TRUE(groups.count("PA3:Alone"));
    EXPECT_EQ(groups.at("PA3:Alone"), (Bands{Currency(), Currency(), Currency::Parse("1.2345"), Currency()}));
}

TEST_F(StockAnalyse, TheFormRefusesABadDateAndEmptyStockOrFixingSaySo)
{
    {
        StockAnalyseRun run(book, Answers("\"\"") + "frmOrvStockAnalyse.btCancel click\n");
        EXPECT_FALSE(run.ok);
        ASSERT_FALSE(run.user.MessageTexts().empty());
        EXPECT_EQ(run.user.MessageTexts().front(), "frmOrvStockAnalyse.edDate: Enter the report date (yyyy-mm-dd).");
        EXPECT_FALSE(run.out.ExistsField("DataList"));
    }
    {
        StockAnalyseRun run(book, Answers("1990-01-01"));
        EXPECT_FALSE(run.ok);
        EXPECT_EQ(run.user.ErrorsText(), "");
        EXPECT_FALSE(run.out.ExistsField("DataList"));
        ASSERT_FALSE(run.user.MessageTexts().empty());
        EXPECT_EQ(run.user.MessageTexts().back(), "The data list is empty.");
    }
    {
        StockAnalyseRun run(book, Answers("2026-06-30"),
                            [](FieldList& extra) { extra.Add("IsMakeFixDoc", FieldType::kFlag, Value(true)); });
        EXPECT_FALSE(run.ok);
        EXPECT_NE(run.user.ErrorsText().find("Cannot support good fixing by period"), std::string::npos)
            << run.user.ErrorsText();
        EXPECT_FALSE(run.out.ExistsField("DataList"));
    }
}
