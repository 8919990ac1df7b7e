-- The parts of the sales-side goods lines, kept current by the writes that change them: the
-- sales cubes read their lines from here instead of splitting every goods line of a period
-- by its content links on each read.
--
-- A part is what CRSaleSupport::CrDocLstByContent lists for a position of a posted sales-side
-- document (invoices "PRSF", returns "GPG", discounts "PRSD" and "SCN", the hotel's and the
-- restaurant's bills "HR", "HS", "RD", "RDG"): each vertical content link of the position
-- (PartID the link's IDC, the link's quantity, the document the linked row comes from, and
-- for an invoice the delivery document of a consignment sale), and the rest of the position
-- no link covers (PartID 0, CorDocID 0) when that rest is above zero. Each row carries what
-- the sales lists read per line, so that a read joins no goods-row table again: the
-- document's type, date, number, currency, author, department and parent, the goods row's position, good, quantity, sum
-- and cost, and the type's goods table's VAT and additional discount (null when the type
-- table holds no row for the position). The part's shares of the line's sum without VAT
-- (with and without the additional discount) and of its cost are worked out here too, as the
-- ERP's server types them (decimal(38,6)), so that a read of a year's hundreds of thousands
-- of parts divides nothing.
--
-- The document's own author, department and parent id are carried as they are; what is
-- reached through them or through the linked document (the parent and grandparent
-- documents, their authors and departments, the seller, the buyer, the rates) is left out on
-- purpose: a reader joins it per document of the period, tens of thousands of rows rather
-- than the parts' hundreds of thousands, and the kept rows then depend on nothing but their
-- own document, its goods rows and their links. A change of a parent document recomputes
-- no child.
--
-- What a document's rows depend on, and so what the triggers follow: the document's type,
-- posting, date, number, currency, author, department and parent; its goods rows; its type table's rows; the content
-- links of its goods rows; the existence and document of each linked row (CorDocID is the
-- linked row's document, null while that row or document is missing); and for an invoice
-- the consignment links ("PN") of the rows its goods come from. A statement that writes any
-- of these recomputes exactly the documents it touched, from the same rules as a full build,
-- in the writer's own transaction: a rollback takes the rows back with the write.
--
-- Where an invoice's linked row has several consignment links, the part names the delivery
-- of the first of them (by link IDC).

CREATE TABLE THSalePart (
    DocID INTEGER NOT NULL,
    DocTypeCode VARCHAR(10) NOT NULL,
    DocumentDate DATE NOT NULL,
    Number VARCHAR(30) NOT NULL,
    CurrencyCode VARCHAR(10) NOT NULL,
    Author INTEGER,
    Department VARCHAR(20),
    ParentID INTEGER,
    SpecID INTEGER NOT NULL,
    PartID INTEGER NOT NULL,
    PosNumb INTEGER NOT NULL,
    GoodCode VARCHAR(30) NOT NULL,
    PartAmount NUMERIC NOT NULL,
    CorDocID INTEGER,
    ConsCorDocID INTEGER,
    AmountAccount NUMERIC NOT NULL,
    Summa NUMERIC NOT NULL,
    CostSumm NUMERIC NOT NULL,
    SummVAT NUMERIC,
    AddDiscountSumm NUMERIC,
    PartNet NUMERIC,
    PartNetWithDiscount NUMERIC,
    PartCost NUMERIC,
    PRIMARY KEY (SpecID, PartID)
);

-- A part's share of a sum of its goods line: the sum per unit of the line's quantity times the
-- part's quantity (none of a line without quantity).
CREATE FUNCTION THSalePartShare(LineSum NUMERIC, LineAmount NUMERIC, PartAmount NUMERIC)
RETURNS NUMERIC
LANGUAGE sql IMMUTABLE AS $$
    SELECT CAST(COALESCE(LineSum / NULLIF(LineAmount, 0), 0) * PartAmount AS NUMERIC(38, 6))
$$;

-- A part's share of its line's cost: none of a part without quantity; null, not an error, for
-- a line without quantity.
CREATE FUNCTION THSalePartCost(LineCost NUMERIC, LineAmount NUMERIC, PartAmount NUMERIC)
RETURNS NUMERIC
LANGUAGE sql IMMUTABLE AS $$
    SELECT CASE WHEN PartAmount = 0 THEN 0
                ELSE CAST((LineCost / NULLIF(LineAmount, 0)) * PartAmount AS NUMERIC(38, 6)) END
$$;
CREATE INDEX THSalePart_Type_Date ON THSalePart (DocTypeCode, DocumentDate);
CREATE INDEX THSalePart_DocID ON THSalePart (DocID);

-- Whether a document's goods rows are sales parts. Types compare as the front end compares
-- them: without regard to case or trailing blanks.
CREATE FUNCTION THSalePartIsSale(DocTypeCode VARCHAR, IsPosted SMALLINT)
RETURNS BOOLEAN
LANGUAGE sql IMMUTABLE AS $$
    SELECT IsPosted = 1 AND tsql.ci(DocTypeCode::text) IN ('prsf', 'gpg', 'prsd', 'scn', 'hr', 'hs', 'rd', 'rdg')
$$;

-- The type tables' VAT and additional discount of every sales-side goods row, with the
-- folded type whose table holds it.
CREATE VIEW THSalePartTypeRows AS
    SELECT 'prsf'::text AS TypeKey, DocID, PosNumb, SummVAT, AddDiscountSumm FROM THGoodSpecPRSF
    UNION ALL SELECT 'gpg', DocID, PosNumb, SummVAT, AddDiscountSumm FROM THGoodSpecGPG
    UNION ALL SELECT 'prsd', DocID, PosNumb, SummVAT, AddDiscountSumm FROM THGoodSpecPRSD
    UNION ALL SELECT 'scn', DocID, PosNumb, SummVAT, AddDiscountSumm FROM THGoodSpecSCN
    UNION ALL SELECT 'hr', DocID, PosNumb, SummVAT, AddDiscountSumm FROM THGoodSpecHR
    UNION ALL SELECT 'hs', DocID, PosNumb, SummVAT, AddDiscountSumm FROM THGoodSpecHS
    UNION ALL SELECT 'rd', DocID, PosNumb, SummVAT, AddDiscountSumm FROM THGoodSpecRD
    UNION ALL SELECT 'rdg', DocID, PosNumb, SummVAT, AddDiscountSumm FROM THGoodSpecRDG;

-- The parts of the documents in Docs (every document when Docs is null), worked out from the
-- base tables.
CREATE FUNCTION THSalePartOf(Docs INTEGER[])
RETURNS SETOF THSalePart
LANGUAGE sql STABLE AS $$
    WITH lines AS (
        SELECT d.IDC AS DocID, d.DocTypeCode, d.DocumentDate, d.Number, d.CurrencyCode,
               d.Author, d.Department, d.ParentID, gs.IDC AS SpecID, gs.PosNumb, gs.GoodCode, gs.AmountAccount, gs.Summa, gs.CostSumm,
               t.SummVAT, t.AddDiscountSumm
        FROM THDocument d
        JOIN THGoodSpec gs ON gs.DocID = d.IDC
        LEFT JOIN THSalePartTypeRows t
            ON t.DocID = gs.DocID AND t.PosNumb = gs.PosNumb AND t.TypeKey = tsql.ci(d.DocTypeCode::text)
        WHERE THSalePartIsSale(d.DocTypeCode, d.IsPosted) AND (Docs IS NULL OR d.IDC = ANY (Docs))
    ),
    linked AS (
        SELECT c.SpecID, SUM(c.AmountAccount) AS Amount
        FROM THGoodContent c
        WHERE c.IsVertical = 1 AND (Docs IS NULL OR c.SpecID IN (SELECT l.SpecID FROM lines l))
        GROUP BY c.SpecID
    )
    SELECT l.DocID, l.DocTypeCode, l.DocumentDate, l.Number, l.CurrencyCode, l.Author, l.Department,
           l.ParentID, l.SpecID, c.IDC, l.PosNumb,
           l.GoodCode, c.AmountAccount, cd.IDC,
           CASE WHEN tsql.ci(l.DocTypeCode::text) = 'prsf' THEN
               (SELECT ps.DocID FROM THGoodContent cg JOIN THGoodSpec ps ON ps.IDC = cg.CorSpecID
                WHERE cg.SpecID = c.CorSpecID AND tsql.ci(cg.LinkKindCode::text) = 'pn'
                ORDER BY cg.IDC LIMIT 1) END,
           l.AmountAccount, l.Summa, l.CostSumm, l.SummVAT, l.AddDiscountSumm,
           THSalePartShare(l.Summa - l.SummVAT, l.AmountAccount, c.AmountAccount),
           THSalePartShare(l.Summa - l.SummVAT + l.AddDiscountSumm, l.AmountAccount, c.AmountAccount),
           THSalePartCost(l.CostSumm, l.AmountAccount, c.AmountAccount)
    FROM lines l
    JOIN THGoodContent c ON c.SpecID = l.SpecID AND c.IsVertical = 1
    LEFT JOIN THGoodSpec cs ON cs.IDC = c.CorSpecID
    LEFT JOIN THDocument cd ON cd.IDC = cs.DocID
    UNION ALL
    SELECT l.DocID, l.DocTypeCode, l.DocumentDate, l.Number, l.CurrencyCode, l.Author, l.Department,
           l.ParentID, l.SpecID, 0, l.PosNumb,
           l.GoodCode, l.AmountAccount - COALESCE(k.Amount, 0), 0, NULL,
           l.AmountAccount, l.Summa, l.CostSumm, l.SummVAT, l.AddDiscountSumm,
           THSalePartShare(l.Summa - l.SummVAT, l.AmountAccount, l.AmountAccount - COALESCE(k.Amount, 0)),
           THSalePartShare(l.Summa - l.SummVAT + l.AddDiscountSumm, l.AmountAccount,
                           l.AmountAccount - COALESCE(k.Amount, 0)),
           THSalePartCost(l.CostSumm, l.AmountAccount, l.AmountAccount - COALESCE(k.Amount, 0))
    FROM lines l
    LEFT JOIN linked k ON k.SpecID = l.SpecID
    WHERE l.AmountAccount - COALESCE(k.Amount, 0) > 0
$$;

-- Works the parts of the given documents out again. Writers of one document take turns on a
-- lock (one of 512, by document id, taken in order, so that two writers of several documents
-- do not wait for each other in a circle and a statement over thousands of documents holds a
-- bounded number of locks); the second, whose statements then see the first's committed
-- writes, replaces what the first wrote. Writers of different documents seldom meet.
CREATE FUNCTION THSalePartRefresh(Docs INTEGER[])
RETURNS VOID
LANGUAGE plpgsql AS $$
DECLARE
    bucket INTEGER;
BEGIN
    IF Docs IS NULL OR cardinality(Docs) = 0 THEN
        RETURN;
    END IF;
    FOR bucket IN SELECT DISTINCT x % 512 FROM unnest(Docs) x WHERE x IS NOT NULL ORDER BY 1 LOOP
        PERFORM pg_advisory_xact_lock(hashtextextended('THSalePart ' || bucket, 0));
    END LOOP;
    DELETE FROM THSalePart p WHERE p.DocID = ANY (Docs);
    -- Run with its values, so that the plan looks up these documents rather than all.
    EXECUTE 'INSERT INTO THSalePart SELECT * FROM THSalePartOf($1)' USING Docs;
END $$;

-- Whether the session asked a trigger to stand aside: the setting thsalepart.skip lists
-- "table.trigger" names (in lower case, comma-separated). Only a check that every trigger is
-- needed sets it, for the length of its own unit of work.
CREATE FUNCTION THSalePartSkipped(TableName NAME, TriggerName NAME)
RETURNS BOOLEAN
LANGUAGE sql STABLE AS $$
    SELECT COALESCE(lower(TableName || '.' || TriggerName)
                    = ANY (string_to_array(current_setting('thsalepart.skip', true), ',')), false)
$$;

-- After a statement on a table the parts depend on: the documents whose parts it may have
-- changed. Arguments: the columns followed, and a query from the touched rows "x" to
-- document ids.
CREATE FUNCTION THSalePart_OnRows()
RETURNS TRIGGER
LANGUAGE plpgsql AS $$
DECLARE
    docs INTEGER[];
BEGIN
    IF THSalePartSkipped(TG_TABLE_NAME, TG_NAME) THEN
        RETURN NULL;
    END IF;
    EXECUTE format('WITH x AS (%s) SELECT array_agg(DISTINCT t.Doc) FROM (%s) t (Doc)',
                   THGoodFixTouchedRows(TG_OP, TG_ARGV[0]), TG_ARGV[1]) INTO docs;
    PERFORM THSalePartRefresh(docs);
    RETURN NULL;
END $$;

-- Builds every part in one statement, and from then on lets the writes keep them.
CREATE FUNCTION THSalePartRebuild()
RETURNS VOID
LANGUAGE plpgsql AS $$
BEGIN
    DELETE FROM THSalePart;
    INSERT INTO THSalePart SELECT * FROM THSalePartOf(NULL);
    PERFORM KeptStateSwitchTriggers(ARRAY['thsalepart%'], true);
END $$;

-- For a bulk load (the demo company's COPY): the triggers stay off and the parts empty until
-- the load ends with THSalePartRebuild.
CREATE FUNCTION THSalePartSuspend()
RETURNS VOID
LANGUAGE plpgsql AS $$
BEGIN
    PERFORM KeptStateSwitchTriggers(ARRAY['thsalepart%'], false);
    DELETE FROM THSalePart;
END $$;

-- Emptying a table the parts depend on leaves nothing to follow row by row.
CREATE FUNCTION THSalePart_OnTruncate()
RETURNS TRIGGER
LANGUAGE plpgsql AS $$
BEGIN
    IF THSalePartSkipped(TG_TABLE_NAME, TG_NAME) THEN
        RETURN NULL;
    END IF;
    PERFORM THSalePartRebuild();
    RETURN NULL;
END $$;

-- Transition tables allow one event per trigger: three triggers per table and query. What
-- each follows:
--   * THSalePart: a sales-side document's own columns; its goods rows; its type table's
--     rows; the links of its goods rows (and, for a consignment link, the sales whose linked
--     rows it belongs to);
--   * THSalePartCor: a document or goods row that came, went or moved, for the parts whose
--     linked row or consignment delivery it is.
DO $$
DECLARE
    -- Table, trigger name, columns followed, touched rows "x" to document ids.
    watched TEXT[][] := ARRAY[
        ['THDocument', 'THSalePart', 'IDC, DocTypeCode, IsPosted, DocumentDate, Number, CurrencyCode, Author, Department, '
         'ParentID',
         'SELECT x.IDC FROM x WHERE THSalePartIsSale(x.DocTypeCode, x.IsPosted)'],
        ['THDocument', 'THSalePartCor', 'IDC',
         'SELECT gs.DocID FROM x JOIN THGoodSpec cs ON cs.DocID = x.IDC JOIN THGoodContent c ON c.CorSpecID = cs.IDC '
         'JOIN THGoodSpec gs ON gs.IDC = c.SpecID'],
        ['THGoodSpec', 'THSalePart', 'IDC, DocID, PosNumb, GoodCode, AmountAccount, Summa, CostSumm',
         'SELECT x.DocID FROM x JOIN THDocument d ON d.IDC = x.DocID AND THSalePartIsSale(d.DocTypeCode, d.IsPosted)'],
        ['THGoodSpec', 'THSalePartCor', 'IDC, DocID',
         'SELECT gs.DocID FROM x JOIN THGoodContent c ON c.CorSpecID = x.IDC JOIN THGoodSpec gs ON gs.IDC = c.SpecID '
         'UNION ALL SELECT gs.DocID FROM x JOIN THGoodContent cg ON cg.CorSpecID = x.IDC '
         'JOIN THGoodContent c ON c.CorSpecID = cg.SpecID JOIN THGoodSpec gs ON gs.IDC = c.SpecID '
         'WHERE tsql.ci(cg.LinkKindCode::text) = ''pn'''],
        ['THGoodContent', 'THSalePart', 'IDC, SpecID, CorSpecID, LinkKindCode, IsVertical, AmountAccount',
         'SELECT gs.DocID FROM x JOIN THGoodSpec gs ON gs.IDC = x.SpecID '
         'UNION ALL SELECT gs.DocID FROM x JOIN THGoodContent c ON c.CorSpecID = x.SpecID '
         'JOIN THGoodSpec gs ON gs.IDC = c.SpecID WHERE tsql.ci(x.LinkKindCode::text) = ''pn''']];
    types TEXT[] := ARRAY['PRSF', 'GPG', 'PRSD', 'SCN', 'HR', 'HS', 'RD', 'RDG'];
    tables TEXT[] := ARRAY['THDocument', 'THGoodSpec', 'THGoodContent'];
    i INTEGER;
    t TEXT;
BEGIN
    FOREACH t IN ARRAY types LOOP
        watched := watched || ARRAY[['THGoodSpec' || t, 'THSalePart', 'DocID, PosNumb, SummVAT, AddDiscountSumm',
                                     'SELECT x.DocID FROM x']];
        tables := tables || ('THGoodSpec' || t);
    END LOOP;
    FOR i IN 1 .. array_length(watched, 1) LOOP
        PERFORM KeptStateWatch(watched[i][1], watched[i][2],
                               format('THSalePart_OnRows(%L, %L)', watched[i][3], watched[i][4]));
    END LOOP;
    FOREACH t IN ARRAY tables LOOP
        EXECUTE format('CREATE TRIGGER THSalePart_Trunc AFTER TRUNCATE ON %s '
                       'FOR EACH STATEMENT EXECUTE FUNCTION THSalePart_OnTruncate()', t);
    END LOOP;
END $$;
