-- The stock movement of every good month by month, kept current by the writes that change
-- it: THDocGoodFixLogMonth reads it instead of working out every good and month on each read.
-- And the outgoing document's date on each fixation row (THGoodSpecFixLog.OutcomeDate), kept
-- by the same writes, so that a reader of the log needs no join back to the documents.
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
        WHERE d.IsPosted = 1 AND d.DocTypeCode IN ('PISF', 'GPG', 'MNFC', 'POSF')
          AND (Goods IS NULL OR gs.GoodCode = ANY (Goods))
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

-- The outgoing document's date of the fixation rows that take for the given goods rows.
CREATE FUNCTION THGoodFixDateRefresh(Specs INTEGER[])
RETURNS VOID
LANGUAGE plpgsql AS $$
BEGIN
    IF Specs IS NULL OR cardinality(Specs) = 0 THEN
        RETURN;
    END IF;
    UPDATE THGoodSpecFixLog f SET OutcomeDate = x.DocumentDate
    FROM (SELECT f2.IDC, od.DocumentDate
          FROM THGoodSpecFixLog f2
          LEFT JOIN THGoodSpec o ON o.IDC = f2.OutcomeSpecID
          LEFT JOIN THDocument od ON od.IDC = o.DocID
          WHERE f2.OutcomeSpecID = ANY (Specs)) x
    WHERE f.IDC = x.IDC AND f.OutcomeDate IS DISTINCT FROM x.DocumentDate;
END $$;

-- A fixation row written: its date is its outgoing row's document's, whatever the writer gave.
CREATE FUNCTION THGoodFixDate_OnFixRow()
RETURNS TRIGGER
LANGUAGE plpgsql AS $$
BEGIN
    NEW.OutcomeDate := (SELECT od.DocumentDate FROM THGoodSpec o JOIN THDocument od ON od.IDC = o.DocID
                        WHERE o.IDC = NEW.OutcomeSpecID);
    RETURN NEW;
END $$;

-- A document that came, went or changed its date dates the takes of its goods rows.
CREATE FUNCTION THGoodFixDate_OnDocument()
RETURNS TRIGGER
LANGUAGE plpgsql AS $$
DECLARE
    specs INTEGER[];
BEGIN
    IF TG_OP = 'INSERT' THEN
        SELECT array_agg(o.IDC) INTO specs FROM new_rows n JOIN THGoodSpec o ON o.DocID = n.IDC;
    ELSIF TG_OP = 'DELETE' THEN
        SELECT array_agg(o.IDC) INTO specs FROM old_rows o0 JOIN THGoodSpec o ON o.DocID = o0.IDC;
    ELSE
        SELECT array_agg(o.IDC) INTO specs FROM (
            SELECT n.IDC FROM new_rows n LEFT JOIN old_rows o ON o.IDC = n.IDC
            WHERE o.IDC IS NULL OR n.DocumentDate IS DISTINCT FROM o.DocumentDate
            UNION
            SELECT o.IDC FROM old_rows o LEFT JOIN new_rows n ON n.IDC = o.IDC WHERE n.IDC IS NULL
        ) x JOIN THGoodSpec o ON o.DocID = x.IDC;
    END IF;
    PERFORM THGoodFixDateRefresh(specs);
    RETURN NULL;
END $$;

-- A goods row that came, went or moved to another document dates the takes made for it.
CREATE FUNCTION THGoodFixDate_OnGoodsRow()
RETURNS TRIGGER
LANGUAGE plpgsql AS $$
DECLARE
    specs INTEGER[];
BEGIN
    IF TG_OP = 'INSERT' THEN
        SELECT array_agg(n.IDC) INTO specs FROM new_rows n;
    ELSIF TG_OP = 'DELETE' THEN
        SELECT array_agg(o.IDC) INTO specs FROM old_rows o;
    ELSE
        SELECT array_agg(x.IDC) INTO specs FROM (
            SELECT n.IDC FROM new_rows n LEFT JOIN old_rows o ON o.IDC = n.IDC
            WHERE o.IDC IS NULL OR n.DocID IS DISTINCT FROM o.DocID
            UNION
            SELECT o.IDC FROM old_rows o LEFT JOIN new_rows n ON n.IDC = o.IDC WHERE n.IDC IS NULL
        ) x;
    END IF;
    PERFORM THGoodFixDateRefresh(specs);
    RETURN NULL;
END $$;

-- Fixation rows: the goods of the lots they take from, before and after.
CREATE FUNCTION THGoodFixMonth_OnFixRow()
RETURNS TRIGGER
LANGUAGE plpgsql AS $$
DECLARE
    goods VARCHAR[];
BEGIN
    IF TG_OP = 'INSERT' THEN
        SELECT array_agg(DISTINCT l.GoodCode) INTO goods FROM new_rows n JOIN THGoodSpec l ON l.IDC = n.IncomeSpecID;
    ELSIF TG_OP = 'DELETE' THEN
        SELECT array_agg(DISTINCT l.GoodCode) INTO goods FROM old_rows o JOIN THGoodSpec l ON l.IDC = o.IncomeSpecID;
    ELSE
        SELECT array_agg(DISTINCT l.GoodCode) INTO goods FROM (
            SELECT n.IncomeSpecID FROM new_rows n LEFT JOIN old_rows o ON o.IDC = n.IDC
            WHERE o.IDC IS NULL OR (n.IncomeSpecID, n.Amount, n.OutcomeDate)
                                   IS DISTINCT FROM (o.IncomeSpecID, o.Amount, o.OutcomeDate)
            UNION
            SELECT o.IncomeSpecID FROM old_rows o LEFT JOIN new_rows n ON n.IDC = o.IDC
            WHERE n.IDC IS NULL OR (n.IncomeSpecID, n.Amount, n.OutcomeDate)
                                   IS DISTINCT FROM (o.IncomeSpecID, o.Amount, o.OutcomeDate)
        ) x JOIN THGoodSpec l ON l.IDC = x.IncomeSpecID;
    END IF;
    PERFORM THGoodFixMonthRefresh(goods);
    RETURN NULL;
END $$;

-- Goods rows count only as lots: rows of incoming documents that are posted. A change of
-- columns the lots do not show (flags, prices, sums with VAT) recomputes nothing.
CREATE FUNCTION THGoodFixMonth_OnGoodsRow()
RETURNS TRIGGER
LANGUAGE plpgsql AS $$
DECLARE
    goods VARCHAR[];
BEGIN
    IF TG_OP = 'INSERT' THEN
        SELECT array_agg(DISTINCT n.GoodCode) INTO goods FROM new_rows n
        JOIN THDocument d ON d.IDC = n.DocID AND d.IsPosted = 1 AND d.DocTypeCode IN ('PISF', 'GPG', 'MNFC', 'POSF');
    ELSIF TG_OP = 'DELETE' THEN
        SELECT array_agg(DISTINCT o.GoodCode) INTO goods FROM old_rows o
        JOIN THDocument d ON d.IDC = o.DocID AND d.IsPosted = 1 AND d.DocTypeCode IN ('PISF', 'GPG', 'MNFC', 'POSF');
    ELSE
        SELECT array_agg(DISTINCT x.GoodCode) INTO goods FROM (
            SELECT n.GoodCode, n.DocID FROM new_rows n LEFT JOIN old_rows o ON o.IDC = n.IDC
            WHERE o.IDC IS NULL OR (n.DocID, n.GoodCode, n.AmountAccount, n.CostSumm)
                                   IS DISTINCT FROM (o.DocID, o.GoodCode, o.AmountAccount, o.CostSumm)
            UNION
            SELECT o.GoodCode, o.DocID FROM old_rows o LEFT JOIN new_rows n ON n.IDC = o.IDC
            WHERE n.IDC IS NULL OR (n.DocID, n.GoodCode, n.AmountAccount, n.CostSumm)
                                   IS DISTINCT FROM (o.DocID, o.GoodCode, o.AmountAccount, o.CostSumm)
        ) x
        JOIN THDocument d ON d.IDC = x.DocID AND d.IsPosted = 1 AND d.DocTypeCode IN ('PISF', 'GPG', 'MNFC', 'POSF');
    END IF;
    PERFORM THGoodFixMonthRefresh(goods);
    RETURN NULL;
END $$;

-- Documents: the goods of an incoming document that came, went, or changed its type, posting
-- or date. Outgoing documents reach the state through the dates of their takes.
CREATE FUNCTION THGoodFixMonth_OnDocument()
RETURNS TRIGGER
LANGUAGE plpgsql AS $$
DECLARE
    goods VARCHAR[];
BEGIN
    IF TG_OP = 'INSERT' THEN
        SELECT array_agg(DISTINCT gs.GoodCode) INTO goods FROM new_rows n JOIN THGoodSpec gs ON gs.DocID = n.IDC
        WHERE n.IsPosted = 1 AND n.DocTypeCode IN ('PISF', 'GPG', 'MNFC', 'POSF');
    ELSIF TG_OP = 'DELETE' THEN
        SELECT array_agg(DISTINCT gs.GoodCode) INTO goods FROM old_rows o JOIN THGoodSpec gs ON gs.DocID = o.IDC
        WHERE o.IsPosted = 1 AND o.DocTypeCode IN ('PISF', 'GPG', 'MNFC', 'POSF');
    ELSE
        SELECT array_agg(DISTINCT gs.GoodCode) INTO goods FROM (
            SELECT COALESCE(n.IDC, o.IDC) AS IDC
            FROM new_rows n FULL JOIN old_rows o ON o.IDC = n.IDC
            WHERE (n.IDC IS NULL OR o.IDC IS NULL
                   OR (n.DocTypeCode, n.IsPosted, n.DocumentDate) IS DISTINCT FROM (o.DocTypeCode, o.IsPosted, o.DocumentDate))
              AND ((n.IsPosted = 1 AND n.DocTypeCode IN ('PISF', 'GPG', 'MNFC', 'POSF'))
                   OR (o.IsPosted = 1 AND o.DocTypeCode IN ('PISF', 'GPG', 'MNFC', 'POSF')))
        ) x JOIN THGoodSpec gs ON gs.DocID = x.IDC;
    END IF;
    PERFORM THGoodFixMonthRefresh(goods);
    RETURN NULL;
END $$;

-- Goods: a good that came, went or changed its category (only stock goods have lots).
CREATE FUNCTION THGoodFixMonth_OnGood()
RETURNS TRIGGER
LANGUAGE plpgsql AS $$
DECLARE
    goods VARCHAR[];
BEGIN
    IF TG_OP = 'INSERT' THEN
        SELECT array_agg(n.Code) INTO goods FROM new_rows n;
    ELSIF TG_OP = 'DELETE' THEN
        SELECT array_agg(o.Code) INTO goods FROM old_rows o;
    ELSE
        SELECT array_agg(x.Code) INTO goods FROM (
            SELECT n.Code FROM new_rows n LEFT JOIN old_rows o ON o.Code = n.Code
            WHERE o.Code IS NULL OR n.Category IS DISTINCT FROM o.Category
            UNION
            SELECT o.Code FROM old_rows o LEFT JOIN new_rows n ON n.Code = o.Code
            WHERE n.Code IS NULL OR n.Category IS DISTINCT FROM o.Category
        ) x;
    END IF;
    PERFORM THGoodFixMonthRefresh(goods);
    RETURN NULL;
END $$;

-- Dates every fixation row and builds the whole state in one statement each, and from then
-- on lets the writes keep both.
CREATE FUNCTION THGoodFixMonthRebuild()
RETURNS VOID
LANGUAGE plpgsql AS $$
DECLARE
    t RECORD;
BEGIN
    UPDATE THGoodSpecFixLog f SET OutcomeDate = x.DocumentDate
    FROM (SELECT f2.IDC, od.DocumentDate
          FROM THGoodSpecFixLog f2
          LEFT JOIN THGoodSpec o ON o.IDC = f2.OutcomeSpecID
          LEFT JOIN THDocument od ON od.IDC = o.DocID) x
    WHERE f.IDC = x.IDC AND f.OutcomeDate IS DISTINCT FROM x.DocumentDate;
    DELETE FROM THGoodFixMonthState;
    DELETE FROM THGoodFixMonthSpan;
    INSERT INTO THGoodFixMonthState SELECT * FROM THGoodFixMonthOf(NULL);
    INSERT INTO THGoodFixMonthSpan (GoodCode, FirstMonth, LastMonth, RestAmount, RestCost)
    SELECT s.GoodCode, MIN(s.Month), MAX(s.Month),
           (array_agg(s.RestAmount ORDER BY s.Month DESC))[1], (array_agg(s.RestCost ORDER BY s.Month DESC))[1]
    FROM THGoodFixMonthState s
    GROUP BY s.GoodCode;
    -- Only the triggers that are off: called from a TRUNCATE trigger, the table is in use.
    FOR t IN SELECT c.relname, g.tgname FROM pg_trigger g JOIN pg_class c ON c.oid = g.tgrelid
             WHERE (g.tgname LIKE 'thgoodfixmonth\_%' OR g.tgname LIKE 'thgoodfixdate\_%')
               AND NOT g.tgisinternal AND g.tgenabled = 'D'
    LOOP
        EXECUTE format('ALTER TABLE %I ENABLE TRIGGER %I', t.relname, t.tgname);
    END LOOP;
END $$;

-- For a bulk load (the demo company's COPY): the triggers stay off, the dates unset and the
-- state empty until the load ends with THGoodFixMonthRebuild.
CREATE FUNCTION THGoodFixMonthSuspend()
RETURNS VOID
LANGUAGE plpgsql AS $$
DECLARE
    t RECORD;
BEGIN
    FOR t IN SELECT c.relname, g.tgname FROM pg_trigger g JOIN pg_class c ON c.oid = g.tgrelid
             WHERE (g.tgname LIKE 'thgoodfixmonth\_%' OR g.tgname LIKE 'thgoodfixdate\_%') AND NOT g.tgisinternal
    LOOP
        EXECUTE format('ALTER TABLE %I DISABLE TRIGGER %I', t.relname, t.tgname);
    END LOOP;
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

CREATE TRIGGER THGoodFixDate_Row BEFORE INSERT OR UPDATE OF OutcomeSpecID, OutcomeDate ON THGoodSpecFixLog
    FOR EACH ROW EXECUTE FUNCTION THGoodFixDate_OnFixRow();

-- Transition tables allow one event per trigger: three triggers per table and function. The
-- dates are kept first (triggers fire in name order), so that the state's triggers on the
-- same statement already see them.
DO $$
DECLARE
    -- Table, trigger name, trigger function.
    watched TEXT[][] := ARRAY[['THDocument', 'THGoodFixDate', 'THGoodFixDate_OnDocument'],
                              ['THGoodSpec', 'THGoodFixDate', 'THGoodFixDate_OnGoodsRow'],
                              ['THGoodSpecFixLog', 'THGoodFixMonth', 'THGoodFixMonth_OnFixRow'],
                              ['THGoodSpec', 'THGoodFixMonth', 'THGoodFixMonth_OnGoodsRow'],
                              ['THDocument', 'THGoodFixMonth', 'THGoodFixMonth_OnDocument'],
                              ['REFGood', 'THGoodFixMonth', 'THGoodFixMonth_OnGood']];
    i INTEGER;
BEGIN
    FOR i IN 1 .. array_length(watched, 1) LOOP
        EXECUTE format('CREATE TRIGGER %s_Ins AFTER INSERT ON %s REFERENCING NEW TABLE AS new_rows '
                       'FOR EACH STATEMENT EXECUTE FUNCTION %s()', watched[i][2], watched[i][1], watched[i][3]);
        EXECUTE format('CREATE TRIGGER %s_Upd AFTER UPDATE ON %s '
                       'REFERENCING OLD TABLE AS old_rows NEW TABLE AS new_rows '
                       'FOR EACH STATEMENT EXECUTE FUNCTION %s()', watched[i][2], watched[i][1], watched[i][3]);
        EXECUTE format('CREATE TRIGGER %s_Del AFTER DELETE ON %s REFERENCING OLD TABLE AS old_rows '
                       'FOR EACH STATEMENT EXECUTE FUNCTION %s()', watched[i][2], watched[i][1], watched[i][3]);
    END LOOP;
    FOREACH i IN ARRAY ARRAY[1, 2, 3, 6] LOOP
        EXECUTE format('CREATE TRIGGER THGoodFixMonth_Trunc AFTER TRUNCATE ON %s '
                       'FOR EACH STATEMENT EXECUTE FUNCTION THGoodFixMonth_OnTruncate()', watched[i][1]);
    END LOOP;
END $$;
