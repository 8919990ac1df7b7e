#!/bin/sh
# Brings a company built before the kept sales parts existed up to the current sources
# without generating it again: the parts table with its triggers, then builds it in one
# statement. For the bench's scale-1 and scale-10 companies.
#
#     bench/apply-sale-part-state.sh "host=/work/bench-home/socket user=postgres dbname=talvex_bench"
set -eu
. "$(dirname "$0")/support/apply-state.sh"
apply_usage "$@"
{
    echo 'DROP TABLE IF EXISTS THSalePart CASCADE;'
    echo 'DROP VIEW IF EXISTS THSalePartTypeRows CASCADE;'
    echo 'DROP FUNCTION IF EXISTS THSalePartRefresh(INTEGER[]), THSalePartRebuild(), THSalePartSuspend(),'
    echo '    THSalePart_OnRows(), THSalePart_OnTruncate(), THSalePartOf(INTEGER[]),'
    echo '    THSalePartIsSale(VARCHAR, SMALLINT), THSalePartSkipped(NAME, NAME),'
    echo '    THSalePartShare(NUMERIC, NUMERIC, NUMERIC), THSalePartCost(NUMERIC, NUMERIC, NUMERIC) CASCADE;'
    cat "$sql/030_kept_state_tools.sql"
    cat "$sql/038_sale_part_state.sql"
    # The folded twins of the new table's keys, as the schema's last script gives every table.
    echo 'CREATE INDEX thsalepart_type_date_folded ON THSalePart (tsql.ci(DocTypeCode), DocumentDate);'
    echo 'SELECT THSalePartSuspend();'
    echo 'SELECT THSalePartRebuild();'
} | apply_in_one_transaction "$1" 'ANALYZE THSalePart;'
