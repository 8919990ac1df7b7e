// Purchases from persons over the demo company and over rows of its own: totals against an
// SQL of the same purchases, the FR0471 file read back against the list, odd names, the
// form's refusals, an empty period.

#include "quarn/sales/CReportBuyFromPerson.hpp"
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/ClientApp.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Errors.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/sales/CRepBuyFromPersonXML.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <filesystem>
#include <map>

using namespace Talvex;
using Quarn_DuzAde::BuyFromPersonTotal;
using Quarn_DuzAde::CRepBuyFromPersonXML;
using Quarn_DuzAde::CReportBuyFromPerson;

namespace {

struct PersonRun {
    PersonRun(std::shared_ptr<Book> book, const std::string& answers) : user(answers)
    {
        in.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
        report.Main(in);
    }
    Testing::ScriptedUser user;
    ClientApp app{user.Session()};
    ClientApp::Scope appScope{app};
    FieldList in;
    CReportBuyFromPerson report;
};

FieldList ListParams(const std::string& beg, const std::string& end, const std::string& incomeTill,
                     const std::string& minSum, const std::string& clients = "", const std::string& category = "")
{
    FieldList p;
    p.Add("BegPeriod", FieldType::kDate, Value(Date::Parse(beg)));
    p.Add("EndPeriod", FieldType::kDate, Value(Date::Parse(end)));
    p.Add("IncomeTill", FieldType::kDate, Value(Date::Parse(incomeTill)));
    p.Add("MinSum", FieldType::kAmount, Value(Currency::Parse(minSum)));
    p.Add("Client", FieldType::kLongText, Value(clients));
    p.Add("Category", FieldType::kLongText, Value(category));
    return p;
}

std::vector<BuyFromPersonTotal> Totals(const std::shared_ptr<Book>& book, const FieldList& params)
{
    auto list = CReportBuyFromPerson::GetList(book, params);
    return CReportBuyFromPerson::TotalsOf(*list);
}

// A file in a folder of the test's own, empty at first.
std::filesystem::path TempPath(const std::string& test, const std::string& name)
{
    auto folder = std::filesystem::temp_directory_path() / ("buyperson-" + std::to_string(::getpid()) + "-" + test);
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder / name;
}

struct FileRow {
    std::string number, plantCode, name, kind, sum, incomeTill;
};

// The person rows of an FR0471 file in running order, read as the tax authority reads them.
std::vector<FileRow> RowsOfFile(const std::filesystem::path& path)
{
    pugi::xml_document doc;
    const auto parsed = doc.load_file(path.c_str());
    EXPECT_TRUE(parsed) << parsed.description();
    std::vector<FileRow> rows;
    for (pugi::xml_node page : doc.child("FFData").child("Form").child("Pages").children("Page")) {
        const bool first = std::string(page.attribute("PageDefName").value()) == "FR0471";
        std::map<std::string, std::string> f;
        for (pugi::xml_node field : page.child("Fields").children("Field"))
            f[field.attribute("Name").value()] = field.text().get();
        const std::string p = first ? "E" : "P";
        for (int n = 1; f.count(p + "11-" + std::to_string(n)); ++n) {
            const std::string s = "-" + std::to_string(n);
            rows.push_back(
                {f[p + "11" + s], f[p + "12" + s], f[p + "13" + s], f[p + "14" + s], f[p + "15" + s], f[p + "24" + s]});
        }
    }
    return rows;
}

std::string FormAnswers(const std::string& beg, const std::string& end, const std::string& rest)
{
    return "frmRepBuyFromPerson.edBegPeriod = " + beg + "\nfrmRepBuyFromPerson.edEndPeriod = " + end + "\n" + rest +
           "frmRepBuyFromPerson.btClose click\n";
}

class RepBuyFromPerson : public ::testing::Test {
protected:
    void SetUp() override { book = Testing::OpenDemoBook("buy_from_person_tester"); }
    std::shared_ptr<Book> book;
};

} // namespace

TEST_F(RepBuyFromPerson, TotalsOfEachPersonMatchAnSqlOfTheSamePurchases)
{
    auto& db = book->Db();
    // The demo company buys from persons in euros only, so the SQL needs no rates.
    ASSERT_EQ(db.Query("SELECT COUNT(*) FROM THDocument d JOIN THPartyAttribute p ON p.DocID = d.IDC "
                       "JOIN REFClient c ON c.Code = p.PartyCode WHERE c.IsPerson = 1 AND d.DocTypeCode = 'PISF' "
                       "AND d.CurrencyCode <> 'EUR'")
                  .rows.at(0)
                  .at(0)
                  .ToInteger(),
              0);
    const auto expected = db.Query(R"sql(
SELECT c.Code, CASE WHEN d.DocumentDate > '2025-06-30' THEN 0 ELSE 1 END AS Till, SUM(d.Summa), MIN(c.PlantCode)
FROM REFClient c
JOIN THPartyAttribute p ON p.PartyCode = c.Code AND p.PartyType = 1 AND p.RolePartyCode = 'PAR'
JOIN THDocument d ON d.IDC = p.DocID
JOIN THDocumentPISF a ON a.DocID = d.IDC
WHERE c.IsPerson = 1 AND d.DocTypeCode = 'PISF' AND d.IsPosted = 1 AND a.VATDirection IN ('00', '99')
  AND d.DocumentDate BETWEEN '2025-01-01' AND '2025-12-31' AND d.Summa > 500
GROUP BY c.Code, CASE WHEN d.DocumentDate > '2025-06-30' THEN 0 ELSE 1 END
ORDER BY c.Code, 2 DESC)sql");
    ASSERT_GT(expected.rows.size(), 2u);
    const auto totals = Totals(book, ListParams("2025-01-01", "2025-12-31", "2025-06-30", "500"));
    ASSERT_EQ(totals.size(), expected.rows.size());
    bool bothSides = false;
    for (std::size_t i = 0; i < totals.size(); ++i) {
        const auto& row = expected.rows[i];
        EXPECT_EQ(totals[i].code, row[0].ToText()) << i;
        EXPECT_EQ(totals[i].isIncomeTill, row[1].ToInteger()) << totals[i].code;
        EXPECT_EQ(totals[i].summa, row[2].ToCurrency()) << totals[i].code;
        EXPECT_EQ(totals[i].plantCode, row[3].ToText()) << totals[i].code;
        EXPECT_EQ(totals[i].currencyCode, "EUR");
        if (i > 0 && totals[i].code == totals[i - 1].code) bothSides = true;
    }
    EXPECT_TRUE(bothSides) << "some person sold on both sides of the cut-off";
}

TEST_F(RepBuyFromPerson, TheSavedFileDeclaresWhatTheListShowsOddNamesIncluded)
{
    Data::Transaction tx(book->Db());
    auto& db = book->Db();
    const std::string odd = "P'1;--/*";
    const std::string oddName = "O'Brien & Žemaitė <Ąžuolas> \"Jr\"; -- /*";
    db.Execute("INSERT INTO REFClient (Code, Name, IsPerson, PlantCode) VALUES (?, ?, 1, '38001010001'), "
               "('P2', 'Šarūnas Čiūrlionis', 1, '39002020002'), ('P3', 'Not chosen', 1, '3')",
               {Value(odd), Value(oddName)});
    db.Execute("INSERT INTO REFGood (Code, Name, Category) VALUES ('BG0', 'Berries', 0), ('BG1', 'Picking', 1)");
    // Purchases: (person, date, VAT direction, posted, rows of goods and services)
    struct Buy {
        std::string person, date, direction;
        int posted;
        const char* goods;
        const char* services;
    };
    const std::vector<Buy> buys{
        {odd, "2031-02-03", "00", 1, "1000.00", "234.50"}, // up to the cut-off
        {odd, "2031-02-20", "99", 1, "50.00", "60.00"},    // after it; 110 in all
        {"P2", "2031-02-05", "00", 1, "100.00", "0.00"},   // exactly the minimum: left out
        {"P2", "2031-02-06", "21", 1, "900.00", "0.00"},   // with VAT: not from a person's income
        {"P2", "2031-02-07", "00", 0, "900.00", "0.00"},   // not posted
        {"P2", "2031-02-28", "00", 1, "100.01", "0.00"},
        {"P3", "2031-02-10", "00", 1, "500.00", "0.00"}, // a person not chosen
    };
    int number = 0;
    for (const auto& b : buys) {
        const std::string docNumber = "BFP-" + std::to_string(++number);
        const Currency goods = Currency::Parse(b.goods), services = Currency::Parse(b.services);
        db.Execute("INSERT INTO THDocument (DocTypeCode, DocumentDate, Number, Summa, CurrencyCode, IsPosted) "
                   "VALUES ('PISF', ?, ?, ?, 'EUR', ?)",
                   {Value(Date::Parse(b.date)), Value(docNumber), Value(goods + services), Value(b.posted)});
        const std::int64_t doc =
            db.Query("SELECT IDC FROM THDocument WHERE Number = ?", {Value(docNumber)}).rows.at(0).at(0).ToInteger();
        db.Execute("INSERT INTO THDocumentPISF (DocID, VATDirection) VALUES (?, ?)", {Value(doc), Value(b.direction)});
        db.Execute("INSERT INTO THPartyAttribute (DocID, DocTypeCode, RolePartyCode, PartyType, PartyCode) "
                   "VALUES (?, 'PISF', 'PAR', 1, ?)",
                   {Value(doc), Value(b.person)});
        db.Execute("INSERT INTO THGoodSpec (DocID, PosNumb, GoodCode, UnitCode, Amount, AmountAccount, Summa) VALUES "
                   "(?, 1, 'BG0', 'VNT', 1, 1, ?), (?, 2, 'BG1', 'VNT', 1, 1, ?)",
                   {Value(doc), Value(goods), Value(doc), Value(services)});
    }

    const std::filesystem::path path = TempPath("odd", "fr0471-odd");
    std::filesystem::remove(path.string() + ".ffdata");
    const std::string persons = odd + ",P2";
    PersonRun run(book, FormAnswers("2031-02-01", "2031-02-28",
                                    "frmRepBuyFromPerson.selClient = \"" + persons +
                                        "\"\nfrmRepBuyFromPerson.edMinSum = 100\n"
                                        "frmRepBuyFromPerson.edIncomeTill = 2031-02-10\n"
                                        "frmRepBuyFromPerson.edFullFileName = " +
                                        path.string() + "\nfrmRepBuyFromPerson.btSave click\nmessage Gerai\n"));
    ASSERT_EQ(run.user.ErrorsText(), "");
    ASSERT_FALSE(run.user.MessageTexts().empty());
    EXPECT_EQ(run.user.MessageTexts().back(), "The file " + path.string() + ".ffdata is written.");

    // The list the file was written from, and the hand-worked figures.
    const auto totals = Totals(book, ListParams("2031-02-01", "2031-02-28", "2031-02-10", "100", persons));
    ASSERT_EQ(totals.size(), 3u);
    EXPECT_EQ(totals[0].code, odd);
    EXPECT_EQ(totals[0].name, oddName);
    EXPECT_EQ(totals[0].summa, Currency::Parse("1234.50"));
    EXPECT_EQ(totals[0].isIncomeTill, 1);
    EXPECT_EQ(totals[1].code, odd);
    EXPECT_EQ(totals[1].summa, Currency::Parse("110.00"));
    EXPECT_EQ(totals[1].isIncomeTill, 0);
    EXPECT_EQ(totals[2].code, "P2");
    EXPECT_EQ(totals[2].summa, Currency::Parse("100.01"));

    const auto rows = RowsOfFile(path.string() + ".ffdata");
    ASSERT_EQ(rows.size(), totals.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].number, std::to_string(i + 1));
        EXPECT_EQ(rows[i].plantCode, totals[i].plantCode);
        EXPECT_EQ(rows[i].name, totals[i].name);
        EXPECT_EQ(rows[i].kind, "13");
        std::string sum = totals[i].summa.ToFixed(2);
        sum[sum.find('.')] = ',';
        EXPECT_EQ(rows[i].sum, sum);
        EXPECT_EQ(rows[i].incomeTill, std::to_string(totals[i].isIncomeTill));
    }
    EXPECT_EQ(rows[0].sum, "1234,50");
    EXPECT_EQ(rows[2].name, "Šarūnas Čiūrlionis");

    // Only the services: the rows of category 1, the minimum applied to them alone.
    const auto services = Totals(book, ListParams("2031-02-01", "2031-02-28", "2031-02-10", "59.99", persons, "1"));
    ASSERT_EQ(services.size(), 2u);
    EXPECT_EQ(services[0].summa, Currency::Parse("234.50"));
    EXPECT_EQ(services[1].summa, Currency::Parse("60.00"));
    // A group of the client tree takes its persons.
    db.Execute("INSERT INTO REFClient (Code, Name, IsGroup) VALUES ('PGRP''', 'Sellers', 1)");
    db.Execute("UPDATE REFClient SET Parent = 'PGRP''' WHERE Code IN ('P2', 'P3')");
    FieldList byGroup = ListParams("2031-02-01", "2031-02-28", "2031-02-10", "0");
    byGroup.Add("ClientGroupCode", FieldType::kCode, Value("PGRP'"));
    const auto grouped = Totals(book, byGroup);
    ASSERT_EQ(grouped.size(), 3u);
    EXPECT_EQ(grouped[0].code, "P2");
    EXPECT_EQ(grouped[0].summa, Currency::Parse("100.00")); // up to the cut-off; no minimum now
    EXPECT_EQ(grouped[1].code, "P2");
    EXPECT_EQ(grouped[1].summa, Currency::Parse("100.01"));
    EXPECT_EQ(grouped[2].code, "P3");
    EXPECT_EQ(grouped[2].summa, Currency::Parse("500.00"));
    std::filesystem::remove_all(path.parent_path());
}

TEST_F(RepBuyFromPerson, TheFormRefusesBadInputAtItsControlAndAnEmptyPeriodWritesNoFile)
{
    struct Case {
        std::string answers;
        std::string refusal;
    };
    const std::string save = "frmRepBuyFromPerson.btSave click\n";
    const std::string show = "frmRepBuyFromPerson.btShow click\n";
    const std::vector<Case> cases{
        {FormAnswers("2026-03-31", "2026-03-01", show),
         "frmRepBuyFromPerson.edEndPeriod: The first day of the period is after its last day."},
        {FormAnswers("2026-03-01", "2026-03-31", "frmRepBuyFromPerson.edMinSum = -5\n" + show),
         "frmRepBuyFromPerson.edMinSum: The minimum sum cannot be negative."},
        {FormAnswers("2026-03-01", "2026-03-31", "frmRepBuyFromPerson.edCategory = 0,x\n" + show),
         "frmRepBuyFromPerson.edCategory: 'x' is not a goods category number (0 goods, 1 services)."},
        {FormAnswers("2026-03-01", "2026-03-31", "frmRepBuyFromPerson.selClient = \"NO'PE\"\n" + show),
         "frmRepBuyFromPerson.selClient: 'NO'PE' is not a private person nor a client group."},
        {FormAnswers("2026-03-01", "2026-03-31", "frmRepBuyFromPerson.edFullFileName = \"  \"\n" + save),
         "frmRepBuyFromPerson.edFullFileName: The file name is empty."},
    };
    for (const auto& c : cases) {
        PersonRun run(book, c.answers);
        EXPECT_EQ(run.user.ErrorsText(), "");
        ASSERT_FALSE(run.user.MessageTexts().empty()) << c.refusal;
        EXPECT_EQ(run.user.MessageTexts().front(), c.refusal);
    }

    const std::filesystem::path path = TempPath("empty", "empty.xml");
    std::filesystem::remove(path);
    PersonRun run(
        book, FormAnswers("2035-01-01", "2035-01-31",
                          "frmRepBuyFromPerson.edFullFileName = " + path.string() + "\n" + save + "message Gerai\n"));
    EXPECT_EQ(run.user.ErrorsText(), "");
    ASSERT_EQ(run.user.MessageTexts().size(), 1u);
    EXPECT_EQ(run.user.MessageTexts().front(), "The data list is empty.");
    EXPECT_FALSE(std::filesystem::exists(path));
    std::filesystem::remove_all(path.parent_path());
}

TEST_F(RepBuyFromPerson, PrintingPrintsTheListUnderItsReportCode)
{
    const auto totals = Totals(book, ListParams("2026-01-01", "2026-12-31", "2026-06-30", "0"));
    ASSERT_FALSE(totals.empty());
    PersonRun run(book,
                  FormAnswers("2026-01-01", "2026-12-31",
                              "frmRepBuyFromPerson.edIncomeTill = 2026-06-30\nfrmRepBuyFromPerson.btPrint click\n"));
    EXPECT_EQ(run.user.ErrorsText(), "");
    const auto& prints = run.user.Session().Prints();
    ASSERT_EQ(prints.size(), 1u);
    EXPECT_EQ(prints[0].reportCode, "RBuyFromPerson");
    const std::string& html = prints[0].html;
    EXPECT_NE(html.find("Purchases from private persons"), std::string::npos);
    EXPECT_NE(html.find("UAB Talvex"), std::string::npos) << "the company in the header";
    EXPECT_NE(html.find(totals.front().name), std::string::npos);
    EXPECT_NE(html.find(totals.back().plantCode), std::string::npos);
    // The sum under the body is the list's own total, as the page writes money.
    Currency total;
    for (const auto& t : totals)
        total += t.summa;
    std::string written = total.ToFixed(2);
    for (int at = static_cast<int>(written.find('.')) - 3; at > 0; at -= 3)
        written.insert(static_cast<std::size_t>(at), ",");
    EXPECT_NE(html.find(written), std::string::npos) << written;
}

TEST_F(RepBuyFromPerson, FillRaisesWithoutAFileNameOrRowsAndWritesNothing)
{
    Testing::ScriptedUser user;
    const std::filesystem::path path = TempPath("fill", "never.ffdata");
    std::filesystem::remove(path);
    auto raised = [&](FieldList& parm) -> std::string {
        try {
            CRepBuyFromPersonXML().Fill(parm);
        } catch (const Quarn_DuzAde::ModuleError& e) {
            EXPECT_EQ(e.Number(), CRepBuyFromPersonXML::kFillError);
            return e.what();
        }
        return "nothing raised";
    };
    const auto empty = CReportBuyFromPerson::GetList(book, ListParams("2035-01-01", "2035-12-31", "2035-12-31", "0"));
    FieldList noName;
    noName.Add("DataList", FieldType::kObject, Value(std::shared_ptr<Object>(empty)));
    noName.Add("FileName", FieldType::kMultiSelection, Value(""));
    EXPECT_EQ(raised(noName), "The file name is empty.");
    FieldList noRows;
    noRows.Add("DataList", FieldType::kObject, Value(std::shared_ptr<Object>(empty)));
    noRows.Add("FileName", FieldType::kMultiSelection, Value(path.string()));
    EXPECT_EQ(raised(noRows), "The data list is empty.");
    EXPECT_FALSE(std::filesystem::exists(path));

    // A list of its own rows is written whole; the folder holds nothing else after it.
    BuyFromPersonTotal one;
    one.code = "X";
    one.name = "Ąžuolas & \"Sons\"";
    one.plantCode = "31";
    one.summa = Currency::Parse("12.5");
    one.isIncomeTill = 1;
    FieldList written;
    written.Add("DataList", FieldType::kObject,
                Value(std::shared_ptr<Object>(CReportBuyFromPerson::ResultList(book, {one}))));
    written.Add("FileName", FieldType::kMultiSelection, Value(path.string()));
    CRepBuyFromPersonXML().Fill(written);
    const auto rows = RowsOfFile(path);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].name, "Ąžuolas & \"Sons\"");
    EXPECT_EQ(rows[0].sum, "12,50");
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(path.parent_path()))
        ++files;
    EXPECT_EQ(files, 1u);
    // A folder that is not there: the error names the file, and nothing is left behind.
    const std::string nowhere = (path.parent_path() / "missing" / "x.ffdata").string();
    written.Add("FileName", FieldType::kMultiSelection, Value(nowhere));
    try {
        CRepBuyFromPersonXML().Fill(written);
        ADD_FAILURE() << "a file written into a missing folder";
    } catch (const ValueError& e) {
        EXPECT_NE(std::string(e.what()).find(nowhere), std::string::npos) << e.what();
    }
    EXPECT_FALSE(std::filesystem::exists(path.parent_path() / "missing"));
    std::filesystem::remove_all(path.parent_path());
}
