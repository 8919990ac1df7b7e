# The framing the bench's apply-*.sh scripts share, sourced by each: they bring a company
# built before a kept state existed up to the current sources without generating it again.
#
#     . "$(dirname "$0")/support/apply-state.sh"
#     apply_usage "$@"
#     { echo 'DROP ...'; cat "$sql/0NN_....sql"; echo 'SELECT ...Rebuild();'; } |
#         apply_in_one_transaction "$1" 'ANALYZE ...;'

# The schema's scripts.
sql=$(dirname "$0")/../src/host/erp/sql

# The one argument: a connection string.
apply_usage() {
    [ $# -eq 1 ] || { echo "usage: $0 CONNECTION" >&2; exit 2; }
}

# Runs the statements read from standard input in one transaction on the connection $1 (a
# failure leaves the company as it was), then $2 after it (statistics are no part of a
# transaction's work).
apply_in_one_transaction() {
    {
        echo 'SET client_min_messages = warning;'
        echo 'BEGIN;'
        cat
        echo 'COMMIT;'
        echo "$2"
    } | psql -X -q -v ON_ERROR_STOP=1 "$1"
}
