#include "quarn/cube/RSaleNew.hpp"
#include "RSaleFixture.hpp"
#include "host/cube/Styles.hpp"
#include "quarn/cube/RSaleTrend.hpp"

#include <cmath>

using namespace RSaleTesting;
using namespace Talvex;

namespace {

constexpr double kTolerance = 0.005;

// The code before the colon of a "code:name" member.
std::string CodeOf(const std::string& member)
{
    const auto colon = member.find(':');
    return colon == std::string::npos ? std::string() : member.substr(0, colon);
}

class SalesAnalysisTest : public SalesCubeTest {
protected:
    void LoadAnalysis(Quarn_DuzAde::RSaleNew& analysis, Cube::Engine& engine)
    {
        ASSERT_TRUE(analysis.Prepare(params));
        auto list = analysis.ReadSalesRows();
        list->Refresh();
        engine.AttachRecordset(*list->Recordset());
        analysis.DefineCube(engine);
        engine.SetActive(true);
    }

    // The outermost goods group of every good, from the goods tree.
    std::map<std::string, std::string> TopGroups()
    {
        auto rs = book->Db().QueryPostgres(R"sql(
            WITH RECURSIVE up AS (
                SELECT Code AS good, Code, Parent FROM REFGood
                UNION ALL
                SELECT up.good, g.Code, g.Parent FROM up JOIN REFGood g ON g.Code = up.Parent)
            SELECT up.good, up.Code FROM up
            WHERE up.Parent IS NULL AND up.good <> up.Code
              AND EXISTS (SELECT 1 FROM REFPriceListSpec s WHERE s.GoodCode = up.good))sql");
        std::map<std::string, std::string> top;
        for (const auto& row : rs.rows)
            top[row.at(0).ToText()] = row.at(1).ToText();
        return top;
    }
};

} // namespace

TEST_F(SalesAnalysisTest, GrandTotalsAndFolderTotalsMatchTheDocuments)
{
    Quarn_DuzAde::RSaleNew analysis;
    Cube::Engine engine;
    LoadAnalysis(analysis, engine);
    ASSERT_GE(analysis.FolderLevels().size(), 2u);
    EXPECT_EQ(analysis.FolderLevels().front(), "PLFolder1");

    const auto& grid = engine.Grid();
    const auto total = grid.FindRow({});
    const auto allYears = grid.FindColHeader({});
    ASSERT_TRUE(total && allYears);
    auto all = ExpectedBy("''");
    EXPECT_NEAR(*grid.FactValue(*total, *allYears, "Summa"), all[""].summa, kTolerance);
    EXPECT_NEAR(*grid.FactValue(*total, *allYears, "GoodAmount"), all[""].quantity, kTolerance);
    EXPECT_NEAR(*grid.FactValue(*total, *allYears, "Cost"), all[""].cost, kTolerance);
    EXPECT_NEAR(*grid.FactValue(*total, *allYears, "Profit"), all[""].summa - all[""].cost, kTolerance);

    // Down the rows the outermost price-list folder, which follows the goods groups here;
    // goods in no price list show the placeholder.
    const auto top = TopGroups();
    std::map<std::string, double> expected;
    for (const auto& [good, sums] : ExpectedBy("good")) {
        const auto found = top.find(good);
        expected[found == top.end() ? std::string() : found->second] += sums.summa;
    }
    ASSERT_GT(expected.size(), 2u);
    std::size_t compared = 0;
    for (std::size_t row = 0; row < grid.RowCount(); ++row) {
        const auto& header = grid.RowHeader(row);
        if (header.Codes.empty()) continue;
        const std::string member = grid.RowDims().at(0)->Member(header.Codes.at(0)).ToText();
        SCOPED_TRACE(member);
        ASSERT_TRUE(expected.count(CodeOf(member)));
        EXPECT_NEAR(*grid.FactValue(row, *allYears, "Summa"), expected[CodeOf(member)], kTolerance);
        ++compared;
    }
    EXPECT_EQ(compared, expected.size());

    // The other dimensions of the analysis cut the same total; the VAT directions are those
    // of the lines read, and sessions belong to restaurant bills only (the hotel cube's test).
    const char* others[] = {"VATDirection", "DiscountCardNumber", "RespBuyerManager", "SessionNumb",
                            "WeekDay",      "GoodSubCategory"};
    for (const char* dim : others) {
        SCOPED_TRACE(dim);
        engine.Dims().Item(analysis.FolderLevels().front()).MoveTo(Cube::Axis::Filter, 0);
        for (const char* other : others)
            engine.Dims().Item(other).MoveTo(Cube::Axis::Filter, 0);
        engine.Dims().Item(dim).MoveTo(Cube::Axis::Rows, 0);
        const auto& cut = engine.Grid();
        double sum = 0;
        std::size_t members = 0;
        for (std::size_t row = 0; row < cut.RowCount(); ++row) {
            if (cut.RowHeader(row).Codes.empty()) continue;
            sum += cut.FactValue(row, *allYears, "Summa").value_or(0);
            ++members;
        }
        EXPECT_NEAR(sum, all[""].summa, kTolerance);
        const std::string name = dim;
        if (name == "VATDirection") {
            const auto directions = book->Db().QueryPostgres(
                "SELECT count(DISTINCT o.VATDirection) FROM THSpecForOLAPSale o JOIN THDocument d ON d.IDC = o.DocID "
                "WHERE d.IsPosted = 1 AND o.DocTypeCode IN ('PRSF', 'GPG', 'PRSD', 'SCN') "
                "AND d.DocumentDate BETWEEN '2025-01-01' AND '2026-12-31'");
            EXPECT_EQ(static_cast<std::int64_t>(members), directions.rows.at(0).at(0).ToInteger());
        } else if (name == "SessionNumb") {
            EXPECT_EQ(members, 1u); // the placeholder
        } else if (name == "WeekDay") {
            EXPECT_EQ(members, 7u);
        } else {
            EXPECT_GT(members, 2u);
        }
    }
}

TEST_F(SalesAnalysisTest, TrendsShowTheChangeAgainstThePreviousMonthAndZeroAtTotals)
{
    params.Add("TrendFacts", FieldType::kLongText, Value(std::string("Summa, Profit")));
    params.Add("ColourTrend", FieldType::kFlag, Value(1));
    params.Add("ColourTrendValue", FieldType::kQuantity, Value(10));
    Quarn_DuzAde::RSaleTrend trend;
    FieldList out;
    EXPECT_FALSE(trend.Run(params, out));
    ASSERT_TRUE(trend.Report());
    auto& analysis = *trend.Report();
    EXPECT_TRUE(analysis.IsTrend());
    EXPECT_EQ(analysis.TrendFacts(), (std::vector<std::string>{"Summa", "Profit"}));
    Cube::Engine engine;
    auto list = analysis.ReadSalesRows();
    list->Refresh();
    engine.AttachRecordset(*list->Recordset());
    analysis.DefineCube(engine);
    engine.SetActive(true);
    EXPECT_TRUE(engine.Facts().Exists("DSumma"));
    EXPECT_TRUE(engine.Facts().Exists("DProfit"));
    EXPECT_FALSE(engine.Facts().Exists("DCost"));

    // Years and their months across; the grand total down the rows is enough here.
    const auto& grid = engine.Grid();
    const auto row = *grid.FindRow({});
    std::size_t checked = 0;
    std::size_t coloured = 0;
    for (std::int64_t year : {2025, 2026}) {
        for (std::int64_t month = 1; month <= 12; ++month) {
            const auto col = grid.FindColHeader({Value(year), Value(month)});
            ASSERT_TRUE(col) << year << "-" << month;
            // The grand-total row is a total: every trend there is 0.
            const auto delta = grid.FactValue(row, *col, "DSumma");
            ASSERT_TRUE(delta);
            EXPECT_DOUBLE_EQ(*delta, 0.0);
        }
        const auto yearCol = *grid.FindColHeader({Value(year)});
        EXPECT_DOUBLE_EQ(*grid.FactValue(row, yearCol, "DSumma"), 0.0);
    }
    // Down the rows the outermost folders: each month against the month before it.
    for (std::size_t r = 0; r < grid.RowCount(); ++r) {
        if (grid.RowHeader(r).Codes.empty()) continue;
        for (std::int64_t year : {2025, 2026}) {
            std::optional<double> previous;
            for (std::int64_t month = 1; month <= 12; ++month) {
                const auto col = *grid.FindColHeader({Value(year), Value(month)});
                const auto summa = grid.FactValue(r, col, "Summa");
                const auto delta = grid.FactValue(r, col, "DSumma");
                if (month == 1 || !previous || !summa || *previous == 0) {
                    EXPECT_FALSE(delta) << year << "-" << month; // nothing to compare with
                } else {
                    ASSERT_TRUE(delta);
                    EXPECT_NEAR(*delta, 100 * (*summa - *previous) / *previous, 1e-6);
                    ++checked;
                    const auto* style = engine.CellStyle(grid.Cell(r, grid.ColumnOf(col, "DSumma")));
                    const std::string name = style ? style->Name : "";
                    if (*delta > 10)
                        EXPECT_EQ(name, "BlueHighlight");
                    else if (*delta < -10)
                        EXPECT_EQ(name, "RedHighlight");
                    else
                        EXPECT_EQ(name, "");
                    coloured += style != nullptr;
                }
                previous = summa;
            }
        }
    }
    EXPECT_GT(checked, 20u);
    EXPECT_GT(coloured, 0u);
}

TEST_F(SalesAnalysisTest, HotelAndRestaurantDocumentsCountOnlyForTheHotelCube)
{
    Quarn_DuzAde::RSaleHotel hotel;
    FieldList out;
    hotel.Run(params, out);
    ASSERT_TRUE(hotel.Report());
    EXPECT_TRUE(hotel.Report()->IsRestaurant());
    EXPECT_FALSE(hotel.Report()->IsTrend());
    Cube::Engine engine;
    auto list = hotel.Report()->ReadSalesRows();
    list->Refresh();
    engine.AttachRecordset(*list->Recordset());
    hotel.Report()->DefineCube(engine);
    engine.SetActive(true);

    // The restaurant's lines in plain SQL: net of VAT, in the accounting currency.
    const std::string acc = book->AccountCurrency();
    auto rs = book->Db().QueryPostgres(
        "SELECT count(*), COALESCE(SUM(o.AmountAccount), 0)::float8, COALESCE(SUM(CASE WHEN d.CurrencyCode = '" + acc +
        "' THEN o.SummaWithoutVAT ELSE ROUND(o.SummaWithoutVAT * (SELECT r.Rate FROM REFCurrencyRate r JOIN "
        "REFCurrency cu ON cu.Code = r.CurrencyCode WHERE r.CurrencyCode = d.CurrencyCode AND r.RateTypeCode = "
        "cu.DefaultRateType AND r.DateApply <= d.DocumentDate ORDER BY r.DateApply DESC LIMIT 1), 2) END), 0)::float8, "
        "COALESCE(SUM(o.CostSumm), 0)::float8 FROM THSpecForOLAPSale o JOIN THDocument d ON d.IDC = o.DocID "
        "WHERE o.DocTypeCode IN ('HR', 'RD', 'RDG') AND d.IsPosted = 1 "
        "AND d.DocumentDate BETWEEN '2025-01-01' AND '2026-12-31'");
    ASSERT_GT(rs.rows.at(0).at(0).ToInteger(), 0) << "the demo company has restaurant sales";
    auto all = ExpectedBy("''");
    const auto& grid = engine.Grid();
    const auto total = *grid.FindRow({});
    const auto allYears = *grid.FindColHeader({});
    EXPECT_NEAR(*grid.FactValue(total, allYears, "GoodAmount"), all[""].quantity + rs.rows[0][1].ToDouble(), 1e-4);
    EXPECT_NEAR(*grid.FactValue(total, allYears, "Summa"), all[""].summa + rs.rows[0][2].ToDouble(), kTolerance);
    EXPECT_NEAR(*grid.FactValue(total, allYears, "Cost"), all[""].cost + rs.rows[0][3].ToDouble(), kTolerance);

    // Their sessions are the days they were written on.
    engine.Dims().Item(hotel.Report()->FolderLevels().front()).MoveTo(Cube::Axis::Filter, 0);
    engine.Dims().Item("SessionNumb").MoveTo(Cube::Axis::Rows, 0);
    const auto& sessions = engine.Grid();
    std::size_t days = 0;
    for (std::size_t r = 0; r < sessions.RowCount(); ++r) {
        if (sessions.RowHeader(r).Codes.empty()) continue;
        const auto member = sessions.RowDims().at(0)->Member(sessions.RowHeader(r).Codes.at(0)).ToText();
        if (member.size() == 8 && member.rfind("202", 0) == 0) ++days;
    }
    EXPECT_GT(days, 0u);
}
