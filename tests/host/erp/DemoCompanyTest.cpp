#include "ErpTestQueries.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <string>

using Talvex::Testing::OpenDemoDatabase;
using Talvex::Testing::QueryCount;

TEST(DemoCompany, EveryDocumentTypeLinkKindAndPartyRoleOccurs)
{
    auto db = OpenDemoDatabase();
    for (const char* type :
         {"PRSF", "PRS", "TPPR", "PGA", "PISD", "SCN",  "PISF", "PIS",  "TPPI", "GPG",  "TID", "CPAY", "PRSD",
          "BCN",  "KOI", "MP",   "MPT", "KOP",  "KVT",  "MPP",  "MPPT", "SUSM", "BUSM", "USM", "MO",   "MNFC",
          "MOS",  "MMW", "MNM",  "NUR", "MFC",  "ITNS", "HR",   "HS",   "RD",   "RDG",  "POSF"}) {
        EXPECT_GT(QueryCount(db, std::string("SELECT count(*) FROM THDocument WHERE DocTypeCode = '") + type + "'"), 0)
            << type;
        EXPECT_EQ(QueryCount(db, std::string("SELECT count(*) FROM THDocType WHERE Code = '") + type + "'"), 1) << type;
    }
    for (const char* role : {"PIR", "PAR", "GAV", "VEZ", "MOK", "CUST"})
        EXPECT_GT(
            QueryCount(db, std::string("SELECT count(*) FROM THPartyAttribute WHERE RolePartyCode = '") + role + "'"),
            0)
            << role;
    for (const char* kind : {"GR", "DC", "PN"})
        EXPECT_GT(QueryCount(db, std::string("SELECT count(*) FROM THGoodContent WHERE LinkKindCode = '") + kind + "'"),
                  0)
            << kind;
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM THGoodContent WHERE IsVertical = 1"), 0);
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM THPartyAttribute WHERE PartyType = 2"), 0);
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM THPartyAttribute WHERE PartyType = 1"), 0);
    EXPECT_EQ(QueryCount(db, "SELECT count(DISTINCT CurrencyCode) FROM THDocument"), 3);
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM THDocumentPISF WHERE IsPayOnSell = 1"), 0);
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM THDocumentMO"), 0);
    const auto documents = QueryCount(db, "SELECT count(*) FROM THDocument");
    EXPECT_GE(documents, 3000);
    EXPECT_LE(documents, 6000);
}

TEST(DemoCompany, DocumentsAreConsistentWithTheirRows)
{
    auto db = OpenDemoDatabase();
    // A document with rows totals them.
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THDocument d JOIN (SELECT DocID, sum(Summa) AS s FROM THGoodSpec "
                             "GROUP BY DocID) g ON g.DocID = d.IDC WHERE d.Summa <> g.s"),
              0);
    // Every row belongs to a document, and its positions run 1..n.
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THGoodSpec gs LEFT JOIN THDocument d ON d.IDC = gs.DocID "
                             "WHERE d.IDC IS NULL"),
              0);
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM (SELECT DocID FROM THGoodSpec GROUP BY DocID "
                             "HAVING max(PosNumb) <> count(*) OR min(PosNumb) <> 1) x"),
              0);
    // Sales, purchases and returns carry their VAT in the type's additional rows, one per row.
    for (const char* type : {"PRSF", "PISF", "GPG", "PGA", "PRSD", "PISD", "BCN", "SCN", "TPPR", "TPPI", "TID", "HR",
                             "HS", "RD", "RDG", "POSF"}) {
        const std::string t = type;
        EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THGoodSpec gs JOIN THDocument d ON d.IDC = gs.DocID "
                                 "LEFT JOIN THGoodSpec" +
                                     t +
                                     " a ON a.DocID = gs.DocID AND a.PosNumb = gs.PosNumb "
                                     "WHERE d.DocTypeCode = '" +
                                     t + "' AND (a.DocID IS NULL OR a.SummVAT > gs.Summa)"),
                  0)
            << type;
        EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THGoodSpec" + t +
                                     " a LEFT JOIN THDocument d ON d.IDC = a.DocID "
                                     "WHERE d.DocTypeCode IS DISTINCT FROM '" +
                                     t + "'"),
                  0)
            << type;
    }
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM THGoodSpecPRSF WHERE SummVAT > 0"), 0);
    // Additional headers belong to documents of their own type.
    for (const char* type : {"PRSF", "PISF", "GPG", "PRSD", "SCN", "HR", "RD", "RDG"})
        EXPECT_EQ(
            QueryCount(db, std::string("SELECT count(*) FROM THDocument") + type +
                               " a LEFT JOIN THDocument d ON d.IDC = a.DocID WHERE d.DocTypeCode IS DISTINCT FROM '" +
                               type + "'"),
            0)
            << type;
    // Sold goods carry their cost; services do not need to.
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THGoodSpec gs JOIN THDocument d ON d.IDC = gs.DocID "
                             "JOIN REFGood g ON g.Code = gs.GoodCode "
                             "WHERE d.DocTypeCode = 'PRSF' AND g.Category = 0 AND gs.CostSumm <= 0"),
              0);
    // Every code a row or a party names exists.
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THGoodSpec gs LEFT JOIN REFGood g ON g.Code = gs.GoodCode "
                             "WHERE g.Code IS NULL"),
              0);
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THGoodSpec gs LEFT JOIN REFGoodUnit u "
                             "ON u.GoodCode = gs.GoodCode AND u.UnitCode = gs.UnitCode WHERE u.IDC IS NULL"),
              0);
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THPartyAttribute p LEFT JOIN REFClient c ON c.Code = p.PartyCode "
                             "LEFT JOIN REFPerson r ON r.Code = p.PartyCode LEFT JOIN THDocument d ON d.IDC = p.DocID "
                             "WHERE d.IDC IS NULL OR d.DocTypeCode <> p.DocTypeCode "
                             "OR (p.PartyType = 1 AND c.Code IS NULL) OR (p.PartyType = 2 AND r.Code IS NULL)"),
              0);
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THDocument d LEFT JOIN THDocument p ON p.IDC = d.ParentID "
                             "WHERE d.ParentID IS NOT NULL AND p.IDC IS NULL"),
              0);
    // Parents with their own parents: invoices under orders under contracts, work materials
    // under the work under the order.
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM THDocument d JOIN THDocument p ON p.IDC = d.ParentID "
                             "JOIN THDocument g ON g.IDC = p.ParentID WHERE d.DocTypeCode = 'PRSF'"),
              0);
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM THDocument d JOIN THDocument p ON p.IDC = d.ParentID "
                             "JOIN THDocument g ON g.IDC = p.ParentID WHERE d.DocTypeCode = 'MNM' "
                             "AND g.DocTypeCode = 'MO'"),
              0);
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THDocumentMO m JOIN THDocument o ON o.IDC = m.MOIDC "
                             "JOIN THDocument f ON f.IDC = m.DocID WHERE o.DocTypeCode <> 'MO' "
                             "OR f.DocTypeCode <> 'MNFC'"),
              0);
}

TEST(DemoCompany, DatesAndPostingFollowThePeriod)
{
    auto db = OpenDemoDatabase();
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THDocument WHERE DocumentDate NOT BETWEEN '2025-01-01' AND "
                             "'2026-12-31'"),
              0);
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THGoodSpecCPAY WHERE NeedPayDate NOT BETWEEN '2025-01-01' AND "
                             "'2026-12-31' OR extract(isodow FROM NeedPayDate) > 5"),
              0);
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THDocument WHERE DocTypeCode = 'CPAY' AND "
                             "(extract(month FROM DocumentDate) <> 1 OR extract(day FROM DocumentDate) <> 1)"),
              0);
    // Every day of the period has a rate of each foreign currency.
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM REFCurrencyRate WHERE DateApply BETWEEN '2025-01-01' AND "
                             "'2026-12-31'"),
              2 * 730);
    const auto older = QueryCount(db, "SELECT count(*) FROM THDocument WHERE DocumentDate < '2026-11-01'");
    const auto olderPosted =
        QueryCount(db, "SELECT count(*) FROM THDocument WHERE DocumentDate < '2026-11-01' AND IsPosted = 1");
    EXPECT_GT(olderPosted * 100, older * 90);
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM THDocument WHERE IsPosted = 0"), 0);
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THDocument WHERE IsPosted NOT IN (0, 1) OR IsClosed NOT IN (0, 1)"),
              0);
}

TEST(DemoCompany, PaymentLinksNeverPayMoreThanIsOpen)
{
    auto db = OpenDemoDatabase();
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THPaySpec ps LEFT JOIN THDocument p ON p.IDC = ps.DocID "
                             "LEFT JOIN THDocument c ON c.IDC = ps.CorDocID WHERE p.IDC IS NULL OR c.IDC IS NULL"),
              0);
    // Only payments and settlements pay, and only debts and orders are paid.
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THPaySpec ps JOIN THDocument p ON p.IDC = ps.DocID "
                             "JOIN THDocType t ON t.Code = p.DocTypeCode WHERE t.Category <> 2"),
              0);
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THPaySpec ps JOIN THDocument c ON c.IDC = ps.CorDocID "
                             "WHERE c.DocTypeCode NOT IN ('PRSF', 'TPPR', 'PGA', 'PISD', 'SCN', 'PISF', 'TPPI', 'GPG', "
                             "'TID', 'PRSD', 'BCN', 'PRS')"),
              0);
    // A paid document is never paid beyond its total, and no link is empty.
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THDocument d JOIN (SELECT CorDocID, sum(SummaCur) AS paid "
                             "FROM THPaySpec GROUP BY CorDocID) ps ON ps.CorDocID = d.IDC WHERE ps.paid > d.Summa"),
              0);
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THPaySpec WHERE Summa <= 0 OR SummaCur <= 0"), 0);
    // A payment document (not a set-off, which pays both sides) covers what it links; within
    // one currency both link amounts agree.
    EXPECT_EQ(QueryCount(db,
                         "SELECT count(*) FROM THDocument p JOIN (SELECT DocID, sum(Summa) AS linked FROM THPaySpec "
                         "GROUP BY DocID) ps ON ps.DocID = p.IDC WHERE p.DocTypeCode <> 'SUSM' "
                         "AND ps.linked > p.Summa"),
              0);
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THPaySpec ps JOIN THDocument p ON p.IDC = ps.DocID "
                             "JOIN THDocument c ON c.IDC = ps.CorDocID WHERE p.CurrencyCode = c.CurrencyCode "
                             "AND ps.Summa <> ps.SummaCur"),
              0);
    // The kinds of payment the reports must meet: full, partial, several documents at once,
    // in another currency, and none linked at all.
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM THDocument d JOIN (SELECT CorDocID, sum(SummaCur) AS paid "
                             "FROM THPaySpec GROUP BY CorDocID) ps ON ps.CorDocID = d.IDC WHERE ps.paid = d.Summa"),
              100);
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM THDocument d JOIN (SELECT CorDocID, sum(SummaCur) AS paid "
                             "FROM THPaySpec GROUP BY CorDocID) ps ON ps.CorDocID = d.IDC WHERE ps.paid < d.Summa"),
              10);
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM (SELECT DocID FROM THPaySpec GROUP BY DocID "
                             "HAVING count(*) > 1) x"),
              10);
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM THPaySpec ps JOIN THDocument p ON p.IDC = ps.DocID "
                             "JOIN THDocument c ON c.IDC = ps.CorDocID WHERE p.CurrencyCode <> c.CurrencyCode"),
              0);
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM THDocument p WHERE p.DocTypeCode IN ('KOP', 'KVT', 'MPP', 'MPPT', "
                             "'KOI', 'MP', 'MPT') AND NOT EXISTS (SELECT 1 FROM THPaySpec ps WHERE ps.DocID = p.IDC)"),
              10);
    // Cash-plan lines name real payments.
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM THGoodSpecCPAY WHERE PayDocId IS NOT NULL"), 0);
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THGoodSpecCPAY c LEFT JOIN THDocument p ON p.IDC = c.PayDocId "
                             "WHERE c.PayDocId IS NOT NULL AND p.IDC IS NULL"),
              0);
}

TEST(DemoCompany, StockFixationNeverTakesMoreThanALotHeld)
{
    auto db = OpenDemoDatabase();
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM THGoodSpecFixLog"), 100);
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THGoodSpec gs JOIN (SELECT IncomeSpecID, sum(Amount) AS taken "
                             "FROM THGoodSpecFixLog GROUP BY IncomeSpecID) f ON f.IncomeSpecID = gs.IDC "
                             "WHERE f.taken > gs.AmountAccount"),
              0);
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THGoodSpec gs JOIN (SELECT OutcomeSpecID, sum(Amount) AS taken "
                             "FROM THGoodSpecFixLog GROUP BY OutcomeSpecID) f ON f.OutcomeSpecID = gs.IDC "
                             "WHERE f.taken > gs.AmountAccount"),
              0);
    // Lots are incoming rows; what takes from them goes out.
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THGoodSpecFixLog f JOIN THGoodSpec i ON i.IDC = f.IncomeSpecID "
                             "JOIN THDocument d ON d.IDC = i.DocID WHERE d.DocTypeCode NOT IN ('PISF', 'MFC', 'GPG', "
                             "'MNFC')"),
              0);
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM THGoodSpecFixLog f JOIN THGoodSpec i ON i.IDC = f.IncomeSpecID "
                             "JOIN THGoodSpec o ON o.IDC = f.OutcomeSpecID JOIN THDocument di ON di.IDC = i.DocID "
                             "JOIN THDocument do_ ON do_.IDC = o.DocID WHERE di.DocTypeCode = 'PISF' "
                             "AND do_.DocTypeCode = 'PRSF' AND i.GoodCode = o.GoodCode"),
              0);
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THGoodSpecFixLog f JOIN THGoodSpec i ON i.IDC = f.IncomeSpecID "
                             "JOIN THGoodSpec o ON o.IDC = f.OutcomeSpecID WHERE i.GoodCode <> o.GoodCode"),
              0);
    // A return row is linked to the row it returns and does not return more than was sold.
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THGoodContent c JOIN THGoodSpec r ON r.IDC = c.SpecID "
                             "JOIN THGoodSpec s ON s.IDC = c.CorSpecID WHERE c.LinkKindCode = 'GR' "
                             "AND (r.GoodCode <> s.GoodCode OR r.AmountAccount > s.AmountAccount)"),
              0);
}

TEST(DemoCompany, ReferencesHoldTogether)
{
    auto db = OpenDemoDatabase();
    // Every employee has exactly one primary department, and users are persons.
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM (SELECT EmployeeCode FROM REFStaffMember GROUP BY EmployeeCode "
                             "HAVING sum(IsPrimary) <> 1) x"),
              0);
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM REFStaffMember WHERE IsPrimary = 0"), 0);
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM REFPerson p LEFT JOIN \"user\" u ON u.IDC = p.UserID "
                             "WHERE p.UserID IS NOT NULL AND u.IDC IS NULL"),
              0);
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THDocument d LEFT JOIN REFPerson p ON p.UserID = d.Author "
                             "WHERE p.Code IS NULL"),
              0);
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THDocument d LEFT JOIN REFDepartment p ON p.Code = d.Department "
                             "WHERE d.Department IS NOT NULL AND p.Code IS NULL"),
              0);
    // Client managers, one main "MATS" person at most, all of them staff.
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM REFClientPerson WHERE PersonRoleCode = 'MATS' AND IsMain = 1"), 100);
    EXPECT_EQ(QueryCount(db,
                         "SELECT count(*) FROM (SELECT ClientCode FROM REFClientPerson WHERE PersonRoleCode = 'MATS' "
                         "AND IsMain = 1 GROUP BY ClientCode HAVING count(*) > 1) x"),
              0);
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM REFClientPerson cp LEFT JOIN REFStaffMember s "
                             "ON s.EmployeeCode = cp.PersonCode LEFT JOIN REFClient c ON c.Code = cp.ClientCode "
                             "WHERE s.IDC IS NULL OR c.Code IS NULL"),
              0);
    // Trees: every parent exists and is a group.
    for (const char* table : {"REFClient", "REFGood", "REFDepartment"})
        EXPECT_EQ(QueryCount(db, std::string("SELECT count(*) FROM ") + table + " c LEFT JOIN " + table +
                                     " p ON p.Code = c.Parent WHERE c.Parent IS NOT NULL AND "
                                     "(p.Code IS NULL OR p.IsGroup <> 1)"),
                  0)
            << table;
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM REFClient WHERE IsSubsidiary = 1"), 0);
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM REFClient WHERE IsPerson = 1"), 0);
    EXPECT_EQ(QueryCount(db,
                         "SELECT count(*) FROM REFClient c LEFT JOIN REFClientMarketGr g ON g.Code = c.MarketGrCode "
                         "WHERE c.IsGroup = 0 AND g.Code IS NULL"),
              0);
    // Each good has exactly one accounting unit and one common unit.
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM REFGood g LEFT JOIN (SELECT GoodCode, sum(IsAccount) AS a, "
                             "sum(IsCommon) AS c FROM REFGoodUnit GROUP BY GoodCode) u ON u.GoodCode = g.Code "
                             "WHERE g.IsGroup = 0 AND (u.a IS DISTINCT FROM 1 OR u.c IS DISTINCT FROM 1)"),
              0);
}
