#include "host/data/Connection.hpp"
#include "host/erp/internal/LedgerStages.hpp"

#include <array>
#include <string>
#include <string_view>

namespace Talvex::Erp::Ledger {
namespace {

// Posted documents of the period with the rate of their currency on their date and the party
// on each side: the buyer (PIR), the vendor or payee (PAR, VEZ, GAV, GAVP) and the payer
// (MOK). A private person is written as "~" + person code, as the debt lists show persons.
constexpr std::string_view kLedgerDoc = R"sql(
CREATE TEMP TABLE LedgerDoc ON COMMIT DROP AS
SELECT d.IDC, d.DocTypeCode, d.DocumentDate, d.Department, d.Summa,
       COALESCE(r.Rate, 1) AS Rate, pty.Buyer, pty.Vendor, pty.Payer
FROM THDocument d
CROSS JOIN (SELECT COALESCE((SELECT SettingValue FROM BookSetting WHERE SettingName = 'AccountCurrency'), 'EUR') AS Code) a
LEFT JOIN REFCurrency c ON c.Code = d.CurrencyCode
LEFT JOIN LATERAL (
    SELECT cr.Rate
    FROM REFCurrencyRate cr
    WHERE d.CurrencyCode <> a.Code AND cr.CurrencyCode = d.CurrencyCode
      AND cr.RateTypeCode = c.DefaultRateType AND cr.DateApply <= d.DocumentDate
    ORDER BY cr.DateApply DESC
    LIMIT 1
) r ON TRUE
LEFT JOIN (
    SELECT p.DocID,
           max(x.Code) FILTER (WHERE p.RolePartyCode = 'PIR') AS Buyer,
           COALESCE(max(x.Code) FILTER (WHERE p.RolePartyCode = 'PAR'),
                    max(x.Code) FILTER (WHERE p.RolePartyCode = 'VEZ'),
                    max(x.Code) FILTER (WHERE p.RolePartyCode = 'GAV'),
                    max(x.Code) FILTER (WHERE p.RolePartyCode = 'GAVP')) AS Vendor,
           max(x.Code) FILTER (WHERE p.RolePartyCode = 'MOK') AS Payer
    FROM THPartyAttribute p
    CROSS JOIN LATERAL (SELECT CASE WHEN p.PartyType = 2 THEN '~' || p.PartyCode ELSE p.PartyCode END) AS x (Code)
    GROUP BY p.DocID
) pty ON pty.DocID = d.IDC
WHERE d.IsPosted = 1 AND d.DocumentDate BETWEEN DATE '2025-01-01' AND DATE '2026-12-31'
)sql";

// The ledger account of each vendor or payee: carriers and service vendors (those with "TPPI" or
// "TID" invoices and no goods bought) on 4502, vendors paid as their goods sell (and about one in five others) on
// the consignment account 4501, the rest on 443.
constexpr std::string_view kVendorAccount = R"sql(
CREATE TEMP TABLE LedgerVendorAccount ON COMMIT DROP AS
SELECT v.Vendor,
       CASE WHEN v.IsCarrier THEN '4502'
            WHEN v.IsPayOnSell OR pg_temp.ledger_hash(v.N, 20) % 5 = 0 THEN '4501'
            ELSE '443' END::VARCHAR AS AccCode
FROM (
    SELECT d.Vendor,
           count(*) FILTER (WHERE d.DocTypeCode IN ('TPPI', 'TID')) > 0
               AND count(*) FILTER (WHERE d.DocTypeCode IN ('PISF', 'PGA', 'PISD', 'BCN', 'MFC')) = 0 AS IsCarrier,
           bool_or(COALESCE(pisf.IsPayOnSell, 0) = 1) AS IsPayOnSell,
           row_number() OVER (ORDER BY d.Vendor) AS N
    FROM LedgerDoc d
    LEFT JOIN THDocumentPISF pisf ON pisf.DocID = d.IDC
    WHERE d.Vendor IS NOT NULL
    GROUP BY d.Vendor
) v
)sql";

// Per document, in the accounting currency rounded to cents: Total (the document's sum), VAT,
// Net = Total - VAT split into services (service rows; the whole net of "TPPR") and goods (the
// rest), and the cost of its rows. The accounts its postings use on the vendor's and the cash
// side, and its cash-flow kind.
constexpr std::string_view kLedgerDocSums = R"sql(
CREATE TEMP TABLE LedgerDocSums ON COMMIT DROP AS
SELECT s.*, s.Net - s.ServicesNet AS GoodsNet
FROM (
    SELECT d.IDC, d.DocTypeCode, d.DocumentDate, d.Department, d.Buyer, d.Vendor, d.Payer,
           t.Total, t.VAT, t.Total - t.VAT AS Net,
           CASE WHEN d.DocTypeCode = 'TPPR' THEN t.Total - t.VAT
                WHEN d.DocTypeCode IN ('TPPI', 'TID') THEN 0
                ELSE round(COALESCE(r.ServicesNet, 0) * d.Rate, 2) END AS ServicesNet,
           round(COALESCE(r.Cost, 0), 2) AS Cost,
           COALESCE(va.AccCode, '443') AS VendorAcc,
           CASE WHEN d.DocTypeCode IN ('KOP', 'KVT', 'KOI') THEN '272' ELSE '271' END AS CashAcc,
           fk.AnalytObjectCode AS FlowKind
    FROM LedgerDoc d
    LEFT JOIN (
        SELECT gs.DocID,
               sum(COALESCE(v.SummVAT, 0)) AS VAT,
               sum(CASE WHEN gs.GoodCode = 'C1' OR COALESCE(g.Category, 0) <> 0
                        THEN gs.Summa - COALESCE(v.SummVAT, 0) ELSE 0 END) AS ServicesNet,
               sum(gs.CostSumm) AS Cost
        FROM THGoodSpec gs
        JOIN LedgerDoc ld ON ld.IDC = gs.DocID
        LEFT JOIN REFGood g ON g.Code = gs.GoodCode
        LEFT JOIN ({vat_rows}) v ON v.DocID = gs.DocID AND v.PosNumb = gs.PosNumb
        GROUP BY gs.DocID
    ) r ON r.DocID = d.IDC
    CROSS JOIN LATERAL (SELECT round(d.Summa * d.Rate, 2) AS Total,
                               round(COALESCE(r.VAT, 0) * d.Rate, 2) AS VAT) t
    LEFT JOIN LedgerVendorAccount va ON va.Vendor = d.Vendor
    LEFT JOIN GLContAnalytDoc fk ON fk.DocID = d.IDC AND fk.AnalytTypeCode = 'CF'
) s
)sql";

// Row tables of the types whose rows carry VAT.
constexpr std::array<std::string_view, 16> kVatRowTypes{"PRSF", "PISF", "GPG", "PGA", "PRSD", "PISD", "BCN", "SCN",
                                                        "TPPR", "TPPI", "TID", "HR",  "HS",   "RD",   "RDG", "POSF"};

constexpr std::string_view kLedgerEntry = R"sql(
CREATE TEMP TABLE LedgerEntry (
    Seq BIGINT GENERATED ALWAYS AS IDENTITY,
    AccSetCode VARCHAR(10) NOT NULL,
    DebetAccCode VARCHAR(20) NOT NULL,
    CreditAccCode VARCHAR(20) NOT NULL,
    SumAcc NUMERIC(19,4) NOT NULL,
    DatePost DATE NOT NULL,
    DocId INTEGER,
    Comment VARCHAR(200),
    DebetType VARCHAR(10),
    DebetObject VARCHAR(30),
    CreditType VARCHAR(10),
    CreditObject VARCHAR(30)
) ON COMMIT DROP
)sql";

// How a kind of document is posted: SQL expressions over LedgerDocSums "s" for the two
// accounts, the amount and the analytic object of each side. An amount of 0 posts nothing.
struct PostingRule {
    std::string_view types;
    std::string_view debit;
    std::string_view debitType;
    std::string_view debitObject;
    std::string_view credit;
    std::string_view creditType;
    std::string_view creditObject;
    std::string_view amount;
    std::string_view comment;
};

constexpr std::string_view kSales = "'PRSF', 'SCN', 'TPPR', 'HR', 'HS', 'RD', 'RDG', 'POSF'";
constexpr std::string_view kPurchases = "'PISF', 'BCN', 'MFC', 'TPPI', 'TID'";
constexpr std::string_view kPurchaseExpense =
    "CASE s.DocTypeCode WHEN 'TPPI' THEN '610' WHEN 'TID' THEN '620' ELSE '201' END";

// Sales debit the buyer on 240 against income (by department) and VAT payable, and move their
// cost from stock to the cost of sales; returns and discounts reverse the sale onto 509.
// Purchases credit the vendor's account against stock or expenses and VAT receivable; returns
// to the vendor and vendor discounts reverse them. Money received credits the payer on 240,
// money paid debits the payee's account; set-offs move a client's debt between the two sides;
// exchange differences end on 521 or 631.
constexpr std::array<PostingRule, 16> kPostingRules{{
    {kSales, "'240'", "'CL'", "s.Buyer", "'500'", "'DP'", "s.Department", "s.GoodsNet", "'Prekių pardavimas'"},
    {kSales, "'240'", "'CL'", "s.Buyer", "'505'", "'DP'", "s.Department", "s.ServicesNet", "'Paslaugų pardavimas'"},
    {kSales, "'240'", "'CL'", "s.Buyer", "'449'", "NULL", "NULL", "s.VAT", "'Pardavimo PVM'"},
    {kSales, "'600'", "'DP'", "s.Department", "'201'", "NULL", "NULL", "s.Cost", "'Pardavimo savikaina'"},
    {"'GPG', 'PRSD'", "'509'", "'DP'", "s.Department", "'240'", "'CL'", "s.Buyer", "s.Net", "'Grąžinimas, nuolaida'"},
    {"'GPG', 'PRSD'", "'449'", "NULL", "NULL", "'240'", "'CL'", "s.Buyer", "s.VAT", "'Grąžinimo PVM'"},
    {"'GPG'", "'201'", "NULL", "NULL", "'600'", "'DP'", "s.Department", "s.Cost", "'Grąžintų prekių savikaina'"},
    {kPurchases, kPurchaseExpense, "NULL", "NULL", "s.VendorAcc", "'CL'", "s.Vendor", "s.GoodsNet", "'Pirkimas'"},
    {kPurchases, "'620'", "NULL", "NULL", "s.VendorAcc", "'CL'", "s.Vendor", "s.ServicesNet", "'Paslaugų pirkimas'"},
    {kPurchases, "'244'", "NULL", "NULL", "s.VendorAcc", "'CL'", "s.Vendor", "s.VAT", "'Pirkimo PVM'"},
    {"'PGA', 'PISD'", "s.VendorAcc", "'CL'", "s.Vendor", "'201'", "NULL", "NULL", "s.Net",
     "'Grąžinimas tiekėjui, nuolaida'"},
    {"'PGA', 'PISD'", "s.VendorAcc", "'CL'", "s.Vendor", "'244'", "NULL", "NULL", "s.VAT", "'Grąžinimo tiekėjui PVM'"},
    {"'KOP', 'KVT', 'MPP', 'MPPT', 'MOK', 'MOKD'", "s.CashAcc", "'CF'", "s.FlowKind", "'240'", "'CL'",
     "COALESCE(s.Payer, s.Buyer, s.Vendor)", "s.Total", "'Gauti pinigai'"},
    {"'KOI', 'MP', 'MPT', 'GAV', 'GAVP', 'BMO'", "s.VendorAcc", "'CL'", "COALESCE(s.Vendor, s.Buyer, s.Payer)",
     "s.CashAcc", "'CF'", "s.FlowKind", "s.Total", "'Sumokėti pinigai'"},
    {"'SUSM', 'USM'", "s.VendorAcc", "'CL'", "s.Vendor", "'240'", "'CL'", "s.Buyer", "s.Total", "'Įskaitymas'"},
    {"'BUSM'", "CASE WHEN s.Total >= 0 THEN '240' ELSE '631' END", "'CL'",
     "CASE WHEN s.Total >= 0 THEN COALESCE(s.Buyer, s.Vendor, s.Payer) END",
     "CASE WHEN s.Total >= 0 THEN '521' ELSE '240' END", "'CL'",
     "CASE WHEN s.Total < 0 THEN COALESCE(s.Buyer, s.Vendor, s.Payer) END", "abs(s.Total)", "'Valiutų kursų įtaka'"},
}};

// Entries without a document, made at every month's end in the order below, then the opening
// balance sheet on the first day, which depends on all of them.
//   rent paid from the bank and depreciation of the fixed assets;
//   VAT: the month's input VAT set off against the output VAT, the rest paid to (or refunded
//   by) the tax office through the bank;
//   the cash desk handed over to the bank (or topped up from it), so that it keeps its
//   opening float.
constexpr std::string_view kMonthlyEntries = R"sql(
INSERT INTO LedgerEntry (AccSetCode, DebetAccCode, CreditAccCode, SumAcc, DatePost, Comment)
SELECT '1', m.Debet, m.Credit, m.SumAcc, g.MonthEnd, m.Comment
FROM (
    SELECT (month + interval '1 month' - interval '1 day')::DATE AS MonthEnd, n
    FROM generate_series(DATE '2025-01-01', DATE '2026-12-31', interval '1 month') WITH ORDINALITY AS s (month, n)
) g
CROSS JOIN LATERAL (VALUES
    (1, '612', '271', 2000.00 + pg_temp.ledger_hash(g.n, 30) % 800, 'Patalpų nuoma'),
    (2, '620', '129', 1650.00, 'Nusidėvėjimas')
) AS m (N, Debet, Credit, SumAcc, Comment)
ORDER BY g.n, m.N;

INSERT INTO LedgerEntry (AccSetCode, DebetAccCode, CreditAccCode, SumAcc, DatePost, Comment)
SELECT '1', v.Debet, v.Credit, v.SumAcc, m.MonthEnd, v.Comment
FROM (
    SELECT (date_trunc('month', DatePost) + interval '1 month' - interval '1 day')::DATE AS MonthEnd,
           sum(CASE WHEN DebetAccCode = '244' THEN SumAcc WHEN CreditAccCode = '244' THEN -SumAcc ELSE 0 END) AS InputVAT,
           sum(CASE WHEN CreditAccCode = '449' THEN SumAcc WHEN DebetAccCode = '449' THEN -SumAcc ELSE 0 END) AS OutputVAT
    FROM LedgerEntry
    WHERE AccSetCode = '1'
    GROUP BY 1
) m
CROSS JOIN LATERAL (VALUES
    (1, '449', '244', m.InputVAT, 'PVM atskaita'),
    (2, '449', '271', m.OutputVAT - m.InputVAT, 'PVM sumokėjimas')
) AS v (N, Debet, Credit, SumAcc, Comment)
WHERE v.SumAcc <> 0
ORDER BY m.MonthEnd, v.N;

INSERT INTO LedgerEntry (AccSetCode, DebetAccCode, CreditAccCode, SumAcc, DatePost, Comment)
SELECT '1', '271', '272', m.CashIn, m.MonthEnd, 'Grynieji pinigai į banką'
FROM (
    SELECT (date_trunc('month', DatePost) + interval '1 month' - interval '1 day')::DATE AS MonthEnd,
           sum(CASE WHEN DebetAccCode = '272' THEN SumAcc WHEN CreditAccCode = '272' THEN -SumAcc ELSE 0 END) AS CashIn
    FROM LedgerEntry
    WHERE AccSetCode = '1'
    GROUP BY 1
) m
WHERE m.CashIn <> 0
ORDER BY m.MonthEnd;
)sql";

// Interest the bank credited once, at the end of the first year: other financial income that
// the second year no longer moves, while 639 is never posted to. The statements of the second
// year thus hold an income account with a balance and no turnover, and one with neither.
constexpr std::string_view kYearEndEntries = R"sql(
INSERT INTO LedgerEntry (AccSetCode, DebetAccCode, CreditAccCode, SumAcc, DatePost, Comment)
VALUES ('1', '271', '529', 120.00, DATE '2025-12-31', 'Banko palūkanos')
)sql";

// The opening balance sheet: fixed assets and the cash float from the owners, stock enough to
// cover what the period sells beyond what it buys, and money in the bank enough to pay what
// the period pays beyond what it receives, from retained earnings.
constexpr std::string_view kOpeningEntries = R"sql(
INSERT INTO LedgerEntry (AccSetCode, DebetAccCode, CreditAccCode, SumAcc, DatePost, Comment)
SELECT '1', o.Debet, o.Credit, o.SumAcc, DATE '2025-01-01', 'Pradiniai likučiai'
FROM (VALUES
    (1, '120', '301', 150000.00),
    (2, '123', '301', 48000.00),
    (3, '272', '301', 3000.00),
    (4, '271', '341', 60000.00 + greatest(0,
        (SELECT COALESCE(sum(SumAcc), 0) FROM LedgerEntry WHERE CreditAccCode = '271')
      - (SELECT COALESCE(sum(SumAcc), 0) FROM LedgerEntry WHERE DebetAccCode = '271'))),
    (5, '201', '341', 20000.00 + greatest(0,
        (SELECT COALESCE(sum(SumAcc), 0) FROM LedgerEntry WHERE CreditAccCode = '201')
      - (SELECT COALESCE(sum(SumAcc), 0) FROM LedgerEntry WHERE DebetAccCode = '201')))
) AS o (N, Debet, Credit, SumAcc)
ORDER BY o.N
)sql";

// The cash-flow budget: for every month and cash-flow kind a planned amount on the budget
// account, receipts on its debit and payments on its credit (kinds alternate between the two).
constexpr std::string_view kBudget = R"sql(
INSERT INTO LedgerEntry (AccSetCode, DebetAccCode, CreditAccCode, SumAcc, DatePost, Comment,
                         DebetType, DebetObject, CreditType, CreditObject)
SELECT 'B',
       CASE WHEN k.n % 2 = 1 THEN 'BSP' ELSE 'BRZ' END,
       CASE WHEN k.n % 2 = 1 THEN 'BRZ' ELSE 'BSP' END,
       1000.00 * (5 + pg_temp.ledger_hash(g.n * 100 + k.n, 40) % 45),
       g.month::DATE, 'Biudžetas',
       CASE WHEN k.n % 2 = 1 THEN 'CF' END, CASE WHEN k.n % 2 = 1 THEN k.Code END,
       CASE WHEN k.n % 2 = 0 THEN 'CF' END, CASE WHEN k.n % 2 = 0 THEN k.Code END
FROM generate_series(DATE '2025-01-01', DATE '2026-12-31', interval '1 month') WITH ORDINALITY AS g (month, n)
CROSS JOIN (SELECT Code, row_number() OVER (ORDER BY Code) AS n FROM REFPaymentType) k
ORDER BY g.n, k.n
)sql";

// The staged entries become postings with ids after the last one in use; a negative amount
// turns the posting round, with its analytics.
constexpr std::string_view kWritePostings = R"sql(
CREATE TEMP TABLE LedgerBase ON COMMIT DROP AS SELECT COALESCE(max(IDC), 0) AS Base FROM GLAccountPost;

INSERT INTO GLAccountPost (IDC, AccSetCode, DebetAccCode, CreditAccCode, SumAcc, DatePost, DocId, IsPosted, Comment)
SELECT b.Base + e.Seq, e.AccSetCode,
       CASE WHEN e.SumAcc < 0 THEN e.CreditAccCode ELSE e.DebetAccCode END,
       CASE WHEN e.SumAcc < 0 THEN e.DebetAccCode ELSE e.CreditAccCode END,
       abs(e.SumAcc), e.DatePost, e.DocId, 1, e.Comment
FROM LedgerEntry e
CROSS JOIN LedgerBase b
ORDER BY e.Seq;

INSERT INTO GLAnalytPost (AccPostID, IsDebet, AnalytTypeCode, AnalytObjectCode)
SELECT a.AccPostID, a.IsDebet, a.AnalytTypeCode, a.AnalytObjectCode
FROM (
    SELECT b.Base + e.Seq AS AccPostID, CASE WHEN e.SumAcc < 0 THEN 0 ELSE 1 END AS IsDebet,
           e.DebetType AS AnalytTypeCode, e.DebetObject AS AnalytObjectCode
    FROM LedgerEntry e CROSS JOIN LedgerBase b
    WHERE e.DebetType IS NOT NULL AND e.DebetObject IS NOT NULL
    UNION ALL
    SELECT b.Base + e.Seq, CASE WHEN e.SumAcc < 0 THEN 1 ELSE 0 END, e.CreditType, e.CreditObject
    FROM LedgerEntry e CROSS JOIN LedgerBase b
    WHERE e.CreditType IS NOT NULL AND e.CreditObject IS NOT NULL
) a
ORDER BY a.AccPostID, a.IsDebet DESC;

SELECT setval(pg_get_serial_sequence('glaccountpost', 'idc'), greatest(1, (SELECT max(IDC) FROM GLAccountPost)));
)sql";

std::string VatRowsSql(Data::Connection& db)
{
    std::string sql;
    for (std::string_view type : kVatRowTypes) {
        const std::string table = "thgoodspec" + std::string(type);
        auto exists = db.QueryPostgres("SELECT to_regclass($1) IS NOT NULL", {Value(table)});
        if (!exists.rows.at(0).at(0).ToBool()) continue;
        if (!sql.empty()) sql += " UNION ALL ";
        sql += "SELECT DocID, PosNumb, SummVAT FROM " + table;
    }
    if (sql.empty()) sql = "SELECT NULL::INTEGER AS DocID, NULL::INTEGER AS PosNumb, NULL::NUMERIC AS SummVAT";
    return sql;
}

std::string Replace(std::string text, std::string_view slot, std::string_view value)
{
    const auto at = text.find(slot);
    if (at != std::string::npos) text.replace(at, slot.size(), value);
    return text;
}

std::string RuleSql(const PostingRule& rule)
{
    std::string sql = "INSERT INTO LedgerEntry (AccSetCode, DebetAccCode, CreditAccCode, SumAcc, DatePost, DocId, "
                      "Comment, DebetType, DebetObject, CreditType, CreditObject) SELECT '1', ";
    sql += std::string(rule.debit) + ", " + std::string(rule.credit) + ", " + std::string(rule.amount) +
           ", s.DocumentDate, s.IDC, " + std::string(rule.comment) + ", " + std::string(rule.debitType) + ", " +
           std::string(rule.debitObject) + ", " + std::string(rule.creditType) + ", " + std::string(rule.creditObject);
    sql += " FROM LedgerDocSums s WHERE s.DocTypeCode IN (" + std::string(rule.types) + ") AND " +
           std::string(rule.amount) + " <> 0 ORDER BY s.IDC";
    return sql;
}

} // namespace

void PostLedger(Data::Connection& db)
{
    db.ExecutePostgresScript(kLedgerDoc);
    db.ExecutePostgresScript(kVendorAccount);
    db.ExecutePostgresScript(Replace(std::string(kLedgerDocSums), "{vat_rows}", VatRowsSql(db)));
    db.ExecutePostgresScript(kLedgerEntry);
    for (const PostingRule& rule : kPostingRules)
        db.ExecutePostgresScript(RuleSql(rule));
    db.ExecutePostgresScript(kMonthlyEntries);
    db.ExecutePostgresScript(kYearEndEntries);
    db.ExecutePostgresScript(kOpeningEntries);
    db.ExecutePostgresScript(kBudget);
    db.ExecutePostgresScript(kWritePostings);
}

} // namespace Talvex::Erp::Ledger
