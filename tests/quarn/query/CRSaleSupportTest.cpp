#include "quarn/query/CRSaleSupport.hpp"
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/data/tsql/TSql.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <map>

using namespace Talvex;
using namespace Quarn_DuzAde;

namespace {

class SaleSupport : public ::testing::Test {
protected:
    void SetUp() override
    {
        book = Testing::OpenDemoBook("tester");
        support.Init(book);
    }
    Value One(const std::string& sql) { return book->Db().QueryPostgres(sql).rows.at(0).at(0); }

    std::shared_ptr<Book> book;
    CRSaleSupport support;
    const Date begin{2025, 1, 1};
    const Date end{2025, 12, 31};
};

Currency SumOf(Data::Recordset& rs, const std::string& column)
{
    Currency sum;
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
        Value v = rs.Fields().Item(column).Value();
        if (!v.IsNull()) sum += v.ToCurrency();
    }
    return sum;
}

} // namespace

TEST_F(SaleSupport, BaseListHasOneRowPerPostedPositionOfTheType)
{
    auto list = support.CrBaseDocAndSpec("PRSF", begin, end, "GSpec");
    list->Refresh();
    EXPECT_EQ(list->Recordset()->RecordCount(),
              One("SELECT count(*) FROM thdocument d JOIN thgoodspec s ON s.docid = d.idc WHERE d.doctypecode = 'PRSF' "
                  "AND d.isposted = 1 AND d.documentdate BETWEEN '2025-01-01' AND '2025-12-31'")
                  .ToInteger());
    EXPECT_TRUE(list->Recordset()->Fields().Exists("PosNumb"));
}

TEST_F(SaleSupport, ContentListSplitsEachPositionIntoItsLinksAndTheUncoveredRest)
{
    auto positions = support.CrDocLstByContent("PRSF", begin, end);
    support.JoinParentDoc(*positions, "PRSF");
    positions->Fields().AddField("ParentIDC", FieldType::kPosition, "Prnt.IDC");
    positions->Fields().AddField("GrandParentIDC", FieldType::kPosition, "PPDoc.IDC");
    positions->Fields().AddField("GoodCode", FieldType::kCode, "gs.GoodCode");
    positions->Refresh();
    auto rs = positions->Recordset();
    // Independently: the linked amounts of every position plus what they leave uncovered.
    Currency expected = One(R"sql(
        SELECT COALESCE(SUM(linked), 0) + COALESCE(SUM(GREATEST(amount - COALESCE(linked, 0), 0)), 0)
        FROM (SELECT s.amountaccount AS amount,
                     (SELECT SUM(c.amountaccount) FROM thgoodcontent c WHERE c.specid = s.idc AND c.isvertical = 1) AS linked
              FROM thdocument d JOIN thgoodspec s ON s.docid = d.idc
              WHERE d.doctypecode = 'PRSF' AND d.isposted = 1
                AND d.documentdate BETWEEN '2025-01-01' AND '2025-12-31') p)sql")
                            .ToCurrency();
    EXPECT_EQ(SumOf(*rs, "AmountAccount"), expected);

    std::int64_t linkedRows = 0;
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        ASSERT_FALSE(rs->Fields().Item("GoodCode").Value().IsNull());      // every position finds its goods row
        EXPECT_TRUE(rs->Fields().Item("GrandParentIDC").Value().IsNull()); // invoices have no grandparent
        Value corDoc = rs->Fields().Item("CorDocID").Value();
        if (corDoc.IsNull() || corDoc.ToInteger() == 0) continue;
        ++linkedRows;
        if (rs->Fields().Item("ConsCorDocId").Value().IsNull()) {
            EXPECT_EQ(rs->Fields().Item("ParentIDC").Value().ToInteger(), corDoc.ToInteger());
        }
    }
    EXPECT_GT(linkedRows, 0);
    EXPECT_EQ(positions->JoinCount(), 3u); // gs, Prnt, PPDoc: no PrntAdd for invoices
}

// Each position is listed once per vertical link and once more for what its links leave
// uncovered, never a second time without amounts; every row meets its own goods line.
TEST_F(SaleSupport, EveryPositionIsListedByItsLinksAndItsRestExactlyOnce)
{
    for (const char* type : {"PRSF", "GPG"}) {
        SCOPED_TRACE(type);
        auto positions = support.CrDocLstByContent(type, begin, end);
        positions->Fields().AddField("LineDocID", FieldType::kPosition, "gs.DocID");
        positions->Fields().AddField("LinePosNumb", FieldType::kPosition, "gs.PosNumb");
        positions->Refresh();
        auto rs = positions->Recordset();
        const std::string positionsOfType = std::string(R"sql(
            FROM thdocument d JOIN thgoodspec s ON s.docid = d.idc
            WHERE d.doctypecode = ')sql") + type + R"sql(' AND d.isposted = 1
              AND d.documentdate BETWEEN '2025-01-01' AND '2025-12-31')sql";
        const auto links = One("SELECT COUNT(*) " + positionsOfType +
                               " AND EXISTS (SELECT 1 FROM thgoodcontent c WHERE c.specid = s.idc AND c.isvertical = 1)")
                               .ToInteger();
        const std::int64_t expectedRows =
            One("SELECT (SELECT COUNT(*) FROM thgoodcontent c JOIN thgoodspec s ON s.idc = c.specid "
                "JOIN thdocument d ON d.idc = s.docid WHERE c.isvertical = 1 AND d.doctypecode = '" +
                std::string(type) +
                "' AND d.isposted = 1 AND d.documentdate BETWEEN '2025-01-01' AND '2025-12-31') + (SELECT COUNT(*) " +
                positionsOfType +
                " AND s.amountaccount - COALESCE((SELECT SUM(c.amountaccount) FROM thgoodcontent c "
                "WHERE c.specid = s.idc AND c.isvertical = 1), 0) > 0)")
                .ToInteger();
        ASSERT_GT(expectedRows, 0);
        if (std::string(type) == "PRSF") {
            ASSERT_GT(links, 0); // the linked part is exercised
        }
        EXPECT_EQ(static_cast<std::int64_t>(rs->RecordCount()), expectedRows);
        std::map<std::int64_t, int> restRows; // position -> its rows without a source document
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
            ASSERT_FALSE(rs->Fields().Item("AmountAccount").Value().IsNull());
            ASSERT_EQ(rs->Fields().Item("LineDocID").Value().ToInteger(), rs->Fields().Item("IDC").Value().ToInteger());
            ASSERT_EQ(rs->Fields().Item("LinePosNumb").Value().ToInteger(),
                      rs->Fields().Item("PosNumb").Value().ToInteger());
            Value corDoc = rs->Fields().Item("CorDocID").Value();
            if (corDoc.IsNull() || corDoc.ToInteger() == 0) {
                ASSERT_EQ(++restRows[rs->Fields().Item("SpecID").Value().ToInteger()], 1);
            }
        }
    }
}

TEST_F(SaleSupport, ConsignmentSubSelectOnlyWhileConsignmentIsInUse)
{
    std::string select = support.ConsignSel("GC");
    ASSERT_FALSE(select.empty());
    EXPECT_NO_THROW(Data::TSql::Translate("SELECT " + select + " AS x FROM THGoodContent GC"));
    {
        Data::Transaction tx(book->Db());
        book->Db().ExecutePostgresScript(
            "DELETE FROM thgoodspec WHERE docid IN (SELECT idc FROM thdocument WHERE doctypecode = 'POSF');"
            "DELETE FROM thpartyattribute WHERE docid IN (SELECT idc FROM thdocument WHERE doctypecode = 'POSF');"
            "DELETE FROM thdocument WHERE doctypecode = 'POSF'");
        EXPECT_EQ(support.ConsignSel("GC"), "");
        auto positions = support.CrDocLstByContent("PRSF", begin, end);
        EXPECT_NE(positions->SqlText().find("(null) AS ConsCorDocId"), std::string::npos) << positions->SqlText();
    }
}

TEST_F(SaleSupport, SellerIsTheAuthorOfTheOldestDocumentOrTheSubsidiaryItself)
{
    auto joinOnly = support.CrDocLstByContent("PRSF", begin, end);
    support.JoinParentDoc(*joinOnly, "PRSF");
    std::size_t joins = joinOnly->JoinCount();
    std::size_t fields = joinOnly->Fields().Count();
    support.JoinSellerInfo(*joinOnly, "", "PRSF");
    EXPECT_EQ(joinOnly->JoinCount(), joins + 1);
    EXPECT_EQ(joinOnly->Fields().Count(), fields);

    auto positions = support.CrDocLstByContent("PRSF", begin, end);
    support.JoinParentDoc(*positions, "PRSF");

    auto party = book->CreateList("THPartyAttribute");
    party->Fields().SelectFields({});
    party->SetFilter("oTable.RolePartyCode = N'PIR'");
    positions->Join(party, "Party", "Party.DocID = oTable.IDC", 1);
    auto client = book->CreateList("REFClient");
    client->Fields().SelectFields({});
    positions->Join(client, "Cl", "Cl.Code = Party.PartyCode", 1);
    support.JoinSellerInfo(*positions, "Seller", "PRSF");
    positions->Refresh();
    auto rs = positions->Recordset();
    ASSERT_GT(rs->RecordCount(), 0);
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        auto idc = rs->Fields().Item("IDC").Value().ToInteger();
        auto parent = rs->Fields().Item("CorDocID").Value();
        std::string expected =
            book->Db()
                .Query("SELECT ISNULL(CASE WHEN c.IsSubsidiary = 1 THEN c.Code + ':' + c.Name "
                       "ELSE p.Code + ':' + ISNULL(p.LastName, '') END, N'(seller not known)') "
                       "FROM THDocument d LEFT JOIN THDocument pd ON pd.IDC = ? "
                       "LEFT JOIN THPartyAttribute pa ON pa.DocID = d.IDC AND pa.RolePartyCode = N'PIR' "
                       "LEFT JOIN REFClient c ON c.Code = pa.PartyCode "
                       "LEFT JOIN REFPerson p ON p.UserID = COALESCE(pd.Author, d.Author) "
                       "WHERE d.IDC = ?",
                       {parent.IsNull() ? Value(0) : parent, Value(idc)})
                .rows.at(0)
                .at(0)
                .ToText();
        if (!rs->Fields().Item("ConsCorDocId").Value().IsNull()) continue; // the consignment chain differs
        ASSERT_EQ(rs->Fields().Item("Seller").Value().ToText(), expected) << idc;
    }
}
