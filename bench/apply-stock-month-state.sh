#!/bin/sh
# Brings a company built before the kept stock movement existed up to the current sources
# without generating it again: the fixation log's kept columns (the outgoing row's date and
# sale, the lot's document and unit cost), the monthly state with its triggers, the month
# source that reads it; then sets the log's columns and builds the state in one statement
# each. For the bench's scale-1 and scale-10 companies; a company it already brought up to
# date may be brought again.
#
#     bench/apply-stock-month-state.sh "host=/work/bench-home/socket user=postgres dbname=talvex_bench"
set -eu
. "$(dirname "$0")/support/apply-state.sh"
apply_usage "$@"
{
    echo 'DROP VIEW IF EXISTS THDocGoodFixLogMonth;'
    echo 'DROP TABLE IF EXISTS THGoodFixMonthState, THGoodFixMonthSpan CASCADE;'
    echo 'DROP FUNCTION IF EXISTS THGoodFixMonthRefresh(VARCHAR[]), THGoodFixDateRefresh(INTEGER[]),'
    echo '    THGoodFixMonthRebuild(), THGoodFixMonthSuspend() CASCADE;'
    echo 'DROP FUNCTION IF EXISTS THGoodFixDate_OnFixRow(), THGoodFixDate_OnRows(), THGoodFixMonth_OnRows(),'
    echo '    THGoodFixMonth_OnTruncate(), THGoodFixTouchedRows(TEXT, TEXT), THGoodFixMonthOf(VARCHAR[]),'
    echo '    THGoodFixIsLot(VARCHAR, SMALLINT) CASCADE;'
    echo 'DROP FUNCTION IF EXISTS THGoodFixKeptOf(INTEGER, INTEGER), THGoodFixKeptRefresh(INTEGER[], BOOLEAN),'
    echo '    THGoodFixKept_OnFixRow(), THGoodFixKept_OnRows() CASCADE;'
    echo 'ALTER TABLE THGoodSpecFixLog ADD COLUMN IF NOT EXISTS OutcomeDate DATE,'
    echo '    ADD COLUMN IF NOT EXISTS OutcomeDocID INTEGER, ADD COLUMN IF NOT EXISTS OutcomeDocTypeCode VARCHAR(10),'
    echo '    ADD COLUMN IF NOT EXISTS OutcomeIsPosted SMALLINT, ADD COLUMN IF NOT EXISTS OutcomeCurrencyCode VARCHAR(10),'
    echo '    ADD COLUMN IF NOT EXISTS OutcomeGoodCode VARCHAR(30), ADD COLUMN IF NOT EXISTS OutcomeNetPrice NUMERIC,'
    echo '    ADD COLUMN IF NOT EXISTS IncomeDocID INTEGER, ADD COLUMN IF NOT EXISTS IncomeUnitCost NUMERIC;'
    cat "$sql/030_kept_state_tools.sql"
    cat "$sql/037_stock_month_state.sql"
    sed -n '/^-- Monthly stock movement per good/,/^    LEFT JOIN THGoodFixMonthState s/p' "$sql/040_data_sources.sql"
    # The folded twins of the new tables' keys, as the schema's last script gives every table.
    echo 'CREATE INDEX thgoodfixmonthstate_pkey_folded ON THGoodFixMonthState (tsql.ci(GoodCode), Month);'
    echo 'CREATE INDEX thgoodfixmonthspan_pkey_folded ON THGoodFixMonthSpan (tsql.ci(GoodCode));'
    echo 'SELECT THGoodFixMonthSuspend();'
    echo 'SELECT THGoodFixMonthRebuild();'
} | apply_in_one_transaction "$1" 'ANALYZE THGoodSpecFixLog, THGoodFixMonthState, THGoodFixMonthSpan;'
