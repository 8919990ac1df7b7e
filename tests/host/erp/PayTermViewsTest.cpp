#include "ErpTestQueries.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <string>

using Talvex::Testing::OpenDemoDatabase;
using Talvex::Testing::QueryCount;

namespace {

// Each document's open amount computed straight from its total and its links, with only the
// payments dated up to the given date (or all of them).
std::string OpenByLinks(const std::string& payToDate)
{
    const std::string dateCondition = payToDate.empty() ? "" : " AND p.DocumentDate <= '" + payToDate + "'";
    return "SELECT d.IDC, d.Summa, GREATEST(d.Summa - COALESCE((SELECT sum(ps.SummaCur) FROM THPaySpec ps "
           "JOIN THDocument p ON p.IDC = ps.DocID WHERE ps.CorDocID = d.IDC" +
           dateCondition +
           "), 0), 0) AS Open "
           "FROM THDocument d WHERE d.DocTypeCode <> 'CPAY' AND d.Summa >= 0";
}

} // namespace

TEST(PayTermViews, TermsSpreadTheTotalAndLeaveOpenWhatIsNotPaid)
{
    auto db = OpenDemoDatabase();
    for (const std::string source :
         {"THDocumentPayTermCur", "THDocumentPayTermExt('2025-09-30')", "THDocumentPayTermExt('2026-06-15')"}) {
        const std::string payToDate = source == "THDocumentPayTermCur" ? "" : source.substr(22, 10);
        EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM (" + OpenByLinks(payToDate) +
                                     ") o "
                                     "LEFT JOIN (SELECT IDC, sum(Summa) AS Summa, sum(DebtSumma) AS Debt, "
                                     "min(DocSumma) AS DocSumma, max(DocSumma) AS DocSummaMax FROM " +
                                     source +
                                     " GROUP BY IDC) v ON v.IDC = o.IDC "
                                     "WHERE v.IDC IS NULL OR v.Summa <> o.Summa OR v.Debt <> o.Open "
                                     "OR v.DocSumma <> o.Summa OR v.DocSummaMax <> o.Summa"),
                  0)
            << source;
        // No term is open or paid beyond its own sum.
        EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM " + source +
                                     " t WHERE t.DocSumma >= 0 AND (t.DebtSumma < 0 "
                                     "OR t.DebtSumma > t.Summa OR t.PaySumma + t.DebtSumma <> t.Summa)"),
                  0)
            << source;
        // A credit (a negative total, nothing linked) stays open towards zero.
        EXPECT_EQ(
            QueryCount(db, "SELECT count(*) FROM " + source + " t WHERE t.DocSumma < 0 AND t.DebtSumma <> t.Summa"), 0)
            << source;
    }
    // The cases that matter for the reports all occur: fully paid (no open term, closed),
    // partly paid, and documents in several terms.
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM (SELECT IDC FROM THDocumentPayTermCur WHERE DocTypeCode = 'PRSF' "
                             "GROUP BY IDC HAVING sum(DebtSumma) = 0 AND min(IsClosed) = 1) x"),
              100);
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THDocumentPayTermCur WHERE IsClosed = 1 AND DebtSumma <> 0 "
                             "AND DocTypeCode <> 'CPAY'"),
              0);
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM (SELECT IDC FROM THDocumentPayTermCur GROUP BY IDC "
                             "HAVING sum(DebtSumma) > 0 AND sum(DebtSumma) < min(DocSumma)) x"),
              10);
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM (SELECT IDC FROM THDocumentPayTermCur GROUP BY IDC "
                             "HAVING count(*) >= 2) x"),
              10);
}

TEST(PayTermViews, PaymentsSettleTheEarliestTermsFirst)
{
    auto db = OpenDemoDatabase();
    // A term that is still (partly) open is never followed by one that is (partly) paid. (The
    // lines of a cash plan are settled one by one, each by its own payment.)
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THDocumentPayTermCur a JOIN THDocumentPayTermCur b "
                             "ON b.IDC = a.IDC AND b.PosNumb > a.PosNumb "
                             "WHERE a.DebtSumma > 0 AND b.PaySumma > 0 AND a.DocTypeCode <> 'CPAY'"),
              0);
    // Stored terms keep their due dates and ids.
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THDocumentPayTermCur v JOIN THDocumentPayTerm t ON t.IDC = v.TermId "
                             "WHERE t.DocID <> v.IDC OR v.NeedPayDate <> v.DocumentDate + t.PayTerm "
                             "OR v.Summa <> t.Summa"),
              0);
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THDocumentPayTerm t LEFT JOIN THDocumentPayTermCur v "
                             "ON v.TermId = t.IDC WHERE v.IDC IS NULL"),
              0);
    // A document without stored terms is due on its date, in one row.
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THDocumentPayTermCur v WHERE v.DocTypeCode <> 'CPAY' "
                             "AND NOT EXISTS (SELECT 1 FROM THDocumentPayTerm t WHERE t.DocID = v.IDC) "
                             "AND (v.NeedPayDate <> v.DocumentDate OR v.PosNumb <> 1)"),
              0);
}

TEST(PayTermViews, DebtVariantsKeepOnlyOpenTermsAndCashPlanLinesAreTerms)
{
    auto db = OpenDemoDatabase();
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THDocumentPayTermDbt('2026-03-31')"),
              QueryCount(db, "SELECT count(*) FROM THDocumentPayTermExt('2026-03-31') WHERE DebtSumma <> 0"));
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THDocPayTermCurDbt"),
              QueryCount(db, "SELECT count(*) FROM THDocumentPayTermCur WHERE DebtSumma <> 0"));
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM THDocPayTermCurDbt"), 0);
    // Cash-plan lines: one term each, on the line's date, settled by the line's payment.
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THGoodSpecCPAY c JOIN THGoodSpec gs ON gs.DocID = c.DocID "
                             "AND gs.PosNumb = c.PosNumb LEFT JOIN THDocumentPayTermCur v ON v.IDC = c.DocID "
                             "AND v.PosNumb = c.PosNumb WHERE v.IDC IS NULL OR v.NeedPayDate <> c.NeedPayDate "
                             "OR v.Summa <> gs.Summa "
                             "OR v.DebtSumma <> CASE WHEN c.PayDocId IS NULL THEN gs.Summa ELSE 0 END"),
              0);
}

// Hand-worked cases on rows of their own, rolled back afterwards.
TEST(PayTermViews, HandWorkedTermsCutBackFillUpAndFollowThePaymentDate)
{
    auto db = OpenDemoDatabase();
    Talvex::Data::Transaction tx(db);
    auto insertDocument = [&](const char* type, const char* date, const char* summa) {
        return QueryCount(db,
                          std::string("INSERT INTO THDocument (DocTypeCode, DocumentDate, Summa, IsPosted) VALUES ('") +
                              type + "', '" + date + "', " + summa + ", 1) RETURNING IDC");
    };
    // 100 due in terms of 60 (10 days) and 70 (30 days): the later term is cut to 40.
    const auto over = insertDocument("PRSF", "2026-01-10", "100");
    db.QueryPostgres("INSERT INTO THDocumentPayTerm (DocID, PayTerm, Summa) VALUES ($1, 30, 70), ($1, 10, 60)",
                     {Talvex::Value(over)});
    // 100 with one term of 30 (5 days): the uncovered 70 is one more term, due with it.
    const auto under = insertDocument("PISF", "2026-01-10", "100");
    db.QueryPostgres("INSERT INTO THDocumentPayTerm (DocID, PayTerm, Summa) VALUES ($1, 5, 30)",
                     {Talvex::Value(under)});
    // Payments of 50 on 2026-01-15 and 30 on 2026-02-15 to the first document.
    const auto early = insertDocument("MPP", "2026-01-15", "50");
    const auto late = insertDocument("MPP", "2026-02-15", "30");
    db.QueryPostgres(
        "INSERT INTO THPaySpec (DocID, CorDocID, Summa, SummaCur) VALUES ($1, $3, 50, 50), ($2, $3, 30, 30)",
        {Talvex::Value(early), Talvex::Value(late), Talvex::Value(over)});

    auto terms = [&](std::int64_t id, const char* source) {
        std::string text;
        auto rs = db.QueryPostgres(std::string("SELECT PosNumb, NeedPayDate::text, Summa, PaySumma, DebtSumma, "
                                               "(TermId IS NULL)::int, IsClosed FROM ") +
                                       source + " WHERE IDC = $1 ORDER BY PosNumb",
                                   {Talvex::Value(id)});
        for (const auto& row : rs.rows) {
            for (const auto& v : row)
                text += v.ToText() + " ";
            text += "| ";
        }
        return text;
    };
    EXPECT_EQ(terms(over, "THDocumentPayTermCur"), "1 2026-01-20 60 60 0 0 0 | 2 2026-02-09 40 20 20 0 0 | ");
    EXPECT_EQ(terms(over, "THDocumentPayTermExt('2026-01-31')"),
              "1 2026-01-20 60 50 10 0 0 | 2 2026-02-09 40 0 40 0 0 | ");
    EXPECT_EQ(terms(over, "THDocumentPayTermExt('2026-01-14')"),
              "1 2026-01-20 60 0 60 0 0 | 2 2026-02-09 40 0 40 0 0 | ");
    EXPECT_EQ(terms(over, "THDocumentPayTermDbt('2026-01-31')"),
              "1 2026-01-20 60 50 10 0 0 | 2 2026-02-09 40 0 40 0 0 | ");
    EXPECT_EQ(terms(under, "THDocumentPayTermCur"), "1 2026-01-15 30 0 30 0 0 | 2 2026-01-15 70 0 70 1 0 | ");

    // Paying the rest closes the document; the debt views then drop it.
    const auto rest = insertDocument("MPP", "2026-03-01", "20");
    db.QueryPostgres("INSERT INTO THPaySpec (DocID, CorDocID, Summa, SummaCur) VALUES ($1, $2, 20, 20)",
                     {Talvex::Value(rest), Talvex::Value(over)});
    EXPECT_EQ(terms(over, "THDocumentPayTermCur"), "1 2026-01-20 60 60 0 0 1 | 2 2026-02-09 40 40 0 0 1 | ");
    EXPECT_EQ(terms(over, "THDocPayTermCurDbt"), "");
    EXPECT_EQ(terms(over, "THDocumentPayTermDbt('2026-02-20')"), "2 2026-02-09 40 20 20 0 0 | ");
}
