-- Host data sources over the documents and references: the reference trees, the payment-term
-- views (one row per document and payment term, with the open part of each term) and the
-- stock-fixation sources. Parameterised sources are SQL functions the planner inlines, so a
-- caller's conditions reach the tables underneath.

-- Every code under Node, Node itself included, with its depth under Node (0 = Node). An empty
-- Node gives the whole tree.
CREATE FUNCTION REFClientT(Node VARCHAR)
RETURNS TABLE (Code VARCHAR, Name VARCHAR, Parent VARCHAR, IsGroup SMALLINT, Level INTEGER)
LANGUAGE sql STABLE AS $$
    WITH RECURSIVE tree (Code, Name, Parent, IsGroup, Level) AS (
        SELECT c.Code, c.Name, c.Parent, c.IsGroup, 0
        FROM REFClient c
        WHERE c.Code = Node OR (COALESCE(Node, '') = '' AND c.Parent IS NULL)
        UNION ALL
        SELECT c.Code, c.Name, c.Parent, c.IsGroup, tree.Level + 1
        FROM REFClient c JOIN tree ON c.Parent = tree.Code
    )
    SELECT tree.Code, tree.Name, tree.Parent, tree.IsGroup, tree.Level FROM tree
$$;

CREATE FUNCTION REFGoodT(Node VARCHAR)
RETURNS TABLE (Code VARCHAR, Name VARCHAR, Parent VARCHAR, IsGroup SMALLINT, Level INTEGER)
LANGUAGE sql STABLE AS $$
    WITH RECURSIVE tree (Code, Name, Parent, IsGroup, Level) AS (
        SELECT g.Code, g.Name, g.Parent, g.IsGroup, 0
        FROM REFGood g
        WHERE g.Code = Node OR (COALESCE(Node, '') = '' AND g.Parent IS NULL)
        UNION ALL
        SELECT g.Code, g.Name, g.Parent, g.IsGroup, tree.Level + 1
        FROM REFGood g JOIN tree ON g.Parent = tree.Code
    )
    SELECT tree.Code, tree.Name, tree.Parent, tree.IsGroup, tree.Level FROM tree
$$;

CREATE FUNCTION REFDepartmentT(Node VARCHAR)
RETURNS TABLE (Code VARCHAR, Name VARCHAR, Parent VARCHAR, IsGroup SMALLINT, Level INTEGER)
LANGUAGE sql STABLE AS $$
    WITH RECURSIVE tree (Code, Name, Parent, IsGroup, Level) AS (
        SELECT d.Code, d.Name, d.Parent, d.IsGroup, 0
        FROM REFDepartment d
        WHERE d.Code = Node OR (COALESCE(Node, '') = '' AND d.Parent IS NULL)
        UNION ALL
        SELECT d.Code, d.Name, d.Parent, d.IsGroup, tree.Level + 1
        FROM REFDepartment d JOIN tree ON d.Parent = tree.Code
    )
    SELECT tree.Code, tree.Name, tree.Parent, tree.IsGroup, tree.Level FROM tree
$$;

-- One row per document and payment term.
--   DocSumma   the document's total; Summa the term's part of it; PaySumma the part of the
--              term already paid; DebtSumma the part still open (Summa - PaySumma).
--   NeedPayDate DocumentDate + PayTerm days; PosNumb the term's place (1, 2, ...) in due order;
--   TermId the THDocumentPayTerm row, null for a term that is not stored.
--   IsClosed   1 when the whole document is paid or closed for payment.
CREATE TYPE THDocPayTermRow AS (
    IDC INTEGER,
    DocTypeCode VARCHAR,
    Number VARCHAR,
    CurrencyCode VARCHAR,
    DocumentDate DATE,
    DocSumma NUMERIC(19,4),
    Summa NUMERIC(19,4),
    PaySumma NUMERIC(19,4),
    DebtSumma NUMERIC(19,4),
    IsPosted SMALLINT,
    NeedPayDate DATE,
    ParentID INTEGER,
    IsClosed SMALLINT,
    PosNumb INTEGER,
    TermId INTEGER,
    PayTerm INTEGER
);

-- The payment terms as they stood on PayToDate: only payments dated up to PayToDate count
-- (a null PayToDate counts every payment). The rules are THDocPayTermStateOf's; each row is
-- the kept state with the payments dated after PayToDate taken back out of its document's
-- paid total, and the cash-plan lines settled after PayToDate open again. Payments are found
-- by their documents' dates, so a recent PayToDate touches few of them, and a caller's
-- conditions on the document's columns reach the state's rows and the payments alike.
CREATE FUNCTION THDocumentPayTermExt(PayToDate DATE)
RETURNS SETOF THDocPayTermRow
LANGUAGE sql STABLE AS $$
    SELECT s.IDC, s.DocTypeCode, s.Number, s.CurrencyCode, s.DocumentDate, s.DocSumma, s.Summa,
           CASE WHEN moved.Moved THEN (s.Summa - a.Debt)::NUMERIC(19,4) ELSE s.PaySumma END,
           CASE WHEN moved.Moved THEN a.Debt::NUMERIC(19,4) ELSE s.DebtSumma END,
           s.IsPosted, s.NeedPayDate, s.ParentID,
           CASE WHEN moved.Moved THEN a.IsClosed ELSE s.IsClosed END,
           s.PosNumb, s.TermId, s.PayTerm
    FROM THDocPayTermState s
    LEFT JOIN (
        SELECT ps.CorDocID, SUM(ps.SummaCur) AS Amount
        FROM THDocument pd JOIN THPaySpec ps ON ps.DocID = pd.IDC
        WHERE pd.DocumentDate > PayToDate
        GROUP BY ps.CorDocID
    ) later ON later.CorDocID = s.IDC
    -- Most documents have no payment after PayToDate: their rows stand as kept, and only the
    -- others are worked out again.
    CROSS JOIN LATERAL (
        SELECT (later.CorDocID IS NOT NULL OR s.SettledDate > PayToDate) IS TRUE AS Moved
    ) moved
    CROSS JOIN LATERAL (
        SELECT s.DocPaid - COALESCE(later.Amount, 0) AS Paid, CASE WHEN s.DocSumma < 0 THEN -1 ELSE 1 END AS Sign
    ) paid
    CROSS JOIN LATERAL (
        SELECT CASE WHEN s.DocTypeCode = 'CPAY' THEN
                        CASE WHEN s.SettledDate IS NOT NULL AND (PayToDate IS NULL OR s.SettledDate <= PayToDate)
                             THEN 0 ELSE s.Summa END
                    ELSE paid.Sign * GREATEST(0, LEAST(paid.Sign * s.Summa, paid.Sign * (s.TermThrough - paid.Paid)))
               END AS Debt,
               CASE WHEN s.DocTypeCode = 'CPAY' THEN s.IsClosed
                    ELSE (CASE WHEN s.IsPayClosed = 1 OR paid.Sign * (s.DocSumma - paid.Paid) <= 0 THEN 1 ELSE 0 END)::SMALLINT
               END AS IsClosed
    ) a
$$;

-- The current state: every payment counts; a plain read of the kept state.
CREATE VIEW THDocumentPayTermCur AS
    SELECT s.IDC, s.DocTypeCode, s.Number, s.CurrencyCode, s.DocumentDate, s.DocSumma, s.Summa, s.PaySumma,
           s.DebtSumma, s.IsPosted, s.NeedPayDate, s.ParentID, s.IsClosed, s.PosNumb, s.TermId, s.PayTerm
    FROM THDocPayTermState s;

-- Only the terms that still carry debt, as of PayToDate and now.
CREATE FUNCTION THDocumentPayTermDbt(PayToDate DATE)
RETURNS SETOF THDocPayTermRow
LANGUAGE sql STABLE AS $$
    SELECT * FROM THDocumentPayTermExt(PayToDate) t WHERE t.DebtSumma <> 0
$$;

CREATE VIEW THDocPayTermCurDbt AS SELECT * FROM THDocumentPayTermCur t WHERE t.DebtSumma <> 0;

-- Stock lots: every posted incoming goods row with what the fixation log has taken from it.
-- CostSumm and RestCostSumm are in the accounting currency; the rest is valued at the row's
-- own unit cost.
CREATE VIEW THDocGoodFixRest AS
    SELECT gs.IDC AS IncomeSpecID, d.IDC AS DocID, d.DocTypeCode, d.DocumentDate, d.Number,
           par.PartyCode AS Vendor, gs.GoodCode, gs.AmountAccount, gs.CostSumm,
           COALESCE(fx.FixedAmount, 0) AS FixedAmountAccount,
           gs.AmountAccount - COALESCE(fx.FixedAmount, 0) AS RestAmountAccount,
           ROUND(COALESCE(gs.CostSumm / NULLIF(gs.AmountAccount, 0), 0)
                 * (gs.AmountAccount - COALESCE(fx.FixedAmount, 0)), 4) AS RestCostSumm
    FROM THDocument d
    JOIN THGoodSpec gs ON gs.DocID = d.IDC
    JOIN REFGood g ON g.Code = gs.GoodCode AND g.Category = 0
    LEFT JOIN THPartyAttribute par ON par.DocID = d.IDC AND par.RolePartyCode = 'PAR'
    LEFT JOIN (SELECT f.IncomeSpecID, SUM(f.Amount) AS FixedAmount
               FROM THGoodSpecFixLog f GROUP BY f.IncomeSpecID) fx ON fx.IncomeSpecID = gs.IDC
    WHERE d.IsPosted = 1 AND d.DocTypeCode IN ('PISF', 'GPG', 'MNFC', 'POSF');

-- Incoming stock rows not yet fixed as sold on DocumentDate: the rest of each lot after the
-- fixations of outgoing rows dated up to that day, with its cost. The fixation row's own
-- OutcomeDate (the outgoing document's date, kept by the writes) dates it; a row whose
-- outgoing row or document is gone has none and counts nowhere.
CREATE FUNCTION THGoodSpecNotFixed(DocumentDate DATE)
RETURNS TABLE (DocId INTEGER, SpecID INTEGER, DocTypeCode VARCHAR, IncomeDate DATE, GoodCode VARCHAR,
               AmountAccount NUMERIC(19,4), CostSumm NUMERIC(19,4))
LANGUAGE sql STABLE AS $$
    SELECT r.DocID, r.IncomeSpecID, r.DocTypeCode, r.DocumentDate, r.GoodCode,
           r.AmountAccount - COALESCE(fx.FixedAmount, 0),
           ROUND(COALESCE(r.CostSumm / NULLIF(r.AmountAccount, 0), 0)
                 * (r.AmountAccount - COALESCE(fx.FixedAmount, 0)), 4)
    FROM THDocGoodFixRest r
    LEFT JOIN (SELECT f.IncomeSpecID, SUM(f.Amount) AS FixedAmount
               FROM THGoodSpecFixLog f
               WHERE f.OutcomeDate <= $1
               GROUP BY f.IncomeSpecID) fx ON fx.IncomeSpecID = r.IncomeSpecID
    WHERE r.DocumentDate <= $1 AND r.AmountAccount - COALESCE(fx.FixedAmount, 0) <> 0
$$;

-- Monthly stock movement per good over the months that hold documents: what came in, what
-- was fixed out (at the lots' unit cost) and what remained at the month's end (DateEnd). Every
-- good with lots has a row for every month from the company's first movement to its last:
-- the kept state (THGoodFixMonthState) holds the months of the good's own movements, before
-- them the good had nothing and after them its last rest stays.
CREATE VIEW THDocGoodFixLogMonth AS
    SELECT sp.GoodCode,
           (m.Month + INTERVAL '1 month' - INTERVAL '1 day')::DATE AS DateEnd,
           COALESCE(s.IncomeAmount, 0) AS IncomeAmountAccount, COALESCE(s.IncomeCost, 0) AS IncomeCostSumm,
           COALESCE(s.FixedAmount, 0) AS FixedAmountAccount, COALESCE(s.FixedCost, 0) AS FixedCostSumm,
           CASE WHEN s.GoodCode IS NOT NULL THEN s.RestAmount WHEN m.Month > sp.LastMonth THEN sp.RestAmount ELSE 0 END
               AS AmountAccount,
           CASE WHEN s.GoodCode IS NOT NULL THEN s.RestCost WHEN m.Month > sp.LastMonth THEN sp.RestCost ELSE 0 END
               AS CostSumm,
           EXTRACT(DAY FROM m.Month + INTERVAL '1 month' - INTERVAL '1 day')::INTEGER AS MonthDays
    FROM (SELECT generate_series(MIN(FirstMonth), MAX(LastMonth), INTERVAL '1 month')::DATE AS Month
          FROM THGoodFixMonthSpan) m
    CROSS JOIN THGoodFixMonthSpan sp
    LEFT JOIN THGoodFixMonthState s ON s.GoodCode = sp.GoodCode AND s.Month = m.Month;

-- Sales-side goods rows as the sales cube reads them, one per row of every sales type, with
-- the sign of the type (returns and discounts count against the sale), the sum without VAT
-- and the row's VAT direction ('21' taxed, '00' without VAT). A private buyer's discount card
-- is "DK" + the person's code; restaurant and hotel rows belong to the day's session.
CREATE VIEW THSpecForOLAPSale AS
    SELECT gs.IDC AS SpecID, gs.DocID, gs.PosNumb, d.DocTypeCode, d.DocumentDate, d.CurrencyCode,
           gs.GoodCode, gs.UnitCode,
           (CASE WHEN d.DocTypeCode IN ('GPG', 'PRSD') THEN -1 ELSE 1 END)::SMALLINT AS Sign,
           gs.AmountAccount, gs.Summa, COALESCE(v.SummVAT, 0) AS SummVAT,
           gs.Summa - COALESCE(v.SummVAT, 0) AS SummaWithoutVAT, gs.CostSumm,
           CASE WHEN COALESCE(v.SummVAT, 0) = 0 THEN '00' ELSE '21' END AS VATDirection,
           CASE WHEN buyer.PartyType = 2 THEN 'DK' || buyer.PartyCode END AS DiscountCardNumber,
           CASE WHEN d.DocTypeCode IN ('HR', 'HS', 'RD', 'RDG') THEN to_char(d.DocumentDate, 'YYYYMMDD') END
               AS SessionNumb
    FROM THDocument d
    JOIN THGoodSpec gs ON gs.DocID = d.IDC
    LEFT JOIN THPartyAttribute buyer ON buyer.DocID = d.IDC AND buyer.RolePartyCode = 'PIR'
    LEFT JOIN (
        SELECT DocID, PosNumb, SummVAT FROM THGoodSpecPRSF
        UNION ALL SELECT DocID, PosNumb, SummVAT FROM THGoodSpecGPG
        UNION ALL SELECT DocID, PosNumb, SummVAT FROM THGoodSpecPRSD
        UNION ALL SELECT DocID, PosNumb, SummVAT FROM THGoodSpecSCN
        UNION ALL SELECT DocID, PosNumb, SummVAT FROM THGoodSpecHR
        UNION ALL SELECT DocID, PosNumb, SummVAT FROM THGoodSpecHS
        UNION ALL SELECT DocID, PosNumb, SummVAT FROM THGoodSpecRD
        UNION ALL SELECT DocID, PosNumb, SummVAT FROM THGoodSpecRDG
    ) v ON v.DocID = gs.DocID AND v.PosNumb = gs.PosNumb
    WHERE d.DocTypeCode IN ('PRSF', 'GPG', 'PRSD', 'SCN', 'HR', 'HS', 'RD', 'RDG');
