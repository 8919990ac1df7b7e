#include "support/PayTermRecount.hpp"

#include <string_view>
#include <vector>

namespace Talvex::Testing {
namespace {

// Every document's terms and payments worked out per document on each read.
constexpr std::string_view kPayTermRecount = R"sql(
CREATE OR REPLACE FUNCTION pg_temp.PayTermRecount(PayToDate DATE)
RETURNS SETOF THDocPayTermRow
LANGUAGE sql STABLE AS $$
    SELECT d.IDC, d.DocTypeCode, d.Number, d.CurrencyCode, d.DocumentDate, d.Summa,
           t.Summa,
           (t.Summa - t.Debt)::NUMERIC(19,4),
           t.Debt::NUMERIC(19,4),
           d.IsPosted, d.DocumentDate + t.PayTerm, d.ParentID,
           (CASE WHEN d.IsPayClosed = 1 OR paid.Sign * (d.Summa - paid.Paid) <= 0 THEN 1 ELSE 0 END)::SMALLINT,
           t.PosNumb, t.TermId, t.PayTerm
    FROM THDocument d
    CROSS JOIN LATERAL (
        -- A negative document (a credit) is settled towards zero like a positive one.
        SELECT COALESCE(SUM(ps.SummaCur), 0) AS Paid, CASE WHEN d.Summa < 0 THEN -1 ELSE 1 END AS Sign
        FROM THPaySpec ps JOIN THDocument pd ON pd.IDC = ps.DocID
        WHERE ps.CorDocID = d.IDC AND (PayToDate IS NULL OR pd.DocumentDate <= PayToDate)
    ) paid
    CROSS JOIN LATERAL (
        SELECT r.TermId, r.PosNumb, r.PayTerm, r.Summa,
               paid.Sign * GREATEST(0, LEAST(paid.Sign * r.Summa, paid.Sign * (r.Through - paid.Paid))) AS Debt
        FROM (
            SELECT p.TermId, p.PosNumb, p.PayTerm, p.Summa,
                   SUM(p.Summa) OVER (ORDER BY p.PayTerm, p.PosNumb) AS Through
            FROM (
                SELECT s.TermId, s.PosNumb::INTEGER AS PosNumb, s.PayTerm,
                       LEAST(s.Summa, GREATEST(d.Summa - s.Before, 0)) AS Summa
                FROM (
                    SELECT t.IDC AS TermId, t.PayTerm, t.Summa,
                           SUM(t.Summa) OVER w - t.Summa AS Before,
                           ROW_NUMBER() OVER w AS PosNumb
                    FROM THDocumentPayTerm t
                    WHERE t.DocID = d.IDC
                    WINDOW w AS (ORDER BY t.PayTerm, t.IDC)
                ) s
                UNION ALL
                SELECT NULL, (COUNT(*) + 1)::INTEGER, MAX(t.PayTerm), d.Summa - SUM(t.Summa)
                FROM THDocumentPayTerm t
                WHERE t.DocID = d.IDC
                HAVING COUNT(*) > 0 AND d.Summa > SUM(t.Summa)
                UNION ALL
                SELECT NULL, 1, 0, d.Summa
                WHERE NOT EXISTS (SELECT 1 FROM THDocumentPayTerm t WHERE t.DocID = d.IDC)
            ) p
        ) r
    ) t
    WHERE d.DocTypeCode <> 'CPAY'
    UNION ALL
    SELECT d.IDC, d.DocTypeCode, d.Number, d.CurrencyCode, d.DocumentDate, d.Summa,
           gs.Summa,
           CASE WHEN settled.IDC IS NULL THEN 0 ELSE gs.Summa END,
           CASE WHEN settled.IDC IS NULL THEN gs.Summa ELSE 0 END,
           d.IsPosted, COALESCE(c.NeedPayDate, d.DocumentDate), d.ParentID, d.IsClosed,
           gs.PosNumb, NULL, COALESCE(c.NeedPayDate, d.DocumentDate) - d.DocumentDate
    FROM THDocument d
    JOIN THGoodSpec gs ON gs.DocID = d.IDC
    LEFT JOIN THGoodSpecCPAY c ON c.DocID = gs.DocID AND c.PosNumb = gs.PosNumb
    LEFT JOIN THDocument settled ON settled.IDC = c.PayDocId
                                AND (PayToDate IS NULL OR settled.DocumentDate <= PayToDate)
    WHERE d.DocTypeCode = 'CPAY'
$$;)sql";

std::string Differences(Data::Connection& db, const std::string& source, const std::string& recount,
                        const std::vector<Value>& params)
{
    const std::string sql = "WITH s AS (SELECT t::text AS r FROM " + source +
                            " t), "
                            "c AS (SELECT t::text AS r FROM " +
                            recount +
                            " t) "
                            "SELECT 'extra', r FROM (SELECT r FROM s EXCEPT ALL SELECT r FROM c) x "
                            "UNION ALL SELECT 'missing', r FROM (SELECT r FROM c EXCEPT ALL SELECT r FROM s) y "
                            "ORDER BY 2 LIMIT 5";
    std::string text;
    for (const auto& row : db.QueryPostgres(sql, params).rows)
        text += source + " " + row.at(0).ToText() + ": " + row.at(1).ToText() + "\n";
    return text;
}

} // namespace

void InstallPayTermRecount(Data::Connection& db)
{
    db.ExecutePostgresScript(kPayTermRecount);
}

std::string PayTermDifferences(Data::Connection& db, const std::optional<Date>& payToDate)
{
    if (!payToDate)
        return Differences(db, "THDocumentPayTermCur", "pg_temp.PayTermRecount(NULL)", {}) +
               Differences(db, "THDocPayTermCurDbt",
                           "(SELECT * FROM pg_temp.PayTermRecount(NULL) WHERE DebtSumma <> 0)", {});
    const std::vector<Value> date{Value(*payToDate)};
    return Differences(db, "THDocumentPayTermExt($1)", "pg_temp.PayTermRecount($1)", date) +
           Differences(db, "THDocumentPayTermDbt($1)",
                       "(SELECT * FROM pg_temp.PayTermRecount($1) WHERE DebtSumma <> 0)", date);
}

} // namespace Talvex::Testing
