#include "host/data/ApplicationLock.hpp"
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/data/tsql/TSql.hpp"
#include "host/erp/documents/THDocumentObject.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/BaseDialog.hpp"
#include "host/ui/LocalList.hpp"
#include "host/ui/TableRowSource.hpp"
#include "quarn/frame/Catalogue.hpp"
#include "quarn/frame/IReportExec.hpp"
#include "quarn/frame/Startup.hpp"
#include "quarn/settlement/CSetOffDebt.hpp"
#include "quarn/settlement/frmSetOffDebt.hpp"
#include "quarn/settlement/BatchFormTest.hpp"
#include "support/PayTermRecount.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <thread>

using namespace Talvex;
using Quarn_DuzAde::frmSetOffDebt;

namespace {

constexpr const char* kForm = "frmSetOffDebt";
constexpr const char* kList = "grdList";

// Open debt per client in the account currency as of a day, from the base tables: each
// posted document's total less what is linked to it, converted at the rate of its date,
// under the party the side's document type names as the client. A client whose documents
// are all settled is there with 0. Foreign documents are converted here as a whole, the
// list converts each payment term: they are counted, for the cents that rounding may part.
constexpr const char* kOpenDebtByClient = R"sql(
WITH o AS (
    SELECT d.IDC, d.DocTypeCode, d.CurrencyCode, d.DocumentDate,
           CASE WHEN d.Summa < 0 THEN LEAST(0, d.Summa - x.Paid) ELSE GREATEST(0, d.Summa - x.Paid) END AS Open
    FROM THDocument d
    CROSS JOIN LATERAL (SELECT COALESCE(SUM(p.SummaCur), 0) AS Paid FROM THPaySpec p WHERE p.CorDocID = d.IDC) x
    WHERE d.IsPosted = 1 AND d.DocumentDate <= $1::date AND d.DocTypeCode = ANY ($2::text[])),
a AS (
    SELECT o.IDC, o.DocTypeCode,
           CASE WHEN o.CurrencyCode = $3 THEN o.Open
                ELSE ROUND(o.Open * (SELECT r.Rate FROM REFCurrencyRate r JOIN REFCurrency c
                                     ON c.Code = r.CurrencyCode AND c.DefaultRateType = r.RateTypeCode
                                     WHERE r.CurrencyCode = o.CurrencyCode AND r.DateApply <= o.DocumentDate
                                     ORDER BY r.DateApply DESC LIMIT 1), 2) END AS Acc,
           CASE WHEN o.CurrencyCode = $3 THEN 0 ELSE 1 END AS IsForeign
    FROM o)
SELECT p.PartyCode, SUM(a.Acc), SUM(a.IsForeign)
FROM a
JOIN THPartyAttribute p ON p.DocID = a.IDC AND p.RolePartyCode = CASE
     WHEN $4 = 2 AND a.DocTypeCode IN ('PGA', 'PISD') THEN 'PAR'
     WHEN $4 = 2 THEN 'PIR'
     WHEN a.DocTypeCode = 'TID' THEN 'GAV'
     WHEN a.DocTypeCode = 'TPPI' THEN 'VEZ'
     WHEN a.DocTypeCode IN ('GPG', 'PRSD') THEN 'PIR'
     ELSE 'PAR' END
JOIN REFClient c ON c.Code = p.PartyCode
GROUP BY p.PartyCode
)sql";

const char* kReceivableTypes = "{PRSF,TPPR,PGA,PISD,SCN}";
// The role in which a document's client stands on it, by the document's type.
const char* kRoleOfType = "CASE c.DocTypeCode WHEN 'PISF' THEN 'PAR' WHEN 'PGA' THEN 'PAR' WHEN 'PIS' THEN 'PAR' "
                          "WHEN 'PISD' THEN 'PAR' WHEN 'BCN' THEN 'PAR' WHEN 'TID' THEN 'GAV' WHEN 'GPG' THEN 'PIR' "
                          "WHEN 'PRSF' THEN 'PIR' WHEN 'PRS' THEN 'PIR' WHEN 'PRSD' THEN 'PIR' WHEN 'SCN' THEN 'PIR' "
                          "WHEN 'TPPR' THEN 'PIR' WHEN 'TPPI' THEN 'VEZ' END";
const char* kPayableTypes = "{PISF,TPPI,GPG,TID,CPAY,PRSD,BCN}";

// The demo company in a transaction the test rolls back, with a scripted user and "today"
// fixed inside the demo year.
// Removes the set-off documents of a day, with their parties and links, when it goes: for
// tests that commit, as two sessions do, on a day of their own.
struct DayCleanup {
    Data::Connection& db;
    Date day;
    ~DayCleanup()
    {
        const std::string ofTheDay = "(SELECT IDC FROM THDocument WHERE DocTypeCode = 'SUSM' AND DocumentDate = $1)";
        for (const char* table : {"THPaySpec", "THPartyAttribute"})
            db.QueryPostgres(std::string("DELETE FROM ") + table + " WHERE DocID IN " + ofTheDay, {Value(day)});
        db.QueryPostgres("DELETE FROM THDocument WHERE DocTypeCode = 'SUSM' AND DocumentDate = $1", {Value(day)});
    }
};

class SetOffDebt : public Testing::BatchFormTest<frmSetOffDebt> {
protected:
    struct ExpectedSum {
        Currency sum;
        Currency tolerance; // two cents a foreign document
    };
    std::map<std::string, ExpectedSum> ExpectedDebt(bool payables, Currency maxSum)
    {
        std::map<std::string, ExpectedSum> sums;
        for (const auto& row :
             Sql(kOpenDebtByClient, {Value(book->Today()), Value(payables ? kPayableTypes : kReceivableTypes),
                                     Value(book->AccountCurrency()), Value(payables ? 1 : 2)})
                 .rows)
            if (row.at(1).ToCurrency() <= maxSum)
                sums[row.at(0).ToText()] = {row.at(1).ToCurrency(), Currency::Parse("0.02") * row.at(2).ToInteger()};
        return sums;
    }

    static void ExpectSameDebt(const std::map<std::string, Currency>& listed,
                               const std::map<std::string, ExpectedSum>& expected, const std::string& context)
    {
        std::set<std::string> listedClients, expectedClients;
        for (const auto& [client, sum] : listed)
            listedClients.insert(client);
        for (const auto& [client, sum] : expected)
            expectedClients.insert(client);
        EXPECT_EQ(listedClients, expectedClients) << context;
        for (const auto& [client, sum] : listed) {
            auto it = expected.find(client);
            if (it == expected.end()) continue;
            const Currency difference = sum > it->second.sum ? sum - it->second.sum : it->second.sum - sum;
            EXPECT_LE(difference, it->second.tolerance) << context << ": " << client << " listed " << sum.ToString()
                                                        << ", expected " << it->second.sum.ToString();
        }
    }

    void Apply(frmSetOffDebt& f, const std::string& maxSum, bool payables = false)
    {
        f.UserClick(payables ? "chIsKredit(0)" : "chIsKredit(1)");
        f.UserInput("edSum", Value(maxSum));
        f.UserClick("btApplay");
    }

    void Create(frmSetOffDebt& f)
    {
        user.Answer("Gerai");
        f.UserClick("btCreateDocList");
    }

    static std::map<std::string, Currency> ListedDebt(const frmSetOffDebt& f)
    {
        std::map<std::string, Currency> sums;
        const auto& rows = f.Rows();
        for (std::size_t row = 0; row < rows.RowCount(); ++row)
            sums[rows.Get(row, frmSetOffDebt::kClient).ToText()] =
                rows.Get(row, frmSetOffDebt::kAccNeedPaySum).ToCurrency();
        return sums;
    }

    // A threshold that lists a handful of clients: the sum of the n-th smallest positive debt.
    Currency ThresholdForClients(bool payables, std::size_t n)
    {
        std::vector<Currency> positive;
        for (const auto& [client, expected] : ExpectedDebt(payables, Currency::FromInteger(1000000000)))
            if (expected.sum > Currency() && expected.tolerance == Currency()) positive.push_back(expected.sum);
        std::sort(positive.begin(), positive.end());
        EXPECT_GE(positive.size(), n);
        return positive.at(n - 1);
    }

    // Set-off documents of the Book's day: tests that commit use days of their own.
    std::int64_t SetOffDocuments()
    {
        return Count("SELECT count(*) FROM THDocument WHERE DocTypeCode = 'SUSM' AND DocumentDate = $1",
                     {Value(book->Today())});
    }

    // What the document written for a row holds, checked against the row.
    void ExpectDocumentOfRow(const frmSetOffDebt& f, std::size_t row, bool payables)
    {
        const auto& rows = f.Rows();
        const std::string client = rows.Get(row, frmSetOffDebt::kClient).ToText();
        const std::int64_t idc = rows.Get(row, frmSetOffDebt::kPayDocID).ToInteger();
        ASSERT_NE(idc, 0) << client;
        auto doc = Sql("SELECT DocTypeCode, Code, Summa, CurrencyCode, DocumentDate, IsKredit, IsPosted FROM "
                       "THDocument WHERE IDC = $1",
                       {Value(idc)});
        ASSERT_EQ(doc.rows.size(), 1u) << client;
        const auto& d = doc.rows[0];
        EXPECT_EQ(d[0].ToText(), "SUSM");
        EXPECT_EQ(d[1].ToText(), rows.Get(row, frmSetOffDebt::kPayDoc).ToText());
        const Currency open = rows.Get(row, frmSetOffDebt::kAccNeedPaySum).ToCurrency();
        EXPECT_EQ(d[2].ToCurrency(), open) << client;
        EXPECT_EQ(d[3].ToText(), book->AccountCurrency());
        EXPECT_EQ(d[4].ToDate(), book->Today());
        EXPECT_EQ(d[5].ToInteger(), payables ? 1 : 0);
        EXPECT_EQ(d[6].ToInteger(), 0);

        auto parties = Sql("SELECT RolePartyCode, PartyType, PartyCode, DocTypeCode FROM THPartyAttribute WHERE "
                           "DocID = $1 ORDER BY RolePartyCode",
                           {Value(idc)});
        ASSERT_EQ(parties.rows.size(), 2u) << client;
        for (const auto& p : parties.rows) {
            EXPECT_EQ(p[1].ToInteger(), 1);
            EXPECT_EQ(p[2].ToText(), client);
            EXPECT_EQ(p[3].ToText(), "SUSM");
        }
        EXPECT_EQ(parties.rows[0][0].ToText(), "PAR");
        EXPECT_EQ(parties.rows[1][0].ToText(), "PIR");

        // The client's listed debt is linked in full, and only to the client's documents of the
        // side in which the client holds the role of the document's type (the buyer of a sale,
        // the seller of a vendor return or a discount, the carrier of a carrier invoice, ...).
        const Currency linked =
            Sql("SELECT COALESCE(SUM(Summa), 0) FROM THPaySpec WHERE DocID = $1", {Value(idc)}).rows[0][0].ToCurrency();
        EXPECT_EQ(linked, open > Currency() ? open : Currency()) << client;
        EXPECT_EQ(Count("SELECT count(*) FROM THPaySpec ps JOIN THDocument c ON c.IDC = ps.CorDocID WHERE ps.DocID = "
                        "$1 AND (c.DocTypeCode <> ALL ($2::text[]) OR NOT EXISTS (SELECT 1 FROM THPartyAttribute a "
                        "WHERE a.DocID = c.IDC AND a.PartyCode = $3 AND a.RolePartyCode = " +
                            std::string(kRoleOfType) + "))",
                        {Value(idc), Value(payables ? kPayableTypes : kReceivableTypes), Value(client)}),
                  0)
            << client;
    }
};

} // namespace

TEST_F(SetOffDebt, ListHoldsEachClientWhoseOpenDebtDoesNotExceedTheSum)
{
    for (bool payables : {false, true}) {
        const auto all = ExpectedDebt(payables, Currency::FromInteger(1000000000));
        ASSERT_GT(all.size(), 5u);
        // A bound equal to the sum of a client with no foreign documents, so that it sits
        // exactly on the bound.
        std::vector<Currency> sums;
        for (const auto& [client, expected] : all)
            if (expected.tolerance == Currency()) sums.push_back(expected.sum);
        std::sort(sums.begin(), sums.end());
        ASSERT_GT(sums.size(), 5u);
        // Everything, a bound equal to a real client's sum (included), and 0 (settled and
        // credit balances only).
        for (Currency maxSum : {Currency::FromInteger(1000000000), sums[sums.size() / 2], Currency()}) {
            auto list = frmSetOffDebt::CreateDebtList(book, payables, maxSum);
            EXPECT_NO_THROW(Data::TSql::Translate(list->SqlText())) << list->SqlText();
            list->Refresh();
            auto rs = list->Recordset();
            std::map<std::string, Currency> listed;
            std::vector<std::string> order;
            std::int64_t namesWrong = 0, defaultsWrong = 0;
            if (rs->RecordCount() > 0) {
                for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
                    const std::string client = rs->Fields().Item("Client").Value().ToText();
                    EXPECT_EQ(listed.count(client), 0u) << "two rows of " << client;
                    listed[client] = rs->Fields().Item("AccNeedPaySum").Value().ToCurrency();
                    order.push_back(client);
                    namesWrong +=
                        rs->Fields().Item("Name").Value().ToText() !=
                        Sql("SELECT Name FROM REFClient WHERE Code = $1", {Value(client)}).rows[0][0].ToText();
                    defaultsWrong += rs->Fields().Item("PayDoc").Value().ToText() != "" ||
                                     rs->Fields().Item("PayDocID").Value().ToInteger() != 0;
                }
            }
            ExpectSameDebt(listed, ExpectedDebt(payables, maxSum),
                           "payables " + std::to_string(payables) + " up to " + maxSum.ToString());
            EXPECT_FALSE(listed.empty());
            EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
            EXPECT_EQ(namesWrong, 0);
            EXPECT_EQ(defaultsWrong, 0);
            for (const auto& [client, sum] : listed)
                EXPECT_LE(sum, maxSum) << client;
        }
    }
}

TEST_F(SetOffDebt, CreateGivesEveryRowOneLinkedDocumentAndNeverASecond)
{
    auto& f = Open();
    const Currency maxSum = ThresholdForClients(false, 10);
    Apply(f, maxSum.ToString());
    const std::size_t rowCount = f.Rows().RowCount();
    ASSERT_GE(rowCount, 6u);
    auto& list = f.ListCtl(kList);
    list.SetCurrentRow(2);
    const std::string current = list.Cell(2, "Client").ToText();

    const auto before = SetOffDocuments();
    Create(f);
    EXPECT_EQ(user.ErrorsText(), "");
    EXPECT_EQ(SetOffDocuments(), before + static_cast<std::int64_t>(rowCount));
    for (std::size_t row = 0; row < rowCount; ++row)
        ExpectDocumentOfRow(f, row, false);
    // The grid shows the documents, the same client is current, the user was told.
    EXPECT_EQ(list.CurrentRow(), 2);
    EXPECT_EQ(list.Cell(2, "Client").ToText(), current);
    EXPECT_NE(list.Cell(2, "PayDoc").ToText(), "");
    EXPECT_EQ(list.Cell(2, "PayDoc"), f.Rows().Get(2, "PayDoc"));
    ASSERT_EQ(user.ProgressRuns().size(), 1u);
    EXPECT_EQ(user.ProgressRuns()[0].caption, Quarn_DuzAde::ModuleFormRes().GetString(1556));
    EXPECT_EQ(user.ProgressRuns()[0].stepsDone, static_cast<long>(rowCount));
    ASSERT_EQ(user.MessageTexts().size(), 1u);
    EXPECT_EQ(user.MessageTexts()[0], "Documents \"Debt set-off\" created: " + std::to_string(rowCount) + ".");
    EXPECT_EQ(user.MessageAnswers()[0], "Gerai");
    EXPECT_EQ(user.Session().Messages()[0].buttons, std::vector<std::string>{"Gerai"});

    // Again in the same form: every row has its document.
    std::map<std::string, std::int64_t> documents;
    for (std::size_t row = 0; row < rowCount; ++row)
        documents[f.Rows().Get(row, "Client").ToText()] = f.Rows().Get(row, "PayDocID").ToInteger();
    const auto links = Count("SELECT count(*) FROM THPaySpec");
    Create(f);
    EXPECT_EQ(SetOffDocuments(), before + static_cast<std::int64_t>(rowCount));
    EXPECT_EQ(Count("SELECT count(*) FROM THPaySpec"), links);
    EXPECT_EQ(user.MessageTexts().back(), "Documents \"Debt set-off\" created: 0.");

    // A second run of the operation re-reads the list: the clients still listed find their
    // document of today and get no second one.
    form->Unload();
    auto& again = Open();
    Apply(again, maxSum.ToString());
    std::int64_t found = 0;
    for (std::size_t row = 0; row < again.Rows().RowCount(); ++row) {
        const auto it = documents.find(again.Rows().Get(row, "Client").ToText());
        if (it == documents.end()) continue;
        ++found;
        EXPECT_EQ(again.Rows().Get(row, "PayDocID").ToInteger(), it->second);
    }
    EXPECT_GT(found, 0);
    Create(again);
    EXPECT_EQ(user.ErrorsText(), "");
    EXPECT_EQ(Count("SELECT count(*) FROM (SELECT a.PartyCode FROM THDocument d JOIN THPartyAttribute a ON a.DocID = "
                    "d.IDC AND a.RolePartyCode = 'PIR' WHERE d.DocTypeCode = 'SUSM' AND d.DocumentDate = $1::date "
                    "AND d.IsPosted = 0 GROUP BY a.PartyCode HAVING count(*) > 1) x",
                    {Value(book->Today())}),
              0);
}

TEST_F(SetOffDebt, AnotherUsersDocumentWrittenAfterTheListWasReadIsTakenNotDoubled)
{
    const Currency maxSum = ThresholdForClients(false, 3);
    auto& mine = Open();
    Apply(mine, maxSum.ToString());
    ASSERT_GE(mine.Rows().RowCount(), 3u);

    // Someone else lists the same clients and sets off the first one's debt meanwhile.
    frmSetOffDebt theirs;
    Ui::BaseDialog theirDialog;
    ASSERT_TRUE(theirs.Init(theirDialog, params));
    theirDialog.Init(theirs, nullptr, Value());
    ASSERT_TRUE(theirDialog.RunForm(false, true, nullptr));
    Apply(theirs, maxSum.ToString());
    theirs.UserClick("btEditDoc"); // writes the current (first) row's document and opens it
    const std::string client = theirs.Rows().Get(0, "Client").ToText();
    const auto theirDocument = theirs.Rows().Get(0, "PayDocID").ToInteger();
    ASSERT_NE(theirDocument, 0);
    theirs.Unload();

    ASSERT_EQ(mine.Rows().Get(0, "Client").ToText(), client);
    EXPECT_EQ(mine.Rows().Get(0, "PayDocID").ToInteger(), 0);
    const auto before = SetOffDocuments();
    Create(mine);
    EXPECT_EQ(user.ErrorsText(), "");
    EXPECT_EQ(mine.Rows().Get(0, "PayDocID").ToInteger(), theirDocument);
    EXPECT_EQ(SetOffDocuments(), before + static_cast<std::int64_t>(mine.Rows().RowCount()) - 1);
    EXPECT_EQ(user.MessageTexts().back(),
              "Documents \"Debt set-off\" created: " + std::to_string(mine.Rows().RowCount() - 1) + ".");
    EXPECT_TRUE(user.Remaining().empty());
}

TEST_F(SetOffDebt, ASessionWritingTheSameClientAtTheSameTimeIsWaitedForNotDoubled)
{
    // Two sessions commit here, as they do in use: no transaction around the test, a day of
    // its own, and every set-off document of that day removed at the end.
    tx.reset();
    const Date day(2026, 6, 27);
    book->SetToday(day);
    auto other = Testing::OpenDemoBook("set_off_other_session");
    DayCleanup cleanup{other->Db(), day};

    auto& mine = Open();
    Apply(mine, ThresholdForClients(false, 3).ToString());
    ASSERT_GE(mine.Rows().RowCount(), 1u);
    const std::string client = mine.Rows().Get(0, "Client").ToText();

    // The other session is in the middle of writing the first client's set-off document; it
    // commits a moment after this session has begun writing the same client's.
    std::int64_t theirs = 0;
    {
        auto theirLock = std::make_unique<Data::SessionLock>(other->Db(), frmSetOffDebt::kWritingLock);
        Data::Transaction unit(other->Db());
        const std::int64_t idc =
            other->Db()
                .QueryPostgres("INSERT INTO THDocument (DocTypeCode, DocumentDate, Number, Code, IsKredit) "
                               "VALUES ('SUSM', $1, 'OTHER-1', 'OTHER-1', 0) RETURNING IDC",
                               {Value(day)})
                .rows.at(0)
                .at(0)
                .ToInteger();
        for (const char* role : {"PIR", "PAR"})
            other->Db().QueryPostgres("INSERT INTO THPartyAttribute (DocID, DocTypeCode, RolePartyCode, PartyType, "
                                      "PartyCode) VALUES ($1, 'SUSM', $2, 1, $3)",
                                      {Value(idc), Value(std::string(role)), Value(client)});
        std::thread commitLater([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(800));
            unit.Commit();
            theirLock.reset();
            theirs = idc;
        });
        mine.UserClick("btEditDoc"); // writes the current (first) row's document
        commitLater.join();
    }
    EXPECT_EQ(user.ErrorsText(), "");
    ASSERT_NE(theirs, 0);
    EXPECT_EQ(mine.Rows().Get(0, "PayDocID").ToInteger(), theirs);
    EXPECT_EQ(Count("SELECT count(*) FROM THDocument d JOIN THPartyAttribute p ON p.DocID = d.IDC "
                    "AND p.RolePartyCode = 'PIR' WHERE d.DocTypeCode = 'SUSM' AND d.DocumentDate = $1 "
                    "AND p.PartyCode = $2",
                    {Value(day), Value(client)}),
              1);
}

// Numbers are read from the documents already written: under the writing lock a session
// numbers after the documents the session before it committed.
TEST_F(SetOffDebt, SessionsNumberingAtOnceUnderTheWritingLockGetTheirOwnNumbers)
{
    tx.reset();
    const Date day(2026, 6, 26);
    auto other = Testing::OpenDemoBook("set_off_numbering_session");
    DayCleanup cleanup{other->Db(), day};
    const auto newDocument = [&day](const std::shared_ptr<Book>& b) {
        auto doc = std::make_unique<Erp::THDocumentObject>(b);
        doc->New("SUSM");
        doc->Fields("DocTypeCode") = Value(std::string("SUSM"));
        doc->Fields("DocumentDate") = Value(day);
        doc->Fields("Number") = Value(doc->NextNumber());
        doc->Save();
        return doc->Fields("Number").ToText();
    };
    std::string theirs, mine;
    {
        auto theirLock = std::make_unique<Data::SessionLock>(other->Db(), frmSetOffDebt::kWritingLock);
        Data::Transaction unit(other->Db());
        theirs = newDocument(other);
        std::thread commitLater([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(800));
            unit.Commit();
            theirLock.reset();
        });
        {
            Data::SessionLock lock(book->Db(), frmSetOffDebt::kWritingLock);
            Data::Transaction myUnit(book->Db());
            mine = newDocument(book);
            myUnit.Commit();
        }
        commitLater.join();
    }
    ASSERT_EQ(theirs.substr(0, 10), "SUSM-2026-");
    EXPECT_EQ(std::stoi(mine.substr(10)), std::stoi(theirs.substr(10)) + 1) << theirs << " then " << mine;
}

TEST_F(SetOffDebt, FaultWhileWritingOneClientLeavesNothingOfThatClient)
{
    // Three clients listed first; the second owes an invoice in a currency without rates, so
    // linking its set-off document fails after its header, parties and first link are written.
    Sql("INSERT INTO REFRateType (Code, Name) VALUES ('ZZT', 'No rates')");
    Sql("INSERT INTO REFCurrency (Code, Name, DefaultRateType) VALUES ('ZZX', 'No rates', 'ZZT')");
    // Codes and names with quotes, a semicolon and comment markers reach the statements too.
    const char* clientA = "!ZZ-A'; --";
    const char* clientB = "!ZZ-B/*";
    const char* clientC = "!ZZ-C'";
    Sql("INSERT INTO REFClient (Code, Name) VALUES ($1, 'First; --'), ($2, 'Second ''quoted'''), ($3, 'Third')",
        {Value(clientA), Value(clientB), Value(clientC)});
    auto add = [&](const char* type, const char* date, const char* summa, const char* role, const char* client,
                   const char* currency) {
        const auto idc =
            Sql("INSERT INTO THDocument (DocTypeCode, DocumentDate, Number, Summa, IsPosted, CurrencyCode) "
                "VALUES ($1::varchar, $2::date, 'T-' || $5::varchar, $3::numeric, 1, $4::varchar) "
                "RETURNING IDC",
                {Value(type), Value(date), Value(summa), Value(currency), Value(client)})
                .rows[0][0]
                .ToInteger();
        Sql("INSERT INTO THPartyAttribute (DocID, DocTypeCode, RolePartyCode, PartyType, PartyCode) VALUES ($1, $2, "
            "$3, 1, $4)",
            {Value(idc), Value(type), Value(role), Value(client)});
        return idc;
    };
    const auto firstOfA = add("PRSF", "2026-05-01", "40", "PIR", clientA, "EUR");
    const auto invoiceOfB = add("PRSF", "2026-04-01", "100", "PIR", clientB, "EUR");
    add("PGA", "2026-04-02", "50", "PAR", clientB, "EUR");
    const auto foreignOfB = add("PRSF", "2026-05-02", "10", "PIR", clientB, "ZZX");
    add("PRSF", "2026-05-03", "30", "PIR", clientC, "EUR");

    auto& f = Open();
    Apply(f, "150");
    const auto& rows = f.Rows();
    ASSERT_GE(rows.RowCount(), 3u);
    ASSERT_EQ(rows.Get(0, "Client").ToText(), clientA);
    ASSERT_EQ(rows.Get(1, "Client").ToText(), clientB);
    ASSERT_EQ(rows.Get(1, "AccNeedPaySum").ToCurrency(), Currency::FromInteger(150));
    ASSERT_EQ(rows.Get(2, "Client").ToText(), clientC);
    const auto documents = SetOffDocuments();
    const auto partiesOfB = Count("SELECT count(*) FROM THPartyAttribute WHERE PartyCode = $1", {Value(clientB)});

    Create(f);
    EXPECT_NE(user.ErrorsText().find("Set-off document of client \"!ZZ-B/*\" not written: document T-!ZZ-B/* in "
                                     "ZZX has no rate of its date"),
              std::string::npos)
        << user.ErrorsText();
    EXPECT_EQ(user.Session().Errors().size(), 1u);
    EXPECT_EQ(rows.Get(1, "PayDocID").ToInteger(), 0);
    EXPECT_EQ(rows.Get(1, "PayDoc").ToText(), "");
    EXPECT_EQ(Count("SELECT count(*) FROM THPartyAttribute WHERE PartyCode = $1", {Value(clientB)}), partiesOfB);
    EXPECT_EQ(
        Count("SELECT count(*) FROM THPaySpec WHERE CorDocID IN ($1, $2)", {Value(invoiceOfB), Value(foreignOfB)}), 0);
    // The others keep their documents, the run went on after the failure.
    ExpectDocumentOfRow(f, 0, false);
    ExpectDocumentOfRow(f, 2, false);
    EXPECT_EQ(Count("SELECT COALESCE(SUM(SummaCur), 0) FROM THPaySpec WHERE CorDocID = $1", {Value(firstOfA)}), 40);
    EXPECT_EQ(SetOffDocuments(), documents + static_cast<std::int64_t>(rows.RowCount()) - 1);
    EXPECT_EQ(user.MessageTexts().back(),
              "Documents \"Debt set-off\" created: " + std::to_string(rows.RowCount() - 1) + ".");
}

TEST_F(SetOffDebt, DeleteRemovesOnlyUnpostedDocumentsOfTheSelection)
{
    auto& f = Open();
    Apply(f, ThresholdForClients(false, 4).ToString());
    const std::size_t rowCount = f.Rows().RowCount();
    ASSERT_GE(rowCount, 4u);
    Create(f);
    ASSERT_EQ(user.ErrorsText(), "");
    auto& list = f.ListCtl(kList);
    auto idOfGridRow = [&](std::size_t row) { return list.Cell(row, "PayDocID").ToInteger(); };

    // Row 1 is posted meanwhile; rows 0, 1 and 2 are selected, row 3 is not.
    const auto posted = idOfGridRow(1);
    Sql("UPDATE THDocument SET IsPosted = 1 WHERE IDC = $1", {Value(posted)});
    const auto postedLinks = Count("SELECT count(*) FROM THPaySpec WHERE DocID = $1", {Value(posted)});
    const std::vector<std::int64_t> removed{idOfGridRow(0), idOfGridRow(2)};
    const auto kept = idOfGridRow(3);
    const auto documents = SetOffDocuments();
    f.UserSelectRows(kList, {0, 1, 2});
    f.UserClick("btDeleteDoc");
    EXPECT_EQ(user.ErrorsText(), "");

    EXPECT_EQ(SetOffDocuments(), documents - 2);
    for (auto idc : removed) {
        EXPECT_EQ(Count("SELECT count(*) FROM THDocument WHERE IDC = $1", {Value(idc)}), 0);
        EXPECT_EQ(Count("SELECT count(*) FROM THPartyAttribute WHERE DocID = $1", {Value(idc)}), 0);
        EXPECT_EQ(Count("SELECT count(*) FROM THPaySpec WHERE DocID = $1", {Value(idc)}), 0);
    }
    EXPECT_EQ(Count("SELECT count(*) FROM THDocument WHERE IDC = $1", {Value(posted)}), 1);
    EXPECT_EQ(Count("SELECT count(*) FROM THPaySpec WHERE DocID = $1", {Value(posted)}), postedLinks);
    EXPECT_EQ(Count("SELECT count(*) FROM THPartyAttribute WHERE DocID = $1", {Value(posted)}), 2);
    EXPECT_EQ(Count("SELECT count(*) FROM THDocument WHERE IDC = $1", {Value(kept)}), 1);
    EXPECT_EQ(idOfGridRow(0), 0);
    EXPECT_EQ(list.Cell(0, "PayDoc").ToText(), "");
    EXPECT_EQ(idOfGridRow(1), posted);
    EXPECT_EQ(idOfGridRow(2), 0);
    EXPECT_EQ(idOfGridRow(3), kept);
    ASSERT_EQ(user.ProgressRuns().size(), 2u);
    EXPECT_EQ(user.ProgressRuns()[1].caption, Quarn_DuzAde::ModuleFormRes().GetString(1557));
    EXPECT_EQ(user.ProgressRuns()[1].countStep, 3);

    // Deleting the same selection again changes nothing; creating again refills the emptied rows.
    f.UserSelectRows(kList, {0, 1, 2});
    f.UserClick("btDeleteDoc");
    EXPECT_EQ(SetOffDocuments(), documents - 2);
    Create(f);
    EXPECT_EQ(SetOffDocuments(), documents);
    EXPECT_NE(idOfGridRow(0), 0);
    EXPECT_EQ(idOfGridRow(1), posted);
}

TEST_F(SetOffDebt, PayablesSideListsWhatWeOweAndGivesTheClientTheSellerRole)
{
    auto& f = Open();
    const Currency maxSum = ThresholdForClients(true, 3);
    Apply(f, maxSum.ToString(), true);
    ExpectSameDebt(ListedDebt(f), ExpectedDebt(true, maxSum), "payables");
    ASSERT_GE(f.Rows().RowCount(), 3u);
    Create(f);
    EXPECT_EQ(user.ErrorsText(), "");
    for (std::size_t row = 0; row < f.Rows().RowCount(); ++row)
        ExpectDocumentOfRow(f, row, true);

    // Back to receivables: the other side's clients, with nothing of the payables documents.
    Apply(f, maxSum.ToString(), false);
    ExpectSameDebt(ListedDebt(f), ExpectedDebt(false, maxSum), "receivables");
    for (std::size_t row = 0; row < f.Rows().RowCount(); ++row)
        EXPECT_EQ(f.Rows().Get(row, "PayDocID").ToInteger(), 0);
}

TEST_F(SetOffDebt, EmptyListDisablesActionsAndABadSumChangesNothing)
{
    auto& f = Open();
    const char* actions[] = {"btCreateDocList", "btEditDoc", "btDeleteDoc"};
    // Before the first apply the list is empty.
    EXPECT_EQ(f.ListCtl(kList).RowCount(), 0u);
    for (const char* button : actions)
        EXPECT_FALSE(f.Ctl(button).Enabled()) << button;
    const auto documents = SetOffDocuments();
    f.UserChooseMenu(kList, "CreateDoc");
    EXPECT_EQ(SetOffDocuments(), documents);
    EXPECT_TRUE(user.ProgressRuns().empty());

    Apply(f, "1000");
    const auto listed = ListedDebt(f);
    ASSERT_FALSE(listed.empty());
    for (const char* button : actions)
        EXPECT_TRUE(f.Ctl(button).Enabled()) << button;

    // A negative sum is refused by the operation, a text by the box; the list stays.
    f.UserInput("edSum", Value("-5"));
    f.UserClick("btApplay");
    EXPECT_NE(user.ErrorsText().find("edSum: must not be negative"), std::string::npos) << user.ErrorsText();
    EXPECT_EQ(ListedDebt(f), listed);
    EXPECT_THROW(f.UserInput("edSum", Value("abc")), ValueError);
    EXPECT_EQ(f.Ctl("edSum").GetValue().ToCurrency(), Currency::FromInteger(-5));
    f.UserInput("edSum", Value(""));
    f.UserClick("btApplay");
    EXPECT_NE(user.ErrorsText().find("edSum: enter"), std::string::npos) << user.ErrorsText();
    EXPECT_EQ(ListedDebt(f), listed);
    EXPECT_EQ(SetOffDocuments(), documents);

    // A day before the company's first document: nothing is open on either side.
    book->SetToday(Date(2024, 12, 31));
    Apply(f, "1000", true);
    EXPECT_EQ(f.ListCtl(kList).RowCount(), 0u);
    for (const char* button : actions)
        EXPECT_FALSE(f.Ctl(button).Enabled()) << button;
}

TEST_F(SetOffDebt, EditWritesTheMissingDocumentAndOpensIt)
{
    auto& f = Open();
    Apply(f, ThresholdForClients(false, 2).ToString());
    auto& list = f.ListCtl(kList);
    ASSERT_GE(list.RowCount(), 2u);
    f.UserSetCurrentCell(kList, 1, "");
    const auto documents = SetOffDocuments();
    f.UserClick("btEditDoc");
    EXPECT_EQ(user.ErrorsText(), "");
    EXPECT_EQ(SetOffDocuments(), documents + 1);
    const auto idc = list.Cell(1, "PayDocID").ToInteger();
    ASSERT_NE(idc, 0);
    ExpectDocumentOfRow(f, 1, false);
    ASSERT_EQ(user.DocumentsOpened().size(), 1u);
    EXPECT_EQ(user.DocumentsOpened()[0].docType, "SUSM");
    EXPECT_EQ(user.DocumentsOpened()[0].idc, idc);
    EXPECT_EQ(list.CurrentRow(), 1);

    // Opened again: the same document, nothing new written.
    f.UserClick("btEditDoc");
    EXPECT_EQ(SetOffDocuments(), documents + 1);
    EXPECT_EQ(user.DocumentsOpened().back().idc, idc);
}

TEST_F(SetOffDebt, RunsByNameUnderAScriptedUserCreatingThenDeleting)
{
    const auto documents = SetOffDocuments();
    const auto links = Count("SELECT count(*) FROM THPaySpec");
    const Currency maxSum = ThresholdForClients(false, 3);
    // The example's answers, with a sum that lists a few clients on the test's day.
    const std::string answers = "frmSetOffDebt.chIsKredit(1) = True\n"
                                "frmSetOffDebt.edSum = " +
                                maxSum.ToString() +
                                "\n"
                                "frmSetOffDebt.btApplay click\n"
                                "frmSetOffDebt.grdList menu CreateDoc\n"
                                "message Gerai\n"
                                "frmSetOffDebt.grdList select all\n"
                                "frmSetOffDebt.grdList menu DeleteDoc\n"
                                "frmSetOffDebt close\n";
    const Ui::AnswerScript script = Ui::AnswerScript::Parse(answers);
    for (const auto& step : script.Steps()) {
        switch (step.verb) {
        case Ui::ScriptVerb::Set: user.Set(step.form, step.control, step.text); break;
        case Ui::ScriptVerb::Click: user.Click(step.form, step.control); break;
        case Ui::ScriptVerb::Menu: user.Menu(step.form, step.control, step.text); break;
        case Ui::ScriptVerb::Answer: user.Answer(step.text); break;
        case Ui::ScriptVerb::Select: user.Select(step.form, step.control, step.rows); break;
        case Ui::ScriptVerb::Close: user.Close(step.form); break;
        default: FAIL() << step.ToText();
        }
    }
    auto object = Quarn_DuzAde::CreateObject("Quarn_DuzAde.CSetOffDebt");
    auto* report = dynamic_cast<Quarn_DuzAde::IReportExec*>(object.get());
    ASSERT_NE(report, nullptr);
    report->SetVisual(true);
    FieldList out;
    EXPECT_FALSE(report->Run(params, out));
    EXPECT_EQ(user.ErrorsText(), "");
    EXPECT_TRUE(user.Remaining().empty());
    ASSERT_EQ(user.ProgressRuns().size(), 2u);
    EXPECT_GE(user.ProgressRuns()[0].stepsDone, 3);
    EXPECT_EQ(user.ProgressRuns()[1].stepsDone, user.ProgressRuns()[0].stepsDone);
    // Every document made was deleted again, with its parties and links.
    EXPECT_EQ(SetOffDocuments(), documents);
    EXPECT_EQ(Count("SELECT count(*) FROM THPaySpec"), links);
    EXPECT_EQ(Count("SELECT count(*) FROM THPaySpec ps WHERE NOT EXISTS (SELECT 1 FROM THDocument d WHERE d.IDC = "
                    "ps.DocID)"),
              0);
}

TEST_F(SetOffDebt, PrintClosesTheFormAndHandsTheListToTheHost)
{
    const Currency maxSum = ThresholdForClients(false, 3);
    user.Set(kForm, "edSum", maxSum.ToString()).Click(kForm, "btApplay").Click(kForm, "btUsePrint");
    auto object = Quarn_DuzAde::CreateObject("CSetOffDebt");
    auto& report = dynamic_cast<Quarn_DuzAde::IReportExec&>(*object);
    FieldList out;
    EXPECT_TRUE(report.Run(params, out));
    EXPECT_EQ(user.ErrorsText(), "");
    ASSERT_TRUE(out.ExistsField("DataList"));
    auto rs = std::dynamic_pointer_cast<Data::Recordset>(out.Item("DataList").GetValue().ToObject());
    ASSERT_NE(rs, nullptr);
    std::map<std::string, Currency> printed;
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        printed[rs->Fields().Item("Client").Value().ToText()] = rs->Fields().Item("AccNeedPaySum").Value().ToCurrency();
        EXPECT_EQ(rs->Fields().Item("PayDoc").Value().ToText(), "");
    }
    EXPECT_FALSE(rs->Fields().Exists("PayDocID"));
    ExpectSameDebt(printed, ExpectedDebt(false, maxSum), "printed");
}

TEST_F(SetOffDebt, SettingOffEveryClientOfEitherSideLeavesNoListedDebtOpenInAnyCurrency)
{
    for (const bool payables : {false, true}) {
        const std::string side = payables ? "payables" : "receivables";
        auto& f = Open();
        Apply(f, "999999999", payables);
        ASSERT_GE(f.Rows().RowCount(), 10u) << side;
        Create(f);
        EXPECT_EQ(user.ErrorsText(), "") << side;
        for (std::size_t row = 0; row < f.Rows().RowCount(); ++row)
            ExpectDocumentOfRow(f, row, payables);

        // A client with no credit among its documents had every document settled to the last
        // unit, foreign ones included: nothing of what the list showed stays open.
        const std::string ofListedClientsWithoutCredit = R"sql(
            FROM THDocumentPayTermCur t
            JOIN THPartyAttribute a ON a.DocID = t.IDC AND a.RolePartyCode = )sql" +
                                                         std::string(kRoleOfType).replace(5, 1, "t") + R"sql(
            WHERE t.IsPosted = 1 AND t.DocTypeCode = ANY ($1::text[]) AND t.DocumentDate <= $2
              AND a.PartyCode IN (SELECT p.PartyCode FROM THPartyAttribute p JOIN THDocument s ON s.IDC = p.DocID
                                  WHERE s.DocTypeCode = 'SUSM' AND s.DocumentDate = $2 AND s.IsPosted = 0)
              AND NOT EXISTS (SELECT 1 FROM THDocumentPayTermCur n JOIN THPartyAttribute na ON na.DocID = n.IDC
                              WHERE na.PartyCode = a.PartyCode AND n.DocTypeCode = ANY ($1::text[])
                                AND n.IsPosted = 1 AND n.DebtSumma < 0))sql";
        const std::vector<Value> args{Value(payables ? kPayableTypes : kReceivableTypes), Value(book->Today())};
        EXPECT_GT(Count("SELECT count(*) " + ofListedClientsWithoutCredit + " AND t.CurrencyCode <> $3",
                        {args[0], args[1], Value(book->AccountCurrency())}),
                  0)
            << side << ": no document in a foreign currency was set off";
        EXPECT_EQ(Count("SELECT count(*) " + ofListedClientsWithoutCredit + " AND t.DebtSumma <> 0", args), 0) << side;
        form->Unload();
        form.reset();
        dialog.reset();
    }
}

// The payment-term sources the set-off list and the debt reports read follow a whole set-off
// run (documents written and linked, then deleted), as if every term were recounted.
TEST_F(SetOffDebt, RunLeavesThePaymentTermSourcesAsTheirRecount)
{
    Testing::InstallPayTermRecount(book->Db());
    auto expectAsRecounted = [&](const std::string& when) {
        for (const std::optional<Date>& asOf :
             {std::optional<Date>(), std::optional<Date>(book->Today()), std::optional<Date>(Date(2026, 6, 29))})
            EXPECT_EQ(Testing::PayTermDifferences(book->Db(), asOf), "")
                << when << ", as of " << (asOf ? asOf->ToIso() : "now");
    };
    auto& f = Open();
    Apply(f, ThresholdForClients(false, 8).ToString());
    ASSERT_GE(f.Rows().RowCount(), 8u);
    const auto openBefore = Count("SELECT count(*) FROM THDocPayTermCurDbt");
    Create(f);
    ASSERT_EQ(user.ErrorsText(), "");
    // The run settled debt: fewer open terms than before, and the sources agree with the recount.
    EXPECT_LT(Count("SELECT count(*) FROM THDocPayTermCurDbt"), openBefore);
    expectAsRecounted("after the set-off documents were created");

    f.UserSelectRows(kList, {0, 1, 2, 3});
    f.UserClick("btDeleteDoc");
    ASSERT_EQ(user.ErrorsText(), "");
    expectAsRecounted("after four of them were deleted");
}
