#include "ErpTestQueries.hpp"
#include "host/data/Connection.hpp"
#include "host/erp/documents/CPayedDoc.hpp"
#include "host/erp/documents/THDocumentObject.hpp"
#include "host/erp/documents/THPartyAttributeObject.hpp"
#include "host/objects/Book.hpp"
#include "support/PayTermRecount.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

using Talvex::Currency;
using Talvex::Date;
using Talvex::Value;
using Talvex::Data::Connection;
using Talvex::Erp::CPayedDoc;
using Talvex::Erp::PartyRow;
using Talvex::Erp::THDocumentObject;
using Talvex::Erp::THPartyAttributeObject;
using Talvex::Testing::PayTermDifferences;
using Talvex::Testing::Ids;
using Talvex::Testing::Pick;
using Talvex::Testing::QueryCount;
using Talvex::Testing::QueryText;

namespace {

// The dates the as-of-date sources are compared on: before any document, inside each year,
// the day of the writes (a payment of that day counts) and the day before it, and the end.
const std::vector<std::optional<Date>> kPayToDates = {std::nullopt, Date(2024, 12, 31), Date(2026, 3, 14),
                                                      Date(2026, 3, 15), Date(2027, 1, 1)};

void ExpectSourcesMatchRecount(Connection& db, const std::string& when)
{
    for (const auto& date : kPayToDates)
        EXPECT_EQ(PayTermDifferences(db, date), "") << when << ", as of " << (date ? date->ToIso() : "now");
}

// Writes through the host's document objects, as the module's operations do.
struct HostWriter {
    std::shared_ptr<Talvex::Book> book;
    std::mt19937 random{20260315};

    Connection& Db() { return book->Db(); }

    // A set-off of a client's receivables, linked by the payable-document linker.
    void SetOff(const std::string& client, const std::string& summa)
    {
        THDocumentObject doc(book);
        doc.New("SUSM");
        doc.Fields("Number") = doc.NextNumber();
        doc.Fields("Summa") = Currency::Parse(summa);
        const auto id = doc.Save();
        THPartyAttributeObject(book).Write(PartyRow{id, "SUSM", "PIR", 1, client});
        CPayedDoc payed;
        payed.Init(doc);
        payed.SetGoodDoc(true, client);
    }

    void Change(std::int64_t idc, const char* field, Value value)
    {
        THDocumentObject doc(book);
        doc.Load(idc);
        doc.Fields(field) = std::move(value);
        doc.Save();
    }

    // Unposted first: the document object refuses to delete a posted document.
    void Delete(std::int64_t idc)
    {
        Change(idc, "IsPosted", Value(0));
        THDocumentObject doc(book);
        doc.Load(idc);
        doc.Delete();
    }

    std::vector<std::string> ClientsWithOpenReceivables()
    {
        std::vector<std::string> clients;
        for (const auto& row :
             Db().QueryPostgres("SELECT DISTINCT p.PartyCode FROM THDocPayTermCurDbt t "
                                "JOIN THPartyAttribute p ON p.DocID = t.IDC AND p.RolePartyCode = 'PIR' "
                                "WHERE t.DocTypeCode = 'PRSF' AND t.IsPosted = 1 AND t.DebtSumma > 0 "
                                "ORDER BY 1")
                 .rows)
            clients.push_back(row.at(0).ToText());
        return clients;
    }
};

} // namespace

TEST(PayTermState, SourcesGiveTheRecountedRowsOverTheWholeCompany)
{
    auto db = Talvex::Testing::OpenDemoDatabase();
    Talvex::Testing::InstallPayTermRecount(db);
    ExpectSourcesMatchRecount(db, "as installed");
    // The comparison sees the cases that can go wrong: payments dated after some of the dates,
    // several terms, credits, cash-plan lines settled and open.
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM THPaySpec ps JOIN THDocument p ON p.IDC = ps.DocID "
                             "WHERE p.DocumentDate > '2026-03-15'"),
              50);
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM THDocumentPayTermCur WHERE PosNumb > 1 AND DocTypeCode <> 'CPAY'"),
              10);
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM THDocumentPayTermCur WHERE DocSumma < 0"), 0);
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM THGoodSpecCPAY WHERE PayDocId IS NOT NULL"), 0);
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM THGoodSpecCPAY WHERE PayDocId IS NULL"), 0);

    // The sources keep their columns and column types.
    const std::string rowType =
        QueryText(db, "SELECT string_agg(a.attname || ' ' || format_type(a.atttypid, a.atttypmod), "
                      "', ' ORDER BY a.attnum) FROM pg_attribute a "
                      "JOIN pg_type t ON t.typrelid = a.attrelid WHERE t.typname = 'thdocpaytermrow'");
    for (const char* view : {"thdocumentpaytermcur", "thdocpaytermcurdbt"})
        EXPECT_EQ(
            QueryText(db, std::string("SELECT string_agg(a.attname || ' ' || format_type(a.atttypid, a.atttypmod), "
                                      "', ' ORDER BY a.attnum) FROM pg_attribute a WHERE a.attnum > 0 "
                                      "AND a.attrelid = '") +
                              view + "'::regclass"),
            rowType)
            << view;
    for (const char* function : {"thdocumentpaytermext", "thdocumentpaytermdbt"})
        EXPECT_EQ(QueryText(db, std::string("SELECT pg_get_function_result(p.oid) || ' ' || "
                                            "pg_get_function_arguments(p.oid) FROM pg_proc p WHERE p.proname = '") +
                                    function + "'"),
                  "SETOF thdocpaytermrow paytodate date")
            << function;
}

TEST(PayTermState, FollowsEveryWriteAndForgetsEveryRolledBackOne)
{
    auto book = Talvex::Testing::OpenDemoBook("tester");
    auto& db = book->Db();
    Talvex::Testing::InstallPayTermRecount(db);
    book->SetToday(Date(2026, 3, 15));
    HostWriter writer{book};
    const std::string stateBefore = QueryText(db, "SELECT md5(string_agg(t::text, '|' ORDER BY IDC, PosNumb)) "
                                                  "FROM THDocumentPayTermCur t");
    {
        Talvex::Data::Transaction tx(db);

        // Set-offs: payment lines to the oldest open receivables of a few clients.
        const auto clients = writer.ClientsWithOpenReceivables();
        ASSERT_GT(clients.size(), 5u);
        for (int i = 0; i < 4; ++i)
            writer.SetOff(Pick(writer.random, clients), std::to_string(50 + 400 * i) + ".25");
        ExpectSourcesMatchRecount(db, "after set-offs");

        // Stored terms: new ones (in one statement, some beyond the total), changed, deleted.
        const auto receivables = Ids(db, "SELECT IDC FROM THDocument WHERE DocTypeCode IN ('PRSF', 'PISF') "
                                         "AND IsPosted = 1 ORDER BY IDC");
        ASSERT_GT(receivables.size(), 20u);
        std::string terms;
        for (int i = 0; i < 12; ++i)
            terms += std::string(terms.empty() ? "" : ", ") + "(" + std::to_string(Pick(writer.random, receivables)) +
                     ", " + std::to_string(i * 7 % 45) + ", " + std::to_string(20 + i * 97 % 900) + ".5)";
        db.QueryPostgres("INSERT INTO THDocumentPayTerm (DocID, PayTerm, Summa) VALUES " + terms);
        db.QueryPostgres("UPDATE THDocumentPayTerm SET Summa = Summa / 3, PayTerm = PayTerm + 5 WHERE IDC % 5 = 1");
        db.QueryPostgres("DELETE FROM THDocumentPayTerm WHERE IDC % 4 = 2");
        ExpectSourcesMatchRecount(db, "after term writes");

        // Documents changed: totals, a closing flag, a payment moved across a date, a type.
        const auto payments =
            Ids(db, "SELECT DISTINCT ps.DocID FROM THPaySpec ps JOIN THDocument p ON p.IDC = ps.DocID "
                    "WHERE p.DocumentDate BETWEEN '2026-01-01' AND '2026-03-14' ORDER BY 1");
        ASSERT_GT(payments.size(), 3u);
        writer.Change(Pick(writer.random, receivables), "Summa", Value(Currency::Parse("12.3400")));
        writer.Change(Pick(writer.random, receivables), "Summa", Value(Currency::Parse("-40")));
        writer.Change(Pick(writer.random, receivables), "IsPayClosed", Value(1));
        writer.Change(payments.at(0), "DocumentDate", Value(Date(2026, 9, 1)));
        writer.Change(payments.at(1), "DocumentDate", Value(Date(2026, 3, 15)));
        writer.Change(Pick(writer.random, receivables), "DocTypeCode", Value("CPAY"));
        ExpectSourcesMatchRecount(db, "after document changes");

        // Documents deleted: a payment (its links go with it) and a paid invoice.
        writer.Delete(payments.at(2));
        writer.Delete(QueryCount(db, "SELECT min(CorDocID) FROM THPaySpec ps JOIN THDocument d ON d.IDC = ps.CorDocID "
                                     "WHERE d.DocTypeCode = 'PRSF'"));
        ExpectSourcesMatchRecount(db, "after deletions");

        // Cash plans: a line settled, a line's goods row gone, the payment of a line deleted.
        db.QueryPostgres("UPDATE THGoodSpecCPAY SET PayDocId = $1 WHERE (DocID, PosNumb) IN "
                         "(SELECT DocID, PosNumb FROM THGoodSpecCPAY WHERE PayDocId IS NULL ORDER BY 1, 2 LIMIT 2)",
                         {Value(payments.at(3))});
        ExpectSourcesMatchRecount(db, "after settling cash-plan lines");
        db.QueryPostgres("DELETE FROM THGoodSpec WHERE (DocID, PosNumb) IN "
                         "(SELECT DocID, PosNumb FROM THGoodSpecCPAY ORDER BY 1 DESC, 2 LIMIT 1)");
        ExpectSourcesMatchRecount(db, "after deleting a cash-plan line's goods row");
        writer.Delete(
            QueryCount(db, "SELECT min(PayDocId) FROM THGoodSpecCPAY c JOIN THDocument p ON p.IDC = c.PayDocId "
                           "WHERE p.IDC <> " +
                               std::to_string(payments.at(3))));
        ExpectSourcesMatchRecount(db, "after deleting the payment of a cash-plan line");

        // Inside a unit of work that is rolled back: what it wrote shows, then goes.
        {
            Talvex::Data::Transaction unit(db);
            writer.SetOff(Pick(writer.random, clients), "2500");
            db.QueryPostgres(
                "UPDATE THDocument SET IsPayClosed = 1 - IsPayClosed, Summa = Summa + 1 WHERE IDC % 9 = 4");
            db.QueryPostgres("DELETE FROM THPaySpec WHERE IDC % 11 = 3");
            ExpectSourcesMatchRecount(db, "inside a unit of work");
            // Emptying a table leaves no rows to follow: the whole state is built again.
            db.QueryPostgres("TRUNCATE THDocumentPayTerm");
            ExpectSourcesMatchRecount(db, "after the stored terms were emptied");
        }
        ExpectSourcesMatchRecount(db, "after the unit of work rolled back");
    }
    ExpectSourcesMatchRecount(db, "after the whole test rolled back");
    EXPECT_EQ(QueryText(db, "SELECT md5(string_agg(t::text, '|' ORDER BY IDC, PosNumb)) FROM THDocumentPayTermCur t"),
              stateBefore);
}
