#include "quarn/cube/DebtCubeRows.hpp"

#include "host/cube/CubeSource.hpp"
#include "host/data/Recordset.hpp"
#include "quarn/debt/OverdueBands.hpp"

#include <gtest/gtest.h>

using Quarn_DuzAde::DebtCubeRows;
using Quarn_DuzAde::DebtCubeSourceRow;
using Quarn_DuzAde::OverdueBands;
using Talvex::Currency;
using Talvex::Date;

namespace {

DebtCubeSourceRow Row(const char* client, const char* due, const char* debt, const char* unlinked = "0")
{
    DebtCubeSourceRow row;
    row.client = row.clnCode = client;
    row.department = "D";
    row.person = "P";
    row.dueDate = Date::Parse(due);
    row.accNeedPaySum = Currency::Parse(debt);
    row.accNotLinkPaySum = Currency::Parse(unlinked);
    return row;
}

} // namespace

// On 2026-03-31 with bands below 30, 30 to 60, 61 to 90 and above 90 days: a debt due on
// 2026-03-01 is 30 days late, one due on 2026-04-10 is not yet due (-10 days).
TEST(DebtCubeRows, RowsSortIntoBandsAndTheCubeSourceKeepsOnlyBandsWithRows)
{
    const DebtCubeRows rows({Row("A", "2026-03-01", "100"), Row("A", "2026-04-10", "-40"),
                             Row("B", "2026-03-02", "5.55", "1.10"), Row("B", "2025-12-01", "300")},
                            Date(2026, 3, 31));
    const auto bands = OverdueBands::FromIntervals({{30, false, 1}, {60, false, 2}, {90, false, 3}}, "n", "o");
    EXPECT_EQ(rows.DelayDays(rows.Rows()[0]), 30);
    EXPECT_EQ(rows.DelayDays(rows.Rows()[1]), -10);
    EXPECT_EQ(rows.DelayDays(rows.Rows()[3]), 120);

    const auto totals = rows.TotalsByBand(bands);
    ASSERT_EQ(totals.size(), 3u);
    EXPECT_EQ(totals.at("1. < 30").accNeedPaySum, Currency::Parse("-34.45")); // -40 + 5.55
    EXPECT_EQ(totals.at("1. < 30").accNotLinkPaySum, Currency::Parse("1.10"));
    EXPECT_EQ(totals.at("2. 30 - 60").accNeedPaySum, Currency::Parse("100"));
    EXPECT_EQ(totals.at("4. > 90").accNeedPaySum, Currency::Parse("300"));

    // The cube's band column: the third band has no row and is no member.
    const auto source = rows.ToCubeSource(bands);
    const auto& band = std::get<Talvex::Cube::CodedColumn>(source.Item("DataPayType"));
    ASSERT_EQ(band.members.size(), 3u);
    std::vector<std::string> labels;
    for (auto code : band.codes)
        labels.push_back(band.members.at(code).ToText());
    EXPECT_EQ(labels, (std::vector<std::string>{"2. 30 - 60", "1. < 30", "1. < 30", "4. > 90"}));

    // The recordset the drill-down reads carries the same band and days on each row.
    auto rs = rows.ToRecordset(bands);
    std::vector<std::string> rsLabels;
    std::vector<std::int64_t> days;
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        rsLabels.push_back(rs->Fields().Item("DataPayType").Value().ToText());
        days.push_back(rs->Fields().Item("DelayDays").Value().ToInteger());
    }
    EXPECT_EQ(rsLabels, labels);
    EXPECT_EQ(days, (std::vector<std::int64_t>{30, -10, 29, 120}));

    // Other bands recode the same rows: everything in the short form's two bands.
    const auto shortForm = rows.ToCubeSource(OverdueBands::FromIntervals({}, "not due", "overdue"));
    const auto& two = std::get<Talvex::Cube::CodedColumn>(shortForm.Item("DataPayType"));
    std::vector<std::string> twoLabels;
    for (auto code : two.codes)
        twoLabels.push_back(two.members.at(code).ToText());
    EXPECT_EQ(twoLabels, (std::vector<std::string>{"overdue", "not due", "overdue", "overdue"}));
}
