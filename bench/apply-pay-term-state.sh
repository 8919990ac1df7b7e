#!/bin/sh
# Brings a company built before the payment-term state existed up to the current sources
# without generating it again: creates the state, its triggers and the sources that read it,
# and builds the state in one statement. For the bench's scale-1 and scale-10 companies.
#
#     bench/apply-pay-term-state.sh "host=$TALVEX_HOME/socket user=postgres dbname=talvex_bench10"
set -eu
. "$(dirname "$0")/support/apply-state.sh"
apply_usage "$@"
{
    echo 'DROP VIEW IF EXISTS THDocPayTermCurDbt, THDocumentPayTermCur;'
    echo 'DROP FUNCTION IF EXISTS THDocumentPayTermDbt(DATE), THDocumentPayTermExt(DATE);'
    echo 'DROP TABLE IF EXISTS THDocPayTermState CASCADE;'
    echo 'DROP FUNCTION IF EXISTS THDocPayTermStateOf(INTEGER[]), THDocPayTermStateRefresh(INTEGER[]),'
    echo '    THDocPayTermStateRebuild(), THDocPayTermStateSuspend() CASCADE;'
    echo 'DROP FUNCTION IF EXISTS THDocPayTermState_OnDocument(), THDocPayTermState_OnPayment(),'
    echo '    THDocPayTermState_OnDocPart(), THDocPayTermState_OnDocRows(), THDocPayTermState_OnGoodsRow(),'
    echo '    THDocPayTermState_OnTruncate() CASCADE;'
    cat "$sql/030_kept_state_tools.sql"
    cat "$sql/035_pay_term_state.sql"
    # The payment-term sources of the data-sources script, from the as-of-date form on.
    sed -n '/^-- The payment terms as they stood on PayToDate/,/^CREATE VIEW THDocPayTermCurDbt/p' \
        "$sql/040_data_sources.sql"
    echo 'SELECT THDocPayTermStateRebuild();'
} | apply_in_one_transaction "$1" 'ANALYZE THDocPayTermState;'
