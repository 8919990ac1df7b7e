// Goods turnover over the demo company and over lots of its own: closing stock equal to the
// host's stock rests on the last day, opening stock to those of the day before the period,
// the consignment lots, the goods node, the drill-down, the form's refusals.

#include "quarn/sales/CRepGoodTurnAnalysis.hpp"
#include "host/data/Connection.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/ClientApp.hpp"
#include "host/objects/FieldList.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <map>

using namespace Talvex;
using Quarn_DuzAde::CRepGoodTurnAnalysis;
using Quarn_DuzAde::GoodTurnLine;
using Quarn_DuzAde::GoodTurnLineKind;

namespace {

struct Stock {
    Decimal quantity;
    Currency value;
    bool operator==(const Stock&) const = default;
};

std::vector<GoodTurnLine> Turnover(const std::shared_ptr<Book>& book, const CRepGoodTurnAnalysis::Params& params)
{
    return Quarn_DuzAde::GoodTurnLines(CRepGoodTurnAnalysis::FetchLots(book, params), params.dateBeg, params.dateEnd);
}

// The host's stock rests on a day per good, with or without the consignment lots.
std::map<std::string, Stock> HostRests(Book& book, Date day, bool consigned)
{
    const auto rows = book.Db().QueryPostgres(R"sql(
        SELECT n.GoodCode, SUM(n.AmountAccount), SUM(n.CostSumm)
        FROM THGoodSpecNotFixed($1) n JOIN THGoodSpec s ON s.IDC = n.SpecID
        WHERE $2 OR COALESCE(s.FixCategory, '') <> 'K'
        GROUP BY n.GoodCode)sql",
                                              {Value(day), Value(consigned)});
    std::map<std::string, Stock> rests;
    for (const auto& row : rows.rows)
        rests[row[0].ToText()] = {row[1].ToDecimal(), row[2].ToCurrency()};
    return rests;
}

std::string Text(const std::optional<Decimal>& value)
{
    return value ? value->Normalized().ToString() : "none";
}

struct MainRun {
    explicit MainRun(std::shared_ptr<Book> book, const std::string& answers) : user(answers)
    {
        params.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
        report.Main(params);
    }
    Testing::ScriptedUser user;
    ClientApp app{user.Session()};
    ClientApp::Scope appScope{app};
    FieldList params;
    CRepGoodTurnAnalysis report;
};

std::string Answers(const std::string& beg, const std::string& end, const std::string& good)
{
    return "frmGoodTurnAnalysis.edDateBeg = " + beg + "\nfrmGoodTurnAnalysis.edDateEnd = " + end +
           "\nfrmGoodTurnAnalysis.selGood = " + good + "\nfrmGoodTurnAnalysis.btOK click\n";
}

class GoodTurnAnalysis : public ::testing::Test {
protected:
    void SetUp() override { book = Testing::OpenDemoBook("good_turn_tester"); }
    std::shared_ptr<Book> book;
};

} // namespace

TEST_F(GoodTurnAnalysis, ClosingAndOpeningStockEqualTheHostsRestsWithAndWithoutConsignment)
{
    for (const bool consigned : {false, true}) {
        const CRepGoodTurnAnalysis::Params params{Date(2026, 1, 1), Date(2026, 6, 30), "", consigned};
        const auto lines = Turnover(book, params);
        const auto closing = HostRests(*book, params.dateEnd, consigned);
        const auto opening = HostRests(*book, params.dateBeg.AddDays(-1), consigned);
        ASSERT_GT(closing.size(), 10u);

        std::map<std::string, Stock> gotClosing, gotOpening;
        Currency totalClosing, goodsClosing, goodsOut;
        for (const auto& line : lines) {
            if (line.kind == GoodTurnLineKind::kTotal) totalClosing = line.closing.value;
            if (line.kind != GoodTurnLineKind::kGood) continue;
            goodsClosing += line.closing.value;
            goodsOut += line.out.value;
            EXPECT_EQ(line.opening.value + line.in.value - line.out.value, line.closing.value) << line.goodCode;
            if (!line.closing.quantity->IsZero() || !line.closing.value.IsZero())
                gotClosing[line.goodCode] = {*line.closing.quantity, line.closing.value};
            if (!line.opening.quantity->IsZero() || !line.opening.value.IsZero())
                gotOpening[line.goodCode] = {*line.opening.quantity, line.opening.value};
        }
        EXPECT_EQ(gotClosing, closing) << (consigned ? "with" : "without") << " consignment";
        EXPECT_EQ(gotOpening, opening) << (consigned ? "with" : "without") << " consignment";
        EXPECT_EQ(totalClosing, goodsClosing);
        EXPECT_GT(goodsOut, Currency()) << "goods went out in half a year";
    }
}

TEST_F(GoodTurnAnalysis, LotsOfItsOwnUnderAGoodsNodeWithTheirMovements)
{
    Data::Transaction tx(book->Db());
    auto& db = book->Db();
    const std::string group = "TG'1;--";
    db.Execute("INSERT INTO REFGood (Code, Name, IsGroup) VALUES (?, 'Turn '' group', 1)", {Value(group)});
    db.Execute("INSERT INTO REFGood (Code, Name, Parent) VALUES ('TA', 'Turning good', ?)", {Value(group)});
    db.Execute("INSERT INTO REFGood (Code, Name) VALUES ('TB', 'Outside the node')");
    auto document = [&](const char* type, Date date, const char* number) {
        db.Execute("INSERT INTO THDocument (DocTypeCode, DocumentDate, Number, IsPosted) VALUES (?, ?, ?, 1)",
                   {Value(type), Value(date), Value(number)});
        return db.Query("SELECT IDC FROM THDocument WHERE Number = ?", {Value(number)}).rows.at(0).at(0).ToInteger();
    };
    auto row = [&](std::int64_t doc, const char* good, int amount, const char* cost, const char* category = "") {
        db.Execute("INSERT INTO THGoodSpec (DocID, PosNumb, GoodCode, UnitCode, Amount, AmountAccount, CostSumm, "
                   "FixCategory) VALUES (?, 1, ?, 'VNT', ?, ?, ?, NULLIF(?, ''))",
                   {Value(doc), Value(good), Value(std::int64_t{amount}), Value(std::int64_t{amount}),
                    Value(Currency::Parse(cost)), Value(category)});
        return db.Query("SELECT IDC FROM THGoodSpec WHERE DocID = ?", {Value(doc)}).rows.at(0).at(0).ToInteger();
    };
    auto fix = [&](std::int64_t lot, std::int64_t out, int amount) {
        db.Execute("INSERT INTO THGoodSpecFixLog (IncomeSpecID, OutcomeSpecID, Amount) VALUES (?, ?, ?)",
                   {Value(lot), Value(out), Value(std::int64_t{amount})});
    };
    const auto oldLot = row(document("PISF", Date(2031, 1, 10), "TURN-1"), "TA", 10, "100");
    fix(oldLot, row(document("PRSF", Date(2031, 2, 1), "TURN-2"), "TA", 4, "0"), 4);
    const auto saleInPeriod = document("PRSF", Date(2031, 3, 10), "TURN-3");
    fix(oldLot, row(saleInPeriod, "TA", 3, "0"), 3);
    const auto purchase = document("PISF", Date(2031, 3, 15), "TURN-4");
    row(purchase, "TA", 5, "55");
    fix(oldLot, row(document("PRSF", Date(2031, 4, 2), "TURN-5"), "TA", 1, "0"), 1);
    row(document("POSF", Date(2031, 3, 20), "TURN-6"), "TA", 2, "20", "K");
    row(document("PISF", Date(2031, 3, 20), "TURN-7"), "TB", 1, "1");

    CRepGoodTurnAnalysis::Params params{Date(2031, 3, 1), Date(2031, 3, 31), group, false};
    auto lines = Turnover(book, params);
    ASSERT_EQ(lines.size(), 3u) << "the good, its group, the total";
    const auto& ta = lines[0];
    EXPECT_EQ(ta.goodCode, "TA");
    EXPECT_EQ(ta.groupCode, group);
    EXPECT_EQ(ta.groupName, "Turn ' group");
    EXPECT_EQ(*ta.opening.quantity, Decimal::FromInteger(6));
    EXPECT_EQ(ta.opening.value, Currency::Parse("60"));
    EXPECT_EQ(ta.in.value, Currency::Parse("55"));
    EXPECT_EQ(*ta.out.quantity, Decimal::FromInteger(3));
    EXPECT_EQ(ta.out.value, Currency::Parse("30"));
    EXPECT_EQ(*ta.closing.quantity, Decimal::FromInteger(8));
    EXPECT_EQ(ta.closing.value, Currency::Parse("85"));
    EXPECT_EQ(Text(ta.turnoverDays), "74.9"); // 72.5 x 31 / 30
    EXPECT_EQ(lines[1].kind, GoodTurnLineKind::kGroup);
    EXPECT_EQ(lines[2].kind, GoodTurnLineKind::kTotal);

    params.consigned = true;
    lines = Turnover(book, params);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(*lines[0].in.quantity, Decimal::FromInteger(7));
    EXPECT_EQ(lines[0].closing.value, Currency::Parse("105"));

    params.consigned = false;
    const auto movements = CRepGoodTurnAnalysis::FetchMovements(book, params, "TA");
    ASSERT_EQ(movements.size(), 2u);
    EXPECT_FALSE(movements[0].incoming);
    EXPECT_EQ(movements[0].docId, saleInPeriod);
    EXPECT_EQ(movements[0].number, "TURN-3");
    EXPECT_EQ(movements[0].amount, Decimal::FromInteger(3));
    EXPECT_EQ(movements[0].value, Currency::Parse("30"));
    EXPECT_TRUE(movements[1].incoming);
    EXPECT_EQ(movements[1].docId, purchase);
    EXPECT_EQ(movements[1].value, Currency::Parse("55"));

    // The window: a double click on the good lists its documents, which the user closes.
    MainRun run(book, Answers("2031-03-01", "2031-03-31", group) +
                          "frmGoodTurnList.grdTurn dblclick 1\nfrmGoodTurnDocs.btClose click\n"
                          "frmGoodTurnList.btClose click\n");
    EXPECT_EQ(run.user.ErrorsText(), "");
    EXPECT_EQ(run.user.Failure(), "");
    EXPECT_TRUE(run.user.Remaining().empty()) << run.user.FirstUnplayed();
}

TEST_F(GoodTurnAnalysis, TheFormRefusesBadInputAtItsControlAndAnEmptyPeriodSaysSo)
{
    {
        MainRun run(book, Answers("2026-03-31", "2026-03-01", "") + "frmGoodTurnAnalysis.btCancel click\n");
        ASSERT_FALSE(run.user.MessageTexts().empty());
        EXPECT_EQ(run.user.MessageTexts().front(),
                  "frmGoodTurnAnalysis.edDateEnd: The first day of the period is after its last day.");
    }
    {
        MainRun run(book, Answers("2026-03-01", "2026-03-31", "X'1;--") + "frmGoodTurnAnalysis.btCancel click\n");
        ASSERT_FALSE(run.user.MessageTexts().empty());
        EXPECT_EQ(run.user.MessageTexts().front(),
                  "frmGoodTurnAnalysis.selGood: There is no good or goods group with the code 'X'1;--'");
    }
    {
        MainRun run(book, Answers("1990-01-01", "1990-01-31", ""));
        EXPECT_EQ(run.user.ErrorsText(), "");
        ASSERT_FALSE(run.user.MessageTexts().empty());
        EXPECT_EQ(run.user.MessageTexts().back(), "The data list is empty.");
    }
}
