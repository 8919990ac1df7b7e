#include "quarn/cube/FloorPrices.hpp"
#include "host/data/Connection.hpp"
#include "host/objects/Book.hpp"
#include "host/types/Errors.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <cctype>
#include <optional>

using namespace Talvex;

namespace {

// The price a span of the table gives a good, in a currency, on a day; none when no span
// holds the day, and a failure when two do.
std::optional<double> PriceOn(Book& book, const Quarn_DuzAde::FloorPrices& floors, const std::string& good,
                              const std::string& currency, const Date& day)
{
    auto rows =
        book.Db().Query("SELECT fp.Price FROM " + floors.Table() + " fp WHERE " + floors.InEffect("fp", "?", "?", "?"),
                        {Value(good), Value(currency), Value(day), Value(day)}); // the day twice: from and before
    EXPECT_LE(rows.rows.size(), 1u) << good << " " << day.ToIso() << ": two prices hold one day";
    if (rows.rows.empty()) return std::nullopt;
    return rows.rows[0].at(0).ToDouble();
}

} // namespace

TEST(FloorPrices, EachDayMeetsTheLatestPriceOfTheGoodsAccountingUnitAndCurrency)
{
    auto book = Testing::OpenDemoBook("tester");
    Data::Transaction work(book->Db());
    // A good with a second unit besides its accounting one, and a currency not the company's.
    auto units = book->Db().Query("SELECT TOP 1 a.GoodCode, a.UnitCode, o.UnitCode FROM REFGoodUnit a"
                                  " JOIN REFGoodUnit o ON o.GoodCode = a.GoodCode AND o.IsAccount = 0"
                                  " WHERE a.IsAccount = 1 ORDER BY a.GoodCode");
    ASSERT_EQ(units.rows.size(), 1u) << "the demo company sells some goods in two units";
    const std::string good = units.rows[0].at(0).ToText();
    const std::string unit = units.rows[0].at(1).ToText();
    const std::string otherUnit = units.rows[0].at(2).ToText();
    const std::string acc = book->AccountCurrency();
    auto other = book->Db().Query("SELECT TOP 1 Code FROM REFCurrency WHERE Code <> ? ORDER BY Code", {Value(acc)});
    ASSERT_EQ(other.rows.size(), 1u);
    const std::string foreign = other.rows[0].at(0).ToText();

    // A type of its own, its code holding a quote, a semicolon and a comment marker.
    const std::string type = "F'L;--";
    book->Db().Execute("INSERT INTO REFPriceType (Code, Name) VALUES (?, ?)", {Value(type), Value(type)});
    auto price = [&](const std::string& u, const std::string& currency, Date from, double value) {
        book->Db().Execute(
            "INSERT INTO REFGoodPrice (PriceTypeCode, CurrencyCode, GoodCode, UnitCode, DateApply, Price)"
            " VALUES (?, ?, ?, ?, ?, ?)",
            {Value(type), Value(currency), Value(good), Value(u), Value(from), Value(value)});
    };
    price(unit, acc, Date(2025, 1, 1), 10);
    price(unit, acc, Date(2025, 3, 1), 12);
    price(unit, foreign, Date(2025, 2, 1), 99);
    price(otherUnit, acc, Date(2025, 2, 1), 50); // not the accounting unit: never a floor

    Quarn_DuzAde::FloorPrices floors;
    floors.Read(book, type);
    ASSERT_FALSE(floors.Table().empty());
    EXPECT_EQ(PriceOn(*book, floors, good, acc, Date(2024, 12, 31)), std::nullopt) << "before the first price";
    EXPECT_EQ(PriceOn(*book, floors, good, acc, Date(2025, 1, 1)), 10.0) << "a price holds from its own day";
    EXPECT_EQ(PriceOn(*book, floors, good, acc, Date(2025, 2, 28)), 10.0) << "the other unit's price is no floor";
    EXPECT_EQ(PriceOn(*book, floors, good, acc, Date(2025, 3, 1)), 12.0) << "the next price ends the span";
    EXPECT_EQ(PriceOn(*book, floors, good, acc, Date(2030, 1, 1)), 12.0) << "the latest price holds on";
    EXPECT_EQ(PriceOn(*book, floors, good, foreign, Date(2025, 1, 15)), std::nullopt);
    EXPECT_EQ(PriceOn(*book, floors, good, foreign, Date(2025, 6, 1)), 99.0);
    std::string folded = good;
    for (char& c : folded)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(PriceOn(*book, floors, folded + " ", acc, Date(2025, 2, 1)), 10.0) << "codes compare as the ERP's do";

    // A price written later splits a span at the next read; the table read before is gone.
    price(unit, acc, Date(2025, 2, 1), 11);
    const std::string before = floors.Table();
    floors.Read(book, type);
    EXPECT_NE(floors.Table(), before);
    {
        Data::Transaction probe(book->Db()); // the refused statement undoes only itself
        EXPECT_THROW(book->Db().Query("SELECT COUNT(*) FROM " + before), DatabaseError);
    }
    EXPECT_EQ(PriceOn(*book, floors, good, acc, Date(2025, 1, 31)), 10.0);
    EXPECT_EQ(PriceOn(*book, floors, good, acc, Date(2025, 2, 1)), 11.0);
    EXPECT_EQ(PriceOn(*book, floors, good, acc, Date(2025, 3, 1)), 12.0);
}

TEST(FloorPrices, EverySalesLineMeetsThePriceTheLatestPriceLookupFinds)
{
    auto book = Testing::OpenDemoBook("tester");
    for (const char* type : {"SAV", "AKC"}) {
        SCOPED_TRACE(type);
        Quarn_DuzAde::FloorPrices floors;
        floors.Read(book, type);
        // Through the spans: each line of 2025 and 2026 with a price on its day.
        auto spans = book->Db().Query(
            "SELECT COUNT(*), SUM(fp.Price) FROM THDocument d JOIN THGoodSpec s ON s.DocID = d.IDC JOIN " +
            floors.Table() + " fp ON " + floors.InEffect("fp", "s.GoodCode", "d.CurrencyCode", "d.DocumentDate") +
            " WHERE d.DocTypeCode = N'PRSF' AND d.DocumentDate BETWEEN '2025-01-01' AND '2026-12-31'");
        // The latest price not after the day, searched line by line.
        auto latest = book->Db().QueryPostgres(R"sql(
            SELECT COUNT(*), SUM(p.Price) FROM THDocument d JOIN THGoodSpec s ON s.DocID = d.IDC
            JOIN REFGoodUnit u ON u.GoodCode = s.GoodCode AND u.IsAccount = 1
            JOIN LATERAL (SELECT gp.Price FROM REFGoodPrice gp WHERE gp.PriceTypeCode = $1
                            AND gp.GoodCode = s.GoodCode AND gp.UnitCode = u.UnitCode
                            AND gp.CurrencyCode = d.CurrencyCode AND gp.DateApply <= d.DocumentDate
                          ORDER BY gp.DateApply DESC LIMIT 1) p ON TRUE
            WHERE d.DocTypeCode = 'PRSF' AND d.DocumentDate BETWEEN '2025-01-01' AND '2026-12-31')sql",
                                               {Value(std::string(type))});
        ASSERT_EQ(spans.rows.size(), 1u);
        ASSERT_EQ(latest.rows.size(), 1u);
        EXPECT_GT(latest.rows[0].at(0).ToInteger(), 0) << "the demo company has prices of the type";
        EXPECT_EQ(spans.rows[0].at(0).ToInteger(), latest.rows[0].at(0).ToInteger());
        EXPECT_NEAR(spans.rows[0].at(1).ToDouble(), latest.rows[0].at(1).ToDouble(), 0.00005);
    }
}
