#!/bin/sh
# Brings a company built before the fixation log kept its sale and lot (OutcomeDocID ...
# IncomeUnitCost beside OutcomeDate) up to the current sources without generating it again:
# the stock state's script, which creates the columns, replaces the functions and triggers
# that keep them with the monthly state's, and sets every row.
#
#     bench/apply-fix-log-sale.sh "host=/work/bench-home/socket user=postgres dbname=talvex_bench"
set -eu
[ $# -eq 1 ] || { echo "usage: $0 CONNECTION" >&2; exit 2; }
exec "$(dirname "$0")/apply-stock-month-state.sh" "$1"
