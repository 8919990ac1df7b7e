#!/usr/bin/env bash
# The sales cube on the scale-1 bench company, and beside it the same aggregation in DuckDB
# (through node and @duckdb/node-api, installed here on first use) over the rows the cube
# was built from. Prints one table of both. The bench company comes from DemoCompanyBench.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${TALVEX_BUILD_DIR:-build}"
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/ccache}" CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}" CCACHE_NOHASHDIR=1
[ -f "$build_dir/build.ninja" ] || scripts/build.sh
cmake --build "$build_dir" --target SalesCubeBench -j "$(nproc)" >/dev/null

if [ ! -d bench/duckdb/node_modules/@duckdb/node-api ]; then
  (cd bench/duckdb && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
"$build_dir/bench/SalesCubeBench" --export "$work/sales-rows.csv" | tee "$work/cube.txt"
group="$(sed -n 's/^drill-group //p' "$work/cube.txt")"
year="$(sed -n 's/^drill-year //p' "$work/cube.txt")"
node bench/duckdb/sales-cube.mjs "$work/sales-rows.csv" "$group" "$year" | tee "$work/duckdb.txt"

cube_total="$(sed -n 's/^cube-group-year-total-summa //p' "$work/cube.txt")"
duck_total="$(sed -n 's/^duckdb-group-year-total-summa //p' "$work/duckdb.txt")"
echo "grand total of Summa: cube ${cube_total}, DuckDB ${duck_total}"
