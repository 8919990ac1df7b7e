#include "QueryFixture.hpp"

#include "host/objects/FormRes.hpp"
#include "quarn/frame/Startup.hpp"
#include "quarn/query/CDebtByDoc.hpp"

using namespace Talvex;
using Quarn_DuzAde::CDebtByDoc;

namespace {

class DebtByDoc : public QueryTesting::QueryFixture {
protected:
    void SetUp() override
    {
        QueryFixture::SetUp();
        debt.Init(book);
        accountCurrency = book->AccountCurrency();
    }

    // Open debt per document (total less linked payments, settled towards zero) of the
    // posted documents the condition names.
    std::map<std::string, Currency> OpenDebtSql(const std::string& where)
    {
        auto sums = SumBySql("SELECT d.IDC, CASE WHEN d.Summa < 0 THEN LEAST(0, d.Summa - x.Paid) ELSE GREATEST(0, "
                             "d.Summa - x.Paid) END FROM THDocument d CROSS JOIN LATERAL (SELECT "
                             "COALESCE(SUM(p.SummaCur), 0) AS Paid FROM THPaySpec p WHERE p.CorDocID = d.IDC) x "
                             "WHERE d.IsPosted = 1 AND " +
                             where);
        std::erase_if(sums, [](const auto& item) { return item.second == Currency(); });
        return sums;
    }

    // In the account currency the converted amount is the open amount itself.
    std::int64_t AccountSumMismatches(Data::Recordset& rs, const std::string& column, int sign)
    {
        std::int64_t mismatches = 0;
        for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext())
            if (At(rs, "CurrencyCode").ToText() == accountCurrency)
                mismatches += At(rs, column).ToCurrency() != At(rs, "RestPaySum").ToCurrency() * sign;
        return mismatches;
    }

    CDebtByDoc debt;
    std::string accountCurrency;
};

} // namespace

TEST_F(DebtByDoc, ClientSelectionGivesOpenDebtInAccountCurrency)
{
    std::string client = One("SELECT a.PartyCode FROM THPartyAttribute a WHERE a.RolePartyCode = 'PIR' AND "
                             "a.PartyType = 1 AND a.DocTypeCode = 'PRSF' GROUP BY a.PartyCode ORDER BY COUNT(*) DESC "
                             "LIMIT 1")
                             .ToText();
    auto list = debt.CrSelByClient2(client, 2);
    EXPECT_EQ(list->Alias(), "Doc");
    EXPECT_EQ(list->OrderByText(), "");
    auto rs = Read(*list);
    EXPECT_EQ(Distinct(*rs, "Client"), std::set<std::string>{client});
    auto perDocument = SumBy(*rs, "IDC", "RestPaySum");
    std::erase_if(perDocument, [](const auto& item) { return item.second == Currency(); });
    EXPECT_EQ(perDocument, OpenDebtSql("d.DocTypeCode IN ('PRSF','TPPR','PGA','PISD','SCN') AND EXISTS (SELECT 1 FROM "
                                       "THPartyAttribute a WHERE a.DocID = d.IDC AND a.PartyCode = '" +
                                       client +
                                       "' AND a.RolePartyCode = CASE WHEN d.DocTypeCode IN ('PGA','PISD') THEN 'PAR' "
                                       "ELSE 'PIR' END)"));
    EXPECT_EQ(AccountSumMismatches(*rs, "AccNeedPaySum", 1), 0);

    // Other currencies: the open amount at the rate of the document's date.
    auto foreign = debt.CrSelByClient2("", 0);
    auto all = Read(*foreign);
    auto rates = Sql("SELECT d.IDC, r.Rate FROM THDocument d JOIN REFCurrency c ON c.Code = d.CurrencyCode "
                     "JOIN REFCurrencyRate r ON r.CurrencyCode = d.CurrencyCode AND r.RateTypeCode = c.DefaultRateType "
                     "AND r.DateApply = (SELECT MAX(x.DateApply) FROM REFCurrencyRate x WHERE x.CurrencyCode = "
                     "d.CurrencyCode AND x.RateTypeCode = c.DefaultRateType AND x.DateApply <= d.DocumentDate)");
    std::map<std::string, std::string> rateOf;
    for (const auto& row : rates.rows)
        rateOf[row.at(0).ToText()] = row.at(1).ToText();
    std::int64_t foreignRows = 0;
    std::int64_t wrong = 0;
    for (all->MoveFirst(); !all->Eof(); all->MoveNext()) {
        if (At(*all, "CurrencyCode").ToText() == accountCurrency) continue;
        ++foreignRows;
        std::string expected = One("SELECT ROUND(" + At(*all, "RestPaySum").ToCurrency().ToString() + " * " +
                                   rateOf[At(*all, "IDC").ToText()] + ", 2)")
                                   .ToText();
        wrong += At(*all, "AccNeedPaySum").ToCurrency() != Currency::Parse(expected);
        if (foreignRows >= 20) break;
    }
    EXPECT_GT(foreignRows, 0);
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(AccountSumMismatches(*all, "AccNeedPaySum", 1), 0);
}

TEST_F(DebtByDoc, StartDateOfTodayMeansNoLowerBound)
{
    book->SetToday(Date(2026, 3, 1));
    auto fromToday = Read(*debt.CrSelByClient("", 2, Date(2026, 3, 1)));
    auto unbounded = Read(*debt.CrSelByClient2("", 2));
    auto bounded = Read(*debt.CrSelByClient2("", 2, Date(2026, 3, 1)));
    EXPECT_EQ(Distinct(*fromToday, "IDC"), Distinct(*unbounded, "IDC"));
    EXPECT_LT(bounded->RecordCount(), unbounded->RecordCount());
    std::int64_t earlier = 0;
    for (bounded->MoveFirst(); !bounded->Eof(); bounded->MoveNext())
        earlier += At(*bounded, "DocumentDate").ToDate() < Date(2026, 3, 1);
    EXPECT_EQ(earlier, 0);
    // Another start date is kept.
    auto otherDay = Read(*debt.CrSelByClient("", 2, Date(2026, 2, 1)));
    EXPECT_EQ(Distinct(*otherDay, "IDC"), Distinct(*Read(*debt.CrSelByClient2("", 2, Date(2026, 2, 1))), "IDC"));
}

TEST_F(DebtByDoc, DueDateListsStandAsOfTheirEndDate)
{
    const Date end(2025, 10, 31);
    auto byDue = debt.DebtByClient_NeedPayDate(1, end);
    EXPECT_EQ(byDue->TableName(), "THDocumentPayTermExt");
    EXPECT_FALSE(byDue->Fields().ExistsField("AccNeedPaySum"));
    auto rs = Read(*byDue);
    EXPECT_GT(rs->RecordCount(), 0);
    std::int64_t late = 0;
    std::int64_t settled = 0;
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        late += At(*rs, "DocumentDate").ToDate() > end;
        settled += At(*rs, "RestPaySum").ToCurrency() == Currency();
    }
    EXPECT_EQ(late, 0);
    EXPECT_EQ(settled, 0);
    // The end date is the pay-end date: the same terms as when both are given.
    auto both = Read(*debt.DebtByClient_NeedPayDate2(1, end, end, true));
    EXPECT_EQ(SumBy(*rs, "IDC", "RestPaySum"), SumBy(*both, "IDC", "RestPaySum"));
    EXPECT_EQ(AccountSumMismatches(*both, "AccNeedPaySum", 1), 0);
    EXPECT_EQ(SumBy(*rs, "IDC", "RestPaySum"),
              SumBySql("SELECT t.IDC, t.DebtSumma FROM THDocumentPayTermExt('2025-10-31') t JOIN THPartyAttribute a "
                       "ON a.DocID = t.IDC AND a.RolePartyCode = CASE t.DocTypeCode WHEN 'TID' THEN 'GAV' WHEN 'TPPI' "
                       "THEN 'VEZ' WHEN 'GPG' THEN 'PIR' WHEN 'PRSD' THEN 'PIR' ELSE 'PAR' END WHERE t.DocTypeCode "
                       "IN ('PISF','TPPI','GPG','TID','PRSD','BCN') AND t.IsPosted = 1 AND t.DebtSumma <> 0 AND "
                       "t.NeedPayDate <= '2025-10-31'"));

    // By document date, terms as of the end date, only open ones.
    auto third = debt.DebtByClient_NeedPayDate3(2, end, true);
    EXPECT_EQ(third->TableName(), "THDocumentPayTermDbt");
    auto ts = Read(*third);
    auto perDocument = SumBy(*ts, "IDC", "RestPaySum");
    EXPECT_EQ(perDocument,
              SumBySql("SELECT t.IDC, t.DebtSumma FROM THDocumentPayTermExt('2025-10-31') t WHERE t.DebtSumma <> 0 "
                       "AND t.IsPosted = 1 AND t.DocumentDate <= '2025-10-31' AND t.DocTypeCode IN "
                       "('PRSF','TPPR','PGA','PISD','SCN') AND EXISTS (SELECT 1 FROM THPartyAttribute a WHERE "
                       "a.DocID = t.IDC AND a.RolePartyCode = CASE WHEN t.DocTypeCode IN ('PGA','PISD') THEN 'PAR' "
                       "ELSE 'PIR' END)"));
}

TEST_F(DebtByDoc, BothDirectionsGiveSignedColumnsAndPersonClientsATilde)
{
    auto both = debt.DebtByNeedPayDate({}, 0, "", true);
    EXPECT_TRUE(both->IsFilled());
    EXPECT_FALSE(both->Automatic());
    auto rs = both->Recordset();
    ExpectParses(*both);
    EXPECT_FALSE(rs->Fields().Exists("AccNeedPaySum"));
    std::int64_t wrongSign = 0;
    std::int64_t purchases = 0;
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        const std::string type = At(*rs, "DocTypeCode").ToText();
        Currency buy = At(*rs, "AccNeedPaySumBuy").ToCurrency();
        Currency sell = At(*rs, "AccNeedPaySumSell").ToCurrency();
        Currency open = At(*rs, "RestPaySum").ToCurrency();
        bool inAccountCurrency = At(*rs, "CurrencyCode").ToText() == accountCurrency;
        if (type == "PISF") {
            ++purchases;
            wrongSign += sell != Currency() || (open > Currency() && !(buy < Currency()));
            wrongSign += inAccountCurrency && buy != -open;
        }
        if (type == "PRSF") wrongSign += buy != Currency() || (inAccountCurrency && sell != open);
    }
    EXPECT_GT(purchases, 0);
    EXPECT_EQ(wrongSign, 0);

    // Private persons of sale invoices show with a leading tilde and their own name.
    std::set<std::string> persons;
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        const std::string client = At(*rs, "Client").ToText();
        if (!client.empty() && client.front() == '~') {
            persons.insert(client.substr(1));
            // The person's own name is looked up for sale invoices.
            if (At(*rs, "DocTypeCode").ToText() == "PRSF") {
                EXPECT_EQ(At(*rs, "Name").ToText().rfind(client.substr(1) + ":", 0), 0u) << client;
            }
        }
    }
    EXPECT_EQ(persons, DistinctSql("SELECT DISTINCT a.PartyCode FROM THDocumentPayTermCur t JOIN THPartyAttribute a "
                                   "ON a.DocID = t.IDC AND a.RolePartyCode = 'PIR' WHERE a.PartyType = 2 AND "
                                   "t.IsPosted = 1 AND t.DocTypeCode IN ('PRSF','TPPR','GPG','PRSD','SCN')"));
    EXPECT_FALSE(persons.empty());

    // One direction: one amount column; payables, a market group or a branch: organisations only.
    auto receivables = debt.DebtByNeedPayDate({}, 2, "", true);
    auto rr = receivables->Recordset();
    EXPECT_TRUE(rr->Fields().Exists("AccNeedPaySum"));
    EXPECT_FALSE(rr->Fields().Exists("AccNeedPaySumBuy"));
    EXPECT_EQ(AccountSumMismatches(*rr, "AccNeedPaySum", 1), 0);
    for (auto list : {debt.DebtByNeedPayDate({}, 1, "", true), debt.DebtByNeedPayDate({}, 2, "", true, false, true)}) {
        auto orgs = list->Recordset();
        std::set<std::string> clients = Distinct(*orgs, "Client");
        std::size_t unknown = 0;
        std::set<std::string> known = DistinctSql("SELECT Code FROM REFClient");
        for (const auto& c : clients)
            unknown += known.count(c) == 0;
        EXPECT_EQ(unknown, 0u);
        EXPECT_GT(orgs->RecordCount(), 0);
    }
}

TEST_F(DebtByDoc, MarketGroupGroupAndResponsiblePerson)
{
    std::string group = One("SELECT c.MarketGrCode FROM REFClient c JOIN THPartyAttribute a ON a.PartyCode = c.Code "
                            "WHERE c.MarketGrCode IS NOT NULL AND a.RolePartyCode = 'PIR' GROUP BY c.MarketGrCode "
                            "ORDER BY COUNT(*) DESC LIMIT 1")
                            .ToText();
    auto inGroup = debt.DebtByNeedPayDate({}, 2, group, true);
    auto rs = inGroup->Recordset();
    ExpectParses(*inGroup);
    EXPECT_GT(rs->RecordCount(), 0);
    std::set<std::string> ofGroup = DistinctSql("SELECT Code FROM REFClient WHERE MarketGrCode = '" + group + "'");
    std::size_t outside = 0;
    for (const auto& c : Distinct(*rs, "Client"))
        outside += ofGroup.count(c) == 0;
    EXPECT_EQ(outside, 0u);

    // Without a market group every client stays: more clients than the group's.
    auto everyone = debt.DebtByNeedPayDate({}, 2, "", true);
    auto all = everyone->Recordset();
    EXPECT_GT(Distinct(*all, "Client").size(), Distinct(*rs, "Client").size());

    // Client group, display name and responsible person by the test's own reading.
    std::map<std::string, std::string> groupOf;
    std::map<std::string, std::string> nameOf;
    for (const auto& row : Sql("SELECT Code, COALESCE(UPPER(Parent), ''), Code || ':' || Name FROM REFClient").rows) {
        groupOf[row.at(0).ToText()] = row.at(1).ToText();
        nameOf[row.at(0).ToText()] = row.at(2).ToText();
    }
    std::map<std::string, std::string> managerOf;
    for (const auto& row :
         Sql("SELECT cp.ClientCode, p.LastName || ' ' || LEFT(p.FirstName, 1) || '.' || COALESCE(LEFT(p.Patronymic, "
             "1) || '.', ' ') FROM REFClientPerson cp JOIN REFPerson p ON p.Code = cp.PersonCode WHERE "
             "cp.PersonRoleCode = 'MATS' AND cp.IsMain = 1")
             .rows)
        managerOf[row.at(0).ToText()] = row.at(1).ToText();
    const std::string placeholder = Quarn_DuzAde::ModuleFormRes().GetString(29100);
    std::int64_t wrong = 0;
    std::int64_t withoutManager = 0;
    for (all->MoveFirst(); !all->Eof(); all->MoveNext()) {
        const std::string client = At(*all, "Client").ToText();
        if (client.empty() || client.front() == '~') continue;
        auto manager = managerOf.find(client);
        const std::string expected = manager == managerOf.end() ? placeholder : manager->second;
        withoutManager += manager == managerOf.end();
        wrong += At(*all, "ResponsPerson").ToText() != expected;
        wrong += At(*all, "ClientGroup").ToText() != groupOf[client];
        wrong += At(*all, "Name").ToText() != nameOf[client];
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(withoutManager, 0);
    EXPECT_EQ(placeholder, "(no manager)");

    // The cube variant reads the same rows.
    auto cube = debt.DebtByNeedPayDate({}, 2, "", true, false, false, "", true);
    EXPECT_EQ(cube->Recordset()->RecordCount(), all->RecordCount());
}

TEST_F(DebtByDoc, SigningPersonAndItsDepartmentRestrictTheDocuments)
{
    const std::string signSql =
        "SELECT d.IDC, COALESCE(NULLIF(a.AttribValue, ''), p.Code) FROM THDocument d LEFT JOIN AdminObjectAttrib a "
        "ON a.ObjectCode = '$THDocument$' || d.DocTypeCode AND a.ObjectID = d.IDC AND a.AttribCode = 'SignPerson' "
        "LEFT JOIN REFPerson p ON p.UserID = d.Author WHERE d.DocTypeCode IN ('PRSF','TPPR','PGA','PISD','SCN')";
    auto signers = debt.DocSignPerson(2);
    auto rs = Read(*signers);
    std::map<std::string, std::string> expected;
    for (const auto& row : Sql(signSql).rows)
        expected[row.at(0).ToText()] = row.at(1).ToText();
    std::map<std::string, std::string> actual;
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext())
        actual[At(*rs, "IDC").ToText()] = At(*rs, "SignPerson").ToText();
    EXPECT_EQ(actual, expected);
    std::int64_t byAttribute = One("SELECT COUNT(*) FROM AdminObjectAttrib WHERE AttribCode = 'SignPerson' AND "
                                   "ObjectCode IN ('$THDocument$PRSF','$THDocument$SCN')")
                                   .ToInteger();
    EXPECT_GT(byAttribute, 0);

    // One person: the open documents that person signs.
    std::string person = One("SELECT x.Sign FROM (" + signSql +
                             ") AS x(IDC, Sign) WHERE x.Sign IS NOT NULL "
                             "GROUP BY x.Sign ORDER BY COUNT(*) DESC LIMIT 1")
                             .ToText();
    auto ofPerson = debt.DebtByClient_NeedPayDate3(2, Date(2026, 12, 31));
    auto unfiltered = Distinct(*Read(*ofPerson), "IDC");
    auto again = debt.DebtByClient_NeedPayDate3(2, Date(2026, 12, 31));
    debt.FilterByDepartmentAndPerson(*again, 2, "", person);
    auto personRows = Distinct(*Read(*again), "IDC");
    std::set<std::string> expectedDocs;
    for (const auto& idc : unfiltered)
        if (expected[idc] == person) expectedDocs.insert(idc);
    EXPECT_EQ(personRows, expectedDocs);
    EXPECT_FALSE(expectedDocs.empty());

    // A department: the documents whose signer's primary post is there.
    std::map<std::string, std::string> departmentOf;
    for (const auto& row : Sql("SELECT EmployeeCode, DepCode FROM REFStaffMember WHERE IsPrimary = 1").rows)
        departmentOf[row.at(0).ToText()] = row.at(1).ToText();
    std::string department = departmentOf[person];
    ASSERT_FALSE(department.empty());
    auto ofDepartment = debt.DebtByClient_NeedPayDate3(2, Date(2026, 12, 31));
    debt.FilterByDepartmentAndPerson(*ofDepartment, 2, department, "");
    std::set<std::string> expectedOfDepartment;
    for (const auto& idc : unfiltered)
        if (departmentOf[expected[idc]] == department) expectedOfDepartment.insert(idc);
    EXPECT_EQ(Distinct(*Read(*ofDepartment), "IDC"), expectedOfDepartment);
}
