#include "quarn/debt/DebtOfClientsFill.hpp"
#include "host/types/Errors.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Quarn_DuzAde::DebtOfClientsFill;
using Quarn_DuzAde::DebtOfClientsRow;
using Quarn_DuzAde::DebtOfClientsSourceRow;
using Talvex::Currency;
using Talvex::Date;
using Type = DebtOfClientsRow::Type;

namespace {

Currency Money(const char* text)
{
    return Currency::Parse(text);
}

// A term of client "C<n>" under manager "P<n>" of department "D<n>" (codes as texts).
DebtOfClientsSourceRow Term(const std::string& dep, const std::string& per, const std::string& cln, const char* date,
                            const char* sum)
{
    DebtOfClientsSourceRow row;
    row.department = dep.empty() ? "<none>" : dep + ": department";
    row.person = per.empty() ? "<none>" : per + ": manager";
    row.client = cln + ": client";
    row.depCode = dep;
    row.perCode = per;
    row.clnCode = cln;
    row.documentDate = Date::Parse(date);
    row.accNeedPaySum = Money(sum);
    return row;
}

std::vector<DebtOfClientsRow> Fill(DebtOfClientsFill& fill, const std::vector<DebtOfClientsSourceRow>& rows)
{
    for (const auto& row : rows)
        fill.Add(row);
    return fill.Finish();
}

// "type client total begRest m0 m1 ..." for comparing whole grids at a glance.
std::string Line(const DebtOfClientsRow& row)
{
    std::string line = std::to_string(static_cast<int>(row.rowType)) + " " + row.depCode + "/" + row.perCode + "/" +
                       row.clnCode + " " + row.totalSumm.ToFixed(2) + " " + row.begRest.ToFixed(2);
    for (const auto& m : row.months)
        line += " " + m.ToFixed(2);
    return line;
}

std::vector<std::string> Lines(const std::vector<DebtOfClientsRow>& rows)
{
    std::vector<std::string> lines;
    for (const auto& row : rows)
        lines.push_back(Line(row));
    return lines;
}

} // namespace

TEST(DebtOfClientsFill, PeriodAcrossYearEndSpreadsTermsOverItsMonthsAndLeavesLaterOnesOut)
{
    DebtOfClientsFill fill(Date::Parse("2025-11-17"), Date::Parse("2026-02-03"));
    EXPECT_EQ(fill.BegDate(), Date::Parse("2025-11-01"));
    EXPECT_EQ(fill.EndDate(), Date::Parse("2026-02-28"));
    ASSERT_EQ(fill.MonthCount(), 4);
    const auto rows = Fill(fill, {
                                     Term("D1", "P1", "C1", "2025-10-31", "10.00"), // before: BegRest
                                     Term("D1", "P1", "C1", "2025-11-01", "1.00"),  // month 0, first day
                                     Term("D1", "P1", "C1", "2025-11-30", "2.00"),  // month 0, last day
                                     Term("D1", "P1", "C1", "2025-12-31", "3.00"),  // month 1
                                     Term("D1", "P1", "C1", "2026-01-01", "4.00"),  // month 2, new year
                                     Term("D1", "P1", "C1", "2026-02-28", "5.00"),  // month 3
                                     Term("D1", "P1", "C1", "2026-03-01", "99.00"), // after the period
                                 });
    EXPECT_EQ(Lines(rows), (std::vector<std::string>{
                               "2 D1/P1/C1 25.00 10.00 3.00 3.00 4.00 5.00",
                               "1 D1/P1/ 25.00 10.00 3.00 3.00 4.00 5.00",
                               "0 D1// 25.00 10.00 3.00 3.00 4.00 5.00",
                               "3 // 25.00 10.00 3.00 3.00 4.00 5.00",
                           }));
}

TEST(DebtOfClientsFill, OneMonthPeriodAndAnEmptySource)
{
    DebtOfClientsFill single(Date::Parse("2026-03-31"), Date::Parse("2026-03-01"));
    EXPECT_EQ(single.MonthCount(), 1);
    EXPECT_TRUE(single.Finish().empty()) << "nothing to show gives no rows, not even a grand total";
    EXPECT_THROW(DebtOfClientsFill(Date::Parse("2026-04-01"), Date::Parse("2026-03-31")), Talvex::ValueError);
}

TEST(DebtOfClientsFill, ClientsRoundToCentsAndSubtotalsAddTheRoundedFigures)
{
    DebtOfClientsFill fill(Date::Parse("2026-01-01"), Date::Parse("2026-01-31"));
    const auto rows = Fill(fill, {
                                     // 0.0025 + 0.0025 = 0.005: half a cent rounds away from zero.
                                     Term("D1", "P1", "C1", "2026-01-05", "0.0025"),
                                     Term("D1", "P1", "C1", "2026-01-06", "0.0025"),
                                     Term("D1", "P1", "C2", "2026-01-05", "0.005"),
                                     // Negative halves round away from zero too; a debt and its
                                     // credit note leave the client at zero, still listed.
                                     Term("D1", "P2", "C3", "2025-12-01", "-0.125"),
                                     Term("D1", "P2", "C4", "2026-01-02", "100.00"),
                                     Term("D1", "P2", "C4", "2026-01-03", "-100.00"),
                                 });
    EXPECT_EQ(Lines(rows), (std::vector<std::string>{
                               "2 D1/P1/C1 0.01 0.00 0.01",
                               "2 D1/P1/C2 0.01 0.00 0.01",
                               "1 D1/P1/ 0.02 0.00 0.02", // not the rounded 0.01 of 0.01 exact
                               "2 D1/P2/C3 -0.13 -0.13 0.00",
                               "2 D1/P2/C4 0.00 0.00 0.00",
                               "1 D1/P2/ -0.13 -0.13 0.00",
                               "0 D1// -0.11 -0.13 0.02",
                               "3 // -0.11 -0.13 0.02",
                           }));
}

TEST(DebtOfClientsFill, GroupsKeepTheOrderOfTheirFirstTermWhateverOrderTheRowsComeIn)
{
    DebtOfClientsFill fill(Date::Parse("2026-01-01"), Date::Parse("2026-02-28"));
    // A client without a manager falls under the text for a missing value with empty codes;
    // a client with two managers is listed under each.
    const auto rows = Fill(fill, {
                                     Term("D2", "P3", "C5", "2026-02-01", "7.00"),
                                     Term("D1", "", "C1", "2026-01-10", "1.50"),
                                     Term("D2", "P3", "C6", "2026-01-01", "2.00"),
                                     Term("D1", "P1", "C1", "2026-01-10", "1.50"),
                                     Term("D2", "P3", "C5", "2026-01-01", "3.00"),
                                 });
    EXPECT_EQ(Lines(rows), (std::vector<std::string>{
                               "2 D2/P3/C5 10.00 0.00 3.00 7.00",
                               "2 D2/P3/C6 2.00 0.00 2.00 0.00",
                               "1 D2/P3/ 12.00 0.00 5.00 7.00",
                               "0 D2// 12.00 0.00 5.00 7.00",
                               "2 D1//C1 1.50 0.00 1.50 0.00",
                               "1 D1// 1.50 0.00 1.50 0.00",
                               "2 D1/P1/C1 1.50 0.00 1.50 0.00",
                               "1 D1/P1/ 1.50 0.00 1.50 0.00",
                               "0 D1// 3.00 0.00 3.00 0.00",
                               "3 // 15.00 0.00 8.00 7.00",
                           }));
    EXPECT_EQ(rows[4].person, "<none>");
    EXPECT_EQ(rows[0].department, "D2: department");
    EXPECT_EQ(rows[0].client, "C5: client");
}

TEST(DebtOfClientsFill, CellSourcesAreTheTermsOfTheRowsLevelWithinTheColumnsDates)
{
    DebtOfClientsFill fill(Date::Parse("2026-01-01"), Date::Parse("2026-02-28"));
    const auto rows = Fill(fill, {
                                     Term("D1", "P1", "C1", "2025-12-31", "1.00"), // 0
                                     Term("D1", "P1", "C1", "2026-01-31", "2.00"), // 1
                                     Term("D1", "P1", "C2", "2026-02-01", "3.00"), // 2
                                     Term("D1", "P2", "C3", "2026-01-15", "4.00"), // 3
                                     Term("D2", "P4", "C4", "2026-02-15", "5.00"), // 4
                                 });
    // Rows: C1, C2, P1, C3, P2, D1, C4, P4, D2, grand total.
    ASSERT_EQ(rows.size(), 10u);
    using V = std::vector<std::size_t>;
    const auto& c1 = rows[0];
    EXPECT_EQ(fill.CellSources(c1, "TotalSumm"), (V{0, 1}));
    EXPECT_EQ(fill.CellSources(c1, "BegRest"), (V{0}));
    EXPECT_EQ(fill.CellSources(c1, "Summa0"), (V{1}));
    EXPECT_EQ(fill.CellSources(c1, "Summa1"), (V{}));
    EXPECT_EQ(fill.CellSources(c1, "Client"), (V{0, 1}));
    // The manager's and department's texts on a client row stand for the whole group.
    EXPECT_EQ(fill.CellSources(c1, "Person"), (V{0, 1, 2}));
    EXPECT_EQ(fill.CellSources(c1, "Department"), (V{0, 1, 2, 3}));
    EXPECT_EQ(fill.CellSources(rows[2], "Summa1"), (V{2}));
    EXPECT_EQ(fill.CellSources(rows[5], "Summa0"), (V{1, 3}));
    EXPECT_EQ(fill.CellSources(rows[9], "Summa1"), (V{2, 4}));
    EXPECT_EQ(fill.CellSources(rows[9], "TotalSumm"), (V{0, 1, 2, 3, 4}));
}

TEST(DebtOfClientsFill, SourceOrderIsByDepartmentManagerClientRanksThenDateAndKeepsTiesAsTheyCame)
{
    using Quarn_DuzAde::DebtOrderKey;
    using Quarn_DuzAde::DebtSourceOrder;
    using Quarn_DuzAde::DebtTextRank;
    using Quarn_DuzAde::DebtTextRanks;

    // Ranks as a database ordering texts by language might give them: not the byte order.
    const DebtTextRanks ranks{{"(none)", 0}, {"b: Šiauliai", 3}, {"B: Alytus", 1}, {"a: Vilnius", 2}};
    EXPECT_EQ(DebtTextRank(ranks, "B: Alytus"), 1u);
    EXPECT_EQ(DebtTextRank(ranks, "b: Šiauliai"), 3u);
    EXPECT_THROW((void)DebtTextRank(ranks, "b: alytus"), Talvex::ValueError);

    auto key = [](std::size_t dep, std::size_t per, std::size_t cln, const char* date) {
        return DebtOrderKey{dep, per, cln, Date::Parse(date)};
    };
    const std::vector<DebtOrderKey> keys{
        key(2, 1, 5, "2026-03-01"), // 0
        key(1, 9, 0, "2026-01-01"), // 1
        key(2, 1, 4, "2026-05-01"), // 2
        key(2, 0, 9, "2026-01-01"), // 3
        key(2, 1, 5, "2026-02-01"), // 4
        key(1, 9, 0, "2026-01-01"), // 5: the same as 1, stays after it
        key(2, 1, 5, "2026-03-01"), // 6: the same as 0, stays after it
        key(1, 9, 0, "2025-12-31"), // 7
    };
    EXPECT_EQ(DebtSourceOrder(keys), (std::vector<std::size_t>{7, 1, 5, 3, 2, 4, 0, 6}));
    EXPECT_TRUE(DebtSourceOrder({}).empty());

    // Rows fed in that order give the groups in the order of their texts' ranks.
    DebtOfClientsFill fill(Date::Parse("2026-01-01"), Date::Parse("2026-01-31"));
    std::vector<DebtOfClientsSourceRow> terms{Term("D2", "P1", "C1", "2026-01-05", "1.00"),
                                              Term("D1", "P1", "C2", "2026-01-06", "2.00"),
                                              Term("D1", "P1", "C1", "2026-01-07", "4.00")};
    const DebtTextRanks textRanks{
        {"D1: department", 1}, {"D2: department", 0}, {"P1: manager", 2}, {"C1: client", 4}, {"C2: client", 3}};
    std::vector<DebtOrderKey> termKeys;
    for (const auto& t : terms)
        termKeys.push_back({DebtTextRank(textRanks, t.department), DebtTextRank(textRanks, t.person),
                            DebtTextRank(textRanks, t.client), t.documentDate});
    std::vector<DebtOfClientsSourceRow> ordered;
    for (std::size_t position : DebtSourceOrder(termKeys))
        ordered.push_back(terms[position]);
    EXPECT_EQ(Lines(Fill(fill, ordered)), (std::vector<std::string>{
                                              "2 D2/P1/C1 1.00 0.00 1.00",
                                              "1 D2/P1/ 1.00 0.00 1.00",
                                              "0 D2// 1.00 0.00 1.00",
                                              "2 D1/P1/C2 2.00 0.00 2.00",
                                              "2 D1/P1/C1 4.00 0.00 4.00",
                                              "1 D1/P1/ 6.00 0.00 6.00",
                                              "0 D1// 6.00 0.00 6.00",
                                              "3 // 7.00 0.00 7.00",
                                          }));
}
