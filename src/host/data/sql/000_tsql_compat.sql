-- T-SQL meanings PostgreSQL lacks, for the statements the T-SQL front end writes. The front
-- end calls every function schema-qualified (tsql.dateadd), so PostgreSQL's own functions
-- of the same name never take their place. Functions are plain SQL, so the planner inlines
-- them into the statement: no call per row on large reports. Each is declared no less
-- volatile than what it calls (to_char and text-to-date casts are STABLE), or PostgreSQL
-- keeps the call.

CREATE SCHEMA IF NOT EXISTS tsql;

-- String "+" where the front end cannot tell the operands' types (two text columns): the
-- search path names the schema tsql, so the operator is found unqualified. textcat is
-- STRICT: NULL in gives NULL out, as SQL Server's default CONCAT_NULL_YIELDS_NULL.
CREATE OPERATOR tsql.+ (LEFTARG = text, RIGHTARG = text, FUNCTION = pg_catalog.textcat);

-- datetime + n and datetime - n count days, as SQL Server's datetime arithmetic does.
CREATE FUNCTION tsql.timestamp_plus_days(timestamp, integer) RETURNS timestamp
    LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE AS $$ SELECT $1 + make_interval(days => $2) $$;
CREATE FUNCTION tsql.timestamp_minus_days(timestamp, integer) RETURNS timestamp
    LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE AS $$ SELECT $1 - make_interval(days => $2) $$;
CREATE OPERATOR tsql.+ (LEFTARG = timestamp, RIGHTARG = integer, FUNCTION = tsql.timestamp_plus_days);
CREATE OPERATOR tsql.- (LEFTARG = timestamp, RIGHTARG = integer, FUNCTION = tsql.timestamp_minus_days);

-- datetime - date gives days, so that "DATEADD(...) - DocumentDate < 30" compares with a
-- number as in SQL Server (date - date already gives days in PostgreSQL).
CREATE FUNCTION tsql.timestamp_minus_date(timestamp, date) RETURNS numeric
    LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE AS $$ SELECT extract(epoch FROM $1 - $2::timestamp) / 86400 $$;
CREATE FUNCTION tsql.date_minus_timestamp(date, timestamp) RETURNS numeric
    LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE AS $$ SELECT extract(epoch FROM $1::timestamp - $2) / 86400 $$;
CREATE OPERATOR tsql.- (LEFTARG = timestamp, RIGHTARG = date, FUNCTION = tsql.timestamp_minus_date);
CREATE OPERATOR tsql.- (LEFTARG = date, RIGHTARG = timestamp, FUNCTION = tsql.date_minus_timestamp);

-- Text of a value as SQL Server's CAST(x AS VARCHAR) writes it. Money is NUMERIC(19,4) in
-- the ERP schema; a value of scale 4 is taken as money and shows two decimals ('1234.50'),
-- any other decimal keeps its digits as SQL Server's decimal does. Dates show as ISO.
CREATE FUNCTION tsql.to_varchar(text) RETURNS text
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ SELECT $1 $$;
CREATE FUNCTION tsql.to_varchar(smallint) RETURNS text
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ SELECT $1::text $$;
CREATE FUNCTION tsql.to_varchar(integer) RETURNS text
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ SELECT $1::text $$;
CREATE FUNCTION tsql.to_varchar(bigint) RETURNS text
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ SELECT $1::text $$;
CREATE FUNCTION tsql.to_varchar(numeric) RETURNS text
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS
$$ SELECT CASE WHEN scale($1) = 4 THEN round($1, 2)::text ELSE $1::text END $$;
-- SQL Server writes a float with at most six significant digits. STABLE like the to_char it
-- calls: a function declared IMMUTABLE over a STABLE one is never inlined, but called per row.
CREATE FUNCTION tsql.to_varchar(double precision) RETURNS text
    LANGUAGE sql STABLE PARALLEL SAFE AS
$$ SELECT CASE WHEN $1 = 0 OR $1 = 'NaN' OR abs($1) = 'Infinity' THEN $1::text
               WHEN abs($1) >= 1e-4 AND abs($1) < 1e6
               THEN trim_scale(round($1::numeric, 5 - floor(log(abs($1)))::integer))::text
               ELSE replace(to_char($1, '9.99999EEEE'), ' ', '') END $$;
CREATE FUNCTION tsql.to_varchar(date) RETURNS text
    LANGUAGE sql STABLE PARALLEL SAFE AS $$ SELECT to_char($1, 'YYYY-MM-DD') $$;
-- SQL Server's default text of a datetime: 'Feb  1 2014  1:05PM'.
CREATE FUNCTION tsql.to_varchar(timestamp) RETURNS text
    LANGUAGE sql STABLE PARALLEL SAFE AS
$$ SELECT to_char($1, 'Mon ') || lpad(extract(day FROM $1)::integer::text, 2) || to_char($1, ' YYYY ')
          || lpad(to_char($1, 'FMHH12:MI'), 5) || to_char($1, 'AM') $$;
CREATE FUNCTION tsql.to_varchar(boolean) RETURNS text
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ SELECT CASE WHEN $1 THEN '1' ELSE '0' END $$;

-- CONVERT(varchar, x, style). Date styles: 1/101 mm/dd/yy(yy), 2/102 yy(yy).mm.dd,
-- 3/103 dd/mm/yy(yy), 4/104 dd.mm.yy(yy), 5/105 dd-mm-yy(yy), 10/110 mm-dd-yy(yy),
-- 11/111 yy(yy)/mm/dd, 12/112 yy(yy)mmdd, 8/108 hh:mi:ss, 20/120 ODBC, 21/121 ODBC with
-- milliseconds, 23 yyyy-mm-dd, 126 ISO 8601; others as style 0. Money styles: 0 two
-- decimals, 1 thousands separators, 2 four decimals.
CREATE FUNCTION tsql.convert_text(timestamp, integer) RETURNS text
    LANGUAGE sql STABLE PARALLEL SAFE AS
$$ SELECT CASE $2
    WHEN 1 THEN to_char($1, 'MM/DD/YY')      WHEN 101 THEN to_char($1, 'MM/DD/YYYY')
    WHEN 2 THEN to_char($1, 'YY.MM.DD')      WHEN 102 THEN to_char($1, 'YYYY.MM.DD')
    WHEN 3 THEN to_char($1, 'DD/MM/YY')      WHEN 103 THEN to_char($1, 'DD/MM/YYYY')
    WHEN 4 THEN to_char($1, 'DD.MM.YY')      WHEN 104 THEN to_char($1, 'DD.MM.YYYY')
    WHEN 5 THEN to_char($1, 'DD-MM-YY')      WHEN 105 THEN to_char($1, 'DD-MM-YYYY')
    WHEN 10 THEN to_char($1, 'MM-DD-YY')     WHEN 110 THEN to_char($1, 'MM-DD-YYYY')
    WHEN 11 THEN to_char($1, 'YY/MM/DD')     WHEN 111 THEN to_char($1, 'YYYY/MM/DD')
    WHEN 12 THEN to_char($1, 'YYMMDD')       WHEN 112 THEN to_char($1, 'YYYYMMDD')
    WHEN 8 THEN to_char($1, 'HH24:MI:SS')    WHEN 108 THEN to_char($1, 'HH24:MI:SS')
    WHEN 20 THEN to_char($1, 'YYYY-MM-DD HH24:MI:SS') WHEN 120 THEN to_char($1, 'YYYY-MM-DD HH24:MI:SS')
    WHEN 21 THEN to_char($1, 'YYYY-MM-DD HH24:MI:SS.MS') WHEN 121 THEN to_char($1, 'YYYY-MM-DD HH24:MI:SS.MS')
    WHEN 23 THEN to_char($1, 'YYYY-MM-DD')
    WHEN 126 THEN to_char($1, 'YYYY-MM-DD"T"HH24:MI:SS.MS')
    ELSE tsql.to_varchar($1) END $$;
CREATE FUNCTION tsql.convert_text(date, integer) RETURNS text
    LANGUAGE sql STABLE PARALLEL SAFE AS $$ SELECT tsql.convert_text($1::timestamp, $2) $$;
CREATE FUNCTION tsql.convert_text(numeric, integer) RETURNS text
    LANGUAGE sql STABLE PARALLEL SAFE AS
$$ SELECT CASE $2 WHEN 1 THEN trim(to_char(round($1, 2), 'FM999,999,999,999,990.00'))
                  WHEN 2 THEN round($1, 4)::text
                  ELSE tsql.to_varchar($1) END $$;
CREATE FUNCTION tsql.convert_text(double precision, integer) RETURNS text
    LANGUAGE sql STABLE PARALLEL SAFE AS $$ SELECT tsql.to_varchar($1) $$;
-- Text keeps its value whatever the style.
CREATE FUNCTION tsql.convert_text(text, integer) RETURNS text
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ SELECT $1 $$;

-- CAST(x AS INT): SQL Server truncates toward zero where PostgreSQL would round.
CREATE FUNCTION tsql.to_int(text) RETURNS integer
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ SELECT trunc($1::numeric)::integer $$;
CREATE FUNCTION tsql.to_int(smallint) RETURNS integer
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ SELECT $1::integer $$;
CREATE FUNCTION tsql.to_int(integer) RETURNS integer
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ SELECT $1 $$;
CREATE FUNCTION tsql.to_int(bigint) RETURNS integer
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ SELECT $1::integer $$;
CREATE FUNCTION tsql.to_int(numeric) RETURNS integer
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ SELECT trunc($1)::integer $$;
CREATE FUNCTION tsql.to_int(double precision) RETURNS integer
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ SELECT trunc($1)::integer $$;
CREATE FUNCTION tsql.to_int(boolean) RETURNS integer
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ SELECT $1::integer $$;
CREATE FUNCTION tsql.to_bigint(text) RETURNS bigint
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ SELECT trunc($1::numeric)::bigint $$;
CREATE FUNCTION tsql.to_bigint(bigint) RETURNS bigint
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ SELECT $1 $$;
CREATE FUNCTION tsql.to_bigint(numeric) RETURNS bigint
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ SELECT trunc($1)::bigint $$;
CREATE FUNCTION tsql.to_bigint(double precision) RETURNS bigint
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ SELECT trunc($1)::bigint $$;

-- CAST(x AS DATETIME). A number counts days from 1900-01-01, SQL Server's day zero.
CREATE FUNCTION tsql.to_datetime(timestamp) RETURNS timestamp
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ SELECT $1 $$;
CREATE FUNCTION tsql.to_datetime(date) RETURNS timestamp
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ SELECT $1::timestamp $$;
CREATE FUNCTION tsql.to_datetime(text) RETURNS timestamp
    LANGUAGE sql STABLE PARALLEL SAFE AS $$ SELECT $1::timestamp $$;
CREATE FUNCTION tsql.to_datetime(integer) RETURNS timestamp
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ SELECT timestamp '1900-01-01' + make_interval(days => $1) $$;
CREATE FUNCTION tsql.to_datetime(numeric) RETURNS timestamp
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS
$$ SELECT timestamp '1900-01-01' + $1 * interval '1 day' $$;
-- CONVERT(datetime, text, style) for the day-first and plain styles.
CREATE FUNCTION tsql.to_datetime(text, integer) RETURNS timestamp
    LANGUAGE sql STABLE PARALLEL SAFE AS
$$ SELECT CASE $2
    WHEN 103 THEN to_timestamp($1, 'DD/MM/YYYY')::timestamp
    WHEN 104 THEN to_timestamp($1, 'DD.MM.YYYY')::timestamp
    WHEN 105 THEN to_timestamp($1, 'DD-MM-YYYY')::timestamp
    WHEN 101 THEN to_timestamp($1, 'MM/DD/YYYY')::timestamp
    WHEN 110 THEN to_timestamp($1, 'MM-DD-YYYY')::timestamp
    WHEN 102 THEN to_timestamp($1, 'YYYY.MM.DD')::timestamp
    WHEN 111 THEN to_timestamp($1, 'YYYY/MM/DD')::timestamp
    WHEN 112 THEN to_timestamp($1, 'YYYYMMDD')::timestamp
    ELSE $1::timestamp END $$;

-- DATEADD(part, n, x): months and years clamp to the month's end (31 Jan + 1 month is the
-- last day of February), as PostgreSQL's interval arithmetic does. A date stays a date.
CREATE FUNCTION tsql.dateadd(text, integer, timestamp) RETURNS timestamp
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS
$$ SELECT CASE $1
    WHEN 'year' THEN $3 + make_interval(years => $2)
    WHEN 'quarter' THEN $3 + make_interval(months => 3 * $2)
    WHEN 'month' THEN $3 + make_interval(months => $2)
    WHEN 'week' THEN $3 + make_interval(days => 7 * $2)
    WHEN 'hour' THEN $3 + make_interval(hours => $2)
    WHEN 'minute' THEN $3 + make_interval(mins => $2)
    WHEN 'second' THEN $3 + make_interval(secs => $2)
    WHEN 'millisecond' THEN $3 + $2 * interval '1 millisecond'
    ELSE $3 + make_interval(days => $2) END $$;
CREATE FUNCTION tsql.dateadd(text, integer, date) RETURNS date
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS
$$ SELECT CASE $1
    WHEN 'year' THEN ($3 + make_interval(years => $2))::date
    WHEN 'quarter' THEN ($3 + make_interval(months => 3 * $2))::date
    WHEN 'month' THEN ($3 + make_interval(months => $2))::date
    WHEN 'week' THEN $3 + 7 * $2
    ELSE $3 + $2 END $$;
-- A text date (a literal, a parameter) is a datetime, as SQL Server reads it.
CREATE FUNCTION tsql.dateadd(text, integer, text) RETURNS timestamp
    LANGUAGE sql STABLE PARALLEL SAFE AS $$ SELECT tsql.dateadd($1, $2, $3::timestamp) $$;

-- DATEDIFF(part, a, b): the count of part boundaries crossed from a to b, not of whole
-- periods between them: DATEDIFF(year, '2024-12-31', '2025-01-01') is 1. Weeks begin on
-- Sunday whatever DATEFIRST says, as in SQL Server.
CREATE FUNCTION tsql.datediff(text, timestamp, timestamp) RETURNS integer
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS
$$ SELECT CASE $1
    WHEN 'year' THEN (extract(year FROM $3) - extract(year FROM $2))::integer
    WHEN 'quarter' THEN ((extract(year FROM $3) * 4 + extract(quarter FROM $3))
                        - (extract(year FROM $2) * 4 + extract(quarter FROM $2)))::integer
    WHEN 'month' THEN ((extract(year FROM $3) * 12 + extract(month FROM $3))
                      - (extract(year FROM $2) * 12 + extract(month FROM $2)))::integer
    WHEN 'week' THEN (floor(($3::date - date '1900-01-07') / 7.0) - floor(($2::date - date '1900-01-07') / 7.0))::integer
    WHEN 'hour' THEN ((extract(epoch FROM date_trunc('hour', $3)) - extract(epoch FROM date_trunc('hour', $2))) / 3600)::integer
    WHEN 'minute' THEN ((extract(epoch FROM date_trunc('minute', $3)) - extract(epoch FROM date_trunc('minute', $2))) / 60)::integer
    WHEN 'second' THEN (extract(epoch FROM date_trunc('second', $3)) - extract(epoch FROM date_trunc('second', $2)))::integer
    WHEN 'millisecond' THEN ((extract(epoch FROM date_trunc('milliseconds', $3)) - extract(epoch FROM date_trunc('milliseconds', $2))) * 1000)::integer
    ELSE $3::date - $2::date END $$;
CREATE FUNCTION tsql.datediff(text, text, text) RETURNS integer
    LANGUAGE sql STABLE PARALLEL SAFE AS $$ SELECT tsql.datediff($1, $2::timestamp, $3::timestamp) $$;

-- DATEPART(part, x). The host runs with Monday as the first day of the week (SET DATEFIRST
-- 1): weekday 1 is Monday, 7 Sunday; week 1 is the week of 1 January, weeks begin on Monday.
CREATE FUNCTION tsql.datepart(text, timestamp) RETURNS integer
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS
$$ SELECT CASE $1
    WHEN 'year' THEN extract(year FROM $2)::integer
    WHEN 'quarter' THEN extract(quarter FROM $2)::integer
    WHEN 'month' THEN extract(month FROM $2)::integer
    WHEN 'dayofyear' THEN extract(doy FROM $2)::integer
    WHEN 'weekday' THEN extract(isodow FROM $2)::integer
    WHEN 'week' THEN (extract(doy FROM $2)::integer + extract(isodow FROM date_trunc('year', $2))::integer - 2) / 7 + 1
    WHEN 'iso_week' THEN extract(week FROM $2)::integer
    WHEN 'hour' THEN extract(hour FROM $2)::integer
    WHEN 'minute' THEN extract(minute FROM $2)::integer
    WHEN 'second' THEN floor(extract(second FROM $2))::integer
    WHEN 'millisecond' THEN (floor(extract(milliseconds FROM $2)) - floor(extract(second FROM $2)) * 1000)::integer
    ELSE extract(day FROM $2)::integer END $$;
CREATE FUNCTION tsql.datepart(text, text) RETURNS integer
    LANGUAGE sql STABLE PARALLEL SAFE AS $$ SELECT tsql.datepart($1, $2::timestamp) $$;

-- CHARINDEX(find, s[, start]): 1-based position, 0 when absent (and for an empty find).
CREATE FUNCTION tsql.charindex(text, text, integer DEFAULT 1) RETURNS integer
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS
$$ SELECT CASE WHEN $1 = '' THEN 0
               WHEN strpos(substr($2, greatest($3, 1)), $1) = 0 THEN 0
               ELSE strpos(substr($2, greatest($3, 1)), $1) + greatest($3, 1) - 1 END $$;

-- x / y to s decimals, rounded half away from zero: SQL Server's quotient of decimals and of
-- money is taken to the result's scale, where the server's own stops at about sixteen digits.
CREATE FUNCTION tsql.divide(numeric, numeric, integer) RETURNS numeric
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS
$$ SELECT CAST(trunc(div($1 * power(10::numeric, $3), $2)
                     + CASE WHEN 2 * abs($1 * power(10::numeric, $3) - div($1 * power(10::numeric, $3), $2) * $2)
                                 >= abs($2)
                            THEN sign($1) * sign($2) ELSE 0 END)::text
               || 'e-' || $3::text AS numeric) $$;

-- ROUND(x, n) rounds half away from zero; ROUND(x, n, f) with f <> 0 truncates. The type is
-- kept: a decimal keeps its scale (ROUND(2.567, 2) is 2.570), money its four decimals.
CREATE FUNCTION tsql.round(numeric, integer, integer DEFAULT 0) RETURNS numeric
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS
$$ SELECT round(CASE WHEN $3 <> 0 THEN trunc($1, $2) ELSE round($1, $2) END, scale($1)) $$;
CREATE FUNCTION tsql.round(double precision, integer, integer DEFAULT 0) RETURNS double precision
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS
$$ SELECT (CASE WHEN $3 <> 0 THEN trunc($1::numeric, $2) ELSE round($1::numeric, $2) END)::double precision $$;
CREATE FUNCTION tsql.round(integer, integer, integer DEFAULT 0) RETURNS integer
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS
$$ SELECT (CASE WHEN $3 <> 0 THEN trunc($1::numeric, $2) ELSE round($1::numeric, $2) END)::integer $$;
CREATE FUNCTION tsql.round(bigint, integer, integer DEFAULT 0) RETURNS bigint
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS
$$ SELECT (CASE WHEN $3 <> 0 THEN trunc($1::numeric, $2) ELSE round($1::numeric, $2) END)::bigint $$;

-- STR(x[, length[, decimals]]): right-aligned in length characters, stars when too long.
CREATE FUNCTION tsql.str(numeric, integer DEFAULT 10, integer DEFAULT 0) RETURNS text
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS
$$ SELECT CASE WHEN length(round($1, $3)::text) > $2 THEN repeat('*', $2)
               ELSE lpad(round($1, $3)::text, $2) END $$;

-- DATENAME(part, x): English month and weekday names, as SQL Server's default language.
CREATE FUNCTION tsql.datename(text, timestamp) RETURNS text
    LANGUAGE sql STABLE PARALLEL SAFE AS
$$ SELECT CASE $1
    WHEN 'month' THEN rtrim(to_char($2, 'FMMonth'))
    WHEN 'weekday' THEN rtrim(to_char($2, 'FMDay'))
    ELSE tsql.datepart($1, $2)::text END $$;
CREATE FUNCTION tsql.datename(text, text) RETURNS text
    LANGUAGE sql STABLE PARALLEL SAFE AS $$ SELECT tsql.datename($1, $2::timestamp) $$;

-- sp_getapplock / sp_releaseapplock: SQL Server's application locks, as advisory locks on a
-- key made from the resource name. The owner is the session (held until released or the
-- session ends) or the transaction (released when it ends). Result as SQL Server gives it:
-- 0 granted, -1 not granted within LockTimeout (0: do not wait; -1: wait as long as it takes).
CREATE FUNCTION tsql.sp_getapplock(resource text, lockmode text DEFAULT 'Exclusive',
                                   lockowner text DEFAULT 'Transaction', locktimeout integer DEFAULT -1,
                                   dbprincipal text DEFAULT 'public')
    RETURNS TABLE (result integer) LANGUAGE plpgsql VOLATILE AS
$$
DECLARE
    lock_key bigint := hashtextextended(resource, 0);
    is_shared boolean := lower(lockmode) = 'shared';
    by_session boolean := lower(lockowner) = 'session';
    granted boolean;
BEGIN
    IF lower(lockmode) NOT IN ('shared', 'exclusive') THEN
        RAISE EXCEPTION 'sp_getapplock: lock mode % is not supported', lockmode;
    END IF;
    IF lower(lockowner) NOT IN ('session', 'transaction') THEN
        RAISE EXCEPTION 'sp_getapplock: lock owner % is not supported', lockowner;
    END IF;
    IF locktimeout = 0 THEN
        granted := CASE WHEN by_session AND is_shared THEN pg_try_advisory_lock_shared(lock_key)
                        WHEN by_session THEN pg_try_advisory_lock(lock_key)
                        WHEN is_shared THEN pg_try_advisory_xact_lock_shared(lock_key)
                        ELSE pg_try_advisory_xact_lock(lock_key) END;
    ELSE
        IF by_session AND is_shared THEN PERFORM pg_advisory_lock_shared(lock_key);
        ELSIF by_session THEN PERFORM pg_advisory_lock(lock_key);
        ELSIF is_shared THEN PERFORM pg_advisory_xact_lock_shared(lock_key);
        ELSE PERFORM pg_advisory_xact_lock(lock_key);
        END IF;
        granted := true;
    END IF;
    result := CASE WHEN granted THEN 0 ELSE -1 END;
    RETURN NEXT;
END
$$;

CREATE FUNCTION tsql.sp_releaseapplock(resource text, lockowner text DEFAULT 'Transaction',
                                       dbprincipal text DEFAULT 'public')
    RETURNS TABLE (result integer) LANGUAGE plpgsql VOLATILE AS
$$
DECLARE
    lock_key bigint := hashtextextended(resource, 0);
BEGIN
    IF lower(lockowner) <> 'session' THEN
        RAISE EXCEPTION 'sp_releaseapplock: a transaction''s lock is released when the transaction ends';
    END IF;
    result := CASE WHEN pg_advisory_unlock(lock_key) OR pg_advisory_unlock_shared(lock_key) THEN 0 ELSE -999 END;
    RETURN NEXT;
END
$$;

-- Text compares as the ERP's collation does: without regard to case or to trailing blanks.
-- The front end writes every comparison whose sides may be text as tsql.ci(a) op tsql.ci(b);
-- the overloads for other types hand their value back unchanged, and all of them are
-- inlined, so a comparison of numbers or dates stays the plain comparison the planner
-- matches to its indexes, and an index on tsql.ci(Code) serves a lookup of a code.
-- Case is folded by ICU's root rules so that Š and š meet whatever the database's locale.
-- Codes are nearly always plain ASCII, and ICU's folding costs several times the byte-wise
-- one (the text goes to UTF-16 and back), so ASCII text (as many bytes as characters) is
-- folded byte-wise: for it both give the same result, so indexes over tsql.ci hold either way;
-- the result keeps ICU's root collation in both branches, as the indexes were built with it.
-- The argument then appears three times; PostgreSQL still inlines the function for a column
-- or any cheap expression, and calls it for an expensive one, with the same result.
CREATE FUNCTION tsql.ci(text) RETURNS text
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS
$$ SELECT CASE WHEN octet_length($1) = char_length($1) THEN lower(rtrim($1) COLLATE "C") COLLATE "und-x-icu"
               ELSE lower(rtrim($1) COLLATE "und-x-icu") END $$;
CREATE FUNCTION tsql.ci(anyelement) RETURNS anyelement
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ SELECT $1 $$;
-- A literal or parameter of no type of its own, taken as the type of the value it is
-- compared with: folded when that is text, read as a date or number otherwise. It folds a
-- literal or a parameter, a few a statement, so ICU alone does it.
CREATE FUNCTION tsql.ci(text, text) RETURNS text
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ SELECT lower(rtrim($2) COLLATE "und-x-icu") $$;
CREATE FUNCTION tsql.ci(anyelement, anyelement) RETURNS anyelement
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ SELECT $2 $$;

-- LIKE ignores case, and the value's trailing blanks beyond those the pattern ends with:
-- 'abc  ' LIKE 'abc' and 'abc  ' LIKE 'abc ' hold, 'abc' LIKE 'abc ' does not. An empty
-- escape names no escape character.
CREATE FUNCTION tsql.like(text, text, text DEFAULT '') RETURNS boolean
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS
$$ SELECT $1 ILIKE $2 ESCAPE $3
       OR (length($1) - length(rtrim($1)) >= length($2) - length(rtrim($2))
           AND rtrim($1) || repeat(' ', length($2) - length(rtrim($2))) ILIKE $2 ESCAPE $3) $$;

-- Text compared with a number is read as a number, by SQL Server's precedence of types:
-- Code = 5 finds '5' and '05', and text that is no number is an error, not a silent false.
DO $$
DECLARE
    number_type text;
    operator_row record;
    function_name text;
BEGIN
    FOREACH number_type IN ARRAY ARRAY['smallint', 'integer', 'bigint', 'numeric', 'double precision'] LOOP
        FOR operator_row IN SELECT * FROM (VALUES ('=', 'eq'), ('<>', 'ne'), ('<', 'lt'), ('<=', 'le'),
                                                  ('>', 'gt'), ('>=', 'ge')) AS o(symbol, word) LOOP
            function_name := format('text_%s_%s', operator_row.word, replace(number_type, ' ', '_'));
            EXECUTE format('CREATE FUNCTION tsql.%I(text, %s) RETURNS boolean LANGUAGE sql IMMUTABLE PARALLEL SAFE '
                           'AS $f$ SELECT $1::%s %s $2 $f$',
                           function_name, number_type,
                           CASE WHEN number_type = 'double precision' THEN number_type ELSE 'numeric' END,
                           operator_row.symbol);
            EXECUTE format('CREATE OPERATOR tsql.%s (LEFTARG = text, RIGHTARG = %s, FUNCTION = tsql.%I)',
                           operator_row.symbol, number_type, function_name);
            function_name := format('%s_%s_text', replace(number_type, ' ', '_'), operator_row.word);
            EXECUTE format('CREATE FUNCTION tsql.%I(%s, text) RETURNS boolean LANGUAGE sql IMMUTABLE PARALLEL SAFE '
                           'AS $f$ SELECT $1 %s $2::%s $f$',
                           function_name, number_type, operator_row.symbol,
                           CASE WHEN number_type = 'double precision' THEN number_type ELSE 'numeric' END);
            EXECUTE format('CREATE OPERATOR tsql.%s (LEFTARG = %s, RIGHTARG = text, FUNCTION = tsql.%I)',
                           operator_row.symbol, number_type, function_name);
        END LOOP;
    END LOOP;
END
$$;

-- ISNULL(a, b) has the type of a: the replacement is converted to it (ISNULL(Code, 0) is
-- the text '0', ISNULL(Quantity, 2.7) the integer 2), where COALESCE would seek a type
-- both fit.
CREATE FUNCTION tsql.isnull(anycompatible, anycompatible) RETURNS anycompatible
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ SELECT COALESCE($1, $2) $$;
CREATE FUNCTION tsql.isnull(text, numeric) RETURNS text
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ SELECT COALESCE($1, tsql.to_varchar($2)) $$;
CREATE FUNCTION tsql.isnull(text, double precision) RETURNS text
    LANGUAGE sql STABLE PARALLEL SAFE AS $$ SELECT COALESCE($1, tsql.to_varchar($2)) $$;
CREATE FUNCTION tsql.isnull(integer, numeric) RETURNS integer
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ SELECT COALESCE($1, trunc($2)::integer) $$;
CREATE FUNCTION tsql.isnull(bigint, numeric) RETURNS bigint
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ SELECT COALESCE($1, trunc($2)::bigint) $$;
CREATE FUNCTION tsql.isnull(smallint, numeric) RETURNS smallint
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ SELECT COALESCE($1, trunc($2)::smallint) $$;
