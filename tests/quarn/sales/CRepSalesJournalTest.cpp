// The sales journal over the demo company and over small rows of its own: totals against an
// SQL of the same figures, the store split, the form's refusals, the empty journal.

#include "quarn/sales/CRepSalesJournal.hpp"
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
using Quarn_DuzAde::CRepSalesJournal;
using Quarn_DuzAde::SalesJournalLine;

namespace {

using JournalRun = Testing::ReportRun<CRepSalesJournal>;

std::string Answers(const std::string& beg, const std::string& end, const std::string& dep)
{
    return "frmRepSalesJournal.edBegPeriod = " + beg + "\nfrmRepSalesJournal.edEndPeriod = " + end +
           "\nfrmRepSalesJournal.cbDep = " + dep + "\nfrmRepSalesJournal.btOK click\n";
}

std::vector<SalesJournalLine> Journal(const std::shared_ptr<Book>& book, const CRepSalesJournal::Params& params)
{
    return Quarn_DuzAde::SalesJournalLines(CRepSalesJournal::FetchInvoices(book, params),
                                           CRepSalesJournal::FetchGoodsRows(book, params));
}

class RepSalesJournal : public ::testing::Test {
protected:
    void SetUp() override { book = Testing::OpenDemoBook("sales_journal_tester"); }
    std::shared_ptr<Book> book;
};

} // namespace

TEST_F(RepSalesJournal, TotalsOfEachInvoiceMatchAnSqlOfTheSameFigures)
{
    auto& db = book->Db();
    // The department with the most store-split rows in 2025, so the split is exercised.
    const auto pick = db.Query("SELECT d.Department, COUNT(*) FROM THDocument d JOIN THGoodSpec gs ON gs.DocID = d.IDC "
                               "JOIN STOrderSpec os ON os.srcDocSpecID = gs.IDC WHERE d.DocTypeCode = 'PRSF' AND "
                               "d.IsPosted = 1 AND d.Department IS NOT NULL AND d.DocumentDate BETWEEN '2025-01-01' "
                               "AND '2025-12-31' GROUP BY d.Department ORDER BY COUNT(*) DESC, d.Department");
    ASSERT_FALSE(pick.rows.empty());
    const std::string dep = pick.rows[0][0].ToText();
    const CRepSalesJournal::Params params{Date(2025, 1, 1), Date(2025, 12, 31), dep};
    const auto lines = Journal(book, params);

    // Per invoice: the invoice line's sum, and the goods lines' sums, split as the stores gave out.
    const auto expected = db.Query(R"sql(
SELECT d.IDC,
       (SELECT COALESCE(SUM(g.Summa - COALESCE(a.SummVAT, 0)), 0) FROM THGoodSpec g
        LEFT JOIN THGoodSpecPRSF a ON a.DocID = g.DocID AND a.PosNumb = g.PosNumb WHERE g.DocID = d.IDC) AS Net,
       (SELECT COUNT(*) FROM THGoodSpec g LEFT JOIN STOrderSpec o ON o.srcDocSpecID = g.IDC WHERE g.DocID = d.IDC) AS Lines,
       (SELECT COALESCE(SUM(CASE WHEN NULLIF(o.Amount, 0) IS NULL OR g.Amount = 0 THEN g.Summa
                                 ELSE ROUND(g.Summa * o.Amount / g.Amount, 2) END), 0)
        FROM THGoodSpec g LEFT JOIN STOrderSpec o ON o.srcDocSpecID = g.IDC WHERE g.DocID = d.IDC) AS Split
FROM THDocument d
WHERE d.DocTypeCode = 'PRSF' AND d.IsPosted = 1 AND d.Department = ?
  AND d.DocumentDate BETWEEN '2025-01-01' AND '2025-12-31'
ORDER BY d.DocumentDate, d.IDC)sql",
                                   {Value(dep)});
    ASSERT_GT(expected.rows.size(), 5u);

    std::map<std::int64_t, std::tuple<Currency, std::int64_t, Currency>> got; // net, lines, split summa
    std::vector<std::int64_t> order;
    for (const auto& line : lines) {
        auto& [net, count, split] = got[line.idc];
        if (line.infoBySpec == 0) {
            net = line.algebraicSum;
            order.push_back(line.idc);
        } else {
            ++count;
            split += *line.summa;
        }
    }
    ASSERT_EQ(order.size(), expected.rows.size());
    int splitRows = 0;
    for (std::size_t i = 0; i < expected.rows.size(); ++i) {
        const auto& row = expected.rows[i];
        const std::int64_t idc = row[0].ToInteger();
        EXPECT_EQ(order[i], idc) << "invoices in date order";
        const auto& [net, count, split] = got[idc];
        EXPECT_EQ(net, row[1].ToCurrency()) << "invoice " << idc;
        EXPECT_EQ(count, row[2].ToInteger()) << "invoice " << idc;
        EXPECT_EQ(split, row[3].ToCurrency()) << "invoice " << idc;
    }
    for (const auto& line : lines)
        if (line.infoBySpec == 1 && line.storeCode && !line.storeCode->empty()) ++splitRows;
    EXPECT_GT(splitRows, 0);
    // Each invoice line comes before its goods lines.
    for (std::size_t i = 1; i < lines.size(); ++i)
        if (lines[i].infoBySpec == 1) {
            EXPECT_EQ(lines[i].idc, lines[i - 1].idc);
        }
}

TEST_F(RepSalesJournal, AnInvoiceOfItsOwnIsSplitByStoreAndOddCodesStayValues)
{
    // Rows of its own inside a transaction that is rolled back: a department whose code
    // holds a quote, a semicolon and a comment marker, and a buyer named so.
    Data::Transaction tx(book->Db());
    auto& db = book->Db();
    const std::string odd = "D'X;--/*";
    db.Execute("INSERT INTO REFDepartment (Code, Name) VALUES (?, ?)", {Value(odd), Value("Odd ' dep")});
    db.Execute("INSERT INTO REFClient (Code, Name) VALUES (?, ?)", {Value("C'J;--"), Value("O'Brien; -- /* x")});
    db.Execute("INSERT INTO REFGood (Code, Name) VALUES ('GJ1', 'Journal good')");
    db.Execute("INSERT INTO STStore (Code, Name) VALUES ('SJ1', 'North'), ('SJ2', 'South')");
    db.Execute("INSERT INTO THDocument (DocTypeCode, DocumentDate, Number, Name, Summa, IsPosted, Department) "
               "VALUES ('PRSF', '2031-05-04', 'J-1', 'Own ''note''', 133.10, 1, ?)",
               {Value(odd)});
    const std::int64_t doc = db.Query("SELECT IDC FROM THDocument WHERE Number = 'J-1' AND DocumentDate = '2031-05-04'")
                                 .rows.at(0)
                                 .at(0)
                                 .ToInteger();
    db.Execute("INSERT INTO THDocument (DocTypeCode, DocumentDate, Number, IsPosted, Department) "
               "VALUES ('PRSF', '2031-05-04', 'J-unposted', 0, ?)",
               {Value(odd)});
    db.Execute("INSERT INTO THPartyAttribute (DocID, DocTypeCode, RolePartyCode, PartyType, PartyCode) "
               "VALUES (?, 'PRSF', 'PIR', 1, 'C''J;--')",
               {Value(doc)});
    db.Execute("INSERT INTO THGoodSpec (DocID, PosNumb, GoodCode, UnitCode, Amount, AmountAccount, Summa) VALUES "
               "(?, 1, 'GJ1', 'VNT', 10, 10, 121.00), (?, 2, 'GJ1', 'VNT', 0, 0, 12.10)",
               {Value(doc), Value(doc)});
    db.Execute("INSERT INTO THGoodSpecPRSF (DocID, PosNumb, SummVAT, Discount, DiscountSumm) VALUES "
               "(?, 1, 21.00, 5, 5.00), (?, 2, 2.10, 0, 0)",
               {Value(doc), Value(doc)});
    db.Execute("INSERT INTO STOrderSpec (srcDocSpecID, StoreID, Amount) "
               "SELECT g.IDC, s.IDC, CASE s.Code WHEN 'SJ1' THEN 4 ELSE 6 END FROM THGoodSpec g, STStore s "
               "WHERE g.DocID = ? AND g.PosNumb = 1 AND s.Code IN ('SJ1', 'SJ2')",
               {Value(doc)});

    JournalRun run(book, Answers("2031-05-01", "2031-05-31", odd));
    ASSERT_TRUE(run.ok) << run.user.ErrorsText();
    EXPECT_EQ(run.out.Item("Department").GetValue().ToText(), odd);
    EXPECT_EQ(run.out.Item("DepartmentName").GetValue().ToText(), "Odd ' dep");
    EXPECT_EQ(run.out.Item("CurrentUser").GetValue().ToText(), "sales_journal_tester");
    auto list = std::dynamic_pointer_cast<DataList>(run.out.Item("DataList").GetValue().ToObject());
    ASSERT_TRUE(list);
    auto rs = list->Recordset();
    ASSERT_EQ(rs->RecordCount(), 4); // the invoice, two store lines, the row of 0 units
    auto cell = [&](std::int64_t position, const char* column) {
        rs->SetAbsolutePosition(position);
        return rs->Fields().Item(column).Value();
    };
    EXPECT_EQ(cell(1, "InfoBySpec").ToInteger(), 0);
    EXPECT_EQ(cell(1, "Client").ToText(), "O'Brien; -- /* x");
    EXPECT_EQ(cell(1, "Comment").ToText(), "Own 'note'");
    EXPECT_EQ(cell(1, "AlgebraicSum").ToCurrency(), Currency::Parse("110.00"));
    EXPECT_EQ(cell(2, "StoreCode").ToText(), "SJ1");
    EXPECT_EQ(cell(2, "Amount").ToDecimal(), Decimal::FromInteger(4));
    EXPECT_EQ(cell(2, "Summa").ToCurrency(), Currency::Parse("48.40"));
    EXPECT_EQ(cell(3, "StoreCode").ToText(), "SJ2");
    EXPECT_EQ(cell(3, "SummVAT").ToCurrency(), Currency::Parse("12.60"));
    EXPECT_EQ(cell(3, "DiscountSum").ToCurrency(), Currency::Parse("3.00"));
    EXPECT_EQ(cell(3, "Price").ToCurrency(), Currency::Parse("10.50"));
    EXPECT_EQ(cell(4, "StoreCode").ToText(), "");
    EXPECT_EQ(cell(4, "Summa").ToCurrency(), Currency::Parse("12.10"));
    EXPECT_EQ(cell(4, "Price").ToCurrency(), Currency::Parse("10.00"));
}

TEST_F(RepSalesJournal, TheFormRefusesBadInputAtItsControlAndAnEmptyJournalSaysSo)
{
    const std::string dep =
        book->Db().Query("SELECT MIN(Code) FROM REFDepartment WHERE IsGroup = 0").rows.at(0).at(0).ToText();
    {
        JournalRun run(book, Answers("2026-03-01", "2026-03-31", ""));
        EXPECT_FALSE(run.ok);
        ASSERT_FALSE(run.user.MessageTexts().empty());
        EXPECT_EQ(run.user.MessageTexts().front(), "frmRepSalesJournal.cbDep: Choose a department.");
        EXPECT_FALSE(run.out.ExistsField("DataList"));
    }
    {
        JournalRun run(book, Answers("2026-03-31", "2026-03-01", dep));
        EXPECT_FALSE(run.ok);
        ASSERT_FALSE(run.user.MessageTexts().empty());
        EXPECT_EQ(run.user.MessageTexts().front(),
                  "frmRepSalesJournal.edEndPeriod: The first day of the period is after its last day.");
    }
    {
        JournalRun run(book, Answers("2026-03-01", "2026-03-31", "NO SUCH DEP"));
        EXPECT_FALSE(run.ok);
        ASSERT_FALSE(run.user.MessageTexts().empty());
        EXPECT_NE(run.user.MessageTexts().front().find("cbDep"), std::string::npos);
    }
    {
        // Long before the company's first document: nothing to show, and it is said.
        JournalRun run(book, Answers("1990-01-01", "1990-01-31", dep) + "message Gerai\n");
        EXPECT_FALSE(run.ok);
        EXPECT_EQ(run.user.MessageTexts(), std::vector<std::string>{"The data list is empty."});
        EXPECT_FALSE(run.out.ExistsField("DataList"));
        EXPECT_EQ(run.user.ErrorsText(), "");
    }
}
