#include "QueryFixture.hpp"

#include "host/objects/SqlTools.hpp"
#include "quarn/query/CSelectByDoc.hpp"
#include "quarn/query/internal/RestOfPayment.hpp"

using namespace Talvex;
using Quarn_DuzAde::CSelectByDoc;

namespace {

class SelectByDoc : public QueryTesting::QueryFixture {
protected:
    void SetUp() override
    {
        QueryFixture::SetUp();
        selDoc.Init(book);
    }

    // Open debt of each posted document: its total less every linked payment, settled
    // towards zero (an overpaid document owes nothing; a credit note's debt stays negative).
    std::map<std::string, Currency> OpenDebtSql(const std::string& where)
    {
        return SumBySql("SELECT d.IDC, CASE WHEN d.Summa < 0 THEN LEAST(0, d.Summa - x.Paid) ELSE GREATEST(0, "
                        "d.Summa - x.Paid) END FROM THDocument d CROSS JOIN LATERAL (SELECT COALESCE(SUM(p.SummaCur), "
                        "0) AS Paid FROM THPaySpec p WHERE p.CorDocID = d.IDC) x WHERE d.IsPosted = 1 AND " +
                        where);
    }
    static std::map<std::string, Currency> NonZero(std::map<std::string, Currency> sums)
    {
        std::erase_if(sums, [](const auto& item) { return item.second == Currency(); });
        return sums;
    }

    CSelectByDoc selDoc;
};

} // namespace

TEST_F(SelectByDoc, NeedPayedDocListGivesEachDocumentsOpenDebtAndClient)
{
    // The current state, no debt condition of its own: every posted sale invoice with a buyer.
    auto list = selDoc.NeedPayedDocList({"PRSF"}, {}, {}, {}, "", "", true);
    EXPECT_EQ(list->TableName(), "THDocumentPayTermCur");
    auto rs = Read(*list);
    EXPECT_EQ(SumBy(*rs, "IDC", "RestPaySum"),
              OpenDebtSql("d.DocTypeCode = 'PRSF' AND EXISTS (SELECT 1 FROM THPartyAttribute a WHERE a.DocID = d.IDC "
                          "AND a.RolePartyCode = 'PIR')"));
    std::map<std::string, std::string> clientOf;
    for (const auto& row : Sql("SELECT DocID, PartyCode FROM THPartyAttribute WHERE RolePartyCode = 'PIR' "
                               "AND DocTypeCode = 'PRSF'")
                               .rows)
        clientOf[row.at(0).ToText()] = row.at(1).ToText();
    std::size_t wrongClient = 0;
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext())
        wrongClient += clientOf[At(*rs, "IDC").ToText()] != At(*rs, "Client").ToText();
    EXPECT_EQ(wrongClient, 0u);

    // A client group covers the clients under it; the debt views keep open terms only.
    auto ofGroup = selDoc.NeedPayedDocList({"PRSF", "PGA"}, {}, {}, {}, "K-LT", "", true, false, false, "", true, true);
    EXPECT_EQ(ofGroup->TableName(), "THDocPayTermCurDbt");
    auto groupRows = Read(*ofGroup);
    EXPECT_EQ(
        SumBy(*groupRows, "IDC", "RestPaySum"),
        NonZero(OpenDebtSql(
            "d.DocTypeCode IN ('PRSF','PGA') AND EXISTS (SELECT 1 FROM THPartyAttribute a "
            "JOIN REFClient c ON c.Code = a.PartyCode WHERE a.DocID = d.IDC AND "
            "a.RolePartyCode = CASE d.DocTypeCode WHEN 'PRSF' THEN 'PIR' ELSE 'PAR' END "
            "AND c.Code IN (WITH RECURSIVE t(Code) AS (SELECT 'K-LT'::VARCHAR UNION ALL SELECT k.Code FROM REFClient k "
            "JOIN t ON k.Parent = t.Code) SELECT Code FROM t))")));
    EXPECT_GT(groupRows->RecordCount(), 0);
}

TEST_F(SelectByDoc, PeriodAppliesToDocumentOrDueDateAndPayEndDateKeepsOpenTerms)
{
    const Date from(2025, 6, 1);
    const Date to(2025, 6, 30);
    auto byDocDate = selDoc.NeedPayedDocList({"PISF"}, from, to, {}, "", "", true, false);
    auto rs = Read(*byDocDate);
    EXPECT_EQ(Distinct(*rs, "IDC"),
              DistinctSql("SELECT d.IDC FROM THDocument d JOIN THPartyAttribute a ON a.DocID = d.IDC AND "
                          "a.RolePartyCode = 'PAR' WHERE d.DocTypeCode = 'PISF' AND d.IsPosted = 1 AND "
                          "d.DocumentDate BETWEEN '2025-06-01' AND '2025-06-30'"));

    // By due date: the "DocumentDate" column carries the due date, and it lies in the period.
    auto byDueDate = selDoc.NeedPayedDocList({"PISF"}, from, to, {}, "", "", true, true);
    auto due = Read(*byDueDate);
    EXPECT_GT(due->RecordCount(), 0);
    std::int64_t dueOutside = 0;
    for (due->MoveFirst(); !due->Eof(); due->MoveNext()) {
        Date d = At(*due, "DocumentDate").ToDate();
        dueOutside += d < from || d > to;
    }
    EXPECT_EQ(dueOutside, 0);
    EXPECT_EQ(due->RecordCount(),
              One("SELECT COUNT(*) FROM THDocumentPayTermCur t JOIN THPartyAttribute a ON a.DocID = t.IDC AND "
                  "a.RolePartyCode = 'PAR' WHERE t.DocTypeCode = 'PISF' AND t.IsPosted = 1 AND "
                  "t.NeedPayDate BETWEEN '2025-06-01' AND '2025-06-30'")
                  .ToInteger());

    // As of a pay-end date: the terms as they stood then, the settled ones left out.
    const Date payEnd(2025, 9, 30);
    auto asOf = selDoc.NeedPayedDocList({"PRSF"}, {}, payEnd, payEnd, "", "", true);
    auto asOfRows = Read(*asOf);
    EXPECT_NE(asOf->SqlText().find("'2025-09-30'"), std::string::npos);
    EXPECT_EQ(SumBy(*asOfRows, "IDC", "RestPaySum"),
              NonZero(SumBySql(
                  "SELECT d.IDC, CASE WHEN d.Summa < 0 THEN LEAST(0, d.Summa - x.Paid) ELSE "
                  "GREATEST(0, d.Summa - x.Paid) END FROM THDocument d CROSS JOIN LATERAL (SELECT "
                  "COALESCE(SUM(p.SummaCur), 0) AS Paid FROM THPaySpec p JOIN THDocument pd ON pd.IDC = "
                  "p.DocID WHERE p.CorDocID = d.IDC AND pd.DocumentDate <= '2025-09-30') x WHERE d.IsPosted = 1 AND "
                  "d.DocTypeCode = 'PRSF' AND d.DocumentDate <= '2025-09-30' AND EXISTS (SELECT 1 FROM "
                  "THPartyAttribute a WHERE a.DocID = d.IDC AND a.RolePartyCode = 'PIR')")));

    // NeedPayedDocs reads at once and stays read.
    auto read = selDoc.NeedPayedDocs({"PRSF"}, from, to, {}, "", "", true);
    EXPECT_TRUE(read->IsFilled());
    EXPECT_FALSE(read->Automatic());
}

TEST_F(SelectByDoc, CashPlanLinesHaveNoPartyRoleAndComeOnlyWithIncludeCPAY)
{
    auto withoutPlan = selDoc.NeedPayedDocList({"CPAY", "PRSF"}, {}, {}, {}, "", "", true);
    auto rs = Read(*withoutPlan);
    EXPECT_EQ(Distinct(*rs, "DocTypeCode"), std::set<std::string>{"PRSF"});

    auto onlyPlan = selDoc.NeedPayedDocList({"CPAY"}, {}, {}, {}, "", "", true);
    EXPECT_EQ(Read(*onlyPlan)->RecordCount(), 0);

    auto withPlan = selDoc.NeedPayedDocList({"CPAY"}, {}, {}, {}, "", "", true, false, true);
    withPlan->SetAlias("Doc");
    auto planRows = Read(*withPlan);
    EXPECT_EQ(planRows->RecordCount(), One("SELECT COUNT(*) FROM THGoodSpec s JOIN THDocument d ON d.IDC = s.DocID "
                                           "WHERE d.DocTypeCode = 'CPAY' AND d.IsPosted = 1")
                                           .ToInteger());
    std::map<std::string, std::string> clientOfLine;
    for (const auto& row : Sql("SELECT DocID || '/' || PosNumb, Client FROM THGoodSpecCPAY").rows)
        clientOfLine[row.at(0).ToText()] = row.at(1).ToText();
    auto lineClients = Sql("SELECT DISTINCT Client FROM THGoodSpecCPAY c JOIN THDocument d ON d.IDC = c.DocID "
                           "WHERE d.IsPosted = 1");
    std::set<std::string> expected;
    for (const auto& row : lineClients.rows)
        expected.insert(row.at(0).ToText());
    EXPECT_EQ(Distinct(*planRows, "Client"), expected);

    // A client keeps its own plan lines only.
    std::string client = lineClients.rows.at(0).at(0).ToText();
    auto ofClient = selDoc.NeedPayedDocList({"CPAY"}, {}, {}, {}, client, "", true, false, true);
    ofClient->SetAlias("Doc");
    auto clientRows = Read(*ofClient);
    EXPECT_EQ(clientRows->RecordCount(),
              One("SELECT COUNT(*) FROM THGoodSpecCPAY c JOIN THDocument d ON d.IDC = c.DocID WHERE d.IsPosted = 1 "
                  "AND c.Client = '" +
                  client + "'")
                  .ToInteger());
    EXPECT_EQ(Distinct(*clientRows, "Client"), std::set<std::string>{client});

    // The ERP keeps no contract type: a chosen one leaves the same rows.
    auto withContract = selDoc.NeedPayedDocList({"CPAY"}, {}, {}, {}, "", "", true, false, true, "NUOMA");
    withContract->SetAlias("Doc");
    EXPECT_EQ(Read(*withContract)->RecordCount(), planRows->RecordCount());
}

TEST_F(SelectByDoc, NotLinkPaySumIsAmountLessLinkedPayments)
{
    Data::Transaction tx(book->Db());
    // An unlinked payment received from a client, and a payment linked in whole.
    std::string client = One("SELECT PartyCode FROM THPartyAttribute WHERE RolePartyCode = 'MOK' AND PartyType = 1 "
                             "ORDER BY PartyCode LIMIT 1")
                             .ToText();
    auto idOf = [&](const std::string& summa) {
        auto id =
            book->Db().QueryPostgres("INSERT INTO THDocument (DocTypeCode, DocumentDate, Number, Summa, IsPosted) "
                                     "VALUES ('KOP', '2026-01-15', 'T-NLP', " +
                                     summa + ", 1) RETURNING IDC");
        return id.rows.at(0).at(0).ToText();
    };
    std::string unlinked = idOf("123.45");
    std::string linked = idOf("50");
    for (const auto& id : {unlinked, linked})
        book->Db().Execute("INSERT INTO THPartyAttribute (DocID, DocTypeCode, RolePartyCode, PartyType, PartyCode) "
                           "VALUES (" +
                           id + ", 'KOP', 'MOK', 1, '" + client + "')");
    std::string invoice = One("SELECT MIN(IDC) FROM THDocument WHERE DocTypeCode = 'PRSF'").ToText();
    book->Db().Execute("INSERT INTO THPaySpec (DocID, CorDocID, Summa, SummaCur) VALUES (" + linked + ", " + invoice +
                       ", 30, 30), (" + linked + ", " + invoice + ", 20, 20)");

    auto list = selDoc.NotLinkPaySum(2, client);
    auto rs = Read(*list);
    std::map<std::string, Currency> expected = SumBySql(
        "SELECT d.IDC, d.Summa - COALESCE((SELECT SUM(p.Summa) FROM THPaySpec p WHERE p.DocID = d.IDC AND "
        "p.IsTransfered = 0), 0) FROM THDocument d WHERE d.DocTypeCode IN ('KOP','KVT','MPP','MPPT') AND "
        "d.IsDirectPay = 0 AND d.IsPosted = 1 AND EXISTS (SELECT 1 FROM THPartyAttribute a WHERE a.DocID = d.IDC "
        "AND a.RolePartyCode = 'MOK' AND a.PartyType = 1 AND a.PartyCode = '" +
        client + "')");
    auto actual = SumBy(*rs, "IDC", "NotLinkPaySum");
    EXPECT_EQ(actual, expected);
    EXPECT_EQ(actual[unlinked], Currency::Parse("123.45"));
    EXPECT_EQ(actual[linked], Currency());
    EXPECT_EQ(Distinct(*rs, "Client"), std::set<std::string>{client});

    // Up to a date before them: neither is there. Payments made: other types, other role.
    auto before = Read(*selDoc.NotLinkPaySum(2, client, false, Date(2026, 1, 14)));
    auto earlier = Distinct(*before, "IDC");
    EXPECT_EQ(earlier.count(unlinked) + earlier.count(linked), 0u);
    EXPECT_EQ(
        earlier.size() + 2,
        Distinct(*rs, "IDC").size() -
            static_cast<std::size_t>(One("SELECT COUNT(*) FROM THDocument d JOIN THPartyAttribute a "
                                         "ON a.DocID = d.IDC AND a.RolePartyCode = 'MOK' AND a.PartyCode = '" +
                                         client +
                                         "' WHERE d.DocTypeCode IN ('KOP','KVT','MPP','MPPT') AND d.IsPosted = 1 AND "
                                         "d.IsDirectPay = 0 AND d.DocumentDate > '2026-01-14' AND d.Number <> 'T-NLP'")
                                         .ToInteger()));
    auto paidOut = selDoc.NotLinkPaySum(1);
    auto out = Read(*paidOut);
    EXPECT_EQ(Distinct(*out, "IDC"), DistinctSql("SELECT IDC FROM THDocument WHERE DocTypeCode IN ('KOI','MP','MPT') "
                                                 "AND IsDirectPay = 0 AND IsPosted = 1"));
}

TEST_F(SelectByDoc, ReturnsDiscountsAndFixationPerSourceRow)
{
    auto returns = selDoc.RetOrderSum("PRSF", "GPG", "GR");
    auto rs = Read(*returns);
    const std::string link = "FROM THGoodContent c JOIN THGoodSpec s ON s.IDC = c.CorSpecID JOIN THDocument d "
                             "ON d.IDC = s.DocID AND d.IsPosted = 1 JOIN THGoodSpec r ON r.IDC = c.SpecID "
                             "JOIN THDocument rd ON rd.IDC = r.DocID AND rd.IsPosted = 1 ";
    EXPECT_EQ(SumBy(*rs, "DocID", "Summa"),
              SumBySql("SELECT s.DocID, r.Summa " + link + "WHERE c.LinkKindCode = 'GR' AND d.DocTypeCode = 'PRSF'"));
    EXPECT_EQ(SumBy(*rs, "DocID", "Amount"), SumBySql("SELECT s.DocID, r.AmountAccount " + link +
                                                      "WHERE c.LinkKindCode = 'GR' AND d.DocTypeCode = 'PRSF'"));

    // Discounts without VAT: the VAT of the discount row is taken off.
    auto discounts = selDoc.DiscountSum("PRSF", "PRSD", "DC", {}, {}, true);
    auto ds = Read(*discounts);
    const std::string discountLink = link + "JOIN THGoodSpecPRSD v ON v.DocID = r.DocID AND v.PosNumb = r.PosNumb "
                                            "JOIN THDocumentPRSD h ON h.DocID = rd.IDC "
                                            "WHERE c.LinkKindCode = 'DC' AND d.DocTypeCode = 'PRSF'";
    EXPECT_EQ(SumBy(*ds, "DocID", "Summa"), SumBySql("SELECT s.DocID, r.Summa - v.SummVAT " + discountLink));
    EXPECT_EQ(SumBy(*ds, "DocID", "Amount"),
              SumBySql("SELECT s.DocID, CASE WHEN h.IsByAmount = 1 AND r.Amount <= 0 THEN r.AmountAccount ELSE 0 END " +
                       discountLink));
    EXPECT_GT(ds->RecordCount(), 0);

    // Fixation of purchase rows, towards any document but returns, of one category.
    auto fix = selDoc.InGoodFixRezult("PISF", "GPG", Date(2025, 1, 1), Date(2025, 12, 31), "'A'");
    auto fs = Read(*fix);
    EXPECT_EQ(SumBy(*fs, "IDC", "Amount"),
              SumBySql("SELECT d.IDC, f.Amount FROM THGoodSpecFixLog f JOIN THGoodSpec s ON s.IDC = f.IncomeSpecID "
                       "JOIN THDocument d ON d.IDC = s.DocID JOIN THGoodSpec o ON o.IDC = f.OutcomeSpecID "
                       "JOIN THDocument od ON od.IDC = o.DocID WHERE d.DocTypeCode = 'PISF' AND d.IsPosted = 1 AND "
                       "d.DocumentDate BETWEEN '2025-01-01' AND '2025-12-31' AND od.DocTypeCode <> 'GPG' AND "
                       "f.FixCategory = 'A'"));
    EXPECT_GT(fs->RecordCount(), 0);
}

TEST_F(SelectByDoc, RestOfPaymentIsTotalLessLinkedPaymentsNeverBelowZero)
{
    auto invoices = book->CreateList("THDocument");
    invoices->SetFilter("oTable.DocTypeCode = 'PISF' AND oTable.IsPosted = 1");
    invoices->Fields().SelectFields({"IDC", "Summa"});
    Quarn_DuzAde::internal::AddRestOfPayment(*book, *invoices, Date(2026, 6, 30));
    auto rs = Read(*invoices);
    // The sum of links is not cut by the date, and the rest never goes below zero.
    EXPECT_EQ(SumBy(*rs, "IDC", "RestPaySum"),
              SumBySql("SELECT d.IDC, GREATEST(0, d.Summa - COALESCE((SELECT SUM(p.SummaCur) FROM THPaySpec p "
                       "WHERE p.CorDocID = d.IDC), 0)) FROM THDocument d WHERE d.IsPosted = 1 AND "
                       "d.DocTypeCode = 'PISF'"));
}
