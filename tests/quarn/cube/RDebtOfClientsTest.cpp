#include "quarn/cube/RDebtOfClients.hpp"
#include "host/cube/CCube.hpp"
#include "host/cube/Engine.hpp"
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/ClientApp.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/ReferenceCard.hpp"
#include "host/types/Errors.hpp"
#include "quarn/cube/COLAPCubeExt2.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <map>
#include <string>

using namespace Talvex;
using Quarn_DuzAde::DebtCubeParams;
using Quarn_DuzAde::OverdueInterval;
using Quarn_DuzAde::RDebtOfClients;

namespace {

const std::vector<OverdueInterval> k306090 = {{30, false, 1}, {60, false, 2}, {90, false, 3}};

class DebtCubeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        book = Testing::OpenDemoBook("debt_cube_tester");
        params.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
        ASSERT_TRUE(report.Prepare(params));
    }

    std::int64_t Insert(const std::string& sql, const std::vector<Value>& values = {})
    {
        auto rs = book->Db().QueryPostgres(sql, values);
        return rs.rows.empty() ? 0 : rs.rows.at(0).at(0).ToInteger();
    }
    // A posted document of the client's, in the accounting currency.
    std::int64_t Document(const char* type, const char* date, const char* summa, const char* role,
                          const std::string& client)
    {
        const auto id = Insert("INSERT INTO THDocument (DocTypeCode, DocumentDate, Summa, IsPosted, CurrencyCode, "
                               "Number, IsDirectPay) VALUES ($1, $2::date, $3::numeric, 1, $4, $5, 0) RETURNING IDC",
                               {Value(type), Value(date), Value(summa), Value(book->AccountCurrency()),
                                Value(std::string("T-") + type + date)});
        Insert("INSERT INTO THPartyAttribute (DocID, DocTypeCode, RolePartyCode, PartyType, PartyCode) "
               "VALUES ($1, $2, $3, 1, $4)",
               {Value(id), Value(type), Value(role), Value(client)});
        return id;
    }
    void Term(std::int64_t doc, int days, const char* summa)
    {
        Insert("INSERT INTO THDocumentPayTerm (DocID, PayTerm, Summa) VALUES ($1, $2, $3::numeric)",
               {Value(doc), Value(days), Value(summa)});
    }
    void Pay(std::int64_t payment, std::int64_t doc, const char* summa)
    {
        Insert("INSERT INTO THPaySpec (DocID, CorDocID, Summa, SummaCur) VALUES ($1, $2, $3::numeric, $3::numeric)",
               {Value(payment), Value(doc), Value(summa)});
    }

    DebtCubeParams Params(const char* repDate, const std::string& client = {})
    {
        DebtCubeParams p;
        p.repDate = Date::Parse(repDate);
        p.client = client;
        p.intervals = k306090;
        return p;
    }

    std::shared_ptr<Book> book;
    FieldList params;
    RDebtOfClients report;
};

} // namespace

// A client of its own with the cases worked out by hand, on the report date 2026-03-02
// with the bands below 30, 30 to 60, 61 to 90 and above 90 days.
TEST_F(DebtCubeTest, HandCasesLandInTheirBandsOnTheReportDate)
{
    Data::Transaction tx(book->Db());
    const std::string client = "ZZ'C;--";
    book->Db().QueryPostgres("INSERT INTO REFClient (Code, Name) VALUES ($1, 'Hand; case -- client')", {Value(client)});
    // Due 2026-01-31: exactly 30 days before the report date, the edge of the second band.
    Term(Document("PRSF", "2026-01-01", "100", "PIR", client), 30, "100");
    // Due on the report date itself: not late at all.
    Term(Document("PRSF", "2026-02-01", "70", "PIR", client), 29, "70");
    // A credit note of -40 without terms: due on its date, 20 days.
    Document("PRSF", "2026-02-10", "-40", "PIR", client);
    // 200 in two terms, due 2025-12-11 (81 days) and 2026-01-10 (51 days); 150 paid on
    // 2026-02-01: the first term is settled and the second is open for 50.
    const auto split = Document("PRSF", "2025-12-01", "200", "PIR", client);
    Term(split, 10, "100");
    Term(split, 40, "100");
    Pay(Document("MPP", "2026-02-01", "150", "MOK", client), split, "150");
    // 80 due 2026-01-15 (46 days), paid only after the report date: still open on it.
    const auto paidLater = Document("PRSF", "2026-01-15", "80", "PIR", client);
    Pay(Document("MPP", "2026-03-10", "80", "MOK", client), paidLater, "80");
    // A received payment of 25 on 2026-02-20 linked to nothing: 10 days, unlinked.
    Document("MPP", "2026-02-20", "25", "MOK", client);

    const auto rows = report.ReadRows(Params("2026-03-02", client));
    const auto bands = RDebtOfClients::BandsOf(k306090);
    const auto totals = rows.TotalsByBand(bands);
    ASSERT_EQ(totals.size(), 2u) << "only the first two bands hold anything";
    EXPECT_EQ(totals.at("1. < 30").accNeedPaySum, Currency::Parse("30"));     // 70 - 40
    EXPECT_EQ(totals.at("1. < 30").accNotLinkPaySum, Currency::Parse("25"));  // the unlinked payment
    EXPECT_EQ(totals.at("2. 30 - 60").accNeedPaySum, Currency::Parse("230")); // 100 + 50 + 80
    EXPECT_EQ(totals.at("2. 30 - 60").accNotLinkPaySum, Currency());

    std::map<long, Currency> byDelay;
    for (const auto& row : rows.Rows()) {
        EXPECT_EQ(row.clnCode, client);
        EXPECT_EQ(row.client, client + ": Hand; case -- client");
        byDelay[rows.DelayDays(row)] += row.accNeedPaySum + row.accNotLinkPaySum;
    }
    EXPECT_EQ(byDelay, (std::map<long, Currency>{{0, Currency::Parse("70")},
                                                 {10, Currency::Parse("25")},
                                                 {20, Currency::Parse("-40")},
                                                 {30, Currency::Parse("100")},
                                                 {46, Currency::Parse("80")},
                                                 {51, Currency::Parse("50")}}));

    // A day later the document due today is one day late and the edge case moves on.
    const auto dayLater = report.ReadRows(Params("2026-03-03", client)).TotalsByBand(bands);
    EXPECT_EQ(dayLater.at("1. < 30").accNeedPaySum, Currency::Parse("30"));
    EXPECT_EQ(dayLater.at("2. 30 - 60").accNeedPaySum, Currency::Parse("230"));
    // With the short form the document due on the report date is not yet due.
    const auto shortForm = rows.TotalsByBand(RDebtOfClients::BandsOf({}));
    EXPECT_EQ(shortForm.at("Not yet due").accNeedPaySum, Currency::Parse("70"));
    EXPECT_EQ(shortForm.at("Overdue").accNeedPaySum, Currency::Parse("190"));
}

// The open debts of the demo company by client, worked out here from the documents and
// their payments made up to the report date, in the documents' currencies: what the cube
// reads must be the same, client by client, on two report dates.
TEST_F(DebtCubeTest, DebtByClientMatchesAnIndependentSumOnTwoReportDates)
{
    for (const char* repDate : {"2025-09-30", "2026-03-31"}) {
        SCOPED_TRACE(repDate);
        const auto rs = book->Db().QueryPostgres(R"sql(
            WITH docs AS (
                SELECT d.IDC, d.Summa, p.PartyCode,
                       d.Summa - COALESCE((SELECT SUM(ps.SummaCur) FROM THPaySpec ps JOIN THDocument pd
                                           ON pd.IDC = ps.DocID WHERE ps.CorDocID = d.IDC
                                           AND pd.DocumentDate <= $1::date), 0) AS Rest
                FROM THDocument d
                JOIN THPartyAttribute p ON p.DocID = d.IDC
                 AND p.RolePartyCode = CASE WHEN d.DocTypeCode IN ('PGA', 'PISD') THEN 'PAR' ELSE 'PIR' END
                WHERE d.IsPosted = 1 AND d.DocTypeCode IN ('PRSF', 'TPPR', 'PGA', 'PISD', 'SCN')
                  AND d.DocumentDate <= $1::date)
            SELECT PartyCode,
                   SUM(CASE WHEN Summa < 0 THEN LEAST(Rest, 0) ELSE GREATEST(Rest, 0) END
                       * GREATEST(1, (SELECT count(*) FROM REFClientPerson m
                                      WHERE m.ClientCode = docs.PartyCode AND m.PersonRoleCode = 'MATS')))::text
            FROM docs GROUP BY PartyCode
            HAVING SUM(CASE WHEN Summa < 0 THEN LEAST(Rest, 0) ELSE GREATEST(Rest, 0) END) <> 0)sql",
                                                 {Value(repDate)});
        std::map<std::string, Currency> expected;
        for (const auto& row : rs.rows)
            expected[row.at(0).ToText()] = Currency::Parse(row.at(1).ToText());
        ASSERT_GT(expected.size(), 10u);

        const auto rows = report.ReadRows(Params(repDate));
        std::map<std::string, Currency> actual;
        for (const auto& row : rows.Rows())
            if (!row.needPaySum.IsZero()) actual[row.clnCode] += row.needPaySum;
        EXPECT_EQ(actual, expected);
    }
}

// The bands the user changes in the cube window sort the same rows again: amounts move
// between bands, the grand total stays, and nothing is read again.
TEST_F(DebtCubeTest, ChangingTheBandsInTheWindowMovesAmountsAndKeepsTheTotal)
{
    Testing::ScriptedUser user("fCubeDebtByClients.edRepDate = 2026-03-31\n"
                               "fCubeDebtByClients.btOk click\n"
                               "fCubeDebtByClients.SpecGrid delrow 3\n"
                               "fCubeDebtByClients.SpecGrid edit 2 Days = 200\n"
                               "fCubeDebtByClients.btOk click\n");
    ClientApp app{user.Session()};
    ClientApp::Scope appScope{app};
    book->Db().Execute("DELETE FROM AdminUserSetting WHERE UserName = 'debt_cube_tester'");
    auto cubeReport = std::make_shared<RDebtOfClients>();
    ASSERT_TRUE(cubeReport->Prepare(params));
    CCube& cube = OpenCubeForm(cubeReport);
    ASSERT_EQ(user.ErrorsText(), "");
    auto bandTotals = [&]() {
        std::map<std::string, double> totals;
        const auto& grid = cube.cube().Grid();
        const auto total = grid.FindRow({});
        for (const char* label : {"1. < 30", "2. 30 - 60", "3. 61 - 90", "4. > 90", "2. 30 - 200", "3. > 200"})
            if (auto col = grid.FindColHeader({Value(label)}))
                totals[label] = grid.FactValue(*total, *col, "AccNeedPaySum").value_or(0);
        totals["Total"] = grid.FactValue(*total, *grid.FindColHeader({}), "AccNeedPaySum").value_or(0);
        return totals;
    };
    const auto before = bandTotals();
    ASSERT_TRUE(before.count("1. < 30") && before.count("4. > 90")) << before.size();
    const auto* rowsBefore = &cubeReport->Rows()->Rows();

    cube.Parent().UserClick("btOverdueBands");
    ASSERT_EQ(user.ErrorsText(), "");
    const auto after = bandTotals();
    EXPECT_EQ(&cubeReport->Rows()->Rows(), rowsBefore) << "the rows are not read again";
    ASSERT_TRUE(after.count("2. 30 - 200") && after.count("3. > 200"));
    EXPECT_FALSE(after.count("4. > 90"));
    EXPECT_NEAR(after.at("Total"), before.at("Total"), 0.005);
    EXPECT_NEAR(after.at("1. < 30"), before.at("1. < 30"), 0.005);
    EXPECT_NEAR(after.at("2. 30 - 200") + after.at("3. > 200"),
                before.at("2. 30 - 60") + before.at("3. 61 - 90") + before.at("4. > 90"), 0.005);
    // The same totals straight from the rows, in exact money.
    const auto exact = cubeReport->Rows()->TotalsByBand(RDebtOfClients::BandsOf({{30, false, 1}, {200, false, 2}}));
    EXPECT_NEAR(after.at("3. > 200"), exact.at("3. > 200").accNeedPaySum.ToDouble(), 0.005);
}

namespace {

const char* kFormAnswers = "fCubeDebtByClients.edRepDate = 2026-03-31\n"
                           "fCubeDebtByClients.btDefaultBands click\n"
                           "fCubeDebtByClients.chIsRateByDocDate = 0\n"
                           "fCubeDebtByClients.cbClient = \"\"\n"
                           "fCubeDebtByClients.cbDepartment = \"\"\n"
                           "fCubeDebtByClients.cbPerson = \"\"\n"
                           "fCubeDebtByClients.selDocState = \"\"\n"
                           "fCubeDebtByClients.btOk click\n";

} // namespace

// From a client's cell: the letter prints that client's documents only, with the company's
// details from the Book; the client's card opens; the documents of the cell are listed.
TEST_F(DebtCubeTest, LetterCardAndDocumentsOfAClientCell)
{
    Testing::ScriptedUser user(std::string(kFormAnswers) + "CubeSrcList close\n");
    ClientApp app{user.Session()};
    ClientApp::Scope appScope{app};
    InstallReferenceCards(user.Session(), [b = book] { return b; });
    auto cubeReport = std::make_shared<RDebtOfClients>();
    ASSERT_TRUE(cubeReport->Prepare(params));
    CCube& cube = OpenCubeForm(cubeReport);
    ASSERT_EQ(user.ErrorsText(), "");
    ASSERT_EQ(cube.UserMenuItems().size(), 8u);

    // Clients alone down the rows; the first client's debt in the total column.
    cube.cube().Dims().Item("Department").MoveTo(Cube::Axis::Filter, 0);
    const auto& grid = cube.cube().Grid();
    const auto totalCol = grid.ColumnOf(*grid.FindColHeader({}), "AccNeedPaySum");
    std::string code;
    for (std::size_t row = 0; row + 1 < grid.RowCount() && code.empty(); ++row) {
        cube.UserFocusCell(totalCol, row);
        const std::string member = cubeReport->Wrapper()->DimValOnfocusedCell("Client");
        if (member.find(':') != std::string::npos) code = member.substr(0, member.find(':'));
    }
    ASSERT_FALSE(code.empty());

    cube.UserChooseMenu(3); // the first severity
    ASSERT_EQ(user.ErrorsText(), "");
    ASSERT_EQ(user.Session().Prints().size(), 1u);
    const auto& letter = user.Session().Prints().back();
    EXPECT_EQ(letter.reportCode, "R_DebtOfClients");
    EXPECT_NE(letter.html.find(book->Setting("Imone").ToText()), std::string::npos);
    // Every document of the client on the report date is in the letter, and no other's.
    std::size_t own = 0;
    for (const auto& row : cubeReport->Rows()->Rows()) {
        if (row.accNeedPaySum.IsZero() || row.number.empty()) continue;
        const bool printed = letter.html.find(">" + row.number + "<") != std::string::npos;
        if (row.clnCode == code) {
            EXPECT_TRUE(printed) << row.number;
            ++own;
        }
    }
    EXPECT_GT(own, 0u);
    const auto filter = cubeReport->Wrapper()->FilterOnfocusedCell();
    auto copy = cubeReport->Data()->Copy();
    copy->SetFilter(filter);
    for (copy->MoveFirst(); !copy->Eof(); copy->MoveNext())
        EXPECT_EQ(copy->Fields().Item("ClnCode").Value().ToText(), code);

    cube.UserChooseMenu(8);
    ASSERT_EQ(user.ErrorsText(), "");
    EXPECT_NE(user.Session().FindWindowByKey("card:REFClient:" + code), nullptr);

    cube.UserChooseMenu(1); // the documents of the cell, closed by the script
    EXPECT_EQ(user.ErrorsText(), "");
}

// The form refuses at the control, naming it; codes with a quote, a semicolon and a comment
// marker are looked up as values.
TEST_F(DebtCubeTest, FormRefusesUnknownCodesAndAMissingDateAtTheirControls)
{
    book->Db().Execute("DELETE FROM AdminUserSetting WHERE UserName = 'debt_cube_tester'");
    Testing::ScriptedUser user("fCubeDebtByClients.edRepDate = \"\"\n"
                               "fCubeDebtByClients.btOk click\n"
                               "fCubeDebtByClients.edRepDate = 2026-03-31\n"
                               "fCubeDebtByClients.cbClient = \"X'; DROP TABLE REFClient; --\"\n"
                               "fCubeDebtByClients.btOk click\n"
                               "fCubeDebtByClients.cbClient = \"\"\n"
                               "fCubeDebtByClients.cbDepartment = \"D'--\"\n"
                               "fCubeDebtByClients.btOk click\n"
                               "fCubeDebtByClients.btCancel click\n");
    ClientApp app{user.Session()};
    ClientApp::Scope appScope{app};
    Quarn_DuzAde::fCubeDebtByClients form;
    DebtCubeParams chosen;
    EXPECT_FALSE(form.Run(book, chosen, false));
    const auto errors = user.ErrorMessages();
    ASSERT_EQ(errors.size(), 3u) << user.ErrorsText();
    EXPECT_EQ(errors[0].rfind("edRepDate:", 0), 0u) << errors[0];
    EXPECT_EQ(errors[1], "cbClient: there is no client with the code 'X'; DROP TABLE REFClient; --'");
    EXPECT_EQ(errors[2], "cbDepartment: there is no department with the code 'D'--'");
    EXPECT_GT(book->Db().QueryPostgres("SELECT count(*) FROM REFClient").rows.at(0).at(0).ToInteger(), 0);
}

// Vendors: the same cube in the buying direction has no person dimension and one menu item.
TEST_F(DebtCubeTest, VendorsCubeHasNoPersonDimensionAndOnlyTheDocumentsItem)
{
    // The person's selector is hidden for vendors: the answers leave it out.
    std::string answers = kFormAnswers;
    answers.erase(answers.find("fCubeDebtByClients.cbPerson"),
                  std::string("fCubeDebtByClients.cbPerson = \"\"\n").size());
    Testing::ScriptedUser user(answers);
    ClientApp app{user.Session()};
    ClientApp::Scope appScope{app};
    FieldList vendorParams;
    vendorParams.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
    vendorParams.Add("IsBuyDirection", FieldType::kFlag, Value(1));
    auto cubeReport = std::make_shared<RDebtOfClients>();
    ASSERT_TRUE(cubeReport->Prepare(vendorParams));
    EXPECT_TRUE(cubeReport->IsBuyDirection());
    CCube& cube = OpenCubeForm(cubeReport);
    ASSERT_EQ(user.ErrorsText(), "");
    EXPECT_EQ(cube.UserMenuItems().size(), 1u);
    EXPECT_FALSE(cube.cube().Dims().Exists("Person"));
    ASSERT_TRUE(cubeReport->Rows());
    // Payables only: every row is a document of a payable type or a payment made.
    for (const auto& row : cubeReport->Rows()->Rows())
        EXPECT_TRUE(row.docTypeCode == "PISF" || row.docTypeCode == "TPPI" || row.docTypeCode == "GPG" ||
                    row.docTypeCode == "TID" || row.docTypeCode == "PRSD" || row.docTypeCode == "BCN" ||
                    row.docTypeCode == "KOI" || row.docTypeCode == "MP" || row.docTypeCode == "MPT")
            << row.docTypeCode;
}
