-- Parameterized data sources of the general ledger: the account tree, analytic types of an
-- account, account and analytic statements, balances and indicators.
--
-- Rules shared by every statement:
-- * only postings with IsPosted = 1 count;
-- * a saldo is debit minus credit: IncomeSaldo over the postings dated before DateFrom,
--   DTurn and CTurn over DateFrom .. DateTo, OutcomeSaldo over everything up to DateTo, so
--   IncomeSaldo + DTurn - CTurn = OutcomeSaldo;
-- * a group account carries the sums of every account under it;
-- * the D and C columns split a saldo into its debit and its credit part (one of the two is 0)
--   per posting account, or per account and object in the analytic statements; a group sums
--   the parts of its accounts, so a group may show both.
-- Parameters are passed in the order declared, or by name (AccSetCode => '1'). Where an
-- account set, account or analytic type is NULL or empty it does not restrict the rows (but
-- the account tree always needs its set). The functions are plain SQL so that the planner
-- inlines them and pushes a caller's filters (account, set) into the scan.

-- Accounts of a set under Node, Node itself included (the whole chart when Node is empty).
-- Level is the depth under Node (0 = Node), as in the other tree views; for the whole chart
-- the depth under the top (0 = a class).
CREATE FUNCTION GLAccountT(AccSetCode VARCHAR, Node VARCHAR)
RETURNS TABLE (AccSetCode VARCHAR, Code VARCHAR, Name VARCHAR, Parent VARCHAR, IsGroup SMALLINT, Level INTEGER)
LANGUAGE sql STABLE AS $$
    SELECT a.AccSetCode, a.Code, a.Name, a.Parent, a.IsGroup,
           CASE WHEN COALESCE($2, '') = '' THEN p.Level - 1 ELSE p.Distance END
    FROM GLAccountParent p
    JOIN GLAccount a ON a.AccSetCode = p.AccSetCode AND a.Code = p.Code
    WHERE p.AccSetCode = $1
      AND (CASE WHEN COALESCE($2, '') = '' THEN p.Distance = 0 ELSE p.Parent = $2 END)
$$;

-- Analytic types an account is kept by, with those of the accounts under it: a budget or cash
-- group offers the analytics of its posting accounts. Code and Name are the type's.
CREATE FUNCTION GLAccountAnalytTypeT(AccSetCode VARCHAR, AccCode VARCHAR)
RETURNS TABLE (Code VARCHAR, Name VARCHAR, AccSetCode VARCHAR, AccCode VARCHAR)
LANGUAGE sql STABLE AS $$
    SELECT t.Code, t.Name, $1::VARCHAR, $2::VARCHAR
    FROM GLAnalytType t
    WHERE EXISTS (
        SELECT 1
        FROM GLAccountParent p
        JOIN GLAccountAnalytType aat ON aat.AccSetCode = p.AccSetCode AND aat.AccCode = p.Code
        WHERE p.AccSetCode = $1 AND p.Parent = $2 AND aat.AnalytTypeCode = t.Code)
$$;

-- Statement of every account of the set (all sets when AccSetCode is empty), groups
-- included, one row per account even without postings.
-- AccSetCode is both a parameter and a column: a caller that filters the column instead of
-- passing the parameter gets the same rows.
CREATE FUNCTION GLAccountStatementD(DateFrom DATE, DateTo DATE, AccSetCode VARCHAR DEFAULT NULL)
RETURNS TABLE (AccSetCode VARCHAR, Code VARCHAR, Name VARCHAR, IsGroup SMALLINT, Level INTEGER,
               IncomeSaldo NUMERIC(19,4), IncomeDSaldo NUMERIC(19,4), IncomeCSaldo NUMERIC(19,4),
               DTurn NUMERIC(19,4), CTurn NUMERIC(19,4),
               OutcomeSaldo NUMERIC(19,4), OutcomeDSaldo NUMERIC(19,4), OutcomeCSaldo NUMERIC(19,4))
LANGUAGE sql STABLE AS $$
    SELECT a.AccSetCode, a.Code, a.Name, a.IsGroup, max(t.ParentLevel),
           COALESCE(sum(s.IncomeSaldo), 0),
           COALESCE(sum(greatest(s.IncomeSaldo, 0)), 0),
           COALESCE(sum(greatest(-s.IncomeSaldo, 0)), 0),
           COALESCE(sum(s.DTurn), 0),
           COALESCE(sum(s.CTurn), 0),
           COALESCE(sum(s.IncomeSaldo + s.DTurn - s.CTurn), 0),
           COALESCE(sum(greatest(s.IncomeSaldo + s.DTurn - s.CTurn, 0)), 0),
           COALESCE(sum(greatest(-(s.IncomeSaldo + s.DTurn - s.CTurn), 0)), 0)
    FROM GLAccount a
    JOIN GLAccountParent t ON t.AccSetCode = a.AccSetCode AND t.Parent = a.Code
    LEFT JOIN (
        SELECT p.AccSetCode, side.AccCode,
               sum(CASE WHEN p.DatePost < $1 THEN side.Sign * p.SumAcc ELSE 0 END) AS IncomeSaldo,
               sum(CASE WHEN p.DatePost >= $1 AND side.Sign = 1 THEN p.SumAcc ELSE 0 END) AS DTurn,
               sum(CASE WHEN p.DatePost >= $1 AND side.Sign = -1 THEN p.SumAcc ELSE 0 END) AS CTurn
        FROM GLAccountPost p
        CROSS JOIN LATERAL (VALUES (p.DebetAccCode, 1), (p.CreditAccCode, -1)) AS side (AccCode, Sign)
        WHERE p.IsPosted = 1 AND p.DatePost <= $2
          AND (COALESCE($3, '') = '' OR p.AccSetCode = $3)
        GROUP BY p.AccSetCode, side.AccCode
    ) s ON s.AccSetCode = t.AccSetCode AND s.AccCode = t.Code
    WHERE COALESCE($3, '') = '' OR a.AccSetCode = $3
    GROUP BY a.AccSetCode, a.Code, a.Name, a.IsGroup
$$;

-- Balances of the accounts of a set on a period, for balance screens: the statement above
-- with its saldo parts named as balances. The debit and credit balances are split per posting
-- account, so OutcomeDBalance - OutcomeCBalance is the net balance of any set of accounts.
CREATE FUNCTION GLBalanceStatementD(DateFrom DATE, DateTo DATE, AccSetCode VARCHAR DEFAULT NULL)
RETURNS TABLE (AccSetCode VARCHAR, Code VARCHAR, Name VARCHAR, IsGroup SMALLINT,
               IncomeDBalance NUMERIC(19,4), IncomeCBalance NUMERIC(19,4),
               DTurn NUMERIC(19,4), CTurn NUMERIC(19,4),
               OutcomeDBalance NUMERIC(19,4), OutcomeCBalance NUMERIC(19,4))
LANGUAGE sql STABLE AS $$
    SELECT s.AccSetCode, s.Code, s.Name, s.IsGroup, s.IncomeDSaldo, s.IncomeCSaldo, s.DTurn, s.CTurn,
           s.OutcomeDSaldo, s.OutcomeCSaldo
    FROM GLAccountStatementD($1, $2, $3) s
$$;

-- Statement by analytic object: one row per account (groups included), analytic type and
-- object that has postings up to DateTo. The object of a posting side is the analytic row
-- with IsDebet = 1 for the debit account and IsDebet = 0 for the credit account.
-- All five are parameters; AccSetCode, Code (the account, with everything under it) and
-- AnalytTypeCode restrict the rows when given, and are also returned as columns.
CREATE FUNCTION GLAnalytStatementD(DateFrom DATE, DateTo DATE, AccSetCode VARCHAR DEFAULT NULL,
                                   Code VARCHAR DEFAULT NULL, AnalytTypeCode VARCHAR DEFAULT NULL)
RETURNS TABLE (AccSetCode VARCHAR, Code VARCHAR, AnalytTypeCode VARCHAR, AnalytObjectCode VARCHAR,
               IncomeSaldo NUMERIC(19,4), IncomeDSaldo NUMERIC(19,4), IncomeCSaldo NUMERIC(19,4),
               DTurn NUMERIC(19,4), CTurn NUMERIC(19,4),
               OutcomeSaldo NUMERIC(19,4), OutcomeDSaldo NUMERIC(19,4), OutcomeCSaldo NUMERIC(19,4))
LANGUAGE sql STABLE AS $$
    SELECT g.AccSetCode, g.Code, g.AnalytTypeCode, g.AnalytObjectCode,
           g.IncomeSaldo, greatest(g.IncomeSaldo, 0), greatest(-g.IncomeSaldo, 0),
           g.DTurn, g.CTurn,
           g.IncomeSaldo + g.DTurn - g.CTurn,
           greatest(g.IncomeSaldo + g.DTurn - g.CTurn, 0),
           greatest(-(g.IncomeSaldo + g.DTurn - g.CTurn), 0)
    FROM (
        SELECT t.AccSetCode, t.Parent AS Code, an.AnalytTypeCode, an.AnalytObjectCode,
               sum(CASE WHEN p.DatePost < $1 THEN side.Sign * p.SumAcc ELSE 0 END) AS IncomeSaldo,
               sum(CASE WHEN p.DatePost >= $1 AND side.Sign = 1 THEN p.SumAcc ELSE 0 END) AS DTurn,
               sum(CASE WHEN p.DatePost >= $1 AND side.Sign = -1 THEN p.SumAcc ELSE 0 END) AS CTurn
        FROM GLAccountPost p
        JOIN GLAnalytPost an ON an.AccPostID = p.IDC
        CROSS JOIN LATERAL (
            SELECT CASE WHEN an.IsDebet = 1 THEN p.DebetAccCode ELSE p.CreditAccCode END,
                   CASE WHEN an.IsDebet = 1 THEN 1 ELSE -1 END
        ) AS side (AccCode, Sign)
        JOIN GLAccountParent t ON t.AccSetCode = p.AccSetCode AND t.Code = side.AccCode
        WHERE p.IsPosted = 1 AND p.DatePost <= $2
          AND (COALESCE($3, '') = '' OR p.AccSetCode = $3)
          AND (COALESCE($4, '') = '' OR t.Parent = $4)
          AND (COALESCE($5, '') = '' OR an.AnalytTypeCode = $5)
        GROUP BY t.AccSetCode, t.Parent, an.AnalytTypeCode, an.AnalytObjectCode
    ) g
$$;

-- Closing balances by analytic object on every account: a client's balance on the debtors'
-- account is the row with that account's Code and the client's code as AnalytObjectCode.
CREATE FUNCTION GLAnalytStatement(DateFrom DATE, DateTo DATE)
RETURNS TABLE (AccSetCode VARCHAR, Code VARCHAR, AnalytTypeCode VARCHAR, AnalytObjectCode VARCHAR,
               IncomeSaldo NUMERIC(19,4), DTurn NUMERIC(19,4), CTurn NUMERIC(19,4),
               OutcomeSaldo NUMERIC(19,4))
LANGUAGE sql STABLE AS $$
    SELECT s.AccSetCode, s.Code, s.AnalytTypeCode, s.AnalytObjectCode, s.IncomeSaldo, s.DTurn, s.CTurn,
           s.OutcomeSaldo
    FROM GLAnalytStatementD($1, $2, NULL, NULL, NULL) s
$$;

-- Indicator values by analytic object: for each indicator, the statement of its account and
-- analytic type. Summa is the balance on DateEnd (debit minus credit, so a vendor the company
-- owes has a negative Summa); IncomeSumma the balance before DateBegin, DTurn and CTurn the
-- turnover between the two dates. Code and IndicatorCode both name the indicator.
CREATE FUNCTION GLIndicatorAnalytD(DateBegin DATE, DateEnd DATE)
RETURNS TABLE (Code VARCHAR, IndicatorCode VARCHAR, AccSetCode VARCHAR, AccCode VARCHAR,
               AnalytTypeCode VARCHAR, AnalytObjectCode VARCHAR,
               IncomeSumma NUMERIC(19,4), DTurn NUMERIC(19,4), CTurn NUMERIC(19,4), Summa NUMERIC(19,4))
LANGUAGE sql STABLE AS $$
    SELECT i.Code, i.Code, i.AccSetCode, i.AccCode, i.AnalytTypeCode, s.AnalytObjectCode,
           s.IncomeSaldo, s.DTurn, s.CTurn, s.OutcomeSaldo
    FROM GLIndicator i
    JOIN GLAnalytStatementD($1, $2, NULL, NULL, NULL) s
      ON s.AccSetCode = i.AccSetCode AND s.Code = i.AccCode AND s.AnalytTypeCode = i.AnalytTypeCode
$$;

-- The balances the client-limit service compares with the limits: per analytic object and
-- indicator on the report date.
CREATE FUNCTION GLContLimitBalance(RepDate DATE)
RETURNS TABLE (AnalytObjectCode VARCHAR, IndicatorCode VARCHAR, Summa NUMERIC(19,4))
LANGUAGE sql STABLE AS $$
    SELECT d.AnalytObjectCode, d.IndicatorCode, d.Summa
    FROM GLIndicatorAnalytD($1, $1) d
$$;

-- The client-limit service's write: the client's limit on the indicator limits are kept on,
-- and the client card's default limit. Writing the same limit twice changes nothing.
CREATE FUNCTION GLSetClientLimit(ClientCode VARCHAR, LimitSumma NUMERIC)
RETURNS VOID
LANGUAGE plpgsql AS $$
BEGIN
    INSERT INTO GLContLimitSpec (Code, AnalytObjectCode, "limit")
    SELECT i.Code, $1, $2 FROM GLIndicator i WHERE i.IsClientLimit = 1
    ON CONFLICT (Code, AnalytObjectCode) DO UPDATE SET "limit" = EXCLUDED."limit"
        WHERE GLContLimitSpec."limit" IS DISTINCT FROM EXCLUDED."limit";
    UPDATE REFClient SET DefaultLimit = $2 WHERE REFClient.Code = $1 AND DefaultLimit IS DISTINCT FROM $2;
END
$$;
