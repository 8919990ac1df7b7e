// Times in DuckDB the aggregation the sales cube does, over the rows the cube was built
// from (the CSV SalesCubeBench exports): load, the first grid (goods groups by year with
// subtotals and totals), a re-layout (years by department) and one cell's rows.
// Usage: node sales-cube.mjs rows.csv [group] [year]
import { DuckDBInstance } from '@duckdb/node-api';

const [csvPath, group, year] = process.argv.slice(2);
if (!csvPath) {
  console.error('usage: node sales-cube.mjs rows.csv [group] [year]');
  process.exit(2);
}

const instance = await DuckDBInstance.create(':memory:');
const connection = await instance.connect();

async function bestOf(runs, step) {
  let best = Infinity;
  let result;
  for (let i = 0; i < runs; i += 1) {
    const start = process.hrtime.bigint();
    result = await step();
    const ms = Number(process.hrtime.bigint() - start) / 1e6;
    best = Math.min(best, ms);
  }
  return { ms: best, result };
}

const quoted = (text) => `'${String(text).replaceAll("'", "''")}'`;

const load = await bestOf(1, async () => {
  await connection.run(
    `CREATE TABLE sales AS SELECT * FROM read_csv(${quoted(csvPath)}, header = true, ` +
      `types = {'DocumentDate': 'DATE', 'GoodAmount': 'DOUBLE', 'Summa': 'DOUBLE', 'StoreAmount': 'DOUBLE', 'Cost': 'DOUBLE'})`,
  );
  const reader = await connection.runAndReadAll('SELECT count(*) FROM sales');
  return Number(reader.getRows()[0][0]);
});

const firstGrid = await bestOf(3, async () => {
  const reader = await connection.runAndReadAll(
    'SELECT GroupT, year(DocumentDate) AS y, sum(GoodAmount), sum(Summa), sum(Cost), ' +
      'sum(Summa) - sum(Cost), greatest(sum(Summa) - sum(Cost), 0) * 100 / nullif(sum(Summa), 0) ' +
      'FROM sales GROUP BY CUBE (GroupT, y)',
  );
  return reader.getRows();
});
const grandTotal = firstGrid.result.find((row) => row[0] === null && row[1] === null);

const relayout = await bestOf(5, async () => {
  const reader = await connection.runAndReadAll(
    'SELECT year(DocumentDate) AS y, Department, sum(GoodAmount), sum(Summa), sum(Cost) ' +
      'FROM sales GROUP BY CUBE (y, Department)',
  );
  return reader.getRows().length;
});

let drill = { ms: NaN, result: 0 };
if (group && year) {
  drill = await bestOf(3, async () => {
    const reader = await connection.runAndReadAll(
      `SELECT * FROM sales WHERE GroupT = ${quoted(group)} AND year(DocumentDate) = ${Number(year)} AND Summa <> 0`,
    );
    return reader.getRows().length;
  });
}

const rows = [
  ['DuckDB load of the cube rows (CSV)', load.ms, `${load.result} rows`],
  ['DuckDB first grid (GROUP BY CUBE group, year)', firstGrid.ms, `${firstGrid.result.length} groups`],
  ['DuckDB re-layout (GROUP BY CUBE year, department)', relayout.ms, `${relayout.result} groups`],
  ['DuckDB one cell\'s rows', drill.ms, `${drill.result} rows`],
];
for (const [step, ms, note] of rows) {
  console.log(`${step.padEnd(52)} ${ms.toFixed(1).padStart(12)}  ${note}`);
}
console.log(`duckdb-group-year-total-summa ${Number(grandTotal?.[3] ?? NaN).toFixed(4)}`);
// Peak resident memory of the process (ru_maxrss), as the cube's bench reports its own.
console.log(`DuckDB peak memory (node maxRSS, MB) ${(process.resourceUsage().maxRSS / 1024).toFixed(1)}`);
