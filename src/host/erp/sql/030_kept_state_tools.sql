-- What the states kept by the writes (payment terms, stock by month, sales parts) share. Their
-- statement triggers come in threes, one per event, since a transition table serves one event;
-- and a bulk load switches a state's triggers off, its rebuild on again.

-- Creates <triggerName>_Ins, _Upd and _Del on the table, each running the call (a trigger
-- function with its arguments) once per statement, with the rows written as new_rows and
-- the rows replaced or removed as old_rows.
CREATE OR REPLACE FUNCTION KeptStateWatch(tableName TEXT, triggerName TEXT, call TEXT)
RETURNS VOID
LANGUAGE plpgsql AS $$
BEGIN
    EXECUTE format('CREATE TRIGGER %s_Ins AFTER INSERT ON %s REFERENCING NEW TABLE AS new_rows '
                   'FOR EACH STATEMENT EXECUTE FUNCTION %s', triggerName, tableName, call);
    EXECUTE format('CREATE TRIGGER %s_Upd AFTER UPDATE ON %s '
                   'REFERENCING OLD TABLE AS old_rows NEW TABLE AS new_rows '
                   'FOR EACH STATEMENT EXECUTE FUNCTION %s', triggerName, tableName, call);
    EXECUTE format('CREATE TRIGGER %s_Del AFTER DELETE ON %s REFERENCING OLD TABLE AS old_rows '
                   'FOR EACH STATEMENT EXECUTE FUNCTION %s', triggerName, tableName, call);
END $$;

-- Switches off, or on again, the triggers whose (lower-case) names are LIKE one of the
-- patterns. Switching on touches only the triggers that are off: a rebuild called from a
-- TRUNCATE trigger runs while the table is in use, where ALTER TABLE would be refused.
CREATE OR REPLACE FUNCTION KeptStateSwitchTriggers(patterns TEXT[], switchOn BOOLEAN)
RETURNS VOID
LANGUAGE plpgsql AS $$
DECLARE
    t RECORD;
BEGIN
    FOR t IN SELECT c.relname, g.tgname FROM pg_trigger g JOIN pg_class c ON c.oid = g.tgrelid
             WHERE g.tgname LIKE ANY (patterns) AND NOT g.tgisinternal AND (NOT switchOn OR g.tgenabled = 'D')
    LOOP
        EXECUTE format('ALTER TABLE %I %s TRIGGER %I', t.relname,
                       CASE WHEN switchOn THEN 'ENABLE' ELSE 'DISABLE' END, t.tgname);
    END LOOP;
END $$;
