-- The stock movement of every good month by month, kept current by the writes that change
-- it: THDocGoodFixLogMonth reads it instead of working out every good and month on each read.
-- And on each fixation row what its readers need of the two goods rows it links (the outgoing
-- row's document date, id, type, posting and currency, its good and net unit price; the lot's
-- document and unit cost), kept by the same writes, so that a reader of the log needs no join
-- back to the goods rows, their documents and VAT rows.
--
-- The lots are the posted incoming goods rows of stock goods (purchases "PISF", returns from
-- customers "GPG", production "MNFC", consignment receipts "POSF"); what went out of them is
-- the fixation log's takes, dated by the outgoing document and valued at the lot's own unit
-- cost. A good's rows run month by month from its first movement to its last, each with what
-- came in, what went out and the rest at the month's end; THGoodFixMonthSpan holds each
-- good's first and last month and the rest after the last, which the source carries on to
-- the last month of the company. A document with two sellers is still one lot per goods row.
--
-- What a good's rows depend on: its lots (goods rows, their documents' type, posting and
-- date, the good's category) and the fixation rows that take from them (their amount and
-- OutcomeDate). A statement that writes any of these recomputes exactly the goods it touched,
-- from the same rules as a full build, in the writer's own transaction: a rollback takes the
-- state back with the write.

CREATE TABLE THGoodFixMonthState (
    GoodCode VARCHAR(30) NOT NULL,
    Month DATE NOT NULL,
    IncomeAmount NUMERIC NOT NULL,
    IncomeCost NUMERIC NOT NULL,
    FixedAmount NUMERIC NOT NULL,
    FixedCost NUMERIC NOT NULL,
    RestAmount NUMERIC NOT NULL,
    RestCost NUMERIC NOT NULL,
    PRIMARY KEY (GoodCode, Month)
);

CREATE TABLE THGoodFixMonthSpan (
    GoodCode VARCHAR(30) PRIMARY KEY,
    FirstMonth DATE NOT NULL,
    LastMonth DATE NOT NULL,
    RestAmount NUMERIC NOT NULL,
    RestCost NUMERIC NOT NULL
);

-- Whether a document's goods rows are stock lots.
CREATE FUNCTION THGoodFixIsLot(DocTypeCode VARCHAR, IsPosted SMALLINT)
RETURNS BOOLEAN
LANGUAGE sql IMMUTABLE AS $$
    SELECT IsPosted = 1 AND DocTypeCode IN ('PISF', 'GPG', 'MNFC', 'POSF')
$$;

-- The rows of the goods in Goods (every good when Goods is null), worked out from the base
-- tables: per month what the lots dated in it brought, what the rows dated in it took from
-- the lots, and the running rest.
CREATE FUNCTION THGoodFixMonthOf(Goods VARCHAR[])
RETURNS SETOF THGoodFixMonthState
LANGUAGE sql STABLE AS $$
    WITH lots AS (
        SELECT gs.IDC, gs.GoodCode, d.DocumentDate, gs.AmountAccount, gs.CostSumm
        FROM THGoodSpec gs
        JOIN THDocument d ON d.IDC = gs.DocID
        JOIN REFGood g ON g.Code = gs.GoodCode AND g.Category = 0
        WHERE THGoodFixIsLot(d.DocTypeCode, d.IsPosted) AND (Goods IS NULL OR gs.GoodCode = ANY (Goods))
    ),
    incoming AS (
        SELECT l.GoodCode, date_trunc('month', l.DocumentDate)::DATE AS Month,
               SUM(l.AmountAccount) AS Amount, SUM(l.CostSumm) AS Cost
        FROM lots l
        GROUP BY 1, 2
    ),
    fixed AS (
        SELECT l.GoodCode, date_trunc('month', f.OutcomeDate)::DATE AS Month, SUM(f.Amount) AS Amount,
               SUM(ROUND(COALESCE(l.CostSumm / NULLIF(l.AmountAccount, 0), 0) * f.Amount, 4)) AS Cost
        FROM THGoodSpecFixLog f
        JOIN lots l ON l.IDC = f.IncomeSpecID
        WHERE f.OutcomeDate IS NOT NULL
        GROUP BY 1, 2
    ),
    spans AS (
        SELECT m.GoodCode, MIN(m.Month) AS FirstMonth, MAX(m.Month) AS LastMonth
        FROM (SELECT GoodCode, Month FROM incoming UNION ALL SELECT GoodCode, Month FROM fixed) m
        GROUP BY 1
    ),
    grid AS (
        SELECT s.GoodCode, m.Month::DATE AS Month,
               COALESCE(i.Amount, 0) AS IncomeAmount, COALESCE(i.Cost, 0) AS IncomeCost,
               COALESCE(x.Amount, 0) AS FixedAmount, COALESCE(x.Cost, 0) AS FixedCost
        FROM spans s
        CROSS JOIN LATERAL generate_series(s.FirstMonth, s.LastMonth, INTERVAL '1 month') m (Month)
        LEFT JOIN incoming i ON i.GoodCode = s.GoodCode AND i.Month = m.Month::DATE
        LEFT JOIN fixed x ON x.GoodCode = s.GoodCode AND x.Month = m.Month::DATE
    )
    SELECT g.GoodCode, g.Month, g.IncomeAmount, g.IncomeCost, g.FixedAmount, g.FixedCost,
           SUM(g.IncomeAmount - g.FixedAmount) OVER w, SUM(g.IncomeCost - g.FixedCost) OVER w
    FROM grid g
    WINDOW w AS (PARTITION BY g.GoodCode ORDER BY g.Month)
$$;

-- Works the rows of the given goods out again. Writers of one good take turns on a lock of
-- the good (taken in code order, so that two writers of several goods do not wait for each
-- other in a circle); the second, whose statements then see the first's committed writes,
-- replaces what the first wrote. Writers of different goods never wait.
CREATE FUNCTION THGoodFixMonthRefresh(Goods VARCHAR[])
RETURNS VOID
LANGUAGE plpgsql AS $$
DECLARE
    good VARCHAR;
BEGIN
    IF Goods IS NULL OR cardinality(Goods) = 0 THEN
        RETURN;
    END IF;
    FOR good IN SELECT DISTINCT x FROM unnest(Goods) x WHERE x IS NOT NULL ORDER BY 1 LOOP
        PERFORM pg_advisory_xact_lock(hashtextextended('THGoodFixMonth ' || good, 0));
    END LOOP;
    DELETE FROM THGoodFixMonthState s WHERE s.GoodCode = ANY (Goods);
    DELETE FROM THGoodFixMonthSpan s WHERE s.GoodCode = ANY (Goods);
    -- Run with its values, so that the plan looks up these goods rather than all.
    EXECUTE 'INSERT INTO THGoodFixMonthState SELECT * FROM THGoodFixMonthOf($1)' USING Goods;
    INSERT INTO THGoodFixMonthSpan (GoodCode, FirstMonth, LastMonth, RestAmount, RestCost)
    SELECT s.GoodCode, MIN(s.Month), MAX(s.Month),
           (array_agg(s.RestAmount ORDER BY s.Month DESC))[1], (array_agg(s.RestCost ORDER BY s.Month DESC))[1]
    FROM THGoodFixMonthState s
    WHERE s.GoodCode = ANY (Goods)
    GROUP BY s.GoodCode;
END $$;

-- What a fixation row keeps of the goods rows it links, the one definition of its kept columns.
-- Of the outgoing row: its document's date, id, type, posting and currency (null while the row
-- or its document is missing), its good, and its sum without VAT per accounting unit in the
-- document's currency (the VAT from the row's own line in the sales types' tables, the first
-- found; zero for a row without quantity). Of the lot: its document and its cost per
-- accounting unit (zero without quantity). The prices are kept at the full precision of the
-- division, so that price times a take's amount is exactly the row's share.
CREATE FUNCTION THGoodFixKeptOf(OutcomeSpec INTEGER, IncomeSpec INTEGER)
RETURNS TABLE (OutcomeDate DATE, OutcomeDocID INTEGER, OutcomeDocTypeCode VARCHAR, OutcomeIsPosted SMALLINT,
               OutcomeCurrencyCode VARCHAR, OutcomeGoodCode VARCHAR, OutcomeNetPrice NUMERIC,
               IncomeDocID INTEGER, IncomeUnitCost NUMERIC)
LANGUAGE sql STABLE AS $$
    SELECT od.DocumentDate, od.IDC, od.DocTypeCode, od.IsPosted, od.CurrencyCode, o.GoodCode,
           CASE WHEN o.IDC IS NOT NULL THEN
               COALESCE((o.Summa - COALESCE(vprsf.SummVAT, vrd.SummVAT, vrdg.SummVAT, vhr.SummVAT, vhs.SummVAT, 0))
                        / NULLIF(o.AmountAccount, 0), 0) END,
           r.DocID,
           CASE WHEN r.IDC IS NOT NULL THEN COALESCE(r.CostSumm / NULLIF(r.AmountAccount, 0), 0) END
    FROM (SELECT) one
    LEFT JOIN THGoodSpec o ON o.IDC = OutcomeSpec
    LEFT JOIN THDocument od ON od.IDC = o.DocID
    LEFT JOIN THGoodSpecPRSF vprsf ON vprsf.DocID = o.DocID AND vprsf.PosNumb = o.PosNumb
    LEFT JOIN THGoodSpecRD vrd ON vrd.DocID = o.DocID AND vrd.PosNumb = o.PosNumb
    LEFT JOIN THGoodSpecRDG vrdg ON vrdg.DocID = o.DocID AND vrdg.PosNumb = o.PosNumb
    LEFT JOIN THGoodSpecHR vhr ON vhr.DocID = o.DocID AND vhr.PosNumb = o.PosNumb
    LEFT JOIN THGoodSpecHS vhs ON vhs.DocID = o.DocID AND vhs.PosNumb = o.PosNumb
    LEFT JOIN THGoodSpec r ON r.IDC = IncomeSpec
$$;

-- Sets the kept columns of the fixation rows that take for or from the given goods rows (all
-- rows when Specs is null), writing only the rows whose values changed.
CREATE FUNCTION THGoodFixKeptRefresh(Specs INTEGER[], AllRows BOOLEAN DEFAULT FALSE)
RETURNS VOID
LANGUAGE plpgsql AS $$
BEGIN
    IF NOT AllRows AND (Specs IS NULL OR cardinality(Specs) = 0) THEN
        RETURN;
    END IF;
    UPDATE THGoodSpecFixLog f
    SET (OutcomeDate, OutcomeDocID, OutcomeDocTypeCode, OutcomeIsPosted, OutcomeCurrencyCode, OutcomeGoodCode,
         OutcomeNetPrice, IncomeDocID, IncomeUnitCost) =
        ROW(k.OutcomeDate, k.OutcomeDocID, k.OutcomeDocTypeCode, k.OutcomeIsPosted, k.OutcomeCurrencyCode,
            k.OutcomeGoodCode, k.OutcomeNetPrice, k.IncomeDocID, k.IncomeUnitCost)
    FROM THGoodSpecFixLog f2
    CROSS JOIN LATERAL THGoodFixKeptOf(f2.OutcomeSpecID, f2.IncomeSpecID) k
    WHERE f.IDC = f2.IDC AND (AllRows OR f2.OutcomeSpecID = ANY (Specs) OR f2.IncomeSpecID = ANY (Specs))
      AND (f.OutcomeDate, f.OutcomeDocID, f.OutcomeDocTypeCode, f.OutcomeIsPosted, f.OutcomeCurrencyCode,
           f.OutcomeGoodCode, f.OutcomeNetPrice, f.IncomeDocID, f.IncomeUnitCost)
          IS DISTINCT FROM (k.OutcomeDate, k.OutcomeDocID, k.OutcomeDocTypeCode, k.OutcomeIsPosted,
                            k.OutcomeCurrencyCode, k.OutcomeGoodCode, k.OutcomeNetPrice, k.IncomeDocID,
                            k.IncomeUnitCost);
END $$;

-- A fixation row written: its kept columns follow from its goods rows, whatever the writer gave.
CREATE FUNCTION THGoodFixKept_OnFixRow()
RETURNS TRIGGER
LANGUAGE plpgsql AS $$
BEGIN
    SELECT k.* INTO NEW.OutcomeDate, NEW.OutcomeDocID, NEW.OutcomeDocTypeCode, NEW.OutcomeIsPosted,
           NEW.OutcomeCurrencyCode, NEW.OutcomeGoodCode, NEW.OutcomeNetPrice, NEW.IncomeDocID, NEW.IncomeUnitCost
    FROM THGoodFixKeptOf(NEW.OutcomeSpecID, NEW.IncomeSpecID) k;
    RETURN NEW;
END $$;

-- The rows a statement touched, as a query over its transition tables: the rows inserted, the
-- rows deleted, or for an update both sides of every row whose Columns changed (a row changed
-- in nothing the caller follows is left out).
CREATE FUNCTION THGoodFixTouchedRows(Operation TEXT, Columns TEXT)
RETURNS TEXT
LANGUAGE sql IMMUTABLE AS $$
    SELECT CASE Operation
        WHEN 'INSERT' THEN format('SELECT %s FROM new_rows', Columns)
        WHEN 'DELETE' THEN format('SELECT %s FROM old_rows', Columns)
        ELSE format('(SELECT %1$s FROM new_rows EXCEPT SELECT %1$s FROM old_rows) '
                    'UNION (SELECT %1$s FROM old_rows EXCEPT SELECT %1$s FROM new_rows)', Columns)
    END
$$;

-- After a statement on a table the kept columns depend on: the goods rows whose takes it may
-- have changed. Arguments: the columns followed, and a query from the touched rows "x" to the
-- goods rows' IDC.
CREATE FUNCTION THGoodFixKept_OnRows()
RETURNS TRIGGER
LANGUAGE plpgsql AS $$
DECLARE
    specs INTEGER[];
BEGIN
    EXECUTE format('WITH x AS (%s) SELECT array_agg(DISTINCT t.Spec) FROM (%s) t (Spec)',
                   THGoodFixTouchedRows(TG_OP, TG_ARGV[0]), TG_ARGV[1]) INTO specs;
    PERFORM THGoodFixKeptRefresh(specs);
    RETURN NULL;
END $$;

-- After a statement on a table the state depends on: the goods whose months it may have
-- changed. Arguments: the columns followed, and a query from the touched rows "x" to goods.
CREATE FUNCTION THGoodFixMonth_OnRows()
RETURNS TRIGGER
LANGUAGE plpgsql AS $$
DECLARE
    goods VARCHAR[];
BEGIN
    EXECUTE format('WITH x AS (%s) SELECT array_agg(DISTINCT t.Good) FROM (%s) t (Good)',
                   THGoodFixTouchedRows(TG_OP, TG_ARGV[0]), TG_ARGV[1]) INTO goods;
    PERFORM THGoodFixMonthRefresh(goods);
    RETURN NULL;
END $$;

-- Sets the kept columns of every fixation row and builds the whole state in one statement
-- each, and from then on lets the writes keep both.
CREATE FUNCTION THGoodFixMonthRebuild()
RETURNS VOID
LANGUAGE plpgsql AS $$
BEGIN
    PERFORM THGoodFixKeptRefresh(NULL, TRUE);
    DELETE FROM THGoodFixMonthState;
    DELETE FROM THGoodFixMonthSpan;
    INSERT INTO THGoodFixMonthState SELECT * FROM THGoodFixMonthOf(NULL);
    INSERT INTO THGoodFixMonthSpan (GoodCode, FirstMonth, LastMonth, RestAmount, RestCost)
    SELECT s.GoodCode, MIN(s.Month), MAX(s.Month),
           (array_agg(s.RestAmount ORDER BY s.Month DESC))[1], (array_agg(s.RestCost ORDER BY s.Month DESC))[1]
    FROM THGoodFixMonthState s
    GROUP BY s.GoodCode;
    PERFORM KeptStateSwitchTriggers(ARRAY['thgoodfixmonth\_%', 'thgoodfixkept\_%'], true);
END $$;

-- For a bulk load (the demo company's COPY): the triggers stay off, the kept columns unset and
-- the state empty until the load ends with THGoodFixMonthRebuild.
CREATE FUNCTION THGoodFixMonthSuspend()
RETURNS VOID
LANGUAGE plpgsql AS $$
BEGIN
    PERFORM KeptStateSwitchTriggers(ARRAY['thgoodfixmonth\_%', 'thgoodfixkept\_%'], false);
    DELETE FROM THGoodFixMonthState;
    DELETE FROM THGoodFixMonthSpan;
END $$;

-- Emptying a table the state depends on leaves nothing to follow row by row.
CREATE FUNCTION THGoodFixMonth_OnTruncate()
RETURNS TRIGGER
LANGUAGE plpgsql AS $$
BEGIN
    PERFORM THGoodFixMonthRebuild();
    RETURN NULL;
END $$;

CREATE TRIGGER THGoodFixKept_Row
    BEFORE INSERT OR UPDATE OF IncomeSpecID, OutcomeSpecID, OutcomeDate, OutcomeDocID, OutcomeDocTypeCode,
        OutcomeIsPosted, OutcomeCurrencyCode, OutcomeGoodCode, OutcomeNetPrice, IncomeDocID, IncomeUnitCost
    ON THGoodSpecFixLog
    FOR EACH ROW EXECUTE FUNCTION THGoodFixKept_OnFixRow();

-- Transition tables allow one event per trigger: three triggers per table and function. The
-- fixation rows' kept columns come first (triggers fire in name order), so that the state's
-- triggers on the same statement already see the new dates. What each follows:
--   * the kept columns: a document that came, went or changed its date, type, posting or
--     currency; a goods row that came, went, moved to another document or line, or changed
--     its good, sum, quantity or cost; a VAT line of the sales types that came, went, moved
--     or changed its VAT;
--   * the state: a take's lot, amount and date; a lot's document, good, quantity and cost; an
--     incoming document's type, posting and date (outgoing documents reach the state through
--     the dates of their takes); a good's category (only stock goods have lots).
DO $$
DECLARE
    kVatToSpecs CONSTANT TEXT := 'SELECT o.IDC FROM x JOIN THGoodSpec o ON o.DocID = x.DocID AND o.PosNumb = x.PosNumb';
    -- Table, trigger name, columns followed, touched rows "x" to goods rows or goods.
    watched TEXT[][] := ARRAY[
        ['THDocument', 'THGoodFixKept', 'IDC, DocumentDate, DocTypeCode, IsPosted, CurrencyCode',
         'SELECT o.IDC FROM x JOIN THGoodSpec o ON o.DocID = x.IDC'],
        ['THGoodSpec', 'THGoodFixKept', 'IDC, DocID, PosNumb, GoodCode, Summa, AmountAccount, CostSumm',
         'SELECT x.IDC FROM x'],
        ['THGoodSpecFixLog', 'THGoodFixMonth', 'IDC, IncomeSpecID, Amount, OutcomeDate',
         'SELECT l.GoodCode FROM x JOIN THGoodSpec l ON l.IDC = x.IncomeSpecID'],
        ['THGoodSpec', 'THGoodFixMonth', 'IDC, DocID, GoodCode, AmountAccount, CostSumm',
         'SELECT x.GoodCode FROM x JOIN THDocument d ON d.IDC = x.DocID AND THGoodFixIsLot(d.DocTypeCode, d.IsPosted)'],
        ['THDocument', 'THGoodFixMonth', 'IDC, DocTypeCode, IsPosted, DocumentDate',
         'SELECT gs.GoodCode FROM x JOIN THGoodSpec gs ON gs.DocID = x.IDC WHERE THGoodFixIsLot(x.DocTypeCode, x.IsPosted)'],
        ['REFGood', 'THGoodFixMonth', 'Code, Category', 'SELECT x.Code FROM x'],
        ['THGoodSpecPRSF', 'THGoodFixKept', 'DocID, PosNumb, SummVAT', kVatToSpecs],
        ['THGoodSpecRD', 'THGoodFixKept', 'DocID, PosNumb, SummVAT', kVatToSpecs],
        ['THGoodSpecRDG', 'THGoodFixKept', 'DocID, PosNumb, SummVAT', kVatToSpecs],
        ['THGoodSpecHR', 'THGoodFixKept', 'DocID, PosNumb, SummVAT', kVatToSpecs],
        ['THGoodSpecHS', 'THGoodFixKept', 'DocID, PosNumb, SummVAT', kVatToSpecs]];
    i INTEGER;
BEGIN
    FOR i IN 1 .. array_length(watched, 1) LOOP
        PERFORM KeptStateWatch(watched[i][1], watched[i][2],
                               format('%s_OnRows(%L, %L)', watched[i][2], watched[i][3], watched[i][4]));
    END LOOP;
    FOREACH i IN ARRAY ARRAY[1, 2, 3, 6, 7, 8, 9, 10, 11] LOOP
        EXECUTE format('CREATE TRIGGER THGoodFixMonth_Trunc AFTER TRUNCATE ON %s '
                       'FOR EACH STATEMENT EXECUTE FUNCTION THGoodFixMonth_OnTruncate()', watched[i][1]);
    END LOOP;
END $$;
