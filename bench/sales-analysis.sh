#!/usr/bin/env bash
# The sales cubes (RSale, RSaleNew, RSaleTrend, RSaleHotel, RBackOrder, RSaleInfimumPrice,
# RCompetitorPrice, RSaleCompetitor, RProfitByCompetitor) on the scale-1 bench
# company: from the button to the first grid and a re-layout (min and median), and beside each,
# in the same run, DuckDB's group-by of the same rows (through node and @duckdb/node-api,
# installed here on first use). The grand totals of both must agree.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${TALVEX_BUILD_DIR:-build}"
[ -f "$build_dir/build.ninja" ] || scripts/build.sh
cmake --build "$build_dir" --target SalesAnalysisBench >/dev/null
if [ ! -d bench/duckdb/node_modules/@duckdb/node-api ]; then
  (cd bench/duckdb && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
"$build_dir/bench/SalesAnalysisBench" --export "$work" --runs "${SALES_ANALYSIS_RUNS:-5}" | tee "$work/cubes.txt"
for cube in RSale RSaleNew RSaleTrend RSaleHotel RBackOrder RSaleInfimumPrice RCompetitorPrice RSaleCompetitor RProfitByCompetitor; do
  group="$(sed -n "s/^group $cube //p" "$work/cubes.txt")"
  fact="$(sed -n "s/^total $cube \([A-Za-z]*\) .*/\1/p" "$work/cubes.txt")"
  printf '%-12s ' "$cube"
  node bench/duckdb/sales-analysis.mjs "$work/$cube.csv" "$group" "$fact"
done
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
