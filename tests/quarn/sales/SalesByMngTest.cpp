// Sales by department and manager worked out by hand: lines per department and manager,
// subsidiaries after the departments, the documents behind a line, department totals.

#include "quarn/sales/SalesByMng.hpp"

#include <gtest/gtest.h>

using namespace Talvex;
using namespace Quarn_DuzAde;

namespace {

SalesByMngRow Row(std::int64_t idc, const char* date, const char* dep, const char* person, const char* summa,
                  const char* vat, bool subsidiary = false, const char* client = "K1")
{
    SalesByMngRow row;
    row.docTypeCode = "PRSF";
    row.idc = idc;
    row.number = "N" + std::to_string(idc);
    row.documentDate = Date::Parse(date);
    row.depCode = dep;
    row.depName = std::string("Dep ") + dep;
    row.personCode = person;
    row.personName = std::string("First ") + person;
    row.isSubsidiary = subsidiary;
    row.clientCode = client;
    row.clientName = std::string("Client ") + client;
    row.summa = Currency::Parse(summa);
    row.summVat = Currency::Parse(vat);
    return row;
}

} // namespace

TEST(SalesByMng, RowsSumPerDepartmentAndManagerWithSubsidiariesLast)
{
    const std::vector<SalesByMngRow> rows = {
        Row(1, "2026-03-02", "V", "P2", "100.00", "21.00"),
        // A sale to a subsidiary: under the subsidiary, whatever department wrote it.
        Row(2, "2026-03-02", "A", "P1", "50.00", "10.50", true, "D1"),
        Row(3, "2026-03-03", "A", "P1", "10.00", "2.10"),
        // A return takes away.
        Row(4, "2026-03-04", "V", "P2", "-30.00", "-6.30"),
        Row(5, "2026-03-05", "A", "P3", "0.01", "0"),
        Row(6, "2026-03-06", "V", "P2", "0.05", "0.01"),
    };
    const auto lines = SalesByMngLines(rows);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].department, "A : Dep A");
    EXPECT_EQ(lines[0].person, "P1 : First P1");
    EXPECT_EQ(lines[0].summa, Currency::Parse("10.00"));
    EXPECT_EQ(lines[0].totalSum, Currency::Parse("12.10"));
    EXPECT_EQ(lines[1].personCode, "P3");
    EXPECT_EQ(lines[2].department, "V : Dep V");
    EXPECT_EQ(*lines[2].depCode, "V");
    EXPECT_EQ(lines[2].summa, Currency::Parse("70.05"));
    EXPECT_EQ(lines[2].summVat, Currency::Parse("14.71"));
    EXPECT_EQ(lines[2].totalSum, Currency::Parse("84.76"));
    // The subsidiary's line: no department, the client as its person, after all departments.
    EXPECT_EQ(lines[3].posNumb, 1);
    EXPECT_EQ(lines[3].department, "");
    EXPECT_FALSE(lines[3].depCode.has_value());
    EXPECT_EQ(lines[3].person, "D1 : Client D1");
    EXPECT_EQ(lines[3].personCode, "D1");
    EXPECT_EQ(lines[3].totalSum, Currency::Parse("60.50"));

    const auto totals = SalesByMngDepartmentTotals(lines);
    ASSERT_EQ(totals.size(), 3u);
    EXPECT_EQ(totals[0].groupComment, "A : Dep A");
    EXPECT_EQ(totals[0].summa, Currency::Parse("10.01"));
    EXPECT_EQ(totals[1].totalSum, Currency::Parse("84.76"));
    EXPECT_EQ(totals[2].groupComment, "");

    EXPECT_TRUE(SalesByMngLines({}).empty());
}

TEST(SalesByMng, TheDocumentsOfALineAreItsOwnRowsInDateOrder)
{
    const std::vector<SalesByMngRow> rows = {
        Row(9, "2026-03-09", "V", "P2", "1.00", "0"),
        Row(4, "2026-03-04", "V", "P2", "2.00", "0"),
        Row(5, "2026-03-04", "V", "P1", "3.00", "0"),
        // The subsidiary's sale written by P2 of V belongs to the subsidiary, not to P2.
        Row(7, "2026-03-01", "V", "P2", "4.00", "0", true, "D1"),
        Row(3, "2026-03-04", "V", "P2", "5.00", "0"),
    };
    const auto own = SalesByMngDocuments(rows, std::string("V"), "P2");
    ASSERT_EQ(own.size(), 3u);
    EXPECT_EQ(own[0].idc, 3);
    EXPECT_EQ(own[1].idc, 4);
    EXPECT_EQ(own[2].idc, 9);
    const auto subsidiary = SalesByMngDocuments(rows, std::nullopt, "D1");
    ASSERT_EQ(subsidiary.size(), 1u);
    EXPECT_EQ(subsidiary[0].idc, 7);
    EXPECT_TRUE(SalesByMngDocuments(rows, std::string("V"), "D1").empty());
}
