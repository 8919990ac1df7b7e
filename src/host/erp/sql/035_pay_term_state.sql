-- The payment state of every document, one row per document and payment term, kept current
-- by the writes that change it: the payment-term sources read it instead of working out every
-- document's terms and payments on each read.
--
-- A row holds the term as the sources give it with every payment counted, and beside it what
-- the as-of-date form needs to take later payments back out: the document's paid total, the
-- terms' running sum up to this one, and for a cash-plan line the date of the payment
-- document that settled it.
--
-- A document's rows depend on its header, its stored terms, the payment lines that pay it
-- (and whether their payment documents exist) and, for a cash plan, its goods rows, plan
-- lines and the documents that settle them. A statement that writes any of these recomputes
-- the rows of exactly the documents it touched, from the same rules as a full build, in the
-- writer's own transaction: a rollback takes the state back with the write.

CREATE TABLE THDocPayTermState (
    IDC INTEGER NOT NULL,
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
    PosNumb INTEGER NOT NULL,
    TermId INTEGER,
    PayTerm INTEGER,
    IsPayClosed SMALLINT,
    DocPaid NUMERIC,
    TermThrough NUMERIC,
    SettledDate DATE,
    PRIMARY KEY (IDC, PosNumb)
);
CREATE INDEX THDocPayTermState_Type_Date ON THDocPayTermState (DocTypeCode, DocumentDate);

-- The rows of the documents in Docs (all documents when Docs is null), worked out from the
-- base tables. Rules:
--   * stored terms are taken in due order and cut back from the latest, so that they never
--     exceed the document's total; a total the terms leave uncovered forms one more term,
--     due with the latest stored one;
--   * a document without stored terms is due in whole on its own date: the market group's
--     standard term is a default for new terms, not a term of documents already written;
--   * the paid amount (THPaySpec.SummaCur, in the document's currency, from payment
--     documents that exist) settles the earliest terms first; a negative document (a credit)
--     is settled towards zero like a positive one;
--   * a cash-plan ("CPAY") line is a term of its own, due on its NeedPayDate and settled
--     in whole by its payment document; the plan's IsClosed is the document's own flag.
CREATE FUNCTION THDocPayTermStateOf(Docs INTEGER[])
RETURNS SETOF THDocPayTermState
LANGUAGE sql STABLE AS $$
    SELECT d.IDC, d.DocTypeCode, d.Number, d.CurrencyCode, d.DocumentDate, d.Summa,
           t.Summa,
           (t.Summa - t.Debt)::NUMERIC(19,4),
           t.Debt::NUMERIC(19,4),
           d.IsPosted, d.DocumentDate + t.PayTerm, d.ParentID,
           (CASE WHEN d.IsPayClosed = 1 OR paid.Sign * (d.Summa - paid.Paid) <= 0 THEN 1 ELSE 0 END)::SMALLINT,
           t.PosNumb, t.TermId, t.PayTerm,
           d.IsPayClosed, paid.Paid, t.Through, NULL::DATE
    FROM THDocument d
    CROSS JOIN LATERAL (
        SELECT COALESCE(SUM(ps.SummaCur), 0) AS Paid, CASE WHEN d.Summa < 0 THEN -1 ELSE 1 END AS Sign
        FROM THPaySpec ps JOIN THDocument pd ON pd.IDC = ps.DocID
        WHERE ps.CorDocID = d.IDC
    ) paid
    CROSS JOIN LATERAL (
        SELECT r.TermId, r.PosNumb, r.PayTerm, r.Summa, r.Through,
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
    WHERE d.DocTypeCode <> 'CPAY' AND (Docs IS NULL OR d.IDC = ANY (Docs))
    UNION ALL
    SELECT d.IDC, d.DocTypeCode, d.Number, d.CurrencyCode, d.DocumentDate, d.Summa,
           gs.Summa,
           CASE WHEN settled.IDC IS NULL THEN 0 ELSE gs.Summa END,
           CASE WHEN settled.IDC IS NULL THEN gs.Summa ELSE 0 END,
           d.IsPosted, COALESCE(c.NeedPayDate, d.DocumentDate), d.ParentID, d.IsClosed,
           gs.PosNumb, NULL, COALESCE(c.NeedPayDate, d.DocumentDate) - d.DocumentDate,
           d.IsPayClosed, NULL, NULL, settled.DocumentDate
    FROM THDocument d
    JOIN THGoodSpec gs ON gs.DocID = d.IDC
    LEFT JOIN THGoodSpecCPAY c ON c.DocID = gs.DocID AND c.PosNumb = gs.PosNumb
    LEFT JOIN THDocument settled ON settled.IDC = c.PayDocId
    WHERE d.DocTypeCode = 'CPAY' AND (Docs IS NULL OR d.IDC = ANY (Docs))
$$;

-- Works the rows of the given documents out again. Two writers touching one document wait
-- for each other on its rows, and the second, whose statements then see the first's
-- committed writes, replaces what the first wrote.
CREATE FUNCTION THDocPayTermStateRefresh(Docs INTEGER[])
RETURNS VOID
LANGUAGE plpgsql AS $$
BEGIN
    IF Docs IS NULL OR cardinality(Docs) = 0 THEN
        RETURN;
    END IF;
    PERFORM 1 FROM THDocPayTermState s WHERE s.IDC = ANY (Docs) ORDER BY s.IDC, s.PosNumb FOR UPDATE;
    DELETE FROM THDocPayTermState s WHERE s.IDC = ANY (Docs);
    -- Run with its values, so that the plan looks up these documents rather than all.
    EXECUTE 'INSERT INTO THDocPayTermState SELECT * FROM THDocPayTermStateOf($1)' USING Docs;
END $$;

-- A document's header: its own rows, and when a document comes, goes or changes its date,
-- the rows of the documents it pays and of the cash-plan lines it settles. A change of
-- columns the terms do not show (cost flags, authors, ...) recomputes nothing.
CREATE FUNCTION THDocPayTermState_OnDocument()
RETURNS TRIGGER
LANGUAGE plpgsql AS $$
DECLARE
    docs INTEGER[];
BEGIN
    IF TG_OP = 'INSERT' THEN
        SELECT array_agg(x.IDC) INTO docs FROM (
            SELECT n.IDC FROM new_rows n
            UNION SELECT ps.CorDocID FROM new_rows n JOIN THPaySpec ps ON ps.DocID = n.IDC
            UNION SELECT c.DocID FROM new_rows n JOIN THGoodSpecCPAY c ON c.PayDocId = n.IDC
        ) x;
    ELSIF TG_OP = 'DELETE' THEN
        SELECT array_agg(x.IDC) INTO docs FROM (
            SELECT o.IDC FROM old_rows o
            UNION SELECT ps.CorDocID FROM old_rows o JOIN THPaySpec ps ON ps.DocID = o.IDC
            UNION SELECT c.DocID FROM old_rows o JOIN THGoodSpecCPAY c ON c.PayDocId = o.IDC
        ) x;
    ELSE
        WITH changed AS (
            SELECT COALESCE(n.IDC, o.IDC) AS IDC,
                   (n.IDC IS NULL OR o.IDC IS NULL OR n.DocumentDate <> o.DocumentDate) AS AsPayer
            FROM new_rows n FULL JOIN old_rows o ON o.IDC = n.IDC
            WHERE n.IDC IS NULL OR o.IDC IS NULL
               OR (n.DocTypeCode, n.Number, n.CurrencyCode, n.DocumentDate, n.Summa, n.IsPosted, n.ParentID,
                   n.IsClosed, n.IsPayClosed)
                  IS DISTINCT FROM
                  (o.DocTypeCode, o.Number, o.CurrencyCode, o.DocumentDate, o.Summa, o.IsPosted, o.ParentID,
                   o.IsClosed, o.IsPayClosed)
        )
        SELECT array_agg(x.IDC) INTO docs FROM (
            SELECT c.IDC FROM changed c
            UNION SELECT ps.CorDocID FROM changed c JOIN THPaySpec ps ON ps.DocID = c.IDC WHERE c.AsPayer
            UNION SELECT p.DocID FROM changed c JOIN THGoodSpecCPAY p ON p.PayDocId = c.IDC WHERE c.AsPayer
        ) x;
    END IF;
    PERFORM THDocPayTermStateRefresh(docs);
    RETURN NULL;
END $$;

-- Payment lines (the documents they pay), stored terms and cash-plan lines (the documents
-- they belong to): the trigger's argument names the column that holds the document.
CREATE FUNCTION THDocPayTermState_OnDocRows()
RETURNS TRIGGER
LANGUAGE plpgsql AS $$
DECLARE
    docs INTEGER[];
BEGIN
    IF TG_OP = 'INSERT' THEN
        EXECUTE format('SELECT array_agg(DISTINCT n.%s) FROM new_rows n', TG_ARGV[0]) INTO docs;
    ELSIF TG_OP = 'DELETE' THEN
        EXECUTE format('SELECT array_agg(DISTINCT o.%s) FROM old_rows o', TG_ARGV[0]) INTO docs;
    ELSE
        EXECUTE format('SELECT array_agg(x.Doc) FROM (SELECT n.%1$s AS Doc FROM new_rows n '
                       'UNION SELECT o.%1$s FROM old_rows o) x', TG_ARGV[0]) INTO docs;
    END IF;
    PERFORM THDocPayTermStateRefresh(docs);
    RETURN NULL;
END $$;

-- Goods rows count only on cash plans (a line each); the goods rows of every other document
-- are written often and in bulk, and change nothing here.
CREATE FUNCTION THDocPayTermState_OnGoodsRow()
RETURNS TRIGGER
LANGUAGE plpgsql AS $$
DECLARE
    docs INTEGER[];
BEGIN
    IF TG_OP = 'INSERT' THEN
        SELECT array_agg(DISTINCT n.DocID) INTO docs
        FROM new_rows n JOIN THDocument d ON d.IDC = n.DocID AND d.DocTypeCode = 'CPAY';
    ELSIF TG_OP = 'DELETE' THEN
        SELECT array_agg(DISTINCT o.DocID) INTO docs
        FROM old_rows o JOIN THDocument d ON d.IDC = o.DocID AND d.DocTypeCode = 'CPAY';
    ELSE
        SELECT array_agg(x.DocID) INTO docs FROM (
            SELECT n.DocID FROM new_rows n
            LEFT JOIN old_rows o ON o.IDC = n.IDC
            WHERE o.IDC IS NULL OR (n.DocID, n.PosNumb, n.Summa) IS DISTINCT FROM (o.DocID, o.PosNumb, o.Summa)
            UNION
            SELECT o.DocID FROM old_rows o
            LEFT JOIN new_rows n ON n.IDC = o.IDC
            WHERE n.IDC IS NULL OR (n.DocID, n.PosNumb, n.Summa) IS DISTINCT FROM (o.DocID, o.PosNumb, o.Summa)
        ) x JOIN THDocument d ON d.IDC = x.DocID AND d.DocTypeCode = 'CPAY';
    END IF;
    PERFORM THDocPayTermStateRefresh(docs);
    RETURN NULL;
END $$;

-- Builds the whole state in one statement, and from then on lets the writes keep it.
CREATE FUNCTION THDocPayTermStateRebuild()
RETURNS VOID
LANGUAGE plpgsql AS $$
BEGIN
    DELETE FROM THDocPayTermState;
    INSERT INTO THDocPayTermState SELECT * FROM THDocPayTermStateOf(NULL);
    PERFORM KeptStateSwitchTriggers(ARRAY['thdocpaytermstate\_%'], true);
END $$;

-- For a bulk load (the demo company's COPY): the triggers stay off and the state empty until
-- the load ends with THDocPayTermStateRebuild.
CREATE FUNCTION THDocPayTermStateSuspend()
RETURNS VOID
LANGUAGE plpgsql AS $$
BEGIN
    PERFORM KeptStateSwitchTriggers(ARRAY['thdocpaytermstate\_%'], false);
    DELETE FROM THDocPayTermState;
END $$;

-- Emptying a table the state depends on leaves nothing to follow row by row.
CREATE FUNCTION THDocPayTermState_OnTruncate()
RETURNS TRIGGER
LANGUAGE plpgsql AS $$
BEGIN
    PERFORM THDocPayTermStateRebuild();
    RETURN NULL;
END $$;

-- Transition tables allow one event per trigger: three triggers per table, one function.
DO $$
DECLARE
    -- Table, trigger function, the function's argument.
    watched TEXT[][] := ARRAY[['THDocument', 'THDocPayTermState_OnDocument', ''],
                              ['THPaySpec', 'THDocPayTermState_OnDocRows', 'CorDocID'],
                              ['THDocumentPayTerm', 'THDocPayTermState_OnDocRows', 'DocID'],
                              ['THGoodSpecCPAY', 'THDocPayTermState_OnDocRows', 'DocID'],
                              ['THGoodSpec', 'THDocPayTermState_OnGoodsRow', '']];
    i INTEGER;
BEGIN
    FOR i IN 1 .. array_length(watched, 1) LOOP
        PERFORM KeptStateWatch(watched[i][1], 'THDocPayTermState', format('%s(%L)', watched[i][2], watched[i][3]));
        EXECUTE format('CREATE TRIGGER THDocPayTermState_Trunc AFTER TRUNCATE ON %s '
                       'FOR EACH STATEMENT EXECUTE FUNCTION THDocPayTermState_OnTruncate()', watched[i][1]);
    END LOOP;
END $$;
