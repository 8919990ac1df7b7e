#!/usr/bin/env bash
# The sales cube on the scale-1 bench company, and beside it, computed in the same run, the
# same sums in one hand-written SQL statement over the base tables and in DuckDB (through node
# and @duckdb/node-api, installed here on first use) over the rows the cube was built from.
# Prints one table of all three, the machine's load, and the grand totals, which must agree.
# SALES_CUBE_RUNS (default 3) sets how often the read and the reference run (min and median).
# The bench company comes from DemoCompanyBench.
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
# The machine's load beside the figures: on a shared machine they mean little without it.
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
"$build_dir/bench/SalesCubeBench" --export "$work/sales-rows.csv" --runs "${SALES_CUBE_RUNS:-3}" | tee "$work/cube.txt"
group="$(sed -n 's/^drill-group //p' "$work/cube.txt")"
year="$(sed -n 's/^drill-year //p' "$work/cube.txt")"
node bench/duckdb/sales-cube.mjs "$work/sales-rows.csv" "$group" "$year" | tee "$work/duckdb.txt"

cube_total="$(sed -n 's/^cube-group-year-total-summa //p' "$work/cube.txt")"
duck_total="$(sed -n 's/^duckdb-group-year-total-summa //p' "$work/duckdb.txt")"
reference_total="$(sed -n 's/^reference-total-summa //p' "$work/cube.txt")"
echo "grand total of Summa: cube ${cube_total}, hand-written SQL ${reference_total}, DuckDB ${duck_total}"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
