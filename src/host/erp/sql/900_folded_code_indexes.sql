-- The front end compares text as the ERP does, over tsql.ci (case and trailing blanks
-- folded away), so a lookup of a code written in T-SQL reads tsql.ci(Code) = tsql.ci('k12').
-- Every index of the schema that starts from text columns gets a twin over the folded
-- columns, in the same order, so that such lookups and joins still go through an index.
-- The twins do not repeat uniqueness: the originals keep it for the stored spellings. This
-- script runs after every other script of the schema, so a table added later has its twins too.
DO $$
DECLARE
    index_row record;
    keys text;
BEGIN
    FOR index_row IN
        SELECT i.indexrelid, t.relname AS table_name, ic.relname AS index_name, i.indkey
        FROM pg_index i
        JOIN pg_class t ON t.oid = i.indrelid
        JOIN pg_class ic ON ic.oid = i.indexrelid
        JOIN pg_am am ON am.oid = ic.relam
        WHERE t.relnamespace = 'public'::regnamespace AND am.amname = 'btree'
          AND i.indexprs IS NULL AND i.indpred IS NULL
          AND EXISTS (SELECT 1 FROM pg_attribute a
                      WHERE a.attrelid = t.oid AND a.attnum = ANY (i.indkey)
                        AND a.atttypid IN ('varchar'::regtype, 'text'::regtype, 'bpchar'::regtype))
        ORDER BY ic.relname
    LOOP
        SELECT string_agg(CASE WHEN a.atttypid IN ('varchar'::regtype, 'text'::regtype, 'bpchar'::regtype)
                               THEN format('tsql.ci(%I)', a.attname) ELSE quote_ident(a.attname) END,
                          ', ' ORDER BY k.position)
        INTO keys
        FROM unnest(index_row.indkey::int2[]) WITH ORDINALITY AS k(attnum, position)
        JOIN pg_attribute a ON a.attrelid = (SELECT indrelid FROM pg_index WHERE indexrelid = index_row.indexrelid)
                           AND a.attnum = k.attnum;
        EXECUTE format('CREATE INDEX %I ON %I (%s)', left(index_row.index_name, 55) || '_folded',
                       index_row.table_name, keys);
    END LOOP;
END
$$;
