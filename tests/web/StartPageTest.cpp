// The start page's figures and the menu's words: debt by age, the tiles' period, the
// business names from the module's texts, and the recent reports kept per user.

#include "web/StartPage.hpp"
#include "quarn/cube/RCashFlow.hpp"
#include "web/MenuTexts.hpp"

#include "host/objects/Book.hpp"
#include "quarn/frame/Startup.hpp"
#include "support/TestDatabase.hpp"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>

namespace Talvex::Testing {
namespace {

TEST(StartPage, DebtFallsIntoItsOverdueBandOnBothSidesOfEachEdge)
{
    const Date today(2026, 3, 31);
    auto term = [&](int late, const char* sum) { return Web::DueTerm{today.AddDays(-late), Currency::Parse(sum)}; };
    const auto bands =
        Web::OverdueBands({term(0, "1"), term(-5, "2"), term(1, "4"), term(30, "8"), term(31, "16"), term(60, "32"),
                           term(61, "64"), term(90, "128"), term(91, "256"), term(400, "-0.5")},
                          today);
    EXPECT_EQ(bands.bands[0].ToString(), "3");
    EXPECT_EQ(bands.bands[1].ToString(), "12");
    EXPECT_EQ(bands.bands[2].ToString(), "48");
    EXPECT_EQ(bands.bands[3].ToString(), "192");
    EXPECT_EQ(bands.bands[4].ToString(), "255.5");
}

TEST(StartPage, TilePeriodIsTwelveWholeMonthsEndingWithTodaysMonth)
{
    const auto period = Web::DebtTilePeriod(Date(2026, 3, 14));
    EXPECT_EQ(period.begDate.ToIso(), "2025-04-01");
    EXPECT_EQ(period.endDate.ToIso(), "2026-03-31");
    const auto leap = Web::DebtTilePeriod(Date(2024, 2, 29));
    EXPECT_EQ(leap.begDate.ToIso(), "2023-03-01");
    EXPECT_EQ(leap.endDate.ToIso(), "2024-02-29");
}

TEST(StartPage, MenuNamesComeFromTheModulesTextsOrTheRole)
{
    Quarn_DuzAde::Startup();
    EXPECT_EQ(Web::BusinessName("CDebtOfClients", "client debt ageing form"), "Client debt");
    EXPECT_EQ(Web::BusinessName("RSale", "sales cube"), "Sales cube");
    EXPECT_EQ(Web::BusinessName("CNoRole", ""), "CNoRole");
}

TEST(StartPage, RecentReportsAreLatestFirstWithoutRepeatsAndBounded)
{
    std::vector<std::string> recent;
    for (int i = 0; i < 10; ++i)
        recent = Web::PushRecent(recent, "R" + std::to_string(i));
    ASSERT_EQ(recent.size(), Web::kRecentCount);
    EXPECT_EQ(recent.front(), "R9");
    EXPECT_EQ(recent.back(), "R2");
    recent = Web::PushRecent(recent, "R5");
    ASSERT_EQ(recent.size(), Web::kRecentCount);
    EXPECT_EQ(recent[0], "R5");
    EXPECT_EQ(recent[1], "R9");
    EXPECT_EQ(std::count(recent.begin(), recent.end(), "R5"), 1);
}

TEST(StartPage, RecentReportsAreKeptPerUser)
{
    auto anna = OpenDemoBook("recent.anna");
    auto ben = OpenDemoBook("recent.ben");
    Web::RememberRecent(*anna, "RSale");
    Web::RememberRecent(*anna, "CDebtOfClients");
    Web::RememberRecent(*ben, "RPurchase");
    Web::RememberRecent(*anna, "RSale");
    EXPECT_EQ(Web::LoadRecent(*anna), (std::vector<std::string>{"RSale", "CDebtOfClients"}));
    EXPECT_EQ(Web::LoadRecent(*ben), (std::vector<std::string>{"RPurchase"}));
    EXPECT_TRUE(Web::LoadRecent(*OpenDemoBook("recent.nobody")).empty());
}

TEST(StartPage, SalesMonthsAreTheSameDaysAYearApart)
{
    const auto march = Web::SalesTileMonths(Date(2026, 3, 14));
    EXPECT_EQ(march.thisBeg.ToIso(), "2026-03-01");
    EXPECT_EQ(march.thisEnd.ToIso(), "2026-03-14");
    EXPECT_EQ(march.lastBeg.ToIso(), "2025-03-01");
    EXPECT_EQ(march.lastEnd.ToIso(), "2025-03-14");
    // A leap day's year before ends with its month.
    const auto leap = Web::SalesTileMonths(Date(2024, 2, 29));
    EXPECT_EQ(leap.lastBeg.ToIso(), "2023-02-01");
    EXPECT_EQ(leap.lastEnd.ToIso(), "2023-02-28");
}

// The figures of one list of a tile, by label.
std::map<std::string, Currency> ListOf(const nlohmann::json& tile, const std::string& kind)
{
    std::map<std::string, Currency> items;
    for (const auto& list : tile["lists"]) {
        if (list["kind"] != kind) continue;
        for (const auto& item : list["items"])
            items[item["label"].get<std::string>()] = Currency::Parse(item["value"].get<std::string>());
    }
    return items;
}

TEST(StartPage, TilesOfTheDemoCompanyAddUp)
{
    auto book = OpenDemoBook("start.anna");
    const auto message = nlohmann::json::parse(Web::StartPageJson(book));
    EXPECT_EQ(message["t"], "start");
    EXPECT_EQ(message["today"], book->Today().ToIso());
    ASSERT_EQ(message["tiles"].size(), 4u);
    const auto& receivables = message["tiles"][0];
    ASSERT_EQ(receivables["name"], "receivables");
    EXPECT_EQ(receivables["opens"], "CDebtOfClients");
    EXPECT_EQ(ListOf(receivables, "months").size(), 12u);
    const Currency total = Currency::Parse(receivables["total"].get<std::string>());
    EXPECT_GT(total.ToDouble(), 0.0) << "the demo company has open receivables";
    // The bands split the same open terms by how late they are; the total adds client
    // figures rounded one by one, so the two may part by a few cents.
    Currency bands;
    for (const auto& [label, sum] : ListOf(receivables, "bands"))
        bands += sum;
    EXPECT_NEAR(bands.ToDouble(), total.ToDouble(), 1.0);
    EXPECT_EQ(message["tiles"][1]["name"], "payables");
    EXPECT_EQ(message["tiles"][1]["opens"], "RDebtOfEntpr");

    // The cash position is the cash-flow cube's actual rest with the tile's parameters: each
    // flow kind's rest, and their sum the cube's grand total.
    const auto& cash = message["tiles"][2];
    ASSERT_EQ(cash["name"], "cash");
    EXPECT_EQ(cash["opens"], "RCashFlow");
    const auto kinds = ListOf(cash, "accounts");
    ASSERT_FALSE(kinds.empty()) << "the demo company moves money";
    Currency cashTotal;
    for (const auto& [label, rest] : kinds) {
        EXPECT_TRUE(label == "--" || label == "BANK" || label == "CASH" || label == "CARD" || label == "BART") << label;
        cashTotal += rest;
    }
    EXPECT_EQ(Currency::Parse(cash["total"].get<std::string>()).ToString(), cashTotal.ToString());
    const auto params = Web::CashTileParams(*book);
    EXPECT_EQ(cash["endDate"], params.endDate.ToIso());
    const Currency cube = Quarn_DuzAde::RCashFlow::Compute(book, params).GrandTotals().factRest;
    EXPECT_EQ(cube.RoundHalfAwayFromZero(2).ToString(), cashTotal.ToString());
    const auto opened = Web::PrepareTileReport(*book, "cash");
    EXPECT_EQ(opened.className, "RCashFlow");
    ASSERT_EQ(opened.params.size(), 2u);
    EXPECT_EQ(opened.params[1].second, params.endDate);

    const auto& sales = message["tiles"][3];
    ASSERT_EQ(sales["name"], "sales");
    EXPECT_EQ(sales["opens"], "RSale");
    const auto months = ListOf(sales, "sales");
    ASSERT_EQ(months.size(), 2u);
    EXPECT_EQ(months.rbegin()->second.ToString(), Currency::Parse(sales["total"].get<std::string>()).ToString())
        << "the later month is this one";
}

} // namespace
} // namespace Talvex::Testing
