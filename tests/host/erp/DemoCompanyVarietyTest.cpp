// What the reports of each subsystem need to find in the demo company. The checks hold at any
// scale: against a larger company run them with TALVEX_TEST_DB set to its connection string
// and --gtest_filter='DemoCompanyVariety.*'.
#include "ErpTestQueries.hpp"
#include "support/TestDatabase.hpp"

#include "host/types/Date.hpp"
#include "host/types/Value.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

using Talvex::Value;
using Talvex::Testing::OpenDemoDatabase;
using Talvex::Testing::QueryCount;

namespace {

constexpr const char* kPaidOf = "(SELECT COALESCE(sum(p.SummaCur), 0) FROM THPaySpec p WHERE p.CorDocID = d.IDC)";

// Totals of one run of the allocation procedure, in cents: SaleSum, SaleCost, DICost, PICost, VSCost.
std::vector<std::int64_t> Allocation(Talvex::Data::Connection& db, const std::string& centres, std::int64_t& rows)
{
    auto rs = db.Query("EXEC sp_C$CostAnltDistrib ?, ?, ?, ?",
                       {Value(Talvex::Date(2025, 1, 1)), Value(Talvex::Date(2025, 12, 31)), Value(centres), Value("")});
    rows = static_cast<std::int64_t>(rs.rows.size());
    std::vector<std::int64_t> totals(5, 0);
    for (const auto& row : rs.rows)
        for (std::size_t i = 0; i < 5; ++i)
            totals[i] += row.at(3 + i).IsNull() ? 0 : std::llround(std::stod(row.at(3 + i).ToText()) * 100);
    return totals;
}

} // namespace

TEST(DemoCompanyVariety, SalesCarryDirectPaymentsRateDatesCostMarksAndBackOrders)
{
    auto db = OpenDemoDatabase();
    // Paid directly, and then paid in full.
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM THDocument d WHERE d.DocTypeCode = 'PRSF' AND d.IsDirectPay = 1"),
              0);
    EXPECT_EQ(QueryCount(db, std::string("SELECT count(*) FROM THDocument d WHERE d.DocTypeCode = 'PRSF' "
                                         "AND d.IsDirectPay = 1 AND d.Summa > ") +
                                 kPaidOf),
              0);
    // Foreign invoices at an earlier day's rate, which the rate table holds.
    const char* kEarlierRate = "FROM THDocumentPRSF a JOIN THDocument d ON d.IDC = a.DocID "
                               "WHERE d.CurrencyCode <> 'EUR' AND a.RateDate <> d.DocumentDate";
    EXPECT_GT(QueryCount(db, std::string("SELECT count(*) ") + kEarlierRate), 0);
    EXPECT_EQ(QueryCount(db, std::string("SELECT count(*) ") + kEarlierRate +
                                 " AND (a.RateDate > d.DocumentDate OR NOT EXISTS (SELECT 1 FROM REFCurrencyRate r "
                                 "WHERE r.CurrencyCode = d.CurrencyCode AND r.DateApply = a.RateDate))"),
              0);
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THDocumentPRSF a JOIN THDocument d ON d.IDC = a.DocID "
                             "WHERE d.CurrencyCode = 'EUR' AND a.RateDate <> d.DocumentDate"),
              0);
    // Cost-changed sale rows, each under a document marked too.
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM THGoodSpec g JOIN THDocument d ON d.IDC = g.DocID "
                             "WHERE d.DocTypeCode = 'PRSF' AND g.IsCostChanged = 1"),
              0);
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THGoodSpec g JOIN THDocument d ON d.IDC = g.DocID "
                             "WHERE d.DocTypeCode IN ('PRSF', 'MOS', 'MNM') AND g.IsCostChanged = 1 "
                             "AND d.IsCostChanged = 0"),
              0);
    // Order rows asking for more than their invoices delivered.
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM THGoodSpec o JOIN THDocument d ON d.IDC = o.DocID "
                             "WHERE d.DocTypeCode = 'PRS' AND o.AmountAccount > (SELECT sum(c.AmountAccount) "
                             "FROM THGoodContent c WHERE c.CorSpecID = o.IDC AND c.LinkKindCode = 'OR')"),
              0);
    // Private buyers who still owe part of an invoice.
    EXPECT_GT(QueryCount(db, std::string("SELECT count(*) FROM THDocument d JOIN THPartyAttribute pa ON pa.DocID = "
                                         "d.IDC AND pa.PartyType = 2 WHERE d.DocTypeCode = 'PRSF' AND d.Summa > ") +
                                 kPaidOf),
              0);
}

TEST(DemoCompanyVariety, PurchasesProductionAndAssetsCarryTheirMarks)
{
    auto db = OpenDemoDatabase();
    // Services on purchase invoices, with their VAT rows and without stock.
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM THGoodSpec g JOIN THDocument d ON d.IDC = g.DocID "
                             "WHERE d.DocTypeCode = 'PISF' AND g.GoodCode = 'C1'"),
              0);
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THGoodSpec g JOIN THDocument d ON d.IDC = g.DocID "
                             "WHERE d.DocTypeCode = 'PISF' AND g.GoodCode = 'C1' AND (g.FixCategory IS NOT NULL OR "
                             "EXISTS (SELECT 1 FROM THGoodSpecFixLog f WHERE f.IncomeSpecID = g.IDC))"),
              0);
    // Payment terms still divide the invoice's total.
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THDocument d JOIN (SELECT DocID, sum(Summa) AS s FROM "
                             "THDocumentPayTerm GROUP BY DocID) t ON t.DocID = d.IDC "
                             "WHERE d.DocTypeCode = 'PISF' AND t.s <> d.Summa"),
              0);
    // Materials whose cost changed: marked, and their cost no longer equal to their sum.
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM THGoodSpec g JOIN THDocument d ON d.IDC = g.DocID "
                             "WHERE d.DocTypeCode IN ('MOS', 'MNM') AND g.IsCostChanged = 1 AND g.CostSumm <> g.Summa"),
              0);
    // Fixed-asset objects issued alone, and issues of several departments.
    EXPECT_GT(
        QueryCount(db, "SELECT count(*) FROM THGoodSpecITNS WHERE AssetsCode IS NULL AND FAObjectCode IS NOT NULL"), 0);
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THGoodSpecITNS s LEFT JOIN REFFixAssetsObjects o "
                             "ON o.Code = s.FAObjectCode WHERE o.Code IS NULL"),
              0);
    EXPECT_GE(QueryCount(db, "SELECT count(DISTINCT Department) FROM THDocument WHERE DocTypeCode = 'ITNS'"), 3);
}

TEST(DemoCompanyVariety, ReferencesHoldSubCategoriesAndSecondManagers)
{
    auto db = OpenDemoDatabase();
    EXPECT_GE(QueryCount(db, "SELECT count(DISTINCT SubCategoryCode) FROM REFGood"), 2);
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM REFGood WHERE IsGroup = 0 AND Category = 0 "
                             "AND SubCategoryCode IS NULL"),
              0);
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM REFGood g LEFT JOIN REFGoodSubCategory s "
                             "ON s.Code = g.SubCategoryCode WHERE g.SubCategoryCode IS NOT NULL AND s.Code IS NULL"),
              0);
    // A second manager beside the main one: exactly one of a client's managers is the main.
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM (SELECT ClientCode FROM REFClientPerson WHERE PersonRoleCode = "
                             "'MATS' GROUP BY ClientCode HAVING count(*) > 1 AND sum(IsMain) = 1) x"),
              0);
}

TEST(DemoCompanyVariety, CostAllocationSpreadsTheChosenCentresCostsOverTheirSales)
{
    auto db = OpenDemoDatabase();
    std::int64_t rows = 0;
    const auto all = Allocation(db, "", rows);
    EXPECT_GT(rows, 0);
    for (std::size_t i = 0; i < all.size(); ++i)
        EXPECT_GT(all[i], 0) << "column " << i;
    // Sales of one centre are those of its department, net of VAT, computed here independently.
    std::int64_t vilniusRows = 0;
    const auto vilnius = Allocation(db, "'S-VLN'", vilniusRows);
    EXPECT_EQ(vilnius[0],
              QueryCount(db, "SELECT round(sum(g.Summa - COALESCE(a.SummVAT, 0)) * 100) FROM THDocument d "
                             "JOIN THGoodSpec g ON g.DocID = d.IDC LEFT JOIN THGoodSpecPRSF a ON a.DocID = g.DocID "
                             "AND a.PosNumb = g.PosNumb WHERE d.DocTypeCode = 'PRSF' AND d.IsPosted = 1 "
                             "AND d.Department = 'PARD-V' AND d.DocumentDate BETWEEN '2025-01-01' AND '2025-12-31'"));
    EXPECT_EQ(vilnius[2] + vilnius[3] + vilnius[4], 0) << "no cost centre chosen, nothing to allocate";
    // Production costs spread over the year's sales add up to the work of the year's orders and
    // the assets production took
    // (every month has sales), up to a cent of rounding per row.
    std::int64_t withProductionRows = 0;
    const auto withProduction = Allocation(db, "S-VLN; S-KNS; S-EXP; C-PRD", withProductionRows);
    const auto work =
        QueryCount(db, "SELECT round(sum(g.Summa) * 100) FROM THDocument d JOIN THGoodSpec g "
                       "ON g.DocID = d.IDC WHERE d.DocTypeCode IN ('MMW', 'ITNS') AND d.IsPosted = 1 "
                       "AND d.Department = 'GAM' AND d.DocumentDate BETWEEN '2025-01-01' AND '2025-12-31'");
    EXPECT_LE(std::llabs(withProduction[3] - work), withProductionRows);
    EXPECT_EQ(withProduction[2] + withProduction[4], 0);
    EXPECT_EQ(withProduction[0], all[0]);
}
