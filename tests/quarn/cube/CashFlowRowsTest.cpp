#include "host/cube/CubeGrid.hpp"
#include "host/cube/CubeSource.hpp"
#include "host/cube/Engine.hpp"
#include "host/objects/AnalytHierarchy.hpp"
#include "host/types/Errors.hpp"
#include "quarn/cube/CashFlowRows.hpp"
#include "quarn/cube/RCashFlow.hpp"

#include <gtest/gtest.h>

using namespace Talvex;
using Quarn_DuzAde::CashFlowParams;
using Quarn_DuzAde::CashFlowRows;
using Quarn_DuzAde::CashFlowSourceRow;
using Quarn_DuzAde::RCashFlow;
namespace Days = Quarn_DuzAde::CashFlowDays;

namespace {

Date D(const char* iso)
{
    return Date::Parse(iso);
}

Currency M(const char* amount)
{
    return Currency::Parse(amount);
}

struct Flows {
    const char* plan = "0";
    const char* debt = "0";
    const char* pay = "0";
    const char* begRest = "0";
};

CashFlowSourceRow Row(const char* part, const char* day, const char* kind, const char* party, Flows f)
{
    CashFlowSourceRow row;
    row.part = part;
    row.recDate = D(day);
    row.flowKindCode = kind;
    row.partyCode = party;
    row.planSumma = M(f.plan);
    row.debtSumma = M(f.debt);
    row.paySumma = M(f.pay);
    row.begPlanRest = M(f.begRest);
    return row;
}

std::int64_t Year(int y)
{
    return y;
}

// A cube over the rows with the report's own definition (one flow-kind level).
struct CashCube {
    CashCube(const CashFlowRows& rows, const CashFlowParams& params)
    {
        engine.SetSource(rows.ToCubeSource(1, {}));
        report.DefineCube(engine, params);
        engine.SetActive(true);
    }
    double At(const std::vector<Value>& row, const std::vector<Value>& col, const char* fact)
    {
        const auto& grid = engine.Grid();
        auto r = grid.FindRow(row);
        auto c = grid.FindColHeader(col);
        if (!r || !c) {
            ADD_FAILURE() << "no cell for " << fact;
            return -1;
        }
        return grid.FactValue(*r, *c, fact).value_or(0);
    }
    RCashFlow report;
    Cube::Engine engine;
};

CashFlowParams AllRests()
{
    CashFlowParams params;
    params.planRest = params.sfRest = params.factRest = true;
    return params;
}

} // namespace

// The window opens on the payment day on or before the first day; every date's money moves on
// the next Wednesday or Saturday.
TEST(CashFlowDays, WindowStartGoesBackAndPaymentDayForwardToWednesdayOrSaturday)
{
    EXPECT_EQ(Days::WindowStart(D("2025-11-27")), D("2025-11-26")); // Thursday -> Wednesday
    EXPECT_EQ(Days::WindowStart(D("2025-11-26")), D("2025-11-26")); // Wednesday stays
    EXPECT_EQ(Days::WindowStart(D("2025-11-30")), D("2025-11-29")); // Sunday -> Saturday
    EXPECT_EQ(Days::WindowStart(D("2025-12-02")), D("2025-11-29")); // Tuesday -> Saturday
    EXPECT_EQ(Days::WindowStart(D("2026-01-01")), D("2025-12-31")); // across the year end
    const std::pair<const char*, const char*> moves[] = {
        {"2025-12-01", "2025-12-03"}, {"2025-12-02", "2025-12-03"}, {"2025-12-03", "2025-12-03"},
        {"2025-12-04", "2025-12-06"}, {"2025-12-05", "2025-12-06"}, {"2025-12-06", "2025-12-06"},
        {"2025-12-07", "2025-12-10"}, {"2025-12-28", "2025-12-31"}, {"2026-01-01", "2026-01-03"}};
    for (auto [from, to] : moves)
        EXPECT_EQ(Days::PaymentDay(D(from)), D(to)) << from;
}

// Rests run per flow kind and party in day order, restart at each new one, start from the
// opening cash rest, and stand on the last row of a day only; a row whose rests are all zero
// keeps zero.
TEST(CashFlowRows, RestsRestartPerFlowKindAndPartyAndStandOnTheLastRowOfADay)
{
    std::vector<CashFlowSourceRow> rows = {
        Row("pdoc", "2025-11-26", "CASH", "--", {.pay = "200"}),
        Row("BDoc", "2025-11-29", "CASH", "P1", {.plan = "-70", .debt = "30", .pay = "-50"}),
        Row("CashRest", "2025-11-26", "CASH", "--", {.begRest = "1000"}),
        Row("BDoc", "2025-11-29", "CASH", "P1", {.debt = "20"}),
        Row("cpay", "2025-11-29", "BANK", "P1", {.plan = "100"}),
        Row("bpost", "2025-11-29", "BANK", "P2", {}),
    };
    const CashFlowRows result(rows, true, D("2025-11-30"));
    const auto& r = result.Rests();
    ASSERT_EQ(result.Rows().size(), 6u); // nothing to carry within one month
    // Opening rest and the day's receipt: only the day's last row holds the rest.
    EXPECT_TRUE(r[0].IsZero() || r[2].IsZero());
    const auto& cashDay = r[0].IsZero() ? r[2] : r[0];
    EXPECT_EQ(cashDay.factRest, M("1200"));
    EXPECT_EQ(cashDay.planRest, M("1000"));
    EXPECT_EQ(cashDay.sfRest, M("1000"));
    // P1 starts from nothing: plan -70 + 30 + 20, invoices 50, paid -50.
    EXPECT_TRUE(r[1].IsZero());
    EXPECT_EQ(r[3].planRest, M("-20"));
    EXPECT_EQ(r[3].sfRest, M("50"));
    EXPECT_EQ(r[3].factRest, M("-50"));
    // Another flow kind of the same party restarts.
    EXPECT_EQ(r[4].planRest, M("100"));
    EXPECT_EQ(r[4].factRest, M("0"));
    EXPECT_TRUE(r[5].IsZero());

    const auto totals = result.GrandTotals();
    EXPECT_EQ(totals.factRest, M("1150"));
    EXPECT_EQ(totals.planRest, M("1080"));
    EXPECT_EQ(totals.sfRest, M("1050"));
    EXPECT_EQ(totals.paySumma, M("150"));
    EXPECT_EQ(totals.begPlanRest, M("1000"));

    const CashFlowRows without(rows, false, D("2025-11-30"));
    for (const auto& rest : without.Rests())
        EXPECT_TRUE(rest.IsZero());
    EXPECT_EQ(without.GrandTotals().factRest, Currency());
}

// Rests in the cube are taken at the last payment day of a cell, not added up: a year shows
// its last rest, a month without movement carries the rest before it (also across the year
// end), and the totals are the same whichever way the dimensions are laid out.
TEST(CashFlowRows, CubeRestsAcrossYearEndAndAMonthWithoutMovementInEveryLayout)
{
    std::vector<CashFlowSourceRow> rows = {
        Row("CashRest", "2025-11-26", "CASH", "--", {.begRest = "1000"}),
        Row("pdoc", "2025-12-03", "CASH", "--", {.pay = "500"}),
        Row("pdoc", "2026-02-04", "CASH", "--", {.pay = "-300"}),
        Row("pdoc", "2025-11-29", "BANK", "X", {.pay = "100"}),
        Row("pdoc", "2026-01-07", "BANK", "X", {.pay = "50"}),
    };
    const CashFlowRows result(rows, true, D("2026-02-28"));
    // January carries the cash kind, December and February the bank kind.
    std::size_t carried = 0;
    for (const auto& row : result.Rows())
        carried += row.part == "Rest";
    EXPECT_EQ(carried, 3u);

    CashCube cube(result, AllRests());
    const std::vector<Value> all;
    const std::vector<Value> y2025{Value(Year(2025))}, y2026{Value(Year(2026))};
    const std::vector<Value> dec{Value(Year(2025)), Value(Year(12))}, jan{Value(Year(2026)), Value(Year(1))},
        feb{Value(Year(2026)), Value(Year(2))};
    EXPECT_DOUBLE_EQ(cube.At(all, all, "FactRest"), 1350);
    EXPECT_DOUBLE_EQ(cube.At(all, y2025, "FactRest"), 1600);
    EXPECT_DOUBLE_EQ(cube.At(all, y2026, "FactRest"), 1350);
    EXPECT_DOUBLE_EQ(cube.At(all, dec, "FactRest"), 1600);
    EXPECT_DOUBLE_EQ(cube.At(all, jan, "FactRest"), 1650);
    EXPECT_DOUBLE_EQ(cube.At(all, feb, "FactRest"), 1350);
    EXPECT_DOUBLE_EQ(cube.At({Value("CASH")}, jan, "FactRest"), 1500);
    EXPECT_DOUBLE_EQ(cube.At({Value("BANK")}, y2025, "FactRest"), 100);
    // Flows still add up: the carried months bring none.
    EXPECT_DOUBLE_EQ(cube.At(all, all, "PaySumma"), 350);
    EXPECT_DOUBLE_EQ(cube.At(all, jan, "PaySumma"), 50);
    EXPECT_EQ(result.GrandTotals().factRest, M("1350"));

    // Years down the rows, flow kinds across: the same figures.
    cube.engine.Dims().Item("FlowKindCode").MoveTo(Cube::Axis::Columns, 0);
    cube.engine.Dims().Item("Month").MoveTo(Cube::Axis::Filter, 0);
    cube.engine.Dims().Item("Year").MoveTo(Cube::Axis::Rows, 0);
    cube.engine.SetDrillDownLevel(Cube::Axis::Rows, -1);
    EXPECT_DOUBLE_EQ(cube.At(all, all, "FactRest"), 1350);
    EXPECT_DOUBLE_EQ(cube.At(y2025, all, "FactRest"), 1600);
    EXPECT_DOUBLE_EQ(cube.At(y2026, {Value("CASH")}, "FactRest"), 1200);
    EXPECT_DOUBLE_EQ(cube.At(y2026, {Value("BANK")}, "FactRest"), 150);
}

// The deviation is the actual flow against what was planned and invoiced; without any rest
// wanted the cube has no rest facts.
TEST(CashFlowRows, DeviationAndTheFactsOfACubeWithoutRests)
{
    std::vector<CashFlowSourceRow> rows = {
        Row("cpay", "2025-12-03", "CASH", "C1", {.plan = "100"}),
        Row("BDoc", "2025-12-03", "CASH", "C1", {.debt = "20"}),
        Row("pdoc", "2025-12-06", "CASH", "C1", {.pay = "150"}),
    };
    const CashFlowRows result(rows, false, D("2025-12-31"));
    CashCube cube(result, CashFlowParams{});
    EXPECT_DOUBLE_EQ(cube.At({}, {}, "Deviation"), 30);
    for (const char* rest : {"PlanRest", "SFRest", "FactRest"})
        EXPECT_FALSE(cube.engine.Facts().Exists(rest)) << rest;
    // Only the rest asked for is a fact.
    CashFlowParams one;
    one.sfRest = true;
    const CashFlowRows withRest(rows, true, D("2025-12-31"));
    CashCube restCube(withRest, one);
    EXPECT_TRUE(restCube.engine.Facts().Exists("SFRest"));
    EXPECT_FALSE(restCube.engine.Facts().Exists("FactRest"));
    EXPECT_DOUBLE_EQ(restCube.At({}, {}, "SFRest"), 20);
}

// The flow-kind tree: an object on every level from its top group down, a shallow object
// repeating itself, an object the tree does not know standing alone; a cycle is refused.
TEST(AnalytHierarchy, PathsOnEveryLevelAndCyclesRefused)
{
    AnalytHierarchy tree;
    tree.InitFromPairs("CF", {{"OP", ""}, {"NC", "OP"}, {"BANK", "NC"}, {"KT", ""}, {"BART", "KT"}},
                       {{"NC", "Non-cash"}});
    EXPECT_EQ(tree.LevelCount(), 3);
    EXPECT_EQ(tree.Path("BANK"), (std::vector<std::string>{"OP", "NC", "BANK"}));
    EXPECT_EQ(tree.Path("BART"), (std::vector<std::string>{"KT", "BART", "BART"}));
    EXPECT_EQ(tree.Path("--"), (std::vector<std::string>{"--", "--", "--"}));
    EXPECT_EQ(tree.Name("NC"), "Non-cash");
    EXPECT_EQ(tree.Name("BANK"), "");

    AnalytHierarchy flat;
    flat.InitFromPairs("CF", {});
    EXPECT_EQ(flat.LevelCount(), 1);
    EXPECT_EQ(flat.Path("CASH"), (std::vector<std::string>{"CASH"}));

    AnalytHierarchy cyclic;
    EXPECT_THROW(cyclic.InitFromPairs("CF", {{"A", "B"}, {"B", "A"}}), ValueError);
}

// The cube's levels come from the tree: a kind sums into its group, the group's total is the
// kind's.
TEST(CashFlowRows, FlowKindLevelsOfTheTreeInTheCube)
{
    std::vector<CashFlowSourceRow> rows = {
        Row("pdoc", "2025-12-03", "BANK", "C1", {.pay = "10"}),
        Row("pdoc", "2025-12-03", "CARD", "C1", {.pay = "5"}),
        Row("pdoc", "2025-12-03", "CASH", "C1", {.pay = "7"}),
    };
    const CashFlowRows result(rows, false, D("2025-12-31"));
    RCashFlow report;
    report.Hierarchy().InitFromPairs("CF", {{"NC", ""}, {"BANK", "NC"}, {"CARD", "NC"}, {"GR", ""}, {"CASH", "GR"}});
    Cube::Engine engine;
    const auto& tree = report.Hierarchy();
    engine.SetSource(result.ToCubeSource(tree.LevelCount(), [&tree](const std::string& k) { return tree.Path(k); }));
    report.DefineCube(engine, CashFlowParams{});
    engine.SetActive(true);
    const auto& grid = engine.Grid();
    auto nc = grid.FindRow({Value("NC")});
    auto gr = grid.FindRow({Value("GR")});
    auto all = grid.FindColHeader({});
    ASSERT_TRUE(nc && gr && all);
    EXPECT_DOUBLE_EQ(grid.FactValue(*nc, *all, "PaySumma").value_or(0), 15);
    EXPECT_DOUBLE_EQ(grid.FactValue(*gr, *all, "PaySumma").value_or(0), 7);
    EXPECT_EQ(CashFlowRows::LevelColumns(2), (std::vector<std::string>{"FlowKindLevel1", "FlowKindCode"}));
}
